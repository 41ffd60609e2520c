// The folders panel: browsing, the folder-name check, the folder check with its two error
// lines, and how Finish takes the folders over.
#include "wizard_fixture.h"

namespace tsy::test {
namespace {

const std::string kBrowseProgram =
    "Tessary Contact Management 3.3\r\rSelect folder for Program Files Installation:";
const std::string kBrowseDB =
    "Tessary Contact Management 3.3\r\rSelect folder for Database Installation:  (Note: Will "
    "create 'Tessary Data' in the directory you select)";

class WizardFolders : public WizardTest {
public:
    // On the folders panel of a Custom install, both rows ticked.
    void onFolders() {
        open();
        form->setWindowHandle(0x1234);
        click(form->cmdOpt(2));
        ASSERT_EQ(shownPanel(), 7);
        fake.clearCalls();
    }
};

TEST_F(WizardFolders, BrowsingFillsTheRow) {
    struct Row {
        int row;
        const char* picked;
        const char* text;  // the box afterwards
    };
    const Row rows[] = {
        {1, "D:\\Apps", "D:\\Apps"},
        {2, "D:\\Data", "D:\\Data\\Tessary Data"},
        {2, "D:\\x\\tessary DATA", "D:\\x\\tessary DATA"},
        {2, "C:\\", "C:\\\\Tessary Data"},
        {2, "D:/Data", "D:/Data/Tessary Data"},
        {1, "", kWizardProgramFolder.c_str()},  // cancelled: nothing changes
        {2, "", kWizardDBFolder.c_str()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.picked);
        onFolders();
        fake.browseAnswers.push_back(r.picked);
        click(form->cmdPath(r.row));
        EXPECT_EQ(form->txPath(r.row).text(), r.text);
        const auto calls = fake.callsNamed("browseForFolder");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].args, (std::vector<std::string>{"4660", r.row == 1 ? kBrowseProgram : kBrowseDB,
                                                           "323", "-1"}));
        EXPECT_EQ(form->txPath(r.row).foreColor(), colour::WindowText);
    }
}

