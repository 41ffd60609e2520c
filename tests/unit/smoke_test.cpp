#include <gtest/gtest.h>

#include "platform/runtime_error.h"
#include "support/fake_os.h"

using namespace tsy;
using tsy::test::FakeOs;
using tsy::test::OsScope;

TEST(FakeOsFiles, ListingIgnoresCaseAndHidesHiddenFiles) {
    OsScope s;
    s.fake.addFile("C:\\Kit\\TSY3P.MSI");
    s.fake.addFile("C:\\Kit\\secret.msi");
    s.fake.markHidden("C:\\Kit\\secret.msi");
    EXPECT_EQ(os().dirFirst("c:\\kit\\tsy3p.msi", attr::Normal), "TSY3P.MSI");
    EXPECT_EQ(os().dirFirst("C:\\Kit\\secret.msi", attr::Normal), "");
    EXPECT_EQ(os().dirFirst("C:\\Kit\\secret.msi", 23), "secret.msi");
}

TEST(FakeOsFiles, LiveListingMeetsRenamedFiles) {
    OsScope s;
    s.fake.addFile("C:\\E\\a.env");
    s.fake.addFile("C:\\E\\b.env");
    EXPECT_EQ(os().dirFirst("C:\\E\\*.env", attr::Normal), "a.env");
    EXPECT_TRUE(os().moveFile("C:\\E\\a.env", "C:\\E\\rev30_a.env"));
    EXPECT_EQ(os().dirNext(), "b.env");
    EXPECT_EQ(os().dirNext(), "rev30_a.env");
    EXPECT_EQ(os().dirNext(), "");
}

TEST(ResumeNext, ReportsTheErrorAndGoesOn) {
    std::string seen;
    int after = 0;
    resumeNext([] { throw RuntimeError(5, "Invalid procedure call or argument"); },
               [&](const RuntimeError& e) { seen = handlerText("errHdl_X: ", e); });
    ++after;
    EXPECT_EQ(seen, "errHdl_X: Invalid procedure call or argument (5)");
    EXPECT_EQ(after, 1);
}
