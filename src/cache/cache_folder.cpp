#include "cache/cache_folder.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <filesystem>

namespace cache {

namespace {

QString without_trailing_separators(QString path) {
  while (path.size() > 1 && (path.endsWith('/') || path.endsWith('\\'))) path.chop(1);
  return path;
}

// The mount points of /proc/self/mountinfo (field 5), with "\040"-style escapes undone.
QStringList mount_points() {
  QFile f(QStringLiteral("/proc/self/mountinfo"));
  QStringList points;
  if (!f.open(QIODevice::ReadOnly)) return points;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 5) continue;
    QByteArray p = fields[4];
    for (qsizetype i = p.indexOf('\\'); i >= 0 && i + 3 < p.size(); i = p.indexOf('\\', i + 1))
      p.replace(i, 4, QByteArray(1, static_cast<char>(p.mid(i + 1, 3).toInt(nullptr, 8))));
    points << QString::fromUtf8(p);
  }
  return points;
}

}  // namespace

bool is_engine_file(const QString& name) { return name.startsWith(QLatin1String(".morvane-items")); }

QList<CacheEntry> list_cache(const QString& folder) {
  QList<CacheEntry> entries;
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(folder.toStdString(), ec)) {
    std::error_code kind;
    if (!item.is_regular_file(kind)) continue;
    const QString name = QString::fromStdString(item.path().filename().string());
    if (is_engine_file(name)) continue;
    entries.push_back({name, QString::fromStdString(item.path().string()), name.contains(QLatin1String(".!mv"))});
  }
  // By name as people read it: numbers by their value (第2集 before 第10集).
  QCollator order(QLocale(QLocale::Chinese, QLocale::China));
  order.setNumericMode(true);
  std::stable_sort(entries.begin(), entries.end(),
                   [&](const CacheEntry& a, const CacheEntry& b) { return order.compare(a.name, b.name) < 0; });
  return entries;
}

bool is_mount_point(const QString& folder) {
  const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  if (path == QLatin1String("/")) return true;
  return mount_points().contains(path);
}

QString cache_target(const QString& picked) {
  QString folder = picked;
  folder.replace(QStringLiteral("//"), QStringLiteral("/"));
  if (!folder.endsWith('/') && !folder.endsWith('\\'))
    folder += folder.contains('\\') && !folder.contains('/') ? '\\' : '/';
  static const QRegularExpression drive_root(QStringLiteral("^[A-Za-z]:\\\\$"));
  if (drive_root.match(folder).hasMatch()) return folder + QStringLiteral("media\\");
  if (folder.startsWith('/') && is_mount_point(folder)) return folder + QStringLiteral("media/");
  return folder;
}

bool same_folder(const QString& a, const QString& b) {
  // Letter case is part of a local name here; only paths of the Windows form ignore it.
  static const QRegularExpression windows_form(QStringLiteral("^[A-Za-z]:|\\\\"));
  const Qt::CaseSensitivity letters =
      a.contains(windows_form) && b.contains(windows_form) ? Qt::CaseInsensitive : Qt::CaseSensitive;
  if (without_trailing_separators(a).compare(without_trailing_separators(b), letters) == 0) return true;
  const QString ra = QFileInfo(a).canonicalFilePath(), rb = QFileInfo(b).canonicalFilePath();
  return !ra.isEmpty() && ra == rb;
}

}  // namespace cache
