// fmMain's event handlers: load and close, panel sequencing, the choices, the folders and
// Finish.
#include "wizard/fm_main.h"

#include "engine/engine.h"
#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/system.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy {

namespace {

constexpr int PanelSlotLeft = 480;
constexpr int PanelSlotTop = 2580;
constexpr int PanelParked = -10000;
constexpr unsigned BrowseFlags = 0x143;  // file-system folders, no domain, new style, hint
const char* const DataFolderName = "Tessary Data";

// The wizard's routines go on with the next statement after an error, so that one failing
// control update (typically a focus that cannot be taken) leaves the rest of the set-up intact.
// Form_Load reports every error; the others only in debug mode.
OnError loadStep() { return OnError::report("errHdl_Form_Load: "); }
OnError panelStep() { return OnError::reportInDebug("errHdl_Panel_Next: ", sys().gbDebug); }

bool ticked(const Control& box) { return box.value() == 1; }

// A click handler's statements run straight: an error reaches onClick's handler.
const auto direct = [](FunctionRef<void()> statement) { statement(); };

bool forbiddenInFolderName(unsigned char c) {
    switch (c) {
        case ':': case '?': case '*': case '<': case '>': case '|': case '/': case '\\': case '"':
            return true;
        default:
            return c >= 9 && c <= 13;
    }
}

}  // namespace

InstallFn engineInstall() {
    return [](InstallRequest& request) {
        InstallOutcome outcome = InstallOutcome::Failed;
        SYS_Install(request, &outcome);
        return outcome;
    };
}

int FmMain::currentPanel() const {
    if (miPanelPos < 0 || miPanelPos >= static_cast<int>(miPanels.size())) return -1;
    return miPanels[static_cast<std::size_t>(miPanelPos)];
}

bool FmMain::hasNoOutlookInterface() const { return iequals(sys().gsAppKey, "TSYPRO_RTF3"); }

void FmMain::onClick(Control& c) {
    const std::string& n = c.name();
    // A click handler has nobody to hand an error to: one that escaped would unwind through
    // the system's window procedure, which ends the process without a word. The user is told
    // which action failed, and the wizard stays usable.
    resumeNext(
        [&] {
            if (n == "cmdCancel") cmdCancel_Click();
            else if (n == "cmdBack") cmdBack_Click();
            else if (n == "cmdNext") cmdNext_Click();
            else if (n == "cmdFinish") cmdFinish_Click();
            else if (n == "cmdOpt") cmdOpt_Click(c.index());
            else if (n == "optInstall") optInstall_Click(c.index());
            else if (n == "ckOpt") ckOpt_Click(c.index());
            else if (n == "ckInstall") ckInstall_Click(c.index());
            else if (n == "cmdPath") cmdPath_Click(c.index());
        },
        OnError::report("errHdl_" + n + "_Click: ").style(mb::OkOnly | mb::Critical).guarded());
}

// ---------------------------------------------------------------- initialisation and closing

void FmMain::Form_Load() {
    const OnError step = loadStep();
    SystemState& g = sys();
    std::string sEdition;
    std::string sVersion;

    resumeNext([&] { window().setWidth(7425); }, step);
    resumeNext([&] { window().setHeight(6345); }, step);
    resumeNext([&] { sEdition = g.gbPro ? "Professional" : "Lite"; }, step);
    if (g.gbUpdate) {
        resumeNext([&] { window().setCaption("Tessary Contact Management Update Wizard"); }, step);
        // From here on the database counts as not installed: an update always offers it.
        resumeNext([&] { g.gbDBInstalled = false; }, step);
        logDecision("Update wizard: the database update is offered whether or not the database "
                    "is installed");
        resumeNext([&] { sVersion = "Update to " + g.gsVersion; }, step);
    } else {
        resumeNext([&] { window().setCaption("Tessary Contact Management Install Wizard"); }, step);
        resumeNext([&] { sVersion = sEdition + " " + left(g.gsVersion, 3); }, step);
    }
    resumeNext([&] { lbVersion.setCaption(sVersion); }, step);
    resumeNext([&] { lbRev.setCaption("Rev: " + g.gsVersion); }, step);
    resumeNext([&] { lbRev.setVisible(!g.gbUpdate); }, step);
    resumeNext([&] { ckInstall(2).setEnabled(true); }, step);
    resumeNext([&] { txPath(1).setText(g.gsInstallPath); }, step);
    resumeNext([&] { txPath(2).setText(g.gsDBPath); }, step);
    loadChoices();
    resumeNext([&] { miPanelPos = 0; }, step);
    resumeNext([&] {
        miPanels = g.gbInstalled ? std::vector<int>{panel::Maintenance, panel::InstallType,
                                                    panel::Options, panel::Completed}
                                 : std::vector<int>{panel::Menu, panel::InstallType,
                                                    panel::Options, panel::Completed};
    }, step);
    resumeNext([&] { cmdCancel.setEnabled(true); }, step);
    resumeNext([&] { mbLoaded = true; }, step);
    resumeNext([&] { Show(); }, step);
    resumeNext([&] { Panel_Next(false, true); }, step);
}

