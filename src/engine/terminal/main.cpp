// QvodTerminal: the engine's terminal. Downloads play addresses into the media folder and streams
// them to the player over loopback. One per user; it tells its port and token in its state file.
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <csignal>
#include <cstdlib>

#include "config/settings.h"
#include "config/site.h"
#include "engine/terminal/state_file.h"
#include "engine/terminal/terminal_server.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/profile.h"

namespace {

// Another terminal of this user already answers: this one is not needed.
bool already_running() {
  QFile f(terminal::state_file());
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QStringList fields = QString::fromLatin1(f.readAll()).split(' ');
  const pid_t pid = fields.value(2).toInt();
  if (pid <= 0 || pid == getpid()) return false;
  const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
  return platform::image_name_matches(exe.section('/', -1), platform::own_image_name());
}

bool write_state(int port, const std::string& token) {
  QSaveFile f(terminal::state_file());
  if (!f.open(QIODevice::WriteOnly)) return false;
  f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  f.write(QStringLiteral("%1 %2 %3").arg(port).arg(QString::fromStdString(token)).arg(getpid()).toLatin1());
  return f.commit();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (already_running()) return 0;
  const platform::ProfileFile cfg(platform::program_file(QStringLiteral("QvodCfg.ini")));
  QString media = cfg.value(QStringLiteral("QVODTERMINAL"), QStringLiteral("Mediapath")).value_or(QString());
  if (media.isEmpty()) media = config::qvod_path(1);
  if (media.isEmpty()) return 1;
  QStringList sources;
  for (QString s : cfg.value(QStringLiteral("QVODTERMINAL"), QStringLiteral("Source"))
                       .value_or(QString())
                       .split(' ', Qt::SkipEmptyParts))
    sources << s.replace(QLatin1String("{site}"), config::site_base());
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  terminal::TerminalServer server(media, sources);
  const int port = server.start(0);
  if (port < 0) {
    platform::log_failure(QStringLiteral("QvodTerminal"), QStringLiteral("not started: ") + server.why());
    return 1;
  }
  if (!write_state(port, server.token())) return 1;
  int sig = 0;
  sigwait(&set, &sig);
  QFile::remove(terminal::state_file());
  std::_Exit(0);
}
