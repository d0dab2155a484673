#include "config/registry_values.h"

#include "platform/registry.h"
#include "platform/text_codec.h"

namespace config {

using platform::RegType;
using platform::RegValue;

namespace {

constexpr int kStringBuffer = 1024;
constexpr int kBinaryBuffer = 1025;

bool current_user(const QString& hive) {
  return hive.compare(QLatin1String(platform::kCurrentUser), Qt::CaseInsensitive) == 0;
}

QString string_text(const QByteArray& data) {
  // The value is read into a zeroed buffer of 1024 bytes and taken up to its first zero.
  const QByteArray buffer = data.left(kStringBuffer);
  const int zero = buffer.indexOf('\0');
  if (zero < 0 && buffer.size() >= kStringBuffer) return {};
  return platform::decode_local(zero < 0 ? buffer : buffer.left(zero));
}

QString binary_text(const QByteArray& data) {
  QString text;
  for (char byte : data) text += QStringLiteral("%1 ").arg(static_cast<uchar>(byte), 2, 16, QChar('0')).toUpper();
  return text;
}

QString dword_text(const QByteArray& data) {
  quint32 v = 0;
  for (int i = 0; i < 4 && i < data.size(); ++i) v |= static_cast<quint32>(static_cast<uchar>(data[i])) << (8 * i);
  return QStringLiteral("0x") + QString::number(v, 16).toUpper();
}

QByteArray binary_bytes(const QString& text) {
  const QString t = text.trimmed();
  QByteArray bytes;
  // Positions 1, 4, 7, ... (1-based) while the position is at most length - 1.
  for (int pos = 0; pos + 1 <= t.size() - 1 && bytes.size() < kBinaryBuffer; pos += 3)
    bytes.append(static_cast<char>(t.mid(pos, 2).toUInt(nullptr, 16)));
  return bytes;
}

QByteArray dword_bytes(const QString& text) {
  const quint32 v = text.trimmed().toUInt(nullptr, 16);
  QByteArray bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return bytes;
}

}  // namespace

QString reg_read_value(const QString& hive, const QString& key_path, const QString& name) {
  if (!current_user(hive)) return {};
  const auto value = platform::Registry::query(key_path, name);
  if (!value) return {};
  switch (value->type) {
    case RegType::String:
    case RegType::ExpandString: return string_text(value->data);
    case RegType::Binary: return value->data.size() > kBinaryBuffer ? QString() : binary_text(value->data);
    case RegType::Dword: return dword_text(value->data);
    default: return {};
  }
}

bool reg_write_value(const QString& hive, const QString& key_path, const QString& name, int type, const QString& data) {
  if (!current_user(hive)) return false;
  const QString text = data.isEmpty() ? QStringLiteral(" ") : data;
  RegValue value;
  value.type = static_cast<RegType>(type);
  switch (value.type) {
    case RegType::String:
    case RegType::ExpandString: value.data = platform::encode_local(text); break;
    case RegType::Binary: value.data = binary_bytes(text); break;
    case RegType::Dword: value.data = dword_bytes(text); break;
    default: return false;
  }
  return platform::Registry::set(key_path, name, value);
}

}  // namespace config
