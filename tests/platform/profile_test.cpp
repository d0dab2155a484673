#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

#include "platform/profile.h"
#include "support/program_folder.h"

using platform::profile_read_string;
using platform::profile_write_string;

namespace {

QString read(const QString& file, const QString& section, const QString& key, int size = 255) {
  QString out;
  const int n = profile_read_string(section, key, QStringLiteral("dflt"), out, size, file);
  EXPECT_EQ(n, out.size());
  return out;
}

class ProfileTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString file = dir.path() + "/a.ini";
};

TEST_F(ProfileTest, SectionsAndKeysIgnoreCaseAndValuesAreTrimmedAndUnquoted) {
  write_all(file, "[Sh_Time]\r\n  Vol = 80 \r\nname=\"  quoted  \"\r\n[other]\r\nvol=1\r\n");
  EXPECT_EQ(read(file, "sh_time", "VOL"), "80");
  EXPECT_EQ(read(file, "SH_TIME", "name"), "  quoted  ");
  EXPECT_EQ(read(file, "other", "vol"), "1");
  EXPECT_EQ(read(file, "sh_time", "missing"), "dflt");
  EXPECT_EQ(read(dir.path() + "/absent.ini", "sh_time", "vol"), "dflt");
}

TEST_F(ProfileTest, BadFilesReadWithoutCrash) {
  QByteArray garbage;
  for (int i = 0; i < 4096; ++i) garbage.append(char((i * 7919) & 0xFF));
  garbage.replace('[', 'x');  // no section headers inside
  write_all(file, "key=before section\n" + garbage + "\n[s]\nno equals sign here\n" +
                      QByteArray("\xff\xfe\x00\x01=\x80\n", 7) + "k=" + QByteArray(10000, 'x') + "\n");
  EXPECT_EQ(read(file, "s", "no equals sign here"), "dflt");
  EXPECT_EQ(read(file, "", "key"), "dflt");  // keys before any section belong to none
  EXPECT_EQ(read(file, "s", "k"), QString(254, 'x'));
  EXPECT_EQ(read(file, "s", "k", 10), QString(9, 'x'));
}

TEST_F(ProfileTest, ChineseWindowsFilesReadAsGb18030) {
  write_all(file, "[sh_time]\r\nname=\xd6\xd0\xce\xc4\r\nutf=\xe4\xb8\xad\r\n");  // 中文 in GBK; 中 in UTF-8
  EXPECT_EQ(read(file, "sh_time", "name"), QStringLiteral("中文"));
  EXPECT_EQ(read(file, "sh_time", "utf"), QStringLiteral("中"));
}

TEST_F(ProfileTest, WritesCreateReplaceAndKeepTheRest) {
  ASSERT_NE(profile_write_string("sh_time", "vol", "50", file), 0);
  ASSERT_NE(profile_write_string("SH_TIME", "x_yj", "1", file), 0);
  ASSERT_NE(profile_write_string("sh_time", "VOL", "60", file), 0);
  ASSERT_NE(profile_write_string("second", "a", "b\nc", file), 0);
  EXPECT_EQ(read(file, "sh_time", "vol"), "60");
  EXPECT_EQ(read(file, "sh_time", "x_yj"), "1");
  EXPECT_EQ(read(file, "second", "a"), "b c");
  EXPECT_EQ(read_all(file), "[sh_time]\nvol=60\nx_yj=1\n\n[second]\na=b c\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.ini"});  // no temporary left behind
}

}  // namespace
