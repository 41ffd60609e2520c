// The form as data and the toolkit rules the handlers rely on; the load handler and every way
// of closing the window, with the exit code each leaves.
#include <algorithm>

#include "wizard/show.h"
#include "wizard_fixture.h"

namespace tsy::test {
namespace {

// ------------------------------------------------------------------------ controls as data

TEST(WizardLayout, ControlArraysHaveExactlyTheirDesignedIndices) {
    FmMain f;
    EXPECT_EQ(f.frWiz.indices(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(f.cmdOpt.indices(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(f.lbOpt.indices(), (std::vector<int>{0, 1, 2, 3, 4, 5, 10}));
    EXPECT_EQ(f.optInstall.indices(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(f.ckOpt.indices(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(f.ckInstall.indices(), (std::vector<int>{1, 2}));
    EXPECT_EQ(f.txPath.indices(), (std::vector<int>{1, 2}));
    EXPECT_EQ(f.cmdPath.indices(), (std::vector<int>{1, 2}));
    EXPECT_EQ(f.frConfig.indices(), (std::vector<int>{0, 1}));
    try {
        f.lbOpt(6);
        ADD_FAILURE() << "lbOpt(6) does not exist";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 340);
    }
    EXPECT_THROW(f.ckInstall(0), RuntimeError);
}

TEST(WizardLayout, ContainersCaptionsAndDesignTimeState) {
    FmMain f;
    struct Row {
        const Control& c;
        const char* container;
        const char* caption;
        int value;
        bool visible;
        bool enabled;
    };
    const Row rows[] = {
        {f.ckOpt(0), "frConfig(0)", "&Install Microsoft Office Outlook Interface", 1, true, true},
        {f.lbOL(), "frConfig(0)", "(Enables sending Email with Microsoft Office Outlook)", 0, true, true},
        {f.frConfig(1), "frWiz(2)", "Database Configuration: ", 0, false, true},
        {f.ckOpt(6), "frConfig(1)", "&Install Additional Contact Database", 0, true, true},
        {f.lbProOnly(), "frWiz(2)", "Professional Version Feature", 0, false, true},
        {f.ckOpt(2), "frWiz(3)", "Remove Tessary Contact Management &Program files", 1, true, true},
        {f.ckOpt(3), "frWiz(3)", "Remove &Database ", 0, true, true},
        {f.ckOpt(4), "frWiz(4)", "Re-install &Program Files for Tessary Contact Management", 1, true, true},
        {f.ckOpt(5), "frWiz(4)",
         "Re-install &Database  (WARNING: This will overwrite all of your existing Contact Records)",
         0, true, true},
        {f.ckOpt(1), "frWiz(5)", "&Launch Tessary Contact Management", 1, true, true},
        {f.lbOpt(10), "frWiz(5)", "Tessary Contact Managment installation has completed.", 0, true, true},
        {f.optInstall(0), "frWiz(1)", "&Install Program and Database", 1, true, true},
        {f.optInstall(2), "frWiz(1)", "&Database Install (Database Only)", 0, true, true},
        {f.cmdOpt(5), "frWiz(6)", "Remo&ve", 0, true, true},
        {f.lbOpt(3), "frWiz(6)", " Reinstall or Repair Tessary Contact Managment Program ", 0, true, true},
        {f.ckInstall(2), "frWiz(7)", "Install Database:", 0, true, true},
        {f.cmdPath(1), "frWiz(7)", "Browse...", 0, true, false},
        {f.txPath(2), "frWiz(7)", "", 0, true, false},
        {f.frWSName, "Frame2", "", 0, false, true},
        {f.lbCompany, "frWSName", "Morvane Software", 0, true, true},
        {f.lbErr, "Frame2", "Path entered is invalid, please correct", 0, false, true},
        {f.cmdFinish, "", "&Finish", 0, true, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.c.qualifiedName());
        EXPECT_EQ(r.c.container() ? r.c.container()->qualifiedName() : "", r.container);
        EXPECT_EQ(r.c.caption(), r.caption);
        EXPECT_EQ(r.c.value(), r.value);
        EXPECT_EQ(r.c.visible(), r.visible);
        EXPECT_EQ(r.c.enabled(), r.enabled);
    }
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(f.frWiz(i).visible());
    EXPECT_EQ(f.frWiz(5).caption(), " Installation Completed ");
    EXPECT_EQ(f.frWiz(0).width(), 6375);
    EXPECT_EQ(f.frWiz(6).height(), 2295);
    EXPECT_EQ(f.frWiz(2).foreColor(), rgb(0, 0, 255));
    EXPECT_EQ(f.lbErr.foreColor(), rgb(255, 0, 0));
    EXPECT_EQ(f.lbOpt(10).backColour, rgb(163, 169, 252));
    EXPECT_EQ(f.txPath(1).text(), "txPath");
    EXPECT_EQ(f.cmdPath(2).toolTip, "Look for folder to install database");
    EXPECT_TRUE(f.cmdCancel.isCancel);
    // Next and Finish share one place: the front one is the one seen.
    EXPECT_EQ(f.cmdNext.left(), f.cmdFinish.left());
    EXPECT_EQ(f.cmdNext.top(), f.cmdFinish.top());
    EXPECT_EQ(f.cmdNext.width(), f.cmdFinish.width());
    EXPECT_EQ(f.lbVersion.font.size, 20.25);
    EXPECT_TRUE(f.lbVersion.font.italic);
    EXPECT_EQ(f.cmdOpt(4).font.size, 9.75);
    // Every container is listed before what it holds, so a view can create them in order.
    std::size_t pos = 0;
    for (const Control* c : f.controls()) {
        if (c->container()) {
            auto it = std::find(f.controls().begin(), f.controls().end(), c->container());
            EXPECT_LT(static_cast<std::size_t>(it - f.controls().begin()), pos) << c->qualifiedName();
        }
        ++pos;
    }
}

// ------------------------------------------------------------------------- toolkit rules

TEST_F(WizardTest, ValueFromCodeRaisesTheClickOnlyOnChangeAndBeforeReturning) {
    open();
    form->ckInstall(1).setValue(1);
    EXPECT_TRUE(form->txPath(1).enabled());  // the handler ran inside the setting
    observer.events.clear();
    form->ckInstall(1).setValue(1);
    EXPECT_TRUE(observer.events.empty());
    form->optInstall(2).select();
    EXPECT_TRUE(form->optInstall(2).selected());
    EXPECT_FALSE(form->optInstall(0).selected());
    EXPECT_FALSE(form->optInstall(1).selected());
    try {
        form->ckOpt(0).setValue(3);
        ADD_FAILURE() << "a check box holds 0, 1 or 2";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 380);
    }
}

TEST_F(WizardTest, FocusFailsOnControlsThatCannotTakeIt) {
    open();
    auto focusError = [](Control& c) {
        try {
            c.setFocus();
        } catch (const RuntimeError& e) {
            return e.number() == 5 && e.description() == "Invalid procedure call or argument";
        }
        return false;
    };
    EXPECT_TRUE(focusError(form->cmdNext));     // disabled on the menu
    EXPECT_TRUE(focusError(form->cmdFinish));   // hidden
    EXPECT_TRUE(focusError(form->cmdOpt(3)));   // on a hidden panel
    EXPECT_FALSE(focusError(form->cmdOpt(1)));
    EXPECT_EQ(form->focused(), &form->cmdOpt(1));
    form->Hide();
    EXPECT_TRUE(focusError(form->cmdOpt(1)));    // the window is not shown
}

TEST_F(WizardTest, OnlyOneDefaultButton) {
    open();
    form->cmdNext.setDefault(true);
    form->cmdFinish.setDefault(true);
    EXPECT_FALSE(form->cmdNext.isDefault());
    EXPECT_EQ(form->defaultButton(), &form->cmdFinish);
}

TEST_F(WizardTest, UserInputGoesThroughTheModel) {
    open();
    click(form->cmdOpt(2));
    click(form->cmdPath(1));  // enabled: the browser opens (and is cancelled)
    EXPECT_EQ(fake.callsNamed("browseForFolder").size(), 1u);
    click(form->ckInstall(1));  // cleared by the user: the row is disabled
    click(form->cmdPath(1));
    EXPECT_EQ(fake.callsNamed("browseForFolder").size(), 1u);
    observer.events.clear();
    form->userEditText(form->txPath(2), "C:\\ProgramData\\Other");
    EXPECT_EQ(form->txPath(2).text(), "C:\\ProgramData\\Other");
    EXPECT_TRUE(observer.events.empty());  // the view already shows what the user typed
    form->userEditText(form->txPath(1), "ignored");  // disabled box
    EXPECT_EQ(form->txPath(1).text(), kWizardProgramFolder);
    form->userEnter();  // default: Finish (database only)
    ASSERT_EQ(engineCalls.size(), 1u);
    EXPECT_EQ(sys().gsDBPath, "C:\\ProgramData\\Other");
}

TEST_F(WizardTest, ObserverSeesEveryChange) {
    open();
    EXPECT_EQ(observer.events.front(), "load");
    EXPECT_EQ(observer.controlsAtLoad, form->controls().size());
    auto has = [&](const std::string& e) {
        return std::find(observer.events.begin(), observer.events.end(), e) != observer.events.end();
    };
    EXPECT_TRUE(has("fmMain.Caption"));
    EXPECT_TRUE(has("fmMain.Width"));
    EXPECT_TRUE(has("show"));
    EXPECT_TRUE(has("frWiz(0).Visible"));
    EXPECT_TRUE(has("front frWiz(0)"));
    EXPECT_TRUE(has("focus cmdOpt(0)"));
    observer.events.clear();
    click(form->cmdOpt(0));
    finish();
    EXPECT_TRUE(has("hide"));
    EXPECT_TRUE(has("show"));
    EXPECT_EQ(ends([&] { finish(); }), 0);
    EXPECT_EQ(observer.events.back(), "unload");
}

// ---------------------------------------------------------------------------- Form_Load

TEST_F(WizardTest, LoadAdaptsTheFormToModeEditionAndInstalledState) {
    struct Row {
        const char* key;
        bool update;
        bool installed;
        bool dbInstalled;
        const char* title;
        const char* version;
        bool revShown;
        int firstPanel;
        int removeProgram;    // ckOpt(2) value
        bool removeProgramOn;
        int removeDb;         // ckOpt(3)
        bool removeDbOn;
        bool repairDbOn;      // ckOpt(5)
        bool proOnlyNote;
        int installType;      // the selected optInstall
    };
    const Row rows[] = {
        {"TSYPRO_3", false, false, false, "Tessary Contact Management Install Wizard",
         "Professional 3.3", true, 0, 0, false, 0, false, true, false, 0},
        {"TSYLT_3", false, false, false, "Tessary Contact Management Install Wizard", "Lite 3.3",
         true, 0, 0, false, 0, false, true, true, 0},
        {"TSYPRO_3", false, false, true, "Tessary Contact Management Install Wizard",
         "Professional 3.3", true, 0, 0, false, 1, true, true, false, 0},
        {"TSYPRO_3", false, true, true, "Tessary Contact Management Install Wizard",
         "Professional 3.3", true, 6, 1, true, 0, true, true, false, 0},
        {"TSYPRO_RTF3", false, true, true, "Tessary Contact Management Install Wizard",
         "Professional 3.3", true, 6, 1, true, 0, false, false, false, 0},
        {"TSYPRO_3", true, true, true, "Tessary Contact Management Update Wizard",
         "Update to 3.3.0", false, 6, 1, true, 0, false, true, false, 2},
        {"TSYLT_3", true, false, true, "Tessary Contact Management Update Wizard",
         "Update to 3.3.0", false, 0, 0, false, 0, false, true, true, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.key) + (r.update ? " update" : " install") +
                     (r.installed ? " P" : "") + (r.dbInstalled ? " D" : ""));
        open(r.key, r.update, r.installed, r.dbInstalled);
        EXPECT_EQ(form->window().caption(), r.title);
        EXPECT_EQ(form->window().width(), 7425);
        EXPECT_EQ(form->window().height(), 6345);
        EXPECT_EQ(form->lbVersion.caption(), r.version);
        EXPECT_EQ(form->lbRev.caption(), "Rev: 3.3.0");
        EXPECT_EQ(form->lbRev.visible(), r.revShown);
        EXPECT_EQ(shownPanel(), r.firstPanel);
        EXPECT_EQ(form->ckOpt(2).value(), r.removeProgram);
        EXPECT_EQ(form->ckOpt(2).enabled(), r.removeProgramOn);
        EXPECT_EQ(form->ckOpt(4).enabled(), r.installed);
        EXPECT_EQ(form->ckOpt(3).value(), r.removeDb);
        EXPECT_EQ(form->ckOpt(3).enabled(), r.removeDbOn);
        EXPECT_EQ(form->ckOpt(5).enabled(), r.repairDbOn);
        EXPECT_EQ(form->lbProOnly().visible(), r.proOnlyNote);
        EXPECT_TRUE(form->optInstall(r.installType).selected());
        EXPECT_EQ(sys().gbDBInstalled, r.dbInstalled && !r.update);
        EXPECT_EQ(form->txPath(1).text(), kWizardProgramFolder);
        EXPECT_EQ(form->txPath(2).text(), kWizardDBFolder);
        EXPECT_TRUE(form->ckInstall(2).enabled());
        EXPECT_EQ(form->ckInstall(1).value() + form->ckInstall(2).value(), 0);
        EXPECT_TRUE(form->cmdCancel.enabled());
        EXPECT_TRUE(form->mbLoaded);
        EXPECT_TRUE(form->visible());
        EXPECT_EQ(banner(), "notice");
        EXPECT_EQ(form->miPanels, (std::vector<int>{r.firstPanel, 1, 2, 5}));
        if (r.update) {
            EXPECT_EQ(form->ckInstall(1).caption(), "Install &Program Update");
            EXPECT_EQ(form->ckInstall(2).caption(), "Install &Database Update");
            EXPECT_EQ(form->ckOpt(5).caption(), "Re-install &Database Update");
            EXPECT_EQ(form->optInstall(0).caption(), "&Install Program and Database Update");
            EXPECT_EQ(form->optInstall(1).caption(), "&Workstation Install (Program Update Only)");
            EXPECT_EQ(form->optInstall(2).caption(), "&Database Update (Database Only)");
        }
        EXPECT_TRUE(fake.messages().empty());
    }
}

TEST_F(WizardTest, LoadReportsAFailingStepAndGoesOn) {
    configure("TSYPRO_3", false, false, false);
    form = std::make_unique<FmMain>();
    // The view throws when the caption reaches it, as a failing control update would.
    struct Failing : RecordingObserver {
        void onPropertyChanged(const Control& c, Property p) override {
            if (c.name() == "lbVersion" && p == Property::Caption)
                throw RuntimeError(13, "Type mismatch");
        }
    } failing;
    form->setObserver(&failing);
    form->Show();
    EXPECT_EQ(fake.messages(), std::vector<std::string>{"errHdl_Form_Load: Type mismatch (13)"});
    EXPECT_EQ(form->lbRev.caption(), "Rev: 3.3.0");
    EXPECT_EQ(shownPanel(), 0);
}

// -------------------------------------------------------------------- closing and exit codes

TEST_F(WizardTest, EveryWayOfClosingEndsTheProcess) {
    struct Row {
        const char* name;
        std::function<void(WizardTest&)> action;
    };
    const Row rows[] = {
        {"close box", [](WizardTest& t) { t.form->userClose(); }},
        {"Cancel", [](WizardTest& t) { t.click(t.form->cmdCancel); }},
        {"Esc", [](WizardTest& t) { t.form->userEscape(); }},
        {"Cancel on the folders panel",
         [](WizardTest& t) {
             t.click(t.form->cmdOpt(1));
             t.click(t.form->cmdCancel);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        open();
        fake.clearCalls();
        EXPECT_EQ(ends([&] { r.action(*this); }), 1602);
        EXPECT_TRUE(fake.messages().empty());
        EXPECT_TRUE(engineCalls.empty());
    }
}

TEST_F(WizardTest, ExitCodeFollowsTheEngine) {
    open();
    engineResult = false;
    click(form->cmdOpt(0));
    EXPECT_EQ(ends([&] { finish(); }), 1603);
    EXPECT_EQ(engineCalls.size(), 1u);

    // An engine that gives up with an error is a failure too, not a hidden window forever.
    open();
    form->install = [](bool&, bool&, bool&, bool&, bool&, bool&, bool&) -> bool {
        throw RuntimeError(5, "Invalid procedure call or argument");
    };
    click(form->cmdOpt(0));
    EXPECT_EQ(ends([&] { finish(); }), 1603);

    // On the completion panel the close box ends with success.
    engineResult = true;
    open();
    click(form->cmdOpt(0));
    finish();
    EXPECT_EQ(ends([&] { form->userClose(); }), 0);
    // Esc does nothing there: Cancel is disabled.
    open();
    click(form->cmdOpt(0));
    finish();
    EXPECT_EQ(ends([&] { form->userEscape(); }), -1);
}

TEST_F(WizardTest, CloseRequestThatCannotEndTheProcessStillUnloads) {
    configure("TSYPRO_3", false, false, false);
    sys().gbDebug = true;
    load();
    // An OS whose process end fails with a run-time error.
    struct NoEnd : FakeOs {
        void endProcess(int) override { throw RuntimeError(7, "Out of memory"); }
    } noEnd;
    setOs(&noEnd);
    form->userClose();
    EXPECT_TRUE(form->isUnloaded());
    EXPECT_FALSE(form->visible());
    ASSERT_EQ(noEnd.messages().size(), 1u);
    EXPECT_EQ(noEnd.messages()[0], "errHdl_Form_QueryUnload: Out of memory(7)");
    EXPECT_EQ(noEnd.callsNamed("msgBox")[0].args[2], "TSY Install");
    EXPECT_EQ(observer.events.back(), "unload");
    setOs(&fake);
}

TEST_F(WizardTest, ShowWizardOpensTheOneFormWithTheViewAttached) {
    configure("TSYPRO_3", false, false, false);
    resetWizard();
    RecordingObserver view;
    setWizardObserver(&view);
    showWizard();
    ASSERT_NE(wizardForm(), nullptr);
    EXPECT_EQ(view.events.front(), "load");
    EXPECT_TRUE(wizardForm()->visible());
    EXPECT_EQ(wizardForm()->currentPanel(), 0);
    FmMain* first = wizardForm();
    showWizard();
    EXPECT_EQ(wizardForm(), first);
    EXPECT_EQ(ends([] { wizardForm()->userClose(); }), 1602);
    resetWizard();
}

}  // namespace
}  // namespace tsy::test
