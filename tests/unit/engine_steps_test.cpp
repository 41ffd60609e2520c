// The engine's steps and their failures: Windows Installer's verdict, the packages and where
// they are looked for, refused folders, registrations and the database engine by the shell's
// answer, a setup without a known system folder, and the renaming of a 3.0 user's templates.
#include <fstream>
#include <iterator>

#include "engine_fixture.h"

namespace tsy::test {
namespace {

const std::string kRunProgram = R"(run msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)";
const std::string kDBPath = R"(save DBPath=D:\Data\Tessary Data\MainDB\)";

// A package that Windows Installer did not complete, or that never reached it, fails the run,
// which goes on with its other steps; the version is saved only over a program that went in,
// and this edition's database engine is offered only when the program's installer ran.
TEST_F(EngineTest, WindowsInstallerVerdict) {
    const std::string notDone = "box Windows Installer could not complete the installation of:\r";
    const std::tuple<std::uint32_t, bool, const char*, int, Lines> rows[] = {  // exit, started, of, exit code, told
        {3010, true, "tsy3p", 0, {kDBPath, "save EmailForm=13", "save Ver=3.3.0"}},
        {1641, true, "tsy3db", 0, {kDBPath, "save EmailForm=13", "save Ver=3.3.0"}},
        {1602, true, "tsy3p", 1603, {notDone + "C:\\Kit\\tsy3p.msi\r(error 1602) #16", kDBPath, "save EmailForm=13"}},
        {1603, true, "tsy3db", 1603, {kDBPath, notDone + "C:\\Kit\\tsy3db.msi\r(error 1603) #16", "save EmailForm=13", "save Ver=3.3.0"}},
        {0, false, "tsy3p", 1603, {"box Windows Installer could not be started for:\rC:\\Kit\\tsy3p.msi #16", kDBPath, "save EmailForm=13"}},
    };
    for (const auto& [exit, started, failing, exitCode, told] : rows) {
        reset("TSYPRO_WS");
        fake->msgBoxAnswers = {mb::AnswerOk, mb::AnswerNo};
        fake->onCreateProcess = [&](const std::string&, const std::string& cmd) {
            bool hit = cmd.find(std::string(failing) + ".msi") != std::string::npos;
            return ProcessResult{!hit || started, true, hit ? exit : 0};
        };
        EXPECT_EQ(exitCodeFor(run("PROGRAM DB")), exitCode) << exit;
        Lines t = trail("box save");
        if (started) t.pop_back();  // the database engine's offer
        EXPECT_EQ(t, told) << exit;
    }
}

TEST_F(EngineTest, PackagesAndWhereTheyAreLookedFor) {
    auto missing = [](const std::string& path, const std::string& exe) {
        return "box SYS_Install: Unable to open installation package: \r" + path +
               "\r\rNOTE: The installation file must be in the same directory as this setup program (" + exe + ").\r #16";
    };
    const std::tuple<const char*, const char*, Lines, Lines> rows[] = {  // setup name, its folder, files, trail
        {"Update", "C:\\Kit", {"C:\\Kit\\tsy3db.msi"}, {missing("C:\\Kit\\tsy3p.msi", "Update")}},
        {"Setup", "C:\\Kit", {"C:\\Kit\\tsy3p.msi", "C:\\Kit\\tsy3db.msi", "hidden"}, {kRunProgram, missing("C:\\Kit\\tsy3db.msi", "Setup")}},
        {"TSY Setup", "C:\\Kit", {"C:\\Kit\\tsy3p.msi"}, {missing("C:\\Kit\\Package\\tsy3p.msi", "TSY Setup")}},
        {"tsy setup", "C:\\Kit", {"C:\\Kit\\PACKAGE\\tsy3p.msi"},
         {R"(run msiexec.exe /I "C:\Kit\Package\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)"}},
        // A drive root keeps its own separator; a share path takes its kind of separator.
        {"Setup", "E:\\", {"E:\\tsy3p.msi"}, {R"(run msiexec.exe /I "E:\\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)"}},
        {"Setup", "//srv/kit", {"//srv/kit/tsy3p.msi"}, {R"(run msiexec.exe /I "//srv/kit/tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\App" /qb-)"}},
    };
    for (const auto& [exe, folder, files, expected] : rows) {
        reset();
        std::filesystem::remove_all(fake->hostPath("C:\\Kit"));
        for (const std::string& f : files) f == "hidden" ? fake->markHidden(files[1]) : fake->addFile(f);
        fake->exe = exe;
        fake->folder = folder;
        const bool found = expected.back().rfind("run", 0) == 0;
        EXPECT_EQ(run(files.size() > 1 ? "PROGRAM DB OL" : "PROGRAM OL"), found ? InstallOutcome::Succeeded : InstallOutcome::Failed);
        EXPECT_EQ(trail(found ? "run box" : ""), expected) << exe << " " << files[0];
    }
}

// A quote would end the quoted path early and pass the rest to msiexec.exe as options.
TEST_F(EngineTest, QuoteInAFolderIsRefused) {
    auto refusal = [](const std::string& path) {
        return "box SYS_Install: A folder or file name cannot contain the quote character (\"):\r" + path +
               "\r\rNothing was installed from this package. Please choose another folder and run the setup again.\r #16";
    };
    sys().gsInstallPath = R"(C:\Apps" /x "C:\other.msi)";
    EXPECT_EQ(exitCodeFor(run("PROGRAM DB")), 1603);
    EXPECT_EQ(trail(), Lines{refusal(sys().gsInstallPath)});
    reset();
    sys().gsDBPath = R"(D:\Da"ta\Tessary Data)";
    EXPECT_EQ(exitCodeFor(run("PROGRAM DB")), 1603);
    EXPECT_EQ(trail(), (Lines{kRunProgram, refusal(sys().gsDBPath)}));
}

TEST_F(EngineTest, RegistrationByTheShellsAnswer) {
    const std::string email = R"(open <win>\regsvr32.exe /s <sys>\tsyemail.dll @<sys>)";
    const std::tuple<const char*, long, Lines> rows[] = {
        {"OL", 32, {email, "save EmailForm=12"}},
        {"OL", 2, {email, "box File Not Found:<sys>\\tsyemail.dll\rPlease re-install Tessary Contact Management\r"}},
        {"OL", 3, {email, "box Path not found:<sys>"}},
        {"OL", 31, {email, "open <sys> 1 @1", "box Windows does not have a program associated for: <sys>\\tsyemail.dll"}},
        {"OL", 8, {email, "box Sorry, Windows was not able to register the Outlook Email Interface (8):\r<sys>\\tsyemail.dll"}},
        {"PROGRAM", 0, {R"(open <win>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)",
                        "box Sorry, Windows was not able to register a necessary component (0):\r<sys>\\mscomm32.ocx",
                        "save EmailForm=13", "save Ver=3.3.0"}},
    };
    for (const auto& [request, answer, expected] : rows) {
        reset();
        fake->onShellExecute = [&](const std::string& file, const std::string&) {
            return file == sys().gsSystemDir ? 2 : answer;  // the "open with" request's answer is ignored
        };
        EXPECT_EQ(run(request), answer >= 32 ? InstallOutcome::Succeeded : InstallOutcome::Failed);
        EXPECT_EQ(trail("open box save"), expected) << answer;
    }
}

// Windows 8.1 and later tell this program (its manifest names them) their true version, 10.
TEST_F(EngineTest, CommunicationsControlFromWindows6On) {
    for (long major : {5, 10}) {
        reset();
        fake->winVersion.major = major;
        run("PROGRAM");
        EXPECT_EQ(trail("open").size(), major > 5 ? 1u : 0u) << major;
    }
}

// Without the Windows system folder msiexec.exe is not started at all, and regsvr32 comes from
// the setup's system folder; with neither, the shell is never asked for a bare name.
TEST_F(EngineTest, NoSystemFolderNoSearchedProgram) {
    fake->fault = [](const std::string& name) { return name == "systemDirectory" ? FakeOs::FaultReturn : FakeOs::FaultNone; };
    EXPECT_EQ(run("PROGRAM OL"), InstallOutcome::Failed);
    EXPECT_EQ(trail("box open"), (Lines{"box Windows Installer could not be started for:\rC:\\Kit\\tsy3p.msi #16",
                                        R"(open <sys>\regsvr32.exe /s <sys>\mscomm32.ocx @<sys>)",
                                        R"(open <sys>\regsvr32.exe /s <sys>\tsyemail.dll @<sys>)"}));
    fake->calls.clear();
    sys().gsSystemDir.clear();
    EXPECT_EQ(run("OL"), InstallOutcome::Failed);
    EXPECT_EQ(trail(), Lines{"box File Not Found:\\tsyemail.dll\rPlease re-install Tessary Contact Management\r"});
}

TEST_F(EngineTest, DatabaseEngineOfTheAlternativeEditions) {
    const std::string install = "box Microsoft ACE 2010 Database Engine (32-bit) must be installed on your system\r"
                                "Would you like to install this now?\r #36 [Install Database Engine]";
    const std::string remove = "box Would you like to also remove the Microsoft ACE 2010 Database Engine (32-bit)?\r"
                               "(NOTE: This is a necessary component of Microsoft Office 2010)\r #36 [Install Database Engine]";
    const std::string open = R"(open AccessDatabaseEngine2010_SP2.exe  @C:\Kit)";
    const std::string advice = "\rPlease try re-installing the program again\r #16";
    const std::tuple<const char*, const char*, int, long, Lines> rows[] = {  // edition, request, answer, shell, trail
        {"TSYPRO_WS", "PROGRAM", mb::AnswerYes, 42, {install, open}},
        {"TSYPRO_WS", "PROGRAM", mb::AnswerNo, 42, {install}},
        {"TSYPRO_RTF3", "REMOVE PROGRAM", mb::AnswerYes, 42, {remove, open}},
        {"TSYPRO_WS", "PROGRAM", mb::AnswerYes, 2, {install, open, "box File Not Found:AccessDatabaseEngine2010_SP2.exe\r"
                                                    "Tessary Contact Management will not run correctly without the ACE Database Engine\r" + advice}},
        {"TSYPRO_WS", "PROGRAM", mb::AnswerYes, 3, {install, open, "box Path not found:C:\\Kit" + advice}},
        {"TSYPRO_WS", "REMOVE PROGRAM", mb::AnswerYes, 31, {remove, open, "open C:\\Kit 1 @1",
                      "box Windows does not have a program associated for: AccessDatabaseEngine2010_SP2.exe #16"}},
        {"TSYPRO_WS", "PROGRAM", mb::AnswerYes, 5, {install, open,
                      "box Sorry, Windows was not able to install the Microsoft ACE Database Engine (5):\r" + advice}},
        {"TSYPRO_RTF3", "REMOVE PROGRAM", mb::AnswerYes, 5, {remove, open,
                      "box Windows was not able to uninstall the Microsoft ACE Database Engine (5):\r #16"}},
    };
    for (const auto& [key, request, answer, shell, expected] : rows) {
        reset(key);
        installed(hasWord(request, "REMOVE") ? "PROGRAM" : "");
        fake->msgBoxAnswers = {answer};
        fake->onShellExecute = [&](const std::string& file, const std::string&) { return file == "C:\\Kit" ? 2 : shell; };
        EXPECT_EQ(run(request), shell >= 32 ? InstallOutcome::Succeeded : InstallOutcome::Failed);
        Lines t = trail("box open");
        EXPECT_EQ(Lines(t.end() - std::min(t.size(), expected.size()), t.end()), expected) << key << request << shell;
    }
}

// ---------------------------------------------------------------- the 3.0 templates

class MigrationTest : public EngineTest {
protected:
    std::string templates = "D:\\Data\\Tessary Data\\Documents\\Templates\\";
    void files(const Lines& names, const std::string& content = "new") {
        for (const std::string& n : names) fake->addFile(templates + n, content);
    }
    Lines in(const std::string& folder) const { return fake->listFolder(templates + folder); }
    void version(const std::string& v) { fake->settings[FakeOs::settingKey("TSYPRO_3", "StartUp", "Ver")] = v; }
};

TEST_F(MigrationTest, TemplatesOfA30InstallationGetThePrefix) {
    version("3.0.2");
    files({"Envelopes\\a.env", "Envelopes\\B.ENV", "Envelopes\\rev30_c.env", "Envelopes\\REV30_d.env", "Envelopes\\h.env",
           "Envelopes\\notes.txt", "Labels\\Address Labels (8160).lbl", "Labels\\Other.lbl", "Reports\\Activity by Contact.rpt",
           "Reports\\Phone List by Company.rpt", "Reports\\Phone List by Contact.rpt", "Reports\\Custom.rpt"});
    fake->markHidden(templates + "Envelopes\\h.env");
    EXPECT_EQ(run("DB"), InstallOutcome::Succeeded);
    // The open envelope listing meets a.env and B.ENV again under their new names.
    EXPECT_EQ(in("Envelopes"), (Lines{"REV30_d.env", "h.env", "notes.txt", "rev30_B.ENV", "rev30_a.env", "rev30_c.env"}));
    EXPECT_EQ(in("Labels"), (Lines{"Other.lbl", "rev30_Address Labels (8160).lbl"}));
    EXPECT_EQ(in("Reports"), (Lines{"Custom.rpt", "rev30_Activity by Contact.rpt", "rev30_Phone List by Company.rpt",
                                    "rev30_Phone List by Contact.rpt"}));
    // After "DBPath" is saved and before the database package runs, and nobody is told.
    Lines t = trail("save move run box");
    EXPECT_EQ(t.size(), 8u);
    EXPECT_EQ(t.front() + " " + t.back().substr(0, 3), kDBPath + " run");
}

// A name already taken gives way to the next free "rev30_(n) " name: the twin keeps its content,
// and nothing is left under a name the new templates would overwrite.
TEST_F(MigrationTest, TwinsKeepEveryFile) {
    templates = "E:/Mine/Documents/Templates/";
    sys().gsDBPath = "E:/Mine/MainDB/";
    version("3.0");
    files({"Envelopes/a.env", "Envelopes/b.env", "Labels/Address Labels (8160).lbl", "Reports/Phone List by Contact.rpt"});
    files({"Envelopes/rev30_a.env", "Labels/rev30_Address Labels (8160).lbl"}, "old");
    EXPECT_EQ(run("DB"), InstallOutcome::Succeeded);
    EXPECT_EQ(in("Envelopes"), (Lines{"rev30_(2) a.env", "rev30_a.env", "rev30_b.env"}));
    EXPECT_EQ(in("Labels"), (Lines{"rev30_(2) Address Labels (8160).lbl", "rev30_Address Labels (8160).lbl"}));
    EXPECT_EQ(in("Reports"), Lines{"rev30_Phone List by Contact.rpt"});
    std::ifstream twin(fake->hostPath(templates + "Envelopes/rev30_a.env"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(twin), {}), "old");
}

// A file that cannot be moved ends its category; only a tester in debug mode hears of it.
TEST_F(MigrationTest, ALockedFileEndsItsCategory) {
    for (std::string mode : {"", "DEBUG"}) {
        reset();
        version("3.0");
        files({"Reports\\Activity by Contact.rpt", "Reports\\Phone List by Company.rpt", "Labels\\Address Labels (8160).lbl"});
        fake->fault = [&](const std::string& name) {
            bool locked = name == "moveFile" && fake->calls.back().args[0].find("Activity") != std::string::npos;
            return locked ? FakeOs::FaultReturn : FakeOs::FaultNone;
        };
        EXPECT_EQ(run(mode + " DB"), InstallOutcome::Succeeded);
        EXPECT_EQ(in("Reports"), (Lines{"Activity by Contact.rpt", "Phone List by Company.rpt"}));
        EXPECT_EQ(in("Labels"), Lines{"rev30_Address Labels (8160).lbl"});
        EXPECT_EQ(trail("box").size() > 0 && trail("box")[0] == "box Unable to rename file:Activity by Contact.rpt", !mode.empty());
    }
}

TEST_F(MigrationTest, OnlyADatabaseTaskOver30) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"3.0.2", "DB", true}, {"3.0", "REPAIR DB", false}, {"3.0", "REMOVE PROGRAM DB", false},
        {"3.0", "PROGRAM", false}, {"3.3.0", "DB", false}, {"", "DB", false}, {"30.1", "DB", false},
    };
    for (const auto& [ver, request, renamed] : rows) {
        reset();
        installed(hasWord(request, "REMOVE") ? "PROGRAM DB" : "");
        version(ver);
        files({"Reports\\Activity by Contact.rpt"});
        run(request);
        EXPECT_EQ(trail("move").size(), renamed ? 1u : 0u) << ver << " " << request;
    }
}

}  // namespace
}  // namespace tsy::test
