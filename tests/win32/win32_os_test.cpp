// The Win32 adapters against the real API (run under Wine by scripts/run-wine-tests.sh).
// tsy_probe.exe and tsy_probe.msi lie beside this program.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/runtime_error.h"
#include "platform/win32/win32_os.h"

using namespace tsy;

namespace {

std::string ownFolder() {
    std::string path = moduleFilePath();
    return path.substr(0, path.find_last_of('\\'));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A fresh folder under the temporary folder for each test, removed afterwards.
class Win32OsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH + 1] = {};
        ASSERT_GT(GetTempPathA(MAX_PATH, tmp), 0u);
        dir = std::string(tmp) + "tsy_adapter_" + std::to_string(GetCurrentProcessId()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    }
    void TearDown() override { removeTree(dir); }
    static void removeTree(const std::string& path) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string name = fd.cFileName;
                if (name == "." || name == "..") continue;
                std::string full = path + "\\" + name;
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(full);
                else DeleteFileA(full.c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(path.c_str());
    }
    std::string in(const std::string& name) const { return dir + "\\" + name; }

    Win32Os real;
    std::string dir;
};

// Presses a button of the first window titled `title` once it appears (from another thread,
// as a user would), after typing `text` into its edit control when given.
std::thread answerWindow(const std::string& title, int button, const char* text = nullptr) {
    return std::thread([=] {
        for (int i = 0; i < 200; ++i) {
            HWND w = FindWindowA(nullptr, title.c_str());
            if (w) {
                if (text) SetDlgItemTextA(w, 101, text);
                PostMessageA(w, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                return;
            }
            Sleep(50);
        }
    });
}

// A plain top-level window of this thread, shown with or without being activated.
HWND ownWindow(bool activate) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TsyTestOwner";
    RegisterClassA(&wc);  // fails harmlessly when an earlier test registered it
    HWND w = CreateWindowA("TsyTestOwner", "Behind the box", WS_OVERLAPPEDWINDOW, 10, 10, 300,
                           200, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(w, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
    if (!activate) SetActiveWindow(nullptr);
    return w;
}

}  // namespace

// ------------------------------------------------------------------------------ files

TEST_F(Win32OsTest, HiddenAndSystemFilesAreListedOnlyWhenTheMaskAsksForThem) {
    writeFile(in("tsy3p.msi"), "program");
    writeFile(in("secret.msi"), "hidden");
    writeFile(in("core.msi"), "system");
    ASSERT_TRUE(SetFileAttributesA(in("secret.msi").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA(in("core.msi").c_str(), FILE_ATTRIBUTE_SYSTEM));

    EXPECT_EQ(real.dirFirst(in("secret.msi"), attr::Normal), "");
    EXPECT_EQ(real.dirFirst(in("core.msi"), attr::Normal), "");
    EXPECT_EQ(real.dirFirst(in("secret.msi"), attr::Hidden), "secret.msi");
    EXPECT_EQ(real.dirFirst(in("core.msi"), attr::System), "core.msi");
    EXPECT_EQ(real.dirFirst(in("tsy3p.msi"), attr::Normal), "tsy3p.msi");

    // A wildcard listing skips the hidden and system files and then ends.
    EXPECT_EQ(real.dirFirst(in("*.msi"), attr::Normal), "tsy3p.msi");
    EXPECT_EQ(real.dirNext(), "");
    EXPECT_EQ(real.dirNext(), "");
}

TEST_F(Win32OsTest, NamesMatchIgnoringCaseAndTheNameOnDiskIsReturned) {
    writeFile(in("TSY3P.MSI"), "");
    EXPECT_EQ(real.dirFirst(in("tsy3p.msi"), attr::Normal), "TSY3P.MSI");
    EXPECT_EQ(real.dirFirst(dir + "\\TsY3p.MsI", attr::Normal), "TSY3P.MSI");
    EXPECT_EQ(real.dirFirst(in("tsy3db.msi"), attr::Normal), "");
}

TEST_F(Win32OsTest, FoldersAreListedOnlyWithTheFolderBitAndATrailingSeparatorListsContents) {
    ASSERT_TRUE(CreateDirectoryA(in("Sub").c_str(), nullptr));
    writeFile(in("a.txt"), "");

    EXPECT_EQ(real.dirFirst(in("Sub"), attr::Normal), "");
    EXPECT_EQ(real.dirFirst(in("Sub"), 23), "Sub");

    std::vector<std::string> names;
    for (std::string n = real.dirFirst(dir + "\\", 23); !n.empty(); n = real.dirNext())
        names.push_back(n);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Sub", "a.txt"}));

    EXPECT_EQ(real.dirFirst(dir + "\\", attr::Normal), "a.txt");
    EXPECT_EQ(real.dirNext(), "");
}

TEST_F(Win32OsTest, AFolderIsCreatedOneLevelDeepOnly) {
    EXPECT_TRUE(real.createFolder(in("One")));
    EXPECT_EQ(real.dirFirst(in("One"), attr::Directory), "One");
    EXPECT_FALSE(real.createFolder(in("Two\\Three")));
    EXPECT_FALSE(exists(in("Two")));
    EXPECT_FALSE(real.createFolder(in("One"))) << "an existing folder is not created again";
}

TEST_F(Win32OsTest, AMoveOntoAnExistingNameFailsAndLosesNothing) {
    writeFile(in("user.mdb"), "old data");
    writeFile(in("rev30_user.mdb"), "earlier copy");
    EXPECT_FALSE(real.moveFile(in("user.mdb"), in("rev30_user.mdb")));
    EXPECT_EQ(readFile(in("user.mdb")), "old data");
    EXPECT_EQ(readFile(in("rev30_user.mdb")), "earlier copy");

    EXPECT_TRUE(real.moveFile(in("user.mdb"), in("REV30_other.mdb")));
    EXPECT_FALSE(exists(in("user.mdb")));
    EXPECT_EQ(readFile(in("REV30_other.mdb")), "old data");
}

TEST_F(Win32OsTest, CreatingAnEmptyFileNeverTruncatesOneThatIsThere) {
    EXPECT_TRUE(real.createEmptyFile(in("new.txt")));
    EXPECT_EQ(real.dirFirst(in("new.txt"), attr::Normal), "new.txt");
    EXPECT_EQ(readFile(in("new.txt")), "");

    // The listing does not show a hidden file, so a caller may ask to create it: its content stays.
    writeFile(in("kept.txt"), "content");
    ASSERT_TRUE(SetFileAttributesA(in("kept.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    real.createEmptyFile(in("kept.txt"));
    EXPECT_EQ(readFile(in("kept.txt")), "content");

    EXPECT_FALSE(real.createEmptyFile(in("missing\\x.txt")));
}

// ------------------------------------------------------------------------------ settings

TEST_F(Win32OsTest, SettingsRoundTripThroughTheFixedRegistryKey) {
    const std::string app = "TSY_ADAPTER_TEST_" + std::to_string(GetCurrentProcessId());
    const std::string keyPath = "Software\\VB and VBA Program Settings\\" + app + "\\StartUp";
    EXPECT_EQ(real.getSetting(app, "StartUp", "DBPath"), "") << "missing key reads as empty";

    ASSERT_TRUE(real.saveSetting(app, "StartUp", "DBPath", "C:\\Data\\Tessary Data\\MainDB\\"));
    ASSERT_TRUE(real.saveSetting(app, "StartUp", "Ver", ""));

    HKEY hk = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ | KEY_SET_VALUE, &hk),
              ERROR_SUCCESS);
    char buf[256] = {};
    DWORD type = 0, size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(hk, "DBPath", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(buf, "C:\\Data\\Tessary Data\\MainDB\\");
    // What the installed program writes there, we read back.
    const char emailForm[] = "2";
    ASSERT_EQ(RegSetValueExA(hk, "EmailForm", 0, REG_SZ, reinterpret_cast<const BYTE*>(emailForm),
                             sizeof emailForm),
              ERROR_SUCCESS);
    RegCloseKey(hk);

    EXPECT_EQ(real.getSetting(app, "StartUp", "DBPath"), "C:\\Data\\Tessary Data\\MainDB\\");
    EXPECT_EQ(real.getSetting(app, "startup", "emailform"), "2");
    EXPECT_EQ(real.getSetting(app, "StartUp", "Ver"), "");
    EXPECT_EQ(real.getSetting(app, "StartUp", "AppPath"), "");
    EXPECT_EQ(real.getSetting(app, "Other", "DBPath"), "");

    RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\VB and VBA Program Settings\\" + app).c_str());
}

// ------------------------------------------------------------------------------ processes

TEST_F(Win32OsTest, AStartedProcessIsWaitedForInItsFolderAndItsExitCodeRead) {
    std::string probe = in("probe.exe");
    ASSERT_TRUE(CopyFileA((ownFolder() + "\\tsy_probe.exe").c_str(), probe.c_str(), FALSE));

    ProcessResult r = real.createProcess("", "\"" + probe + "\" sleep 300 exit 1603", dir, INFINITE);
    EXPECT_TRUE(r.created);
    EXPECT_TRUE(r.waited);
    EXPECT_EQ(r.exitCode, 1603u);
    std::string marker = readFile(probe + ".ran");
    EXPECT_NE(marker.find("sleep 300 exit 1603"), std::string::npos) << marker;
    EXPECT_NE(marker.find("\r\n" + dir + "\r\n"), std::string::npos) << marker;

    // A limit that passes first: created, not waited for to the end.
    r = real.createProcess("", "\"" + probe + "\" sleep 3000 exit 4", dir, 100);
    EXPECT_TRUE(r.created);
    EXPECT_FALSE(r.waited);
    Sleep(3500);  // let it end before the folder is removed

    r = real.createProcess("", "\"" + in("nothing.exe") + "\"", dir, INFINITE);
    EXPECT_FALSE(r.created);
}

// A bare "msiexec.exe" command line would run a copy planted beside this program; the
// system folder's path as the application name runs the real one, with the text unchanged.
TEST_F(Win32OsTest, MsiexecNamedFromTheSystemFolderIgnoresAPlantedCopy) {
    std::string planted = ownFolder() + "\\msiexec.exe";
    ASSERT_TRUE(CopyFileA((ownFolder() + "\\tsy_probe.exe").c_str(), planted.c_str(), FALSE));
    DeleteFileA((planted + ".ran").c_str());

    ProcessResult bare = real.createProcess("", "msiexec.exe exit 0", dir, 30000);
    EXPECT_TRUE(bare.created);
    EXPECT_TRUE(exists(planted + ".ran")) << "control: the planted copy runs for a bare name";
    DeleteFileA((planted + ".ran").c_str());

    std::string system = real.systemDirectory();
    ProcessResult hardened = real.createProcess(
        system + "\\msiexec.exe", "msiexec.exe /x {00000000-0000-0000-0000-00000000A0B1} /qn",
        system, INFINITE);
    EXPECT_TRUE(hardened.created);
    EXPECT_TRUE(hardened.waited);
    EXPECT_EQ(hardened.exitCode, 1605u) << "the real msiexec.exe: unknown product";
    EXPECT_FALSE(exists(planted + ".ran"));

    DeleteFileA(planted.c_str());
    DeleteFileA((planted + ".ran").c_str());
}

TEST_F(Win32OsTest, TheShellOpenRequestReturnsTheShellsInteger) {
    EXPECT_EQ(real.shellExecute("open", in("missing.exe"), "", "", SW_SHOWNORMAL), 2);

    std::string probe = in("probe.exe");
    ASSERT_TRUE(CopyFileA((ownFolder() + "\\tsy_probe.exe").c_str(), probe.c_str(), FALSE));
    EXPECT_GT(real.shellExecute("open", probe, "exit 0", dir, SW_SHOWNORMAL), 32);
    for (int i = 0; i < 100 && !exists(probe + ".ran"); ++i) Sleep(50);
    EXPECT_TRUE(exists(probe + ".ran"));
    Sleep(300);
}

// ------------------------------------------------------------------------------ installer

class InstallerTest : public Win32OsTest {
protected:
    void SetUp() override {
        Win32OsTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override {
        OleUninitialize();
        Win32OsTest::TearDown();
    }
};

TEST_F(InstallerTest, AnUnknownProductIsNotInstalled) {
    EXPECT_EQ(real.productState("{00000000-0000-0000-0000-00000000A0B1}"), -1);
}

TEST_F(InstallerTest, APackageInstalledWithMsiexecReadsAsInstalledUntilRemoved) {
    const std::string code = "{6B1F3C52-8E0D-4A57-9C2B-7A41D2E9F031}";
    std::string msi = ownFolder() + "\\tsy_probe.msi";
    ASSERT_TRUE(exists(msi)) << msi;
    std::string system = real.systemDirectory();
    std::string msiexec = system + "\\msiexec.exe";

    EXPECT_EQ(real.productState(code), -1);
    ProcessResult r = real.createProcess(msiexec, "msiexec.exe /i \"" + msi + "\" /qn", system,
                                         INFINITE);
    ASSERT_TRUE(r.created && r.waited);
    ASSERT_EQ(r.exitCode, 0u);
    EXPECT_EQ(real.productState(code), 5);
    EXPECT_EQ(real.productState("{6b1f3c52-8e0d-4a57-9c2b-7a41d2e9f031}"), 5)
        << "the product code's letter case does not matter";

    r = real.createProcess(msiexec, "msiexec.exe /x " + code + " /qn", system, INFINITE);
    ASSERT_TRUE(r.created && r.waited);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(real.productState(code), -1);
}

TEST_F(Win32OsTest, WithoutComTheInstallerObjectCannotBeCreated) {
    try {
        real.productState("{00000000-0000-0000-0000-00000000A0B1}");
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::CantCreateObject);
    }
}

// ------------------------------------------------------------------------------ run-time

TEST(Win32Runtime, TheArgumentsFollowTheProgramsNameQuotedOrNot) {
    struct Case {
        const char* line;
        const char* arguments;
    } cases[] = {
        {"Update.exe X", "X"},
        {"Update.exe", ""},
        {"\"C:\\My Downloads\\TSY Setup.exe\" S DEBUG", "S DEBUG"},
        {"\"C:\\My Downloads\\TSY Setup.exe\"", ""},
        {"Update.exe   s  debug ", "s  debug "},
        {"C:\\Kit\\Update.exe\tPROGRAM", "PROGRAM"},
        {"\"C:\\a b\"\\Update.exe REPAIR", "REPAIR"},
    };
    for (const Case& c : cases) EXPECT_EQ(argumentsOf(c.line), c.arguments) << c.line;
}

TEST(Win32Runtime, OwnNameAndFolderAreThoseOfThisProgram) {
    Win32Os real;
    EXPECT_EQ(real.exeName(), "win32_tests");
    std::string folder = real.appPath();
    // At a drive root the folder keeps its separator ("C:\\"); elsewhere it has none.
    if (folder.size() == 3) {
        EXPECT_EQ(folder.substr(1), ":\\");
        EXPECT_EQ(folder + "win32_tests.exe", moduleFilePath());
    } else {
        EXPECT_NE(folder.back(), '\\');
        EXPECT_EQ(folder + "\\win32_tests.exe", moduleFilePath());
    }
    EXPECT_EQ(real.appTitle(), "TSY Setup");
}

TEST(Win32System, FoldersComeBackAsTheSystemGivesThem) {
    Win32Os real;
    std::string system = real.systemDirectory();
    ASSERT_FALSE(system.empty());
    EXPECT_NE(system.back(), '\\');
    EXPECT_NE(GetFileAttributesA((system + "\\msiexec.exe").c_str()), INVALID_FILE_ATTRIBUTES);

    FolderPathResult common = real.folderPath(csidl::CommonAppData);
    EXPECT_EQ(common.hresult, 0);
    EXPECT_NE(GetFileAttributesA(common.path.c_str()), INVALID_FILE_ATTRIBUTES) << common.path;
    EXPECT_EQ(real.specialFolderPath(csidl::CommonAppData), common.path);

    FolderPathResult bogus = real.folderPath(0x7ff0);
    EXPECT_NE(bogus.hresult, 0);
    EXPECT_EQ(bogus.path, "");
    EXPECT_EQ(real.specialFolderPath(0x7ff0), "");

    WinVersion v = real.versionEx();
    EXPECT_TRUE(v.ok);
    EXPECT_EQ(v.platform, 2);
    EXPECT_GE(v.major, 5);
}

// ------------------------------------------------------------------------------ dialogs

TEST(Win32Dialogs, TheInputBoxGivesTheTypedTextOnOkAndEmptyTextOnCancel) {
    Win32Os real;
    std::thread user = answerWindow("Command Line", IDOK);
    EXPECT_EQ(real.inputBox("Edit the command line:", "Command Line", "msiexec.exe /I a.msi"),
              "msiexec.exe /I a.msi");
    user.join();

    user = answerWindow("Command Line", IDOK, "msiexec.exe /I b.msi /qn");
    EXPECT_EQ(real.inputBox("Edit:", "Command Line", "x"), "msiexec.exe /I b.msi /qn");
    user.join();

    user = answerWindow("Command Line", IDCANCEL, "typed, then cancelled");
    EXPECT_EQ(real.inputBox("Edit:", "Command Line", "default"), "");
    user.join();

    user = answerWindow("TSY Setup", IDOK);
    EXPECT_EQ(real.inputBox("No title given:", "", "untitled"), "untitled");
    user.join();
}

// Whether the program's window is active or not when a message box comes, the window takes no
// input until the box is answered, and takes it again afterwards.
TEST(Win32Dialogs, TheMessageBoxDisablesTheProgramsWindowsWhileItIsUp) {
    Win32Os real;
    for (bool active : {true, false}) {
        HWND behind = ownWindow(active);
        ASSERT_TRUE(behind);
        ASSERT_EQ(GetActiveWindow() == behind, active) << "the test could not set the activation";
        std::atomic<int> enabledWhileUp{-1};
        std::thread user([&] {
            for (int i = 0; i < 200; ++i) {
                if (HWND box = FindWindowA(nullptr, "Folder Check")) {
                    enabledWhileUp = IsWindowEnabled(behind) ? 1 : 0;
                    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                    return;
                }
                Sleep(50);
            }
        });
        EXPECT_EQ(real.msgBox("Please enter a valid folder name", mb::OkOnly, "Folder Check"),
                  mb::AnswerOk);
        user.join();
        EXPECT_EQ(enabledWhileUp, 0) << (active ? "active owner" : "no active window");
        EXPECT_TRUE(IsWindowEnabled(behind)) << (active ? "active owner" : "no active window");
        DestroyWindow(behind);
    }
}

TEST(Win32Dialogs, TheMessageBoxReturnsTheButtonAndUsesTheApplicationTitle) {
    Win32Os real;
    std::thread user = answerWindow("TSY Setup", IDNO);
    EXPECT_EQ(real.msgBox("Run as Full Install (no = run as update)?", mb::YesNo, ""), mb::AnswerNo);
    user.join();
    user = answerWindow("File Create Error", IDOK);
    EXPECT_EQ(real.msgBox("FILE: x", mb::OkOnly | mb::Critical, "File Create Error"), mb::AnswerOk);
    user.join();
}
