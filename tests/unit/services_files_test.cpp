// Paths: is something on disk (a path of any kind, a folder made when asked, a named file in a
// folder, as the package check and the folder lookups ask), and paths taken apart as text.
#include <gtest/gtest.h>

#include "services/system.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

namespace tsy::test {
namespace {

struct PathsTest : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override {
        configureEdition("TSYPRO_3");
        fake.addFile("C:\\Kit\\TSY3P.MSI");
        fake.addFile("C:\\Kit\\hidden.msi");
        fake.markHidden("C:\\Kit\\hidden.msi");
        fake.addFolder("C:\\Kit\\Package");
    }
};

TEST_F(PathsTest, DirExists) {
    const std::tuple<const char*, bool, bool> rows[] = {  // path, create, there afterwards
        {"c:\\KIT\\package", false, true}, {"C:\\Kit\\tsy3p.msi", false, true}, {"C:\\Kit\\hidden.msi", false, true},
        {"C:\\Kit\\New", false, false},    {"C:\\Kit\\New", true, true},        {"C:\\Kit\\A\\B", true, false},
        {"", true, false},
    };
    for (const auto& [path, create, there] : rows) {
        EXPECT_EQ(SYS_DirExists(path, create), there) << path << create;
        EXPECT_EQ(fake.exists(path), there) << path;
    }
    EXPECT_EQ(fake.calls.size(), 10u);  // the empty path asks nothing
    fake.fault = [](const std::string&) { return FakeOs::FaultThrow; };
    EXPECT_FALSE(SYS_DirExists("C:\\Kit", true));
}

TEST_F(PathsTest, FileCheck) {
    const std::string told = "FILE: tsy3p.msi\rPATH: C:\\Kit\\Package\r\rWindows was unable to create this file:\r"
                             "Please ensure you have permission to write to this drive and that there is available space.\r";
    const std::tuple<const char*, const char*, bool, bool, bool, std::string, std::string> rows[] = {
        // file, folder, create, quiet, present, the name the listing is asked for, the message box
        {"tsy3p.msi", "C:\\Kit", false, true, true, "C:\\Kit\\tsy3p.msi", ""},
        {"hidden.msi", "C:\\Kit", false, true, false, "C:\\Kit\\hidden.msi", ""},
        {"tsy3p.msi", "C:\\Kit\\", false, true, true, "C:\\Kit\\\\tsy3p.msi", ""},
        {"tsy3p.msi", "C:/Kit", false, true, true, "C:/Kit/tsy3p.msi", ""},
        {"*.msi", "C:\\Kit", false, true, false, "C:\\Kit\\*.msi", ""},  // a wildcard is not a name
        {"tsy3p.msi", "C:\\Nowhere", false, false, false, "", ""},
        {"tsy3p.msi", "C:\\Kit\\Package", false, true, false, "C:\\Kit\\Package\\tsy3p.msi", ""},
        {"tsy3p.msi", "C:\\Kit\\Package", false, false, false, "C:\\Kit\\Package\\tsy3p.msi", told + "|16|File Create Error"},
        {"log.txt", "C:\\Kit\\Logs", true, false, true, "C:\\Kit\\Logs\\log.txt", ""},
    };
    for (const auto& [file, folder, create, quiet, present, asked, message] : rows) {
        fake.calls.clear();
        EXPECT_EQ(SYS_File_FileCheck(file, folder, create, quiet), present) << file << " in " << folder;
        std::string listed, shown;
        for (const Call& c : fake.calls) {
            if (c.name == "dirFirst" && c.args[1] == "0" && listed.empty()) listed = c.args[0];
            if (c.name == "msgBox") shown = c.args[0] + "|" + c.args[1] + "|" + c.args[2];
        }
        EXPECT_EQ(listed, asked);
        EXPECT_EQ(shown, message);
    }
}

// Its error handler speaks only in debug mode and only when not quiet; the check goes on.
TEST_F(PathsTest, FileCheckErrors) {
    fake.fault = [](const std::string& n) { return n == "createEmptyFile" ? FakeOs::FaultThrow : FakeOs::FaultNone; };
    const std::tuple<bool, bool, std::size_t> rows[] = {{false, false, 1}, {true, false, 2}, {true, true, 0}};
    for (const auto& [debug, quiet, boxes] : rows) {
        fake.calls.clear();
        sys().gbDebug = debug;
        EXPECT_FALSE(SYS_File_FileCheck("x.txt", "C:\\Kit", true, quiet));
        EXPECT_EQ(fake.messages().size(), boxes);
        EXPECT_EQ(boxes && fake.messages()[0].starts_with("errHdl_SYS_File_FileCheck: Injected fault"), boxes == 2) << debug;
    }
}

TEST_F(PathsTest, ParseRev) {
    const std::tuple<std::string, std::string, std::optional<std::string>, std::string> rows[] = {
        {"A\\ B", "\\", "B", "A"}, {"a  \\  b", "\\", "b", "a"}, {"abc", "\\", "abc", ""},
        {"x", "\\", std::nullopt, "x"}, {"\\", "\\", std::nullopt, "\\"}, {"ab\\", "\\", "", "ab"},
        {"a--b--c", "--", "c", "a--b"}, {"oneXtwoxthree", "X", "three", "oneXtwo"}, {"a b", "", "a b", ""},
    };
    for (const auto& [text, delim, token, rest] : rows) {
        std::string t = text;
        EXPECT_EQ(SYS_ParseRev(t, delim), token) << text;
        EXPECT_EQ(t, rest) << text;
    }
}

TEST_F(PathsTest, SplitFolder) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"C:\\A\\B\\", "B", "C:\\A\\"}, {"C:/x/y/", "y", "C:/x/"}, {"a/b\\c/d", "c/d", "a/b\\"},
        {"\\", "", "\\"}, {"a\\", "", "a\\"}, {"Tessary Data", "Tessary Data", "(untouched)"}, {"", "", "(untouched)"},
    };
    for (const auto& [path, name, parent] : rows) {
        std::string p = "(untouched)";
        EXPECT_EQ(SYS_SplitFolder(path, p), name) << path;
        EXPECT_EQ(p, parent) << path;
    }
}

TEST_F(PathsTest, GetParentFolder) {
    sys().gsDBPath = "C:\\Data\\Tessary Data\\MainDB\\";
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\A\\B", "C:\\A"}, {"C:\\A\\B\\", "C:\\A"}, {"C:\\", "C:\\"}, {"MainDB", "MainDB"},
        {"C:/srv/db/", "C:/srv"}, {"a/b\\c", "a"}, {"", "C:\\Data\\Tessary Data"},
    };
    for (const auto& [path, parent] : rows) EXPECT_EQ(SYS_GetParentFolder(path), parent) << path;
}

}  // namespace
}  // namespace tsy::test
