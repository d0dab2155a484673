#include "desktop/handed_addresses.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

namespace desktop {

namespace {

QString one_address(const QString& given, const QString& folder) {
  const QString text = given.trimmed();
  if (text.isEmpty()) return {};
  if (text.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) return QUrl(text).toLocalFile();
  if (text.contains(QLatin1String("://"))) return text;
  if (text.contains(QLatin1String(":\\"))) return text;  // a Windows path, for the play flows to judge
  return QDir::cleanPath(QDir(folder).absoluteFilePath(text));
}

}  // namespace

QStringList addresses_from_arguments(const QStringList& arguments, const QString& folder) {
  QStringList out;
  for (const QString& a : arguments) {
    if (a.startsWith('-')) continue;
    if (const QString address = one_address(a, folder); !address.isEmpty()) out << address;
  }
  return out;
}

QStringList addresses_from_drop(const QMimeData* data) {
  QStringList out;
  if (!data) return out;
  if (data->hasUrls()) {
    for (const QUrl& url : data->urls()) out << (url.isLocalFile() ? url.toLocalFile() : url.toString());
  } else if (data->hasText()) {
    for (const QString& line : data->text().split('\n', Qt::SkipEmptyParts))
      if (line.trimmed().contains(QLatin1String("://"))) out << line.trimmed();
  }
  out.removeAll(QString());
  return out;
}

bool drop_offers_addresses(const QMimeData* data) { return !addresses_from_drop(data).isEmpty(); }

}  // namespace desktop
