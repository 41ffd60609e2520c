// A recording fake of the operating system: every call is recorded in order with its arguments and
// answer, and every answer is scripted. Files live in a real temporary folder, with Windows paths mapped
// onto it ("C:\A\b.txt" -> <root>/C/A/b.txt) and names matched ignoring case, so that files behave as on
// Windows (support/os_contract.h): short names matched too.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/os.h"
#include "platform/runtime_error.h"
#include "services/text.h"
#include "state/state.h"

namespace tsy::test {

namespace fs = std::filesystem;

struct Call {
    std::string name;
    std::vector<std::string> args;
    std::string result;  // the answer; "failed" / "raised" when a fault was injected
    std::string str() const {  // name(arg1|arg2|...) -> result
        std::string s = name + "(";
        for (std::size_t i = 0; i < args.size(); ++i) s += (i ? "|" : "") + args[i];
        return s + ")" + (result.empty() ? "" : " -> " + result);
    }
};

class FakeOs : public Os {
    using Text = const std::string&;

public:
    // In memory where the machine offers it: a journalled disk under load makes every test slow.
    FakeOs() {
        std::random_device rd;
        root_ = fs::is_directory("/dev/shm", ec_) ? "/dev/shm" : fs::temp_directory_path();
        root_ /= "tsy-fake-" + std::to_string(rd()) + std::to_string(rd());
        fs::create_directories(root_);
    }
    ~FakeOs() override { fs::remove_all(root_, ec_); }

    // ---- recorded calls ----
    std::vector<Call> calls;
    std::vector<Call> callsNamed(Text name) const {
        std::vector<Call> out;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [&](const Call& c) { return c.name == name; });
        return out;
    }
    std::vector<std::string> messages() const {  // texts of every message box, in order
        std::vector<std::string> out;
        for (const Call& c : callsNamed("msgBox")) out.push_back(c.args.at(0));
        return out;
    }

    // ---- scripted answers ----
    std::deque<int> msgBoxAnswers;           // default: Ok for OK boxes, Yes for Yes/No boxes
    std::deque<std::string> inputBoxAnswers; // default: the default text
    std::deque<std::string> browseAnswers;   // default: empty (cancel)
    std::string exe = "Update", folder = "C:\\Kit", cmdLine, title = "TSY Setup";
    AppVersion version{1, 6, 0};
    std::map<std::string, std::string> settings;  // key: settingKey(app, section, key)
    std::map<std::string, int> settingTypes;      // registry type where not text (REG_SZ)
    std::map<int, std::string> specialFolders;      // SHGetSpecialFolderPathA answers
    std::map<int, std::string> folderPaths;         // SHGetFolderPathA answers (0 = S_OK)
    std::string sysDir = "C:\\windows\\system32";
    WinVersion winVersion{true, 2, 6, 1, 7601, "Service Pack 1"};
    std::map<std::string, long> productStates;      // product code -> state; missing: -1
    bool installerAvailable = true;
    std::function<ProcessResult(Text app, Text cmd)> onCreateProcess;  // default: started, exit 0
    std::function<long(Text file, Text params)> onShellExecute;        // default: 42 (also for shellExecuteWait)
    long desktopShell = 1;             // the desktop shell's HRESULT; S_FALSE: no desktop shell window
    long stationFlags = 1;             // WSF_VISIBLE: an interactive window station
    std::string desktop = "Default";   // the thread's desktop
    long session = 1;
    ProcessResult shellWait{true, true, 0};  // the process a waited-for shell request handed back
    std::size_t appendLimit = std::string::npos;  // the next appendFile writes at most this many bytes
    // Fault injection: asked before every OS call with its name. FaultReturn makes the call fail the way the platform
    // fails (false, empty text, an error code); FaultThrow makes it raise a run-time error.
    enum Fault { FaultNone = 0, FaultReturn = 1, FaultThrow = 2 };
    std::function<Fault(Text name)> fault;
    std::string temp = "C:\\Users\\tester\\Temp", clock = "2026-12-06 10:00:00";

