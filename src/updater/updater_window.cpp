#include "updater/updater_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QVBoxLayout>

#include "config/settings.h"
#include "config/site.h"
#include "platform/dialogs.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/transfer.h"
#include "updater/install.h"
#include "updater/release_key.h"

namespace updater {

namespace {

const QString kCaption = QStringLiteral("Morvane升级系统");
const QString& kCommunication = kCommunicationFailure;

QString size_text(qint64 bytes) {
  if (bytes <= 0) return QStringLiteral("大小未知");
  if (bytes < 1024 * 1024) return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KB");
  return QString::number(bytes / 1048576.0, 'f', 1) + QStringLiteral(" MB");
}

}  // namespace

UpdaterWindow::UpdaterWindow(QWidget* parent) : QWidget(parent), inet1_(new QNetworkAccessManager(this)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kCaption);
  label_ = new QLabel(QStringLiteral("正在检查新版本..."), this);
  label_->setObjectName(QStringLiteral("Label1"));
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("ProgressBar1"));
  bar_->setRange(0, 100);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(18, 16, 18, 16);
  all->addWidget(label_);
  all->addWidget(bar_);
  resize(420, 100);
  timer1_.setInterval(5000);
  connect(&timer1_, &QTimer::timeout, this, &UpdaterWindow::Timer1_Timer);
}

QString UpdaterWindow::program(const QString& name) const { return platform::program_file(name); }

void UpdaterWindow::Form_Load() {
  timer1_.start();
  recover_interrupted_install(platform::program_folder());
  const QString old_location = config::setting_access(0, {}, config::kVersionList);
  const QString list_url = config::site_base() + QStringLiteral("/vexa/sj.txt");
  platform::Transfer fetch;
  const QByteArray body = fetch.open_url(list_url);
  const QString text = first_line(body);
  if (!text.isEmpty()) {
    list_ = parse_version_list(text);
    // Every name a plain file of the program folder (sums are checked when the list gives them); with a
    // release key the list signed, not older than what is installed, and a sum for every file:
    // else nothing is stored and nothing is fetched.
    bool sound = !list_.file_field.isEmpty();
    for (const QString& n : list_.files) sound = sound && plain_name(n) && !QFileInfo(program(n)).isDir();
    if (sound && release_key_configured())
      sound = !list_.sums.isEmpty() &&
              list_authentic(body, fetch_signature(list_url), list_, config::setting_access(0, {}, config::kVersion));
    if (!sound) {
      platform::log_failure(QStringLiteral("selfmend"), QStringLiteral("refused list: ") + text);
      return fail();
    }
    config::setting_access(1, list_.location, config::kVersionList);
    config::setting_access(1, list_.file_field, config::kUpdateFiles);
  }
  if (old_location.isEmpty()) return;  // the first run stores the list; the downloads come next time
  if (text.isEmpty()) return fail();   // nothing to fetch: change nothing
  const QString folder = QStringLiteral("http://") + QString(old_location).remove(QStringLiteral("sj.txt"));
  url_items.clear();
  name_items = list_.files;
  for (const QString& n : name_items) url_items << folder + n;
  cur_index = 0;
  xzrw(url_items[0], name_items[0]);
}

void UpdaterWindow::wj_del(const QString& folder, const QString& name) {
  if (folder.isEmpty() || name.isEmpty()) return;
  if (QFile::exists(folder + name)) QFile::remove(folder + name);
}

void UpdaterWindow::xzrw(const QString& url, const QString& name) {
  cur_name = name;
  if (url.isEmpty()) return;
  const QString staging = program(QStringLiteral("src/"));
  QDir().mkpath(staging);
  wj_del(staging, name);
  label_->setText(QStringLiteral("当前下载:%1  (%2/%3)").arg(name).arg(cur_index + 1).arg(name_items.size()));
  bar_->setValue(0);
  total_len = 0;
  got_ = 0;
  if (reply_) reply_->abort();
  file_.close();
  file_.setFileName(staging + name);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return fail();
  QNetworkRequest request{QUrl(url)};
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setTransferTimeout(30000);  // a server that stops sending ends the update, not the wait
  reply_ = inet1_->get(request);
  connect(reply_, &QNetworkReply::readyRead, this, &UpdaterWindow::received);
  connect(reply_, &QNetworkReply::finished, this, &UpdaterWindow::finished);
}

