// fmMain as designed: every control with its container, caption, font, colour, position and
// size in twips, and its design-time state. The load handler adapts it to the run afterwards.
#include "wizard/fm_main.h"

namespace tsy {

namespace {

Font sans(double size, bool bold = false) { return Font{"MS Sans Serif", size, bold, false}; }
Font arial(double size, bool bold = false, bool italic = false) {
    return Font{"Arial", size, bold, italic};
}

void design(Control& c, const std::string& caption, int left, int top, int width, int height,
            Font font = sans(8.25)) {
    c.initCaption(caption);
    c.initBounds(left, top, width, height);
    c.font = std::move(font);
}

// The description labels beside the menu buttons, and the completion text.
void optionLabel(Control& c) {
    c.font = sans(8.25, true);
    c.alignment = Alignment::Center;
    c.backColour = rgb(163, 169, 252);
}

}  // namespace

FmMain::FmMain() { buildLayout(); }

void FmMain::buildLayout() {
    window().initCaption("Tessary Setup");
    // Designed at the size the load handler sets, so that the window is made at its final size.
    window().initBounds(0, 0, 7425, 6345);
    layoutBanner();
    layoutButtonRow();
    layoutPanelFrames();
    layoutInstallMenu();
    layoutInstallType();
    layoutOptions();
    layoutRemoveAndRepair();
    layoutCompleted();
    layoutMaintenanceMenu();
    layoutFolders();
}

Control& FmMain::member(ControlArray& array, ControlType type, int index, Control& container) {
    Control& c = make(type, array.name(), index, &container);
    array.add(c);
    return c;
}

void FmMain::layoutBanner() {
    design(Frame2, "", 60, 60, 7200, 5265);
    design(lbProductName, "Tessary Contact Management", 60, 180, 5205, 1515, arial(30, true));
    lbProductName.alignment = Alignment::Center;
    design(lbVersion, "Professional 3.2", 60, 1620, 5205, 510, arial(20.25, true, true));
    lbVersion.alignment = Alignment::Center;
    design(lbRev, "Rev 3.2.4", 2310, 2100, 705, 210);
    lbRev.alignment = Alignment::Center;
    lbRev.autoSize = true;
    design(imgLogo, "", 4980, 240, 1815, 2205);
    design(frWSName, "", 3540, 4500, 3375, 675, sans(9.75, true));
    frWSName.initVisible(false);
    design(lbCompany, "Morvane Software", -120, 0, 3255, 435, arial(18, true));
    lbCompany.alignment = Alignment::Right;
    lbCompany.autoSize = true;
    design(lbCopyright, "Contacts made simple", 1440, 420, 1935, 255);
    lbCopyright.alignment = Alignment::Right;
    design(lbWarning,
           "This program is protected by copyright law and international treaties.", 120,
           4980, 6615, 195);
    lbWarning.initVisible(false);
    design(lbErr, "Path entered is invalid, please correct", 240, 4920, 6615, 195,
           arial(8.25, true));
    lbErr.initForeColor(colour::Red);
    lbErr.initVisible(false);
}

void FmMain::layoutButtonRow() {
    design(cmdCancel, "&Cancel", 3840, 5460, 1035, 315);
    cmdCancel.isCancel = true;
    design(cmdBack, "&Back", 5160, 5460, 975, 315);
    design(cmdNext, "&Next", 6180, 5460, 1035, 315);
    design(cmdFinish, "&Finish", 6180, 5460, 1035, 315);
}

void FmMain::layoutPanelFrames() {
    // ---- panels ----
    struct PanelDesign {
        const char* caption;
        int width, height;
    };
    static const PanelDesign panels[8] = {
        {" Installation Options ", 6375, 2355},  {" Installation Options ", 4875, 1875},
        {" Configuration Options ", 4875, 1875}, {" Uninstall Options ", 4875, 1875},
        {" Repair Options ", 4875, 1875},        {" Installation Completed ", 4875, 1875},
        {" Installation Options ", 6375, 2295},  {" Installation Options ", 6315, 2355},
    };
    for (int i = 0; i < 8; ++i) {
        Control& f = make(ControlType::Frame, "frWiz", i, nullptr);
        frWiz.add(f);
        design(f, panels[i].caption, 480, 2580, panels[i].width, panels[i].height,
               sans(13.5, true));
        f.initForeColor(colour::Blue);
        f.initVisible(false);
    }
}

void FmMain::layoutInstallMenu() {
    // panel 0: install menu
    Control& p0 = frWiz(panel::Menu);
    design(member(cmdOpt, ControlType::CommandButton, 0, p0), "&Single User Install", 240, 540,
           2715, 495, sans(12, true));
    design(member(cmdOpt, ControlType::CommandButton, 1, p0), "&Network Install", 240, 1080,
           2715, 495, sans(12, true));
    design(member(cmdOpt, ControlType::CommandButton, 2, p0), "&Custom Install", 240, 1740, 2715,
           435, sans(12, true));
    design(member(lbOpt, ControlType::Label, 0, p0),
           "Install program and database for Single User", 3060, 540, 3075, 495);
    design(member(lbOpt, ControlType::Label, 1, p0),
           "Installation option for Multi-user network environment", 3060, 1080, 3075, 495);
    design(member(lbOpt, ControlType::Label, 2, p0),
           "Allows selection of directories for Single User or Network installation", 3060,
           1740, 3075, 435);
}

void FmMain::layoutInstallType() {
    // panel 1: install type
    Control& p1 = frWiz(panel::InstallType);
    design(member(optInstall, ControlType::OptionButton, 0, p1), "&Install Program and Database",
           540, 600, 4275, 315, sans(8.25, true));
    design(member(optInstall, ControlType::OptionButton, 1, p1),
           "&Workstation Install (Program Only)", 540, 1020, 4275, 315, sans(8.25, true));
    design(member(optInstall, ControlType::OptionButton, 2, p1),
           "&Database Install (Database Only)", 540, 1440, 4275, 315, sans(8.25, true));
    optInstall(0).initValue(1);
}

void FmMain::layoutOptions() {
    // panel 2: configuration
    Control& p2 = frWiz(panel::Options);
    Control& fc0 = member(frConfig, ControlType::Frame, 0, p2);
    design(fc0, "Program Configuration ", 360, 600, 4095, 975, sans(8.25, true));
    design(member(ckOpt, ControlType::CheckBox, 0, fc0),
           "&Install Microsoft Office Outlook Interface", 240, 360, 3195, 255);
    ckOpt(0).initValue(1);
    lbOLp = &make(ControlType::Label, "lbOL", -1, &fc0);
    design(*lbOLp, "(Enables sending Email with Microsoft Office Outlook)", 0, 660, 4035, 315);
    lbOLp->alignment = Alignment::Center;
    lbOLp->transparent = true;
    Control& fc1 = member(frConfig, ControlType::Frame, 1, p2);
    design(fc1, "Database Configuration: ", 360, 2340, 4095, 735, sans(8.25, true));
    fc1.initVisible(false);
    design(member(ckOpt, ControlType::CheckBox, 6, fc1), "&Install Additional Contact Database",
           240, 360, 3195, 255);
    lbProOnlyp = &make(ControlType::Label, "lbProOnly", -1, &p2);
    design(*lbProOnlyp, "Professional Version Feature", 60, 1560, 4755, 255, arial(8.25, true));
    lbProOnlyp->initForeColor(colour::Blue);
    lbProOnlyp->alignment = Alignment::Center;
    lbProOnlyp->initVisible(false);
}

void FmMain::layoutRemoveAndRepair() {
    // panel 3: uninstall
    Control& p3 = frWiz(panel::Remove);
    design(member(ckOpt, ControlType::CheckBox, 2, p3),
           "Remove Tessary Contact Management &Program files", 420, 660, 3255, 435);
    ckOpt(2).initValue(1);
    design(member(ckOpt, ControlType::CheckBox, 3, p3), "Remove &Database ", 420, 1200, 3255,
           255);

    // panel 4: repair
    Control& p4 = frWiz(panel::Repair);
    design(member(ckOpt, ControlType::CheckBox, 4, p4),
           "Re-install &Program Files for Tessary Contact Management", 420, 660, 4395, 435);
    ckOpt(4).initValue(1);
    design(member(ckOpt, ControlType::CheckBox, 5, p4),
           "Re-install &Database  (WARNING: This will overwrite all of your existing Contact "
           "Records)",
           420, 1140, 4095, 435);
}

void FmMain::layoutCompleted() {
    // panel 5: completion
    Control& p5 = frWiz(panel::Completed);
    design(member(lbOpt, ControlType::Label, 10, p5),
           "Tessary Contact Managment installation has completed.", 240, 600, 4455, 795);
    design(member(ckOpt, ControlType::CheckBox, 1, p5), "&Launch Tessary Contact Management",
           240, 1500, 3255, 255);
    ckOpt(1).initValue(1);
}

void FmMain::layoutMaintenanceMenu() {
    // panel 6: maintenance menu
    Control& p6 = frWiz(panel::Maintenance);
    design(member(cmdOpt, ControlType::CommandButton, 3, p6), "&Repair", 240, 540, 2715, 495,
           sans(12, true));
    design(member(cmdOpt, ControlType::CommandButton, 4, p6), "&Configure", 240, 1140, 2715, 435,
           sans(9.75, true));
    design(member(cmdOpt, ControlType::CommandButton, 5, p6), "Remo&ve", 240, 1680, 2715, 435,
           sans(9.75, true));
    design(member(lbOpt, ControlType::Label, 3, p6),
           " Reinstall or Repair Tessary Contact Managment Program ", 3060, 540, 3075, 495);
    design(member(lbOpt, ControlType::Label, 4, p6), "Install Microsoft Office Outlook Interface",
           3060, 1140, 3075, 435);
    design(member(lbOpt, ControlType::Label, 5, p6),
           "Remove Tessary Contact Management from this computer", 3060, 1680, 3075, 435);
    for (int i : lbOpt.indices()) optionLabel(lbOpt(i));
}

void FmMain::layoutFolders() {
    // panel 7: folders
    Control& p7 = frWiz(panel::Folders);
    const char* const tips[3] = {"", "Look for folder to install program",
                                 "Look for folder to install database"};
    const char* const boxes[3] = {"", "Install &Program Files:", "Install Database:"};
    const int rowTop[3] = {0, 540, 1440};
    const int boxWidth[3] = {0, 4395, 5895};
    for (int i = 1; i <= 2; ++i) {
        design(member(ckInstall, ControlType::CheckBox, i, p7), boxes[i], 240, rowTop[i],
               boxWidth[i], 255, sans(8.25, true));
        Control& tx = member(txPath, ControlType::TextBox, i, p7);
        design(tx, "", 240, rowTop[i] + 300, 4815, 315);
        tx.initText("txPath");
        tx.initEnabled(false);
        Control& b = member(cmdPath, ControlType::CommandButton, i, p7);
        design(b, "Browse...", 5160, rowTop[i] + 300, 975, 315);
        b.toolTip = tips[i];
        b.initEnabled(false);
    }
}

}  // namespace tsy
