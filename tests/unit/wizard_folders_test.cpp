// The folders panel: the folder check on the way out, the folder-name rule, browsing.
#include "wizard_fixture.h"

namespace tsy::wiztest {
namespace {

const Flow kFolderChecks[] = {
    // Both rows named badly: both red, but only the first explained.
    {"pro", "custom tx1=C:\\Apps\\a|b tx2=C:\\ProgramData\\c?d next", "0 7 7 7 7!12", "",
     "Sorry, certain characters like '  |  '"},
    {"pro", "custom tx1=C:\\Apps\\a:b tx2= next", "0 7 7 7 7?12", "", "Sorry, certain characters like '  :  '"},
    {"pro", "custom tx1= tx2= next", "0 7 7 7 7?12", ""},
    // The error line follows the last row read, not the row that failed.
    {"pro", "custom tx1= next", "0 7 7 7!1", ""},
    // A folder whose parent is missing fails quietly; Back does not check and keeps the marks
    // until a check passes.
    {"pro", "custom tx1=C:\\Nowhere\\T next back custom tx1=D:\\Apps next", "0 7 7 7!1 0!n1 7!n1 7!n1 2", ""},
    {"pro", "custom in1 tx2=C:\\Nowhere\\T finish", "0 7 7 7 7!2", ""},
    // An unticked row is not checked; its text still becomes the folder, unless it is empty.
    {"pro", "custom tx2=C:\\x|y in2 next finish", "0 7 7 7 2 5", "program+email db=C:\\x|y"},
    {"pro", "custom tx2= in2 next finish", "0 7 7 7 2 5", "program+email"},
    // A row's text can be edited only while the row is ticked.
    {"pro", "custom in1 tx1=C:\\x|y in1 next", "0 7 7 7 7 2", ""},
    {"pro", "network tx1=C:\\x|y tx2=C:\\x|y in2 in1 finish", "0 7 7 7 7 7 5",
     "db prog=C:\\x|y"},
};

INSTANTIATE_TEST_SUITE_P(Folders, WizardFlow, ::testing::ValuesIn(kFolderChecks));

// Only the last name is judged: any character but these, and a name there at all; a bad character is named.
TEST(WizardStrCheck, OnlyTheLastNameIsJudgedAndABadCharacterIsNamed) {
    for (const std::string bad : {":", "?", "|", "*", "<", ">", "\"", "/", "\t", "\n", "\r", "", "-"}) {
        OsScope os;
        configureEdition("TSYPRO_3");
        const std::string path = bad == "-" ? "C:\\Bad|Parent\\my app.v2-レポート" : bad.empty() ? "a\\" : "C:\\A\\a" + bad + "b";
        EXPECT_EQ(SYS_StrCheck(path, false), bad == "-") << path;
        const std::string named = bad.size() == 1 && bad != "-" ? "Sorry, certain characters like '  " + bad + "  '" : "";
        EXPECT_EQ(said(os.fake, named), named) << path;
    }
}

TEST_F(WizardTest, BrowsingFillsTheRowAndTheDatabaseGetsItsFolder) {
    struct Row { int row; const char* picked; std::string text; };
    for (const Row& r : {Row{1, "D:\\Apps", "D:\\Apps"}, Row{2, "D:\\Data", "D:\\Data\\Tessary Data"},
                         Row{2, "D:\\x\\tessary DATA", "D:\\x\\tessary DATA"}, Row{2, "D:/Data", "D:/Data/Tessary Data"},
                         Row{2, "C:\\", "C:\\\\Tessary Data"}, Row{2, "", kDataFolder}}) {
        SCOPED_TRACE(r.picked);
        open("pro");
        walk("custom");
        fake.browseAnswers.push_back(r.picked);
        form->userClick(form->cmdPath(r.row));
        EXPECT_EQ(form->txPath(r.row).text(), r.text);
    }
}

}  // namespace
}  // namespace tsy::wiztest
