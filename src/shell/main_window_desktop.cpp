// What the desktop hands the client: files and addresses to play, by a drop or by another start.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

#include "desktop/handed_addresses.h"
#include "history/play_flows.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "player/addresses.h"
#include "remote/play_data.h"
#include "shell/main_window.h"

namespace shell {

namespace {

// The address as the player would take it, or why not.
QString refusal(const QString& address) {
  if (!remote::is_playable_address(address)) return remote::unplayable_message(address);
  if (player::is_local_address(address) && !address.contains(QLatin1String(":\\")) && !QFileInfo(address).isFile())
    return QStringLiteral("找不到文件：\r\n") + address;
  return {};
}

}  // namespace

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

}  // namespace shell
