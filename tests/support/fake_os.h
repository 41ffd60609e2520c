// A recording fake of the operating system: every call is recorded in order with its
// arguments and answer, and every answer is scripted. Files live in a real temporary folder,
// with Windows paths mapped onto it ("C:\A\b.txt" -> <root>/C/A/b.txt) and names matched
// ignoring case, so that listing, renaming and creating behave as on a real disk.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/runtime_error.h"

namespace tsy::test {

struct Call {
    std::string name;
    std::vector<std::string> args;
    std::string result;       // the answer; "failed" / "raised" when a fault was injected
    std::string str() const;  // name(arg1|arg2|...) -> result
};

class FakeOs : public Os {
public:
    FakeOs();
    ~FakeOs() override;

    // ---- recorded calls ----
    std::vector<Call> calls;
    std::vector<Call> callsNamed(const std::string& name) const;
    std::vector<std::string> messages() const;  // texts of every message box, in order
    void clearCalls() { calls.clear(); }

    // ---- scripted answers ----
    std::deque<int> msgBoxAnswers;           // default: Ok for OK boxes, Yes for Yes/No boxes
    std::deque<std::string> inputBoxAnswers; // default: the default text
    std::deque<std::string> browseAnswers;   // default: empty (cancel)
    std::string exe = "Update";
    std::string folder = "C:\\Kit";
    std::string cmdLine;
    std::string title = "TSY Setup";
    AppVersion version{1, 6, 0};
    std::map<std::string, std::string> settings;  // key: settingKey(app, section, key)
    std::map<int, std::string> specialFolders;      // SHGetSpecialFolderPathA answers
    std::map<int, std::string> folderPaths;         // SHGetFolderPathA answers (0 = S_OK)
    std::string sysDir = "C:\\windows\\system32";
    WinVersion winVersion{true, 2, 6, 1, 7601, "Service Pack 1"};
    std::map<std::string, long> productStates;      // product code -> state; missing: -1
    bool installerAvailable = true;
    // createProcess: by default every command starts and exits with 0.
    std::function<ProcessResult(const std::string& app, const std::string& cmd)> onCreateProcess;
    // shellExecute: by default 42.
    std::function<long(const std::string& file, const std::string& params)> onShellExecute;
    // Fault injection: asked before every OS call with the call's name. FaultReturn makes the
    // call fail the way the platform fails (false, empty text, an error code); FaultThrow makes
    // it raise a run-time error.
    enum Fault { FaultNone = 0, FaultReturn = 1, FaultThrow = 2 };
    std::function<Fault(const std::string& name)> fault;
    std::string temp = "C:\\Users\\tester\\Temp";
    std::string clock = "2026-12-06 10:00:00";

    // ---- files ----
    std::filesystem::path hostPath(const std::string& windowsPath) const;
    void addFile(const std::string& windowsPath, const std::string& content = "");
    void addFolder(const std::string& windowsPath) { std::filesystem::create_directories(hostPath(windowsPath)); }
    void markHidden(const std::string& windowsPath) { hidden_.insert(hostPath(windowsPath)); }
    bool exists(const std::string& windowsPath) const;
    std::vector<std::string> listFolder(const std::string& windowsPath) const;  // sorted names

    static std::string settingKey(const std::string& app, const std::string& section, const std::string& key);

