// Real libmpv (no picture, no sound) playing sample clips: from a file, and through the terminal.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>
#include <csignal>
#include <gtest/gtest.h>

#include "engine/mpv_engine.h"
#include "support/child.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/terminal_process.h"
#include "support/wait.h"

namespace {

// The play states seen while polling as the player does, without repeats, and whether the end
// window (playing, less than 2 s left) was passed through.
struct Watch {
  QList<int> states;
  bool end_window = false;
  void poll(const engine::MpvEngine& e) {
    const int s = e.playstate();
    if (states.isEmpty() || states.last() != s) states << s;
    if (s == 3 && e.duration() > 0 && e.duration() - e.currentpos() < 2) end_window = true;
  }
};

class Engine : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string body = http_get(site.port(), "/details.php?id=1003").body;
    const QString entry = QString::fromStdString(body).section("<!--jj_start-->", 1).split("::").value(0);
    address = QString(entry).replace('$', '|');
    hash = entry.split('$').value(1);
    clip = folder.file("clip.rmvb");
    write_all(clip, QByteArray::fromStdString(http_get(site.port(), "/qvod/" + hash.toStdString() + "/x").body));
  }
  void start_terminal() {
    terminal.configure(folder.file("media"), site.base() + "/qvod/{hash}/{name}");
    ASSERT_TRUE(terminal.launch());
  }
  void TearDown() override {
    terminal.halt();
    qunsetenv("MORVANE_TERMINAL_STATE");
  }
  Watch play_to_end(engine::MpvEngine& e, int timeout_ms = 30000) {
    Watch w;
    wait_until([&] {
      w.poll(e);
      return e.playstate() == 6;
    }, timeout_ms);
    return w;
  }

  SiteProcess site;
  ProgramFolder folder{false};
  TerminalProcess terminal{folder.path()};
  QString address, hash, clip;
};

TEST_F(Engine, PlaysALocalFileToItsEnd) {
  engine::MpvEngine e(nullptr, true);
  EXPECT_EQ(e.playstate(), 0);
  e.setURL(clip);
  EXPECT_EQ(e.playstate(), 10);
  e.Play();
  const Watch w = play_to_end(e);
  EXPECT_EQ(w.states.first(), 10);
  EXPECT_TRUE(w.states.contains(3));
  EXPECT_EQ(w.states.last(), 6);
  EXPECT_TRUE(w.end_window);
  EXPECT_EQ(e.duration(), 6);
  EXPECT_EQ(e.Downrate(), 0);
  EXPECT_EQ(e.get_CurTaskProcess(), 1000);
  e.setURL("");
  EXPECT_EQ(e.playstate(), 0);
}

TEST_F(Engine, PausesResumesAndSeeks) {
  engine::MpvEngine e(nullptr, true);
  e.setURL(clip);
  e.Play();
  ASSERT_TRUE(wait_until([&] { return e.playstate() == 3; }));
  e.pause();
  ASSERT_TRUE(wait_until([&] { return e.playstate() == 2; }));
  const int held = e.currentpos();
  settle(700);
  EXPECT_EQ(e.currentpos(), held);
  e.Play();
  ASSERT_TRUE(wait_until([&] { return e.playstate() == 3; }));
  e.setCurrentpos(4);
  ASSERT_TRUE(wait_until([&] { return e.currentpos() >= 4; }));
  EXPECT_EQ(play_to_end(e).states.last(), 6);
}

TEST_F(Engine, PlaysAQvodAddressThroughTheTerminal) {
  start_terminal();
  engine::MpvEngine e(nullptr, true);
  e.setURL(address);
  EXPECT_EQ(e.failure(), QString());
  e.Play();
  e.setCurrentpos(3);  // ahead of what is downloaded: the terminal serves it first
  const Watch w = play_to_end(e);
  EXPECT_EQ(w.states.last(), 6);
  EXPECT_TRUE(w.states.contains(3));
  EXPECT_TRUE(w.end_window);
  EXPECT_TRUE(wait_until([&] { return e.get_CurTaskProcess() == 1000; }));
  const QString finished = folder.file("media/" + address.split('|').value(2));
  EXPECT_EQ(read_all(finished), read_all(clip));
}

TEST_F(Engine, PlaysAWebAddressDirectly) {
  engine::MpvEngine e(nullptr, true);
  e.setURL(site.base() + "/qvod/" + hash + "/clip.rmvb");
  e.Play();
  ASSERT_TRUE(wait_until([&] { return e.playstate() == 3; }));
  EXPECT_TRUE(wait_until([&] { return e.get_CurTaskProcess() > 0; }));
  EXPECT_GE(e.Downrate(), 0);
  EXPECT_EQ(play_to_end(e).states.last(), 6);
}

TEST_F(Engine, AQvodAddressWithoutTheTerminalSaysWhy) {
  qputenv("MORVANE_TERMINAL_STATE", folder.file("none.state").toUtf8());
  engine::MpvEngine e(nullptr, true);
  e.setURL(address);
  EXPECT_EQ(e.playstate(), 0);
  EXPECT_FALSE(e.failure().isEmpty());
  e.setURL("qvod://1|nohash|a.rmvb|");
  EXPECT_FALSE(e.failure().isEmpty());
}

}  // namespace
