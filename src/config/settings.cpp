#include "config/settings.h"

#include <QDir>
#include <QUrl>

#include "config/registry_values.h"
#include "config/site.h"
#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/trap.h"

namespace config {

namespace {

struct SettingKey {
  const char* key;
};

constexpr SettingKey kKeys[13] = {{""},      {"sx_time"}, {"x_yj"},    {"z_f"},  {"Mediapath"}, {"bb"}, {"sjwj"},
                                  {"gxwjm"}, {"qdtime"},  {"ckwz_dx"}, {"wcjd"}, {"ym"},        {"vol"}};

const QString kSection = QStringLiteral("sh_time");
const QString kEngineSection = QStringLiteral("QVODTERMINAL");

// False only while the message about the missing file is up (the program ends when it is answered).
bool require_settings_file() {
  if (platform::file_present(settings_file())) return true;
  platform::fatal_message(QStringLiteral("配置文件丢失"), platform::app_title());
  return false;
}

}  // namespace

QString settings_file() { return platform::program_file(QStringLiteral("vexa.ini")); }
QString engine_config() { return platform::program_file(QStringLiteral("play/QvodCfg.ini")); }

QString ini_read(const QString& section, const QString& key, const QString& default_text, const QString& file) {
  QString buffer;
  const int count = platform::profile_read_string(section, key, default_text, buffer, 255, file);
  return buffer.left(count);
}

int ini_write(const QString& section, const QString& key, const QString& value, const QString& file) {
  return platform::profile_write_string(section, key, value, file);
}

QString setting_access(int mode, const QVariant& value, int number) {
  if (!require_settings_file()) return {};
  if (number < 1 || number > 12) return {};
  const bool engine = number == kMediaPath;
  const QString file = engine ? engine_config() : settings_file();
  const QString section = engine ? kEngineSection : kSection;
  const QString key = QString::fromLatin1(kKeys[number].key);
  if (mode == 0) return ini_read(section, key, QString(), file);
  if (mode == 1) {
    const QString text = value.toString();
    if (number == kRefreshTime && text.isEmpty()) return {};
    ini_write(section, key, text, file);
  }
  return {};
}

int setting_number(int number, int fallback) {
  bool ok = false;
  const int n = setting_access(0, {}, number).trimmed().toInt(&ok);
  return ok ? n : fallback;
}

int volume_setting() {
  const int v = setting_number(kVolume, -1);
  return v >= 0 && v <= 100 ? v : 100;
}

namespace {

bool usable_base(const QString& ym) {
  const QUrl url(ym, QUrl::StrictMode);
  return ym.size() < 254 && ym.endsWith('/') && url.isValid() && !url.host().isEmpty() &&
         (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

bool number_in(const QString& text, int low, int high) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  return ok && n >= low && n <= high;
}

}  // namespace

QString detail_base() {
  const QString ym = setting_access(0, {}, kDetailBase).trimmed();
  return usable_base(ym) ? ym : site_base() + '/';
}

QStringList settings_problems() {
  if (!platform::ProfileFile(settings_file()).has_section(kSection)) return {kSection};
  QStringList problems;
  if (!usable_base(setting_access(0, {}, kDetailBase).trimmed())) problems << QStringLiteral("ym");
  for (int n : {kAutoNext, kAutoFull})
    if (!number_in(setting_access(0, {}, n), 0, 1)) problems << QString::fromLatin1(kKeys[n].key);
  if (!number_in(setting_access(0, {}, kVolume), 0, 100)) problems << QStringLiteral("vol");
  return problems;
}

void tell_settings_problems_once() {
  static bool told = false;
  if (told) return;
  told = true;
  const QStringList problems = settings_problems();
  if (problems.isEmpty()) return;
  platform::log_failure(QStringLiteral("settings"), QStringLiteral("defaults used for ") + problems.join(','));
  platform::show_message(QStringLiteral("配置文件 vexa.ini 中的设置 %1 无法识别，本次运行使用默认值。")
                             .arg(problems.join(QStringLiteral("、"))),
                         platform::app_title());
}

QString qvod_path(const QVariant& kind) {
  if (kind.toString().trimmed() == QLatin1String("1")) {
    const QString folder = reg_read_value(platform::kCurrentUser, kOptionKey, QStringLiteral("defaultsavepath"));
    // One level only: a folder whose parent is missing stays uncreated and the name is returned.
    // Never a relative one: a blank value (the registry's empty text) would land in the working folder.
    if (QDir::isAbsolutePath(folder.trimmed()) && !QDir(folder).exists()) QDir().mkdir(folder);
    return folder;
  }
  return reg_read_value(platform::kCurrentUser, kInsertKey, QStringLiteral("Insertpath"));
}

void save_path_write(const QString& flag, const QString& folder) {
  if (flag != QLatin1String("1")) return;
  setting_access(1, folder, kMediaPath);
  reg_write_value(platform::kCurrentUser, kOptionKey, QStringLiteral("defaultsavepath"),
                  static_cast<int>(platform::RegType::String), folder);
}

}  // namespace config
