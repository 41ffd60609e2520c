// Taking paths apart as text: the last token, a folder's name and parent, the parent folder.
#include <gtest/gtest.h>

#include "services/system.h"
#include "state/state.h"

namespace tsy {
namespace {

TEST(Paths, ParseRev) {
    const std::tuple<std::string, std::string, std::optional<std::string>, std::string> rows[] = {
        {"A\\ B", "\\", "B", "A"}, {"a  \\  b", "\\", "b", "a"}, {"abc", "\\", "abc", ""},
        {"x", "\\", std::nullopt, "x"}, {"\\", "\\", std::nullopt, "\\"}, {"ab\\", "\\", "", "ab"},
        {"a--b--c", "--", "c", "a--b"}, {"oneXtwoxthree", "X", "three", "oneXtwo"}, {"a b", "", "a b", ""},
    };
    for (const auto& [text, delim, token, rest] : rows) {
        std::string t = text;
        EXPECT_EQ(SYS_ParseRev(t, delim), token) << text;
        EXPECT_EQ(t, rest) << text;
    }
}

TEST(Paths, SplitFolder) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"C:\\A\\B\\", "B", "C:\\A\\"}, {"C:/x/y/", "y", "C:/x/"}, {"a/b\\c/d", "c/d", "a/b\\"},
        {"\\", "", "\\"}, {"a\\", "", "a\\"}, {"Tessary Data", "Tessary Data", "(untouched)"}, {"", "", "(untouched)"},
    };
    for (const auto& [path, name, parent] : rows) {
        std::string p = "(untouched)";
        EXPECT_EQ(SYS_SplitFolder(path, p), name) << path;
        EXPECT_EQ(p, parent) << path;
    }
}

TEST(Paths, GetParentFolder) {
    resetSystemState();
    sys().gsDBPath = "C:\\Data\\Tessary Data\\MainDB\\";
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\A\\B", "C:\\A"}, {"C:\\A\\B\\", "C:\\A"}, {"C:\\", "C:\\"}, {"MainDB", "MainDB"},
        {"C:/srv/db/", "C:/srv"}, {"a/b\\c", "a"}, {"", "C:\\Data\\Tessary Data"},
    };
    for (const auto& [path, parent] : rows) EXPECT_EQ(SYS_GetParentFolder(path), parent) << path;
    resetSystemState();
}

}  // namespace
}  // namespace tsy
