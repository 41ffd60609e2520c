// The system services: a named file in a folder as the package check asks, msiexec.exe's exit code, opening the program.
#include <gtest/gtest.h>

#include "services/system.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

namespace tsy::test {
namespace {

using Lines = std::vector<std::string>;

struct ServicesTest : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override {
        configureEdition("TSYPRO_3");
        fake.addFile("C:\\Kit\\TSY3P.MSI");
        fake.addFile("C:\\Kit\\hidden.msi");
        fake.markHidden("C:\\Kit\\hidden.msi");
        fake.addFolder("C:\\Kit\\Package");
    }
};

// As every caller asks: quietly, creating nothing.
TEST_F(ServicesTest, FileCheck) {
    const std::tuple<const char*, const char*, bool, std::string> rows[] = {  // file, folder, present, the name listed
        {"tsy3p.msi", "C:\\Kit", true, "C:\\Kit\\tsy3p.msi"}, {"tsy3p.msi", "C:\\Kit\\", true, "C:\\Kit\\\\tsy3p.msi"},
        {"tsy3p.msi", "C:/Kit", true, "C:/Kit/tsy3p.msi"}, {"*.msi", "C:\\Kit", false, "C:\\Kit\\*.msi"},  // a wildcard is no name
        {"tsy3p.msi", "C:\\Nowhere", false, ""}, {"tsy3p.msi", "C:\\Kit\\Package", false, "C:\\Kit\\Package\\tsy3p.msi"},
    };
    for (const auto& [file, folder, present, asked] : rows) {
        SCOPED_TRACE(std::string(file) + " in " + folder);
        fake.calls.clear();
        EXPECT_EQ(SYS_File_FileCheck(file, folder, false, true), present);
        std::string listed;
        for (const Call& c : fake.calls)
            if (c.name == "dirFirst" && c.args[1] == "0" && listed.empty()) listed = c.args[0];
        EXPECT_EQ(listed, asked);
        EXPECT_TRUE(fake.messages().empty());
    }
}

// The exit code only of a process that ended: one still running after its wait has none. (Where msiexec.exe comes
// from, and that nothing starts without the system folder, every engine row checks.)
TEST_F(ServicesTest, AnExitCodeOnlyOfAProcessThatEnded) {
    for (const ProcessResult result : {ProcessResult{true, true, 1603}, ProcessResult{true, false, 7}}) {
        fake.onCreateProcess = [&](auto&, auto&) { return result; };
        std::string line = "msiexec.exe /I \"C:\\Kit\\a.msi\"";
        std::optional<std::uint32_t> exitCode = 99;
        EXPECT_TRUE(SYS_CreateP(line, "D:", 0, &exitCode));
        EXPECT_EQ(exitCode, result.waited ? std::optional<std::uint32_t>(1603) : std::nullopt) << result.waited;
    }
    EXPECT_TRUE(fake.messages().empty());
}

// The desktop's shell first (S_OK ends it); where it does not answer, the shell open request and its answer's message.
// A program that is not there, or not named by a full path, is not started at all.
TEST_F(ServicesTest, OpenProgramByTheShellsAnswer) {
    const std::string file = "C:\\App\\tsy3.exe", open = "shellExecute(open|" + file, desktop = "desktopShellExecute(" + file;
    const std::string notFound = "Program Not Found: " + file + "\rPlease verify that the path is correct or re-install "
                                 "Tessary Contact Management\r #0";
    const std::tuple<long, long, Lines> rows[] = {  // desktop shell's HRESULT, shell's answer, what is seen
        {0, 2, {desktop + "|||open|1) -> 0"}},
        {1, 32, {desktop + "|||open|1) -> 1", open + "|||1) -> 32"}},
        {0x80004002L, 2, {desktop + "|||open|1) -> " + std::to_string(0x80004002L), open + "|||1) -> 2", notFound}},
        {1, 3, {desktop + "|||open|1) -> 1", open + "|||1) -> 3", "Path not found:" + file + " #0"}},
        {1, 31, {desktop + "|||open|1) -> 1", open + "|||1) -> 31", open + "|1|1|1) -> 2",
                 "Windows does not have a program associated for: " + file + " #0"}},
        {1, 5, {desktop + "|||open|1) -> 1", open + "|||1) -> 5", "Sorry, Windows was not able to open your program: 5 #0"}},
        {0, 32, {notFound}},  // not there
    };
    for (const auto& [hresult, answer, expected] : rows) {
        SCOPED_TRACE(::testing::Message() << "desktop shell " << hresult << ", shell " << answer);
        fake.calls.clear();
        if (expected.size() > 1 || expected[0].starts_with(desktop)) fake.addFile(file);
        else fs::remove(fake.hostPath(file));
        fake.desktopShell = hresult;
        fake.onShellExecute = [&](auto&, auto& params) { return params == "1" ? 2 : answer; };
        std::string f = file, params;
        EXPECT_EQ(SYS_OpenProgram(f, params), !expected.back().ends_with(" #0"));
        Lines shown;  // each call as name(arguments) -> answer; a message box as its text and style
        for (const Call& c : fake.calls)
            if (c.name != "dirFirst") shown.push_back(c.name == "msgBox" ? c.args[0] + " #" + c.args[1] : c.str());
        EXPECT_EQ(shown, expected);
    }
}

}  // namespace
}  // namespace tsy::test
