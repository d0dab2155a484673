#pragma once
#include <QDateTime>
#include <QString>
#include <optional>

namespace store {

// A date as Jet reads it: "2009-3-7 9:5:2", "2009/03/07", "3/7/2009 9:05 PM", "9:05", ISO forms;
// surrounding blanks and line breaks are ignored.
std::optional<QDateTime> parse_jet_date(const QString& text);

// How dates are stored: "YYYY-MM-DD HH:MM:SS", so they sort as text.
QString to_stored_date(const QDateTime& when);

// Turns a statement of the Jet dialect into SQLite: "delete * from" loses its wildcard, a
// "#...#" date literal becomes a quoted stored date. Quoted text is never altered.
// Returns nothing (and says why) when the statement cannot be translated.
std::optional<QString> translate_jet(const QString& statement, QString* error = nullptr);

}  // namespace store
