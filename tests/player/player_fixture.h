#pragma once
// The player widget against real libmpv (no picture, no sound here), a real terminal process and the
// site's clips, in a host window of the test's own.
#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QMap>
#include <memory>

#include "engine/engine.h"
#include "engine/mpv_engine.h"
#include "history/history_store.h"
#include "player/kandor.h"
#include "store/connection.h"
#include "support/clip.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/terminal_process.h"
#include "support/test_session.h"
#include "support/wait.h"

// The real engine, with what the player asked of it counted.
class CountingEngine : public engine::MpvEngine {
 public:
  using MpvEngine::MpvEngine;
  void StartNextDown(const QString& address) override {
    next_downs << address;
    MpvEngine::StartNextDown(address);
  }
  void setCurrentpos(int seconds) override {
    seeks << seconds;
    MpvEngine::setCurrentpos(seconds);
  }
  QStringList next_downs;
  QList<int> seeks;
};

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    terminal.configure(folder.file("media"), site.base() + "/qvod/{hash}/{name}");
    qputenv("MORVANE_TERMINAL_STATE", terminal.state_file().toUtf8());  // known from the start, as in the client
    host_window.resize(640, 480);
    for (const char* name : {"fd_1", "fd_2", "hcgl", "fk", "bz_2", "gfz", "c_zf", "xy_j", "c_com"}) {
      auto* a = new QAction(QString::fromLatin1(name), &host_window);
      QObject::connect(a, &QAction::triggered, [this, name] { commands << name; });
      items.insert(name, a);
    }
    player::KandorHost host;
    host.start_terminal = [this] {
      ++terminal_starts;
      if (terminal_can_start) terminal.launch();
    };
    host.now_playing_label = [this](const QString& t) { now_playing = t; };
    host.record = [this](const QString& a, int mo) {
      recorded << a;
      return start_at ? std::optional<int>(start_at) : history.hist_record(a, mo);
    };
    host.save_position = [this](const QString& a, int mo, int p) {
      saved << p;
      history.hist_save_pos(a, mo, p);
    };
    host.command = [this](const QString& item) { items.value(item)->trigger(); };
    host.caption = [this](const QString& item) { return items.value(item)->text(); };
    host.power_saving = [this](int mode) { power_saving << mode; };
    host.play_list = [this] { return play_list; };
    host.status_text = [this](const QString& t) { status = t; };
    kandor = new player::Kandor(std::move(host), test_session().now_playing, &host_window);
    kandor->setObjectName("Kandor1");
    kandor->setGeometry(0, 0, 560, 420);
    kandor->set_engine_factory([this](QWidget*) {
      auto e = std::make_unique<CountingEngine>(nullptr, true);
      counting = e.get();
      return e;
    });
    kandor->setPhwnd(&host_window);
    host_window.show();
    kandor->zrqvds();
  }
  void TearDown() override {
    kandor->q_stop();
    store::shared_connection().close();
    qunsetenv("MORVANE_TERMINAL_STATE");
  }
  // A site episode: its qvod address, and its bytes as a local file.
  QString episode(int key, int index, QString* local = nullptr) {
    const std::string body = http_get(site.port(), "/details.php?id=" + std::to_string(key)).body;
    const QString entry = QString::fromStdString(body).section("<!--jj_start-->", 1).split("::").value(index);
    if (local) {
      *local = folder.file(entry.split('$').value(2));
      write_all(*local, QByteArray::fromStdString(
                            http_get(site.port(), "/qvod/" + entry.split('$').value(1).toStdString() + "/x").body));
    }
    return QString(entry).replace('$', '|');
  }
  // A local clip of about the given length (the site's clip played again and again).
  QString long_clip(int loops) {
    QString one;
    episode(1005, 0, &one);
    const QString out = folder.file(QStringLiteral("long%1.mp4").arg(loops));
    EXPECT_TRUE(loop_clip(one, out, loops));
    return out;
  }
  // The player's poll runs on its own; this waits until the engine plays, or until the poll has
  // published the state (every 2.5 s).
  bool state_reaches(engine::PlayState state, int ms = 20000) {
    return wait_until([&] { return kandor->engine() && kandor->engine()->playstate() == state; }, ms);
  }
  bool published(int state, int ms = 20000) {
    return wait_until([&] { return kandor->bzt() == state; }, ms);
  }
  QString text(const char* part) { return qobject_cast<QLabel*>(kandor->part(part))->text(); }

  SiteProcess site;
  ProgramFolder folder;
  history::HistoryStore history{test_session()};
  TerminalProcess terminal{folder.path()};
  QWidget host_window;
  QMap<QString, QAction*> items;
  player::Kandor* kandor = nullptr;
  CountingEngine* counting = nullptr;
  QStringList commands, recorded;
  QList<int> saved, power_saving;
  QString now_playing, play_list, status;
  int start_at = 0;
  int terminal_starts = 0;
  bool terminal_can_start = true;
};
