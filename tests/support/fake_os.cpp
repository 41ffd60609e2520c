#include "support/fake_os.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <random>

#include "services/text.h"

namespace fs = std::filesystem;

namespace tsy::test {

namespace {

bool wildMatch(const char* p, const char* n) {
    if (!*p) return !*n;
    if (*p == '*') return wildMatch(p + 1, n) || (*n && wildMatch(p, n + 1));
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    return *n && (*p == '?' || lower(*p) == lower(*n)) && wildMatch(p + 1, n + 1);
}

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts(1);
    for (char c : path) {
        if (c != '\\' && c != '/') parts.back() += c;
        else if (!parts.back().empty()) parts.emplace_back();
    }
    if (parts.back().empty()) parts.pop_back();
    return parts;
}

}  // namespace

std::string Call::str() const {
    std::string s = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) s += (i ? "|" : "") + args[i];
    return s + ")" + (result.empty() ? "" : " -> " + result);
}

FakeOs::FakeOs() {
    // In memory where the machine offers it: a journalled disk under load makes every test slow.
    fs::path base = fs::is_directory("/dev/shm", ec_) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::random_device rd;
    root_ = base / ("tsy-fake-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(root_);
}

std::vector<Call> FakeOs::callsNamed(const std::string& name) const {
    std::vector<Call> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [&](const Call& c) { return c.name == name; });
    return out;
}

bool FakeOs::faulted() {
    Fault f = fault ? fault(calls.back().name) : FaultNone;
    if (f == FaultThrow) {
        calls.back().result = "raised";
        throw RuntimeError(err::InvalidProcedureCall, "Injected fault in " + calls.back().name);
    }
    if (f == FaultReturn) calls.back().result = "failed";
    return f == FaultReturn;
}

// ---------------------------------------------------------------- the disk

fs::path FakeOs::hostPath(const std::string& windowsPath) const {
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

void FakeOs::addFile(const std::string& windowsPath, const std::string& content) {
    fs::path p = hostPath(windowsPath);
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

// A pattern that ends with a separator lists the folder's contents; only a folder below a
// drive's root lists "." and ".." first.
std::string FakeOs::dirFirst(const std::string& pattern, int attributeMask) {
    return call("dirFirst", {pattern, std::to_string(attributeMask)}, std::string(), [&] {
        std::size_t cut = pattern.find_last_of("\\/");
        std::string folderPart = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
        listPattern_ = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
        if (listPattern_.empty()) listPattern_ = "*";
        listDir_ = hostPath(folderPart);
        listMask_ = attributeMask;
        lastListed_.clear();
        dots_.clear();
        if (!fs::is_directory(*listDir_, ec_)) listDir_.reset();
        else if (cut + 1 == pattern.size() && (attributeMask & attr::Directory) && splitPath(folderPart).size() > 1)
            dots_ = {".", ".."};
        return nextListed();
    });
}

// The listing is live, in the file system's name order, as on NTFS: a file renamed while the
// listing is open shows up again under its new name when the listing gets there.
std::string FakeOs::nextListed() {
    if (!dots_.empty()) return next(dots_, std::string());
    if (!listDir_) return "";
    std::string best;
    for (const auto& e : fs::directory_iterator(*listDir_, ec_)) {
        std::string name = e.path().filename().string(), key = toUpper(name);
        bool admitted = (!fs::is_directory(e.path(), ec_) || (listMask_ & attr::Directory)) &&
                        (!hidden_.count(e.path()) || (listMask_ & attr::Hidden));
        if (admitted && wildMatch(listPattern_.c_str(), name.c_str()) && key > lastListed_ &&
            (best.empty() || key < toUpper(best)))
            best = name;
    }
    if (best.empty()) listDir_.reset();
    lastListed_ = toUpper(best);
    return best;
}

bool FakeOs::createFolder(const std::string& path) {
    return call("createFolder", {path}, false, [&] {
        fs::path p = hostPath(path);
        return fs::is_directory(p.parent_path(), ec_) && !fs::exists(p, ec_) && fs::create_directory(p, ec_);
    });
}

bool FakeOs::moveFile(const std::string& from, const std::string& to) {
    return call("moveFile", {from, to}, false, [&] {
        fs::path a = hostPath(from), b = hostPath(to);
        if (!fs::exists(a, ec_) || fs::exists(b, ec_) || !fs::is_directory(b.parent_path(), ec_)) return false;
        fs::rename(a, b, ec_);
        return !ec_;
    });
}

bool FakeOs::write(const std::string& path, const std::string& content, std::ios::openmode mode) {
    fs::path p = hostPath(path);
    return fs::is_directory(p.parent_path(), ec_) && !fs::is_directory(p, ec_) &&
           static_cast<bool>(std::ofstream(p, std::ios::binary | mode) << content);
}

}  // namespace tsy::test
