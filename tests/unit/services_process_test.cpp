// Starting programs: msiexec.exe only from the Windows system folder, the wait, the exit code,
// the routine's error handler, and the shell's answers when the installed program is opened.
#include <gtest/gtest.h>

#include "services/system.h"
#include "state/state.h"
#include "support/fake_os.h"
#include "startup/startup.h"

namespace tsy::test {
namespace {

struct ProcessTest : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override { configureEdition("TSYPRO_3"); }
    std::string started() const {  // application name | command line | folder | wait
        const Call c = fake.callsNamed("createProcess").at(0);
        return c.args[0] + "|" + c.args[1] + "|" + c.args[2] + "|" + c.args[3];
    }
};

// A planted msiexec.exe beside the setup never runs: the first token names the program the
// system folder holds; any other program is left to its own command line. The text is untouched.
TEST_F(ProcessTest, MsiexecComesFromTheSystemFolder) {
    const std::pair<std::string, std::string> rows[] = {
        {"msiexec.exe /I \"C:\\Kit\\a.msi\"", "C:\\windows\\system32\\msiexec.exe"},
        {"MsiExec.EXE /x a.msi", "C:\\windows\\system32\\msiexec.exe"},
        {"msiexec.exe\t/qb", "C:\\windows\\system32\\msiexec.exe"},
        {"msiexec.exe", "C:\\windows\\system32\\msiexec.exe"},
        {"msiexec.exe.cmd /i a.msi", ""},
        {"\"C:\\Tools\\msiexec.exe\" /i a.msi", ""},
    };
    for (const auto& [cmd, app] : rows) {
        fake.calls.clear();
        std::string line = cmd;
        EXPECT_TRUE(SYS_CreateP(line, "D:\\Work", 0));
        EXPECT_EQ(started(), app + "|" + cmd + "|D:\\Work|4294967295");
    }
    // No system folder to name it by: not started at all, rather than searched for.
    fake.calls.clear();
    fake.fault = [](const std::string& n) { return n == "systemDirectory" ? FakeOs::FaultReturn : FakeOs::FaultNone; };
    std::string line = "msiexec.exe /x a.msi";
    EXPECT_FALSE(SYS_CreateP(line, "", 0));
    EXPECT_TRUE(fake.callsNamed("createProcess").empty());
}

TEST_F(ProcessTest, WaitAndExitCode) {
    const std::tuple<long, ProcessResult, bool, std::optional<std::uint32_t>, const char*> rows[] = {
        {0, {true, true, 1603}, true, 1603, "4294967295"},
        {5000, {true, false, 7}, true, std::nullopt, "5000"},  // still running when the limit passed
        {0, {}, false, std::nullopt, "4294967295"},             // never started: no message either
    };
    for (const auto& [wait, result, created, code, waitArg] : rows) {
        fake.calls.clear();
        fake.onCreateProcess = [&](const std::string&, const std::string&) { return result; };
        std::optional<std::uint32_t> exitCode = 99;
        std::string line = "prog.exe";
        EXPECT_EQ(SYS_CreateP(line, "D:\\Work", wait, &exitCode), created);
        EXPECT_EQ(exitCode, code);
        EXPECT_EQ(started(), std::string("|prog.exe|D:\\Work|") + waitArg);
        EXPECT_TRUE(fake.messages().empty());
    }
}

// An error inside is reported as the routine's own; debug mode asks whether to go on, and
// going on still never searches for msiexec.exe.
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
        const Call shown = fake.callsNamed("msgBox").at(0);
        EXPECT_EQ(shown.args[0] + "|" + shown.args[1], box);
        EXPECT_TRUE(fake.callsNamed("createProcess").empty());
    }
}

TEST_F(ProcessTest, OpenProgramByTheShellsAnswer) {
    const std::string file = "C:\\App\\tsy3.exe";
    const std::tuple<long, std::vector<std::string>> rows[] = {
        {32, {}},
        {2, {"Program Not Found: " + file + "\rPlease verify that the path is correct or re-install Tessary Contact Management\r"}},
        {3, {"Path not found:" + file}},
        {31, {"open|" + file + "|1|1|1", "Windows does not have a program associated for: " + file}},
        {0, {"Sorry, Windows was not able to open your program: 0"}},
        {5, {"Sorry, Windows was not able to open your program: 5"}},
    };
    for (const auto& [answer, after] : rows) {
        fake.calls.clear();
        fake.onShellExecute = [&](const std::string&, const std::string& params) { return params == "1" ? 2 : answer; };
        std::string f = file, params;
        EXPECT_EQ(SYS_OpenProgram(f, params), answer >= 32) << answer;
        std::vector<std::string> seen;
        for (const Call& c : fake.calls) {
            std::string s = c.args[0];
            for (std::size_t i = 1; c.name != "msgBox" && i < c.args.size(); ++i) s += "|" + c.args[i];
            seen.push_back(s);
        }
        EXPECT_EQ(seen.front(), "open|" + file + "|||1");
        EXPECT_EQ(std::vector<std::string>(seen.begin() + 1, seen.end()), after);
    }
}

}  // namespace
}  // namespace tsy::test
