// The setup log: "TSY Setup.log" in the user's temporary folder, the file administrators look
// for first. Each run appends a header and then every process started, every shell open
// request, every setting written, every message box and input box with its answer, and the
// result with the exit code.
//
// It is a decorator of the OS boundary, so nothing in start-up, the wizard or the engine knows
// about it. A write that fails is tried once more with the next entry (nothing is lost when
// a virus scanner or a second run holds the file for a moment); a second failure in a row gives
// the log up. It never stops, slows or changes the run. Each entry carries the process id, so
// that two runs appending at once can be told apart.
//
// Boxes pass through here too, which makes this the one place that knows whether anybody can
// answer them. A deployment tool starts the setup as SYSTEM in session 0, or on a desktop of its
// own inside the user's window station; a box there would wait for ever. A run is interactive
// only on a visible window station, on its default desktop, and from Windows 6 on outside
// session 0 (a locked screen keeps the thread on the default desktop: the user comes back).
// Elsewhere each box is only logged, with the answer its default button gives, the shell is
// told to show no box of its own either, and the run goes on.
#pragma once

#include <string>

#include "platform/os.h"

namespace tsy {

class LoggingOs : public Os {
public:
    // Logs to logPath through inner.appendFile; the header is written at once.
    LoggingOs(Os& inner, std::string logPath, const std::string& appKey);

    static std::string defaultLogPath(Os& os);  // <temp>\TSY Setup.log, empty when unknown
    bool active() const { return active_; }
    // The result of a run that ends by returning rather than through endProcess.
    void logResult(int exitCode);

    int msgBox(const std::string& text, int style, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::string browseForFolder(std::uintptr_t owner, const std::string& title, unsigned flags,
                                int rootCsidl) override;
    void setDefaultMousePointer() override { inner_.setDefaultMousePointer(); }
    std::string exeName() override { return inner_.exeName(); }
    std::string appPath() override { return inner_.appPath(); }
    std::string commandLine() override { return inner_.commandLine(); }
    std::string appTitle() override { return inner_.appTitle(); }
    AppVersion appVersion() override { return inner_.appVersion(); }
    void endProcess(int exitCode) override;
    std::string getSetting(const std::string& app, const std::string& section,
                           const std::string& key) override {
        return inner_.getSetting(app, section, key);
    }
    bool saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
    std::string dirFirst(const std::string& pattern, int attributeMask) override {
        return inner_.dirFirst(pattern, attributeMask);
    }
    std::string dirNext() override { return inner_.dirNext(); }
    bool createFolder(const std::string& path) override;
    bool createEmptyFile(const std::string& path) override { return inner_.createEmptyFile(path); }
    bool moveFile(const std::string& from, const std::string& to) override;
    ProcessResult createProcess(const std::string& applicationName, const std::string& commandLine,
                                const std::string& folder, std::uint32_t waitMs) override;
    long shellExecute(const std::string& operation, const std::string& file,
                      const std::string& parameters, const std::string& folder,
                      int showCommand) override;
    std::string specialFolderPath(int csidl) override { return inner_.specialFolderPath(csidl); }
    FolderPathResult folderPath(int csidl) override { return inner_.folderPath(csidl); }
    std::string systemDirectory() override { return inner_.systemDirectory(); }
    WinVersion versionEx() override { return inner_.versionEx(); }
    long productState(const std::string& productCode) override;
    std::string tempFolder() override { return inner_.tempFolder(); }
    std::string modulePath() override { return inner_.modulePath(); }
    std::string localTime() override { return inner_.localTime(); }
    std::size_t appendFile(const std::string& path, const std::string& text) override {
        return inner_.appendFile(path, text);
    }
    ShellWaitResult shellExecuteWait(const std::string& operation, const std::string& file,
                                     const std::string& parameters, const std::string& folder,
                                     int showCommand, std::uint32_t waitMs) override;
    long desktopShellExecute(const std::string& file, const std::string& parameters,
                             const std::string& folder, const std::string& operation,
                             int showCommand) override;
    long windowStationFlags() override { return inner_.windowStationFlags(); }
    std::string threadDesktopName() override { return inner_.threadDesktopName(); }
    long sessionId() override { return inner_.sessionId(); }
    void shellWithoutUi() override { inner_.shellWithoutUi(); }
    void sleep(std::uint32_t ms) override { inner_.sleep(ms); }
    std::uint32_t processId() override { return inner_.processId(); }
    // A choice of the run that skips or changes work, with its reason.
    void note(const std::string& line) override { log("Decision: " + line); }

private:
    void writeHeader(const std::string& appKey);
    void log(const std::string& entry);

    Os& inner_;
    std::string path_;
    bool active_;
    std::string pid_;      // " [1234]" after each entry's time
    std::string pending_;  // the entries (or their rest) a failed write left for the next one
    bool resultLogged_ = false;
    bool interactive_ = true;
};

// The meaning of an exit code of this program, for the log and the README.
std::string exitCodeMeaning(int exitCode);

}  // namespace tsy