    // ---- Os ----
    int msgBox(const std::string& text, int style, const std::string& boxTitle) override {
        int answer = (style & 0xF) == mb::YesNo ? mb::AnswerYes : mb::AnswerOk;
        return call("msgBox", {text, std::to_string(style), boxTitle}, 0, [&] { return next(msgBoxAnswers, answer); });
    }
    std::string inputBox(const std::string& prompt, const std::string& boxTitle, const std::string& defaultText) override {
        return call("inputBox", {prompt, boxTitle, defaultText}, std::string(), [&] { return next(inputBoxAnswers, defaultText); });
    }
    std::string browseForFolder(std::uintptr_t owner, const std::string& boxTitle, unsigned flags, int root) override {
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
    std::string getSetting(const std::string& app, const std::string& section, const std::string& key) override {
        auto it = settings.find(settingKey(app, section, key));
        return text("getSetting", {app, section, key}, it == settings.end() ? "" : it->second);
    }
    bool saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        return call("saveSetting", {app, section, key, value}, false,
                    [&] { return settings[settingKey(app, section, key)] = value, true; });
    }
    std::string dirFirst(const std::string& pattern, int attributeMask) override;
    std::string dirNext() override { return call("dirNext", {}, std::string(), [&] { return nextListed(); }); }
    bool createFolder(const std::string& path) override;
    bool createEmptyFile(const std::string& path) override {
        return call("createEmptyFile", {path}, false, [&] { return write(path, "", std::ios::trunc); });
    }
    bool moveFile(const std::string& from, const std::string& to) override;
    ProcessResult createProcess(const std::string& app, const std::string& commandLine, const std::string& dir,
                                std::uint32_t waitMs) override {
        return call("createProcess", {app, commandLine, dir, std::to_string(waitMs)}, ProcessResult{}, [&] {
            return onCreateProcess ? onCreateProcess(app, commandLine) : ProcessResult{true, true, 0};
        });
    }
    long shellExecute(const std::string& operation, const std::string& file, const std::string& parameters,
                      const std::string& dir, int showCommand) override {
        return call("shellExecute", {operation, file, parameters, dir, std::to_string(showCommand)}, 0L,
                    [&] { return onShellExecute ? onShellExecute(file, parameters) : 42L; });
    }
    std::string specialFolderPath(int csidl) override {
        return text("specialFolderPath", {std::to_string(csidl)}, specialFolders.count(csidl) ? specialFolders[csidl] : "");
    }
    FolderPathResult folderPath(int csidl) override {
        return call("folderPath", {std::to_string(csidl)}, FolderPathResult{0x80004005L, ""}, [&] {
            return folderPaths.count(csidl) ? FolderPathResult{0, folderPaths[csidl]} : FolderPathResult{0x80070002L, ""};
        });
    }
    std::string systemDirectory() override { return text("systemDirectory", {}, sysDir); }
    WinVersion versionEx() override { return call("versionEx", {}, WinVersion{}, [&] { return winVersion; }); }
    // Either way the automation object fails, the caller sees the platform's run-time error.
    long productState(const std::string& code) override {
        calls.push_back(Call{"productState", {code}, {}});
        if (faulted() || !installerAvailable) throw RuntimeError(err::CantCreateObject, "ActiveX component can't create object");
        long state = productStates.count(code) ? productStates[code] : -1;
        calls.back().result = std::to_string(state);
        return state;
    }
    std::string tempFolder() override { return text("tempFolder", {}, temp); }
    std::string modulePath() override {
        return text("modulePath", {}, folder + (folder.ends_with('\\') || folder.ends_with('/') ? "" : "\\") + exe + ".exe");
    }
    std::string localTime() override { return text("localTime", {}, clock); }
    bool appendFile(const std::string& path, const std::string& content) override {
        return call("appendFile", {path, content}, false, [&] { return write(path, content, std::ios::app); });
    }

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
    std::string text(std::string name, std::vector<std::string> args, const std::string& value) {
        return call(std::move(name), std::move(args), std::string(), [&] { return value; });
    }
    template <typename T>
    static T next(std::deque<T>& answers, T fallback) {
        if (answers.empty()) return fallback;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool faulted();  // asks `fault` about the call just recorded; throws for FaultThrow
    bool write(const std::string& path, const std::string& content, std::ios::openmode mode);
    std::string nextListed();
    static std::string shown(const std::string& s) { return s; }
    static std::string shown(bool b) { return b ? "true" : "false"; }
    static std::string shown(long n) { return std::to_string(n); }
    static std::string shown(int n) { return std::to_string(n); }
    static std::string shown(const ProcessResult& r) { return r.created ? "exit " + std::to_string(r.exitCode) : "not created"; }
    static std::string shown(const FolderPathResult& r) { return r.path; }
    template <typename T> static std::string shown(const T&) { return ""; }

    std::filesystem::path root_;
    std::set<std::filesystem::path> hidden_;
    // The open directory listing: folder, name pattern, mask, the last name handed out.
    std::optional<std::filesystem::path> listDir_;
    std::string listPattern_, lastListed_;
    int listMask_ = 0;
    std::deque<std::string> dots_;  // "." and ".." of a folder's contents
};

// Installs a FakeOs as the process's OS for the life of a test and resets the installer state.
class OsScope {
public:
    OsScope();
    ~OsScope();
    FakeOs fake;
};

}  // namespace tsy::test
