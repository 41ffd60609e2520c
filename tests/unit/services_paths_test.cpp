#include <gtest/gtest.h>

#include <optional>

#include "services/system.h"
#include "state/state.h"

using namespace tsy;

namespace {

// Pure text routines: the installer state is all they read, no OS is installed.
struct StateScope {
    StateScope() { resetSystemState(); }
    ~StateScope() { resetSystemState(); }
};


struct ParseRevCase {
    const char* text;
    const char* delim;
    std::optional<std::string> token;
    const char* rest;
};

class ParseRev : public ::testing::TestWithParam<ParseRevCase> {};

}  // namespace

TEST_P(ParseRev, CutsTheLastToken) {
    StateScope scope;
    const ParseRevCase& c = GetParam();
    std::string text = c.text;
    EXPECT_EQ(SYS_ParseRev(text, c.delim), c.token);
    EXPECT_EQ(text, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseRev,
    ::testing::Values(ParseRevCase{"A\\ B", "\\", "B", "A"},
                      ParseRevCase{"C:\\A\\B", "\\", "B", "C:\\A"},
                      ParseRevCase{"a  \\  b", "\\", "b", "a"},
                      ParseRevCase{"abc", "\\", "abc", ""},
                      ParseRevCase{"x", "\\", std::nullopt, "x"},
                      ParseRevCase{"", "\\", std::nullopt, ""},
                      ParseRevCase{"\\", "\\", std::nullopt, "\\"},
                      ParseRevCase{"a--b--c", "--", "c", "a--b"},
                      ParseRevCase{"oneXtwoxthree", "X", "three", "oneXtwo"},
                      ParseRevCase{"ab\\", "\\", "", "ab"},
                      ParseRevCase{"a b", "", "a b", ""},
                      ParseRevCase{"first\r\nlast", "Line", "last", "first"}));

namespace {

struct SplitCase {
    const char* path;
    const char* name;
    const char* parent;  // "(untouched)" when the output keeps its value
};

class SplitFolder : public ::testing::TestWithParam<SplitCase> {};

}  // namespace

TEST_P(SplitFolder, NameAndParent) {
    StateScope scope;
    const SplitCase& c = GetParam();
    std::string parent = "(untouched)";
    EXPECT_EQ(SYS_SplitFolder(c.path, parent), c.name);
    EXPECT_EQ(parent, c.parent);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitFolder,
    ::testing::Values(SplitCase{"C:\\A\\B\\", "B", "C:\\A\\"},
                      SplitCase{"C:\\A\\B", "B", "C:\\A\\"},
                      SplitCase{"C:/x/y/", "y", "C:/x/"},
                      SplitCase{"a/b\\c/d", "c/d", "a/b\\"},
                      SplitCase{"\\", "", "\\"},
                      SplitCase{"a\\", "", "a\\"},
                      SplitCase{"Tessary Data", "Tessary Data", "(untouched)"},
                      SplitCase{"", "", "(untouched)"}));

namespace {

struct ParentCase {
    const char* path;
    const char* parent;
};

class ParentFolder : public ::testing::TestWithParam<ParentCase> {};

}  // namespace

TEST_P(ParentFolder, Table) {
    StateScope scope;
    sys().gsDBPath = "C:\\Data\\Tessary Data\\MainDB\\";
    EXPECT_EQ(SYS_GetParentFolder(GetParam().path), GetParam().parent);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ParentFolder,
    ::testing::Values(ParentCase{"C:\\A\\B", "C:\\A"}, ParentCase{"C:\\A\\B\\", "C:\\A"},
                      ParentCase{"C:\\Data\\Tessary Data\\MainDB\\", "C:\\Data\\Tessary Data"},
                      ParentCase{"C:\\", "C:\\"}, ParentCase{"MainDB", "MainDB"},
                      ParentCase{"C:/srv/db/", "C:/srv"}, ParentCase{"a/b\\c", "a"},
                      ParentCase{"", "C:\\Data\\Tessary Data"}));
