#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/runtime_error.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

using namespace tsy;
using namespace std::string_literals;
using tsy::test::FakeOs;
using tsy::test::OsScope;

namespace {

struct FoldersFixture : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override { configureEdition("TSYPRO_3"); }
    void save(const std::string& key, const std::string& value) {
        fake.settings[FakeOs::settingKey("TSYPRO_3", "StartUp", key)] = value;
    }
};

}  // namespace

TEST_F(FoldersFixture, FolderPathDropsOneTrailingBackslashAndFailsEmpty) {
    fake.folderPaths[csidl::CommonAppData] = "C:\\ProgramData\\";
    fake.folderPaths[csidl::Personal] = "C:\\Users\\Ann\\Documents\0junk"s;
    EXPECT_EQ(SYS_GetFolderPath(csidl::CommonAppData), "C:\\ProgramData");
    EXPECT_EQ(SYS_GetFolderPath(csidl::Personal), "C:\\Users\\Ann\\Documents");
    EXPECT_EQ(SYS_GetFolderPath(csidl::CommonDocuments), "");
}

TEST_F(FoldersFixture, SpecialFolderIsAsTheSystemGivesIt) {
    fake.specialFolders[csidl::ProgramFilesX86] = "C:\\Program Files (x86)\\";
    EXPECT_EQ(SYS_GetSpecialFolder(csidl::ProgramFilesX86), "C:\\Program Files (x86)\\");
    EXPECT_EQ(SYS_GetSpecialFolder(csidl::SystemX86), "");
    fake.sysDir = "C:\\WINNT\\system32";
    EXPECT_EQ(SYS_GetSystemDir(), "C:\\WINNT\\system32");
}

namespace {

struct DiscoveryCase {
    const char* name;
    long major;
    std::map<int, std::string> special;
    std::map<int, std::string> folderPaths;
    const char* programFiles;
    const char* systemDir;
    const char* dbPath;
};

class Discovery : public FoldersFixture, public ::testing::WithParamInterface<DiscoveryCase> {};

}  // namespace

