// "检测新版本" against the site's version list, with the answers given in the user's place.
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "config/settings.h"
#include "platform/dialogs.h"
#include "shell/main_window.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/test_session.h"
#include "updater/release_key.h"

namespace {

class VersionCheck : public ::testing::Test {
 protected:
  VersionCheck() : site({"--release", release.path()}) {}
  void SetUp() override {
    qputenv("MORVANE_SITE", site.base().toUtf8());
    before = platform::set_dialogs(&answers);
    window = std::make_unique<shell::MainWindow>(test_session());
  }
  void TearDown() override {
    window.reset();
    platform::set_dialogs(before);
  }
  void serve(const QString& list) { write_all(release.path() + "/sj.txt", list.toUtf8()); }
  QString setting(int n) { return config::setting_access(0, {}, n); }

  QTemporaryDir release;
  ProgramFolder folder;
  SiteProcess site;
  platform::ScriptedDialogs answers;
  platform::Dialogs* before = nullptr;
  std::unique_ptr<shell::MainWindow> window;
};

TEST_F(VersionCheck, TheSameVersionSaysSoAndTheListsPlaceIsKept) {
  ASSERT_EQ(setting(config::kVersionList), "");
  serve("{host}/vexa/sj.txt|" + setting(config::kVersion) + "|0|vexa");
  window->action("bz_1")->trigger();
  EXPECT_EQ(answers.shown, QStringList{"Morvane版本检测|暂时无新版本"});
  EXPECT_EQ(setting(config::kVersionList), "127.0.0.1:" + QString::number(site.port()) + "/vexa/sj.txt");
}

TEST_F(VersionCheck, AnUnreachableListSaysSo) {
  qputenv("MORVANE_SITE", "http://127.0.0.1:1");
  window->check_version();
  EXPECT_EQ(answers.shown, QStringList{"Morvane版本检测|连接升级服务器错误"});
}

TEST_F(VersionCheck, AForcedUpdateAsksNothingRefreshesTheUpdaterAndRunsItAtExit) {
  write_all(folder.file("selfmend"), "old updater");
  serve("{host}/vexa/sj.txt|V9.9|1|muban.htm");
  write_all(release.path() + "/selfmend.exe", "#!/bin/sh\nexit 0\n");
  const QString installed = setting(config::kVersion);
  window->check_version();
  EXPECT_TRUE(answers.shown.isEmpty());
  EXPECT_EQ(read_all(folder.file("selfmend")), "#!/bin/sh\nexit 0\n");
  EXPECT_TRUE(QFile::permissions(folder.file("selfmend")) & QFile::ExeOwner);
  EXPECT_TRUE(window->updater_at_exit());
  EXPECT_EQ(setting(config::kUpdateFiles), "muban.htm");
  EXPECT_EQ(setting(config::kVersion), installed);  // the updater raises it once the new set is in
}

TEST_F(VersionCheck, AFailedDownloadKeepsTheOldUpdaterAndCancelDoesNothing) {
  write_all(folder.file("selfmend"), "old updater");
  serve("{host}/vexa/sj.txt|V9.9|1|muban.htm");  // no selfmend.exe staged: 404
  window->check_version();
  EXPECT_EQ(read_all(folder.file("selfmend")), "old updater");
  EXPECT_FALSE(window->updater_at_exit());
  serve("{host}/vexa/sj.txt|V9.9|0|muban.htm");
  answers.answer_next(platform::Answer::Cancel);
  window->check_version();
  EXPECT_EQ(answers.shown, QStringList{"Morvane版本检测|发现新版本，是否升级?"});
  EXPECT_EQ(read_all(folder.file("selfmend")), "old updater");
}

// With the build's release key: lists and the updater the release did not sign are not used.
TEST_F(VersionCheck, AnUnsignedOrOlderListAndAnUnsignedUpdaterAreRefused) {
  if (!updater::release_key_configured()) GTEST_SKIP() << "built without a release key";
  const QString refused = "Morvane版本检测|" + updater::kCommunicationFailure;
  serve("{host}/vexa/sj.txt|V9.9|0|muban.htm");
  write_all(release.path() + "/sj.txt.sig", QByteArray(128, 'a'));
  window->check_version();
  EXPECT_EQ(answers.shown, QStringList{refused});
  EXPECT_EQ(setting(config::kVersionList), "");  // nothing of it kept

  QFile::remove(release.path() + "/sj.txt.sig");  // the site signs what it serves
  serve("{host}/vexa/sj.txt|V1.0|0|muban.htm");
  answers.shown.clear();
  window->check_version();
  EXPECT_EQ(answers.shown, QStringList{refused});

  write_all(folder.file("selfmend"), "old updater");
  write_all(release.path() + "/selfmend.exe", "#!/bin/sh\nexit 0\n");
  write_all(release.path() + "/selfmend.exe.sig", QByteArray(128, 'b'));
  serve("{host}/vexa/sj.txt|V9.9|1|muban.htm");
  answers.shown.clear();
  window->check_version();
  EXPECT_TRUE(answers.shown.isEmpty());
  EXPECT_EQ(read_all(folder.file("selfmend")), "old updater");
  EXPECT_FALSE(window->updater_at_exit());
}

}  // namespace
