// The play-data lookup window with the real clipboard of the X server, the site's play-data pages
// and the real player (no picture).
#include <gtest/gtest.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "catalog/client_window.h"
#include "config/registry_values.h"
#include "platform/dialogs.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "player/kandor.h"
#include "player/player_fixture.h"
#include "remote/play_data.h"
#include "remote/play_data_window.h"
#include "support/terminal_process.h"

namespace {

class PlayData : public ClientWindow {
 protected:
  void SetUp() override {
    ClientWindow::SetUp();
    before_dialogs = platform::set_dialogs(&answers);
    before_load = [](shell::MainWindow* w) {
      w->kandor()->set_engine_factory([](QWidget*) { return std::make_unique<engine::MpvEngine>(nullptr, true); });
    };
    start();
  }
  void TearDown() override {
    window->kandor()->q_stop();
    ClientWindow::TearDown();
    platform::set_dialogs(before_dialogs);
  }
  // The window as the File menu opens it, with this text on the clipboard.
  remote::PlayDataWindow* open_with(const QString& clipboard) {
    QGuiApplication::clipboard()->setText(clipboard);
    wait_until([&] { return QGuiApplication::clipboard()->text() == clipboard; }, 3000);
    window->action("fd_2")->trigger();
    return qobject_cast<remote::PlayDataWindow*>(window->play_data_window());
  }
  QWidget* open_window() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window->play_data_window();
  }
  QString box(remote::PlayDataWindow* w) { return w->findChild<QLineEdit*>("Text1")->text(); }
  QString playing() { return window->kandor()->furl(); }

  platform::ScriptedDialogs answers;
  platform::Dialogs* before_dialogs = nullptr;
};

TEST_F(PlayData, TheClipboardsAddressFillsTheBoxAndPlaysAsAFreeAddress) {
  const QString address = "qvod://634432|" + QString(40, 'B') + "|夜航.rmvb|";
  auto* w = open_with(address);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(box(w), address);
  EXPECT_TRUE(w->findChild<QLineEdit*>("Text1")->hasFocus() || !w->isActiveWindow());
  w->Command1_Click();
  EXPECT_EQ(playing(), address);
  EXPECT_EQ(column("select * from hist where keyID=0", "hist_title"), QStringList{"夜航"});
  EXPECT_EQ(open_window(), nullptr);  // closed
}

TEST_F(PlayData, APlayDataPageResolvesToItsQvodAddressWithANameOfOurMaking) {
  auto* w = open_with(site.base() + "/pd77/html/1013.html");  // its script holds an mkv address
  const QString hash = QString::fromStdString(http_get(site.port(), "/details.php?id=1013").body)
                           .section("<!--jj_start-->", 1)
                           .split('$')
                           .value(1);
  window->showMinimized();
  w->Command1_Click();
  static const QRegularExpression made("^qvod://\\d+\\|" + hash + "\\|tarvex_\\d{8,14}\\.mkv\\|$");
  EXPECT_TRUE(made.match(playing()).hasMatch()) << playing().toStdString() << " " << hash.toStdString();
  EXPECT_FALSE(window->isMinimized());  // brought back
  EXPECT_EQ(column("select * from hist where keyID=0", "hist_url"), QStringList{playing()});
}

TEST_F(PlayData, PagesWithoutAnAddressAndAddressesOfNoKindPlayNothingAndSaySo) {
  auto* w = open_with(site.base() + "/pd77/html/999999.html");  // no such page
  w->Command1_Click();
  EXPECT_TRUE(answers.shown.value(0).startsWith("打开远程文件|无法从该页面取得播放地址"))
      << answers.shown.value(0).toStdString();
  w = open_with(site.base() + "/pd77-about");  // a page that names no script
  w->Command1_Click();
  EXPECT_TRUE(answers.shown.value(1).contains("无法从该页面取得播放地址")) << answers.shown.value(1).toStdString();
  w = open_with("javascript:alert(1)");
  w->Command1_Click();
  EXPECT_TRUE(answers.shown.value(2).contains("无法识别的播放地址")) << answers.shown.value(2).toStdString();
  EXPECT_EQ(playing(), "");
  EXPECT_TRUE(column("select * from hist", "hist_url").isEmpty());
  // An empty box only closes.
  w = open_with("   ");
  w->Command1_Click();
  EXPECT_EQ(answers.shown.size(), 3);
  EXPECT_EQ(open_window(), nullptr);
}

