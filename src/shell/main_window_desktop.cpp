// What the desktop hands the client (files and addresses to play, by a drop or by another start),
// and the client's icon in the desktop's tray.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTimer>

#include "desktop/handed_addresses.h"
#include "desktop/mpris.h"
#include "engine/engine.h"
#include "history/play_flows.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "player/addresses.h"
#include "player/kandor.h"
#include "remote/play_data.h"
#include "session/session.h"
#include "shell/main_window.h"
#include "store/rowset.h"
#include "store/text_utils.h"

namespace shell {

namespace {

// The address as the player would take it, or why not.
QString refusal(const QString& address) {
  if (!remote::is_playable_address(address)) return remote::unplayable_message(address);
  if (player::is_local_address(address) && !address.contains(QLatin1String(":\\")) && !QFileInfo(address).isFile())
    return QStringLiteral("找不到文件：\r\n") + address;
  return {};
}

desktop::MediaState::Status status_of(int bzt) {
  using engine::PlayState;
  if (bzt == engine::code(PlayState::Paused)) return desktop::MediaState::Status::Paused;
  for (PlayState underway : {PlayState::Playing, PlayState::Buffering, PlayState::Waiting, PlayState::Reconnecting,
                             PlayState::FetchingSeed, PlayState::Connecting})
    if (bzt == engine::code(underway)) return desktop::MediaState::Status::Playing;
  return desktop::MediaState::Status::Stopped;
}

}  // namespace

void MainWindow::offer_media_controls() {
  desktop::MediaControl c;
  c.state = [this] {
    desktop::MediaState s;
    s.status = status_of(kandor_->bzt());
    if (s.status != desktop::MediaState::Status::Stopped) s.address = kandor_->furl();
    s.title = kandor_->fname();
    const int key = session_.play.hist_key;
    if (key != 0 && !s.address.isEmpty()) {
      s.album = session_.play.title_name;
      if (cover_key_ != QString::number(key)) {  // looked up once per title
        cover_key_ = QString::number(key);
        store::RowSet rs;
        rs.Open("select fm from det where keyID=" + store::number_literal(cover_key_));
        cover_url_ = rs.Eof() ? QString() : rs.text("fm");
      }
      s.art_url = cover_url_;
    }
    s.length_us = qint64(kandor_->bcd()) * 1'000'000;
    s.position_us = qint64(kandor_->bwz()) * 1'000'000;
    s.volume = kandor_->vol() / 100.0;
    s.can_next = kandor_->has_next();
    s.can_previous = kandor_->has_previous();
    return s;
  };
  c.raise = [this] { bring_to_front(); };
  c.quit = [this] { QTimer::singleShot(0, this, &MainWindow::ex); };  // after the reply has gone
  c.play_pause = [this] { items_.cz_1->trigger(); };
  c.stop = [this] { items_.cz_3->trigger(); };
  c.next = [this] { items_.cz_5->trigger(); };
  c.previous = [this] { items_.cz_4->trigger(); };
  c.seek_to = [this](qint64 us) { kandor_->seek_to(static_cast<int>(us / 1'000'000)); };
  c.set_volume = [this](double v) { kandor_->set_volume_level(static_cast<int>(std::lround(v * 100))); };
  c.open_uri = [this](const QString& uri) {
    open_addresses(desktop::addresses_from_arguments({uri}, QDir::homePath()));
  };
  mpris_ = new desktop::Mpris(std::move(c), this);
}

void MainWindow::bring_to_front() {
  if (isMinimized()) showNormal();
  else show();
  raise();
  activateWindow();
}

void MainWindow::open_addresses(const QStringList& addresses) {
  bring_to_front();
  QStringList playable;
  for (const QString& a : addresses) {
    const QString why = refusal(a);
    if (why.isEmpty()) playable << a;
    else platform::show_message(why, platform::app_title());
  }
  flows_->play_addresses(playable);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (desktop::drop_offers_addresses(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QStringList addresses = desktop::addresses_from_drop(event->mimeData());
  if (addresses.isEmpty()) return;
  event->acceptProposedAction();
  open_addresses(addresses);
}

QString tray_tip() {
  return platform::app_title() + QStringLiteral("(版本 %1.%2.%3)")
                                     .arg(MORVANE_VERSION_MAJOR)
                                     .arg(MORVANE_VERSION_MINOR)
                                     .arg(MORVANE_VERSION_REVISION);
}

// The tray icon comes once the list page has answered (the list is in sight, or the page is not the
// list), or a few seconds on: setting it up holds the first page back by about 25 ms.
void MainWindow::offer_tray_icon() {
  if (!tray_ && !tray_removed_) add_tray_icon();
}

void MainWindow::add_tray_icon() {
  tray_ = new QSystemTrayIcon(windowIcon(), this);
  tray_->setToolTip(tray_tip());
  tray_->setContextMenu(items_.fd);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) {
      if (isMinimized()) showNormal();
      else show();
      raise();
      activateWindow();
    } else if (why == QSystemTrayIcon::Context) {
      activateWindow();  // the menu that follows closes when the user clicks elsewhere
    }
  });
  tray_->show();
}

void MainWindow::remove_tray_icon() {
  tray_removed_ = true;
  if (!tray_) return;
  tray_->hide();
  tray_->disconnect(this);
  tray_->setContextMenu(nullptr);
  delete tray_;
  tray_ = nullptr;
}

}  // namespace shell
