#include <gtest/gtest.h>

#include "startup/startup.h"
#include "state/state.h"

using namespace tsy;

namespace {

// Pure text routines: the installer state is all they read, no OS is installed.
struct StateScope {
    StateScope() { resetSystemState(); }
    ~StateScope() { resetSystemState(); }
};


constexpr const char* ProProgram = "{9F8C9A12-6868-44D8-B9CE-12E403B3BD63}";
constexpr const char* ProDB = "{D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}";
constexpr const char* ProDBUpdate = "{91204651-EA8A-40F3-B15C-93B864B7FF1B}";
constexpr const char* LiteProgram = "{F21ECEDC-A01B-4D4E-AC34-6BD01367491B}";
constexpr const char* LiteDB = "{8D89597B-2429-4F22-828F-02E7AFFAA018}";
constexpr const char* LiteDBUpdate = "{641B5205-6FCC-45AB-A6D8-683206A61500}";

struct EditionCase {
    const char* appKey;
    bool update;
    bool pro;
    bool altBuild;
    const char* exeName;
    const char* prodID;
    const char* dbProdID;
};

class Edition : public ::testing::TestWithParam<EditionCase> {};

}  // namespace

TEST_P(Edition, RulesAndProductCodes) {
    StateScope scope;
    const EditionCase& c = GetParam();
    sys().gbUpdate = c.update;
    configureEdition(c.appKey);
    const SystemState& s = sys();
    EXPECT_EQ(s.gsAppKey, c.appKey);
    EXPECT_EQ(s.gsVersion, "3.3.0");
    EXPECT_EQ(s.gbPro, c.pro);
    EXPECT_EQ(s.gbAltBuild, c.altBuild);
    EXPECT_EQ(s.gsExeName, c.exeName);
    EXPECT_EQ(s.gsProdID, c.prodID);
    EXPECT_EQ(s.gsDBProdID, c.dbProdID);
    EXPECT_EQ(s.gbUpdate, c.update) << "the run mode is settled before, not here";
}

INSTANTIATE_TEST_SUITE_P(
    Table, Edition,
    ::testing::Values(
        EditionCase{"TSYPRO_3", false, true, false, "tsy3.exe", ProProgram, ProDB},
        EditionCase{"TSYPRO_3", true, true, false, "tsy3.exe", ProProgram, ProDBUpdate},
        EditionCase{"tsypro_ws", false, true, true, "TSY3_WS.exe", ProProgram, ProDB},
        EditionCase{"TSYPRO_WS", true, true, true, "TSY3_WS.exe", ProProgram, ProDBUpdate},
        EditionCase{"TsyPro_Rtf3", false, true, true, "TSY3_RTF.exe", ProProgram, ProDB},
        EditionCase{"TSYPROFESSIONAL", false, true, false, "tsy3.exe", ProProgram, ProDB},
        EditionCase{"TSYLITE_3", false, false, false, "tsy3.exe", LiteProgram, LiteDB},
        EditionCase{"TSYLITE_3", true, false, false, "tsy3.exe", LiteProgram, LiteDBUpdate},
        EditionCase{"TSYPR", false, false, false, "tsy3.exe", LiteProgram, LiteDB},
        EditionCase{"xTSYPRO_3", true, false, false, "tsy3.exe", LiteProgram, LiteDBUpdate},
        EditionCase{"", false, false, false, "tsy3.exe", LiteProgram, LiteDB}));

TEST(EditionConstants, CharacterConstantsAndAFreshState) {
    StateScope scope;
    const SystemState& s = sys();
    EXPECT_FALSE(s.gbPro || s.gbUpdate || s.gbSilent || s.gbDebug || s.gbInstalled);
    EXPECT_TRUE(s.gsCR.empty() && s.gsAppKey.empty() && s.gsDBPath.empty());
    configureEdition("TSYPRO_3");
    EXPECT_EQ(s.gsSpace, " ");
    EXPECT_EQ(s.gsTab, "\t");
    EXPECT_EQ(s.gsQuote, "\"");
    EXPECT_EQ(s.gsCR, "\r");
    EXPECT_EQ(s.gsCRLF, "\r\n");
}

namespace {

struct ParseCase {
    const char* text;
    const char* delim;
    bool trimRest;
    const char* token;
    const char* rest;
};

class SysParse : public ::testing::TestWithParam<ParseCase> {};

}  // namespace

TEST_P(SysParse, SplitsOneToken) {
    StateScope scope;
    const ParseCase& c = GetParam();
    std::string text = c.text;
    EXPECT_EQ(sys_parse(text, c.delim, c.trimRest), c.token);
    EXPECT_EQ(text, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SysParse,
    ::testing::Values(ParseCase{"S DEBUG", " ", true, "S", "DEBUG"},
                      ParseCase{"S  DEBUG", " ", true, "S", "DEBUG"},
                      ParseCase{"S  DEBUG", " ", false, "S", " DEBUG"},
                      ParseCase{" S", " ", true, "", "S"},
                      ParseCase{"S\tDEBUG", " ", true, "S\tDEBUG", ""},
                      ParseCase{"DEBUG", " ", true, "DEBUG", ""},
                      ParseCase{"", " ", true, "", ""},
                      ParseCase{"fooANDbar", "and", false, "foo", "bar"},
                      ParseCase{"a b\r\nc", " ", true, "a", "b\r\nc"},
                      ParseCase{"ab\r\n  c d", " ", true, "ab", "c d"},
                      ParseCase{"ab\rc", " ", false, "ab", "c"},
                      ParseCase{"\rab c", " ", false, "\rab", "c"},
                      ParseCase{"one two\r\nthree", "LINE", false, "one two", "three"},
                      ParseCase{"x y", "", true, "x y", ""}));
