// web_views URL...: the reference of the start-up and memory benchmarks: a window of the client's
// size holding one Qt WebEngine view per address, side by side, loading them at once. Marks
// "window" once shown and "list" once the first address has loaded, as the client marks them.
#include <QApplication>
#include <QHBoxLayout>
#include <QTimer>
#include <QWebEngineView>

#include "platform/log.h"

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QWidget window;
  auto* row = new QHBoxLayout(&window);
  for (int i = 1; i < argc; ++i) {
    auto* view = new QWebEngineView(&window);
    row->addWidget(view);
    if (i == 1)
      QObject::connect(view, &QWebEngineView::loadFinished,
                       [] { QTimer::singleShot(0, [] { platform::mark_startup("list"); }); });
    view->load(QUrl::fromUserInput(QString::fromLocal8Bit(argv[i])));
  }
  window.resize(848, 496);  // the client's window at its design size
  window.show();
  QTimer::singleShot(0, [] { platform::mark_startup("window"); });
  return app.exec();
}