TEST_P(Discovery, FallbacksInOrder) {
    const DiscoveryCase& c = GetParam();
    fake.specialFolders = c.special;
    fake.folderPaths = c.folderPaths;
    fake.sysDir = "C:\\windows\\system32";
    discoverFolders(c.major);
    EXPECT_EQ(sys().gsProgramFiles, c.programFiles);
    EXPECT_EQ(sys().gsSystemDir, c.systemDir);
    EXPECT_EQ(sys().gsDBPath, c.dbPath);
    EXPECT_EQ(sys().gsInstallPath, std::string(c.programFiles) + "\\Tessary Contact Management");
    if (c.major < 6) {
        for (const auto& call : fake.callsNamed("specialFolderPath")) {
            EXPECT_NE(call.args[0], "42");
            EXPECT_NE(call.args[0], "41");
        }
    }
    EXPECT_TRUE(fake.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Discovery,
    ::testing::Values(
        DiscoveryCase{"Windows7",
                      6,
                      {{42, "C:\\Program Files (x86)"}, {41, "C:\\windows\\SysWOW64"}, {38, "C:\\Program Files"}},
                      {{35, "C:\\ProgramData"}},
                      "C:\\Program Files (x86)",
                      "C:\\windows\\SysWOW64",
                      "C:\\ProgramData\\Tessary Data"},
        DiscoveryCase{"WindowsXPUsesThePlainFolders",
                      5,
                      {{42, "C:\\Program Files (x86)"}, {41, "C:\\windows\\SysWOW64"}, {38, "C:\\Program Files"},
                       {35, "C:\\Documents and Settings\\All Users\\Application Data"}},
                      {},
                      "C:\\Program Files",
                      "C:\\windows\\system32",
                      "C:\\Documents and Settings\\All Users\\Application Data\\Tessary Data"},
        DiscoveryCase{"NothingKnown",
                      6,
                      {},
                      {},
                      "C:\\Program Files (x86)",
                      "C:\\windows\\system32",
                      "C:\\ProgramData\\Tessary Data"},
        DiscoveryCase{"CommonDocumentsLast",
                      10,
                      {{38, "D:\\Apps"}},
                      {{46, "C:\\Users\\Public\\Documents\\"}},
                      "D:\\Apps",
                      "C:\\windows\\system32",
                      "C:\\Users\\Public\\Documents\\Tessary Data"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FoldersFixture, DiscoveryReportsEachFailingLookupAndGoesOn) {
    fake.fault = [](const std::string& n) {
        return n == "specialFolderPath" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    fake.folderPaths[35] = "C:\\ProgramData";
    discoverFolders(6);
    EXPECT_EQ(sys().gsProgramFiles, "C:\\Program Files (x86)");
    EXPECT_EQ(sys().gsSystemDir, "C:\\windows\\system32");
    EXPECT_EQ(sys().gsDBPath, "C:\\ProgramData\\Tessary Data");
    auto texts = fake.messages();
    ASSERT_EQ(texts.size(), 3u);  // 42, 41 and 38
    for (const auto& t : texts) EXPECT_EQ(t, "errHdl_Main: Injected fault in specialFolderPath (5)");
}

TEST_F(FoldersFixture, InstallPathPrefersTheSavedFolderExactly) {
    sys().gsProgramFiles = "C:\\Program Files (x86)";
    save("AppPath", "D:\\Apps\\TSY\\");
    EXPECT_EQ(SYS_GetInstallPath(), "D:\\Apps\\TSY\\");
    auto asked = fake.callsNamed("getSetting");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].args, (std::vector<std::string>{"TSYPRO_3", "StartUp", "AppPath"}));
}

TEST_F(FoldersFixture, InstallPathDefaults) {
    sys().gsProgramFiles = "C:\\Program Files (x86)";
    EXPECT_EQ(SYS_GetInstallPath(), "C:\\Program Files (x86)\\Tessary Contact Management");

    fake.addFolder("C:\\Program Files (x86)\\tessary contact management 3.0");
    EXPECT_EQ(SYS_GetInstallPath(), "C:\\Program Files (x86)\\Tessary Contact Management 3.0");

    configureEdition("TSYLITE");
    EXPECT_EQ(SYS_GetInstallPath(), "C:\\Program Files (x86)\\Tessary Contact Management Lite");
}

TEST_F(FoldersFixture, InstallPathErrorsShowOnlyInDebug) {
    sys().gsProgramFiles = "C:\\PF";
    fake.fault = [](const std::string& n) {
        return n == "getSetting" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    EXPECT_EQ(SYS_GetInstallPath(), "C:\\PF\\Tessary Contact Management");
    EXPECT_TRUE(fake.messages().empty());
    sys().gbDebug = true;
    EXPECT_EQ(SYS_GetDBInstallPath(), "\\Tessary Data");
    ASSERT_EQ(fake.messages().size(), 1u);
    EXPECT_EQ(fake.messages()[0], "errHdl_SYS_GetDBInstallPathInjected fault in getSetting (5)");
}

namespace {

struct DBCase {
    const char* saved;
    const char* programFiles;
    const char* base;
    const char* result;
};

class DBInstallPath : public FoldersFixture, public ::testing::WithParamInterface<DBCase> {};

}  // namespace

TEST_P(DBInstallPath, SavedOrDefault) {
    const DBCase& c = GetParam();
    if (*c.saved) save("DBPath", c.saved);
    sys().gsProgramFiles = c.programFiles;
    sys().gsDBPath = c.base;
    EXPECT_EQ(SYS_GetDBInstallPath(), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DBInstallPath,
    ::testing::Values(
        DBCase{"C:\\Data\\Tessary Data\\MainDB\\", "C:\\Program Files (x86)", "C:\\ProgramData",
               "C:\\Data\\Tessary Data"},
        DBCase{"MainDB", "C:\\Program Files (x86)", "C:\\ProgramData", "MainDB"},
        DBCase{"c:\\PROGRAM FILES (X86)\\Tessary\\MainDB\\", "C:\\Program Files (x86)",
               "C:\\ProgramData", "C:\\ProgramData\\Tessary Data"},
        DBCase{"", "C:\\Program Files (x86)", "C:\\ProgramData", "C:\\ProgramData\\Tessary Data"},
        DBCase{"", "C:\\Program Files (x86)", "C:\\ProgramData\\", "C:\\ProgramData\\Tessary Data"},
        DBCase{"", "C:\\Program Files (x86)", "D:/shared/data", "D:/shared/data/Tessary Data"},
        // An unknown Program Files folder contains nothing, so the saved folder stands.
        DBCase{"E:\\Tessary Data\\MainDB\\", "", "C:\\ProgramData", "E:\\Tessary Data"}));
