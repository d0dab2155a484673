// The client as a whole program: start-up, its set-up road, and how it ends.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <map>

#include "config/registry_values.h"
#include "config/settings.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "support/child.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/wait.h"
#include "support/x_server.h"

namespace {

class Client : public ::testing::Test {
 protected:
  // Message boxes go to the dialog log, unless extra names an X server: then they are real boxes.
  void start(QProcess& p, const QStringList& extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MORVANE_SITE", site.base());
    if (extra.isEmpty()) env.insert("MORVANE_DIALOG_LOG", folder.file("dialogs.txt"));
    for (const QString& kv : extra) env.insert(kv.section('=', 0, 0), kv.section('=', 1));
    env.insert("XDG_CACHE_HOME", folder.file("cache"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(folder.file("vexa"), {});
    ASSERT_TRUE(p.waitForStarted());
  }
  // Up: its catalogue request has reached the site.
  bool up(int clients = 1) {
    return wait_until(
        [&] {
          return QString::fromStdString(site.control("path=/kolbet/l_indexss.php", "/_control/requests")).count('\n') >=
                 clients;
        },
        30000);
  }
  void end(QProcess& p) {
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    EXPECT_TRUE(p.waitForFinished(15000));
  }
  QString dialogs() { return QString::fromUtf8(read_all(folder.file("dialogs.txt"))); }
  void SetUp() override {
    config::setting_access(1, site.base() + "/", config::kDetailBase);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);  // what a client leaves behind becomes ours to see
  }
  // Processes of the client's kind below this test that still run ("pid image" each); with
  // orphans_only, the browser helpers whose client is gone (they have come to this test).
  static QStringList leftovers(bool orphans_only = false) {
    std::map<pid_t, pid_t> parent;
    for (const auto& p : platform::user_processes()) {
      const QStringList stat =
          QString::fromLatin1(read_all(QStringLiteral("/proc/%1/stat").arg(p.pid))).section(") ", 1).split(' ');
      if (stat.value(0) != "Z") parent[p.pid] = stat.value(1).toInt();
    }
    QStringList left;
    for (const auto& p : platform::user_processes()) {
      bool below = false;
      for (pid_t up = parent.count(p.pid) ? parent[p.pid] : 0; up > 1 && !below; up = parent.count(up) ? parent[up] : 0)
        below = up == ::getpid();
      const bool ours =
          p.image == "QtWebEngineProcess" || p.image == "vexa" || p.image == "update" || p.image == "QvodTerminal";
      const bool orphan = parent.count(p.pid) && parent[p.pid] == ::getpid() && p.image == "QtWebEngineProcess";
      if (below && ours && parent.count(p.pid) && (!orphans_only || orphan))
        left << QStringLiteral("%1 %2").arg(p.pid).arg(p.image);
    }
    return left;
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

// The box is real: the program's own event loop runs under it, and nothing of the start-up may
// put a second box over it. Answering the one box ends the program.
TEST_F(Client, AFatalMessageIsShownOnceAndEndsTheProgramWhenAnswered) {
  XServer x;
  ASSERT_TRUE(x.running());
  for (const char* missing : {"vexa.ini", "mydb.mdb"}) {
    const QByteArray kept = read_all(folder.file(missing));
    QFile::remove(folder.file(missing));
    QProcess p;
    start(p, x.env());
    ASSERT_TRUE(wait_until([&] { return !x.windows_named("^Morvane$").isEmpty(); }, 20000)) << missing;
    settle(2000);  // the start-up timer and the clean-up timer have had every chance to fire
    const QStringList boxes = x.windows_named("^Morvane$");
    EXPECT_EQ(boxes.size(), 1) << missing;
    EXPECT_EQ(p.state(), QProcess::Running) << missing;
    // Through the keyboard as a whole: a key sent to one window is left held down once that
    // window's program is gone (xdotool does not release it), and it repeats into the next box.
    x.xdotool({"windowfocus", "--sync", boxes.value(0)});
    x.keys({"Return"});
    ASSERT_TRUE(p.waitForFinished(10000)) << missing;
    EXPECT_NE(p.exitCode(), 0) << missing;
    write_all(folder.file(missing), kept);
  }
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
  settle(1000);
  EXPECT_TRUE(leftovers(true).isEmpty())
      << leftovers(true).join(", ").toStdString();  // the first client's helpers ended with it
  ::kill(again, SIGTERM);
  EXPECT_TRUE(wait_until([] { return leftovers().isEmpty(); }, 15000)) << leftovers().join(", ").toStdString();
}

TEST_F(Client, EndingLeavesNoProcessItStarted) {
  start(a);
  ASSERT_TRUE(up());
  EXPECT_FALSE(leftovers().isEmpty());  // its browser's helpers run beside it
  end(a);
  EXPECT_TRUE(wait_until([] { return leftovers().isEmpty(); }, 10000)) << leftovers().join(", ").toStdString();
}

// "退出" from the real menu, as a user picks it.
TEST_F(Client, TheExitMenuItemEndsItAndItsHelpers) {
  XServer x;
  ASSERT_TRUE(x.running());
  start(b, x.env() << "MORVANE_DIALOG_LOG=" + folder.file("dialogs.txt"));
  ASSERT_TRUE(up());
  QStringList windows;
  ASSERT_TRUE(wait_until([&] { return !(windows = x.windows_named("^MorvaneV")).isEmpty(); }, 20000));
  settle(1000);
  x.xdotool({"mousemove", "--window", windows[0], "20", "10", "click", "1"});  // "文件"
  settle(500);
  x.xdotool({"key", "Up", "Return"});  // its last item: "退出"
  ASSERT_TRUE(b.waitForFinished(10000));
  EXPECT_EQ(b.exitCode(), 0);
  EXPECT_TRUE(wait_until([] { return leftovers().isEmpty(); }, 10000)) << leftovers().join(", ").toStdString();
}

// A copy under another name ends itself, and never a program that happens to be called vexa.
TEST_F(Client, ACopyUnderAnotherNameEndsItselfAndNoOtherProgram) {
  QProcess namesake;
  QDir().mkpath(folder.file("other"));
  namesake.start(copy_program("/bin/sleep", folder.file("other"), "vexa"), {"60"});
  ASSERT_TRUE(namesake.waitForStarted());
  QFile::rename(folder.file("vexa"), folder.file("vexa-copy"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("MORVANE_SITE", site.base());
  env.insert("MORVANE_DIALOG_LOG", folder.file("dialogs.txt"));
  a.setProcessEnvironment(env);
  a.start(folder.file("vexa-copy"), {});
  ASSERT_TRUE(up());
  end(a);
  EXPECT_EQ(a.exitCode(), 0);
  EXPECT_EQ(namesake.state(), QProcess::Running);
  namesake.kill();
  namesake.waitForFinished();
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

// Two clients of one program folder, as two desktop sessions of the user run them (each has a
// socket of its own for its second starts).
TEST_F(Client, EndingItselfLeavesAnotherInstanceRunning) {
  start(a);
  ASSERT_TRUE(up(1));
  start(b, {"MORVANE_DIALOG_LOG=" + folder.file("dialogs.txt"), "MORVANE_INSTANCE_SOCKET=" + folder.file("b.socket")});
  ASSERT_TRUE(up(2));
  end(b);
  EXPECT_EQ(b.exitCode(), 0);
  EXPECT_EQ(a.state(), QProcess::Running);
  end(a);
}

}  // namespace
