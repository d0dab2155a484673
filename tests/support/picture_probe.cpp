// morvane_picture_probe FILE: plays FILE with the engine drawing into a picture area in a real
// window (run it under an X server or a Wayland compositor) and prints how many distinct colours a
// frame grabbed from the area holds, how many frames were drawn and where the play stood.
#include <QApplication>
#include <QImage>
#include <QSet>
#include <QTimer>
#include <cstdio>

#include "engine/mpv_engine.h"
#include "engine/picture_area.h"

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  engine::PictureArea area;
  area.resize(320, 240);
  area.show();
  engine::MpvEngine engine(&area, true);
  engine.setURL(QString::fromLocal8Bit(argv[1]));
  engine.Play();
  QTimer poll;
  int waited = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if ((engine.playstate() != engine::PlayState::Playing || engine.currentpos() < 1) && ++waited < 150) return;
    const QImage frame = area.grabFramebuffer();
    QSet<QRgb> colours;
    for (int y = 0; y < frame.height(); y += 4)
      for (int x = 0; x < frame.width(); x += 4) colours.insert(frame.pixel(x, y));
    std::printf("state %d colours %lld frames %lld pos %d platform %s\n", engine::code(engine.playstate()),
                static_cast<long long>(colours.size()), static_cast<long long>(area.frames_drawn()),
                engine.currentpos(), qPrintable(QGuiApplication::platformName()));
    if (qEnvironmentVariableIsSet("PROBE_FRAME")) frame.save(qEnvironmentVariable("PROBE_FRAME"));
    app.quit();
  });
  poll.start(100);
  return app.exec();
}
