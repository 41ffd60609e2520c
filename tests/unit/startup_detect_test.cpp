#include <gtest/gtest.h>

#include "platform/runtime_error.h"
#include "startup/startup.h"
#include "state/state.h"
#include "support/fake_os.h"

using namespace tsy;
using tsy::test::FakeOs;
using tsy::test::OsScope;

namespace {

struct DetectFixture : ::testing::Test {
    OsScope scope;
    FakeOs& fake = scope.fake;
    void SetUp() override { configureEdition("TSYPRO_3"); }
};

struct StateCase {
    long state;
    bool installed;
};

class InstallState : public DetectFixture, public ::testing::WithParamInterface<StateCase> {};

}  // namespace

TEST_P(InstallState, OnlyLocalAndDefaultCountAsInstalled) {
    const StateCase& c = GetParam();
    fake.productStates[sys().gsProdID] = c.state;
    fake.productStates[sys().gsDBProdID] = c.state;
    sys().gbInstalled = !c.installed;  // the answer replaces whatever was there
    sys().gbDBInstalled = !c.installed;
    SYS_IsInstalled();
    EXPECT_EQ(sys().gbInstalled, c.installed);
    EXPECT_EQ(sys().gbDBInstalled, c.installed);
    auto asked = fake.callsNamed("productState");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].args[0], sys().gsProdID);
    EXPECT_EQ(asked[1].args[0], sys().gsDBProdID);
    EXPECT_TRUE(fake.messages().empty());
}

// 1 advertised, 2 absent, -1 unknown code, -2 invalid argument, 4 another user? (not a state
// that counts), 3 local, 5 default.
INSTANTIATE_TEST_SUITE_P(States, InstallState,
                         ::testing::Values(StateCase{3, true}, StateCase{5, true},
                                           StateCase{1, false}, StateCase{2, false},
                                           StateCase{-1, false}, StateCase{-2, false},
                                           StateCase{4, false}, StateCase{0, false}));

TEST_F(DetectFixture, UpdateModeLooksForTheUpdateDatabasePackage) {
    fake.productStates["{9F8C9A12-6868-44D8-B9CE-12E403B3BD63}"] = 5;
    fake.productStates["{D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}"] = 5;  // full database package
    sys().gbUpdate = true;
    configureEdition("TSYPRO_3");
    SYS_IsInstalled();
    EXPECT_TRUE(sys().gbInstalled);
    EXPECT_FALSE(sys().gbDBInstalled);
}

TEST_F(DetectFixture, DebugBoxShowsBothAnswers) {
    sys().gbDebug = true;
    fake.productStates[sys().gsProdID] = 5;
    fake.productStates[sys().gsDBProdID] = 3;
    SYS_IsInstalled();
    auto boxes = fake.callsNamed("msgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].args[0],
              "gbInstalled =True  gsProdID = {9F8C9A12-6868-44D8-B9CE-12E403B3BD63}\r"
              "gbDBInstalled = True  gsDBProdID = {D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}\r");
    EXPECT_EQ(boxes[0].args[1], std::to_string(mb::OkOnly));
}

TEST_F(DetectFixture, WithoutTheInstallerBothFlagsKeepTheirValues) {
    fake.installerAvailable = false;
    sys().gbInstalled = true;
    SYS_IsInstalled();
    EXPECT_TRUE(sys().gbInstalled);
    EXPECT_FALSE(sys().gbDBInstalled);
    EXPECT_EQ(fake.callsNamed("productState").size(), 2u) << "the database query is still tried";
    EXPECT_TRUE(fake.messages().empty()) << "reported only in debug mode";

    fake.clearCalls();
    sys().gbDebug = true;
    SYS_IsInstalled();
    auto texts = fake.messages();
    ASSERT_EQ(texts.size(), 2u) << "no summary box after the database query failed";
    EXPECT_EQ(texts[0],
              "errHdl_SYS_IsInstalled: ProductID: {9F8C9A12-6868-44D8-B9CE-12E403B3BD63}\r"
              "ActiveX component can't create object (429)");
    EXPECT_EQ(texts[1],
              "errHdl_SYS_IsInstalled: ProductID: {D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}\r"
              "ActiveX component can't create object (429)");
}

TEST_F(DetectFixture, ADatabaseQueryFailureKeepsOnlyThatFlag) {
    fake.productStates[sys().gsProdID] = 5;
    int asked = 0;
    fake.fault = [&](const std::string& n) {
        return n == "productState" && ++asked == 2 ? FakeOs::FaultThrow : FakeOs::FaultNone;
    };
    sys().gbDBInstalled = true;
    SYS_IsInstalled();
    EXPECT_TRUE(sys().gbInstalled);
    EXPECT_TRUE(sys().gbDBInstalled);
}
