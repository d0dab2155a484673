// The main window's side of the other windows: the cache manager, the play-data lookup and the
// about window, each opened from its menu item (and the player's menu, through the same items).
#include <QAction>
#include <QLineEdit>

#include "cache/cache_manager_window.h"
#include "history/history_store.h"
#include "history/play_flows.h"
#include "platform/dialogs.h"
#include "player/kandor.h"
#include "remote/play_data_window.h"
#include "share/share_dialog.h"
#include "shell/main_window.h"

namespace shell {

namespace {

// A window of the client's own: deleted when it closes, and remembered (its pointer clears then).
template <typename Window>
Window* adopt(QPointer<QWidget>& slot, Window* window) {
  window->setAttribute(Qt::WA_DeleteOnClose);
  slot = window;
  return window;
}

// The user types into the window's address or folder box first.
void focus_box(QWidget* window) {
  if (auto* text1 = window->findChild<QLineEdit*>(QStringLiteral("Text1"))) text1->setFocus();
}

}  // namespace

void MainWindow::wire_other_windows() {
  connect(items_.fd_2, &QAction::triggered, this, &MainWindow::fd_2);
  connect(items_.hcgl, &QAction::triggered, this, &MainWindow::hcgl_Click);
  connect(items_.bz_2, &QAction::triggered, this, &MainWindow::bz_2);
  connect(items_.bz_1, &QAction::triggered, this, &MainWindow::check_version);
}

void MainWindow::hcgl_Click() {
  if (kandor_->bzt() != 0) {
    if (platform::dialogs().message(QStringLiteral("缓存管理系统将要停止当前播放任务，是否打开?"),
                                    QStringLiteral("Morvane缓存管理"),
                                    platform::Buttons::OkCancel) != platform::Answer::Ok)
      return;
    kandor_->q_stop();
  }
  if (cache_window_) cache_window_->close();  // a second opening replaces the first
  cache::CacheHost host;
  host.player = kandor_;
  host.play = [this](const QString& url, int mo, const QVariant& jd) { flows_->ss_play(url, mo, jd); };
  host.play_episode = [this](int detail_id, const QString& url, int position) {
    flows_->play_catalogue_episode(detail_id, url, position);
  };
  auto* window = adopt(cache_window_, new cache::CacheManagerWindow(std::move(host), this));
  window->load();
  focus_box(window);
}

void MainWindow::fd_2() {
  if (play_data_window_) play_data_window_->close();
  remote::PlayDataHost host;
  host.bring_main_window_back = [this] {
    if (isMinimized()) showNormal();
    else show();
  };
  host.start_terminal = [this] { zrqv(); };
  host.play = [this](const QString& address) {
    history_->hist_record(address, 0);
    flows_->ss_play(address, 0, 0);
  };
  auto* window = adopt(play_data_window_, new remote::PlayDataWindow(std::move(host), this));
  window->show();
  focus_box(window);
}

void MainWindow::bz_2() {
  if (!share_dialog_) adopt(share_dialog_, new share::ShareDialog(this));
  share_dialog_->show();
  share_dialog_->raise();
}

}  // namespace shell