// The choices' captions and which of them the machine and the edition allow.
void FmMain::loadChoices() {
    const OnError step = loadStep();
    const SystemState& g = sys();
    if (g.gbUpdate) {
        resumeNext([&] { ckInstall(1).setCaption("Install &Program Update"); }, step);
        resumeNext([&] { ckInstall(2).setCaption("Install &Database Update"); }, step);
    }
    if (hasNoOutlookInterface())
        logDecision("Edition " + g.gsAppKey + " has no Outlook interface: the Single User "
                    "install, the e-mail interface and the database repair are not offered");
    resumeNext([&] { ckOpt(4).setEnabled(g.gbInstalled); }, step);
    resumeNext([&] { ckOpt(5).setEnabled(!hasNoOutlookInterface()); }, step);
    if (g.gbUpdate) resumeNext([&] { ckOpt(5).setCaption("Re-install &Database Update"); }, step);
    resumeNext([&] { ckOpt(2).setEnabled(g.gbInstalled); }, step);
    resumeNext([&] { ckOpt(3).setEnabled(!hasNoOutlookInterface() && g.gbDBInstalled); }, step);
    if (!g.gbInstalled) {
        resumeNext([&] { ckOpt(2).setValue(0); }, step);
        if (g.gbDBInstalled) resumeNext([&] { ckOpt(3).setValue(1); }, step);
    }
    if (g.gbUpdate) {
        resumeNext([&] { optInstall(1).select(); }, step);
        resumeNext([&] { optInstall(2).select(); }, step);
        resumeNext([&] { optInstall(0).setCaption("&Install Program and Database Update"); }, step);
        resumeNext([&] { optInstall(1).setCaption("&Workstation Install (Program Update Only)"); },
                   step);
        resumeNext([&] { optInstall(2).setCaption("&Database Update (Database Only)"); }, step);
        resumeNext([&] { frWiz(panel::Completed).setCaption(" Update Completed "); }, step);
    }
    resumeNext([&] { lbProOnly().setVisible(!g.gbPro); }, step);
    resumeNext([&] { ckOpt(1).setVisible(true); }, step);
}

void FmMain::Form_QueryUnload([[maybe_unused]] int& Cancel, [[maybe_unused]] int UnloadMode) {
    // Closing the wizard by any route ends the process, without a question.
    resumeNext([&] { os().endProcess(exitCode_); },
               OnError::reportInDebug("errHdl_Form_QueryUnload: ", sys().gbDebug)
                   .text([](const RuntimeError& e) {
                       return "errHdl_Form_QueryUnload: " + e.description() + "(" +
                              std::to_string(e.number()) + ")";
                   })
                   .title("TSY Install"));
}

void FmMain::cmdCancel_Click() { Unload(FormCode); }

// ------------------------------------------------------------------------- panel sequencing

