// fmMain's event handlers: load and close, panel sequencing, the choices, the folders and
// Finish.
#include "wizard/fm_main.h"

#include <exception>

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

// The routines that go on with the next statement after an error run each statement through
// this, so that one failing control update (typically a focus that cannot be taken) leaves the
// rest of the set-up intact.
class ResumeNext {
public:
    ResumeNext(std::string label, bool alwaysShow) : label_(std::move(label)), always_(alwaysShow) {}
    std::function<std::string()> detail;  // appended to the message (the value being worked on)
    void operator()(FunctionRef<void()> statement) const {
        resumeNext(statement, [this](const RuntimeError& e) {
            if (!always_ && !sys().gbDebug) return;
            os().msgBox(handlerText(label_, e) + (detail ? detail() : std::string()), mb::OkOnly, "");
        });
    }

private:
    std::string label_;
    bool always_;
};

bool ticked(const Control& box) { return box.value() == 1; }

std::string separatorOf(const std::string& path) { return contains(path, '/') ? "/" : "\\"; }

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
    return [](bool& bProgram, bool& bDB, bool& bEmail, bool& bRepair, bool& bRemove,
              bool& bFullUI, bool& bDBFullUI) {
        InstallOutcome outcome = InstallOutcome::Failed;
        SYS_Install(bProgram, bDB, bEmail, bRepair, bRemove, bFullUI, bDBFullUI, &outcome);
        return outcome;
    };
}

int FmMain::currentPanel() const {
    if (miPanelPos < 0 || miPanelPos >= static_cast<int>(miPanels.size())) return -1;
    return miPanels[static_cast<std::size_t>(miPanelPos)];
}

bool FmMain::isRtf3() const { return iequals(sys().gsAppKey, "TSYPRO_RTF3"); }

void FmMain::onClick(Control& c) {
    const std::string& n = c.name();
    // A click handler has nobody to hand an error to: one that escaped would unwind through
    // the system's window procedure, which ends the process without a word. The user is told
    // which action failed, and the wizard stays usable.
    try {
        if (n == "cmdCancel") cmdCancel_Click();
        else if (n == "cmdBack") cmdBack_Click();
        else if (n == "cmdNext") cmdNext_Click();
        else if (n == "cmdFinish") cmdFinish_Click();
        else if (n == "cmdOpt") cmdOpt_Click(c.index());
        else if (n == "optInstall") optInstall_Click(c.index());
        else if (n == "ckOpt") ckOpt_Click(c.index());
        else if (n == "ckInstall") ckInstall_Click(c.index());
        else if (n == "cmdPath") cmdPath_Click(c.index());
    } catch (const ProcessEnded&) {
        throw;
    } catch (...) {
        const RuntimeError e = asRuntimeError(std::current_exception());
        resumeNext(
            [&] {
                os().msgBox(handlerText("errHdl_" + n + "_Click: ", e), mb::OkOnly | mb::Critical,
                            "");
            },
            nullptr);
    }
}

// ---------------------------------------------------------------- initialisation and closing

