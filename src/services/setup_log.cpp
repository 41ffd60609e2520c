#include "services/setup_log.h"

#include <iterator>
#include <vector>

#include "platform/exit_codes.h"
#include "platform/runtime_error.h"
#include "services/text.h"

namespace tsy {

namespace {

// Message texts break lines with a carriage return alone; in the log every line after the
// first is indented under its entry so that an administrator can tell entries apart.
std::string indentLines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n        ";
        } else if (static_cast<unsigned char>(c) < 32 && c != '\t') {
            out += '?';
        } else {
            out += c;
        }
    }
    return out;
}

std::string answerName(int answer) {
    switch (answer) {
    case mb::AnswerOk: return "OK";
    case mb::AnswerCancel: return "Cancel";
    case mb::AnswerYes: return "Yes";
    case mb::AnswerNo: return "No";
    default: return std::to_string(answer);
    }
}

// WSF_VISIBLE: the station has a display and input that a user can see and use.
constexpr long kStationVisible = 1;

// The answer a box gives when its default button is taken: the button the style makes the
// default (MB_DEFBUTTON2 and on), the first one when the style names none or one beyond them.
int defaultAnswer(int style) {
    static const std::vector<int> kButtons[] = {
        {mb::AnswerOk},
        {mb::AnswerOk, mb::AnswerCancel},
        {mb::AnswerAbort, mb::AnswerRetry, mb::AnswerIgnore},
        {mb::AnswerYes, mb::AnswerNo, mb::AnswerCancel},
        {mb::AnswerYes, mb::AnswerNo},
        {mb::AnswerRetry, mb::AnswerCancel},
        {mb::AnswerCancel, mb::AnswerTryAgain, mb::AnswerContinue},
    };
    const auto kind = static_cast<std::size_t>(style & 0xF);
    if (kind >= std::size(kButtons)) return mb::AnswerOk;
    const std::vector<int>& buttons = kButtons[kind];
    const auto pick = static_cast<std::size_t>((style / mb::DefaultButton2) & 0xF);
    return pick < buttons.size() ? buttons[pick] : buttons[0];
}

const char* const kNotShown = " (not shown: nobody can answer on this desktop)";

std::string modeFromName(const std::string& exe) {
    if (iequals(exe, "TSY Setup")) return "asked at start (TSY Setup)";
    if (istartsWith(exe, "Update")) return "update";
    return "install";
}

}  // namespace

std::string exitCodeMeaning(int exitCode) {
    switch (exitCode) {
    case exitcode::Success: return "success";
    case exitcode::Restart: return "success, Windows must restart to complete it";
    case exitcode::RestartBegun: return "success, Windows Installer began the restart";
    case exitcode::Busy: return "another installation is in progress, try again later";
    case exitcode::Cancelled: return "cancelled by the user";
    case exitcode::Failed: return "failed";
    case exitcode::InvalidCommandLine: return "invalid command line";
    default: return "exit code " + std::to_string(exitCode);
    }
}

std::string LoggingOs::defaultLogPath(Os& os) {
    try {
        std::string temp = os.tempFolder();
        if (temp.empty()) return "";
        return temp + (temp.back() == '\\' ? "" : "\\") + "TSY Setup.log";
    } catch (...) {
        return "";
    }
}

LoggingOs::LoggingOs(Os& inner, std::string logPath, const std::string& appKey)
    : inner_(inner), path_(std::move(logPath)), active_(!path_.empty()) {
    // What cannot be read is taken as a person's desktop: boxes as designed.
    try {
        const long flags = inner_.windowStationFlags();
        const std::string desktop = inner_.threadDesktopName();
        const long session = inner_.sessionId();
        const WinVersion w = inner_.versionEx();
        interactive_ = (flags < 0 || (flags & kStationVisible) != 0) &&
                       (desktop.empty() || iequals(desktop, "Default")) &&
                       !(session == 0 && w.ok && w.major >= 6);
        if (!interactive_) inner_.shellWithoutUi();
    } catch (...) {
    }
    if (!active_) return;
    try {
        pid_ = " [" + std::to_string(inner_.processId()) + "]";
    } catch (...) {
    }
    writeHeader(appKey);
}

void LoggingOs::log(const std::string& entry) {
    if (!active_) return;
    const bool retry = !pending_.empty();
    try {
        pending_ += inner_.localTime() + pid_ + "  " + indentLines(entry) + "\r\n";
        // A write that failed part way has put its first bytes in the file: only the rest is
        // tried again, or the file would hold them twice.
        pending_.erase(0, inner_.appendFile(path_, pending_));
        if (retry && !pending_.empty()) active_ = false;
    } catch (...) {
        if (retry) active_ = false;
    }
}

void LoggingOs::writeHeader(const std::string& appKey) {
    if (!active_) return;
    try {
        AppVersion v = inner_.appVersion();
        WinVersion w = inner_.versionEx();
        std::string exe = inner_.exeName();
        std::string header = "==== TSY Setup " + std::to_string(v.major) + "." +
                             std::to_string(v.minor) + "." + std::to_string(v.revision) +
                             "\rProgram: " + inner_.modulePath() +
                             "\rCommand line: " + inner_.commandLine() +
                             "\rMode: " + modeFromName(exe) +
                             "\rEdition: " + appKey +
                             (istartsWith(appKey, "TSYPRO") ? " (Professional)" : " (Lite)") +
                             "\rWindows: " +
                             (w.ok ? std::to_string(w.platform) + " " + std::to_string(w.major) +
                                         "." + std::to_string(w.minor) + "." +
                                         std::to_string(w.build) +
                                         (w.servicePack.empty() ? "" : " " + w.servicePack)
                                   : std::string("unknown"));
        log(header);
    } catch (...) {
        active_ = false;
    }
}

