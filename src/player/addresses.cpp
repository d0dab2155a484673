#include "player/addresses.h"

#include <QStringList>
#include <algorithm>

#include "store/text_utils.h"

namespace player {

namespace {

QString reversed(QString s) {
  std::reverse(s.begin(), s.end());
  return s;
}

// The file name after the last separator, without its last extension, read on the reversed text.
QString name_before(const QString& address, const QString& separator) {
  return reversed(GetContent(reversed(address), QStringLiteral("."), separator, 0));
}

int hex_at(const QString& s, int i) {
  if (i + 1 >= s.size()) return -1;
  bool ok = false;
  const int v = s.mid(i, 2).toInt(&ok, 16);
  return ok && s[i].isLetterOrNumber() && s[i + 1].isLetterOrNumber() ? v : -1;
}

}  // namespace

QString GetContent(const QString& text, const QString& a, const QString& b, int mode) {
  return store::cut_text_lenient(text, a, b, mode);
}

QString qvod_normalize(const QString& address) {
  if (!address.contains(QLatin1String("qvod://"))) return address;
  const QStringList f = address.split('|');
  const QString first = f[0].mid(f[0].indexOf(QLatin1String("qvod://")));
  return first + '|' + f.value(1) + '|' + f.value(2) + '|';
}

bool is_local_address(const QString& address) {
  return address.startsWith('/') || address.startsWith(QLatin1String("file://"), Qt::CaseInsensitive) ||
         address.contains(QLatin1String(":\\"));
}

namespace {
bool is_web_address(const QString& address) {
  return address.contains(QLatin1String("http://")) || address.contains(QLatin1String("https://"));
}
}  // namespace

int address_match(const QString& entry, const QString& address) {
  if (address.contains('|')) return entry.split('|').value(1) == address.split('|').value(1) ? 1 : 0;
  if (!address.contains('\\') && !is_local_address(address)) return 0;
  const QString name = address.mid(std::max(address.lastIndexOf('\\'), address.lastIndexOf('/')) + 1);
  return !name.isEmpty() && entry.contains(name) ? 1 : 0;
}

QString hq_wjm(const QString& address) {
  QString name;
  if (address.contains('|')) name = name_before(address, QStringLiteral("|"));
  if (address.contains('\\')) name = name_before(address, QStringLiteral("\\"));
  if (is_web_address(address) || (is_local_address(address) && address.contains('/')))
    name = name_before(address, QStringLiteral("/"));
  return name;
}

QString url_unescape(const QString& text) {
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const int b = c == '%' ? hex_at(text, i + 1) : -1;
    if (c == '+') {
      out += ' ';
    } else if (b < 0) {
      out += c;
    } else if (b < 128) {
      out += QChar(b);
      i += 2;
    } else {
      const int c2 = hex_at(text, i + 4), c3 = hex_at(text, i + 7);
      if (c2 < 0 || c3 < 0 || text[i + 3] != '%' || text[i + 6] != '%') {
        out += c;  // not a three-byte sequence: the "%" stays
        continue;
      }
      out += QChar(((b & 15) << 12) | ((c2 & 63) << 6) | (c3 & 63));
      i += 8;
    }
  }
  return out;
}

}  // namespace player