void FmMain::Form_Load() {
    const ResumeNext step("errHdl_Form_Load: ", true);
    SystemState& g = sys();
    std::string sEdition;
    std::string sVersion;

    step([&] { window().setWidth(7425); });
    step([&] { window().setHeight(6345); });
    step([&] { sEdition = g.gbPro ? "Professional" : "Lite"; });
    if (g.gbUpdate) {
        step([&] { window().setCaption("Tessary Contact Management Update Wizard"); });
        // From here on the database counts as not installed: an update always offers it.
        step([&] { g.gbDBInstalled = false; });
        step([&] { sVersion = "Update to " + g.gsVersion; });
    } else {
        step([&] { window().setCaption("Tessary Contact Management Install Wizard"); });
        step([&] { sVersion = sEdition + " " + left(g.gsVersion, 3); });
    }
    step([&] { lbVersion.setCaption(sVersion); });
    step([&] { lbRev.setCaption("Rev: " + g.gsVersion); });
    step([&] { lbRev.setVisible(!g.gbUpdate); });
    step([&] { ckInstall(2).setEnabled(true); });
    step([&] { txPath(1).setText(g.gsInstallPath); });
    step([&] { txPath(2).setText(g.gsDBPath); });
    if (g.gbUpdate) {
        step([&] { ckInstall(1).setCaption("Install &Program Update"); });
        step([&] { ckInstall(2).setCaption("Install &Database Update"); });
    }
    step([&] { ckOpt(4).setEnabled(g.gbInstalled); });
    step([&] { ckOpt(5).setEnabled(!isRtf3()); });
    if (g.gbUpdate) step([&] { ckOpt(5).setCaption("Re-install &Database Update"); });
    step([&] { ckOpt(2).setEnabled(g.gbInstalled); });
    step([&] { ckOpt(3).setEnabled(!isRtf3() && g.gbDBInstalled); });
    if (!g.gbInstalled) {
        step([&] { ckOpt(2).setValue(0); });
        if (g.gbDBInstalled) step([&] { ckOpt(3).setValue(1); });
    }
    if (g.gbUpdate) {
        step([&] { optInstall(1).select(); });
        step([&] { optInstall(2).select(); });
        step([&] { optInstall(0).setCaption("&Install Program and Database Update"); });
        step([&] { optInstall(1).setCaption("&Workstation Install (Program Update Only)"); });
        step([&] { optInstall(2).setCaption("&Database Update (Database Only)"); });
        step([&] { frWiz(5).setCaption(" Update Completed "); });
    }
    step([&] { lbProOnly().setVisible(!g.gbPro); });
    step([&] { ckOpt(1).setVisible(true); });
    step([&] { miPanelPos = 0; });
    step([&] {
        miPanels = g.gbInstalled ? std::vector<int>{6, 1, 2, 5} : std::vector<int>{0, 1, 2, 5};
    });
    step([&] { cmdCancel.setEnabled(true); });
    step([&] { mbLoaded = true; });
    step([&] { Show(); });
    step([&] { Panel_Next(false, true); });
}

void FmMain::Form_QueryUnload([[maybe_unused]] int& Cancel, [[maybe_unused]] int UnloadMode) {
    // Closing the wizard by any route ends the process, without a question.
    try {
        os().endProcess(exitCode_);
    } catch (const ProcessEnded&) {
        throw;
    } catch (...) {
        RuntimeError e = asRuntimeError(std::current_exception());
        if (sys().gbDebug)
            os().msgBox("errHdl_Form_QueryUnload: " + e.description() + "(" +
                            std::to_string(e.number()) + ")",
                        mb::OkOnly, "TSY Install");
    }
}

void FmMain::cmdCancel_Click() { Unload(FormCode); }

// ------------------------------------------------------------------------- panel sequencing

void FmMain::showNext() {
    cmdNext.setEnabled(true);
    cmdNext.setVisible(true);
    cmdFinish.setVisible(false);
    cmdFinish.setEnabled(false);
    cmdNext.bringToFront();
    cmdNext.setDefault(true);
}

void FmMain::showFinish() {
    cmdFinish.setEnabled(true);
    cmdFinish.setVisible(true);
    cmdNext.setVisible(false);
    cmdNext.setEnabled(false);
    cmdFinish.bringToFront();
    cmdFinish.setDefault(true);
}

void FmMain::Panel_Next(bool bBack, bool bFirst) {
    const ResumeNext step("errHdl_Panel_Next: ", false);

    // Only a forward step leaves the folders panel through the folder check.
    bool stop = false;
    step([&] {
        if (currentPanel() == 7 && !bBack && !bFirst && !Check_Paths()) stop = true;
    });
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
        step([&] { Unload(FormCode); });
        return;
    }
    if (miPanelPos != oldPos) {
        step([&] { frWiz(miPanels.at(static_cast<std::size_t>(oldPos))).setVisible(false); });
        step([&] { frWiz(miPanels.at(static_cast<std::size_t>(oldPos))).setLeft(PanelParked); });
    }
    const int panel = currentPanel();
    step([&] { frWiz(panel).setLeft(PanelSlotLeft); });
    step([&] { frWiz(panel).setTop(PanelSlotTop); });
    step([&] { frWiz(panel).setVisible(true); });
    step([&] { frWiz(panel).bringToFront(); });

    setUpPanel(panel);

    step([&] { frWSName.setVisible(panel == 5); });
    step([&] { lbWarning.setVisible(panel != 5); });
}

