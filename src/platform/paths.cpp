#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdlib>

namespace platform {

namespace {
QString& program_folder_override() {
  static QString folder;
  return folder;
}
}  // namespace

QString program_folder() {
  if (!program_folder_override().isEmpty()) return program_folder_override();
  // Resolved once: the path costs a readlink per folder level, and callers ask it many times a second.
  static const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2);
  return folder;
}

void set_program_folder(const QString& folder) { program_folder_override() = folder; }

QString program_file(const QString& name) { return program_folder() + '/' + name; }

QString state_folder() {
  QString base = qEnvironmentVariable("XDG_STATE_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/state");
  const QString folder = base + QStringLiteral("/morvane");
  QDir().mkpath(folder);
  return folder;
}

}  // namespace platform
