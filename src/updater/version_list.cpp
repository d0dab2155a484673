#include "updater/version_list.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>

#include "platform/transfer.h"
#include "updater/release_key.h"

namespace updater {

QString first_line(const QByteArray& body) {
  QString text = QString::fromUtf8(body);
  const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
  return end >= 0 ? text.left(end) : text;
}

VersionList parse_version_list(const QString& text) {
  const QStringList f = text.split('|');
  VersionList list;
  list.location = f.value(0);
  list.version = f.value(1);
  list.forced = f.value(2).trimmed().toInt();
  list.file_field = f.value(3);
  list.files = list.file_field.split(QStringLiteral("::"));
  if (f.size() > 4 && !f[4].trimmed().isEmpty()) list.sums = f[4].trimmed().split(QStringLiteral("::"));
  return list;
}

bool list_authentic(const QByteArray& body, const QByteArray& signature, const VersionList& list, const QString& installed) {
  if (!release_key_configured()) return true;
  bool comparable = false;
  const int order = compare_versions(list.version, installed, &comparable);
  return signed_by_release(body, signature) && comparable && order >= 0;
}

QByteArray fetch_signature(const QString& file_url) {
  platform::Transfer fetch;
  const QByteArray sig = fetch.open_url(file_url + QStringLiteral(".sig"));
  return fetch.last_status() == 200 ? sig : QByteArray();
}

bool matches_sum(const QString& path, const QString& sum) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&f)) return false;
  return QString::fromLatin1(hash.result().toHex()).compare(sum.trimmed(), Qt::CaseInsensitive) == 0;
}

}  // namespace updater
