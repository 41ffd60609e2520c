#include <gtest/gtest.h>

#include <optional>

#include "platform/runtime_error.h"
#include "services/system.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

using namespace tsy;
using tsy::test::FakeOs;
using tsy::test::OsScope;

namespace {

struct ServicesFixture : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override { configureEdition("TSYPRO_3"); }
};

struct HardeningCase {
    const char* cmdLine;
    const char* applicationName;
};

class CreatePHardening : public ServicesFixture,
                         public ::testing::WithParamInterface<HardeningCase> {};

}  // namespace

TEST_P(CreatePHardening, MsiexecComesFromTheSystemFolderAndTheTextStaysAsBuilt) {
    const HardeningCase& c = GetParam();
    fake.sysDir = "C:\\windows\\system32";
    std::string cmd = c.cmdLine;
    EXPECT_TRUE(SYS_CreateP(cmd, "C:\\windows\\system32", 0));
    auto started = fake.callsNamed("createProcess");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].args[0], c.applicationName);
    EXPECT_EQ(started[0].args[1], c.cmdLine);
    EXPECT_EQ(cmd, c.cmdLine);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CreatePHardening,
    ::testing::Values(
        HardeningCase{"msiexec.exe /I \"C:\\Kit\\tsy3p.msi\" ALLUSERS=2",
                      "C:\\windows\\system32\\msiexec.exe"},
        HardeningCase{"MsiExec.EXE /x C:\\Kit\\tsy3db.msi", "C:\\windows\\system32\\msiexec.exe"},
        HardeningCase{"msiexec.exe", "C:\\windows\\system32\\msiexec.exe"},
        HardeningCase{"msiexec.exe\t/qb", "C:\\windows\\system32\\msiexec.exe"},
        // Not a bare msiexec.exe: left to the command line's own first token.
        HardeningCase{"msiexec.exe.cmd /i x.msi", ""},
        HardeningCase{"regsvr32 /s mscomm32.ocx", ""},
        HardeningCase{"\"C:\\Tools\\msiexec.exe\" /i x.msi", ""},
        HardeningCase{"C:\\Kit\\vezEdeRu.exe msiexec.exe", ""}));

TEST_F(ServicesFixture, CreatePWaitsWithoutLimitForZeroAndPassesTheFolder) {
    std::string cmd = "msiexec.exe /i a.msi";
    SYS_CreateP(cmd, "C:\\Sys", 0);
    std::string other = "prog.exe";
    SYS_CreateP(other, "D:\\Work", 5000);
    auto started = fake.callsNamed("createProcess");
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].args[2], "C:\\Sys");
    EXPECT_EQ(started[0].args[3], "4294967295");
    EXPECT_EQ(started[1].args[2], "D:\\Work");
    EXPECT_EQ(started[1].args[3], "5000");
}

TEST_F(ServicesFixture, CreatePReportsCreationAndTheExitCodeOnlyWhenWaitedFor) {
    std::optional<std::uint32_t> code;
    fake.onCreateProcess = [](const std::string&, const std::string&) {
        return ProcessResult{true, true, 1603};
    };
    std::string cmd = "msiexec.exe /i a.msi";
    EXPECT_TRUE(SYS_CreateP(cmd, "C:\\Sys", 0, &code));
    EXPECT_EQ(code, std::optional<std::uint32_t>(1603));

    // The limit passed while the child still runs: created counts, the exit code is unknown.
    fake.onCreateProcess = [](const std::string&, const std::string&) {
        return ProcessResult{true, false, 0};
    };
    EXPECT_TRUE(SYS_CreateP(cmd, "C:\\Sys", 100, &code));
    EXPECT_FALSE(code.has_value());

    fake.onCreateProcess = [](const std::string&, const std::string&) { return ProcessResult{}; };
    std::string missing = "nothere.exe";
    EXPECT_FALSE(SYS_CreateP(missing, "C:\\Sys", 0, &code));
    EXPECT_FALSE(code.has_value());
    EXPECT_TRUE(fake.messages().empty()) << "a process that cannot start is not reported";
}

TEST_F(ServicesFixture, CreatePRefusesMsiexecWhenTheSystemFolderIsUnknown) {
    fake.fault = [](const std::string& n) {
        return n == "systemDirectory" ? FakeOs::FaultReturn : FakeOs::FaultNone;
    };
    std::string cmd = "msiexec.exe /i a.msi";
    EXPECT_FALSE(SYS_CreateP(cmd, "", 0));
    EXPECT_TRUE(fake.callsNamed("createProcess").empty());
}

