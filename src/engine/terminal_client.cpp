#include "engine/terminal_client.h"

#include <QFile>
#include <QThread>
#include <QUrl>

#include "engine/terminal/state_file.h"
#include "platform/processes.h"

namespace engine {

bool TerminalClient::read_state(int& port, QString& token, int* pid) const {
  QFile f(terminal::state_file());
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QStringList fields = QString::fromLatin1(f.readAll()).split(' ');
  port = fields.value(0).toInt();
  token = fields.value(1);
  const int owner = fields.value(2).trimmed().toInt();
  if (pid) *pid = owner;
  // A terminal that was killed leaves its file behind: its port may belong to anything by now.
  return port > 0 && !token.isEmpty() && owner > 0 && platform::process_is(owner, QStringLiteral("QvodTerminal"));
}

bool TerminalClient::available() const {
  int port = 0;
  QString token;
  return read_state(port, token);
}

int TerminalClient::running_pid() const {
  int port = 0, pid = 0;
  QString token;
  return read_state(port, token, &pid) ? pid : 0;
}

bool TerminalClient::running() const { return running_pid() > 0; }

bool TerminalClient::end_terminal() const {
  const int pid = running_pid();
  if (pid <= 0) return false;
  platform::kill_process(pid);
  for (int waited = 0; waited < 100 && platform::process_is(pid, QStringLiteral("QvodTerminal")); ++waited)
    QThread::msleep(20);
  return true;
}

QString TerminalClient::stream_address(const QString& hash, const QString& name) const {
  int port = 0;
  QString token;
  if (!read_state(port, token)) return {};
  return QStringLiteral("http://127.0.0.1:%1/stream/%2/%3?token=%4")
      .arg(port)
      .arg(hash, QString::fromLatin1(QUrl::toPercentEncoding(name)), token);
}

}  // namespace engine
