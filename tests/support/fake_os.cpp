#include "support/fake_os.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <random>

#include "platform/runtime_error.h"
#include "state/state.h"

namespace fs = std::filesystem;

namespace tsy::test {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool wildMatch(const char* p, const char* n) {
    for (; *p; ++p) {
        if (*p == '*') {
            for (const char* k = n;; ++k) {
                if (wildMatch(p + 1, k)) return true;
                if (!*k) return false;
            }
        }
        if (!*n) return false;
        if (*p != '?' && std::tolower(static_cast<unsigned char>(*p)) !=
                             std::tolower(static_cast<unsigned char>(*n)))
            return false;
        ++n;
    }
    return *n == 0;
}

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

bool endsWithSeparator(const std::string& s) {
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string yesNo(bool b) { return b ? "true" : "false"; }

}  // namespace

bool wildcardMatch(const std::string& pattern, const std::string& name) {
    return wildMatch(pattern.c_str(), name.c_str());
}

std::string Call::str() const {
    std::string s = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) s += (i ? "|" : "") + args[i];
    s += ")";
    if (!result.empty()) s += " -> " + result;
    return s;
}

FakeOs::FakeOs() {
    std::random_device rd;
    root_ = fs::temp_directory_path() / ("tsy-fake-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(root_);
}

FakeOs::~FakeOs() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::vector<Call> FakeOs::callsNamed(const std::string& name) const {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.name == name) out.push_back(c);
    return out;
}

std::vector<std::string> FakeOs::messages() const {
    std::vector<std::string> out;
    for (const Call& c : calls)
        if (c.name == "msgBox") out.push_back(c.args.at(0));
    return out;
}

Call& FakeOs::record(std::string name, std::vector<std::string> args) {
    calls.push_back(Call{std::move(name), std::move(args), {}});
    return calls.back();
}

bool FakeOs::failing(const std::string& name) {
    if (!fault) return false;
    Fault f = fault(name);
    if (f == FaultThrow) {
        calls.back().result = "raised";
        throw RuntimeError(err::InvalidProcedureCall, "Injected fault in " + name);
    }
    if (f == FaultReturn) calls.back().result = "failed";
    return f == FaultReturn;
}

// ---------------------------------------------------------------- paths on the host disk

std::optional<fs::path> FakeOs::resolve(const std::string& windowsPath) const {
    std::vector<std::string> parts = splitPath(windowsPath);
    if (parts.empty()) return std::nullopt;
    fs::path p = root_;
    std::size_t first = 0;
    if (parts[0].size() == 2 && parts[0][1] == ':') {
        p /= std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(parts[0][0]))));
        first = 1;
    } else {
        p /= "_";
    }
    for (std::size_t i = first; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == ".") continue;
        if (part == "..") {
            if (p != root_) p = p.parent_path();
            continue;
        }
        fs::path next = p / part;
        std::error_code ec;
        if (!fs::exists(next, ec) && fs::is_directory(p, ec)) {
            for (const auto& e : fs::directory_iterator(p, ec)) {
                if (lower(e.path().filename().string()) == lower(part)) {
                    next = e.path();
                    break;
                }
            }
        }
        p = next;
    }
    return p;
}

fs::path FakeOs::hostPath(const std::string& windowsPath) const {
    auto p = resolve(windowsPath);
    return p ? *p : root_;
}

void FakeOs::addFolder(const std::string& windowsPath) {
    fs::create_directories(hostPath(windowsPath));
}

