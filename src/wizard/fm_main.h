// The wizard form fmMain: its controls as data and its event handlers.
//
// The wizard's path is a list of panel numbers and a position in it; Next and Back walk the
// list, a menu button replaces it, Finish hands one request to the installation engine. Closing
// the form by any route ends the process (os().endProcess) with the wizard's exit code.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/function_ref.h"
#include "platform/exit_codes.h"
#include "wizard/form_model.h"

namespace tsy {

// The wizard's panels, by the frWiz index each one is.
namespace panel {
enum Id : int {
    Menu = 0,         // install menu
    InstallType = 1,  // program and database, program only, database only
    Options = 2,      // configuration: the Outlook interface
    Remove = 3,       // what to uninstall
    Repair = 4,       // what to repair
    Completed = 5,
    Maintenance = 6,  // maintenance menu of an installed product
    Folders = 7,
};
}  // namespace panel

// The engine as the form calls it: one request in, how the run ended out. Swappable so that
// tests record the request instead of running installers.
using InstallFn = std::function<InstallOutcome(InstallRequest& request)>;
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
    void layoutBanner();
    void layoutButtonRow();
    void layoutPanelFrames();
    void layoutInstallMenu();
    void layoutInstallType();
    void layoutOptions();
    void layoutRemoveAndRepair();
    void layoutCompleted();
    void layoutMaintenanceMenu();
    void layoutFolders();
    Control& member(ControlArray& array, ControlType type, int index, Control& container);
    // Next or Finish: which one is shown, which are enabled, and whether the shown one becomes
    // the default button.
    struct ButtonRule {
        bool finishShown;
        bool nextEnabled;
        bool finishEnabled;
        bool makeDefault;
    };
    // The rule for a panel being set up (entering) or for a choice changed on it; nullopt when
    // the change leaves the buttons alone.
    std::optional<ButtonRule> buttonRule(int panel, bool entering) const;
    void applyButtons(const ButtonRule& rule, FunctionRef<void(FunctionRef<void()>)> run);
    void setUpPanel(int panel);
    void setUpMenu(int panel);
    void setUpOptions();
    void setUpCompleted();
    void loadChoices();
    void chooseInstall(int Index);
    void launchProgram();
    bool readRequest();
    bool hasNoOutlookInterface() const;

    int exitCode_ = exitcode::Cancelled;
};

}  // namespace tsy
