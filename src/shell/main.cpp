// vexa: the client.
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/trapped_application.h"
#include "session/session.h"
#include "shell/main_window.h"
#include "updater/install.h"

namespace {

int signal_pipe[2] = {-1, -1};

void on_signal(int) {
  const char c = 1;
  [[maybe_unused]] ssize_t n = ::write(signal_pipe[1], &c, 1);
}

// A session that ends the client (SIGTERM, SIGINT, SIGHUP) closes its window as the user would:
// the unload runs, the tray icon goes and the engine's processes end.
void close_on_termination(QWidget* window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
    char c;
    [[maybe_unused]] ssize_t n = ::read(signal_pipe[0], &c, 1);
    window->close();
  });
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, on_signal);
}

}  // namespace

int main(int argc, char** argv) {
  // One GL context share group: the picture area and the browser panes keep their contexts when the
  // player moves to its full-screen window and back.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  platform::TrappedApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Morvane"));
  app.setQuitOnLastWindowClosed(false);  // the client ends through its unload, not by itself
  platform::install_chinese_translations();
  updater::recover_interrupted_install(platform::program_folder());  // an update cut off half-way
  session::Session session;
  shell::MainWindow window(session);
  platform::set_dialog_parent(&window);
  if (!window.load()) return 0;
  close_on_termination(&window);
  window.show();
  return app.exec();
}
