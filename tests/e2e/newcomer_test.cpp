// A newcomer's evening, with the real client under an X server of its own, clicked as a user
// clicks: open a title from the site's list, play it, let the next episode come, quit; come back,
// open the title again and resume where it stopped; the next time start over.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>

#include "config/registry_values.h"
#include "config/settings.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "store/connection.h"
#include "support/child.h"
#include "support/db_rows.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/wait.h"
#include "support/x_server.h"

namespace {

class Newcomer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.running());
    site.control("list_only=1034");  // the site's list: this one title, as one big link
    copy_program(QStringLiteral(MORVANE_BIN "/play/QvodTerminal"), folder.file("play"), "QvodTerminal");
    // The engine is set up already (the first-run set-up has its own test).
    config::reg_write_value(platform::kCurrentUser, config::kInsertKey, "Insertpath", 1, folder.file("play"));
    config::reg_write_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath", 1, folder.file("downloads"));
    platform::ProfileFile cfg(folder.file("play/QvodCfg.ini"));
    cfg.set_value("QVODTERMINAL", "Mediapath", folder.file("downloads"));
    cfg.save();
    platform::ProfileFile ini(folder.file("vexa.ini"));
    ini.set_value("sh_time", "ym", site.base() + "/");
    ini.save();
    episodes = QString::fromStdString(http_get(site.port(), "/details.php?id=1034").body).section("<!--jj_start-->", 1).split("::");
    for (QString& e : episodes) e.replace('$', '|');
  }
  void TearDown() override {
    if (client.state() != QProcess::NotRunning) {
      client.kill();
      client.waitForFinished();
    }
    // The terminal the client started outlives a client that was killed: it is ours to end.
    const pid_t terminal = QString::fromLatin1(read_all(folder.file("morvane-terminal.state"))).section(' ', 2, 2).toInt();
    if (terminal > 0 && platform::process_is(terminal, "QvodTerminal")) ::kill(terminal, SIGKILL);
    store::shared_connection().close();
  }
  void start() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : x.env() + QStringList{"MORVANE_SITE=" + site.base(), "XDG_RUNTIME_DIR=" + folder.path()})
      env.insert(kv.section('=', 0, 0), kv.section('=', 1));
    env.remove("MORVANE_DIALOG_LOG");  // real message boxes
    client.setProcessEnvironment(env);
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.setStandardOutputFile(folder.file("client.out"));
    client.start(folder.file("vexa"), {});
    ASSERT_TRUE(client.waitForStarted());
    ASSERT_TRUE(wait_until([&] { return !(window = x.windows_named("^MorvaneV").value(0)).isEmpty(); }, 30000))
        << "display " << x.display().toStdString() << " state " << client.state() << " exit " << client.exitCode() << "\n"
        << QString::fromUtf8(read_all(folder.file("client.out"))).right(3000).toStdString();
    const int asked = requests();
    ASSERT_TRUE(wait_until([&] { return requests() > asked || asked > 0; }, 30000));
    settle(2500);  // the list page is shown and the template is loaded
  }
  int requests() { return QString::fromStdString(site.control("path=/kolbet/l_indexss.php", "/_control/requests")).count('\n'); }
  // The title from the list, then its "立即播放" button. The main window lies at the screen's corner
  // (no window manager) at its design size, so its parts are where a user sees them.
  void open_and_play() {
    const std::string shown = site.control("id=1034", "/_control/hits");  // each showing of its details counts
    x.click(700, 250);  // anywhere on the one title of the list
    ASSERT_TRUE(wait_until([&] { return site.control("id=1034", "/_control/hits") != shown; }, 15000));
    settle(1000);
    x.click(229, 203);  // "立即播放"
  }
  void quit() {
    x.click(20, 10);  // "文件"
    QRect menu;
    ASSERT_TRUE(wait_until([&] {
      for (const QRect& w : x.children("root"))
        if (w.y() > 10 && w.y() < 40 && w.width() < 300 && w.height() > 60) menu = w;
      return menu.isValid();
    }, 5000));
    settle(300);
    x.click(menu.x() + 40, menu.bottom() - 12);  // its last item: "退出"
    ASSERT_TRUE(client.waitForFinished(15000));
  }
  QString hist_url() { return column("select * from hist where keyID=1034", "hist_url").value(0); }
  int position(int episode) {
    return column("select * from jj where j_url like '%" + episodes[episode].split('|')[1] + "%'", "jl").value(0).toInt();
  }
  // A key in the question box, as the user presses it there.
  void answer(const QString& box, const QString& key) {
    x.xdotool({"windowfocus", "--sync", box});
    x.keys({key});
  }
  // The seek track along the top of the player's bar, 9/10 of the way along it.
  void seek_near_the_end() { x.click(500, 437); }

  XServer x;
  SiteProcess site;
  ProgramFolder folder{true, true};
  QProcess client;
  QString window;
  QStringList episodes;
};

TEST_F(Newcomer, PlaysQuitsAndResumesWhereItStopped) {
  start();
  open_and_play();
  ASSERT_TRUE(wait_until([&] { return hist_url() == episodes[0]; }, 20000)) << hist_url().toStdString();
  settle(3000);
  seek_near_the_end();
  ASSERT_TRUE(wait_until([&] { return hist_url() == episodes[1]; }, 20000)) << "auto next";
  ASSERT_TRUE(wait_until([&] { return position(1) >= 9; }, 30000));
  quit();
  const int stopped = position(1);

  start();
  open_and_play();
  QStringList boxes;
  ASSERT_TRUE(wait_until([&] { return !(boxes = x.windows_named("^Morvane询问$")).isEmpty(); }, 15000));
  EXPECT_EQ(boxes.size(), 1);
  answer(boxes[0], "Return");  // OK
  ASSERT_TRUE(wait_until([&] { return position(1) != stopped; }, 15000));
  EXPECT_GE(position(1), stopped);  // resumed, not started over
  EXPECT_LE(position(1), stopped + 6);
  EXPECT_EQ(hist_url(), episodes[1]);
  quit();

  start();
  open_and_play();
  ASSERT_TRUE(wait_until([&] { return !(boxes = x.windows_named("^Morvane询问$")).isEmpty(); }, 15000));
  answer(boxes[0], "Escape");  // Cancel: the first episode from the start
  ASSERT_TRUE(wait_until([&] { return hist_url() == episodes[0]; }, 15000));
  EXPECT_EQ(position(1), 0);
  ASSERT_TRUE(wait_until([&] { return position(0) > 0; }, 15000));
  EXPECT_LE(position(0), 5);
  quit();
}

}  // namespace
