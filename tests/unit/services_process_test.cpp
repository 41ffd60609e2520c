// Starting programs: msiexec.exe only from the Windows system folder, the wait, the exit code,
// the routine's error handler, and the shell's answers when the installed program is opened.
#include <gtest/gtest.h>

#include "services/system.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

namespace tsy::test {
namespace {

struct ProcessTest : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override { configureEdition("TSYPRO_3"); }
    std::string started() const {  // application name|command line|folder|wait, or "" when none was
        const std::vector<Call> c = fake.callsNamed("createProcess");
        return c.empty() ? "" : c[0].args[0] + "|" + c[0].args[1] + "|" + c[0].args[2] + "|" + c[0].args[3];
    }
};

// A planted msiexec.exe beside the setup never runs: the first token names the one the system
// folder holds, and without that folder it is not started at all. Any other program is left to
// its own command line. The text itself is passed on untouched.
TEST_F(ProcessTest, MsiexecComesFromTheSystemFolder) {
    const std::string sys = "C:\\windows\\system32\\msiexec.exe";
    const std::tuple<std::string, std::string, bool> rows[] = {
        {"msiexec.exe /I \"C:\\Kit\\a.msi\"", sys, true}, {"MsiExec.EXE /x a.msi", sys, true}, {"msiexec.exe\t/qb", sys, true},
        {"msiexec.exe", sys, true}, {"msiexec.exe.cmd /i a.msi", "", true}, {"\"C:\\Tools\\msiexec.exe\" /i a.msi", "", true},
        {"msiexec.exe /x a.msi", "", false}, {"prog.exe", "", false},
    };
    for (const auto& [cmd, app, systemFolder] : rows) {
        fake.calls.clear();
        fake.fault = [&](const std::string& n) { return n == "systemDirectory" && !systemFolder ? FakeOs::FaultReturn : FakeOs::FaultNone; };
        std::string line = cmd;
        const bool refused = !systemFolder && cmd != "prog.exe";
        EXPECT_EQ(SYS_CreateP(line, "D:\\Work", 0), !refused) << cmd;
        EXPECT_EQ(started(), refused ? "" : app + "|" + cmd + "|D:\\Work|4294967295");
    }
}

TEST_F(ProcessTest, WaitAndExitCode) {
    const std::tuple<long, ProcessResult, std::optional<std::uint32_t>, const char*> rows[] = {
        {0, {true, true, 1603}, 1603, "4294967295"},
        {5000, {true, false, 7}, std::nullopt, "5000"},  // still running when the limit passed
        {0, {}, std::nullopt, "4294967295"},             // never started: not told either
    };
    for (const auto& [wait, result, code, waitArg] : rows) {
        fake.calls.clear();
        fake.onCreateProcess = [&](const std::string&, const std::string&) { return result; };
        std::optional<std::uint32_t> exitCode = 99;
        std::string line = "prog.exe";
        EXPECT_EQ(SYS_CreateP(line, "D:\\Work", wait, &exitCode), result.created);
        EXPECT_EQ(exitCode, code);
        EXPECT_EQ(started(), std::string("|prog.exe|D:\\Work|") + waitArg);
        EXPECT_TRUE(fake.messages().empty());
    }
}

// An error inside is the routine's own to report; debug mode asks whether to go on, and going
// on still never searches for msiexec.exe.
TEST_F(ProcessTest, ErrorHandler) {
    const std::string text = "TSY Install Error - errHdl_SYS_CreateP: Injected fault in systemDirectory (5)\r\r";
    const std::tuple<bool, int, std::string> rows[] = {
        {false, mb::AnswerOk, text + "|16"}, {true, mb::AnswerNo, text + "Resume Next?|4"}, {true, mb::AnswerYes, text + "Resume Next?|4"}};
    for (const auto& [debug, answer, box] : rows) {
        fake.calls.clear();
        sys().gbDebug = debug;
        fake.msgBoxAnswers = {answer};
        fake.fault = [](const std::string& n) { return n == "systemDirectory" ? FakeOs::FaultThrow : FakeOs::FaultNone; };
        std::string line = "msiexec.exe /i a.msi";
        EXPECT_FALSE(SYS_CreateP(line, "C:\\", 0));
        const std::vector<Call> shown = fake.callsNamed("msgBox");
        EXPECT_EQ(shown.at(0).args[0] + "|" + shown.at(0).args[1], box);
        EXPECT_EQ(started(), "");
    }
}

TEST_F(ProcessTest, OpenProgramByTheShellsAnswer) {
    const std::string file = "C:\\App\\tsy3.exe";
    const std::tuple<long, std::vector<std::string>> rows[] = {
        {32, {}},
        {2, {"Program Not Found: " + file + "\rPlease verify that the path is correct or re-install Tessary Contact Management\r"}},
        {3, {"Path not found:" + file}},
        {31, {"shellExecute(open|" + file + "|1|1|1) -> 2", "Windows does not have a program associated for: " + file}},
        {0, {"Sorry, Windows was not able to open your program: 0"}},
        {5, {"Sorry, Windows was not able to open your program: 5"}},
    };
    for (const auto& [answer, after] : rows) {
        fake.calls.clear();
        fake.onShellExecute = [&](const std::string&, const std::string& params) { return params == "1" ? 2 : answer; };
        std::string f = file, params;
        EXPECT_EQ(SYS_OpenProgram(f, params), answer >= 32) << answer;
        std::vector<std::string> seen;
        for (const Call& c : fake.calls) seen.push_back(c.name == "msgBox" ? c.args[0] + "|" + c.args[1] : c.str());
        EXPECT_EQ(seen.front(), "shellExecute(open|" + file + "|||1) -> " + std::to_string(answer));
        for (std::string& m : seen) m = m.ends_with("|0") ? m.substr(0, m.size() - 2) : m;  // a plain OK box
        EXPECT_EQ(std::vector<std::string>(seen.begin() + 1, seen.end()), after) << answer;
    }
}

}  // namespace
}  // namespace tsy::test