void FakeOs::addFile(const std::string& windowsPath, const std::string& content) {
    fs::path p = hostPath(windowsPath);
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

void FakeOs::markHidden(const std::string& windowsPath) { hidden_.insert(hostPath(windowsPath).string()); }
void FakeOs::markSystem(const std::string& windowsPath) { system_.insert(hostPath(windowsPath).string()); }

bool FakeOs::exists(const std::string& windowsPath) const {
    auto p = resolve(windowsPath);
    std::error_code ec;
    return p && fs::exists(*p, ec);
}

std::vector<std::string> FakeOs::listFolder(const std::string& windowsPath) const {
    std::vector<std::string> out;
    auto p = resolve(windowsPath);
    std::error_code ec;
    if (!p || !fs::is_directory(*p, ec)) return out;
    for (const auto& e : fs::directory_iterator(*p, ec)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

int FakeOs::attributesOf(const fs::path& p) const {
    int a = 0;
    std::error_code ec;
    if (fs::is_directory(p, ec)) a |= attr::Directory;
    if (hidden_.count(p.string())) a |= attr::Hidden;
    if (system_.count(p.string())) a |= attr::System;
    return a;
}

// ---------------------------------------------------------------- dialogs

int FakeOs::msgBox(const std::string& text, int style, const std::string& boxTitle) {
    Call& c = record("msgBox", {text, std::to_string(style), boxTitle});
    if (failing("msgBox")) return 0;
    int answer;
    if (!msgBoxAnswers.empty()) {
        answer = msgBoxAnswers.front();
        msgBoxAnswers.pop_front();
    } else {
        int buttons = style & 0xF;
        answer = buttons == mb::YesNo ? mb::AnswerYes : mb::AnswerOk;
    }
    c.result = std::to_string(answer);
    return answer;
}

std::string FakeOs::inputBox(const std::string& prompt, const std::string& boxTitle,
                             const std::string& defaultText) {
    Call& c = record("inputBox", {prompt, boxTitle, defaultText});
    if (failing("inputBox")) return "";
    std::string answer = defaultText;
    if (!inputBoxAnswers.empty()) {
        answer = inputBoxAnswers.front();
        inputBoxAnswers.pop_front();
    }
    c.result = answer;
    return answer;
}

std::string FakeOs::browseForFolder(std::uintptr_t owner, const std::string& boxTitle,
                                    unsigned flags, int rootCsidl) {
    Call& c = record("browseForFolder", {std::to_string(owner), boxTitle, std::to_string(flags),
                                         std::to_string(rootCsidl)});
    if (failing("browseForFolder")) return "";
    std::string answer;
    if (!browseAnswers.empty()) {
        answer = browseAnswers.front();
        browseAnswers.pop_front();
    }
    c.result = answer;
    return answer;
}

void FakeOs::setDefaultMousePointer() {
    record("setDefaultMousePointer", {});
    failing("setDefaultMousePointer");
}

// ---------------------------------------------------------------- run-time

std::string FakeOs::exeName() {
    Call& c = record("exeName", {});
    if (failing("exeName")) return "";
    c.result = exe;
    return exe;
}

std::string FakeOs::appPath() {
    Call& c = record("appPath", {});
    if (failing("appPath")) return "";
    c.result = folder;
    return folder;
}

std::string FakeOs::commandLine() {
    Call& c = record("commandLine", {});
    if (failing("commandLine")) return "";
    c.result = cmdLine;
    return cmdLine;
}

std::string FakeOs::appTitle() {
    Call& c = record("appTitle", {});
    if (failing("appTitle")) return "";
    c.result = title;
    return title;
}

AppVersion FakeOs::appVersion() {
    record("appVersion", {});
    if (failing("appVersion")) return {};
    return version;
}

void FakeOs::endProcess(int exitCode) {
    record("endProcess", {std::to_string(exitCode)});
    endedWith = exitCode;
    throw ProcessEnded{exitCode};
}

// ---------------------------------------------------------------- settings

std::string FakeOs::settingKey(const std::string& app, const std::string& section,
                               const std::string& key) {
    return lower(app + "\\" + section + "\\" + key);
}

std::string FakeOs::getSetting(const std::string& app, const std::string& section,
                               const std::string& key) {
    Call& c = record("getSetting", {app, section, key});
    if (failing("getSetting")) return "";
    auto it = settings.find(settingKey(app, section, key));
    c.result = it == settings.end() ? "" : it->second;
    return c.result;
}

bool FakeOs::saveSetting(const std::string& app, const std::string& section,
                         const std::string& key, const std::string& value) {
    Call& c = record("saveSetting", {app, section, key, value});
    if (failing("saveSetting")) return false;
    if (unwritableSettings.count(settingKey(app, section, key))) {
        c.result = "false";
        return false;
    }
    settings[settingKey(app, section, key)] = value;
    return true;
}

// ---------------------------------------------------------------- files

std::string FakeOs::dirFirst(const std::string& pattern, int attributeMask) {
    Call& c = record("dirFirst", {pattern, std::to_string(attributeMask)});
    listing_.clear();
    listingPos_ = 0;
    listDir_.reset();
    lastListed_.clear();
    if (failing("dirFirst")) return "";
    std::string folderPart, namePart;
    bool contents = endsWithSeparator(pattern);
    if (contents) {
        folderPart = pattern;
        namePart = "*";
    } else {
        std::size_t cut = pattern.find_last_of("\\/");
        folderPart = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
        namePart = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    }
    std::optional<fs::path> dirPath =
        folderPart.empty() ? std::optional<fs::path>(root_ / "_") : resolve(folderPart);
    std::error_code ec;
    if (!dirPath || !fs::is_directory(*dirPath, ec)) return "";
    if (contents && (attributeMask & attr::Directory) && splitPath(folderPart).size() > 1) {
        listing_.push_back(".");
        listing_.push_back("..");
    }
    listDir_ = *dirPath;
    listPattern_ = namePart;
    listMask_ = attributeMask;
    c.result = nextListed();
    return c.result;
}

// The listing is live, in the file system's name order, as on NTFS: a file renamed while the
// listing is open shows up again under its new name when the listing gets there.
std::string FakeOs::nextListed() {
    if (listingPos_ < listing_.size()) return listing_[listingPos_++];
    if (!listDir_) return "";
    auto admit = [&](int a) {
        if ((a & attr::Directory) && !(listMask_ & attr::Directory)) return false;
        if ((a & attr::Hidden) && !(listMask_ & attr::Hidden)) return false;
        if ((a & attr::System) && !(listMask_ & attr::System)) return false;
        return true;
    };
    std::error_code ec;
    std::string best;
    bool found = false;
    for (const auto& e : fs::directory_iterator(*listDir_, ec)) {
        std::string name = e.path().filename().string();
        if (!wildcardMatch(listPattern_, name) || !admit(attributesOf(e.path()))) continue;
        std::string key = upper(name);
        if (!lastListed_.empty() && key <= lastListed_) continue;
        if (!found || key < upper(best)) {
            best = name;
            found = true;
        }
    }
    if (!found) {
        listDir_.reset();
        return "";
    }
    lastListed_ = upper(best);
    return best;
}

std::string FakeOs::dirNext() {
    Call& c = record("dirNext", {});
    if (failing("dirNext")) return "";
    c.result = nextListed();
    return c.result;
}

bool FakeOs::createFolder(const std::string& path) {
    Call& c = record("createFolder", {path});
    if (failing("createFolder")) return false;
    auto p = resolve(path);
    std::error_code ec;
    bool ok = p && fs::is_directory(p->parent_path(), ec) && !fs::exists(*p, ec) &&
              fs::create_directory(*p, ec);
    c.result = yesNo(ok);
    return ok;
}

bool FakeOs::createEmptyFile(const std::string& path) {
    Call& c = record("createEmptyFile", {path});
    if (failing("createEmptyFile")) return false;
    auto p = resolve(path);
    std::error_code ec;
    bool ok = p && fs::is_directory(p->parent_path(), ec) && !fs::is_directory(*p, ec);
    if (ok) ok = static_cast<bool>(std::ofstream(*p, std::ios::binary));
    c.result = yesNo(ok);
    return ok;
}

bool FakeOs::moveFile(const std::string& from, const std::string& to) {
    Call& c = record("moveFile", {from, to});
    if (failing("moveFile")) return false;
    auto a = resolve(from);
    auto b = resolve(to);
    std::error_code ec;
    bool ok = a && b && fs::exists(*a, ec) && !fs::exists(*b, ec) &&
              fs::is_directory(b->parent_path(), ec);
    if (ok) {
        fs::rename(*a, *b, ec);
        ok = !ec;
    }
    c.result = yesNo(ok);
    return ok;
}

// ---------------------------------------------------------------- processes

ProcessResult FakeOs::createProcess(const std::string& applicationName,
                                    const std::string& commandLineText, const std::string& dir,
                                    std::uint32_t waitMs) {
    Call& c = record("createProcess", {applicationName, commandLineText, dir, std::to_string(waitMs)});
    if (failing("createProcess")) return {};
    ProcessResult r{true, true, 0};
    if (onCreateProcess) r = onCreateProcess(applicationName, commandLineText);
    c.result = r.created ? "exit " + std::to_string(r.exitCode) : "not created";
    return r;
}

long FakeOs::shellExecute(const std::string& operation, const std::string& file,
                          const std::string& parameters, const std::string& dir, int showCommand) {
    Call& c = record("shellExecute",
                     {operation, file, parameters, dir, std::to_string(showCommand)});
    if (failing("shellExecute")) return 0;
    long r = onShellExecute ? onShellExecute(file, parameters) : 42;
    c.result = std::to_string(r);
    return r;
}

// ---------------------------------------------------------------- system

std::string FakeOs::specialFolderPath(int id) {
    Call& c = record("specialFolderPath", {std::to_string(id)});
    if (failing("specialFolderPath")) return "";
    auto it = specialFolders.find(id);
    c.result = it == specialFolders.end() ? "" : it->second;
    return c.result;
}

FolderPathResult FakeOs::folderPath(int id) {
    Call& c = record("folderPath", {std::to_string(id)});
    if (failing("folderPath")) return {static_cast<long>(0x80004005L), ""};
    auto it = folderPaths.find(id);
    if (it == folderPaths.end()) return {static_cast<long>(0x80070002L), ""};
    c.result = it->second;
    return {0, it->second};
}

std::string FakeOs::systemDirectory() {
    Call& c = record("systemDirectory", {});
    if (failing("systemDirectory")) return "";
    c.result = sysDir;
    return sysDir;
}

WinVersion FakeOs::versionEx() {
    record("versionEx", {});
    if (failing("versionEx")) return {};
    return winVersion;
}

long FakeOs::productState(const std::string& productCode) {
    Call& c = record("productState", {productCode});
    if (failing("productState") || !installerAvailable)
        throw RuntimeError(err::CantCreateObject, "ActiveX component can't create object");
    auto it = productStates.find(productCode);
    long state = it == productStates.end() ? -1 : it->second;
    c.result = std::to_string(state);
    return state;
}

// ---------------------------------------------------------------- setup log

std::string FakeOs::tempFolder() {
    Call& c = record("tempFolder", {});
    if (failing("tempFolder")) return "";
    c.result = temp;
    return temp;
}

std::string FakeOs::modulePath() {
    Call& c = record("modulePath", {});
    if (failing("modulePath")) return "";
    c.result = folder + (endsWithSeparator(folder) ? "" : "\\") + exe + ".exe";
    return c.result;
}

std::string FakeOs::localTime() {
    record("localTime", {});
    if (failing("localTime")) return "";
    return clock;
}

bool FakeOs::appendFile(const std::string& path, const std::string& text) {
    Call& c = record("appendFile", {path, text});
    if (failing("appendFile")) return false;
    auto p = resolve(path);
    std::error_code ec;
    bool ok = p && fs::is_directory(p->parent_path(), ec) && !fs::is_directory(*p, ec);
    if (ok) {
        std::ofstream out(*p, std::ios::binary | std::ios::app);
        out << text;
        ok = static_cast<bool>(out);
    }
    c.result = yesNo(ok);
    return ok;
}

// ---------------------------------------------------------------- scope

OsScope::OsScope() {
    resetSystemState();
    setOs(&fake);
}

OsScope::~OsScope() {
    setOs(nullptr);
    resetSystemState();
}

}  // namespace tsy::test