// The site's play-data path broken in the two ways the cuts cannot take: the window says why and
// closes, nothing plays, and the client goes on.
TEST_F(PlayData, PagesWhoseCutsFindNoEndPlayNothingAndSaySo) {
  const QString page = site.base() + "/pd77/html/1013.html";
  site.control("playdata=nojs");  // "playdata" with no ".js" after it
  open_with(page)->Command1_Click();
  site.control("playdata=unclosed");  // "qvod://" with no "|$qvod" after it
  open_with(page)->Command1_Click();
  site.control("reset=1");
  EXPECT_EQ(answers.shown, QStringList({"打开远程文件|无法从该页面取得播放地址：页面中没有播放数据",
                                        "打开远程文件|无法从该页面取得播放地址：播放数据中没有qvod地址"}));
  EXPECT_EQ(playing(), "");
  EXPECT_TRUE(column("select * from hist", "hist_url").isEmpty());
  EXPECT_EQ(open_window(), nullptr);
}

// A page that does not arrive whole (cut off, or still coming when the wait is over) could not be
// read: that is what the window says, not that the page holds no play data.
TEST_F(PlayData, APageCutOffOrTimedOutIsSaidToBeUnreadable) {
  const QString page = site.base() + "/pd77/html/1013.html";
  site.control("playdata=cut");
  open_with(page)->Command1_Click();
  site.control("playdata=stall");
  auto* w = open_with(page);
  w->fetch_timeout_ms = 1000;
  w->Command1_Click();
  site.control("reset=1");
  const QString unreadable = "打开远程文件|无法从该页面取得播放地址：无法读取 " + page;
  EXPECT_EQ(answers.shown, QStringList({unreadable, unreadable}));
  EXPECT_EQ(playing(), "");
}

TEST_F(PlayData, ClosingStartsTheTerminalWhenItDoesNotRun) {
  // The engine folder of this program folder holds a terminal of its own name.
  config::reg_write_value(platform::kCurrentUser, config::kInsertKey, "Insertpath", 1, folder.file("engine/play"));
  TerminalProcess terminal(folder.file("engine"));
  terminal.configure(folder.file("media"), site.base() + "/qvod/{hash}/{name}");
  qputenv("MORVANE_TERMINAL_STATE", terminal.state_file().toUtf8());
  QFile::remove(terminal.state_file());
  auto* w = open_with("");
  w->close();
  ASSERT_TRUE(wait_until([&] { return QFile::exists(terminal.state_file()); }, 10000));
  const pid_t pid = QString::fromLatin1(read_all(terminal.state_file())).section(' ', 2, 2).toInt();
  EXPECT_TRUE(platform::process_is(pid, "QvodTerminal"));
  end_terminal_of(terminal.state_file());
}

TEST(PlayDataText, ScriptNamesAndAddressesAreTakenOnlyInTheirPlainForm) {
  EXPECT_EQ(remote::script_name("<script src='/playdata/10/1013.js'>"), "/10/1013");
  EXPECT_EQ(remote::script_name("<script src='/playdata@evil.example/x.js'>"), "");
  EXPECT_EQ(remote::script_name("<script src='/playdata/../../etc/passwd.js'>"), "");
  const QDateTime at(QDate(2026, 1, 8), QTime(9, 5, 7));
  EXPECT_EQ(remote::stamp(at),
            "20261895"
            "7");
  const QString hash(40, 'C');
  EXPECT_EQ(remote::play_address("['a$qvod://12|" + hash + "|片.rmvb|$qvod']", at),
            "qvod://12|" + hash + "|tarvex_202618957.rmvb|");
  EXPECT_EQ(remote::play_address("['a$qvod://12|" + hash + "|片.mkv|$qvod']", at),
            "qvod://12|" + hash + "|tarvex_202618957.mkv|");
  EXPECT_EQ(remote::play_address("['a$qvod://12|nothex|片.mkv|$qvod']", at), "");
  EXPECT_EQ(remote::play_address("var x = 1;", at), "");
  // Markers without their ends: nothing, and no failure escapes.
  EXPECT_EQ(remote::script_name("<script src='/playdata/10/1013'></script>"), "");
  EXPECT_EQ(remote::play_address("['a$qvod://12|" + hash + "|片.mkv|']", at), "");
  EXPECT_TRUE(remote::is_playable_address("qvod://12|" + hash + "|a.mp4|"));
  EXPECT_TRUE(remote::is_playable_address("/home/user/a.mp4"));
  EXPECT_TRUE(remote::is_playable_address("D:\\films\\a.rmvb"));
  EXPECT_TRUE(remote::is_playable_address("https://example.org/a.mp4"));
  EXPECT_FALSE(remote::is_playable_address("ftp://example.org/a.mp4"));
  EXPECT_FALSE(remote::is_playable_address("acm=12|4"));
}

}  // namespace
