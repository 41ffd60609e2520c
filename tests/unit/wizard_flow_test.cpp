// Every flow of the wizard walked as a user walks it, in both modes and in every edition: the
// panel shown and the button row after each click, the banner strip, the request that reaches
// the engine, the completion text and the start of the installed program.
#include "wizard_fixture.h"

namespace tsy::test {
namespace {

constexpr const char* kMenuNext =
    "back:off next:off,shown finish:off,hidden cancel:on front:next default:none";
constexpr const char* kOnNext =
    "back:on next:on,shown finish:off,hidden cancel:on front:next default:next focus:cmdNext";
constexpr const char* kOnFinish =
    "back:on next:off,hidden finish:on,shown cancel:on front:finish default:finish focus:cmdFinish";
constexpr const char* kCompleted =
    "back:off next:off,hidden finish:on,shown cancel:off front:finish default:finish "
    "focus:cmdFinish";

struct Step {
    const char* control;  // what the user clicks
    int index;            // -1 for a single control
    int panel;            // the panel shown afterwards
    const char* buttons;  // the button row afterwards
};

struct Flow {
    const char* name;
    bool installed;       // the program package (decides the first menu)
    bool notInRtf3;       // uses a control that the "TSYPRO_RTF3" edition disables
    std::vector<Step> steps;
    EngineRequest request;  // with the Outlook interface as every edition but one offers it
    const char* suffix;     // end of the completion text; nullptr: no completion panel
    bool installTask;
};

const std::vector<Flow>& flows() {
    static const std::vector<Flow> table = {
        {"SingleUser", false, true,
         {{"cmdOpt", 0, 2, kOnFinish}, {"cmdFinish", -1, 5, kCompleted}},
         {true, true, true, false, false}, "installed", true},
        {"Network", false, false,
         {{"cmdOpt", 1, 7, kOnNext}, {"cmdNext", -1, 2, kOnFinish}, {"cmdFinish", -1, 5, kCompleted}},
         {true, false, true, false, false}, "installed", true},
        {"NetworkDatabaseOnly", false, false,
         {{"cmdOpt", 1, 7, kOnNext},
          {"ckInstall", 1, 7,
           "back:on next:off,hidden finish:off,shown cancel:on front:finish default:finish focus:none"},
          {"ckInstall", 2, 7,
           "back:on next:off,hidden finish:on,shown cancel:on front:finish default:finish focus:none"},
          {"cmdFinish", -1, 5, kCompleted}},
         {false, true, false, false, false}, "installed", true},
        {"Custom", false, false,
         {{"cmdOpt", 2, 7, kOnNext}, {"cmdNext", -1, 2, kOnFinish}, {"cmdFinish", -1, 5, kCompleted}},
         {true, true, true, false, false}, "installed", true},
        {"CustomBackAndForth", false, true,
         {{"cmdOpt", 2, 7, kOnNext}, {"cmdNext", -1, 2, kOnFinish}, {"cmdBack", -1, 7, kOnNext},
          {"cmdBack", -1, 0, nullptr}, {"cmdOpt", 0, 2, kOnFinish}, {"cmdFinish", -1, 5, kCompleted}},
         {true, true, true, false, false}, "installed", true},
        {"Repair", true, false,
         {{"cmdOpt", 3, 4, kOnNext}, {"cmdNext", -1, 2, kOnFinish}, {"cmdFinish", -1, 5, kCompleted}},
         {true, false, true, true, false}, " has been repaired.", false},
        {"RepairDatabaseOnly", true, true,
         {{"cmdOpt", 3, 4, kOnNext},
          {"ckOpt", 4, 4,
           "back:on next:off,hidden finish:off,shown cancel:on front:next default:next focus:none"},
          {"ckOpt", 5, 4,
           "back:on next:off,hidden finish:on,shown cancel:on front:finish default:finish focus:none"},
          {"cmdFinish", -1, 5, kCompleted}},
         {false, true, false, true, false}, " has been repaired.", false},
        {"Configure", true, true,
         {{"cmdOpt", 4, 2, kOnFinish}, {"cmdFinish", -1, -1, nullptr}},
         {false, false, true, false, false}, nullptr, false},
        {"Remove", true, false,
         {{"cmdOpt", 5, 3, kOnFinish}, {"cmdFinish", -1, 5, kCompleted}},
         {true, false, false, false, true}, " has been removed from your computer.", false},
    };
    return table;
}

struct Edition {
    const char* key;
    const char* word;   // in the completion text
    const char* exe;
    bool outlook;       // the configuration panel offers the Outlook interface
};

const Edition kEditions[] = {
    {"TSYPRO_3", "Professional ", "tsy3.exe", true},
    {"TSYLT_3", "Lite ", "tsy3.exe", true},
    {"TSYPRO_RTF3", "Professional ", "TSY3_RTF.exe", false},
};

using FlowParam = std::tuple<int, int, bool>;  // flow, edition, update mode

class WizardFlow : public WizardTest, public ::testing::WithParamInterface<FlowParam> {};

TEST_P(WizardFlow, WalksThePathAndHandsTheRequestToTheEngine) {
    const Flow& flow = flows()[static_cast<std::size_t>(std::get<0>(GetParam()))];
    const Edition& ed = kEditions[std::get<1>(GetParam())];
    const bool update = std::get<2>(GetParam());
    const bool rtf3 = std::string(ed.key) == "TSYPRO_RTF3";
    open(ed.key, update, flow.installed, flow.installed);
    if (flow.notInRtf3 && rtf3) {
        // The edition disables a control on this path: the same clicks never reach the engine.
        for (const Step& s : flow.steps)
            EXPECT_EQ(ends([&] { click(*form->find(s.control, s.index)); }), -1) << s.control;
        EXPECT_TRUE(engineCalls.empty());
        EXPECT_TRUE(form->visible());
        return;
    }
    ASSERT_EQ(shownPanel(), flow.installed ? 6 : 0);
    EXPECT_EQ(banner(), "notice");

    int exitCode = -1;
    for (std::size_t i = 0; i < flow.steps.size(); ++i) {
        const Step& s = flow.steps[i];
        SCOPED_TRACE(std::string("step ") + std::to_string(i) + " " + s.control);
        Control* c = form->find(s.control, s.index);
        ASSERT_NE(c, nullptr);
        exitCode = ends([&] { click(*c); });
        if (s.panel < 0) break;
        ASSERT_EQ(exitCode, -1);
        EXPECT_EQ(shownPanel(), s.panel);
        EXPECT_EQ(form->frWiz(s.panel).left(), 480);
        EXPECT_EQ(form->frWiz(s.panel).top(), 2580);
        EXPECT_EQ(banner(), s.panel == 5 ? "maker" : "notice");
        if (s.buttons) {
            EXPECT_EQ(buttons(), s.buttons);
        }
    }

    EngineRequest expected = flow.request;
    if (!ed.outlook) expected.email = false;
    ASSERT_EQ(engineCalls.size(), 1u);
    EXPECT_EQ(engineCalls[0], expected);
    EXPECT_EQ(engineSawFormVisible[0], "hidden");
    EXPECT_EQ(sys().gsInstallPath, kWizardProgramFolder);
    EXPECT_EQ(sys().gsDBPath, kWizardDBFolder);

    if (!flow.suffix) {
        // Configure has no completion panel: the window closes after the engine run.
        EXPECT_EQ(exitCode, 0);
        EXPECT_FALSE(form->visible());
        EXPECT_EQ(form->lbOpt(10).caption(), "Tessary Contact Managment installation has completed.");
        return;
    }
    std::string suffix = flow.suffix;
    if (suffix == "installed")
        suffix = update ? " has been successfully completed." : " has been successfully installed.";
    EXPECT_EQ(form->lbOpt(10).caption(), std::string("\r") + (update ? "Update to " : "") +
                                             "Tessary Contact Management " + ed.word + "3.3.0" +
                                             suffix);
    EXPECT_TRUE(form->visible());
    EXPECT_EQ(form->frWiz(5).caption(), update ? " Update Completed " : " Installation Completed ");
    EXPECT_EQ(form->ckOpt(1).visible(), flow.installTask);
    EXPECT_EQ(form->ckOpt(1).value(), flow.installTask ? 1 : 0);

    EXPECT_EQ(ends([&] { finish(); }), 0);
    std::vector<std::string> expectedLaunch;
    if (flow.installTask) expectedLaunch.push_back(kWizardProgramFolder + "\\" + ed.exe + "|");
    EXPECT_EQ(launches(), expectedLaunch);
}

std::string flowName(const ::testing::TestParamInfo<FlowParam>& info) {
    static const char* const keys[] = {"Pro", "Lite", "Rtf3"};
    return std::string(flows()[static_cast<std::size_t>(std::get<0>(info.param))].name) + "_" +
           keys[std::get<1>(info.param)] + (std::get<2>(info.param) ? "_Update" : "_Install");
}

INSTANTIATE_TEST_SUITE_P(AllFlows, WizardFlow,
                         ::testing::Combine(::testing::Range(0, 9), ::testing::Range(0, 3),
                                            ::testing::Bool()),
                         flowName);

TEST(WizardFlowTable, CoversEveryTask) {
    EXPECT_EQ(flows().size(), 9u);
}

// ---------------------------------------------------------------- the menus and their focus

TEST_F(WizardTest, MenusTakeTheFocusByEdition) {
    struct Row {
        const char* key;
        bool installed;
        int panel;
        bool singleUserEnabled;
        const char* focus;
    };
    const Row rows[] = {
        {"TSYPRO_3", false, 0, true, "cmdOpt(0)"},
        {"TSYLT_3", false, 0, true, "cmdOpt(0)"},
        {"TSYPRO_RTF3", false, 0, false, "cmdOpt(1)"},
        {"TSYPRO_3", true, 6, true, "cmdOpt(3)"},
        {"TSYPRO_RTF3", true, 6, true, "cmdOpt(3)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.key) + (r.installed ? " installed" : ""));
        open(r.key, false, r.installed, false);
        EXPECT_EQ(shownPanel(), r.panel);
        EXPECT_EQ(form->cmdOpt(0).enabled(), r.singleUserEnabled);
        EXPECT_EQ(buttons(), std::string(kMenuNext) + " focus:" + r.focus);
        if (r.panel == 0) {
            click(form->cmdOpt(0));
            EXPECT_EQ(shownPanel(), r.singleUserEnabled ? 2 : 0);
        }
    }
}

TEST_F(WizardTest, BackToTheMenuClearsTheTaskAndNextStaysUnusable) {
    open("TSYPRO_3", false, true, true);
    click(form->cmdOpt(3));
    EXPECT_TRUE(form->mbRepair);
    back();
    EXPECT_EQ(shownPanel(), 6);
    EXPECT_FALSE(form->mbRepair || form->mbInstall || form->mbConfigure || form->mbRemove);
    // The menu leaves the default alone: Enter would press the disabled Next.
    EXPECT_EQ(buttons(), "back:off next:off,shown finish:off,hidden cancel:on front:next "
                         "default:next focus:cmdOpt(3)");
    // Enter on a menu panel presses nothing: Next is disabled.
    form->userEnter();
    EXPECT_EQ(shownPanel(), 6);
    EXPECT_TRUE(engineCalls.empty());
}

TEST_F(WizardTest, BackAtPositionZeroDoesNothingAtAll) {
    open();
    form->lbWarning.setVisible(false);  // so that a banner refresh would show
    observer.events.clear();
    form->Panel_Next(true, false);
    form->Panel_Next(true, true);  // both set behave as Back
    EXPECT_EQ(form->miPanelPos, 0);
    EXPECT_TRUE(observer.events.empty());
    EXPECT_FALSE(form->lbWarning.visible());
}

TEST_F(WizardTest, ForwardPastTheLastPanelClosesTheWindow) {
    open("TSYPRO_3", false, true, true);
    form->miPanels = {6, 2};
    form->miPanelPos = 1;
    EXPECT_EQ(ends([&] { form->cmdNext_Click(); }), 1602);
    EXPECT_EQ(form->miPanelPos, 2);
}

TEST_F(WizardTest, UndefinedPanelIsReportedAndTheBannerStillSet) {
    open();
    form->miPanels = {0, 9};
    form->lbWarning.setVisible(false);
    form->cmdNext_Click();
    EXPECT_EQ(fake.messages(), std::vector<std::string>{"Panel is undefined: 9"});
    EXPECT_TRUE(form->lbWarning.visible());
}

// --------------------------------------------------------------- panel rules on the way

TEST_F(WizardTest, UninstallPanelWithNothingTickedHasFinishDisabledAndUnfocused) {
    open("TSYPRO_3", false, true, true);
    click(form->ckOpt(2));  // on a hidden panel: the user cannot reach it
    EXPECT_EQ(form->ckOpt(2).value(), 1);
    form->ckOpt(2).setValue(0);
    click(form->cmdOpt(5));
    EXPECT_EQ(buttons(),
              "back:on next:off,hidden finish:off,shown cancel:on front:finish default:finish "
              "focus:none");
    click(form->ckOpt(3));
    EXPECT_TRUE(form->cmdFinish.enabled());
    click(form->ckOpt(3));
    EXPECT_FALSE(form->cmdFinish.enabled());
    EXPECT_TRUE(form->cmdFinish.visible());
}

TEST_F(WizardTest, RepairPanelWithBothBoxesClearedOffersNoButton) {
    open("TSYPRO_3", false, true, true);
    form->ckOpt(4).setValue(0);
    click(form->cmdOpt(3));
    EXPECT_EQ(buttons(),
              "back:on next:off,hidden finish:off,shown cancel:on front:next default:none "
              "focus:none");
    click(form->ckOpt(4));
    EXPECT_EQ(buttons(),
              "back:on next:on,shown finish:off,hidden cancel:on front:next default:next "
              "focus:none");
}

TEST_F(WizardTest, FoldersPanelWithBothBoxesClearedKeepsTheInstallType) {
    open();
    click(form->cmdOpt(2));  // Custom: both ticked, program and database
    ASSERT_TRUE(form->optInstall(0).selected());
    click(form->ckInstall(1));
    EXPECT_TRUE(form->optInstall(2).selected());  // database alone
    click(form->ckInstall(2));
    EXPECT_TRUE(form->optInstall(2).selected());  // neither: unchanged
    EXPECT_FALSE(form->txPath(1).enabled());
    EXPECT_FALSE(form->cmdPath(2).enabled());
    EXPECT_EQ(buttons(),
              "back:on next:off,hidden finish:off,shown cancel:on front:finish default:finish "
              "focus:none");
}

TEST_F(WizardTest, GrayedBoxesCountAsCleared) {
    open("TSYPRO_3", false, true, true);
    click(form->cmdOpt(3));
    form->ckOpt(4).setValue(2);  // raises the panel rule like a click
    EXPECT_FALSE(form->cmdNext.visible());
    EXPECT_FALSE(form->cmdFinish.enabled());
    form->ckOpt(5).setValue(2);
    EXPECT_FALSE(form->cmdFinish.enabled());
    // A user's click on a grayed box clears it.
    click(form->ckOpt(5));
    EXPECT_EQ(form->ckOpt(5).value(), 0);

    open();
    click(form->cmdOpt(2));
    form->ckInstall(2).setValue(2);
    EXPECT_FALSE(form->txPath(2).enabled());
    EXPECT_TRUE(form->optInstall(1).selected());  // the program alone
    // Finish reads a grayed launch box as cleared.
    form->ckInstall(2).setValue(1);
    next();
    finish();
    form->ckOpt(1).setValue(2);
    EXPECT_EQ(ends([&] { finish(); }), 0);
    EXPECT_TRUE(launches().empty());
}

TEST_F(WizardTest, ConfigureInTheRtf3EditionCannotFinish) {
    open("TSYPRO_RTF3", false, true, true);
    click(form->cmdOpt(4));
    EXPECT_EQ(shownPanel(), 2);
    EXPECT_EQ(form->ckOpt(0).value(), 0);
    EXPECT_FALSE(form->ckOpt(0).enabled());
    // The box's click handler disabled Finish; the focus then failed, silently.
    EXPECT_EQ(buttons(),
              "back:on next:off,hidden finish:off,shown cancel:on front:finish default:finish "
              "focus:none");
    EXPECT_TRUE(fake.messages().empty());
    EXPECT_EQ(banner(), "notice");  // the set-up went on after the failure
    finish();
    EXPECT_TRUE(engineCalls.empty());

    // A later visit finds the box already empty: no handler runs and Finish stays usable, but
    // the request carries nothing and is refused before the engine.
    back();
    click(form->cmdOpt(4));
    EXPECT_EQ(buttons(), kOnFinish);
    finish();
    EXPECT_TRUE(engineCalls.empty());
    EXPECT_EQ(fake.messages(), std::vector<std::string>{"Nothing selected to install or update"});
}

TEST_F(WizardTest, FocusFailureIsReportedInDebugMode) {
    configure("TSYPRO_RTF3", false, true, true);
    sys().gbDebug = true;
    load();
    click(form->cmdOpt(4));
    EXPECT_EQ(fake.messages(),
              std::vector<std::string>{"errHdl_Panel_Next: Invalid procedure call or argument (5)"});
    EXPECT_EQ(banner(), "notice");
}

TEST_F(WizardTest, ConfigureWithTheOutlookBoxClearedKeepsFinishDisabled) {
    open("TSYPRO_3", false, true, true);
    click(form->cmdOpt(4));
    click(form->ckOpt(0));
    EXPECT_FALSE(form->cmdFinish.enabled());
    click(form->ckOpt(0));
    EXPECT_TRUE(form->cmdFinish.enabled());
    // Finish pressed from code with the box cleared: nothing to do.
    form->ckOpt(0).setValue(0);
    form->cmdFinish_Click();
    EXPECT_EQ(fake.messages(), std::vector<std::string>{"Nothing selected to install or update"});
    EXPECT_TRUE(engineCalls.empty());
    EXPECT_TRUE(form->visible());
}

TEST_F(WizardTest, ConfigureLeavesTheCompletionTextOfAnEarlierTask) {
    open("TSYPRO_3", false, true, true);
    click(form->cmdOpt(5));
    back();
    click(form->cmdOpt(4));
    EXPECT_EQ(form->miPanels, (std::vector<int>{6, 2}));
    EXPECT_EQ(form->lbOpt(10).caption(),
              "\rTessary Contact Management Professional 3.3.0 has been removed from your computer.");
}

TEST_F(WizardTest, NetworkListByModeAndInstalledState) {
    struct Row {
        bool update;
        bool installed;
        bool dbInstalledAtClick;
        std::vector<int> panels;
    };
    const Row rows[] = {
        {false, false, false, {0, 7, 2, 5}},
        {true, false, false, {0, 7, 2, 5}},
        {true, true, true, {0, 1, 2, 5}},  // only reachable when both are installed at the click
        {true, true, false, {0, 7, 2, 5}},
    };
    for (const Row& r : rows) {
        open("TSYPRO_3", r.update, false, true);
        sys().gbInstalled = r.installed;
        sys().gbDBInstalled = r.dbInstalledAtClick;
        click(form->cmdOpt(1));
        EXPECT_EQ(form->miPanels, r.panels);
        EXPECT_EQ(form->optInstall(1).selected(), true);
    }
}

TEST_F(WizardTest, InstallTypePanelFollowsTheOptions) {
    open("TSYPRO_3", true, false, false);
    sys().gbInstalled = true;
    sys().gbDBInstalled = true;
    click(form->cmdOpt(1));
    ASSERT_EQ(shownPanel(), 1);
    EXPECT_EQ(buttons(), kOnNext);
    click(form->optInstall(2));
    EXPECT_EQ(buttons(),
              "back:on next:off,hidden finish:on,shown cancel:on front:finish default:finish "
              "focus:none");
    click(form->optInstall(0));
    EXPECT_EQ(buttons(),
              "back:on next:on,shown finish:off,hidden cancel:on front:next default:next "
              "focus:none");
    next();
    EXPECT_EQ(shownPanel(), 2);
    finish();
    ASSERT_EQ(engineCalls.size(), 1u);
    EXPECT_EQ(engineCalls[0], (EngineRequest{true, true, true, false, false}));
}

TEST_F(WizardTest, OptionNotDefinedLeavesThePath) {
    open();
    form->cmdOpt_Click(7);
    EXPECT_EQ(fake.messages(), std::vector<std::string>{"Option not defined"});
    EXPECT_EQ(form->miPanels, (std::vector<int>{0, 1, 2, 5}));
    EXPECT_EQ(shownPanel(), 0);
}

}  // namespace
}  // namespace tsy::test