void FmMain::setUpPanel(int panel) {
    const ResumeNext step("errHdl_Panel_Next: ", false);
    switch (panel) {
        case 0:
        case 6:
            step([&] { mbProgram = mbDB = mbEmail = false; });
            step([&] { mbInstall = mbConfigure = mbRemove = mbRepair = false; });
            step([&] { cmdBack.setEnabled(false); });
            step([&] { cmdNext.setEnabled(false); });
            step([&] { cmdNext.setVisible(true); });
            step([&] { cmdNext.bringToFront(); });
            step([&] { cmdFinish.setVisible(false); });
            step([&] { cmdFinish.setEnabled(false); });
            // The focus can only go to a shown window.
            if (visible()) {
                if (panel == 0) {
                    step([&] { cmdOpt(0).setEnabled(!isRtf3()); });
                    step([&] { cmdOpt(isRtf3() ? 1 : 0).setFocus(); });
                } else {
                    step([&] { cmdOpt(3).setFocus(); });
                }
            }
            break;
        case 1:
        case 7: {
            step([&] { cmdBack.setEnabled(true); });
            const bool D = optInstall(2).selected();
            step([&] { cmdNext.setEnabled(!D); });
            step([&] { cmdNext.setVisible(!D); });
            step([&] { cmdFinish.setVisible(D); });
            step([&] { cmdFinish.setEnabled(D); });
            Control& front = D ? cmdFinish : cmdNext;
            step([&] { front.bringToFront(); });
            step([&] { front.setDefault(true); });
            step([&] { front.setFocus(); });
            break;
        }
        case 2:
            step([&] { cmdBack.setEnabled(true); });
            step([&] { cmdNext.setEnabled(false); });
            step([&] { cmdNext.setVisible(false); });
            step([&] { cmdFinish.setVisible(true); });
            step([&] { cmdFinish.setEnabled(true); });
            if (isRtf3()) {
                // This edition has no Outlook interface to offer.
                step([&] { ckOpt(0).setValue(0); });
                step([&] { ckOpt(0).setEnabled(false); });
            } else if (mbConfigure) {
                step([&] { ckOpt(0).setValue(1); });
            }
            step([&] { cmdFinish.bringToFront(); });
            step([&] { cmdFinish.setDefault(true); });
            step([&] { cmdFinish.setFocus(); });
            break;
        case 3:
            step([&] { cmdBack.setEnabled(true); });
            step([&] { cmdNext.setEnabled(false); });
            step([&] { cmdNext.setVisible(false); });
            step([&] { cmdFinish.setVisible(true); });
            step([&] { cmdFinish.setEnabled(ticked(ckOpt(2)) || ticked(ckOpt(3))); });
            step([&] { cmdFinish.bringToFront(); });
            step([&] { cmdFinish.setDefault(true); });
            step([&] {
                if (cmdFinish.enabled()) cmdFinish.setFocus();
            });
            break;
        case 4: {
            step([&] { cmdBack.setEnabled(true); });
            const bool P = ticked(ckOpt(4));
            step([&] { cmdNext.setEnabled(P); });
            step([&] { cmdNext.setVisible(P); });
            step([&] { cmdFinish.setVisible(!P); });
            step([&] { cmdFinish.setEnabled(!P); });
            if (P) {
                step([&] { cmdNext.bringToFront(); });
                step([&] { cmdNext.setDefault(true); });
                step([&] { cmdNext.setFocus(); });
            } else if (ticked(ckOpt(5))) {
                step([&] { cmdFinish.bringToFront(); });
                step([&] { cmdFinish.setDefault(true); });
                step([&] { cmdFinish.setFocus(); });
            } else {
                step([&] { cmdFinish.setEnabled(false); });
            }
            break;
        }
        case 5:
            // The window was hidden while the engine ran.
            step([&] { Show(); });
            step([&] { cmdBack.setEnabled(false); });
            step([&] { cmdNext.setEnabled(false); });
            step([&] { cmdCancel.setEnabled(false); });
            step([&] { cmdNext.setVisible(false); });
            if (mbInstall) {
                step([&] { ckOpt(1).setVisible(true); });
                step([&] { ckOpt(1).setValue(1); });
            } else {
                step([&] { ckOpt(1).setVisible(false); });
                step([&] { ckOpt(1).setValue(0); });
            }
            step([&] { cmdFinish.setVisible(true); });
            step([&] { cmdFinish.setEnabled(true); });
            step([&] { cmdFinish.bringToFront(); });
            step([&] { cmdFinish.setDefault(true); });
            step([&] { cmdFinish.setFocus(); });
            break;
        default:
            step([&] { os().msgBox("Panel is undefined: " + std::to_string(panel), mb::OkOnly, ""); });
            break;
    }
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

    switch (Index) {
        case 0:
            mbInstall = true;
            miPanels = {0, 2};
            optInstall(0).select();
            ckInstall(1).setValue(1);
            ckInstall(2).setValue(1);
            sMsg += installed;
            break;
        case 1:
            mbInstall = true;
            if (g.gbUpdate) {
                miPanels = g.gbInstalled && g.gbDBInstalled ? std::vector<int>{0, 1, 2}
                                                            : std::vector<int>{0, 7, 2};
                optInstall(1).select();
            } else {
                miPanels = {0, 7, 2};
            }
            ckInstall(1).setValue(1);
            ckInstall(2).setValue(0);
            sMsg += installed;
            break;
        case 2:
            mbInstall = true;
            miPanels = {0, 7, 2};
            if (g.gbUpdate) optInstall(1).select();
            ckInstall(1).setValue(1);
            ckInstall(2).setValue(1);
            sMsg += installed;
            break;
        case 3:
            mbRepair = true;
            miPanels = {6, 4, 2};
            sMsg += " has been repaired.";
            break;
        case 4:
            mbConfigure = true;
            miPanels = {6, 2};
            break;
        case 5:
            mbRemove = true;
            miPanels = {6, 3};
            sMsg += " has been removed from your computer.";
            break;
        default:
            // No such button: leave the path as it was rather than grow it.
            os().msgBox("Option not defined", mb::OkOnly, "");
            return;
    }
    if (!mbConfigure) {
        miPanels.push_back(5);
        lbOpt(10).setCaption(sMsg);
    }
    Panel_Next(false, false);
}

