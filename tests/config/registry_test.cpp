#include <gtest/gtest.h>

#include "config/registry_values.h"
#include "platform/registry.h"
#include "support/program_folder.h"

using config::reg_read_value;
using config::reg_write_value;

namespace {

const QString kHive = platform::kCurrentUser;
const QString kKey = "software\\morvane-test\\values";

class RegistryTest : public ::testing::Test {
 protected:
  ProgramFolder folder;
};

TEST_F(RegistryTest, StringsRoundTripAndEmptyBecomesABlank) {
  EXPECT_TRUE(reg_write_value(kHive, kKey, "path", 1, "/home/用户/下载"));
  EXPECT_EQ(reg_read_value(kHive, kKey, "path"), "/home/用户/下载");
  EXPECT_TRUE(reg_write_value(kHive, kKey, "empty", 2, ""));
  EXPECT_EQ(reg_read_value(kHive, kKey, "empty"), " ");
  // Key paths ignore case, like the registry's.
  EXPECT_EQ(reg_read_value(kHive, kKey.toUpper(), "PATH"), "/home/用户/下载");
}

TEST_F(RegistryTest, StringsOfTheWholeBufferWithoutZeroReadEmpty) {
  platform::Registry::set(kKey, "full", {platform::RegType::String, QByteArray(1024, 'a')});
  EXPECT_EQ(reg_read_value(kHive, kKey, "full"), QString());
  platform::Registry::set(kKey, "almost", {platform::RegType::String, QByteArray(1023, 'a')});
  EXPECT_EQ(reg_read_value(kHive, kKey, "almost"), QString(1023, 'a'));
  platform::Registry::set(kKey, "zero", {platform::RegType::String, QByteArray("ab\0cd", 5)});
  EXPECT_EQ(reg_read_value(kHive, kKey, "zero"), "ab");
}

TEST_F(RegistryTest, BinaryAndNumbersInTheirTextForms) {
  EXPECT_TRUE(reg_write_value(kHive, kKey, "bin", 3, " 0A FF 12 "));
  EXPECT_EQ(platform::Registry::query(kKey, "bin")->data, QByteArray("\x0a\xff\x12", 3));
  EXPECT_EQ(reg_read_value(kHive, kKey, "bin"), "0A FF 12 ");
  EXPECT_TRUE(reg_write_value(kHive, kKey, "num", 4, "1a2B"));
  EXPECT_EQ(reg_read_value(kHive, kKey, "num"), "0x1A2B");
  EXPECT_TRUE(reg_write_value(kHive, kKey, "zero", 4, "0"));
  EXPECT_EQ(reg_read_value(kHive, kKey, "zero"), "0x0");
}

TEST_F(RegistryTest, FailuresGiveEmptyOrFalse) {
  EXPECT_FALSE(reg_write_value(kHive, kKey, "odd", 7, "x"));
  EXPECT_FALSE(reg_write_value("HKEY_LOCAL_MACHINE", kKey, "x", 1, "x"));
  EXPECT_EQ(reg_read_value(kHive, kKey, "absent"), QString());
  EXPECT_EQ(reg_read_value(kHive, "software\\absent", "x"), QString());
  platform::Registry::set(kKey, "multi", {static_cast<platform::RegType>(7), "a\0b\0"});
  EXPECT_EQ(reg_read_value(kHive, kKey, "multi"), QString());
  platform::Registry::set(kKey, "bigbin", {platform::RegType::Binary, QByteArray(1026, 1)});
  EXPECT_EQ(reg_read_value(kHive, kKey, "bigbin"), QString());
}

}  // namespace
