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

namespace {

// Field 2 "taken as a number is not 0": "1.5" and "0.5" force, "0", "0.0" and no number do not.
bool forced_flag(const QString& field) {
  bool number = false;
  const double value = field.trimmed().toDouble(&number);
  return number && value != 0;
}

// Field 4: one SHA-256 sum (64 hex digits) per file of field 3, joined by "::"; else none.
QStringList sums_of(const QString& field, qsizetype files) {
  static const QRegularExpression sum(QStringLiteral("^[0-9A-Fa-f]{64}$"));
  const QStringList sums = field.trimmed().split(QStringLiteral("::"));
  if (sums.size() != files) return {};
  for (const QString& s : sums)
    if (!sum.match(s.trimmed()).hasMatch()) return {};
  return sums;
}

}  // namespace

VersionList parse_version_list(const QString& text) {
  const QStringList f = text.split('|');
  VersionList list;
  list.location = f.value(0);
  list.version = f.value(1);
  list.forced = forced_flag(f.value(2));
  list.file_field = f.value(3);
  list.files = list.file_field.split(QStringLiteral("::"));
  list.sums = sums_of(f.value(4), list.files.size());
  return list;
}

bool list_authentic(const QByteArray& body, const QByteArray& signature, const VersionList& list,
                    const QString& installed) {
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
