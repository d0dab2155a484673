#include "platform/registry.h"

#include <QDir>
#include <QFileInfo>

#include "platform/profile.h"

namespace platform {

namespace {

QString section_of(const QString& key_path) {
  QString path = key_path;
  path.replace('/', '\\');
  while (path.startsWith('\\')) path.remove(0, 1);
  while (path.endsWith('\\')) path.chop(1);
  return path;
}

QString encode(const RegValue& v) {
  return QString::number(static_cast<int>(v.type)) + ':' + QString::fromLatin1(v.data.toHex());
}

std::optional<RegValue> decode(const QString& text) {
  const int colon = text.indexOf(':');
  if (colon < 0) return std::nullopt;
  bool ok = false;
  const int type = text.left(colon).toInt(&ok);
  if (!ok) return std::nullopt;
  return RegValue{static_cast<RegType>(type), QByteArray::fromHex(text.mid(colon + 1).toLatin1())};
}

}  // namespace

QString Registry::file_path() {
  const QString forced = qEnvironmentVariable("MORVANE_REGISTRY");
  if (!forced.isEmpty()) return forced;
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/morvane/registry.ini");
}

bool Registry::key_exists(const QString& key_path) {
  return ProfileFile(file_path()).has_section(section_of(key_path));
}

bool Registry::create_key(const QString& key_path) {
  const QString section = section_of(key_path);
  if (section.isEmpty()) return false;
  ProfileFile file(file_path());
  if (file.has_section(section)) return true;
  QDir().mkpath(QFileInfo(file_path()).absolutePath());
  file.add_section(section);
  return file.save();
}

std::optional<RegValue> Registry::query(const QString& key_path, const QString& name) {
  const auto text = ProfileFile(file_path()).value(section_of(key_path), name);
  if (!text) return std::nullopt;
  return decode(*text);
}

bool Registry::set(const QString& key_path, const QString& name, const RegValue& value) {
  if (!create_key(key_path)) return false;
  ProfileFile file(file_path());
  file.set_value(section_of(key_path), name, encode(value));
  return file.save();
}

}  // namespace platform
