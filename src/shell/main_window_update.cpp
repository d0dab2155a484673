// The version check of the Help menu and the updater's refresh and start.
#include <QAction>
#include <QDir>
#include <QFile>

#include "config/settings.h"
#include "config/site.h"
#include "platform/dialogs.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/transfer.h"
#include "shell/main_window.h"
#include "updater/release_key.h"
#include "updater/version_list.h"

namespace shell {

namespace {
const QString kCheckCaption = QStringLiteral("Morvane版本检测");
}

void MainWindow::check_version() {
  const QString installed = config::setting_access(0, {}, config::kVersion);
  const QString location = config::setting_access(0, {}, config::kVersionList);
  const QString address =
      location.isEmpty() ? config::site_base() + QStringLiteral("/vexa/sj.txt") : QStringLiteral("http://") + location;
  const QByteArray body = inet1_->open_url(address);
  const QString text = updater::first_line(body);
  if (text.isEmpty() || inet1_->last_status() != 200) {
    platform::dialogs().message(QStringLiteral("连接升级服务器错误"), kCheckCaption, platform::Buttons::Ok);
    return;
  }
  const updater::VersionList list = updater::parse_version_list(text);
  // With a release key, a list not signed by it (or older than the installed version) is not used.
  if (updater::release_key_configured() &&
      !updater::list_authentic(body, updater::fetch_signature(address), list, installed)) {
    platform::log_failure(QStringLiteral("check_version"), QStringLiteral("refused list: ") + text);
    platform::dialogs().message(updater::kCommunicationFailure, kCheckCaption, platform::Buttons::Ok);
    return;
  }
  config::setting_access(1, list.location, config::kVersionList);
  if (list.version == installed) {
    platform::dialogs().message(QStringLiteral("暂时无新版本"), kCheckCaption, platform::Buttons::Ok);
    return;
  }
  config::setting_access(1, list.file_field, config::kUpdateFiles);
  // "bb" is the installed version: the updater writes it once the new set is in place.
  if (list.forced) {
    // A forced update asks nothing and lets the user go on; the updater runs when the client ends.
    if (refresh_updater(0)) updater_at_exit_ = true;
    return;
  }
  if (platform::dialogs().message(QStringLiteral("发现新版本，是否升级?"), kCheckCaption,
                                  platform::Buttons::OkCancel) != platform::Answer::Ok)
    return;
  if (!refresh_updater(1)) return;
  end_client();
}

// The new updater is downloaded first and replaces the old one only when it is whole (and, with a
// release key, signed by it).
bool MainWindow::refresh_updater(int start) {
  const QString target = platform::program_file(QStringLiteral("selfmend"));
  const QString url = config::site_base() + QStringLiteral("/vexa/selfmend.exe");
  platform::Transfer fetch;
  const QByteArray bytes = fetch.open_url(url);
  // The signature is asked for only when there is a download to check.
  const bool whole = fetch.last_status() == 200 && !bytes.isEmpty();
  const bool trusted =
      whole && (!updater::release_key_configured() || updater::signed_by_release(bytes, updater::fetch_signature(url)));
  bool placed = false;
  if (trusted && QDir().mkpath(platform::program_file(QStringLiteral("src")))) {
    QFile staged(platform::program_file(QStringLiteral("src/selfmend")));
    placed = staged.open(QIODevice::WriteOnly | QIODevice::Truncate) && staged.write(bytes) == bytes.size() &&
             staged.flush();
    staged.close();
    placed = placed &&
             staged.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                   QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther) &&
             ::rename(QFile::encodeName(staged.fileName()).constData(), QFile::encodeName(target).constData()) == 0;
    if (!placed) staged.remove();
  }
  if (!placed) platform::log_failure(QStringLiteral("refresh_updater"), QStringLiteral("the updater was not replaced"));
  if (start != 0 && QFile::exists(target)) return platform::start_detached(target) > 0;
  return placed;
}

}  // namespace shell
