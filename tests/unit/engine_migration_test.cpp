// Renaming of the 3.0 template files, on real files in the fake's temporary disk.
#include "engine_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace tsy::test {
namespace {

using Lines = std::vector<std::string>;

const std::string kTemplates = "D:\\Data\\Tessary Data\\Documents\\Templates\\";

class MigrationTest : public EngineTest {
protected:
    void version(const std::string& ver) {
        fake.settings[FakeOs::settingKey(sys().gsAppKey, "StartUp", "Ver")] = ver;
    }
    void files(const std::string& folder, Lines names) {
        for (const std::string& n : names) fake.addFile(kTemplates + folder + "\\" + n, n);
    }
    Lines in(const std::string& folder) const { return fake.listFolder(kTemplates + folder); }
};

TEST_F(MigrationTest, OldTemplatesGetThePrefix) {
    version("3.0.2");
    files("Envelopes", {"a.env", "B.ENV", "rev30_c.env", "REV30_d.env", "h.env", "notes.txt"});
    fake.markHidden(kTemplates + "Envelopes\\h.env");
    files("Labels", {"Address Labels (8160).lbl", "Other.lbl"});
    files("Reports", {"Activity by Contact.rpt", "Phone List by Company.rpt",
                      "Phone List by Contact.rpt", "Custom.rpt"});

    EXPECT_EQ(run(kProgramDB), InstallOutcome::Succeeded);

    // The open envelope listing meets a.env and B.ENV again under their new names and leaves
    // them; the prefix in capitals counts as the prefix.
    EXPECT_EQ(in("Envelopes"),
              (Lines{"REV30_d.env", "h.env", "notes.txt", "rev30_B.ENV", "rev30_a.env", "rev30_c.env"}));
    EXPECT_EQ(in("Labels"), (Lines{"Other.lbl", "rev30_Address Labels (8160).lbl"}));
    EXPECT_EQ(in("Reports"), (Lines{"Custom.rpt", "rev30_Activity by Contact.rpt",
                                    "rev30_Phone List by Company.rpt", "rev30_Phone List by Contact.rpt"}));

    // After "DBPath" is saved and before the database command runs, nothing reported.
    const std::string e = kTemplates + "Envelopes\\", l = kTemplates + "Labels\\",
                      r = kTemplates + "Reports\\";
    Lines t = trail();
    EXPECT_EQ(Lines(t.begin() + 1, t.begin() + 9),
              (Lines{"save DBPath=D:\\Data\\Tessary Data\\MainDB\\",
                     "move " + e + "a.env -> " + e + "rev30_a.env",
                     "move " + e + "B.ENV -> " + e + "rev30_B.ENV",
                     "move " + l + "Address Labels (8160).lbl -> " + l + "rev30_Address Labels (8160).lbl",
                     "move " + r + "Activity by Contact.rpt -> " + r + "rev30_Activity by Contact.rpt",
                     "move " + r + "Phone List by Company.rpt -> " + r + "rev30_Phone List by Company.rpt",
                     "move " + r + "Phone List by Contact.rpt -> " + r + "rev30_Phone List by Contact.rpt",
                     R"(run msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="D:\Data" /qb-)"}));
    EXPECT_TRUE(fake.messages().empty());
}

TEST_F(MigrationTest, ExistingTwinsKeepEveryFileAndItsContent) {
    for (bool debug : {false, true}) {
        SCOPED_TRACE(debug ? "debug" : "quiet");
        OsScope fresh;  // a clean disk for each pass
        FakeOs& f = fresh.fake;
        sys().gbUpdate = false;
        configureEdition("TSYPRO_3");
        sys().gbDebug = debug;
        sys().gsSystemDir = kSys;
        sys().gsDBPath = kDBFolder;
        f.addFile("C:\\Kit\\tsy3db.msi");
        f.settings[FakeOs::settingKey("TSYPRO_3", "StartUp", "Ver")] = "3.0";
        for (const char* n : {"Envelopes\\a.env", "Envelopes\\rev30_a.env", "Envelopes\\b.env",
                              "Labels\\Address Labels (8160).lbl",
                              "Labels\\rev30_Address Labels (8160).lbl", "Reports\\Phone List by Contact.rpt"})
            f.addFile(kTemplates + n, "new");
        f.addFile(kTemplates + "Envelopes\\rev30_a.env", "old");

        bool p = false, d = true, e = false, rep = false, rem = false, fu = false, dfu = false;
        EXPECT_TRUE(SYS_Install(p, d, e, rep, rem, fu, dfu));

        // a.env cannot take its twin's name: it takes the next free one, the twin keeps its
        // content, and the envelopes after it are still renamed. Nothing stays under a name the
        // new templates would overwrite.
        EXPECT_EQ(f.listFolder(kTemplates + "Envelopes"),
                  (Lines{"rev30_(2) a.env", "rev30_a.env", "rev30_b.env"}));
        std::ifstream twin(f.hostPath(kTemplates + "Envelopes\\rev30_a.env"));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(twin), {}), "old");
        std::ifstream moved(f.hostPath(kTemplates + "Envelopes\\rev30_(2) a.env"));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(moved), {}), "new");
        EXPECT_EQ(f.listFolder(kTemplates + "Labels"),
                  (Lines{"rev30_(2) Address Labels (8160).lbl", "rev30_Address Labels (8160).lbl"}));
        EXPECT_EQ(f.listFolder(kTemplates + "Reports"), Lines{"rev30_Phone List by Contact.rpt"});
        for (const std::string& m : f.messages()) EXPECT_NE(m.rfind("Unable", 0), 0u) << m;
    }
}

