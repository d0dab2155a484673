#pragma once
#include <QByteArray>
#include <QString>

namespace platform {

// Bytes at files and system calls: UTF-8; bytes that are not valid UTF-8 are read as GB18030,
// so a file written by a Chinese Windows system still reads.
QString decode_local(const QByteArray& bytes);
QByteArray encode_local(const QString& text);

// True when the character takes more than one byte in the Chinese ANSI code page (GBK).
bool is_wide_in_ansi(QChar c);

}  // namespace platform
