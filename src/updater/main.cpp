// selfmend: the updater. Reads the site's version list, downloads its files and installs them over
// the program folder as one set, then offers to start the client again.
#include <QApplication>
#include <QTimer>

#include "config/skin.h"
#include "platform/dialogs.h"
#include "updater/updater_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("selfmend"));
  app.setQuitOnLastWindowClosed(false);  // the updater ends when its work says so
  platform::install_chinese_translations();
  config::skin_attach();
  updater::UpdaterWindow window;
  platform::set_dialog_parent(&window);
  window.show();
  QTimer::singleShot(0, &window, &updater::UpdaterWindow::Form_Load);
  return app.exec();
}
