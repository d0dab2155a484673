#include "store/jet_sql.h"

#include <QRegularExpression>

namespace store {

namespace {

int hour_of(int hour, const QString& meridiem) {
  const QString m = meridiem.toUpper();
  if (m == QLatin1String("PM") && hour < 12) return hour + 12;
  if (m == QLatin1String("AM") && hour == 12) return 0;
  return hour;
}

std::optional<QTime> parse_time(const QString& text) {
  if (text.isEmpty()) return QTime(0, 0, 0);
  static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*([AaPp][Mm])?$"));
  const auto m = re.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const QTime t(hour_of(m.captured(1).toInt(), m.captured(4)), m.captured(2).toInt(), m.captured(3).toInt());
  if (!t.isValid()) return std::nullopt;
  return t;
}

std::optional<QDate> parse_day(const QString& text) {
  static const QRegularExpression ymd(QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
  static const QRegularExpression mdy(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
  QDate d;
  if (const auto m = ymd.match(text); m.hasMatch())
    d = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  else if (const auto u = mdy.match(text); u.hasMatch())
    d = QDate(u.captured(3).toInt(), u.captured(1).toInt(), u.captured(2).toInt());
  if (!d.isValid()) return std::nullopt;
  return d;
}

}  // namespace

std::optional<QDateTime> parse_jet_date(const QString& raw) {
  QString text = raw.simplified();
  static const QRegularExpression iso_t(QStringLiteral("(\\d)T(\\d)"));
  text.replace(iso_t, QStringLiteral("\\1 \\2"));
  if (text.isEmpty()) return std::nullopt;
  const int space = text.indexOf(' ');
  const QString first = space < 0 ? text : text.left(space);
  const QString rest = space < 0 ? QString() : text.mid(space + 1);
  if (first.contains(':')) {  // a time alone lies on Jet's day zero
    const auto t = parse_time(text);
    if (!t) return std::nullopt;
    return QDateTime(QDate(1899, 12, 30), *t);
  }
  const auto d = parse_day(first);
  const auto t = parse_time(rest);
  if (!d || !t) return std::nullopt;
  return QDateTime(*d, *t);
}

QString to_stored_date(const QDateTime& when) { return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

namespace {

bool is_word(QChar c) { return c.isLetterOrNumber() || c == '_'; }

// Copies a quoted literal starting at i (quote doubled inside = one quote); returns the index after it.
int copy_literal(const QString& s, int i, QString& out) {
  const QChar quote = s[i];
  int j = i + 1;
  while (j < s.size()) {
    if (s[j] == quote) {
      if (j + 1 < s.size() && s[j + 1] == quote) {
        j += 2;
        continue;
      }
      out += s.mid(i, j - i + 1);
      return j + 1;
    }
    ++j;
  }
  return -1;
}

}  // namespace

std::optional<QString> translate_jet(const QString& s, QString* error) {
  static const QRegularExpression delete_star(QStringLiteral("delete\\s+(?:\\w+\\.)?\\*\\s+from\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
  auto failed = [error](const QString& why) -> std::optional<QString> {
    if (error) *error = why;
    return std::nullopt;
  };
  QString out;
  out.reserve(s.size() + 16);
  int i = 0;
  while (i < s.size()) {
    const QChar c = s[i];
    if (c == '\'' || c == '"') {
      i = copy_literal(s, i, out);
      if (i < 0) return failed(QStringLiteral("unterminated text literal"));
    } else if (c == '#') {
      const int close = s.indexOf('#', i + 1);
      if (close < 0) return failed(QStringLiteral("unterminated date literal"));
      const auto when = parse_jet_date(s.mid(i + 1, close - i - 1));
      if (!when) return failed(QStringLiteral("not a date: ") + s.mid(i, close - i + 1));
      out += '\'' + to_stored_date(*when) + '\'';
      i = close + 1;
    } else if ((c == 'd' || c == 'D') && (i == 0 || !is_word(s[i - 1]))) {
      const auto m =
          delete_star.match(s, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
      if (m.hasMatch()) {
        out += QStringLiteral("delete from");
        i += m.capturedLength();
      } else {
        out += c;
        ++i;
      }
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

}  // namespace store