std::optional<FmMain::ButtonRule> FmMain::buttonRule(int panel, bool entering) const {
    switch (panel) {
        case panel::Menu:
        case panel::Maintenance:
            // A menu moves on by its own buttons.
            if (!entering) return std::nullopt;
            return ButtonRule{false, false, false, false};
        case panel::InstallType: {
            const bool databaseOnly = optInstall(2).selected();
            return ButtonRule{databaseOnly, !databaseOnly, databaseOnly, true};
        }
        case panel::Folders: {
            // The boxes decide: a program folder comes before the options, a database alone
            // finishes here, and nothing ticked cannot finish.
            const bool program = ticked(ckInstall(1));
            const bool database = ticked(ckInstall(2));
            return ButtonRule{!program, program, !program && database, true};
        }
        case panel::Repair: {
            const bool program = ticked(ckOpt(4));
            const bool database = ticked(ckOpt(5));
            return ButtonRule{!program, program, !program && database, program || database};
        }
        case panel::Remove:
            return ButtonRule{true, false, ticked(ckOpt(2)) || ticked(ckOpt(3)), true};
        case panel::Options:
            // Configure alone has nothing to do without the interface ticked.
            if (entering) return ButtonRule{true, false, true, true};
            if (!mbConfigure) return std::nullopt;
            return ButtonRule{true, false, ticked(ckOpt(0)), true};
        case panel::Completed:
            if (!entering) return std::nullopt;
            return ButtonRule{true, false, true, true};
        default:
            return std::nullopt;
    }
}

void FmMain::applyButtons(const ButtonRule& rule, FunctionRef<void(FunctionRef<void()>)> run) {
    Control& shown = rule.finishShown ? cmdFinish : cmdNext;
    run([&] { cmdNext.setEnabled(rule.nextEnabled); });
    run([&] { cmdNext.setVisible(!rule.finishShown); });
    run([&] { cmdFinish.setVisible(rule.finishShown); });
    run([&] { cmdFinish.setEnabled(rule.finishEnabled); });
    run([&] { shown.bringToFront(); });
    if (rule.makeDefault) run([&] { shown.setDefault(true); });
}

void FmMain::Panel_Next(bool bBack, bool bFirst) {
    const OnError step = panelStep();

    // Only a forward step leaves the folders panel through the folder check.
    bool stop = false;
    resumeNext([&] {
        if (currentPanel() == panel::Folders && !bBack && !bFirst && !Check_Paths()) stop = true;
    }, step);
    if (stop) return;

    const int oldPos = miPanelPos;
    int delta = 1;
    if (bBack) {
        if (miPanelPos == 0) return;
        delta = -1;
    } else if (bFirst) {
        delta = 0;
    }
    miPanelPos += delta;

    if (miPanelPos > static_cast<int>(miPanels.size()) - 1) {
        resumeNext([&] { Unload(FormCode); }, step);
        return;
    }
    if (miPanelPos != oldPos) {
        const int old = miPanels.at(static_cast<std::size_t>(oldPos));
        resumeNext([&] { frWiz(old).setVisible(false); }, step);
        resumeNext([&] { frWiz(old).setLeft(PanelParked); }, step);
    }
    const int shown = currentPanel();
    resumeNext([&] { frWiz(shown).setLeft(PanelSlotLeft); }, step);
    resumeNext([&] { frWiz(shown).setTop(PanelSlotTop); }, step);
    resumeNext([&] { frWiz(shown).setVisible(true); }, step);
    resumeNext([&] { frWiz(shown).bringToFront(); }, step);

    setUpPanel(shown);

    resumeNext([&] { frWSName.setVisible(shown == panel::Completed); }, step);
    resumeNext([&] { lbWarning.setVisible(shown != panel::Completed); }, step);
}

