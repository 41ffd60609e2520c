#include <gtest/gtest.h>

#include "startup/startup.h"
#include "support/fake_os.h"

using namespace tsy;
using tsy::test::FakeOs;
using tsy::test::OsScope;

namespace {

struct VersionCase {
    long platform, major, minor, build;
    const char* name;
    const char* version;
};

class WinVersionNames : public ::testing::TestWithParam<VersionCase> {};

}  // namespace

TEST_P(WinVersionNames, NameNumbersAndServicePack) {
    OsScope scope;
    const VersionCase& c = GetParam();
    scope.fake.winVersion = WinVersion{true, c.platform, c.major, c.minor, c.build, "Service Pack 3"};
    long platform = -9, major = -9, minor = -9, build = -9;
    std::string servicePack = "as passed";
    std::string version;
    EXPECT_EQ(SYS_GetWinVersion(platform, major, minor, build, servicePack, version), c.name);
    EXPECT_EQ(platform, c.platform);
    EXPECT_EQ(major, c.major);
    EXPECT_EQ(minor, c.minor);
    EXPECT_EQ(build, c.build);
    EXPECT_EQ(version, c.version);
    EXPECT_EQ(servicePack, c.major < 6 ? "Service Pack 3" : "as passed");
}

INSTANTIATE_TEST_SUITE_P(
    Table, WinVersionNames,
    ::testing::Values(VersionCase{1, 4, 0, 950, "Windows 95", "4.0.950"},
                      VersionCase{1, 4, 10, 2222, "Windows 98", "4.10.2222"},
                      VersionCase{1, 4, 90, 3000, "Windows Millennium", "4.90.3000"},
                      VersionCase{1, 4, 20, 1, "", "4.20.1"},
                      VersionCase{2, 3, 51, 1057, "Windows NT 3.51", "3.51.1057"},
                      VersionCase{2, 4, 0, 1381, "Windows NT 4.0", "4.0.1381"},
                      VersionCase{2, 5, 0, 2195, "Windows 2000", "5.0.2195"},
                      VersionCase{2, 5, 1, 2600, "Windows XP", "5.1.2600"},
                      VersionCase{2, 5, 2, 3790, "Windows XP 64-bit", "5.2.3790"},
                      VersionCase{2, 6, 0, 6002, "Vista", "6.0.6002"},
                      VersionCase{2, 6, 1, 7601, "Windows 7", "6.1.7601"},
                      VersionCase{2, 6, 2, 9200, "Win 8 or higher", "6.2.9200"},
                      VersionCase{2, 6, 3, 9600, "Windows 8.1", "6.3.9600"},
                      VersionCase{2, 6, 4, 9841, "Windows 8.1 or higher", "6.4.9841"},
                      VersionCase{2, 10, 0, 9926, "Windows 10 Preview", "10.0.9926"},
                      VersionCase{2, 10, 0, 10240, "Windows 10", "10.0.10240"},
                      VersionCase{2, 10, 0, 22631, "Windows 10", "10.0.22631"},
                      VersionCase{2, 10, 1, 30000, "Windows 10.0 or higher", "10.1.30000"},
                      VersionCase{2, 11, 0, 1, "Windows", "11.0.1"},
                      VersionCase{0, 0, 0, 0, "Failed: 0", "0.0.0"},
                      VersionCase{3, 10, 0, 1, "Failed: 3", "10.0.1"}));

TEST(WinVersionRefused, AZeroedRecordNamesTheFailure) {
    OsScope scope;
    scope.fake.fault = [](const std::string&) { return FakeOs::FaultReturn; };
    long platform = 7, major = 7, minor = 7, build = 7;
    std::string servicePack, version;
    EXPECT_EQ(SYS_GetWinVersion(platform, major, minor, build, servicePack, version), "Failed: 0");
    EXPECT_EQ(major, 0);
    EXPECT_EQ(version, "0.0.0");
}
