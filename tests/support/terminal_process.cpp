#include "support/terminal_process.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <QDir>
#include <QFile>
#include <csignal>

#include "platform/processes.h"
#include "support/child.h"
#include "support/program_folder.h"
#include "support/wait.h"

TerminalProcess::TerminalProcess(const QString& folder) : folder_(folder) {
  QDir().mkpath(folder + "/play");
  program = copy_program(QStringLiteral(MORVANE_BIN "/play/QvodTerminal"), folder + "/play", "QvodTerminal");
}

void TerminalProcess::configure(const QString& media, const QString& source) {
  write_all(folder_ + "/play/QvodCfg.ini",
            ("[QVODTERMINAL]\nMediapath=" + media + "\nSource=" + source + "\n").toUtf8());
}

bool TerminalProcess::launch() {
  qputenv("MORVANE_TERMINAL_STATE", state_file().toUtf8());
  QFile::remove(state_file());  // a killed terminal leaves its stale file behind
  process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
  end_with_parent(process);
  if (file_size_limit > 0) {
    const long limit = file_size_limit;
    process.setChildProcessModifier([limit] {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      const rlimit r{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
      ::setrlimit(RLIMIT_FSIZE, &r);
      ::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
    });
  }
  process.start(program, {});
  if (!process.waitForStarted() || !wait_until([this] { return QFile::exists(state_file()); })) return false;
  const QStringList f = QString::fromLatin1(read_all(state_file())).split(' ');
  port = f.value(0).toInt();
  token = f.value(1).toStdString();
  return port > 0;
}

void TerminalProcess::halt(int sig) {
  if (process.state() == QProcess::NotRunning) return;
  ::kill(static_cast<pid_t>(process.processId()), sig);
  process.waitForFinished(5000);
}

void end_terminal_of(const QString& state_file) {
  const pid_t pid = QString::fromLatin1(read_all(state_file)).section(' ', 2, 2).toInt();
  if (pid > 0 && platform::process_is(pid, "QvodTerminal")) ::kill(pid, SIGKILL);
}
