// What the setup takes for granted about Windows, run against the recording fake (tests/unit) and the
// Win32 adapter under Wine (tests/win32): where they disagree, the fake is wrong. A row acts through
// the Os interface in an empty folder and prints what it saw; the Disk does what Os cannot.
#pragma once

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

#include "platform/os.h"

namespace tsy::contract {

struct Disk {  // dir: "...\contract"; put: name, content, attributes; putSetting: name, data, registry type
    std::string dir;
    std::function<void(const std::string&, const std::string&, int)> put, putSetting;
    std::function<std::string(const std::string&)> read;  // a file's content, "-" when none
};
inline const char* const kApp = "TSY_CONTRACT";

inline std::string inOrder(std::initializer_list<std::string> s) { return std::accumulate(s.begin(), s.end(), std::string()); }
inline std::string b(bool v) { return v ? "1" : "0"; }
inline std::string listed(Os& os, const std::string& pattern, int mask) {
    std::vector<std::string> names;
    for (std::string n = os.dirFirst(pattern, mask); !n.empty(); n = os.dirNext()) names.push_back(n);
    std::sort(names.begin(), names.end());  // NTFS lists in name order, Wine in the host's
    return "[" + std::accumulate(names.begin(), names.end(), std::string(), [](auto a, auto& n) {
        return a.empty() ? n : a + "," + n; }) + "]";
}

struct Row { const char* name; std::function<std::string(Os&, Disk&)> act; std::string expected; };
inline void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

inline const Row kRows[] = {
    {"CreateKeepsAFilesContentAndNeedsItsFolder", [](Os& os, Disk& d) {
         d.put("a.txt", "old", 0), os.createFolder(d.dir + "\\sub");
         return inOrder({b(os.createEmptyFile(d.dir + "\\a.txt")), b(os.createEmptyFile(d.dir + "\\new.txt")),
                      b(os.createEmptyFile(d.dir + "\\sub")), b(os.createEmptyFile(d.dir + "\\none\\x")),
                      b(os.createFolder(d.dir + "\\sub")), b(os.createFolder(d.dir + "\\none\\x")), " ",
                      d.read("a.txt"), d.read("new.txt")});
     }, "110000 old"},
    {"HiddenAndSystemEntriesAreListedEachOnlyWhenAskedFor", [](Os& os, Disk& d) {
         for (int a : {0, attr::ReadOnly, attr::Hidden, attr::System, attr::Hidden | attr::System})
             d.put("f" + std::to_string(a), "", a);
         os.createFolder(d.dir + "\\sub");
         return inOrder({listed(os, d.dir + "\\*", 0), listed(os, d.dir + "\\*", attr::Hidden),
                      listed(os, d.dir + "\\*", attr::System),
                      listed(os, d.dir + "\\*", attr::Hidden | attr::System | attr::Directory)});
     }, "[f0,f1][f0,f1,f2][f0,f1,f4][.,..,f0,f1,f2,f4,f6,sub]"},
    {"RenameNeverReplacesAndNeedsTheTargetFolder", [](Os& os, Disk& d) {
         d.put("a.txt", "A", 0), d.put("b.txt", "B", 0);
         return inOrder({b(os.moveFile(d.dir + "\\a.txt", d.dir + "\\B.TXT")),
                      b(os.moveFile(d.dir + "\\a.txt", d.dir + "\\none\\a.txt")),
                      b(os.moveFile(d.dir + "\\a.txt", d.dir + "\\c.txt")), " ", d.read("b.txt"), d.read("c.txt")});
     }, "001 BA"},
    // A name that is no 8.3 name has a short one too (LETTER~1.ENV), and a pattern matches either.
    {"PatternsMatchShortNamesAndFoldersListTheirDots", [](Os& os, Disk& d) {
         for (const char* n : {"Business 10.env", "Letter.envelope", "old.env.bak", "short.env", "x.nve"})
             d.put(n, "", 0);
         return inOrder({listed(os, d.dir + "\\*.env", 0), listed(os, d.dir + "\\", attr::Directory),
                      listed(os, d.dir + "\\?.*", 0), listed(os, d.dir, attr::Directory)});
     }, "[Business 10.env,Letter.envelope,short.env][.,..,Business 10.env,Letter.envelope,old.env.bak,short.env,"
        "x.nve][x.nve][contract]"},
    {"SettingsAreTextOfAnyLengthNamedInAnyCaseAndOnlyText", [](Os& os, Disk& d) {
         const std::string value = std::string(900, 'x') + "\\予定表\\MainDB\\";  // outside any ANSI code page
         d.putSetting("Number", "1234", 4), d.putSetting("Binary", "ab", 3), d.putSetting("Path", "%TEMP%\\x", 2);
         return inOrder({b(os.saveSetting(kApp, "StartUp", "DBPath", value)),
                      b(os.getSetting(kApp, "startup", "dbpath") == value), os.getSetting(kApp, "StartUp", "Number"),
                      os.getSetting(kApp, "StartUp", "Binary"), os.getSetting(kApp, "StartUp", "Path")});
     }, "11%TEMP%\\x"},
};

}  // namespace tsy::contract