    // ---- files ----
    fs::path hostPath(Text windowsPath) const {
        std::vector<std::string> parts = splitPath(windowsPath);
        bool drive = !parts.empty() && parts[0].size() == 2 && parts[0][1] == ':';
        fs::path p = root_ / (drive ? toUpper(parts[0].substr(0, 1)) : "_");  // "_": a relative path
        for (std::size_t i = drive ? 1 : 0; i < parts.size(); ++i) {
            fs::path next = p / parts[i];
            if (!fs::exists(next, ec_) && fs::is_directory(p, ec_))
                for (const auto& e : fs::directory_iterator(p, ec_))
                    if (iequals(e.path().filename().string(), parts[i])) next = e.path();
            p = next;
        }
        return p;
    }
    void addFile(Text windowsPath, Text content = "") {
        fs::path p = hostPath(windowsPath);
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }
    void addFolder(Text windowsPath) { fs::create_directories(hostPath(windowsPath)); }
    void setAttributes(Text windowsPath, int attributes) { attributes_[hostPath(windowsPath)] = attributes; }
    void markHidden(Text windowsPath) { setAttributes(windowsPath, attr::Hidden); }
    bool exists(Text windowsPath) const { return fs::exists(hostPath(windowsPath), ec_); }
    std::string read(Text windowsPath) const {  // a file's whole content, "" when there is none
        std::ostringstream content;
        return content << std::ifstream(hostPath(windowsPath), std::ios::binary).rdbuf(), content.str();
    }
    static std::string settingKey(Text app, Text section, Text key) { return toLower(app + "\\" + section + "\\" + key); }