TEST_F(ServicesFixture, CreatePErrorIsCriticalAndFailsOutsideDebug) {
    fake.fault = [](const std::string& n) {
        return n == "createProcess" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    std::string cmd = "prog.exe";
    EXPECT_FALSE(SYS_CreateP(cmd, "C:\\", 0));
    auto boxes = fake.callsNamed("msgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].args[0],
              "TSY Install Error - errHdl_SYS_CreateP: Injected fault in createProcess (5)\r\r");
    EXPECT_EQ(boxes[0].args[1], std::to_string(mb::OkOnly | mb::Critical));
}

TEST_F(ServicesFixture, CreatePErrorInDebugAsksResumeNextAndNoStopsTheStart) {
    sys().gbDebug = true;
    fake.fault = [](const std::string& n) {
        return n == "systemDirectory" ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    fake.msgBoxAnswers = {mb::AnswerNo};
    std::string cmd = "msiexec.exe /i a.msi";
    EXPECT_FALSE(SYS_CreateP(cmd, "C:\\", 0));
    auto boxes = fake.callsNamed("msgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].args[0],
              "TSY Install Error - errHdl_SYS_CreateP: Injected fault in systemDirectory (5)\r\r"
              "Resume Next?");
    EXPECT_EQ(boxes[0].args[1], std::to_string(mb::YesNo));
    EXPECT_TRUE(fake.callsNamed("createProcess").empty());

    // Yes goes on, but never to an msiexec.exe found by searching.
    fake.clearCalls();
    fake.msgBoxAnswers = {mb::AnswerYes};
    EXPECT_FALSE(SYS_CreateP(cmd, "C:\\", 0));
    EXPECT_TRUE(fake.callsNamed("createProcess").empty());
}

TEST_F(ServicesFixture, ShellOpenSendsTheOpenVerbWithNormalWindow) {
    fake.onShellExecute = [](const std::string&, const std::string&) { return 33L; };
    EXPECT_EQ(SYS_ShellOpen("regsvr32", "/s x.ocx", "C:\\Sys"), 33);
    auto opened = fake.callsNamed("shellExecute");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].args, (std::vector<std::string>{"open", "regsvr32", "/s x.ocx", "C:\\Sys", "1"}));
}

namespace {

struct OpenCase {
    long shellResult;
    bool ok;
    const char* message;  // nullptr: no message box
};

class OpenProgramMessages : public ServicesFixture,
                            public ::testing::WithParamInterface<OpenCase> {};

}  // namespace

TEST_P(OpenProgramMessages, ByShellReturnValue) {
    const OpenCase& c = GetParam();
    fake.onShellExecute = [&](const std::string&, const std::string& params) {
        return params == "1" ? 2L : c.shellResult;  // the retry's answer must not matter
    };
    std::string file = "C:\\Program Files (x86)\\Tessary Contact Management\\tsy3.exe";
    std::string params;
    EXPECT_EQ(SYS_OpenProgram(file, params), c.ok);
    auto boxes = fake.callsNamed("msgBox");
    if (!c.message) {
        EXPECT_TRUE(boxes.empty());
        return;
    }
    ASSERT_EQ(boxes.size(), 1u);
    std::string expected = c.message;
    if (c.shellResult != 0 && c.shellResult != 5) expected += file;
    if (c.shellResult == 2)
        expected += "\rPlease verify that the path is correct or re-install Tessary Contact Management\r";
    EXPECT_EQ(boxes[0].args[0], expected);
    EXPECT_EQ(boxes[0].args[1], std::to_string(mb::OkOnly));
    EXPECT_EQ(boxes[0].args[2], "");
    auto opened = fake.callsNamed("shellExecute");
    EXPECT_EQ(opened[0].args, (std::vector<std::string>{"open", file, "", "", "1"}));
}

INSTANTIATE_TEST_SUITE_P(
    ReturnValues, OpenProgramMessages,
    ::testing::Values(OpenCase{42, true, nullptr}, OpenCase{32, true, nullptr},
                      OpenCase{2, false, "Program Not Found: "},
                      OpenCase{3, false, "Path not found:"},
                      OpenCase{31, false, "Windows does not have a program associated for: "},
                      OpenCase{0, false, "Sorry, Windows was not able to open your program: 0"},
                      OpenCase{5, false, "Sorry, Windows was not able to open your program: 5"}));

TEST_F(ServicesFixture, OpenProgramWithoutAssociationAsksTheShellAgainBeforeTheMessage) {
    fake.onShellExecute = [](const std::string&, const std::string&) { return 31L; };
    std::string file = "C:\\Data\\notes.xyz";
    std::string params;
    EXPECT_FALSE(SYS_OpenProgram(file, params));
    std::vector<std::string> order;
    for (const auto& c : fake.calls) order.push_back(c.name);
    EXPECT_EQ(order, (std::vector<std::string>{"shellExecute", "shellExecute", "msgBox"}));
    EXPECT_EQ(fake.calls[1].args, (std::vector<std::string>{"open", file, "1", "1", "1"}));
}
