// morvane_player_probe: the player widget in a window that also holds another GL surface (as the
// browser panes make the main window), on whatever desktop it is started on. Prints what it saw.
//   FILE                 plays FILE, goes full screen and back: each phase's state, position,
//                        colours of the picture area and full-screen flag; and the now-playing line
//   --sound FILE VOLUME  plays FILE at VOLUME: the sound server's level while playing and paused
//   --still FILE         plays FILE and takes a still of it once drawn: the status line that says where
//   --bar OUT            the bar's volume track as drawn (at the screen's pixel ratio) into OUT
#include <QApplication>
#include <QImage>
#include <QOpenGLWidget>
#include <QSet>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "player/kandor.h"
#include "support/sound_level.h"

namespace {

void say(const QString& line) {
  std::printf("%s\n", qPrintable(line));
  std::fflush(stdout);
}

int colours(QWidget* area) {
  auto* picture = qobject_cast<QOpenGLWidget*>(area);
  if (!picture) return 0;
  const QImage shot = picture->grabFramebuffer();
  QSet<QRgb> seen;
  for (int y = 0; y < shot.height(); y += 4)
    for (int x = 0; x < shot.width(); x += 4) seen.insert(shot.pixel(x, y));
  return static_cast<int>(seen.size());
}

// Steps run one after the other, each once its condition holds (a loaded machine is slow), 30 s at most.
class Steps : public QObject {
 public:
  struct Step {
    std::function<bool()> ready;
    std::function<void()> run;
  };
  explicit Steps(QList<Step> steps) : steps_(std::move(steps)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      if (++ticks_ > 300) return QCoreApplication::quit();  // the last step ends the program itself
      if (steps_.isEmpty() || !steps_.first().ready()) return;
      const Step step = steps_.takeFirst();
      step.run();
    });
    timer_.start(100);
  }

 private:
  QList<Step> steps_;
  QTimer timer_;
  int ticks_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.isEmpty()) return 2;
  const QString mode = args[0].startsWith("--") ? args[0] : QString();
  player::NowPlaying now;  // outlives the player
  QWidget main;
  main.resize(800, 560);
  auto* gl = new QOpenGLWidget(&main);
  gl->setGeometry(700, 10, 80, 80);
  auto* panel = new QWidget(&main);
  panel->setGeometry(10, 10, 660, 520);
  player::KandorHost host;
  host.now_playing_label = [](const QString& text) { say("label " + text); };
  host.status_text = [mode](const QString& text) {
    say("status " + text);
    if (mode == "--still") QCoreApplication::quit();
  };
  auto* kandor = new player::Kandor(host, now, panel);
  kandor->setGeometry(0, 0, 660, 520);
  kandor->setPhwnd(panel);
  main.show();
  kandor->zrqvds();
  QWidget* area = kandor->part("Qvod");
  auto playing = [kandor] { return kandor->bzt() == 3 && kandor->bwz() >= 1; };
  auto phase = [&](const char* name) {
    say(QStringLiteral("%1 state %2 pos %3 colours %4 full %5")
            .arg(name)
            .arg(kandor->bzt())
            .arg(kandor->bwz())
            .arg(colours(area))
            .arg(kandor->full()));
  };
  std::unique_ptr<Steps> steps;
  if (mode == "--bar") {
    steps = std::make_unique<Steps>(QList<Steps::Step>{{[] { return true; },
                                                        [&] {
                                                          const QPixmap track = kandor->part("Image6")->grab();
                                                          track.save(args.value(1));
                                                          say(QStringLiteral("dpr %1").arg(track.devicePixelRatio()));
                                                          app.quit();
                                                        }}});
  } else if (mode == "--still") {  // a still once the picture is drawn; its status ends the probe
    kandor->setVol(0);
    kandor->h_play(args.value(1), 0, 0);
    steps = std::make_unique<Steps>(
        QList<Steps::Step>{{[&] { return playing() && colours(area) > 1; }, [&] { kandor->take_still(); }}});
  } else if (mode == "--sound") {
    kandor->setVol(args.value(2).toInt());
    kandor->h_play(args.value(1), 0, 0);
    steps = std::make_unique<Steps>(QList<Steps::Step>{{playing, [&] {
                                                          const double loud = rms_level(record_sink(1500));
                                                          kandor->q_pause();
                                                          QTimer::singleShot(600, [&, loud] {
                                                            say(QStringLiteral("sound playing %1 paused %2")
                                                                    .arg(loud, 0, 'f', 5)
                                                                    .arg(rms_level(record_sink(1000)), 0, 'f', 5));
                                                            app.quit();
                                                          });
                                                        }}});
  } else {
    kandor->setVol(0);
    kandor->h_play(args[0], 0, 0);
    steps = std::make_unique<Steps>(QList<Steps::Step>{{[&] { return playing() && colours(area) > 1; },
                                                        [&] {
                                                          phase("windowed");
                                                          kandor->Image7_Click();
                                                        }},
                                                       {[&] { return kandor->full() == 1 && kandor->bwz() >= 3; },
                                                        [&] {
                                                          phase("fullscreen");
                                                          kandor->Image7_Click();
                                                        }},
                                                       {[&] { return kandor->full() == 0 && kandor->bwz() >= 5; },
                                                        [&] {
                                                          phase("back");
                                                          app.quit();
                                                        }}});
  }
  return app.exec();
}