void FmMain::setUpPanel(int shown) {
    const OnError step = panelStep();
    const std::optional<ButtonRule> rule = buttonRule(shown, true);
    if (!rule) {
        resumeNext([&] {
            os().msgBox("Panel is undefined: " + std::to_string(shown), mb::OkOnly, "");
        }, step);
        return;
    }
    if (shown == panel::Menu || shown == panel::Maintenance) {
        resumeNext([&] { mbProgram = mbDB = mbEmail = false; }, step);
        resumeNext([&] { mbInstall = mbConfigure = mbRemove = mbRepair = false; }, step);
    }
    if (shown == panel::Completed) {
        // The window was hidden while the engine ran.
        resumeNext([&] { Show(); }, step);
        resumeNext([&] { cmdCancel.setEnabled(false); }, step);
    }
    const bool backAllowed = shown != panel::Menu && shown != panel::Maintenance &&
                             shown != panel::Completed;
    resumeNext([&] { cmdBack.setEnabled(backAllowed); }, step);
    applyButtons(*rule, [&](FunctionRef<void()> statement) { resumeNext(statement, step); });
    if (shown == panel::Options) setUpOptions();
    if (shown == panel::Completed) setUpCompleted();

    if (shown == panel::Menu || shown == panel::Maintenance) {
        // The focus can only go to a shown window.
        if (!visible()) return;
        if (shown == panel::Menu) {
            resumeNext([&] { cmdOpt(0).setEnabled(!hasNoOutlookInterface()); }, step);
            resumeNext([&] { cmdOpt(hasNoOutlookInterface() ? 1 : 0).setFocus(); }, step);
        } else {
            resumeNext([&] { cmdOpt(3).setFocus(); }, step);
        }
        return;
    }
    if (!rule->makeDefault) return;
    // Only the uninstall panel may leave Finish disabled on arrival; it then keeps no focus.
    Control& front = rule->finishShown ? cmdFinish : cmdNext;
    resumeNext([&] {
        if (shown != panel::Remove || front.enabled()) front.setFocus();
    }, step);
}

void FmMain::setUpOptions() {
    const OnError step = panelStep();
    if (hasNoOutlookInterface()) {
        resumeNext([&] { ckOpt(0).setValue(0); }, step);
        resumeNext([&] { ckOpt(0).setEnabled(false); }, step);
    } else if (mbConfigure) {
        resumeNext([&] { ckOpt(0).setValue(1); }, step);
    }
}

// The launch box is offered only after an installation.
void FmMain::setUpCompleted() {
    const OnError step = panelStep();
    resumeNext([&] { ckOpt(1).setVisible(mbInstall); }, step);
    resumeNext([&] { ckOpt(1).setValue(mbInstall ? 1 : 0); }, step);
}

void FmMain::cmdNext_Click() { Panel_Next(false, false); }

void FmMain::cmdBack_Click() { Panel_Next(true, false); }

// ----------------------------------------------------------------------- installation choices

void FmMain::cmdOpt_Click(int Index) {
    const SystemState& g = sys();
    miPanelPos = 0;
    std::string sMsg = g.gsCR + (g.gbUpdate ? "Update to " : "") + "Tessary Contact Management " +
                       (g.gbPro ? "Professional " : "Lite ") + g.gsVersion;
    const std::string installed =
        g.gbUpdate ? " has been successfully completed." : " has been successfully installed.";

    if (Index >= 0 && Index <= 2) {
        chooseInstall(Index);
        sMsg += installed;
    } else if (Index == 3) {
        mbRepair = true;
        miPanels = {panel::Maintenance, panel::Repair, panel::Options};
        sMsg += " has been repaired.";
    } else if (Index == 4) {
        mbConfigure = true;
        miPanels = {panel::Maintenance, panel::Options};
    } else if (Index == 5) {
        mbRemove = true;
        miPanels = {panel::Maintenance, panel::Remove};
        sMsg += " has been removed from your computer.";
    } else {
        // No such button: leave the path as it was rather than grow it.
        os().msgBox("Option not defined", mb::OkOnly, "");
        return;
    }
    if (!mbConfigure) {
        miPanels.push_back(panel::Completed);
        lbOpt(10).setCaption(sMsg);
    }
    Panel_Next(false, false);
}

// The three install buttons: Single User (program and database, default folders), Network
// (the program on this machine, its folder asked) and Custom (both, folders asked).
void FmMain::chooseInstall(int Index) {
    const SystemState& g = sys();
    mbInstall = true;
    if (Index == 0) {
        miPanels = {panel::Menu, panel::Options};
        optInstall(0).select();
    } else if (Index == 1 && g.gbUpdate && g.gbInstalled && g.gbDBInstalled) {
        miPanels = {panel::Menu, panel::InstallType, panel::Options};
    } else {
        miPanels = {panel::Menu, panel::Folders, panel::Options};
    }
    if (Index != 0 && g.gbUpdate) optInstall(1).select();
    ckInstall(1).setValue(1);
    ckInstall(2).setValue(Index == 1 ? 0 : 1);
}

