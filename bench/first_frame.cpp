// first_frame [ROUNDS] [CLIP]: the time from the play command to the first frame on screen, for
// the player (its picture area, the engine already made, as when a user clicks) against bare mpv
// told to load the same clip while idle with its window open (--force-window). Alternating rounds;
// prints figure, value, reference, ratio (medians). Run it under an X server or a compositor.
// Then the same for a site episode not yet downloaded, played through the terminal (running, as
// after a first play; and started by the click), against bare mpv loading it from the site.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "engine/mpv_engine.h"
#include "engine/picture_area.h"
#include "median.h"
#include "player/kandor.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/terminal_process.h"
#include "support/wait.h"

namespace {

constexpr QSize kPicture(550, 371);    // the player's picture at the main window's design size
std::function<void()> start_terminal;  // what the player's host does when it needs the terminal

// The player in a window, made once; each round plays the clip from the start. The time is taken
// when the window holding the first frame has been swapped onto the screen (as mpv's "shown"), and
// the GUI thread waits in an event loop, as in the client: a loop that sleeps between its passes
// would hold each of the play's steps back.
double player_ms(player::Kandor* kandor, engine::PictureArea* area, const QString& clip, int mo = 0) {
  QEventLoop loop;
  QElapsedTimer clock;
  bool drawn = false;
  double ms = -1;
  const auto on_drawn = QObject::connect(area, &engine::PictureArea::frameDrawn, &loop, [&] { drawn = true; });
  const auto on_swapped = QObject::connect(area, &QOpenGLWidget::frameSwapped, &loop, [&] {
    if (!drawn || ms >= 0) return;
    ms = clock.nsecsElapsed() / 1e6;
    loop.quit();
  });
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  clock.start();
  kandor->h_play(clip, mo, 0);
  loop.exec();
  QObject::disconnect(on_drawn);
  QObject::disconnect(on_swapped);
  kandor->q_stop();
  settle(300);
  return ms >= 0 ? ms : clock.nsecsElapsed() / 1e6;  // no frame: the whole wait counts
}

// Bare mpv, idle with its window up: loadfile to "first video frame after restart shown", by mpv's log.
double bare_mpv_ms(const QString& clip, const QTemporaryDir& dir) {
  const QString log = dir.filePath("mpv.log"), socket = dir.filePath("mpv.sock");
  QFile::remove(log);
  QProcess mpv;
  mpv.start("mpv", {"--no-config", "--idle=yes", "--force-window=yes", "--vo=gpu", "--gpu-context=x11egl", "--ao=null",
                    QStringLiteral("--geometry=%1x%2").arg(kPicture.width()).arg(kPicture.height()),
                    "--input-ipc-server=" + socket, "--log-file=" + log, "--msg-level=all=debug"});
  mpv.waitForStarted();
  QLocalSocket ipc;
  wait_until(
      [&] {
        ipc.connectToServer(socket);
        return ipc.waitForConnected(100);
      },
      10000);
  settle(1000);  // its window is up and idle
  ipc.write(QStringLiteral("{\"command\":[\"loadfile\",\"%1\"]}\n").arg(clip).toUtf8());
  ipc.flush();
  static const QRegularExpression at("^\\[\\s*([\\d.]+)\\]");
  double asked = -1, shown = -1;
  wait_until(
      [&] {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly)) return false;
        for (const QByteArray& line : f.readAll().split('\n')) {
          const auto m = at.match(QString::fromUtf8(line));
          if (!m.hasMatch()) continue;
          if (line.contains("Run command: loadfile")) asked = m.captured(1).toDouble();
          if (asked >= 0 && line.contains("first video frame after restart shown")) shown = m.captured(1).toDouble();
        }
        return shown >= 0;
      },
      10000);
  mpv.kill();
  mpv.waitForFinished();
  return (shown - asked) * 1000;
}