TEST_F(WizardFolders, BrowseFolderDefaultsItsPromptAndSurvivesErrors) {
    onFolders();
    std::string prompt;
    fake.browseAnswers.push_back("E:\\Prog");
    EXPECT_EQ(form->BrowseFolder(prompt, true), "E:\\Prog");
    EXPECT_EQ(prompt, "Select Installation Folder:");
    EXPECT_EQ(fake.callsNamed("browseForFolder")[0].args[3], "38");

    fake.fault = [](const std::string& n) {
        return n == "browseForFolder" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    EXPECT_EQ(form->BrowseFolder(prompt, false), "");
    EXPECT_TRUE(fake.messages().empty());
    sys().gbDebug = true;
    EXPECT_EQ(form->BrowseFolder(prompt, false), "");
    ASSERT_EQ(fake.messages().size(), 1u);
    EXPECT_EQ(fake.messages()[0].rfind("errHdl_BrowseFolder: ", 0), 0u);
}

TEST(WizardStrCheck, JudgesTheLastFolderName) {
    struct Row {
        const char* path;
        bool ok;
        const char* offending;  // nullptr: rejected without a message
    };
    const Row rows[] = {
        {"C:\\Program Files\\Tessary 3.3", true, nullptr},
        {"C:\\Apps\\my-app_é", true, nullptr},
        {"C:\\Bad|Parent\\Fine", true, nullptr},  // only the last name is examined
        {"C:\\", false, ":"},
        {"C:\\Apps\\a\tb", false, "\t"},
        {"C:\\Apps\\a|b", false, "|"},
        {"C:\\Apps\\what?", false, "?"},
        {"D:/Data/x\"y", false, "\""},
        {"\\", false, nullptr},
        {"a\\", false, nullptr},
        {"", false, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        OsScope s;
        configureEdition("TSYPRO_3");
        const bool loud = false;
        EXPECT_EQ(SYS_StrCheck(r.path, loud), r.ok);
        std::vector<std::string> expected;
        if (r.offending)
            expected.push_back(std::string("Sorry, certain characters like '  ") + r.offending +
                               "  ' are not allowed\r / \\ : * ? \" < > | are not allowed in "
                               "Windows Folder Names\r\rPlease enter a valid folder name\r\r");
        EXPECT_EQ(s.fake.messages(), expected);
        if (r.offending) {
            EXPECT_EQ(s.fake.callsNamed("msgBox")[0].args[1], "64");
        }
        s.fake.clearCalls();
        const bool quiet = true;
        EXPECT_EQ(SYS_StrCheck(r.path, quiet), r.ok);
        EXPECT_TRUE(s.fake.messages().empty());
    }
}

TEST_F(WizardFolders, CheckMarksBadRowsAndExplainsOnce) {
    struct Row {
        const char* name;
        int program;          // ckInstall(1)
        const char* programText;
        int db;               // ckInstall(2)
        const char* dbText;
        bool ok;
        const char* lbErr;    // nullptr: hidden
        bool programRed;
        bool dbRed;
        std::size_t messages;
    };
    const Row rows[] = {
        {"both good", 1, "C:\\Program Files\\T", 1, "C:\\ProgramData\\Tessary Data", true, nullptr, false, false, 0},
        {"both empty", 1, "", 1, "", false, "ERROR: Please enter a valid path", true, true, 0},
        {"program empty, database good", 1, "", 1, "C:\\ProgramData\\Tessary Data", false,
         "Path entered is invalid, please correct", true, false, 0},
        {"bad program, database empty", 1, "C:\\Program Files\\a:b", 1, "", false,
         "ERROR: Please enter a valid path", true, true, 1},
        {"both bad names: one message", 1, "C:\\Program Files\\a*b", 1, "C:\\ProgramData\\c?d", false,
         "Path entered is invalid, please correct", true, true, 1},
        {"database bad after good program", 1, "C:\\Program Files\\T", 1, "C:\\ProgramData\\c<d", false,
         "Path entered is invalid, please correct", false, true, 1},
        {"missing parent", 1, "C:\\Nowhere\\Deep\\T", 0, "", false,
         "Path entered is invalid, please correct", true, false, 0},
        {"program drive root", 1, "C:\\", 0, "", false, "Path entered is invalid, please correct", true, false, 1},
        {"unticked rows are not checked", 0, "C:\\x|y", 1, "C:\\ProgramData\\Tessary Data", true, nullptr, false, false, 0},
        {"grayed row is checked", 2, "", 0, "", false, "ERROR: Please enter a valid path", true, false, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        onFolders();
        form->ckInstall(1).setValue(r.program);
        form->ckInstall(2).setValue(r.db);
        form->txPath(1).setText(r.programText);
        form->txPath(2).setText(r.dbText);
        EXPECT_EQ(form->Check_Paths(), r.ok);
        EXPECT_EQ(form->lbErr.visible(), r.lbErr != nullptr);
        if (r.lbErr) {
            EXPECT_EQ(form->lbErr.caption(), r.lbErr);
        }
        EXPECT_EQ(form->lbWarning.visible(), r.ok);
        EXPECT_EQ(form->txPath(1).foreColor(), r.programRed ? colour::Red : colour::WindowText);
        EXPECT_EQ(form->txPath(2).foreColor(), r.dbRed ? colour::Red : colour::WindowText);
        EXPECT_EQ(fake.messages().size(), r.messages);
    }
}

TEST_F(WizardFolders, NextWithABadFolderStaysAndBackKeepsTheErrorLine) {
    onFolders();
    form->userEditText(form->txPath(1), "C:\\Nowhere\\Deep\\T");
    observer.events.clear();
    next();
    EXPECT_EQ(shownPanel(), 7);
    EXPECT_EQ(form->miPanelPos, 1);
    EXPECT_EQ(banner(), "error");
    EXPECT_EQ(buttons(), "back:on next:on,shown finish:off,hidden cancel:on front:next default:next focus:cmdNext");
    // Finish on the same panel is refused the same way, before the engine.
    form->cmdFinish_Click();
    EXPECT_TRUE(engineCalls.empty());
    back();
    EXPECT_EQ(shownPanel(), 0);
    EXPECT_EQ(banner(), "notice+error");  // Back never validates and leaves the error line
    EXPECT_EQ(form->txPath(1).text(), "C:\\Nowhere\\Deep\\T");
}

TEST_F(WizardFolders, NextCreatesAMissingFolderOneLevelDeep) {
    onFolders();
    form->userEditText(form->txPath(1), "C:\\Program Files\\New");
    next();
    EXPECT_EQ(shownPanel(), 2);
    EXPECT_TRUE(fake.exists("C:\\Program Files\\New"));
    EXPECT_TRUE(fake.exists(kWizardDBFolder));
    EXPECT_EQ(banner(), "notice");
}

TEST_F(WizardFolders, CheckOffTheFoldersPanelPasses) {
    open();
    form->ckInstall(1).setValue(1);
    form->txPath(1).setText("");
    EXPECT_TRUE(form->Check_Paths());
    EXPECT_TRUE(fake.messages().empty());
}

TEST_F(WizardFolders, CheckErrorIsReportedInDebugModeWithTheText) {
    onFolders();
    sys().gbDebug = true;
    int boxes = 0;
    fake.fault = [&boxes](const std::string& n) {
        return n == "msgBox" && ++boxes == 1 ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    form->userEditText(form->txPath(1), "C:\\Program Files\\a|b");
    // The folder-name message fails; the row counts as failed all the same, and the error is
    // reported with the text being checked.
    EXPECT_FALSE(form->Check_Paths());
    EXPECT_EQ(form->txPath(1).foreColor(), colour::Red);
    const auto texts = fake.messages();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1],
              "errHdl_Check_Paths: Injected fault in msgBox (5)\rC:\\Program Files\\a|b");
    fake.fault = nullptr;
}

// ------------------------------------------------------------------ Finish and the folders

TEST_F(WizardFolders, FinishTakesOverEditedFoldersAndKeepsEmptiedOnes) {
    onFolders();
    form->userEditText(form->txPath(1), "C:\\Program Files\\Other");
    form->ckInstall(1).setValue(0);  // its text stays, unchecked
    form->ckInstall(1).setValue(1);
    next();
    form->txPath(2).setText("");
    finish();
    EXPECT_EQ(sys().gsInstallPath, "C:\\Program Files\\Other");
    EXPECT_EQ(sys().gsDBPath, kWizardDBFolder);
    EXPECT_EQ(ends([&] { finish(); }), 0);
    EXPECT_EQ(launches(), std::vector<std::string>{"C:\\Program Files\\Other\\tsy3.exe|"});
}

TEST_F(WizardFolders, FoldersReplaceTheGlobalsInEveryTask) {
    open("TSYPRO_3", false, true, true);
    form->txPath(1).setText("E:\\P");
    form->txPath(2).setText("");
    click(form->cmdOpt(5));
    finish();
    EXPECT_EQ(sys().gsInstallPath, "E:\\P");
    EXPECT_EQ(sys().gsDBPath, kWizardDBFolder);
}

TEST_F(WizardFolders, LaunchJoinsWithTheFoldersOwnSeparator) {
    configure("TSYPRO_3", false, false, false);
    sys().gsInstallPath = "D:/Apps";
    load();
    click(form->cmdOpt(0));
    finish();
    EXPECT_EQ(ends([&] { finish(); }), 0);
    EXPECT_EQ(launches(), std::vector<std::string>{"D:/Apps/tsy3.exe|"});
}

TEST_F(WizardFolders, LaunchBoxClearedStartsNothing) {
    open();
    click(form->cmdOpt(0));
    finish();
    click(form->ckOpt(1));
    EXPECT_EQ(ends([&] { finish(); }), 0);
    EXPECT_TRUE(launches().empty());
}

TEST_F(WizardFolders, DatabaseOnlyFinishOnTheFoldersPanelJumpsToCompletion) {
    onFolders();
    click(form->ckInstall(1));
    finish();
    ASSERT_EQ(engineCalls.size(), 1u);
    EXPECT_EQ(engineCalls[0], (EngineRequest{false, true, false, false, false}));
    EXPECT_FALSE(form->frWiz(7).visible());
    EXPECT_EQ(form->frWiz(7).left(), -10000);
    EXPECT_EQ(form->miPanelPos, 3);
    EXPECT_EQ(shownPanel(), 5);
}

}  // namespace
}  // namespace tsy::test
