#include "platform/log.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <ctime>

#include "platform/paths.h"

namespace platform {

QString log_file_path() {
  const QString forced = qEnvironmentVariable("MORVANE_LOG");
  return forced.isEmpty() ? state_folder() + QStringLiteral("/morvane.log") : forced;
}

void log_failure(const QString& routine, const QString& what) {
  QFile file(log_file_path());
  if (!file.open(QIODevice::Append | QIODevice::Text)) return;
  const QString line = QDateTime::currentDateTime().toString(Qt::ISODate) + ' ' + routine + ": " +
                       QString(what).replace('\n', ' ') + '\n';
  file.write(line.toUtf8());
}

void log_once(const QString& routine, const QString& what) {
  static QSet<QString> said;
  const QString key = routine + '\n' + what;
  if (said.contains(key)) return;
  said.insert(key);
  log_failure(routine, what);
}

void mark_startup(const char* what) {
  const QString path = qEnvironmentVariable("MORVANE_STARTUP_MARKS");
  if (path.isEmpty()) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  QFile f(path);
  if (f.open(QIODevice::Append))
    f.write(QByteArray(what) + ' ' + QByteArray::number(now.tv_sec * 1000.0 + now.tv_nsec / 1e6, 'f', 1) + '\n');
}

}  // namespace platform
