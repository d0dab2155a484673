#include "store/text_utils.h"

#include <QDateTime>
#include <QRegularExpression>

#include "platform/trap.h"
#include "store/jet_sql.h"

namespace store {

namespace {

// The cut for mode 0 and 1; nothing when no end marker follows.
std::optional<QString> cut_between(const QString& text, const QString& a, const QString& b, int first, bool keep) {
  const int from = keep ? first : first + int(a.size());
  const int end = text.indexOf(b, from, Qt::CaseInsensitive);
  if (end < 0) return std::nullopt;
  return text.mid(from, end - from + (keep ? int(b.size()) : 0));
}

QString cut(const QString& text, const QString& a, const QString& b, int mode, bool strict) {
  const int first = text.indexOf(a, 0, Qt::CaseInsensitive);
  if (first < 0 || a.isEmpty()) return {};
  const int last = text.lastIndexOf(a, -1, Qt::CaseInsensitive);
  const int len_a = int(a.size());
  switch (mode) {
    case 0:
    case 1: {
      const auto piece = cut_between(text, a, b, first, mode == 1);
      if (!piece && strict && mode == 0) platform::fail(QStringLiteral("cut_text: no end marker ") + b);
      return piece.value_or(QString());
    }
    case 2: return text.mid(first + len_a);
    case 3: return text.mid(first);
    case 4: return text.left(last + len_a);
    case 5: return text.left(last);
    case 6: return text.left(first + len_a);
    case 7: return text.mid(last);
    case 8: return text.left(first);
    case 9: return text.mid(last + 1);
    default: return {};
  }
}

}  // namespace

QString cut_text(const QString& text, const QString& a, const QString& b, int mode) {
  return cut(text, a, b, mode, true);
}

QString cut_text_lenient(const QString& text, const QString& a, const QString& b, int mode) {
  return cut(text, a, b, mode, false);
}

QString sql_safe(const QString& value) {
  QString s = value;
  s.replace('\'', QChar(0x2018));
  s.replace('|', ' ');
  return s;
}

QString fmt_datetime(const QVariant& value) {
  if (value.isNull()) return {};
  QDateTime when;
  if (value.typeId() == QMetaType::QDateTime) {
    when = value.toDateTime();
  } else {
    const QString text = value.toString();
    if (text.isEmpty()) return {};
    const auto parsed = parse_jet_date(text);
    if (!parsed) platform::fail(QStringLiteral("fmt_datetime: not a date: ") + text);
    when = *parsed;
  }
  const QDate d = when.date();
  const QTime t = when.time();
  return QStringLiteral("%1-%2-%3 %4:%5:%6")
      .arg(d.year())
      .arg(d.month())
      .arg(d.day())
      .arg(t.hour())
      .arg(t.minute())
      .arg(t.second());
}

std::optional<qint32> parse_id(const QString& text) {
  bool ok = false;
  const qint64 v = text.trimmed().toLongLong(&ok);
  if (!ok || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<qint32>(v);
}

// A NUL would end the statement inside the literal (SQLite reads statements up to the first NUL):
// the catalogue keeps none.
QString text_literal(const QString& value) {
  return '\'' + QString(value).remove(QChar(0)).replace('\'', QLatin1String("''")) + '\'';
}

QString number_literal(const QString& value) {
  const auto id = parse_id(value);
  return id ? QString::number(*id) : QString();
}

QString date_literal(const QString& value) {
  const QString date = value.trimmed();
  static const QRegularExpression digits_and_separators(QStringLiteral("^[0-9][0-9 ./:-]*$"));
  if (!digits_and_separators.match(date).hasMatch() || !parse_jet_date(date)) return {};
  return '#' + date + '#';
}

}  // namespace store
