#pragma once
#include <QString>

namespace config {

// One registry value in its text form: strings as they are, binary as "0A FF " (two upper-case
// hex digits and a blank per byte), 32-bit numbers as "0x" + upper-case hex. Empty on any failure.
QString reg_read_value(const QString& hive, const QString& key_path, const QString& name);

// Creates or opens the key and writes one value from its text form; true on success.
bool reg_write_value(const QString& hive, const QString& key_path, const QString& name, int type, const QString& data);

}  // namespace config
