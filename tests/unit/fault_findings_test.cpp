// The faults that fuzzing and fault injection found, one case each: a failed package step is
// never reported as success or as a cancel, a failed program package is not recorded as the
// installed version, and an error inside a click handler is told instead of escaping the form.
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "wizard_fixture.h"

namespace tsy::test {
namespace {

using Lines = std::vector<std::string>;

const std::string kProgramCmd =
    R"(msiexec.exe /I "C:\Kit\tsy3p.msi"ALLUSERS=2  TARGETDIR="C:\Apps\TSY" /qb-)";

ProcessResult programFails(const std::string&, const std::string& cmd) {
    return {true, true, cmd.find("tsy3p.msi") != std::string::npos ? 1603u : 0u};
}

TEST_F(EngineTest, CancelAfterAFailedPackageEndsAsAFailureNotACancel) {
    sys().gbDebug = true;
    fake.onCreateProcess = programFails;
    // Program interface level kept, database interface level blanked: "Cancel install?" Yes.
    fake.inputBoxAnswers = {" /qb-", ""};
    InstallOutcome outcome = run(kProgramDB);
    EXPECT_EQ(outcome, InstallOutcome::Failed);
    EXPECT_EQ(exitCodeFor(outcome), 1603);
    EXPECT_EQ(msi(), Lines{kProgramCmd});
    EXPECT_EQ(trailOf("box Cancel"), Lines{"box Cancel install?"});

    // Without the earlier failure the same answer is a cancel, as before.
    fake.calls.clear();
    fake.onCreateProcess = nullptr;
    fake.inputBoxAnswers = {" /qb-", ""};
    EXPECT_EQ(exitCodeFor(run(kProgramDB)), 1602);
}

TEST_F(EngineTest, ProgramPackageThatFailsIsNotSavedAsTheInstalledVersion) {
    struct {
        const char* name;
        std::function<void()> arrange;
        const char* told;
    } cases[] = {
        {"msiexec.exe ends with 1603", [&] { fake.onCreateProcess = programFails; },
         "box Windows Installer could not complete the installation of:\rC:\\Kit\\tsy3p.msi\r(error 1603)"},
        {"msiexec.exe cannot be created",
         [&] {
             fake.onCreateProcess = [](const std::string&, const std::string& cmd) {
                 if (cmd.find("tsy3p.msi") != std::string::npos) return ProcessResult{};
                 return ProcessResult{true, true, 0};
             };
         },
         "box Windows Installer could not be started for:\rC:\\Kit\\tsy3p.msi"},
        {"no system folder to start it from",
         [&] {
             int asked = 0;
             fake.fault = [asked](const std::string& name) mutable {
                 return name == "systemDirectory" && ++asked == 1 ? FakeOs::FaultReturn
                                                                  : FakeOs::FaultNone;
             };
         },
         "box Windows Installer could not be started for:\rC:\\Kit\\tsy3p.msi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.calls.clear();
        fake.onCreateProcess = nullptr;
        fake.fault = nullptr;
        c.arrange();
        EXPECT_EQ(exitCodeFor(run(kProgramDB)), 1603);
        const Lines boxes = trailOf("box ");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], c.told);
        // The database still goes in where the user asked; only "Ver" is held back.
        EXPECT_EQ(trailOf("save "), (Lines{R"(save DBPath=D:\Data\Tessary Data\MainDB\)",
                                           "save EmailForm=13"}));
    }
}

TEST_F(WizardTest, LaunchThatRaisesAtTheEndIsToldAndTheWizardStillCloses) {
    open();
    click(form->cmdOpt(0));
    finish();
    ASSERT_EQ(shownPanel(), 5);
    fake.fault = [](const std::string& name) {
        return name == "shellExecute" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    EXPECT_EQ(ends([&] { finish(); }), 0);
    EXPECT_EQ(fake.messages(),
              Lines{"errHdl_cmdFinish_Click: Injected fault in shellExecute (5)"});
}

TEST_F(WizardTest, ErrorEscapingAClickHandlerIsToldAndTheFormGoesOn) {
    open("TSYPRO_3", false, true, false);
    click(form->cmdOpt(4));  // Configure
    ASSERT_EQ(shownPanel(), 2);
    click(form->ckOpt(0));   // nothing left to do: Finish turns itself off ...
    ASSERT_FALSE(form->cmdFinish.enabled());
    form->cmdFinish.setEnabled(true);  // ... a view that let the click through all the same
    int boxes = 0;
    fake.fault = [&](const std::string& name) {
        return name == "msgBox" && ++boxes == 1 ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    EXPECT_EQ(ends([&] { finish(); }), -1);
    EXPECT_EQ(fake.messages(), (Lines{"Nothing selected to install or update",
                                      "errHdl_cmdFinish_Click: Injected fault in msgBox (5)"}));
    EXPECT_TRUE(engineCalls.empty());
    EXPECT_TRUE(form->visible());
    EXPECT_EQ(ends([&] { click(form->cmdCancel); }), 1602);
}

}  // namespace
}  // namespace tsy::test