// A site episode in a fresh media folder: the qvod address and the site's own address of its bytes.
struct FreshEpisode {
  QString qvod, http;
};
FreshEpisode fresh_episode(const SiteProcess& site, TerminalProcess& terminal, const ProgramFolder& folder, int n,
                           bool terminal_running) {
  terminal.halt();
  terminal.configure(folder.file(QStringLiteral("media%1").arg(n)), site.base() + "/qvod/{hash}/{name}");
  if (terminal_running) terminal.launch();
  const std::string page = http_get(site.port(), "/details.php?id=1034").body;
  const QString entry = QString::fromStdString(page).section("<!--jj_start-->", 1).split("::").value(0);
  const QStringList f = entry.split('$');
  return {QString(entry).replace('$', '|'), site.base() + "/qvod/" + f.value(1) + "/" + f.value(2)};
}

// The site rounds: the terminal is running before the click (as once a title's details or one of
// its links in the list has been in sight), or the click starts it (a play with no such sign).
void site_rounds(player::Kandor* kandor, engine::PictureArea* area, const QTemporaryDir& dir, int rounds) {
  SiteProcess site;
  ProgramFolder folder;
  TerminalProcess terminal(folder.path());
  // As the client starts it: at once, without waiting (the killed one's state file is still there).
  start_terminal = [&terminal] { terminal.process.start(terminal.program, {}); };
  kandor->setQlj(folder.file("play"));
  std::vector<double> up, started, bare;
  for (int i = 0; i < rounds; ++i) {
    FreshEpisode e = fresh_episode(site, terminal, folder, 2 * i, true);
    settle(1000);
    up.push_back(player_ms(kandor, area, e.qvod, 0));
    e = fresh_episode(site, terminal, folder, 2 * i + 1, false);
    started.push_back(player_ms(kandor, area, e.qvod, 0));
    bare.push_back(bare_mpv_ms(e.http, dir));
    kandor->q_stop();
    std::fprintf(stderr, "site round %d: terminal up %.1f, started %.1f, bare mpv %.1f ms\n", i + 1, up.back(),
                 started.back(), bare.back());
  }
  const double b = median(bare);
  std::printf("%-44s %10.2f %12.2f %7.2f\n", "fresh episode, terminal up (ms) vs bare mpv", median(up), b,
              median(up) / b);
  std::printf("%-44s %10.2f %12.2f %7.2f\n", "  fresh, terminal started by the play (ms)", median(started), b,
              median(started) / b);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
  const QString clip = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  if (clip.isEmpty() || !QFile::exists(clip)) {
    std::fprintf(stderr, "first_frame: no clip\n");
    return 2;
  }
  player::NowPlaying now;  // outlives the player
  QWidget window;
  player::KandorHost host;
  host.start_terminal = [] {
    if (start_terminal) start_terminal();
  };
  auto* kandor = new player::Kandor(std::move(host), now, &window);
  kandor->set_engine_factory([](QWidget* area) {
    return std::make_unique<engine::MpvEngine>(qobject_cast<engine::PictureArea*>(area), true);
  });
  kandor->setGeometry(0, 0, kPicture.width(), kPicture.height() + 49);  // the picture and the bar
  window.resize(kandor->size());
  window.show();
  kandor->zrqvds();
  auto* area = qobject_cast<engine::PictureArea*>(kandor->part("Qvod"));
  if (!area) return 2;
  settle(1500);
  QTemporaryDir dir;
  std::vector<double> ours, bare;
  for (int i = 0; i < rounds; ++i) {
    ours.push_back(player_ms(kandor, area, clip));
    bare.push_back(bare_mpv_ms(clip, dir));
    std::fprintf(stderr, "round %d: player %.1f ms, bare mpv %.1f ms\n", i + 1, ours.back(), bare.back());
  }
  const double a = median(ours), b = median(bare);
  std::printf("figure value reference ratio\n");
  std::printf("%-44s %10.2f %12.2f %7.2f\n", "play to first frame (ms) vs bare mpv", a, b, a / b);
  site_rounds(kandor, area, dir, rounds);
  return 0;
}
