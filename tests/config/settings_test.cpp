#include <QDir>
#include <gtest/gtest.h>

#include "config/registry_values.h"
#include "config/settings.h"
#include "platform/file_attributes.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "support/child.h"
#include "support/program_folder.h"

using config::setting_access;

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  ProgramFolder folder;
  QString ini(const QString& section, const QString& key, const QString& file) {
    return platform::ProfileFile(folder.file(file)).value(section, key).value_or("<absent>");
  }
};

TEST_F(SettingsTest, EveryNumberReachesItsKeyAndFile) {
  const char* keys[] = {"", "sx_time", "x_yj", "z_f", "Mediapath", "bb", "sjwj", "gxwjm", "qdtime",
                        "ckwz_dx", "wcjd", "ym", "vol"};
  for (int n = 1; n <= 12; ++n) {
    const QString value = QStringLiteral("值%1").arg(n);
    EXPECT_EQ(setting_access(1, value, n), QString()) << n;
    EXPECT_EQ(setting_access(0, {}, n), value) << n;
    if (n == 4)
      EXPECT_EQ(ini("QVODTERMINAL", "Mediapath", "play/QvodCfg.ini"), value);
    else
      EXPECT_EQ(ini("sh_time", keys[n], "vexa.ini"), value) << n;
  }
  EXPECT_EQ(setting_access(1, 7, 12), QString());  // values are converted to text
  EXPECT_EQ(setting_access(0, {}, 12), "7");
}

TEST_F(SettingsTest, EmptyValuesAndNumbersOutsideTheTable) {
  const QByteArray before = read_all(folder.file("vexa.ini"));
  setting_access(1, QString(), 1);  // setting 1 is written only when not empty
  EXPECT_EQ(read_all(folder.file("vexa.ini")), before);
  setting_access(1, QString(), 0);
  setting_access(1, "x", 13);
  EXPECT_EQ(read_all(folder.file("vexa.ini")), before);
  EXPECT_EQ(setting_access(0, {}, 13), QString());
  setting_access(1, QString(), 5);  // any other setting stores the empty text
  EXPECT_EQ(ini("sh_time", "bb", "vexa.ini"), QString());
}

TEST_F(SettingsTest, AbsentKeyReadsEmptyAndNumbersFallBack) {
  write_all(folder.file("vexa.ini"), "[sh_time]\nvol=abc\nx_yj= 1 \n");
  EXPECT_EQ(setting_access(0, {}, 11), QString());
  EXPECT_EQ(config::setting_number(12, 100), 100);
  EXPECT_EQ(config::setting_number(2, 0), 1);
  EXPECT_EQ(config::setting_number(3, 0), 0);
}

TEST_F(SettingsTest, LongValuesComeBackCutToTheBuffer) {
  setting_access(1, QString(10000, QChar(0x4E2D)), 6);
  EXPECT_EQ(setting_access(0, {}, 6), QString(254, QChar(0x4E2D)));
}

TEST_F(SettingsTest, ShippedSettingsHoldEveryKeyWithNumbersWhereCallersNeedThem) {
  for (const char* key : {"sx_time", "x_yj", "z_f", "bb", "sjwj", "gxwjm", "qdtime", "ckwz_dx", "wcjd", "ym", "vol"})
    EXPECT_NE(ini("sh_time", key, "vexa.ini"), "<absent>") << key;
  for (int n : {2, 3, 12}) {
    bool ok = false;
    setting_access(0, {}, n).toInt(&ok);
    EXPECT_TRUE(ok) << n;
  }
  EXPECT_TRUE(setting_access(0, {}, 11).endsWith('/'));
}

TEST_F(SettingsTest, SaveFolderIsCreatedOneLevelDeep) {
  const QString save = folder.file("downloads");
  config::reg_write_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath", 1, save);
  EXPECT_EQ(config::qvod_path(1), save);
  EXPECT_TRUE(QDir(save).exists());

  const QString deep = folder.file("no/such/parent");
  config::reg_write_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath", 1, deep);
  EXPECT_EQ(config::qvod_path("1"), deep);
  EXPECT_FALSE(QDir(deep).exists());
}

TEST_F(SettingsTest, AbsentSaveFolderCreatesNothing) {
  const QStringList before = QDir(folder.path()).entryList();
  EXPECT_EQ(config::qvod_path(1), QString());
  EXPECT_EQ(QDir(folder.path()).entryList(), before);
}

TEST_F(SettingsTest, EngineFolderForAnyOtherKind) {
  config::reg_write_value(platform::kCurrentUser, config::kInsertKey, "Insertpath", 1, "/opt/qvod");
  EXPECT_EQ(config::qvod_path(2), "/opt/qvod");
  EXPECT_EQ(config::qvod_path("2"), "/opt/qvod");
}

TEST_F(SettingsTest, SavePathWriteOnlyWithFlagOne) {
  config::save_path_write("0", "/tmp/none");
  EXPECT_EQ(setting_access(0, {}, 4), QString());
  EXPECT_EQ(config::reg_read_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath"), QString());
  config::save_path_write("1", "/media/缓存");
  EXPECT_EQ(setting_access(0, {}, 4), "/media/缓存");
  EXPECT_EQ(config::reg_read_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath"), "/media/缓存");
}

TEST(SettingsFile, MissingFileEndsTheProgramWithItsMessage) {
  ProgramFolder folder(false);
  const QString probe = copy_program(ProgramFolder::test_tool("morvane_probe"), folder.path(), "probe");
  const QString dialogs = folder.file("dialogs.txt");
  const auto r = run_child(probe, {"setting", "5"}, {"MORVANE_DIALOG_LOG=" + dialogs});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_FALSE(r.out.contains("survived"));
  EXPECT_EQ(QString::fromUtf8(read_all(dialogs)), "Morvane|配置文件丢失\n");

  // A hidden settings file still counts.
  write_all(folder.file("vexa.ini"), "[sh_time]\nbb=V9\n");
  ASSERT_TRUE(platform::set_hidden(folder.file("vexa.ini"), true));
  ASSERT_TRUE(platform::is_hidden(folder.file("vexa.ini")));
  const auto ok = run_child(probe, {"setting", "5"}, {"MORVANE_DIALOG_LOG=" + dialogs});
  EXPECT_TRUE(ok.out.contains("value:V9")) << ok.out.toStdString();
}

}  // namespace
