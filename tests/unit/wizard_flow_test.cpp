// Every task of the wizard walked by keys and clicks: the panels seen, the request handed to
// the engine, the messages, the completion text, the program started at the end and the exit
// code.
#include <cstring>

#include "wizard_fixture.h"

namespace tsy::wiztest {
namespace {

const std::string kTsy3 = kProgramFolder + "\\tsy3.exe";

TEST_P(WizardFlow, KeysInPanelsRequestAndExitCodeOut) {
    const Flow& f = GetParam();
    engine = f.engine;
    open(f.start);
    EXPECT_EQ(walk(f.keys), f.path);
    EXPECT_EQ(joined(requests), f.request);
    EXPECT_EQ(said(fake, f.said), f.said);
    std::vector<std::string> launched;
    for (const Call& c : fake.callsNamed("shellExecute")) launched.push_back(c.args[1] + c.args[2]);
    EXPECT_EQ(joined(launched), f.launch);
    const std::string& text = form->lbOpt(10).caption();
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), std::strlen(f.done))), f.done);
}

const Flow kFlows[] = {
    // Installation, nothing installed yet: the keyboard alone gets through.
    {"pro", "space space space", "0 2 5 x0", "program+db+email", "", kTsy3,
     "\rTessary Contact Management Professional 3.3.0 has been successfully installed."},
    {"pro", "network space enter enter", "0 7 2 5 x0", "program+email", "", kTsy3},
    {"pro", "network in1 in2 enter enter", "0 7 7 7 5 x0", "db", "", kTsy3},
    {"pro", "custom next back back single finish finish", "0 7 2 7 0 2 5 x0", "program+db+email", "", kTsy3},
    {"pro", "custom tx1=D:/Apps/New next finish finish", "0 7 7 2 5 x0",
     "program+db+email prog=D:/Apps/New", "", "D:/Apps/New/tsy3.exe"},
    {"pro:D", "custom in2 next finish finish", "0 7 7 2 5 x0", "program+email", "", kTsy3},
    {"lite", "single finish close", "0 2 5 x0", "program+db+email", "", "",
     "Lite 3.3.0 has been successfully installed."},
    // Menus offer only their buttons; the completion panel only Finish.
    {"pro", "next back finish enter single back close", "0 0 0 0 0 2 0 x1602", ""},
    {"pro", "single finish esc back next close", "0 2 5 5 5 5 x0", "program+db+email"},
    {"pro", "custom esc", "0 7 x1602", ""},
    {"pro", "single finish ck1 finish", "0 2 5 5 x0", "program+db+email"},
    {"pro", "single finish gray1 finish", "0 2 5 5 x0", "program+db+email"},
    {"pro", "single finish !shellExecute finish", "0 2 5 5 x0", "program+db+email",
     "errHdl_cmdFinish_Click: Injected fault in shellExecute (5)", kTsy3},
    {"pro", "single enter", "0 2 x1603", "program+db+email", "", "", "", 0},
    {"pro", "single finish finish", "0 2 5 x3010", "program+db+email", "", kTsy3, "", 3},
    {"pro", "single enter", "0 2 x1603", "program+db+email", "", "", "", 2},
    // A tester's "Cancel install?", or another installation holding Windows Installer, closes it with its own code.
    {"pro", "single enter", "0 2 x1602", "program+db+email", "", "", "", 4},
    {"pro", "single enter", "0 2 x1618", "program+db+email", "", "", "", 5},
    {"pro", "single finish finish", "0 2 5 x1641", "program+db+email", "", kTsy3, "", 6},
    // The Outlook box cleared: the e-mail interface is not registered.
    {"pro", "single ck0 finish finish", "0 2 2 5 x0", "program+db", "", kTsy3},
    // Maintenance, the program installed.
    {"pro:PD", "repair enter ck0 enter enter", "6 4 2 2 5 x0", "program+repair"},
    {"pro:PD", "space space enter enter", "6 4 2 5 x0", "program+email+repair", "", "",
     "Professional 3.3.0 has been repaired."},
    {"pro:PD", "repair ck4 enter ck5 enter enter", "6 4 4 4 4 5 x0", "db+repair"},
    {"pro:PD", "configure enter", "6 2 x0", "email"},
    {"pro:P", "configure ck0 finish enter ck0 enter", "6 2 2 2 2 2 x0", "email"},
    {"pro:PD", "remove space enter", "6 3 5 x0", "program+remove", "", "",
     "Professional 3.3.0 has been removed from your computer."},
    {"pro:PD", "remove ck2 finish enter ck3 back remove enter enter", "6 3 3 3 3 3 6 3 5 x0", "db+remove"},
    // Update mode: the database counts as not installed.
    {"pro:U", "custom next finish finish", "0 7 2 5 x0", "program+db+email", "", kTsy3,
     "\rUpdate to Tessary Contact Management Professional 3.3.0 has been successfully completed."},
    {"pro:U", "network next finish finish", "0 7 2 5 x0", "program+email", "", kTsy3},
    // A second Custom changes no box, so only its own preset, the program alone, remains.
    {"pro:U", "custom back custom next finish", "0 7 0 7 2 5", "program+email"},
    {"pro:U", "custom back single finish finish", "0 7 0 2 5 x0", "program+db+email", "", kTsy3},
    {"pro:UPD", "remove ck3 finish finish", "6 3 3 5 x0", "program+remove"},
    {"pro:U", "installed network opt2 opt1 next finish finish", "0 0 1 1 1 2 5 x0", "program+email", "", kTsy3},
    {"pro:U", "installedP network next finish finish", "0 0 7 2 5 x0", "program+email", "", kTsy3},
    // The edition without the Outlook interface and the single-user install.
    {"rtf3", "single space enter enter enter", "0 0 7 2 5 x0", "program", "",
     kProgramFolder + "\\TSY3_RTF.exe"},
    {"rtf3:PD", "configure ck0 finish back configure !msgBox finish esc", "6 2 2 2 6 2 2 2 x1602", "",
     "Nothing selected to install or update // errHdl_cmdFinish_Click: Injected fault in msgBox (5)"},
    {"rtf3:PD", "repair ck4 ck5 finish remove", "6 4 4 4 4 4", ""},
};

