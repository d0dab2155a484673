// morvane_picture_probe FILE: plays FILE with the engine inside a real window (run it under an
// X server) and prints how many distinct colours one frame of that window holds.
#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "engine/mpv_engine.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  QWidget host;
  host.setAttribute(Qt::WA_NativeWindow);
  host.resize(320, 240);
  host.show();
  engine::MpvEngine engine(&host, false);
  engine.setVolume(0);
  engine.setURL(QString::fromLocal8Bit(argv[1]));
  engine.Play();
  QTimer poll;
  int waited = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if ((engine.playstate() != 3 || engine.currentpos() < 1) && ++waited < 100) return;
    const QImage frame = host.screen()->grabWindow(host.winId()).toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < frame.height(); y += 4)
      for (int x = 0; x < frame.width(); x += 4) colours.insert(frame.pixel(x, y));
    std::printf("state %d colours %lld\n", engine.playstate(), static_cast<long long>(colours.size()));
    app.quit();
  });
  poll.start(100);
  return app.exec();
}
