// Starting programs: msiexec.exe only from the Windows system folder, the wait and the exit code,
// the routine's error handler, and the shell's answers when the installed program is opened.
#include <gtest/gtest.h>

#include "services/system.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

namespace tsy::test {
namespace {

using Lines = std::vector<std::string>;

struct ProcessTest : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override { configureEdition("TSYPRO_3"); }
    Lines seen() const {  // each call as name(arguments) -> answer; a message box as its text and style
        Lines out;
        for (const Call& c : fake.calls) out.push_back(c.name == "msgBox" ? c.args[0] + " #" + c.args[1] : c.str());
        return out;
    }
};

// A planted msiexec.exe beside the setup never runs: the first token names the one the system
// folder holds, and without that folder it is not started at all. Any other program is left to
// its own command line. The text itself is passed on untouched; a wait of 0 has no limit. Created
// counts, whatever the wait gave; the exit code only of a process that ended; nothing is told.
TEST_F(ProcessTest, MsiexecComesFromTheSystemFolder) {
    const std::string sys = "C:\\windows\\system32", msiexec = sys + "\\msiexec.exe";
    const std::tuple<std::string, long, std::string, ProcessResult, std::optional<std::uint32_t>> rows[] = {
        {"msiexec.exe /I \"C:\\Kit\\a.msi\"", 0, msiexec, {true, true, 1603}, 1603},
        {"MsiExec.EXE /x", 0, msiexec, {true, true, 0}, 0}, {"msiexec.exe\t/qb", 0, msiexec, {true, true, 0}, 0},
        {"msiexec.exe", 5000, msiexec, {true, false, 7}, std::nullopt}, {"msiexec.exe.cmd /i", 0, "", {true, true, 0}, 0},
        {"\"C:\\msiexec.exe\" /i", 0, "", {true, true, 0}, 0}, {"prog.exe", 0, "", ProcessResult{}, std::nullopt},
        {"msiexec.exe /x", 0, "-", {true, true, 0}, std::nullopt},  // "-": no system folder to name it by
    };
    for (const auto& [cmd, wait, app, result, code] : rows) {
        fake.calls.clear();
        fake.fault = [&](auto& n) { return n == "systemDirectory" && app == "-" ? FakeOs::FaultReturn : FakeOs::FaultNone; };
        fake.onCreateProcess = [&](auto&, auto&) { return result; };
        Lines expected;
        if (!app.empty()) expected.push_back("systemDirectory() -> " + (app == "-" ? "failed" : sys));
        if (app != "-")
            expected.push_back("createProcess(" + app + "|" + cmd + "|D:|" + (wait ? "5000" : "4294967295") + ") -> " +
                               (result.created ? "exit " + std::to_string(result.exitCode) : "not created"));
        std::string line = cmd;
        std::optional<std::uint32_t> exitCode = 99;
        EXPECT_EQ(SYS_CreateP(line, "D:", wait, &exitCode), app != "-" && result.created) << cmd;
        EXPECT_EQ(exitCode, code) << cmd;
        EXPECT_EQ(seen(), expected);
    }
}

// An error inside is the routine's own to report; debug mode asks whether to go on, and going
// on still never searches for msiexec.exe.
TEST_F(ProcessTest, ErrorHandler) {
    const std::string text = "TSY Install Error - errHdl_SYS_CreateP: Injected fault in systemDirectory (5)\r\r";
    const std::tuple<bool, int, std::string> rows[] = {
        {false, mb::AnswerOk, text + " #16"}, {true, mb::AnswerNo, text + "Resume Next? #4"}, {true, mb::AnswerYes,
                                                                                               text + "Resume Next? #4"}};
    for (const auto& [debug, answer, box] : rows) {
        fake.calls.clear();
        sys().gbDebug = debug;
        fake.msgBoxAnswers = {answer};
        fake.fault = [](auto& n) { return n == "systemDirectory" ? FakeOs::FaultThrow : FakeOs::FaultNone; };
        std::string line = "msiexec.exe /i a.msi";
        EXPECT_FALSE(SYS_CreateP(line, "C:\\", 0));
        EXPECT_EQ(seen(), (Lines{"systemDirectory() -> raised", box}));
    }
}

TEST_F(ProcessTest, OpenProgramByTheShellsAnswer) {
    const std::string file = "C:\\App\\tsy3.exe", open = "shellExecute(open|" + file;
    const std::tuple<long, Lines> rows[] = {
        {32, {}},
        {2, {"Program Not Found: " + file + "\rPlease verify that the path is correct or re-install Tessary Contact "
             "Management\r #0"}},
        {3, {"Path not found:" + file + " #0"}},
        {31, {open + "|1|1|1) -> 2", "Windows does not have a program associated for: " + file + " #0"}},
        {0, {"Sorry, Windows was not able to open your program: 0 #0"}},
        {5, {"Sorry, Windows was not able to open your program: 5 #0"}},
    };
    for (const auto& [answer, after] : rows) {
        fake.calls.clear();
        fake.onShellExecute = [&](auto&, auto& params) { return params == "1" ? 2 : answer; };
        std::string f = file, params;
        EXPECT_EQ(SYS_OpenProgram(f, params), answer >= 32) << answer;
        Lines expected = {open + "|||1) -> " + std::to_string(answer)};
        expected.insert(expected.end(), after.begin(), after.end());
        EXPECT_EQ(seen(), expected);
    }
}

}  // namespace
}  // namespace tsy::test