void FmMain::optInstall_Click(int Index) {
    if (!mbLoaded || currentPanel() != 1 || !mbInstall) return;
    if (Index == 2) showFinish();
    else showNext();
}

void FmMain::ckOpt_Click([[maybe_unused]] int Index) {
    // The panel shown decides, not the box.
    if (!mbLoaded) return;
    switch (currentPanel()) {
        case 4: {
            const bool P = ticked(ckOpt(4));
            const bool D = ticked(ckOpt(5));
            cmdNext.setEnabled(P);
            cmdNext.setVisible(P);
            cmdFinish.setVisible(!P);
            cmdFinish.setEnabled(!P);
            if (P) {
                cmdNext.bringToFront();
                cmdNext.setDefault(true);
            } else if (D) {
                cmdFinish.bringToFront();
                cmdFinish.setDefault(true);
            } else {
                cmdFinish.setEnabled(false);
            }
            break;
        }
        case 3:
            cmdFinish.setEnabled(ticked(ckOpt(2)) || ticked(ckOpt(3)));
            break;
        case 2:
            if (mbConfigure) cmdFinish.setEnabled(ticked(ckOpt(0)));
            break;
        default:
            break;
    }
}

void FmMain::ckInstall_Click(int Index) {
    const bool on = ticked(ckInstall(Index));
    txPath(Index).setEnabled(on);
    cmdPath(Index).setEnabled(on);
    const bool P = ticked(ckInstall(1));
    const bool D = ticked(ckInstall(2));
    if (mbLoaded && currentPanel() == 7) {
        cmdNext.setEnabled(P);
        cmdFinish.setEnabled(!P && D);
        cmdNext.setVisible(P);
        cmdFinish.setVisible(!P);
        Control& front = P ? cmdNext : cmdFinish;
        front.bringToFront();
        front.setDefault(true);
    }
    // Finish reads the install type, so it follows the boxes.
    if (P && D) optInstall(0).select();
    else if (P) optInstall(1).select();
    else if (D) optInstall(2).select();
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
    try {
        if (sPrompt.empty()) sPrompt = "Select Installation Folder:";
        const int root = bProgramFilesRoot ? csidl::ProgramFiles : -1;
        std::string chosen = os().browseForFolder(hWnd(), sPrompt, BrowseFlags, root);
        const std::size_t nul = chosen.find('\0');
        if (nul != std::string::npos) chosen.resize(nul);
        return chosen;
    } catch (const ProcessEnded&) {
        throw;
    } catch (...) {
        const RuntimeError e = asRuntimeError(std::current_exception());
        if (sys().gbDebug) os().msgBox(handlerText("errHdl_BrowseFolder: ", e), mb::OkOnly, "");
        return "";
    }
}