// The option just selected is already the only one selected: the rule reads the group.
void FmMain::optInstall_Click([[maybe_unused]] int Index) {
    if (!mbLoaded || currentPanel() != panel::InstallType || !mbInstall) return;
    if (const auto rule = buttonRule(panel::InstallType, false)) applyButtons(*rule, direct);
}

void FmMain::ckOpt_Click([[maybe_unused]] int Index) {
    // The panel shown decides, not the box.
    if (!mbLoaded) return;
    const int shown = currentPanel();
    if (shown != panel::Repair && shown != panel::Remove && shown != panel::Options) return;
    if (const auto rule = buttonRule(shown, false)) applyButtons(*rule, direct);
}

void FmMain::ckInstall_Click(int Index) {
    const bool on = ticked(ckInstall(Index));
    txPath(Index).setEnabled(on);
    cmdPath(Index).setEnabled(on);
    if (mbLoaded && currentPanel() == panel::Folders)
        applyButtons(*buttonRule(panel::Folders, false), direct);
    // Finish reads the install type, so it follows the boxes.
    const bool program = ticked(ckInstall(1));
    const bool database = ticked(ckInstall(2));
    if (program && database) optInstall(0).select();
    else if (program) optInstall(1).select();
    else if (database) optInstall(2).select();
}

// ------------------------------------------------------------------------------------ folders

void FmMain::cmdPath_Click(int Index) {
    const SystemState& g = sys();
    std::string sPrompt = "Tessary Contact Management " + left(g.gsVersion, 3) + g.gsCR + g.gsCR;
    if (Index == 1) {
        sPrompt += "Select folder for Program Files Installation:";
    } else {
        sPrompt += std::string("Select folder for Database Installation:") +
                   "  (Note: Will create '" + DataFolderName + "' in the directory you select)";
    }
    std::string sPath = BrowseFolder(sPrompt, false);
    if (sPath.empty()) return;
    const std::string sep = separatorOf(sPath);
    if (Index == 2 && !iequals(right(sPath, 12), DataFolderName)) sPath += sep + DataFolderName;
    txPath(Index).setText(sPath);
}

std::string FmMain::BrowseFolder(std::string& sPrompt, bool bProgramFilesRoot) {
    return catchOnce(
        [&] {
            if (sPrompt.empty()) sPrompt = "Select Installation Folder:";
            const int root = bProgramFilesRoot ? csidl::ProgramFiles : -1;
            std::string chosen = os().browseForFolder(hWnd(), sPrompt, BrowseFlags, root);
            const std::size_t nul = chosen.find('\0');
            if (nul != std::string::npos) chosen.resize(nul);
            return chosen;
        },
        OnError::reportInDebug("errHdl_BrowseFolder: ", sys().gbDebug), std::string());
}

bool FmMain::Check_Paths() {
    if (currentPanel() != panel::Folders) return true;
    std::string sPath;
    bool bErr = false;
    const OnError onError = OnError::reportInDebug("errHdl_Check_Paths: ", sys().gbDebug)
                                .detail([&] { return sys().gsCR + sPath; });
    auto step = [&](FunctionRef<void()> statement) { resumeNext(statement, onError); };

    // A check that fails with an error counts as a rejected folder: an unreadable answer must
    // not let the wizard go on with it.
    auto checkRow = [&](int row, bool quiet) {
        Control& box = txPath(row);
        step([&] { box.setForeColor(colour::WindowText); });
        step([&] { sPath = box.text(); });
        bool ok = false;
        step([&] {
            bool bQuiet = quiet;
            ok = SYS_StrCheck(sPath, bQuiet) && SYS_DirExists(sPath, true);
        });
        if (!ok) {
            step([&] { box.setForeColor(colour::Red); });
            bErr = true;
        }
    };
    bool rowTicked = false;
    step([&] { rowTicked = ckInstall(1).value() != 0; });
    if (rowTicked) checkRow(1, false);
    rowTicked = false;
    step([&] { rowTicked = ckInstall(2).value() != 0; });
    // After a failed program row, a bad database name is coloured but not explained again.
    if (rowTicked) checkRow(2, bErr);

    step([&] { lbErr.setVisible(bErr); });
    step([&] { lbWarning.setVisible(!bErr && !frWSName.visible()); });
    if (!bErr) return true;
    step([&] {
        lbErr.setCaption(sPath.empty() ? "ERROR: Please enter a valid path"
                                        : "Path entered is invalid, please correct");
    });
    return false;
}