// The body as it comes, in chunks of at most 512 bytes: never more than the server said it would
// send, and never without end when it did not say.
void UpdaterWindow::received() {
  if (!reply_) return;
  const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid() && total_len == 0) {
    total_len = length.toLongLong();
    label_->setText(QStringLiteral("当前下载:%1  %2  (%3/%4)")
                        .arg(cur_name, size_text(total_len))
                        .arg(cur_index + 1)
                        .arg(name_items.size()));
  }
  while (reply_ && reply_->bytesAvailable() > 0) {
    const QByteArray chunk = reply_->read(512);
    got_ += chunk.size();
    if ((total_len > 0 && got_ > total_len) || got_ > kMaxUnsizedBytes || file_.write(chunk) != chunk.size())
      return fail();
    if (total_len > 0) bar_->setValue(static_cast<int>(std::min<qint64>(100, got_ * 100 / total_len)));
  }
}

void UpdaterWindow::finished() {
  if (!reply_) return;
  received();
  if (!reply_) return;
  const bool ok = reply_->error() == QNetworkReply::NoError &&
                  reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
  reply_->deleteLater();
  reply_ = nullptr;
  file_.close();
  // Short, empty, or not the file the list's sum names: the update stops and nothing is installed.
  const bool whole = ok && got_ > 0 && (total_len == 0 || got_ == total_len) &&
                     (list_.sums.isEmpty() || matches_sum(file_.fileName(), list_.sums.value(cur_index)));
  if (!whole) return fail();
  bar_->setValue(100);
  ++cur_index;
  if (cur_index < url_items.size()) return xzrw(url_items[cur_index], name_items[cur_index]);
  system_update();
}

void UpdaterWindow::fail() {
  if (reply_) {
    reply_->disconnect(this);
    reply_->abort();
    reply_->deleteLater();
    reply_ = nullptr;
  }
  file_.close();
  // What this run fetched is of no use without the rest.
  for (const QString& n : name_items) wj_del(program(QStringLiteral("src/")), n);
  timer1_.stop();
  platform::dialogs().message(kCommunication, kCaption, platform::Buttons::Ok);
  close();
  QCoreApplication::exit(1);
}

void UpdaterWindow::system_update() {
  if (cur_index < url_items.size()) return;
  // A replaced program keeps its permissions (the client stays runnable).
  for (const QString& n : name_items)
    if (QFile::exists(program(n)))
      QFile::setPermissions(program(QStringLiteral("src/")) + n, QFile::permissions(program(n)));
  if (!Installer(platform::program_folder()).install(name_items)) {
    platform::dialogs().message(QStringLiteral("升级未能完成，原来的版本保持不变。") + kCommunication, kCaption,
                                platform::Buttons::Ok);
    close();
    return QCoreApplication::exit(1);
  }
  // The installed version is the one the program folder now holds.
  config::setting_access(1, list_.version, config::kVersion);
  timer1_.stop();
  if (platform::dialogs().message(QStringLiteral("Morvane升级完成..是否打开Morvane？"), kCaption,
                                  platform::Buttons::OkCancel) == platform::Answer::Ok)
    platform::start_detached(program(QStringLiteral("vexa")));
  close();
  QCoreApplication::exit(0);
}

void UpdaterWindow::Timer1_Timer() {
  if (ticks < 10000) ++ticks;
  if (ticks < 10000) return;
  timer1_.stop();
  close();
  platform::start_detached(program(QStringLiteral("vexa")));
  QCoreApplication::exit(0);
}

}  // namespace updater
