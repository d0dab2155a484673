#pragma once
#include <QString>
#include <optional>

namespace terminal {

// What a "qvod://size|hash|name|" address names. Only a sound address yields one: a whole size
// above 0, a hash of 40 hexadecimal digits (kept in upper case), a plain file name (no "/", "\",
// "..", control characters or leading dot).
struct QvodItem {
  qint64 size = 0;
  QString hash;
  QString name;
};

std::optional<QvodItem> parse_qvod(const QString& address, QString* why = nullptr);

}  // namespace terminal
