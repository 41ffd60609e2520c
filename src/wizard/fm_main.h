// The wizard form fmMain: its controls as data and its event handlers.
//
// The wizard's path is a list of panel numbers and a position in it; Next and Back walk the
// list, a menu button replaces it, Finish hands one request to the installation engine. Closing
// the form by any route ends the process (os().endProcess) with the wizard's exit code.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "wizard/form_model.h"

namespace tsy {

// Exit codes of a wizard run, as Windows Installer numbers them, so that a script that starts
// the wizard can tell what happened.
namespace wizardexit {
constexpr int Done = 0;          // ended after the completion panel, or after Configure
constexpr int Restart = 3010;    // as Done, and Windows must restart to complete the installation
constexpr int Cancelled = 1602;  // closed before any engine run
constexpr int Failed = 1603;     // the engine reported a failure
}  // namespace wizardexit

// The engine as the form calls it: the seven request flags by reference, how the run ended.
// Swappable so that tests record the request instead of running installers.
using InstallFn = std::function<InstallOutcome(bool& bProgram, bool& bDB, bool& bEmail, bool& bRepair,
                                     bool& bRemove, bool& bFullUI, bool& bDBFullUI)>;
InstallFn engineInstall();  // SYS_Install

// The last folder name of the path must be a valid Windows folder name. A rejected name is
// explained in a message box unless bQuiet is set.
bool SYS_StrCheck(std::string sPath, const bool& bQuiet);

class FmMain : public Form {
public:
    FmMain();

    // ---- banner ----
    Control& Frame2 = make(ControlType::Frame, "Frame2", -1, nullptr);
    Control& lbProductName = make(ControlType::Label, "lbProductName", -1, &Frame2);
    Control& lbVersion = make(ControlType::Label, "lbVersion", -1, &Frame2);
    Control& lbRev = make(ControlType::Label, "lbRev", -1, &Frame2);
    Control& imgLogo = make(ControlType::Image, "imgLogo", -1, &Frame2);
    Control& frWSName = make(ControlType::Frame, "frWSName", -1, &Frame2);
    Control& lbCompany = make(ControlType::Label, "lbCompany", -1, &frWSName);
    Control& lbCopyright = make(ControlType::Label, "lbCopyright", -1, &frWSName);
    Control& lbWarning = make(ControlType::Label, "lbWarning", -1, &Frame2);
    Control& lbErr = make(ControlType::Label, "lbErr", -1, &Frame2);

    // ---- panels and their contents (members are created by the constructor) ----
    ControlArray frWiz{"frWiz"};
    ControlArray cmdOpt{"cmdOpt"};
    ControlArray lbOpt{"lbOpt"};
    ControlArray optInstall{"optInstall"};
    ControlArray frConfig{"frConfig"};
    ControlArray ckOpt{"ckOpt"};
    ControlArray ckInstall{"ckInstall"};
    ControlArray txPath{"txPath"};
    ControlArray cmdPath{"cmdPath"};
    Control* lbOLp = nullptr;
    Control* lbProOnlyp = nullptr;
    Control& lbOL() { return *lbOLp; }
    Control& lbProOnly() { return *lbProOnlyp; }

    // ---- button row ----
    Control& cmdCancel = make(ControlType::CommandButton, "cmdCancel", -1, nullptr);
    Control& cmdBack = make(ControlType::CommandButton, "cmdBack", -1, nullptr);
    Control& cmdNext = make(ControlType::CommandButton, "cmdNext", -1, nullptr);
    Control& cmdFinish = make(ControlType::CommandButton, "cmdFinish", -1, nullptr);

    // ---- form-level state ----
    std::vector<int> miPanels;
    int miPanelPos = 0;
    bool mbLoaded = false;
    bool mbInstall = false;
    bool mbConfigure = false;
    bool mbRemove = false;
    bool mbRepair = false;
    bool mbProgram = false;
    bool mbDB = false;
    bool mbEmail = false;

    // The engine that Finish calls.
    InstallFn install = engineInstall();

    // The process exit code that closing the form ends with.
    int exitCode() const { return exitCode_; }
    // The panel at the current position, or -1 when the position is outside the list.
    int currentPanel() const;

    // ---- handlers and routines ----
    void Form_Load();
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void cmdCancel_Click();
    void Panel_Next(bool bBack = false, bool bFirst = false);
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdOpt_Click(int Index);
    void optInstall_Click(int Index);
    void ckOpt_Click(int Index);
    void ckInstall_Click(int Index);
    void cmdPath_Click(int Index);
    std::string BrowseFolder(std::string& sPrompt, bool bProgramFilesRoot);
    bool Check_Paths();
    void cmdFinish_Click();

protected:
    void onFormLoad() override { Form_Load(); }
    void onQueryUnload(int& cancel, int unloadMode) override { Form_QueryUnload(cancel, unloadMode); }
    void onClick(Control& c) override;

private:
    void buildLayout();
    void setUpPanel(int panel);
    void showNext();
    void showFinish();
    bool isRtf3() const;

    int exitCode_ = wizardexit::Cancelled;
};

}  // namespace tsy
