// The contract rows (support/os_contract.h) against the recording fake.
#include <gtest/gtest.h>


#include "support/fake_os.h"
#include "support/os_contract.h"

namespace tsy::test {

class FakeContract : public ::testing::TestWithParam<contract::Row> {};

TEST_P(FakeContract, AgreesWithWindows) {
    FakeOs fake;
    const std::string dir = "C:\\contract\\";
    fake.addFolder(dir);
    contract::Disk disk{dir.substr(0, 11), [&](auto& name, auto& content, int attributes) {
        fake.addFile(dir + name, content), fake.setAttributes(dir + name, attributes); }, [&](auto& name, auto& data, int type) {
        fake.settings[FakeOs::settingKey(contract::kApp, "StartUp", name)] = data;
        fake.settingTypes[FakeOs::settingKey(contract::kApp, "StartUp", name)] = type; }, [&](auto& name) {
        return fake.exists(dir + name) ? fake.read(dir + name) : "-";
    }};
    EXPECT_EQ(GetParam().act(fake, disk), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, FakeContract, ::testing::ValuesIn(contract::kRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace tsy::test