int LoggingOs::msgBox(const std::string& text, int style, const std::string& title) {
    if (!interactive_) {
        int answer = defaultAnswer(style);
        std::string shownTitle = title;
        try {
            if (shownTitle.empty()) shownTitle = inner_.appTitle();
        } catch (...) {
        }
        log("Message box \"" + shownTitle + "\": " + text + "\rAnswer: " + answerName(answer) +
            kNotShown);
        return answer;
    }
    int answer = inner_.msgBox(text, style, title);
    log("Message box" + (title.empty() ? std::string() : " \"" + title + "\"") + ": " + text +
        "\rAnswer: " + answerName(answer));
    return answer;
}

std::string LoggingOs::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultText) {
    std::string answer = interactive_ ? inner_.inputBox(prompt, title, defaultText) : defaultText;
    log("Input box" + (title.empty() ? std::string() : " \"" + title + "\"") + ": " + prompt +
        "\rDefault: " + defaultText + "\rAnswer: " +
        (answer.empty() ? "(empty: Cancel or blank)" : answer) + (interactive_ ? "" : kNotShown));
    return answer;
}

std::string LoggingOs::browseForFolder(std::uintptr_t owner, const std::string& title,
                                       unsigned flags, int rootCsidl) {
    std::string folder = inner_.browseForFolder(owner, title, flags, rootCsidl);
    log("Folder browser: " + (folder.empty() ? std::string("cancelled") : folder));
    return folder;
}

void LoggingOs::endProcess(int exitCode) {
    logResult(exitCode);
    inner_.endProcess(exitCode);
}

void LoggingOs::logResult(int exitCode) {
    if (resultLogged_) return;
    resultLogged_ = true;
    log("Result: " + exitCodeMeaning(exitCode) + ", exit code " + std::to_string(exitCode));
}

bool LoggingOs::saveSetting(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& value) {
    bool ok = inner_.saveSetting(app, section, key, value);
    log("Setting " + app + "\\" + section + "\\" + key + " = \"" + value + "\"" +
        (ok ? "" : " (not written)"));
    return ok;
}

bool LoggingOs::createFolder(const std::string& path) {
    bool ok = inner_.createFolder(path);
    log("Create folder " + path + (ok ? "" : " (failed)"));
    return ok;
}

bool LoggingOs::moveFile(const std::string& from, const std::string& to) {
    bool ok = inner_.moveFile(from, to);
    log("Rename " + from + " -> " + to + (ok ? "" : " (failed)"));
    return ok;
}

ProcessResult LoggingOs::createProcess(const std::string& applicationName,
                                       const std::string& commandLine, const std::string& folder,
                                       std::uint32_t waitMs) {
    ProcessResult r = inner_.createProcess(applicationName, commandLine, folder, waitMs);
    std::string outcome = !r.created ? "not started"
                          : r.waited ? "exit code " + std::to_string(r.exitCode)
                                     : "still running after the wait";
    log("Process: " + commandLine +
        (applicationName.empty() ? std::string() : "\rProgram file: " + applicationName) +
        "\rFolder: " + folder + "\rResult: " + outcome);
    return r;
}

long LoggingOs::shellExecute(const std::string& operation, const std::string& file,
                             const std::string& parameters, const std::string& folder,
                             int showCommand) {
    long r = inner_.shellExecute(operation, file, parameters, folder, showCommand);
    log("Shell " + operation + ": " + file + (parameters.empty() ? "" : " " + parameters) +
        "\rFolder: " + folder + "\rReturned: " + std::to_string(r) +
        (r >= 32 ? " (started)" : " (error)"));
    return r;
}

ShellWaitResult LoggingOs::shellExecuteWait(const std::string& operation, const std::string& file,
                                            const std::string& parameters,
                                            const std::string& folder, int showCommand,
                                            std::uint32_t waitMs) {
    ShellWaitResult r =
        inner_.shellExecuteWait(operation, file, parameters, folder, showCommand, waitMs);
    const std::string outcome = !r.process.created ? "no process to wait for"
                                : r.process.waited
                                    ? "ended with exit code " + std::to_string(r.process.exitCode)
                                    : "still running when the wait ended";
    log("Shell " + operation + ": " + file + (parameters.empty() ? "" : " " + parameters) +
        "\rFolder: " + folder + "\rReturned: " + std::to_string(r.answer) +
        (r.answer >= 32
             ? " (started, waited for up to " + std::to_string(waitMs) + " ms: " + outcome + ")"
             : " (error)"));
    return r;
}

long LoggingOs::desktopShellExecute(const std::string& file, const std::string& parameters,
                                    const std::string& folder, const std::string& operation,
                                    int showCommand) {
    long r = inner_.desktopShellExecute(file, parameters, folder, operation, showCommand);
    // An HRESULT in hexadecimal, as Windows shows it; formatted by hand, because the formatted
    // output of the C library would add tens of kilobytes to the program.
    std::string hr = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) hr += "0123456789ABCDEF"[(static_cast<unsigned long>(r) >> shift) & 0xF];
    log("Desktop shell " + operation + ": " + file + (parameters.empty() ? "" : " " + parameters) +
        "\rFolder: " + folder + "\rReturned: " + hr);
    return r;
}

long LoggingOs::productState(const std::string& productCode) {
    try {
        long state = inner_.productState(productCode);
        log("Product " + productCode + ": install state " + std::to_string(state));
        return state;
    } catch (const RuntimeError& e) {
        log("Product " + productCode + ": not known (" + e.description() + ")");
        throw;
    }
}

}  // namespace tsy