INSTANTIATE_TEST_SUITE_P(Tasks, WizardFlow, ::testing::ValuesIn(kFlows));

// What the window shows at once, by mode, edition and installed packages: the first panel, then whether the menu's
// Single User and the uninstall and repair boxes are offered ("-" not, else their value); the mode in the captions.
TEST_F(WizardTest, LoadShowsModeAndEdition) {
    struct Row { const char *start, *version, *offers; };
    for (const Row& r : {Row{"pro", "Professional 3.3", "0 0---0"}, Row{"lite", "Lite 3.3", "0 0---0"},
                         Row{"rtf3", "Professional 3.3", "0 -----"}, Row{"rtf3:PD", "Professional 3.3", "6 01-1-"},
                         Row{"pro:D", "Professional 3.3", "0 0-1-0"}, Row{"pro:UPD", "Update to 3.3.0", "6 01-10"},
                         Row{"lite:U", "Update to 3.3.0", "0 0---0"}}) {
        SCOPED_TRACE(r.start);
        open(r.start);
        const bool update = std::strchr(r.start, 'U');
        EXPECT_EQ(form->window().caption(), std::string("Tessary Contact Management ") + (update ? "Update" : "Install") + " Wizard");
        EXPECT_EQ(form->lbVersion.caption(), r.version);
        EXPECT_EQ(form->lbRev.visible(), !update);
        EXPECT_EQ(form->lbProOnly().visible(), r.start[0] == 'l');
        std::string offers = std::to_string(form->currentPanel()) + " ";
        for (const Control* c : {&form->cmdOpt(0), &form->ckOpt(2), &form->ckOpt(3), &form->ckOpt(4), &form->ckOpt(5)})
            offers += c->enabled() ? std::to_string(c->value()) : "-";
        EXPECT_EQ(offers, r.offers);
        int updateCaptions = 0;
        for (const Control* c : {&form->ckOpt(5), &form->frWiz(5), &form->ckInstall(1), &form->ckInstall(2),
                                 &form->optInstall(0), &form->optInstall(1), &form->optInstall(2)})
            updateCaptions += c->caption().find("Update") != std::string::npos;
        EXPECT_EQ(updateCaptions, update ? 7 : 0);
        EXPECT_EQ(form->ckOpt(5).caption().find("WARNING") != std::string::npos, !update);
    }
}


