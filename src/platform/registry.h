#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// Value types as the registry knows them.
enum class RegType : int { None = 0, String = 1, ExpandString = 2, Binary = 3, Dword = 4 };

struct RegValue {
  RegType type = RegType::None;
  QByteArray data;  // the value's bytes as stored (strings in the system code page)
};

// The current user's registry: a per-user file of typed values, one section per key path.
// File: MORVANE_REGISTRY when set, else $XDG_CONFIG_HOME/morvane/registry.ini.
class Registry {
 public:
  static QString file_path();

  static bool key_exists(const QString& key_path);
  static bool create_key(const QString& key_path);
  static std::optional<RegValue> query(const QString& key_path, const QString& name);
  static bool set(const QString& key_path, const QString& name, const RegValue& value);
};

// The only hive the client uses.
inline constexpr const char* kCurrentUser = "HKEY_CURRENT_USER";

}  // namespace platform
