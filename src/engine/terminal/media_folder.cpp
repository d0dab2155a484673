#include "engine/terminal/media_folder.h"

#include <fcntl.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace terminal {

namespace {

constexpr int kReserve = 4 + 6;  // ".!mv" and " (99)"

QString hash_of(const QString& path) {
  QFile f(path);
  QCryptographicHash sha(QCryptographicHash::Sha1);
  if (!f.open(QIODevice::ReadOnly) || !sha.addData(&f)) return {};
  return QString::fromLatin1(sha.result().toHex()).toUpper();
}

bool exists(const QString& path) { return QFileInfo(path).exists() || QFileInfo(path).isSymLink(); }

}  // namespace

QString fitting_name(const QString& name) {
  const int limit = MediaFolder::kMaxNameBytes - kReserve;
  if (name.toUtf8().size() <= limit) return name;
  const int dot = name.lastIndexOf('.');
  const QString ext = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QString();
  QString stem = name.left(name.size() - ext.size());
  while (!stem.isEmpty() && (stem + ext).toUtf8().size() > limit) {
    stem.chop(1);
    if (!stem.isEmpty() && stem.back().isHighSurrogate()) stem.chop(1);  // never half a character
  }
  return stem + ext;
}

QString numbered_name(const QString& name, int n) {
  const int dot = name.lastIndexOf('.');
  const QString ext = dot > 0 ? name.mid(dot) : QString();
  return name.left(name.size() - ext.size()) + QStringLiteral(" (%1)").arg(n) + ext;
}

MediaFolder::MediaFolder(QString path) : path_(std::move(path)) {
  QDir().mkpath(path_);
  QFile f(path_ + '/' + kIndexName);
  if (!f.open(QIODevice::ReadOnly)) return;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const int tab = line.indexOf('\t');
    const QString name = QString::fromUtf8(line.mid(tab + 1));
    if (tab == 40 && !name.isEmpty() && !name.contains('/')) index_[QString::fromLatin1(line.left(tab))] = name;
  }
}

void MediaFolder::record(const QString& hash, const QString& name) {
  index_[hash] = name;
  QSaveFile f(path_ + '/' + kIndexName);
  if (!f.open(QIODevice::WriteOnly)) return;
  for (const auto& [h, n] : index_) f.write((h + '\t' + n + '\n').toUtf8());
  f.commit();
}

bool MediaFolder::taken(const QString& name, const QString& hash) const {
  for (const auto& [h, n] : index_)
    if (n == name && h != hash) return true;
  return exists(path_ + '/' + name) || exists(path_ + '/' + name + QStringLiteral(".!mv"));
}

MediaFolder::Place MediaFolder::place_for(const QvodItem& item) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto place = [this](const QString& name) { return Place{path_ + '/' + name, path_ + '/' + name + ".!mv"}; };
  if (auto known = index_.find(item.hash); known != index_.end()) return place(known->second);
  const QString name = fitting_name(item.name);
  // A finished file of this very item, from before the index knew it, is taken over as it is.
  const QString same = path_ + '/' + name;
  if (QFileInfo(same).isFile() && QFileInfo(same).size() == item.size && hash_of(same) == item.hash) {
    record(item.hash, name);
    return place(name);
  }
  QString free = name;
  for (int n = 2; taken(free, item.hash); ++n) free = numbered_name(name, n);
  record(item.hash, free);
  return place(free);
}

std::optional<QString> MediaFolder::finish(const QvodItem& item, const QString& partial) {
  std::lock_guard<std::mutex> guard(mutex_);
  QString name = index_.count(item.hash) ? index_[item.hash] : fitting_name(item.name);
  const QString base = name;
  for (int n = 2; n < 1000; ++n) {
    const QString target = path_ + '/' + name;
    // Never over a file that is there: a name that someone took meanwhile gets the next number.
    if (::renameat2(AT_FDCWD, QFile::encodeName(partial).constData(), AT_FDCWD, QFile::encodeName(target).constData(),
                    RENAME_NOREPLACE) == 0) {
      if (index_[item.hash] != name) record(item.hash, name);
      return target;
    }
    if (errno != EEXIST) return std::nullopt;
    name = numbered_name(base, n);
  }
  return std::nullopt;
}

}  // namespace terminal