    // ---- Os ----
    int msgBox(Text text, int style, Text boxTitle) override {
        int answer = (style & 0xF) == mb::YesNo ? mb::AnswerYes : mb::AnswerOk;
        return call("msgBox", {text, std::to_string(style), boxTitle}, 0, [&] { return next(msgBoxAnswers, answer); });
    }
    std::string inputBox(Text prompt, Text boxTitle, Text defaultText) override {
        return call("inputBox", {prompt, boxTitle, defaultText}, std::string(),
                    [&] { return next(inputBoxAnswers, defaultText); });
    }
    std::string browseForFolder(std::uintptr_t owner, Text boxTitle, unsigned flags, int root) override {
        return call("browseForFolder", {std::to_string(owner), boxTitle, std::to_string(flags), std::to_string(root)},
                    std::string(), [&] { return next(browseAnswers, std::string()); });
    }
    void setDefaultMousePointer() override { text("setDefaultMousePointer", {}, ""); }
    std::string exeName() override { return text("exeName", {}, exe); }
    std::string appPath() override { return text("appPath", {}, folder); }
    std::string commandLine() override { return text("commandLine", {}, cmdLine); }
    std::string appTitle() override { return text("appTitle", {}, title); }
    AppVersion appVersion() override { return call("appVersion", {}, AppVersion{}, [&] { return version; }); }
    void endProcess(int exitCode) override {
        calls.push_back(Call{"endProcess", {std::to_string(exitCode)}, {}});
        throw ProcessEnded{exitCode};
    }
    std::string getSetting(Text app, Text section, Text key) override {
        const std::string k = settingKey(app, section, key);
        return text("getSetting", {app, section, key}, settingTypes.count(k) && settingTypes[k] > 2 ? "" : settings[k]);
    }
    bool saveSetting(Text app, Text section, Text key, Text value) override {
        return call("saveSetting", {app, section, key, value}, false,
                    [&] { return settings[settingKey(app, section, key)] = value, true; });
    }
    // A pattern that ends with a separator lists the folder's contents; only a folder below a
    // drive's root lists "." and ".." first, where the pattern matches them.
    std::string dirFirst(Text asked, int attributeMask) override {
        return call("dirFirst", {asked, std::to_string(attributeMask)}, std::string(), [&] {
            std::size_t cut = asked.find_last_of("\\/");
            std::string folderPart = cut == std::string::npos ? "" : asked.substr(0, cut + 1);
            listPattern_ = cut == std::string::npos ? asked : asked.substr(cut + 1);
            if (listPattern_.empty()) listPattern_ = "*";
            listDir_ = hostPath(folderPart);
            listMask_ = attributeMask;
            lastListed_.clear();
            dots_.clear();
            if (!fs::is_directory(*listDir_, ec_)) listDir_.reset();
            else if ((attributeMask & attr::Directory) && splitPath(folderPart).size() > 1)
                for (const char* dot : {".", ".."})
                    if (wildMatch(listPattern_.c_str(), dot)) dots_.push_back(dot);
            return nextListed();
        });
    }
    std::string dirNext() override { return call("dirNext", {}, std::string(), [&] { return nextListed(); }); }
    bool createFolder(Text path) override {
        return call("createFolder", {path}, false, [&] {
            fs::path p = hostPath(path);
            return fs::is_directory(p.parent_path(), ec_) && !fs::exists(p, ec_) &&
                   fs::create_directory(p, ec_);
        });
    }
    bool createEmptyFile(Text path) override {
        return call("createEmptyFile", {path}, false, [&] { return write(path, "", std::ios::app); });
    }
    bool moveFile(Text from, Text to) override {
        return call("moveFile", {from, to}, false, [&] {
            fs::path a = hostPath(from), b = hostPath(to);
            if (!fs::exists(a, ec_) || fs::exists(b, ec_) || !fs::is_directory(b.parent_path(), ec_)) return false;
            fs::rename(a, b, ec_);
            return !ec_;
        });
    }
    ProcessResult createProcess(Text app, Text commandLine, Text dir, std::uint32_t waitMs) override {
        return call("createProcess", {app, commandLine, dir, std::to_string(waitMs)}, ProcessResult{},
                    [&] { return onCreateProcess ? onCreateProcess(app, commandLine) : ProcessResult{true, true, 0}; });
    }
    long shellExecute(Text operation, Text file, Text parameters, Text dir, int showCommand) override {
        return call("shellExecute", {operation, file, parameters, dir, std::to_string(showCommand)}, 0L,
                    [&] { return onShellExecute ? onShellExecute(file, parameters) : 42L; });
    }
    std::string specialFolderPath(int id) override { return text("specialFolderPath", {std::to_string(id)}, specialFolders[id]); }
    FolderPathResult folderPath(int id) override {
        return call("folderPath", {std::to_string(id)}, FolderPathResult{0x80004005L, ""}, [&] {
            return folderPaths.count(id) ? FolderPathResult{0, folderPaths[id]} : FolderPathResult{0x80070002L, ""};
        });
    }
    std::string systemDirectory() override { return text("systemDirectory", {}, sysDir); }
    WinVersion versionEx() override { return call("versionEx", {}, WinVersion{}, [&] { return winVersion; }); }
    // Either way the automation object fails, the caller sees the platform's run-time error.
    long productState(Text code) override {
        calls.push_back(Call{"productState", {code}, {}});
        if (faulted() || !installerAvailable)
            throw RuntimeError(err::CantCreateObject, "ActiveX component can't create object");
        long state = productStates.count(code) ? productStates[code] : -1;
        calls.back().result = std::to_string(state);
        return state;
    }
    std::string tempFolder() override { return text("tempFolder", {}, temp); }
    std::string modulePath() override {
        const bool separator = folder.ends_with('\\') || folder.ends_with('/');
        return text("modulePath", {}, folder + (separator ? "" : "\\") + exe + ".exe");
    }
    std::string localTime() override { return text("localTime", {}, clock); }
    std::size_t appendFile(Text path, Text content) override {
        return call("appendFile", {path, content}, std::size_t{0}, [&] {
            const std::size_t n = std::min(content.size(), std::exchange(appendLimit, std::string::npos));
            return write(path, content.substr(0, n), std::ios::app) ? n : 0;
        });
    }
    ShellWaitResult shellExecuteWait(Text operation, Text file, Text parameters, Text dir, int showCommand,
                                     std::uint32_t waitMs) override {
        return call("shellExecuteWait", {operation, file, parameters, dir, std::to_string(showCommand), std::to_string(waitMs)},
                    ShellWaitResult{}, [&] {
                        long answer = onShellExecute ? onShellExecute(file, parameters) : 42L;
                        return ShellWaitResult{answer, answer >= 32 ? shellWait : ProcessResult{}};
                    });
    }
    long desktopShellExecute(Text file, Text parameters, Text dir, Text operation, int showCommand) override {
        return call("desktopShellExecute", {file, parameters, dir, operation, std::to_string(showCommand)}, 0x80004005L,
                    [&] { return desktopShell; });
    }
    long windowStationFlags() override { return call("windowStationFlags", {}, -1L, [&] { return stationFlags; }); }
    std::string threadDesktopName() override { return text("threadDesktopName", {}, desktop); }
    long sessionId() override { return call("sessionId", {}, -1L, [&] { return session; }); }
    void shellWithoutUi() override { text("shellWithoutUi", {}, ""); }
    void sleep(std::uint32_t ms) override { text("sleep", {std::to_string(ms)}, ""); }
    std::uint32_t pid = 4242;
    std::uint32_t processId() override { return pid; }

private:
    // Records the call; a fault makes it return `failed` (or raise), otherwise `answer` answers.
    template <typename T, typename F>
    T call(std::string name, std::vector<std::string> args, T failed, F answer) {
        calls.push_back(Call{std::move(name), std::move(args), {}});
        if (faulted()) return failed;
        T value = answer();
        calls.back().result = shown(value);
        return value;
    }
    std::string text(std::string name, std::vector<std::string> args, Text value) {
        return call(std::move(name), std::move(args), std::string(), [&] { return value; });
    }
    template <typename T>
    static T next(std::deque<T>& answers, T fallback) {
        if (answers.empty()) return fallback;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // Asks `fault` about the call just recorded; throws for FaultThrow.
    bool faulted() {
        Fault f = fault ? fault(calls.back().name) : FaultNone;
        if (f == FaultThrow) {
            calls.back().result = "raised";
            throw RuntimeError(err::InvalidProcedureCall, "Injected fault in " + calls.back().name);
        }
        if (f == FaultReturn) calls.back().result = "failed";
        return f == FaultReturn;
    }
    bool write(Text path, Text content, std::ios::openmode mode) {
        fs::path p = hostPath(path);
        return fs::is_directory(p.parent_path(), ec_) && !fs::is_directory(p, ec_) &&
               static_cast<bool>(std::ofstream(p, std::ios::binary | mode) << content);
    }
    // The listing is live, in the file system's name order, as on NTFS: a file renamed while the
    // listing is open shows up again under its new name when the listing gets there.
    std::string nextListed() {
        if (!dots_.empty()) return next(dots_, std::string());
        if (!listDir_) return "";
        std::string best;
        for (const auto& e : fs::directory_iterator(*listDir_, ec_)) {
            std::string name = e.path().filename().string(), key = toUpper(name);
            bool admitted = (!fs::is_directory(e.path(), ec_) || (listMask_ & attr::Directory)) &&
                            !(attributes_[e.path()] & (attr::Hidden | attr::System) & ~listMask_);
            bool matched = wildMatch(listPattern_.c_str(), name.c_str()) ||
                           wildMatch(listPattern_.c_str(), shortName(name).c_str());
            if (admitted && matched && key > lastListed_ &&
                (best.empty() || key < toUpper(best)))
                best = name;
        }
        if (best.empty()) listDir_.reset();
        lastListed_ = toUpper(best);
        return best;
    }
    static bool wildMatch(const char* p, const char* n) {
        if (!*p) return !*n;
        if (*p == '*') return wildMatch(p + 1, n) || (*n && wildMatch(p, n + 1));
        auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
        return *n && (*p == '?' || lower(*p) == lower(*n)) && wildMatch(p + 1, n + 1);
    }
    // LETTER~1.ENV for "Letter.envelope"; none for a name that is an 8.3 name already.
    static std::string shortName(Text name) {
        std::size_t dot = name.rfind('.');
        std::string stem = name.substr(0, dot), ext = dot == std::string::npos ? "" : "." + name.substr(dot + 1, 3);
        if (stem.size() <= 8 && name.size() - stem.size() <= 4 && name.find_first_of(" +,;=[]") == std::string::npos &&
            stem.find('.') == std::string::npos) return "";
        return toUpper(std::regex_replace(stem, std::regex("[ .]"), "").substr(0, 6) + "~1" + ext);
    }
    static std::vector<std::string> splitPath(Text path) {
        std::vector<std::string> parts(1);
        for (char c : path) {
            if (c != '\\' && c != '/') parts.back() += c;
            else if (!parts.back().empty()) parts.emplace_back();
        }
        if (parts.back().empty()) parts.pop_back();
        return parts;
    }
    template <typename T> static std::string shown(const T& v) {
        if constexpr (std::is_same_v<T, std::string>) return v;
        else if constexpr (std::is_same_v<T, bool>) return v ? "true" : "false";
        else if constexpr (std::is_arithmetic_v<T>) return std::to_string(v);
        else if constexpr (std::is_same_v<T, ProcessResult>)
            return v.created ? "exit " + std::to_string(v.exitCode) : "not created";
        else if constexpr (std::is_same_v<T, FolderPathResult>) return v.path;
        else if constexpr (std::is_same_v<T, ShellWaitResult>) return std::to_string(v.answer);
        else return "";
    }

    fs::path root_;
    mutable std::error_code ec_;  // the disk's own errors are answers (false, nothing listed), not failures
    std::map<fs::path, int> attributes_;
    // The open directory listing: folder, name pattern, mask, the last name handed out, "." and "..".
    std::optional<fs::path> listDir_;
    std::string listPattern_, lastListed_;
    int listMask_ = 0;
    std::deque<std::string> dots_;
};

// Installs a FakeOs as the process's OS for the life of a test and resets the installer state.
struct OsScope {
    OsScope() { resetSystemState(); setOs(&fake); }
    ~OsScope() { setOs(nullptr); resetSystemState(); }
    FakeOs fake;
};

}  // namespace tsy::test
