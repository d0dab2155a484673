#pragma once
#include <QString>
#include <QVariant>
#include <optional>

namespace store {

// Cuts a text at markers found without regard to case (see the mode table in the .cpp).
// A start marker that does not occur gives "". Mode 0 without an end marker after the start
// fails (platform::TrapError); mode 1 without one gives "".
QString cut_text(const QString& text, const QString& a, const QString& b, int mode);

// The same cut; modes 0 and 1 without an end marker give "" instead of failing.
QString cut_text_lenient(const QString& text, const QString& a, const QString& b, int mode);

// "'" becomes "‘" and "|" a blank, so a value fits between apostrophes and travels as one piece.
QString sql_safe(const QString& value);

// year-month-day hour:minute:second without leading zeros; "" for an empty value.
// A value that is not a date fails (platform::TrapError).
QString fmt_datetime(const QVariant& value);

// An id as it may enter a statement: a 32-bit whole number, or nothing.
std::optional<qint32> parse_id(const QString& text);

// The one place where a value becomes a literal of a statement: no other code quotes by hand.
// A text literal: the value between apostrophes, each apostrophe of its own doubled, so that
// nothing in it can end the literal; NUL characters are left out.
QString text_literal(const QString& value);
// A number literal: a 32-bit whole number in digits, or "" when the value is not one.
QString number_literal(const QString& value);
// A date literal "#...#" when the value is a date written with digits and the separators
// "-", "/", ".", ":" and blanks (surrounding blanks and line breaks aside), else "" (no date).
QString date_literal(const QString& value);

}  // namespace store
