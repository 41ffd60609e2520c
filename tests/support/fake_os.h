// A recording fake of the operating system: every call is recorded in order with its
// arguments, and every answer is scripted. Files live in a real temporary folder, with
// Windows paths mapped onto it ("C:\A\b.txt" -> <root>/C/A/b.txt) and names matched
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

namespace tsy::test {

struct Call {
    std::string name;
    std::vector<std::string> args;
    std::string result;
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
    std::map<std::string, std::string> settings;  // key: app\section\key, lower case
    std::set<std::string> unwritableSettings;       // same keys: saveSetting fails
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
    std::optional<int> endedWith;
    std::string temp = "C:\\Users\\tester\\Temp";
    std::string clock = "2026-12-06 10:00:00";

    // ---- files ----
    std::filesystem::path root() const { return root_; }
    std::filesystem::path hostPath(const std::string& windowsPath) const;
    void addFile(const std::string& windowsPath, const std::string& content = "");
    void addFolder(const std::string& windowsPath);
    void markHidden(const std::string& windowsPath);
    void markSystem(const std::string& windowsPath);
    bool exists(const std::string& windowsPath) const;
    std::vector<std::string> listFolder(const std::string& windowsPath) const;  // sorted names

    // ---- Os ----
    int msgBox(const std::string& text, int style, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::string browseForFolder(std::uintptr_t owner, const std::string& title, unsigned flags,
                                int rootCsidl) override;
    void setDefaultMousePointer() override;
    std::string exeName() override;
    std::string appPath() override;
    std::string commandLine() override;
    std::string appTitle() override;
    AppVersion appVersion() override;
    void endProcess(int exitCode) override;
    std::string getSetting(const std::string& app, const std::string& section,
                           const std::string& key) override;
    bool saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
    std::string dirFirst(const std::string& pattern, int attributeMask) override;
    std::string dirNext() override;
    bool createFolder(const std::string& path) override;
    bool createEmptyFile(const std::string& path) override;
    bool moveFile(const std::string& from, const std::string& to) override;
    ProcessResult createProcess(const std::string& applicationName, const std::string& commandLine,
                                const std::string& folder, std::uint32_t waitMs) override;
    long shellExecute(const std::string& operation, const std::string& file,
                      const std::string& parameters, const std::string& folder,
                      int showCommand) override;
    std::string specialFolderPath(int csidl) override;
    FolderPathResult folderPath(int csidl) override;
    std::string systemDirectory() override;
    WinVersion versionEx() override;
    long productState(const std::string& productCode) override;
    std::string tempFolder() override;
    std::string modulePath() override;
    std::string localTime() override;
    bool appendFile(const std::string& path, const std::string& text) override;
    std::uint32_t pid = 4242;
    std::uint32_t processId() override { return pid; }

    static std::string settingKey(const std::string& app, const std::string& section,
                                  const std::string& key);

private:
    Call& record(std::string name, std::vector<std::string> args);
    bool failing(const std::string& name);  // throws for FaultThrow
    std::optional<std::filesystem::path> resolve(const std::string& windowsPath) const;
    int attributesOf(const std::filesystem::path& p) const;

    std::filesystem::path root_;
    std::set<std::string> hidden_;  // host paths
    std::set<std::string> system_;
    std::string nextListed();
    std::vector<std::string> listing_;  // "." and ".." of a folder's contents
    std::size_t listingPos_ = 0;
    std::optional<std::filesystem::path> listDir_;
    std::string listPattern_;
    int listMask_ = 0;
    std::string lastListed_;
};

// Installs a FakeOs as the process's OS for the life of a test and resets the installer state.
class OsScope {
public:
    OsScope();
    ~OsScope();
    FakeOs fake;
};

bool wildcardMatch(const std::string& pattern, const std::string& name);  // * and ?, no case

}  // namespace tsy::test