TEST_F(MigrationTest, AFileThatCannotBeMovedEndsItsCategoryAndIsToldInDebugMode) {
    for (bool debug : {false, true}) {
        SCOPED_TRACE(debug ? "debug" : "quiet");
        OsScope fresh;
        FakeOs& f = fresh.fake;
        configureEdition("TSYPRO_3");
        sys().gbDebug = debug;
        sys().gsSystemDir = kSys;
        sys().gsDBPath = kDBFolder;
        f.addFile("C:\\Kit\\tsy3db.msi");
        f.settings[FakeOs::settingKey("TSYPRO_3", "StartUp", "Ver")] = "3.0";
        for (const char* n : {"Reports\\Activity by Contact.rpt", "Reports\\Phone List by Company.rpt",
                              "Labels\\Address Labels (8160).lbl"})
            f.addFile(kTemplates + n);
        // A locked report: every name tried fails, so the attempts are bounded.
        f.onCreateProcess = nullptr;
        int attempts = 0;
        f.fault = [&](const std::string& name) {
            if (name != "moveFile") return FakeOs::FaultNone;
            const std::string& from = f.calls.back().args.at(0);
            if (from.find("Activity") == std::string::npos) return FakeOs::FaultNone;
            ++attempts;
            return FakeOs::FaultReturn;
        };
        bool p = false, d = true, e = false, rep = false, rem = false, fu = false, dfu = false;
        EXPECT_TRUE(SYS_Install(p, d, e, rep, rem, fu, dfu)) << "migration never fails the run";
        EXPECT_GT(attempts, 1);
        EXPECT_LE(attempts, 9);
        EXPECT_EQ(f.listFolder(kTemplates + "Reports"),
                  (Lines{"Activity by Contact.rpt", "Phone List by Company.rpt"}));
        EXPECT_EQ(f.listFolder(kTemplates + "Labels"), Lines{"rev30_Address Labels (8160).lbl"});
        Lines seen;
        for (const std::string& m : f.messages())
            if (m.rfind("Unable", 0) == 0) seen.push_back(m);
        EXPECT_EQ(seen, debug ? Lines{"Unable to rename file:Activity by Contact.rpt"} : Lines{});
    }
}

TEST_F(MigrationTest, OnlyADatabaseTaskOverVersion30) {
    struct {
        const char* ver;
        Request request;
        bool renamed;
    } cases[] = {
        {"3.0.2", {false, true}, true},
        {"3.0", kRepair, false},
        {"3.0", kRemove, false},
        {"3.0", {true, false}, false},
        {"3.3.0", kProgramDB, false},
        {"", kProgramDB, false},
        {"30.1", kProgramDB, false},
        {" 3.0", kProgramDB, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ver);
        fake.calls.clear();
        version(c.ver);
        installed(c.request.remove, c.request.remove);
        files("Reports", {"Activity by Contact.rpt"});
        run(c.request);
        EXPECT_EQ(fake.callsNamed("moveFile").size(), c.renamed ? 1u : 0u);
        fake.addFile(kTemplates + "Reports\\Activity by Contact.rpt");
        std::filesystem::remove(fake.hostPath(kTemplates + "Reports\\rev30_Activity by Contact.rpt"));
    }
}

TEST_F(MigrationTest, BaseFolderFollowsTheDatabaseFolder) {
    struct {
        const char* dbPath;
        const char* label;  // the label file, where it must be found
    } cases[] = {
        {"D:\\Data\\Tessary Data\\MainDB\\", "D:\\Data\\Tessary Data\\Documents\\Templates\\Labels\\"},
        {"E:/Mine/", "E:/Mine/Documents/Templates/Labels/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dbPath);
        fake.calls.clear();
        version("3.0.1");
        sys().gsDBPath = c.dbPath;
        fake.addFile(std::string(c.label) + "Address Labels (8160).lbl");
        run({false, true});
        EXPECT_EQ(trailOf("move"), Lines{std::string("move ") + c.label + "Address Labels (8160).lbl -> " +
                                         c.label + "rev30_Address Labels (8160).lbl"});
    }
}

TEST_F(MigrationTest, ErrorsInsideAreIgnored) {
    version("3.0");
    files("Envelopes", {"a.env", "b.env"});
    files("Reports", {"Activity by Contact.rpt", "Phone List by Company.rpt"});
    // The listing breaks after its first name, and every rename raises an error.
    fake.fault = [](const std::string& name) {
        if (name == "dirNext") return FakeOs::FaultThrow;
        return FakeOs::FaultNone;
    };
    EXPECT_EQ(run({false, true}), InstallOutcome::Succeeded);
    EXPECT_EQ(in("Envelopes"), (Lines{"b.env", "rev30_a.env"}));
    EXPECT_EQ(in("Reports"), (Lines{"rev30_Activity by Contact.rpt", "rev30_Phone List by Company.rpt"}));

    fake.calls.clear();
    files("Reports", {"Phone List by Company.rpt", "Phone List by Contact.rpt"});
    fake.fault = [](const std::string& name) {
        return name == "moveFile" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    EXPECT_EQ(run({false, true}), InstallOutcome::Succeeded);
    EXPECT_TRUE(fake.messages().empty());
    EXPECT_EQ(msi().size(), 1u);
    // The first report that cannot be renamed ends the reports: the next one is never tried.
    Lines moves = trailOf("move " + kTemplates + "Reports");
    ASSERT_FALSE(moves.empty());
    for (const std::string& m : moves)
        EXPECT_EQ(m.rfind("move " + kTemplates + "Reports\\Phone List by Company.rpt -> ", 0), 0u) << m;
}

}  // namespace
}  // namespace tsy::test
