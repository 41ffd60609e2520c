// The engine's run from request to result: the order of its steps, the settings it writes,
// missing packages, where it looks for them, msiexec.exe's verdict, unsafe paths and its
// error handler.
#include "engine_fixture.h"

#include <filesystem>

#include "platform/runtime_error.h"

namespace tsy::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kRunProgram =
    R"(run msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\Apps\TSY" /qb-)";
const std::string kRunDB = R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)";
const std::string kSaveDBPath = R"(save DBPath=D:\Data\Tessary Data\MainDB\)";
const std::string kOpenRegsvr32 = R"(open C:\windows\system32\regsvr32.exe)";
const std::string kRegisterComm = R"(open C:\windows\system32\regsvr32.exe /s C:\windows\system32\mscomm32.ocx @C:\windows\system32)";
const std::string kRegisterEmail = R"(open C:\windows\system32\regsvr32.exe /s C:\windows\system32\tsyemail.dll @C:\windows\system32)";

TEST_F(EngineTest, StepsOfTheUsualRequestsInOrder) {
    struct {
        const char* what;
        bool update;
        bool installedBefore;
        Request request;
        Lines steps;
    } cases[] = {
        {"first installation", false, false, kProgramDBOL,
         {kRunProgram, kSaveDBPath, kRunDB, kRegisterComm, kRegisterEmail, "save EmailForm=12",
          "save Ver=3.3.0"}},
        {"update over an installed system", true, true, kProgramDB,
         {R"(open C:\windows\system32\vezEdeRu.exe -u @C:\windows\system32)",
          R"(run msiexec.exe /famus "C:\Kit\tsy3p_update.msi" TARGETDIR="C:\Apps\TSY" /qf)",
          R"(run msiexec.exe /famu "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qf)",
          R"(open C:\windows\system32\vezEdeRu.exe -i @C:\windows\system32)", kRegisterComm, "save EmailForm=13",
          "save Ver=3.3.0"}},
        {"repair", false, true, kRepair,
         {R"(open C:\windows\system32\vezEdeRu.exe -u @C:\windows\system32)",
          R"(run msiexec.exe /famus "C:\Kit\tsy3p.msi" TARGETDIR="C:\Apps\TSY" /qb /norestart)",
          kSaveDBPath, R"(run msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="D:\Data" /qb)",
          R"(open C:\windows\system32\vezEdeRu.exe -i @C:\windows\system32)", kRegisterComm, "save EmailForm=13",
          "save Ver=3.3.0"}},
        {"removal (the e-mail flag changes nothing)", false, true, {true, true, true, false, true},
         {R"(open C:\windows\system32\vezEdeRu.exe -u @C:\windows\system32)",
          R"(open C:\windows\system32\regsvr32.exe /s /u C:\windows\system32\tsyemail.dll @C:\windows\system32)",
          R"(run msiexec.exe /x "C:\Kit\tsy3p.msi"REMOVE=ALL  TARGETDIR="C:\Apps\TSY" /qb /norestart)",
          R"(run msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="D:\Data" /qb)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.calls.clear();
        edition("TSYPRO_3", c.update);
        installed(c.installedBefore, c.installedBefore);
        EXPECT_EQ(run(c.request), InstallOutcome::Succeeded);
        EXPECT_EQ(trail(), c.steps);
    }
}

TEST_F(EngineTest, SettingsWrittenByEditionAndRequest) {
    struct {
        const char* key;
        bool update;
        Request request;
        Lines saved;
    } cases[] = {
        {"TSYPRO_3", false, kProgramDB, {kSaveDBPath, "save EmailForm=13", "save Ver=3.3.0"}},
        {"TSYPRO_3", false, {false, true, true}, {kSaveDBPath, "save EmailForm=12"}},
        {"TSYPRO_3", false, {false, true}, {kSaveDBPath}},
        {"TSYPRO_3", false, {true, false, true}, {"save EmailForm=12", "save Ver=3.3.0"}},
        {"TSYPRO_3", true, kProgramDBOL, {"save EmailForm=12", "save Ver=3.3.0"}},
        {"TSYLITE_3", false, kProgramDBOL, {kSaveDBPath, "save EmailForm=2", "save Ver=3.3.0"}},
        {"TSYLITE_3", false, {false, true, true}, {kSaveDBPath}},
        {"tsypro_ws", false, {true, false}, {"save EmailForm=13", "save Ver=3.3.0"}},
        {"TSYPRO_3", false, kRemove, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + (c.update ? " update" : ""));
        fake.calls.clear();
        fake.settings.clear();
        fake.msgBoxAnswers = {mb::AnswerNo};
        edition(c.key, c.update);
        installed(c.request.remove, c.request.remove);
        run(c.request);
        EXPECT_EQ(trailOf("save"), c.saved);
        for (const Call& s : fake.callsNamed("saveSetting")) {
            EXPECT_EQ(s.args[0], c.key);
            EXPECT_EQ(s.args[1], "StartUp");
        }
    }
}

TEST_F(EngineTest, CommControlFromWindows6On) {
    // Windows 8.1 and later report their true version to this program (its manifest declares
    // them), so 10 must register the control as 6.x does; 5 and a failed query must not.
    struct Row { long major; bool versionFails; bool registers; };
    for (Row r : {Row{5, false, false}, Row{6, false, true}, Row{10, false, true}, Row{10, true, false}}) {
        fake.calls.clear();
        fake.winVersion.major = r.major;
        fake.fault = [&](const std::string& name) {
            return r.versionFails && name == "versionEx" ? FakeOs::FaultReturn : FakeOs::FaultNone;
        };
        run({true, false});
        EXPECT_EQ(trailOf(kOpenRegsvr32).size(), r.registers ? 1u : 0u) << r.major << r.versionFails;
    }
}

TEST_F(EngineTest, EngineRefreshesTheInstalledStateAtEntry) {
    sys().gbInstalled = sys().gbDBInstalled = true;  // stale: start-up saw them
    run(kProgramDB);
    EXPECT_FALSE(sys().gbInstalled);
    EXPECT_EQ(msi().at(0), kRunProgram.substr(4));
}

// ---------------------------------------------------------------- where the packages are

std::string missingText(const std::string& path, const std::string& exe) {
    return "SYS_Install: Unable to open installation package: \r" + path +
           "\r\rNOTE: The installation file must be in the same directory as this setup program (" +
           exe + ").\r";
}

TEST_F(EngineTest, MissingPackageEndsTheRun) {
    // Program package missing: nothing runs at all.
    fs::remove(fake.hostPath("C:\\Kit\\tsy3p.msi"));
    InstallOutcome outcome = run(kProgramDBOL);
    EXPECT_EQ(outcome, InstallOutcome::Failed);
    EXPECT_EQ(exitCodeFor(outcome), 1603);
    EXPECT_EQ(trail(), Lines{"box " + missingText("C:\\Kit\\tsy3p.msi", "Update")});
    EXPECT_EQ(lastBox()->args[1], "16");

    // Database package hidden: the program has run, nothing after the check does.
    fake.calls.clear();
    fake.addFile("C:\\Kit\\tsy3p.msi");
    fake.markHidden("C:\\Kit\\tsy3db.msi");
    EXPECT_EQ(run(kProgramDBOL), InstallOutcome::Failed);
    EXPECT_EQ(trail(), (Lines{kRunProgram, "box " + missingText("C:\\Kit\\tsy3db.msi", "Update")}));
}

TEST_F(EngineTest, WhereThePackagesAreLookedFor) {
    struct {
        const char* exe;
        const char* folder;
        const char* packages;
        const char* path;  // of the program package, as checked and as run
    } cases[] = {
        {"Setup", "C:\\Kit", "C:\\Kit", "C:\\Kit\\tsy3p.msi"},
        {"TSY Setup", "C:\\Kit", "C:\\Kit\\Package", "C:\\Kit\\Package\\tsy3p.msi"},
        {"tsy setup", "C:\\Kit", "C:\\Kit\\PACKAGE", "C:\\Kit\\Package\\tsy3p.msi"},
        {"TSY Setup2", "C:\\Kit", "C:\\Kit", "C:\\Kit\\tsy3p.msi"},
        {"Setup", "E:\\", "E:\\", "E:\\\\tsy3p.msi"},  // a drive root keeps its own separator
        {"Setup", "//server/kit", "//server/kit", "//server/kit/tsy3p.msi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.exe) + " in " + c.folder);
        OsScope fresh;
        FakeOs& f = fresh.fake;
        sys().gbUpdate = false;
        configureEdition("TSYPRO_3");
        sys().gsSystemDir = kSys;
        sys().gsInstallPath = kProgramFolder;
        f.sysDir = kSys;
        f.exe = c.exe;
        f.folder = c.folder;
        bool p = true, d = false, e = false, rep = false, rem = false, fu = false, dfu = false;
        // Beside the setup only: a "TSY Setup" must not find them there.
        f.addFile(std::string(c.folder) + (std::string(c.folder).back() == '\\' ? "" : "\\") +
                  "tsy3p.msi");
        bool besideOnly = std::string(c.packages) == c.folder;
        EXPECT_EQ(SYS_Install(p, d, e, rep, rem, fu, dfu), besideOnly);
        if (besideOnly) {
            ASSERT_EQ(f.callsNamed("createProcess").size(), 1u);
            EXPECT_EQ(f.callsNamed("createProcess")[0].args[1],
                      std::string("msiexec.exe /I \"") + c.path +
                          R"("ALLUSERS=2  TARGETDIR="C:\Apps\TSY" /qb-)");
        } else {
            EXPECT_EQ(f.messages(), Lines{missingText(c.path, c.exe)});
            f.calls.clear();
            f.addFile(std::string(c.packages) + "\\tsy3p.msi");
            EXPECT_TRUE(SYS_Install(p, d, e, rep, rem, fu, dfu));
            ASSERT_EQ(f.callsNamed("createProcess").size(), 1u);
            EXPECT_NE(f.callsNamed("createProcess")[0].args[1].find(std::string("\"") + c.path + "\""),
                      std::string::npos);
        }
    }
}

// ---------------------------------------------------------------- msiexec.exe's verdict

TEST_F(EngineTest, MsiexecExitCodes) {
    struct {
        std::uint32_t code;
        bool ok;
    } cases[] = {{0, true}, {3010, true}, {1641, true}, {1602, false}, {1603, false}, {1605, false}};
    for (const auto& c : cases) {
        for (bool failDB : {false, true}) {
            SCOPED_TRACE(std::to_string(c.code) + (failDB ? " database" : " program"));
            fake.calls.clear();
            std::string failing = failDB ? "tsy3db.msi" : "tsy3p.msi";
            fake.onCreateProcess = [&](const std::string&, const std::string& cmd) {
                bool hit = cmd.find(failing) != std::string::npos;
                return ProcessResult{true, true, hit ? c.code : 0u};
            };
            InstallOutcome outcome = run(kProgramDBOL);
            Lines expected = {kRunProgram, kSaveDBPath, kRunDB, kRegisterComm, kRegisterEmail,
                              "save EmailForm=12", "save Ver=3.3.0"};
            if (!c.ok) {
                // Reported right after the failed command; the run still goes on.
                expected.insert(expected.begin() + (failDB ? 3 : 1),
                                "box Windows Installer could not complete the installation of:\r" +
                                    std::string("C:\\Kit\\") + failing + "\r(error " +
                                    std::to_string(c.code) + ")");
                // A failed program package is not recorded as the installed version.
                if (!failDB) expected.pop_back();
            }
            EXPECT_EQ(trail(), expected);
            EXPECT_EQ(outcome, c.ok ? InstallOutcome::Succeeded : InstallOutcome::Failed);
            EXPECT_EQ(exitCodeFor(outcome), c.ok ? 0 : 1603);
            if (!c.ok) {
                EXPECT_EQ(fake.callsNamed("msgBox").at(0).args[1], "16");
            }
        }
    }
}

TEST_F(EngineTest, DatabaseEngineOfferDependsOnTheProgramStartingNotSucceeding) {
    edition("TSYPRO_WS");
    fake.msgBoxAnswers = {mb::AnswerOk, mb::AnswerNo};
    fake.onCreateProcess = [](const std::string&, const std::string&) {
        return ProcessResult{true, true, 1603};
    };
    run({true, false});
    EXPECT_EQ(fake.callsNamed("msgBox").size(), 2u);
    EXPECT_EQ(fake.callsNamed("msgBox").at(1).args[2], "Install Database Engine");

    // Not started at all: nothing offered; each package that never reached Windows Installer
    // is reported and fails the run.
    fake.calls.clear();
    fake.onCreateProcess = [](const std::string&, const std::string&) { return ProcessResult{}; };
    EXPECT_EQ(run(kProgramDB), InstallOutcome::Failed);
    EXPECT_EQ(msi().size(), 2u);
    EXPECT_EQ(fake.messages(),
              (std::vector<std::string>{"Windows Installer could not be started for:\rC:\\Kit\\tsy3p.msi",
                                        "Windows Installer could not be started for:\rC:\\Kit\\tsy3db.msi"}));
    EXPECT_TRUE(trailOf("save Ver").empty());
}

// ---------------------------------------------------------------- unsafe paths

TEST_F(EngineTest, QuoteInAPathIsRefused) {
    auto refusal = [](const std::string& path) {
        return "SYS_Install: A folder or file name cannot contain the quote character (\"):\r" + path +
               "\r\rNothing was installed from this package. Please choose another folder and run "
               "the setup again.\r";
    };
    // Program folder: nothing is handed to msiexec.exe.
    sys().gsInstallPath = R"(C:\Apps" /x "C:\other.msi)";
    EXPECT_EQ(exitCodeFor(run(kProgramDB)), 1603);
    EXPECT_EQ(trail(), Lines{"box " + refusal(sys().gsInstallPath)});
    EXPECT_EQ(lastBox()->args[1], "16");

    // Database folder: the program ran; no "DBPath" is saved with the quote in it.
    fake.calls.clear();
    sys().gsInstallPath = kProgramFolder;
    sys().gsDBPath = R"(D:\Da"ta\Tessary Data)";
    EXPECT_EQ(run(kProgramDB), InstallOutcome::Failed);
    EXPECT_EQ(trail(), (Lines{kRunProgram, "box " + refusal(R"(D:\Da"ta\Tessary Data)")}));

    // The package path (a source folder no Windows would report, but the rule is the same).
    fake.calls.clear();
    fake.folder = R"(C:\K"it)";
    addPackages(fake.folder);
    EXPECT_EQ(run({true, false}), InstallOutcome::Failed);
    EXPECT_TRUE(msi().empty());
    EXPECT_EQ(fake.messages(), Lines{refusal(R"(C:\K"it\tsy3p.msi)")});
}

// ---------------------------------------------------------------- the error handler

TEST_F(EngineTest, UnexpectedErrorsGoToTheHandler) {
    const std::string text = "errHdl_SYS_Install: Injected fault in saveSetting (5)\r\r";
    fake.fault = [](const std::string& name) {
        return name == "saveSetting" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    // Not debug: reported with the critical icon, and the run ends there.
    EXPECT_EQ(run(kProgramDB), InstallOutcome::Failed);
    EXPECT_EQ(trail(), (Lines{kRunProgram, "save DBPath=D:\\Data\\Tessary Data\\MainDB\\", "box " + text}));
    EXPECT_EQ(lastBox()->args[1], "16");

    // Debug, No: the run ends without another message.
    sys().gbDebug = true;
    fake.calls.clear();
    fake.msgBoxAnswers = {mb::AnswerOk, mb::AnswerNo};
    EXPECT_EQ(run(kProgramDB), InstallOutcome::Failed);
    EXPECT_EQ(lastBox()->args, (Lines{text + "Resume Next?", "4", ""}));
    EXPECT_EQ(msi().size(), 1u);

    // Debug, Yes every time: each failing statement is skipped and the run goes to its end.
    fake.calls.clear();
    fake.msgBoxAnswers.clear();
    EXPECT_EQ(run(kProgramDB), InstallOutcome::Succeeded);
    EXPECT_EQ(msi().size(), 2u);
    EXPECT_EQ(trailOf("box errHdl").size(), 3u);  // DBPath, EmailForm, Ver
}

TEST_F(EngineTest, RefusedSettingIsAnError) {
    fake.unwritableSettings.insert(FakeOs::settingKey("TSYPRO_3", "StartUp", "Ver"));
    EXPECT_EQ(run({true, false}), InstallOutcome::Failed);
    EXPECT_EQ(fake.messages(),
              Lines{"errHdl_SYS_Install: Invalid procedure call or argument (5)\r\r"});
}

}  // namespace
}  // namespace tsy::test
