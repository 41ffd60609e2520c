#include <gtest/gtest.h>

#include "platform/runtime_error.h"
#include "services/system.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

using namespace tsy;
using tsy::test::FakeOs;
using tsy::test::OsScope;

namespace {

struct FilesFixture : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override { configureEdition("TSYPRO_3"); }
};

}  // namespace

TEST_F(FilesFixture, DirExistsSeesFoldersAndFilesOfAnyAttribute) {
    fake.addFolder("C:\\Kit\\Package");
    fake.addFile("C:\\Kit\\tsy3p.msi");
    fake.addFile("C:\\Kit\\hidden.msi");
    fake.markHidden("C:\\Kit\\hidden.msi");
    fake.addFolder("C:\\Sys");
    fake.markSystem("C:\\Sys");
    EXPECT_TRUE(SYS_DirExists("C:\\Kit\\Package", false));
    EXPECT_TRUE(SYS_DirExists("c:\\KIT\\package", false));
    EXPECT_TRUE(SYS_DirExists("C:\\Kit\\tsy3p.msi", false));
    EXPECT_TRUE(SYS_DirExists("C:\\Kit\\hidden.msi", false));
    EXPECT_TRUE(SYS_DirExists("C:\\Sys", false));
    EXPECT_FALSE(SYS_DirExists("C:\\Kit\\Nothing", false));
    EXPECT_TRUE(fake.callsNamed("createFolder").empty());
    for (const auto& c : fake.callsNamed("dirFirst")) EXPECT_EQ(c.args[1], "23");
}

TEST_F(FilesFixture, DirExistsOnAnEmptyPathTouchesNothing) {
    EXPECT_FALSE(SYS_DirExists("", true));
    EXPECT_TRUE(fake.calls.empty());
}

TEST_F(FilesFixture, DirExistsCreatesOneLevelOnly) {
    fake.addFolder("C:\\Data");
    EXPECT_TRUE(SYS_DirExists("C:\\Data\\New", true));
    EXPECT_TRUE(fake.exists("C:\\Data\\New"));
    EXPECT_FALSE(SYS_DirExists("C:\\Data\\A\\B", true));
    EXPECT_FALSE(fake.exists("C:\\Data\\A"));
}

TEST_F(FilesFixture, DirExistsTurnsErrorsIntoFalse) {
    fake.addFolder("C:\\Data");
    fake.fault = [](const std::string& n) {
        return n == "dirFirst" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    EXPECT_FALSE(SYS_DirExists("C:\\Data", true));
    EXPECT_TRUE(fake.messages().empty());
}

namespace {

struct FileCheckCase {
    const char* name;
    const char* onDisk;  // file to create first, or nullptr
    bool hidden;
    const char* file;
    const char* folder;
    bool bCreate;
    bool bQuiet;
    bool present;
    bool message;       // the "File Create Error" box is shown
    const char* asked;  // the name the listing is asked for, or nullptr when not asked
};

class FileCheck : public FilesFixture, public ::testing::WithParamInterface<FileCheckCase> {};

}  // namespace

TEST_P(FileCheck, Cases) {
    const FileCheckCase& c = GetParam();
    fake.addFolder("C:\\Kit");
    if (c.onDisk) fake.addFile(c.onDisk);
    if (c.onDisk && c.hidden) fake.markHidden(c.onDisk);

    EXPECT_EQ(SYS_File_FileCheck(c.file, c.folder, c.bCreate, c.bQuiet), c.present);

    auto boxes = fake.callsNamed("msgBox");
    if (c.message) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].args[0],
                  std::string("FILE: ") + c.file + "\rPATH: " + c.folder +
                      "\r\rWindows was unable to create this file:\rPlease ensure you have "
                      "permission to write to this drive and that there is available space.\r");
        EXPECT_EQ(boxes[0].args[1], std::to_string(mb::OkOnly | mb::Critical));
        EXPECT_EQ(boxes[0].args[2], "File Create Error");
    } else {
        EXPECT_TRUE(boxes.empty());
    }
    bool asked = false;
    for (const auto& call : fake.callsNamed("dirFirst")) {
        if (call.args[1] == "0") {
            asked = true;
            EXPECT_EQ(call.args[0], c.asked);
        }
    }
    EXPECT_EQ(asked, c.asked != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileCheck,
    ::testing::Values(
        FileCheckCase{"Present", "C:\\Kit\\tsy3p.msi", false, "tsy3p.msi", "C:\\Kit", false, true,
                      true, false, "C:\\Kit\\tsy3p.msi"},
        FileCheckCase{"CapitalsOnDisk", "C:\\Kit\\TSY3P.MSI", false, "tsy3p.msi", "C:\\Kit",
                      false, true, true, false, "C:\\Kit\\tsy3p.msi"},
        FileCheckCase{"HiddenCountsAsAbsent", "C:\\Kit\\tsy3p.msi", true, "tsy3p.msi", "C:\\Kit",
                      false, true, false, false, "C:\\Kit\\tsy3p.msi"},
        FileCheckCase{"TrailingSeparatorIsDoubled", "C:\\Kit\\tsy3p.msi", false, "tsy3p.msi",
                      "C:\\Kit\\", false, true, true, false, "C:\\Kit\\\\tsy3p.msi"},
        FileCheckCase{"ForwardSlashFolder", "C:\\Kit\\tsy3p.msi", false, "tsy3p.msi", "C:/Kit",
                      false, true, true, false, "C:/Kit/tsy3p.msi"},
        FileCheckCase{"WildcardIsNotAName", "C:\\Kit\\tsy3p.msi", false, "*.msi", "C:\\Kit",
                      false, true, false, false, "C:\\Kit\\*.msi"},
        FileCheckCase{"MissingFolderIsSilent", nullptr, false, "tsy3p.msi", "C:\\Nowhere", false,
                      false, false, false, nullptr},
        FileCheckCase{"AbsentLoud", nullptr, false, "tsy3p.msi", "C:\\Kit", false, false, false,
                      true, "C:\\Kit\\tsy3p.msi"},
        FileCheckCase{"AbsentQuiet", nullptr, false, "tsy3p.msi", "C:\\Kit", false, true, false,
                      false, "C:\\Kit\\tsy3p.msi"},
        FileCheckCase{"CreatedWithItsFolder", nullptr, false, "log.txt", "C:\\Kit\\Logs", true,
                      false, true, false, "C:\\Kit\\Logs\\log.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FilesFixture, FileCheckErrorsShowOnlyInDebugWhenNotQuietAndGoOn) {
    fake.addFolder("C:\\Kit");
    fake.fault = [](const std::string& n) {
        return n == "createEmptyFile" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    EXPECT_FALSE(SYS_File_FileCheck("x.txt", "C:\\Kit", true, false));
    ASSERT_EQ(fake.messages().size(), 1u) << "outside debug only the file message";

    fake.clearCalls();
    sys().gbDebug = true;
    EXPECT_FALSE(SYS_File_FileCheck("x.txt", "C:\\Kit", true, false));
    auto texts = fake.messages();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "errHdl_SYS_File_FileCheck: Injected fault in createEmptyFile (5)");
    EXPECT_EQ(texts[1].rfind("FILE: x.txt", 0), 0u);

    fake.clearCalls();
    EXPECT_FALSE(SYS_File_FileCheck("x.txt", "C:\\Kit", true, true));
    EXPECT_TRUE(fake.messages().empty());
}
