// The client as a whole program: start-up, its set-up road, and how it ends.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

#include "config/registry_values.h"
#include "config/settings.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "support/child.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/wait.h"

namespace {

class Client : public ::testing::Test {
 protected:
  void start(QProcess& p) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MORVANE_SITE", site.base());
    env.insert("MORVANE_DIALOG_LOG", folder.file("dialogs.txt"));
    env.insert("XDG_CACHE_HOME", folder.file("cache"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(folder.file("vexa"), {});
    ASSERT_TRUE(p.waitForStarted());
  }
  // Up: its catalogue request has reached the site.
  bool up(int clients = 1) {
    return wait_until([&] {
      return QString::fromStdString(site.control("path=/kolbet/l_indexss.php", "/_control/requests")).count('\n') >= clients;
    }, 30000);
  }
  void end(QProcess& p) {
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    EXPECT_TRUE(p.waitForFinished(15000));
  }
  QString dialogs() { return QString::fromUtf8(read_all(folder.file("dialogs.txt"))); }
  void SetUp() override {
    config::setting_access(1, site.base() + "/", config::kDetailBase);
  }
  void TearDown() override {
    for (QProcess* p : {&a, &b})
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished();
      }
  }
  SiteProcess site;
  ProgramFolder folder{true, true};
  QProcess a, b;
};

TEST_F(Client, MissingSettingsFileEndsBeforeAnyWindow) {
  QFile::remove(folder.file("vexa.ini"));
  start(a);
  ASSERT_TRUE(a.waitForFinished(15000));
  EXPECT_NE(a.exitCode(), 0);
  EXPECT_EQ(dialogs(), "Morvane|配置文件丢失\n");
  EXPECT_TRUE(QString::fromStdString(site.control("path=/kolbet/l_indexss.php", "/_control/requests")).isEmpty());
}

TEST_F(Client, MissingDatabaseEndsAtItsFirstUse) {
  QFile::remove(folder.file("mydb.mdb"));
  start(a);
  ASSERT_TRUE(a.waitForFinished(30000));
  EXPECT_NE(a.exitCode(), 0);
  EXPECT_EQ(dialogs(), "Morvane|系统数据库丢失\n");
}

TEST_F(Client, FirstRunGoesThroughTheEngineSetUpAndComesBack) {
  write_all(folder.file("play/QvodTerminal"), "#!/bin/sh\nexit 0\n");
  start(a);
  ASSERT_TRUE(a.waitForFinished(15000));  // ends at once, no window
  EXPECT_EQ(a.exitCode(), 0);
  // update has written the folders and started the client again, which now stays up.
  ASSERT_TRUE(up());
  const QString downloads = folder.file("cache/morvane/downloads");
  EXPECT_EQ(config::reg_read_value(platform::kCurrentUser, config::kInsertKey, "Insertpath"), folder.file("play"));
  EXPECT_EQ(config::reg_read_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath"), downloads);
  EXPECT_TRUE(QDir(downloads).exists());
  EXPECT_EQ(platform::ProfileFile(folder.file("play/QvodCfg.ini")).value("QVODTERMINAL", "Mediapath"), downloads);
  // The client that came back is ours: its executable lies in this test's program folder.
  pid_t again = 0;
  for (const auto& p : platform::user_processes())
    if (QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(p.pid)) == folder.file("vexa")) again = p.pid;
  ASSERT_NE(again, 0);
  ::kill(again, SIGTERM);
  EXPECT_TRUE(wait_until([again] { return ::kill(again, 0) != 0; }, 15000));
}

TEST_F(Client, WithoutTheEngineTheSetUpIsNeverStarted) {
  start(a);
  ASSERT_TRUE(up());
  EXPECT_EQ(a.state(), QProcess::Running);
  end(a);
  EXPECT_EQ(a.exitCode(), 0);
  EXPECT_EQ(config::reg_read_value(platform::kCurrentUser, config::kInsertKey, "Insertpath"), QString());
}

TEST_F(Client, QvodPlayerRunningBeforeStartSurvivesStartAndExit) {
  QProcess player;
  player.start(copy_program("/bin/sleep", folder.path(), "qvodplayer"), {"60"});
  ASSERT_TRUE(player.waitForStarted());
  start(a);
  ASSERT_TRUE(up());
  end(a);
  EXPECT_FALSE(player.waitForFinished(500));
  player.kill();
  player.waitForFinished();
}

TEST_F(Client, QvodPlayerThatAppearedLaterIsEndedAtExit) {
  start(a);
  ASSERT_TRUE(up());
  QProcess player;
  player.start(copy_program("/bin/sleep", folder.path(), "qvodplayer"), {"60"});
  ASSERT_TRUE(player.waitForStarted());
  end(a);
  EXPECT_TRUE(player.waitForFinished(5000));
}

TEST_F(Client, EndingItselfLeavesAnotherInstanceRunning) {
  start(a);
  ASSERT_TRUE(up(1));
  start(b);
  ASSERT_TRUE(up(2));
  end(b);
  EXPECT_EQ(b.exitCode(), 0);
  EXPECT_EQ(a.state(), QProcess::Running);
  end(a);
}

}  // namespace
