// Run-time, settings, files, processes, system folders and the Windows Installer object.
#include "platform/win32/win32_os.h"

#include <aclapi.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/runtime_error.h"
#include "platform/win32/wide_text.h"

namespace tsy {

const char* const kAppTitle = "TSY Setup";

namespace {

// The product's own version when the version resource cannot be read.
constexpr AppVersion kBuiltVersion{1, 6, 0};

// The store the installed program reads its "DBPath" and "EmailForm" from; fixed.
const char* const kSettingsRoot = "Software\\VB and VBA Program Settings\\";

std::string settingsKey(const std::string& app, const std::string& section) {
    return kSettingsRoot + app + "\\" + section;
}

std::string fileNameOf(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

Win32Os::~Win32Os() {
    closeListing();
    if (log_ != INVALID_HANDLE_VALUE) CloseHandle(log_);
}

// ------------------------------------------------------------------------------ run-time

namespace {

std::string askModuleFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return "";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    // Started through a short name ("TSYSET~1.EXE") the run mode must still see "TSY Setup".
    // Each call walks the whole path, so the room is offered at once; only a longer answer
    // (the size it needs) makes a second call.
    std::wstring longPath(path.size() + MAX_PATH, L'\0');
    auto ask = [&] {
        return GetLongPathNameW(path.c_str(), &longPath[0], static_cast<DWORD>(longPath.size()));
    };
    DWORD got = ask();
    if (got >= longPath.size()) {
        longPath.resize(got);
        got = ask();
    }
    if (got == 0 || got >= longPath.size()) return toUtf8(path);
    longPath.resize(got);
    return toUtf8(longPath);
}

}  // namespace

// Asked once: the run mode, the engine's source folder and the log's header each want it, and
// under Wine the long-name lookup costs milliseconds every time. It cannot change while we run.
std::string moduleFilePath() {
    static const std::string path = askModuleFilePath();
    return path;
}

std::string argumentsOf(const std::string& line) {
    std::size_t i = 0;
    bool quoted = false;
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') quoted = !quoted;
        else if (!quoted && (c == ' ' || c == '\t')) break;
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return line.substr(i);
}

std::string Win32Os::exeName() {
    std::string name = fileNameOf(moduleFilePath());
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string Win32Os::appPath() {
    std::string path = moduleFilePath();
    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return "";
    // A program at a drive root reports "C:\", elsewhere the folder has no trailing separator.
    bool driveRoot = cut == 2 && path[1] == ':';
    return path.substr(0, driveRoot ? cut + 1 : cut);
}

std::string Win32Os::commandLine() {
    const wchar_t* line = GetCommandLineW();
    return line ? argumentsOf(toUtf8(line)) : std::string();
}

std::string Win32Os::appTitle() { return kAppTitle; }

// LOAD_WITH_ALTERED_SEARCH_PATH: the DLL's own imports are looked for in the system folder
// too, not beside the program.
HMODULE loadSystemLibrary(const char* name) {
    wchar_t dir[MAX_PATH + 1] = {};
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    return LoadLibraryExW((std::wstring(dir, n) + L"\\" + toWide(name)).c_str(), nullptr,
                          LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Windows 7 loads these by name, on demand, for a window with visual styles (uxtheme, dwmapi,
// msimg32, oleacc, comctl32, version), for the compatibility shims (apphelp), for COM's
// security (cryptbase, cryptsp, sspicli, ntmarta), for the shell's folders and folder browser
// (userenv, profapi, propsys, linkinfo, ntshrui, cscapi, srvcli, netutils) and for the Installer
// object (msi). Version 6 of comctl32, which the manifest names, comes from the side-by-side
// store, never from beside the program; the list holds the system folder's copy that components
// without that manifest ask for. The Known DLLs (user32, shell32, ole32, clbcatq, setupapi, ...)
// always come from the system folder, and the on-demand DLLs of later versions (shcore,
// windows.storage, wldp) do not exist on Windows 7, which alone takes this path.
const char* const kPreloadedDlls[] = {
    "uxtheme.dll", "dwmapi.dll",  "msimg32.dll",  "oleacc.dll",  "comctl32.dll", "version.dll",
    "apphelp.dll", "cryptbase.dll", "cryptsp.dll", "sspicli.dll", "ntmarta.dll", "userenv.dll",
    "profapi.dll", "propsys.dll", "linkinfo.dll", "ntshrui.dll", "cscapi.dll",   "srvcli.dll",
    "netutils.dll", "msi.dll",    nullptr};

void preloadSystemDlls() {
    for (const char* const* name = kPreloadedDlls; *name; ++name) loadSystemLibrary(*name);
}

// Read from the version resource of the running program: the same bytes as in its file, so
// neither the file is opened again nor version.dll loaded (no copy of it, planted beside the
// setup or not, is asked). The resource is a VS_VERSIONINFO block: three WORDs (the block's
// length, the value's length, its type), the key "VS_VERSION_INFO" with its terminator, padding
// to a 32-bit boundary, then the fixed file information.
AppVersion Win32Os::appVersion() {
    AppVersion v = kBuiltVersion;
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    HGLOBAL loaded = res ? LoadResource(nullptr, res) : nullptr;
    const auto* block = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = res ? SizeofResource(nullptr, res) : 0;
    static const wchar_t kKey[] = L"VS_VERSION_INFO";
    const std::size_t at = (3 * sizeof(WORD) + sizeof kKey + 3) & ~std::size_t{3};
    VS_FIXEDFILEINFO fixed{};
    WORD valueLength = 0;
    if (!block || size < at + sizeof fixed) return v;
    std::memcpy(&valueLength, block + sizeof(WORD), sizeof valueLength);
    std::memcpy(&fixed, block + at, sizeof fixed);
    if (valueLength < sizeof fixed || fixed.dwSignature != VS_FFI_SIGNATURE ||
        std::memcmp(block + 3 * sizeof(WORD), kKey, sizeof kKey) != 0)
        return v;
    v.major = HIWORD(fixed.dwFileVersionMS);
    v.minor = LOWORD(fixed.dwFileVersionMS);
    v.revision = LOWORD(fixed.dwFileVersionLS);
    return v;
}

void Win32Os::endProcess(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

// ------------------------------------------------------------------------------ settings

// The size a first call reports may not be enough for the second: another program may write a
// longer value in between. The call is repeated with the size it asks for (in bytes).
std::string Win32Os::getSetting(const std::string& app, const std::string& section,
                                const std::string& key) {
    HKEY hk = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, toWide(settingsKey(app, section)).c_str(), 0,
                      KEY_QUERY_VALUE, &hk) != ERROR_SUCCESS)
        return "";
    const std::wstring name = toWide(key);
    std::wstring value(MAX_PATH, L'\0');
    DWORD type = 0, size = 0;
    LONG rc = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && rc == ERROR_MORE_DATA; ++attempt) {
        size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(hk, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(&value[0]), &size);
        if (rc == ERROR_MORE_DATA)
            value.resize(std::max<std::size_t>(size / sizeof(wchar_t) + 1, value.size() * 2));
    }
    RegCloseKey(hk);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return "";
    value.resize(std::min<std::size_t>(size / sizeof(wchar_t), value.size()));
    std::size_t nul = value.find(L'\0');
    if (nul != std::wstring::npos) value.resize(nul);
    return toUtf8(value);
}

bool Win32Os::saveSetting(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& value) {
    HKEY hk = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, toWide(settingsKey(app, section)).c_str(), 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &hk, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring text = toWide(value);
    LONG rc = RegSetValueExW(hk, toWide(key).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hk);
    return rc == ERROR_SUCCESS;
}

// ------------------------------------------------------------------------------ files

void Win32Os::closeListing() {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
    find_ = INVALID_HANDLE_VALUE;
}

// Normal and read-only entries always pass; hidden, system and folder entries only when the
// mask asks for them.
static bool admitted(DWORD a, int mask) {
    return !(((a & FILE_ATTRIBUTE_DIRECTORY) && !(mask & attr::Directory)) ||
             ((a & FILE_ATTRIBUTE_HIDDEN) && !(mask & attr::Hidden)) ||
             ((a & FILE_ATTRIBUTE_SYSTEM) && !(mask & attr::System)));
}

std::string Win32Os::nextAdmitted(bool first) {
    WIN32_FIND_DATAW fd;
    while (find_ != INVALID_HANDLE_VALUE) {
        if (first) {
            first = false;
            fd = firstFound_;
        } else if (!FindNextFileW(find_, &fd)) {
            closeListing();
            return "";
        }
        if (admitted(fd.dwFileAttributes, findMask_)) return toUtf8(fd.cFileName);
    }
    return "";
}

std::string Win32Os::dirFirst(const std::string& pattern, int attributeMask) {
    closeListing();
    findMask_ = attributeMask;
    if (pattern.empty()) return "";
    std::string search = pattern;
    char last = pattern.back();
    if (last == '\\' || last == '/') search += "*";  // the folder's contents
    // Windows refuses a path of MAX_PATH characters or more to a program that has not opted in
    // to long paths (msiexec.exe could not open such a package either); Wine takes any length.
    const std::wstring path = toWide(search);
    if (path.size() >= MAX_PATH) return "";
    find_ = FindFirstFileW(path.c_str(), &firstFound_);
    return nextAdmitted(true);
}

std::string Win32Os::dirNext() { return nextAdmitted(false); }

bool Win32Os::createFolder(const std::string& path) {
    return CreateDirectoryW(toWide(path).c_str(), nullptr) != 0;
}

// Opens for writing without truncating: a file that exists already (say, a hidden one the
// listing did not show) keeps its content.
bool Win32Os::createEmptyFile(const std::string& path) {
    HANDLE h = CreateFileW(toWide(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool Win32Os::moveFile(const std::string& from, const std::string& to) {
    return MoveFileW(toWide(from).c_str(), toWide(to).c_str()) != 0;
}

// ------------------------------------------------------------------------------ processes

ProcessResult Win32Os::createProcess(const std::string& applicationName,
                                     const std::string& commandLineText,
                                     const std::string& folder, std::uint32_t waitMs) {
    ProcessResult r;
    const std::wstring text = toWide(commandLineText);
    std::vector<wchar_t> cmd(text.begin(), text.end());
    cmd.push_back(L'\0');  // CreateProcessW may write into its command line
    const std::wstring app = toWide(applicationName), dir = toWide(folder);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const DWORD normalPriority = 0x20;
    // No handle of ours is inherited: the log, a listing or a key left open would stay in use
    // for as long as the child runs, and msiexec.exe needs none of them.
    if (!CreateProcessW(app.empty() ? nullptr : app.c_str(), cmd.data(), nullptr, nullptr, FALSE,
                        normalPriority, nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return r;
    r.created = true;
    if (WaitForSingleObject(pi.hProcess, waitMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        r.waited = GetExitCodeProcess(pi.hProcess, &code) != 0;
        r.exitCode = code;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return r;
}

long Win32Os::shellExecute(const std::string& operation, const std::string& file,
                           const std::string& parameters, const std::string& folder,
                           int showCommand) {
    if (shellNoUi_)
        return shellExecuteEx(kQuietShell, operation, file, parameters, folder, showCommand,
                              nullptr);
    const std::wstring op = toWide(operation), args = toWide(parameters), dir = toWide(folder);
    HINSTANCE h = ShellExecuteW(nullptr, op.empty() ? nullptr : op.c_str(), toWide(file).c_str(),
                                args.empty() ? nullptr : args.c_str(),
                                dir.empty() ? nullptr : dir.c_str(), showCommand);
    return static_cast<long>(reinterpret_cast<INT_PTR>(h));
}

// ------------------------------------------------------------------------------ system

std::string Win32Os::specialFolderPath(int csidl) {
    wchar_t buf[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buf, csidl, FALSE)) return "";
    buf[MAX_PATH] = L'\0';
    return toUtf8(buf);
}

FolderPathResult Win32Os::folderPath(int csidl) {
    wchar_t buf[MAX_PATH + 1] = {};
    FolderPathResult r;
    r.hresult = static_cast<long>(SHGetFolderPathW(nullptr, csidl, nullptr, 0, buf));
    buf[MAX_PATH] = L'\0';
    if (r.hresult == 0) r.path = toUtf8(buf);
    return r;
}

std::string Win32Os::systemDirectory() {
    wchar_t buf[255] = {};
    const UINT room = sizeof buf / sizeof buf[0];
    UINT n = GetSystemDirectoryW(buf, room);
    // A longer folder reports the size it needs, not what it wrote: that is a failure.
    if (n == 0 || n >= room) return "";
    return toUtf8(buf, static_cast<int>(n));
}

WinVersion Win32Os::versionEx() {
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof vi;  // the basic record, without the suite and product type
    WinVersion v;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    v.ok = GetVersionExW(&vi) != 0;
    if (!v.ok) return v;
    v.platform = static_cast<long>(vi.dwPlatformId);
    v.major = static_cast<long>(vi.dwMajorVersion);
    v.minor = static_cast<long>(vi.dwMinorVersion);
    v.build = static_cast<long>(vi.dwBuildNumber);
    const int csdRoom = sizeof vi.szCSDVersion / sizeof vi.szCSDVersion[0];
    vi.szCSDVersion[csdRoom - 1] = L'\0';
    v.servicePack = toUtf8(vi.szCSDVersion);
    return v;
}

// ------------------------------------------------------------------------------ installer

namespace {

RuntimeError automationError(HRESULT hr) {
    return RuntimeError(static_cast<int>(hr), "Automation error");
}

}  // namespace

// A fresh Installer object for every query, released before returning.
long Win32Os::productState(const std::string& productCode) {
    const DISPID kProductState = 17;
    CLSID clsid;
    IDispatch* installer = nullptr;
    if (FAILED(CLSIDFromProgID(L"WindowsInstaller.Installer", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(&installer))) ||
        !installer)
        throw RuntimeError(err::CantCreateObject, "ActiveX component can't create object");
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    std::wstring code = toWide(productCode);
    arg.bstrVal = SysAllocStringLen(code.data(), static_cast<UINT>(code.size()));
    DISPPARAMS params{&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = installer->Invoke(kProductState, IID_NULL, LOCALE_USER_DEFAULT,
                                   DISPATCH_PROPERTYGET, &params, &result, nullptr, nullptr);
    if (SUCCEEDED(hr)) hr = VariantChangeType(&result, &result, 0, VT_I4);
    long state = SUCCEEDED(hr) ? result.lVal : 0;
    VariantClear(&result);
    VariantClear(&arg);
    installer->Release();
    if (FAILED(hr)) throw automationError(hr);
    return state;
}

// ------------------------------------------------------------------------------ setup log

// Run as SYSTEM, GetTempPath2W answers SYSTEM's own protected folder (C:\Windows\SystemTemp)
// instead of the C:\Windows\Temp every user can write to. Windows before 11 (and 10 without
// its 2022 updates) has no GetTempPath2W; for anyone but SYSTEM both answer alike.
std::string Win32Os::tempFolder() {
    using TempPathFn = DWORD(WINAPI*)(DWORD, LPWSTR);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto tempPath = kernel ? reinterpret_cast<TempPathFn>(reinterpret_cast<void*>(
                                 GetProcAddress(kernel, "GetTempPath2W")))
                           : nullptr;
    if (!tempPath) tempPath = GetTempPathW;
    wchar_t buf[MAX_PATH + 1] = {};
    DWORD n = tempPath(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH) return "";
    std::string path = toUtf8(buf, static_cast<int>(n));
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

std::string Win32Os::modulePath() { return moduleFilePath(); }

std::string Win32Os::localTime() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char buf[32];
    wsprintfA(buf, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
              t.wMinute, t.wSecond);
    return buf;
}

namespace {

bool isTokenUser(PSID sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size ? size : 1);
    bool same = size && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
                EqualSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, sid);
    CloseHandle(token);
    return same;
}

// A file this run may write to: its owner is this process's user, the Administrators group
// (the owner of what an elevated administrator creates) or SYSTEM.
bool ownedByUsOrAdministrators(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return false;
    bool ok = owner && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                        IsWellKnownSid(owner, WinLocalSystemSid) || isTokenUser(owner));
    LocalFree(sd);
    return ok;
}

}  // namespace

// Where the temporary folder is shared (C:\Windows\Temp for SYSTEM before GetTempPath2W), any
// user may create files: a hard link or a reparse point named like the log, or a plain file
// placed there first, would have a privileged run write where that user chose or into a file
// that user reads and changes. The log is opened without following reparse points and written
// only when logFileWritable admits what the handle shows.
// The file admitted stays open for the rest of the run: opening and checking it again for every
// entry cost a silent run more than a millisecond an entry under Wine. What is written goes to
// the file that was checked, whatever is later done to its name; others may still read, rename
// or delete it meanwhile. A write that fails closes it, and the next entry opens it afresh.
std::size_t Win32Os::appendFile(const std::string& path, const std::string& text) {
    if (log_ != INVALID_HANDLE_VALUE && path != logPath_) {
        CloseHandle(log_);
        log_ = INVALID_HANDLE_VALUE;
    }
    if (log_ == INVALID_HANDLE_VALUE) {
        HANDLE h = CreateFileW(toWide(path).c_str(),
                               FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 0;
        LogFileFacts facts;
        facts.existed = GetLastError() == ERROR_ALREADY_EXISTS;
        // The two facts asked one by one: GetFileInformationByHandle would also fetch the
        // volume's serial number, which under Wine is a trip to the mount manager.
        FILE_STANDARD_INFO names{};
        FILE_ATTRIBUTE_TAG_INFO kind{};
        bool admitted = false;
        if (GetFileInformationByHandleEx(h, FileStandardInfo, &names, sizeof names) &&
            GetFileInformationByHandleEx(h, FileAttributeTagInfo, &kind, sizeof kind)) {
            facts.links = names.NumberOfLinks;
            facts.reparsePoint = (kind.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            admitted = logFileWritable(
                facts, [h] { return ownedByUsOrAdministrators(h); },
                [h] {
                    DWORD flags = 0;
                    return GetVolumeInformationByHandleW(h, nullptr, 0, nullptr, nullptr, &flags,
                                                         nullptr, 0)
                               ? static_cast<long>(flags)
                               : -1L;
                });
        }
        if (!admitted) {
            CloseHandle(h);
            return 0;
        }
        log_ = h;
        logPath_ = path;
    }
    DWORD written = 0;
    if (!WriteFile(log_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        CloseHandle(log_);
        log_ = INVALID_HANDLE_VALUE;
    }
    return written;
}

std::uint32_t Win32Os::processId() { return GetCurrentProcessId(); }

}  // namespace tsy