bool SYS_StrCheck(std::string sPath, const bool& bQuiet) {
    const SystemState& g = sys();
    std::string sParent;
    const std::string sName = SYS_SplitFolder(sPath, sParent);
    if (sName.empty()) return false;
    for (char ch : sName) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) continue;
        if (!forbiddenInFolderName(c)) continue;
        if (!bQuiet) {
            os().msgBox("Sorry, certain characters like '  " + std::string(1, ch) +
                            "  ' are not allowed" + g.gsCR + " / \\ : * ? " + g.gsQuote +
                            " < > | are not allowed in Windows Folder Names" + g.gsCR + g.gsCR +
                            "Please enter a valid folder name" + g.gsCR + g.gsCR,
                        mb::OkOnly | mb::Information, "");
        }
        return false;
    }
    return true;
}

// ------------------------------------------------------------------------------------- Finish

void FmMain::cmdFinish_Click() {
    SystemState& g = sys();
    if (currentPanel() == panel::Completed) {
        if (!mbRemove && ckOpt(1).visible() && ticked(ckOpt(1))) launchProgram();
        Unload(FormCode);
        return;
    }
    if (!readRequest()) return;
    if (!txPath(1).text().empty()) g.gsInstallPath = txPath(1).text();
    if (!txPath(2).text().empty()) g.gsDBPath = txPath(2).text();
    mbEmail = !mbRemove && (mbProgram || mbConfigure) ? ticked(ckOpt(0)) : false;

    if (!mbProgram && !mbDB && !mbEmail) {
        os().msgBox("Nothing selected to install or update", mb::OkOnly, "");
        return;
    }

    Hide();
    InstallRequest request{mbProgram, mbDB, mbEmail, mbRepair, mbRemove, false, false};
    // An engine that gives up with an error has failed; the window must not stay hidden.
    const InstallOutcome outcome =
        catchOnce([&] { return install(request); }, OnError::swallow(), InstallOutcome::Failed);
    mbProgram = request.bProgram;
    mbDB = request.bDB;
    mbEmail = request.bEmail;
    mbRepair = request.bRepair;
    mbRemove = request.bRemove;
    // A failed, cancelled or busy run closes the window with its own code (1603, 1602, 1618).
    exitCode_ = exitCodeFor(outcome);
    if (outcome != InstallOutcome::Succeeded && outcome != InstallOutcome::Restart &&
        outcome != InstallOutcome::RestartBegun) {
        Unload(FormCode);
        return;
    }
    const int lastIndex = static_cast<int>(miPanels.size()) - 1;
    if (miPanelPos < lastIndex - 1) {
        frWiz(currentPanel()).setVisible(false);
        frWiz(currentPanel()).setLeft(PanelParked);
        miPanelPos = lastIndex - 1;
    }
    Panel_Next(false, false);
}

// The installation is done whatever the launch does: a launch that fails with an error is
// told, and the wizard still closes with the run's exit code.
void FmMain::launchProgram() {
    const SystemState& g = sys();
    std::string sFile = g.gsInstallPath + separatorOf(g.gsInstallPath) + g.gsExeName;
    std::string sParams;
    resumeNext([&] { SYS_OpenProgram(sFile, sParams); },
               OnError::report("errHdl_cmdFinish_Click: ").style(mb::OkOnly | mb::Critical).guarded());
}

// What Finish asks for, from the panels of the chosen path; false when the folders are refused.
bool FmMain::readRequest() {
    if (!mbInstall && mbRepair) {
        mbProgram = ticked(ckOpt(4));
        mbDB = ticked(ckOpt(5));
    } else if (!mbInstall && mbRemove) {
        mbProgram = ticked(ckOpt(2));
        mbDB = ticked(ckOpt(3));
    } else if (mbInstall) {
        if (currentPanel() == panel::Folders && !Check_Paths()) return false;
        mbProgram = optInstall(0).selected() || optInstall(1).selected();
        mbDB = optInstall(0).selected() || (!optInstall(1).selected() && optInstall(2).selected());
    }
    return true;
}

}  // namespace tsy
