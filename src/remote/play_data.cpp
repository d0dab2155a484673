#include "remote/play_data.h"

#include <QRegularExpression>
#include <QUrl>

#include "config/site.h"
#include "player/addresses.h"
#include "store/text_utils.h"

namespace remote {

QString playdata_base() {
  QString base = qEnvironmentVariable("MORVANE_PLAYDATA");
  if (base.isEmpty()) base = config::site_base();
  while (base.endsWith('/')) base.chop(1);
  return base;
}

QString media_type(const QString& address) {
  for (const char* type : {"rmvb", "rm", "wmv", "avi", "mkv", "qmv", "mp3", "mp4"})
    if (address.contains(QLatin1String(type))) return QString::fromLatin1(type);
  return {};
}

QString stamp(const QDateTime& at) {
  const QDate d = at.date();
  const QTime t = at.time();
  QString s;
  for (int n : {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()}) s += QString::number(n);
  return s;
}

QString script_name(const QString& page) {
  // "playdata" without a ".js" after it names nothing.
  const QString name = store::cut_text_lenient(page, QStringLiteral("playdata"), QStringLiteral(".js"), 0);
  // Only a path below /playdata: no host, query, escape or way up can ride along.
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_/-]{1,200}$"));
  if (!plain.match(name).hasMatch() || name.contains(QLatin1String("//"))) return {};
  return name;
}

QString play_address(const QString& script, const QDateTime& at) {
  // "qvod://" without a "|$qvod" after it is no address.
  const QString cut = store::cut_text_lenient(script, QStringLiteral("qvod://"), QStringLiteral("|$qvod"), 0);
  if (cut.isEmpty()) return {};
  const QString candidate = QStringLiteral("qvod://") + cut + '|';
  const QStringList fields = candidate.split('|');
  static const QRegularExpression size(QStringLiteral("^qvod://\\d{1,15}$")), hash(QStringLiteral("^[0-9A-Fa-f]{40}$"));
  if (!size.match(fields.value(0)).hasMatch() || !hash.match(fields.value(1)).hasMatch()) return {};
  return fields[0] + '|' + fields[1] + QStringLiteral("|tarvex_") + stamp(at) + '.' + media_type(candidate) + '|';
}

bool is_playable_address(const QString& address) {
  const QString a = address.trimmed();
  if (a.startsWith(QLatin1String("qvod://"), Qt::CaseInsensitive)) return a.count('|') >= 2;
  if (player::is_local_address(a)) return true;
  const QUrl url(a);
  return url.isValid() && !url.host().isEmpty() &&
         (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

QString unplayable_message(const QString& address) {
  return QStringLiteral("无法识别的播放地址，请输入qvod地址、本地文件或网址：\r\n") + address;
}

}  // namespace remote
