// Real libmpv (no picture, no sound) playing sample clips: from a file, and through the terminal.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>
#include <atomic>
#include <csignal>
#include <thread>

#include "engine/mpv_engine.h"
#include "engine/mpv_library.h"
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
    const int s = engine::code(e.playstate());
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
    engine::let_engines_start();
    terminal.halt();
    qunsetenv("MORVANE_TERMINAL_STATE");
  }
  Watch play_to_end(engine::MpvEngine& e, int timeout_ms = 30000) {
    Watch w;
    wait_until(
        [&] {
          w.poll(e);
          return e.playstate() == engine::PlayState::Ended;
        },
        timeout_ms);
    return w;
  }

  SiteProcess site;
  ProgramFolder folder{false};
  TerminalProcess terminal{folder.path()};
  QString address, hash, clip;
};

TEST_F(Engine, PlaysALocalFileToItsEnd) {
  engine::MpvEngine e(nullptr, true);
  EXPECT_EQ(e.playstate(), engine::PlayState::Stopped);
  e.setURL(clip);
  EXPECT_EQ(e.playstate(), engine::PlayState::Connecting);
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
  EXPECT_EQ(e.playstate(), engine::PlayState::Stopped);
}

TEST_F(Engine, PausesResumesAndSeeks) {
  engine::MpvEngine e(nullptr, true);
  e.setURL(clip);
  e.Play();
  ASSERT_TRUE(wait_until([&] { return e.playstate() == engine::PlayState::Playing; }));
  e.pause();
  ASSERT_TRUE(wait_until([&] { return e.playstate() == engine::PlayState::Paused; }));
  const int held = e.currentpos();
  settle(700);
  EXPECT_EQ(e.currentpos(), held);
  e.Play();
  ASSERT_TRUE(wait_until([&] { return e.playstate() == engine::PlayState::Playing; }));
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

// Another local user holds 32 connections to the terminal, each trickling a request that never
// ends (and connecting again when dropped): the player is served all the same.
TEST_F(Engine, ThirtyTwoSlowConnectionsDoNotStopPlayback) {
  start_terminal();
  std::atomic<bool> stop{false};
  std::atomic<int> connects{0};
  std::vector<std::thread> slow;
  for (int i = 0; i < 32; ++i)
    slow.emplace_back([&, port = terminal.port] {
      while (!stop) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
          ++connects;
          const std::string request =
              "GET /stream/0123456789012345678901234567890123456789/x HTTP/1.1\r\nHost: 127.0.0.1\r\n";
          for (char c : request) {
            if (stop || ::send(fd, &c, 1, MSG_NOSIGNAL) != 1) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
          }
        }
        ::close(fd);
      }
    });
  settle(1000);
  engine::MpvEngine e(nullptr, true);
  e.setURL(address);
  e.Play();
  const Watch w = play_to_end(e, 40000);
  stop = true;
  for (auto& t : slow) t.join();
  EXPECT_TRUE(w.states.contains(3));
  EXPECT_EQ(w.states.last(), 6);
  EXPECT_GE(connects, 32);
}

TEST_F(Engine, PlaysAWebAddressDirectly) {
  engine::MpvEngine e(nullptr, true);
  e.setURL(site.base() + "/qvod/" + hash + "/clip.rmvb");
  e.Play();
  ASSERT_TRUE(wait_until([&] { return e.playstate() == engine::PlayState::Playing; }));
  EXPECT_TRUE(wait_until([&] { return e.get_CurTaskProcess() > 0; }));
  EXPECT_GE(e.Downrate(), 0);
  EXPECT_EQ(play_to_end(e).states.last(), 6);
}

TEST_F(Engine, AQvodAddressWithoutTheTerminalSaysWhy) {
  qputenv("MORVANE_TERMINAL_STATE", folder.file("none.state").toUtf8());
  engine::MpvEngine e(nullptr, true);
  e.setURL(address);
  EXPECT_EQ(e.playstate(), engine::PlayState::Stopped);
  EXPECT_FALSE(e.failure().isEmpty());
  e.setURL("qvod://1|nohash|a.rmvb|");
  EXPECT_FALSE(e.failure().isEmpty());
}

// While the shell holds engines back nothing is opened; what was asked meanwhile is done, in
// order, once they may start. An engine gone before then is simply not started.
TEST_F(Engine, WhatIsAskedBeforeTheEngineMayStartIsDoneOnceItHasStarted) {
  engine::hold_engines();
  { engine::MpvEngine gone_first(nullptr, true); }
  engine::MpvEngine e(nullptr, true);
  e.set_speed(1.5);
  e.set_mute(true);
  e.set_speed(1.25);
  settle(500);
  EXPECT_EQ(e.speed(), 1.0);
  EXPECT_FALSE(e.muted());
  engine::let_engines_start();
  EXPECT_TRUE(wait_until([&] { return e.speed() == 1.25 && e.muted(); }));
}

// A play asked while engines are held starts this one at once: a file handed at start-up plays.
TEST_F(Engine, APlayDoesNotWaitForTheStartUp) {
  engine::hold_engines();
  engine::MpvEngine e(nullptr, true);
  e.set_speed(2.0);
  e.setURL(clip);
  EXPECT_EQ(e.playstate(), engine::PlayState::Connecting);
  e.Play();
  EXPECT_TRUE(wait_until([&] { return e.playstate() == engine::PlayState::Playing; }, 10000));
  EXPECT_EQ(e.speed(), 2.0);
  EXPECT_EQ(e.URL(), clip);
}

}  // namespace
