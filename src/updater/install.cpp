#include "updater/install.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/file_attributes.h"
#include "platform/log.h"

namespace updater {

namespace {

using platform::sync_file;
using platform::sync_folder;

bool move(const QString& from, const QString& to) {
  return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

}  // namespace

bool plain_name(const QString& name) {
  if (name.isEmpty() || name.size() > 200 || name.startsWith('.') || name.contains('/') || name.contains('\\') ||
      name.contains(':') || name.trimmed() != name)
    return false;
  for (const QChar c : name)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return false;
  return name != QLatin1String("src");
}

Installer::Installer(QString program_folder) : folder_(std::move(program_folder)) {}

// Journal lines: "1 name" when the program folder had the file before, "0 name" when it is new.
bool Installer::install(const QStringList& names) {
  for (const QString& n : names)
    if (!plain_name(n) || !QFileInfo(staging() + '/' + n).isFile() || QFileInfo(folder_ + '/' + n).isDir())
      return false;
  QStringList entries;
  for (const QString& n : names) {
    sync_file(staging() + '/' + n);
    entries << QString(QFileInfo::exists(folder_ + '/' + n) ? '1' : '0') + ' ' + n;
  }
  {
    QFile j(journal());
    if (!j.open(QIODevice::WriteOnly | QIODevice::Truncate) || j.write((entries.join('\n') + '\n').toUtf8()) <= 0)
      return false;
    j.flush();
    ::fsync(j.handle());
  }
  sync_folder(staging());
  int step = 0;
  const auto stepped = [&step] {
    if (after_step) after_step(++step);
  };
  stepped();
  for (const QString& e : entries) {
    const QString n = e.mid(2);
    const bool existed = e.startsWith('1');
    const bool aside = !existed || move(folder_ + '/' + n, staging() + '/' + n + QStringLiteral(".old"));
    if (existed) stepped();
    if (!aside || !move(staging() + '/' + n, folder_ + '/' + n)) {
      platform::log_failure(QStringLiteral("install"), QStringLiteral("cannot place ") + n);
      roll_back(entries);
      return false;
    }
    stepped();
  }
  sync_folder(folder_);
  sync_folder(staging());
  // The new set is complete: from here on it counts.
  if (!QFile::remove(journal())) return roll_back(entries), false;
  sync_folder(staging());
  stepped();
  for (const QString& e : entries) QFile::remove(staging() + '/' + e.mid(2) + QStringLiteral(".old"));
  return true;
}

void Installer::roll_back(const QStringList& entries) {
  for (const QString& e : entries) {
    const QString n = e.mid(2);
    if (!plain_name(n)) continue;
    const QString old = staging() + '/' + n + QStringLiteral(".old"), placed = folder_ + '/' + n;
    if (e.startsWith('1')) {
      // The old file was set aside: it goes back over whatever stands there now.
      if (QFileInfo::exists(old) && QFileInfo::exists(placed) && !QFileInfo::exists(staging() + '/' + n))
        move(placed, staging() + '/' + n);
      if (QFileInfo::exists(old)) move(old, placed);
    } else if (!QFileInfo::exists(staging() + '/' + n) && QFileInfo::exists(placed)) {
      move(placed, staging() + '/' + n);  // a file the old set did not have
    }
  }
  sync_folder(folder_);
  QFile::remove(journal());
  sync_folder(staging());
}

bool Installer::recover() {
  QFile j(journal());
  bool rolled = false;
  if (j.open(QIODevice::ReadOnly)) {
    const QStringList entries = QString::fromUtf8(j.readAll()).split('\n', Qt::SkipEmptyParts);
    j.close();
    platform::log_failure(QStringLiteral("install"), QStringLiteral("an interrupted install is rolled back"));
    roll_back(entries);
    rolled = true;
  }
  // Old files of a completed install that were not yet cleared.
  for (const QString& old : QDir(staging()).entryList({QStringLiteral("*.old")}, QDir::Files | QDir::Hidden))
    QFile::remove(staging() + '/' + old);
  return rolled;
}

bool recover_interrupted_install(const QString& program_folder) { return Installer(program_folder).recover(); }

}  // namespace updater
