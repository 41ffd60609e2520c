// The Win32 adapters against the real API, under Wine: what the recording fake of the unit tests
// takes for granted about Windows, and the defences that only the real system can exercise.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win32/win32_os.h"
#include "support/os_contract.h"

using namespace tsy;

namespace {

std::string readFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

}  // namespace

// Where the DLL search cannot be restricted, later loads by name find the system folder's DLLs.
TEST(Win32Hardening, TheDllsLoadedAheadAreTheSystemFoldersOwn) {
    const std::string system = Win32Os().systemDirectory();
    preloadSystemDlls();
    int present = 0;
    for (const char* const* name = kPreloadedDlls; *name; ++name) {
        const std::string path = system + "\\" + *name;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;  // not in Wine
        char loaded[MAX_PATH] = {};
        GetModuleFileNameA(GetModuleHandleA(*name), loaded, MAX_PATH);
        EXPECT_EQ(lstrcmpiA(loaded, path.c_str()), 0) << *name << " from " << loaded;
        ++present;
    }
    EXPECT_GT(present, 5);
}

// The contract rows (support/os_contract.h), each in a folder of its own.
class Win32Contract : public ::testing::TestWithParam<contract::Row> {};

TEST_P(Win32Contract, AgreesWithTheFake) {
    Win32Os real;
    const std::string dir = real.tempFolder() + "\\" + GetParam().name + "\\contract\\";
    const std::string key = std::string("Software\\VB and VBA Program Settings\\") + contract::kApp;
    std::error_code gone;
    std::filesystem::remove_all(dir, gone), std::filesystem::create_directories(dir);
    contract::Disk disk{dir.substr(0, dir.size() - 1), [&](auto& name, auto& content, int attributes) {
        std::ofstream(dir + name, std::ios::binary) << content;
        SetFileAttributesA((dir + name).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    }, [&](auto& name, auto& data, int type) {
        RegSetKeyValueA(HKEY_CURRENT_USER, (key + "\\StartUp").c_str(), name.c_str(), type, data.c_str(), data.size() + 1);
    }, [&](auto& name) { return std::filesystem::exists(dir + name) ? readFile(dir + name) : "-"; }};
    EXPECT_EQ(GetParam().act(real, disk), GetParam().expected);
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

INSTANTIATE_TEST_SUITE_P(Rows, Win32Contract, ::testing::ValuesIn(contract::kRows),
                         [](const auto& row) { return std::string(row.param.name); });

// A child holds none of the setup's handles: the inheritable writing end of a pipe closed here
// leaves the pipe broken while the child still runs.
TEST(Win32Processes, AChildInheritsNoHandle) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    EXPECT_TRUE(Win32Os().createProcess("", "cmd /c ping -n 3 127.0.0.1 >nul", "", 0).created);
    CloseHandle(writeEnd);
    EXPECT_FALSE(PeekNamedPipe(readEnd, nullptr, 0, nullptr, nullptr, nullptr));
    CloseHandle(readEnd);
}
