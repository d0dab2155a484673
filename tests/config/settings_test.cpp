#include <gtest/gtest.h>
#include <QDir>

#include "config/registry_values.h"
#include "config/settings.h"
#include "platform/dialogs.h"
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
  const char* keys[] = {"",      "sx_time", "x_yj",    "z_f",  "Mediapath", "bb", "sjwj",
                        "gxwjm", "qdtime",  "ckwz_dx", "wcjd", "ym",        "vol"};
  for (int n = 1; n <= 12; ++n) {
    const QString value = QStringLiteral("值%1").arg(n);
    EXPECT_EQ(setting_access(1, value, n), QString()) << n;
    EXPECT_EQ(setting_access(0, {}, n), value) << n;
    if (n == 4) EXPECT_EQ(ini("QVODTERMINAL", "Mediapath", "play/QvodCfg.ini"), value);
    else EXPECT_EQ(ini("sh_time", keys[n], "vexa.ini"), value) << n;
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

// A volume out of 0..100 is the default, never a muted start.
TEST_F(SettingsTest, AVolumeOutOf0To100IsTheDefault100) {
  for (const char* stored : {"-5", "-1", "101", "", "abc", "50%"}) {
    setting_access(1, QString::fromLatin1(stored), config::kVolume);
    EXPECT_EQ(config::volume_setting(), 100) << stored;
  }
  for (int stored : {0, 1, 100}) {
    setting_access(1, stored, config::kVolume);
    EXPECT_EQ(config::volume_setting(), stored);
  }
}

TEST_F(SettingsTest, SettingsThatMakeNoSenseFallBackAndAreSaidOnce) {
  const QString site = "http://127.0.0.1:8610";
  qputenv("MORVANE_SITE", site.toUtf8());
  const QByteArray garbage = QByteArray::fromHex("8f00ff13a3c1e2fe9d0a41ff2e") + QByteArray(300, '\x9f');
  write_all(folder.file("vexa.ini"), garbage);  // no section at all
  EXPECT_EQ(config::settings_problems(), QStringList{"sh_time"});
  EXPECT_EQ(config::detail_base(), site + "/");
  write_all(folder.file("vexa.ini"),
            "[sh_time]\nym=http://" + QByteArray(100 * 1024, 'a') + "/\nx_yj=7\nz_f=1\nvol=300\n");
  EXPECT_EQ(config::settings_problems(), QStringList({"ym", "x_yj", "vol"}));
  EXPECT_EQ(config::detail_base(), site + "/");
  write_all(folder.file("vexa.ini"), "[sh_time]\nym=javascript:alert(1)/\nx_yj=1\nz_f=0\nvol=80\n");
  EXPECT_EQ(config::settings_problems(), QStringList{"ym"});
  platform::ScriptedDialogs answers;
  platform::Dialogs* before = platform::set_dialogs(&answers);
  config::tell_settings_problems_once();
  config::tell_settings_problems_once();
  platform::set_dialogs(before);
  ASSERT_EQ(answers.shown.size(), 1);
  EXPECT_TRUE(answers.shown[0].contains("ym")) << answers.shown[0].toStdString();
  write_all(folder.file("vexa.ini"), "[sh_time]\nym=https://example.org/film/\nx_yj=0\nz_f=1\nvol=0\n");
  EXPECT_TRUE(config::settings_problems().isEmpty());
  EXPECT_EQ(config::detail_base(), "https://example.org/film/");
  qunsetenv("MORVANE_SITE");
}

TEST_F(SettingsTest, AWriteLeavesEveryOtherLineOfTheFileAsItWas) {
  const QByteArray odd =
      "; \xff\xfe\x80 not text at all\r\n[sh_time]\r\nbb=V1\xc3\r\nvol=80\r\n[other]\r\nk=\xb0\xa1\r\n";
  write_all(folder.file("vexa.ini"), odd);
  setting_access(1, "2026-1-2 3:4:5", config::kStartTime);
  const QByteArray after = read_all(folder.file("vexa.ini"));
  EXPECT_FALSE(after.contains("\xef\xbf\xbd"));  // no replacement character written
  for (const QByteArray& line : odd.split('\n')) {
    if (!line.isEmpty()) {
      EXPECT_TRUE(after.contains(line)) << line.toStdString();
    }
  }
  EXPECT_TRUE(after.contains("qdtime=2026-1-2 3:4:5"));
  EXPECT_EQ(setting_access(0, {}, config::kStartTime), "2026-1-2 3:4:5");
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
