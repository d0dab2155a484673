// vexa: the client.
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>

#include "desktop/handed_addresses.h"
#include "desktop/single_instance.h"
#include "platform/dialogs.h"
#include "platform/log.h"
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

// The list pane and the market pane are pages of the same site: one renderer process serves both
// (about 14 MiB less than one each). The user's own Chromium flags come first and stay.
void share_renderers_within_a_site() {
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  if (!flags.contains("--process-per-site")) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --process-per-site");
}

}  // namespace

int main(int argc, char** argv) {
  share_renderers_within_a_site();
  // One GL context share group: the picture area and the browser panes keep their contexts when the
  // player moves to its full-screen window and back.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  platform::TrappedApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Morvane"));
  app.setQuitOnLastWindowClosed(false);  // the client ends through its unload, not by itself
  platform::install_chinese_translations();
  // One client per user: a later start hands what it was given to the running one and ends.
  // argv as the application left it: Qt's own options ("-platform xcb") are taken out of it.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const QStringList handed = desktop::addresses_from_arguments(arguments, QDir::currentPath());
  if (desktop::SingleInstance::hand_over(handed)) return 0;
  updater::recover_interrupted_install(platform::program_folder());  // an update cut off half-way
  session::Session session;
  shell::MainWindow window(session);
  platform::set_dialog_parent(&window);
  if (!window.load(handed)) return 0;
  close_on_termination(&window);
  desktop::SingleInstance instance;
  instance.listen([&window](const QStringList& addresses) {
    if (addresses.isEmpty()) window.bring_to_front();
    else window.open_addresses(addresses);
  });
  window.offer_media_controls();
  window.show();
  QTimer::singleShot(0, [] { platform::mark_startup("window"); });
  if (!handed.isEmpty()) QTimer::singleShot(0, &window, [&window, handed] { window.open_addresses(handed); });
  return app.exec();
}