// Next or Finish, whichever is shown (N, F; lower case: shown but unusable), after each key, by panel and its boxes:
// the menus move on only by their own buttons; the folders and the install type lead on to the options unless only
// the database is chosen; the repair finishes from the database box alone; removal and configure need a box ticked.
// Then what the boxes hold when a panel is shown again (Back, then Next or the menu's button), by mode: the panel, the
// folder boxes, the Outlook box, the removal and repair boxes. A box the user changed keeps its value, except that a
// menu's task sets its own boxes anew and Configure ticks the Outlook box each time (the edition without it empties it).
TEST_F(WizardTest, ButtonsByPanelAndBoxesAndBoxesWhenAPanelIsShownAgain) {
    struct Row { const char *name, *start, *keys, *buttons = "", *boxes = ""; };  // empty: not looked at
    for (const Row& r : {Row{"folders", "pro", "custom in1 in2 in1 in2", "n N F f N N"},
                         Row{"install type", "pro:U", "installed network opt2 opt0 opt1", "n n N F N N"},
                         Row{"repair", "pro:PD", "repair ck4 ck5 ck4 ck5", "n N f F N N"},
                         Row{"remove", "pro:PD", "remove ck2 ck3 ck2 ck3", "n F f F F F"},
                         Row{"configure", "pro:PD", "configure ck0 ck0", "n F f F"},
                         Row{"install options", "pro", "single ck0 ck0 back", "n F F F n"},
                         Row{"custom again", "pro", "custom in2 next ck0 back next", "", "2 1000010"},
                         Row{"network again", "pro", "network in2 next ck0 back next", "", "2 1100010"},
                         Row{"update custom again", "pro:U", "custom in2 next ck0 back next", "", "2 1000010"},
                         Row{"single after back", "pro", "single ck0 back custom next", "", "2 1100010"},
                         Row{"configure again", "pro:PD", "configure ck0 back configure", "", "2 0011010"},
                         Row{"configure rtf3 again", "rtf3:PD", "configure back configure", "", "2 0001010"},
                         Row{"repair again", "pro:PD", "repair ck5 next ck0 back next", "", "2 0001011"},
                         Row{"remove again", "pro:PD", "remove ck3 ck2 back remove", "", "3 0010110"}}) {
        SCOPED_TRACE(r.name);
        open(r.start);
        std::string buttons;
        auto look = [&] {
            const Control& shown = form->cmdFinish.visible() ? form->cmdFinish : form->cmdNext;
            buttons += std::string(buttons.empty() ? "" : " ") + (&shown == &form->cmdFinish ? "F" : "N");
            if (!shown.enabled()) buttons.back() = static_cast<char>(std::tolower(buttons.back()));
        };
        look();
        std::istringstream keys(r.keys);
        for (std::string k; keys >> k; look()) walk(k);
        if (*r.buttons) { EXPECT_EQ(buttons, r.buttons); }
        std::string boxes = std::to_string(form->currentPanel()) + " ";
        for (const Control* c : {&form->ckInstall(1), &form->ckInstall(2), &form->ckOpt(0), &form->ckOpt(2), &form->ckOpt(3),
                                 &form->ckOpt(4), &form->ckOpt(5)})
            boxes += std::to_string(c->value());
        if (*r.boxes) { EXPECT_EQ(boxes, r.boxes); }
    }
}

}  // namespace
}  // namespace tsy::wiztest
