#pragma once
#include <QString>
#include <QVariant>

namespace config {

// One key of a profile file through the platform's profile functions (255-character buffer).
QString ini_read(const QString& section, const QString& key, const QString& default_text, const QString& file);
int ini_write(const QString& section, const QString& key, const QString& value, const QString& file);

// The numbered settings 1..12. mode 0 reads (returns the text), mode 1 writes (returns empty).
// A missing vexa.ini shows "配置文件丢失" and ends the program at once.
QString setting_access(int mode, const QVariant& value, int number);

// Numbers of the settings, as the table of the settings file numbers them.
enum Setting {
  kRefreshTime = 1,
  kAutoNext = 2,
  kAutoFull = 3,
  kMediaPath = 4,
  kVersion = 5,
  kVersionList = 6,
  kUpdateFiles = 7,
  kStartTime = 8,
  kCacheSize = 9,
  kDoneState = 10,
  kDetailBase = 11,
  kVolume = 12
};

// A setting that callers use as a whole number; a missing or non-numeric value gives fallback.
int setting_number(int number, int fallback);
// The stored volume ("vol"): a whole number 0..100; anything else (negative, too large, empty) is 100.
int volume_setting();

// The detail pages' base address ("ym"): the setting when it is a web address ending in "/", else
// the site's own address followed by "/".
QString detail_base();
// The settings of vexa.ini that make no sense as they stand and fall back to their defaults: its
// section, "ym", "x_yj", "z_f", "vol" (by name).
QStringList settings_problems();
// Says once per run which settings fell back to their defaults; nothing when all make sense.
void tell_settings_problems_once();

// kind 1: QVOD's download folder ("defaultsavepath", created one level deep when missing);
// any other kind: the engine folder ("Insertpath").
QString qvod_path(const QVariant& kind);

// flag "1": writes the folder to QvodCfg.ini "Mediapath" and to the registry's "defaultsavepath".
void save_path_write(const QString& flag, const QString& folder);

// Files of the program folder.
QString settings_file();  // vexa.ini
QString engine_config();  // play/QvodCfg.ini

// Registry keys of the QVOD player.
inline const QString kOptionKey = QStringLiteral("software\\qvodplayer\\option");
inline const QString kInsertKey = QStringLiteral("software\\qvodplayer\\Insert");

}  // namespace config