bool FmMain::Check_Paths() {
    if (currentPanel() != 7) return true;
    std::string sPath;
    bool bErr = false;
    ResumeNext step("errHdl_Check_Paths: ", false);
    step.detail = [&] { return sys().gsCR + sPath; };

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
    if (currentPanel() == 5) {
        if (!mbRemove && ckOpt(1).visible()) {
            const std::string sep = separatorOf(g.gsInstallPath);
            if (ticked(ckOpt(1))) {
                std::string sFile = g.gsInstallPath + sep + g.gsExeName;
                std::string sParams;
                // The installation is done whatever the launch does: a launch that fails with
                // an error is told, and the wizard still closes with the run's exit code.
                resumeNext([&] { SYS_OpenProgram(sFile, sParams); },
                           [](const RuntimeError& e) {
                               resumeNext(
                                   [&] {
                                       os().msgBox(handlerText("errHdl_cmdFinish_Click: ", e),
                                                   mb::OkOnly | mb::Critical, "");
                                   },
                                   nullptr);
                           });
            }
        }
        Unload(FormCode);
        return;
    }

    if (!mbInstall && mbRepair) {
        mbProgram = ticked(ckOpt(4));
        mbDB = ticked(ckOpt(5));
    } else if (!mbInstall && mbRemove) {
        mbProgram = ticked(ckOpt(2));
        mbDB = ticked(ckOpt(3));
    } else if (mbInstall) {
        if (currentPanel() == 7 && !Check_Paths()) return;
        if (optInstall(0).selected()) {
            mbProgram = true;
            mbDB = true;
        } else if (optInstall(1).selected()) {
            mbProgram = true;
            mbDB = false;
        } else {
            mbProgram = false;
            mbDB = optInstall(2).selected();
        }
    }
    if (!txPath(1).text().empty()) g.gsInstallPath = txPath(1).text();
    if (!txPath(2).text().empty()) g.gsDBPath = txPath(2).text();
    mbEmail = !mbRemove && (mbProgram || mbConfigure) ? ticked(ckOpt(0)) : false;

    if (!mbProgram && !mbDB && !mbEmail) {
        os().msgBox("Nothing selected to install or update", mb::OkOnly, "");
        return;
    }

    Hide();
    bool bFullUI = false;
    bool bDBFullUI = false;
    InstallOutcome outcome = InstallOutcome::Failed;
    try {
        outcome = install(mbProgram, mbDB, mbEmail, mbRepair, mbRemove, bFullUI, bDBFullUI);
    } catch (const ProcessEnded&) {
        throw;
    } catch (...) {
        // An engine that gives up with an error has failed; the window must not stay hidden.
        outcome = InstallOutcome::Failed;
    }

    if (outcome != InstallOutcome::Succeeded && outcome != InstallOutcome::Restart) {
        exitCode_ = wizardexit::Failed;
        Unload(FormCode);
        return;
    }
    exitCode_ = outcome == InstallOutcome::Restart ? wizardexit::Restart : wizardexit::Done;
    const int lastIndex = static_cast<int>(miPanels.size()) - 1;
    if (miPanelPos < lastIndex - 1) {
        frWiz(currentPanel()).setVisible(false);
        frWiz(currentPanel()).setLeft(PanelParked);
        miPanelPos = lastIndex - 1;
    }
    Panel_Next(false, false);
}

}  // namespace tsy
