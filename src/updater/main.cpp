// selfmend: the updater. Reads the site's version list, downloads its files and installs them over
// the program folder as one set, then offers to start the client again.
#include <QApplication>
#include <QTimer>
#include <csignal>

#include "config/skin.h"
#include "platform/dialogs.h"
#include "platform/trapped_application.h"
#include "updater/install.h"
#include "updater/updater_window.h"

namespace {
// MORVANE_INSTALL_KILL_AT=N: the updater is killed right after step N of its install, as a power
// cut would stop it (the tamper bench shows that the next start finds the old set or the new one).
int kill_at = 0;
void kill_after_step(int step) {
  if (step == kill_at) std::raise(SIGKILL);
}
}  // namespace

int main(int argc, char** argv) {
  platform::TrappedApplication app(argc, argv);
  kill_at = qEnvironmentVariableIntValue("MORVANE_INSTALL_KILL_AT");
  if (kill_at > 0) updater::Installer::after_step = kill_after_step;
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
