// morvane_player_probe FILE: plays FILE in the player widget inside a window that also holds a GL
// surface (as the browser panes make the main window), goes full screen and back, and prints what
// the screen showed of the picture and where the play stood at each step. Run it under an X server.
#include <QApplication>
#include <QImage>
#include <QOpenGLWidget>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <cstdio>

#include "player/kandor.h"

namespace {
int colours(QWidget* area) {
  const QPoint at = area->mapToGlobal(QPoint(0, 0));
  const QImage shot = area->screen()->grabWindow(0, at.x(), at.y(), area->width(), area->height()).toImage();
  QSet<QRgb> seen;
  for (int y = 0; y < shot.height(); y += 4)
    for (int x = 0; x < shot.width(); x += 4) seen.insert(shot.pixel(x, y));
  return static_cast<int>(seen.size());
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  QWidget main;
  main.resize(800, 560);
  auto* gl = new QOpenGLWidget(&main);
  gl->setGeometry(700, 10, 80, 80);
  auto* panel = new QWidget(&main);
  panel->setGeometry(10, 10, 660, 520);
  auto* kandor = new player::Kandor(player::KandorHost{}, panel);
  kandor->setGeometry(0, 0, 660, 520);
  kandor->setPhwnd(panel);
  main.show();
  kandor->zrqvds();
  kandor->setVol(0);
  kandor->h_play(QString::fromLocal8Bit(argv[1]), 0, 0);
  int step = 0;
  int waited = 0;  // ticks spent waiting, 30 s at most in all
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    ++step;
    QWidget* area = kandor->part("Qvod");
    auto say = [&](const char* phase) {
      std::printf("%s state %d pos %d colours %d full %d\n", phase, kandor->bzt(), kandor->bwz(), colours(area), kandor->full());
      std::fflush(stdout);
    };
    // Each phase starts once the previous one has taken effect (a loaded machine starts the engine slowly).
    const bool waiting = (step == 25 && kandor->bzt() != 3) || (step == 45 && kandor->full() != 1) ||
                         (step == 65 && kandor->full() != 0);
    if (waiting && ++waited < 300) {
      --step;
      return;
    }
    if (step == 25) {
      say("windowed");
      kandor->Image7_Click();
    } else if (step == 45) {
      say("fullscreen");
      kandor->Image7_Click();
    } else if (step == 65) {
      say("back");
      app.quit();
    }
  });
  poll.start(100);
  return app.exec();
}
