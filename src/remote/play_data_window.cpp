#include "remote/play_data_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/terminal_client.h"
#include "platform/dialogs.h"
#include "platform/log.h"
#include "platform/transfer.h"
#include "platform/trap.h"
#include "remote/play_data.h"

namespace remote {

namespace {
const QString kCaption = QStringLiteral("打开远程文件");
}

PlayDataWindow::PlayDataWindow(PlayDataHost host, QWidget* parent)
    : QWidget(parent, Qt::Dialog), host_(std::move(host)) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(kCaption);
  auto* frame = new QGroupBox(QStringLiteral("请输入文件路径"), this);
  text1_ = new QLineEdit(frame);
  text1_->setObjectName(QStringLiteral("Text1"));
  command1_ = new QPushButton(QStringLiteral("播放文件"), frame);
  command1_->setObjectName(QStringLiteral("Command1"));
  auto* row = new QHBoxLayout(frame);
  row->addWidget(text1_, 1);
  row->addWidget(command1_);
  (new QVBoxLayout(this))->addWidget(frame);
  resize(480, 90);
  connect(command1_, &QPushButton::clicked, this, &PlayDataWindow::Command1_Click);
  connect(text1_, &QLineEdit::returnPressed, this, &PlayDataWindow::Command1_Click);
  text1_->setText(QGuiApplication::clipboard()->text());
}

void PlayDataWindow::Command1_Click() {
  const QString text = text1_->text().trimmed();
  // Whatever the page or the player does, the window closes and the client goes on.
  if (!text.isEmpty()) platform::trap("Command1_Click", [&] { play_entered(text); });
  close();
}

void PlayDataWindow::play_entered(const QString& text) {
  if (text.contains(QLatin1String("pd77"))) {
    const QString address = nj_cl(text);
    if (address.isEmpty()) {
      platform::show_message(QStringLiteral("无法从该页面取得播放地址：") + failure_, kCaption);
      return;
    }
    if (host_.bring_main_window_back) host_.bring_main_window_back();
    if (host_.play) host_.play(address);
  } else if (!is_playable_address(text)) {
    platform::show_message(unplayable_message(text), kCaption);
  } else {
    if (host_.play) host_.play(text);
  }
}

QString PlayDataWindow::fetch(const QString& address) {
  platform::Transfer inet1;
  inet1.set_timeout_ms(fetch_timeout_ms);
  const QByteArray body = inet1.open_url(address);
  // A reply cut off or timed out (its status may be 200 all the same) is one that could not be read.
  if (!inet1.last_whole()) {
    failure_ = QStringLiteral("无法读取 ") + address;
    return {};
  }
  return QString::fromUtf8(body);
}

QString PlayDataWindow::nj_cl(const QString& page_address) {
  failure_.clear();
  const QString caption = command1_->text();
  command1_->setText(QStringLiteral("处理中..."));
  command1_->setEnabled(false);
  QString address;
  const QUrl page_url(page_address);
  const bool web = page_url.scheme() == QLatin1String("http") || page_url.scheme() == QLatin1String("https");
  if (!web) failure_ = QStringLiteral("不是网页地址");
  const QString page = web ? fetch(page_address) : QString();
  if (failure_.isEmpty()) {
    const QString name = script_name(page);
    if (name.isEmpty()) {
      failure_ = QStringLiteral("页面中没有播放数据");
    } else {
      const QString script = fetch(playdata_base() + QStringLiteral("/playdata") + name + QStringLiteral(".js"));
      if (failure_.isEmpty() && (address = play_address(script, QDateTime::currentDateTime())).isEmpty())
        failure_ = QStringLiteral("播放数据中没有qvod地址");
    }
  }
  if (!failure_.isEmpty())
    platform::log_failure(QStringLiteral("nj_cl"), page_address + QStringLiteral(": ") + failure_);
  command1_->setText(caption);
  command1_->setEnabled(true);
  return address;
}

void PlayDataWindow::closeEvent(QCloseEvent* event) {
  if (!engine::TerminalClient().running() && host_.start_terminal) host_.start_terminal();
  event->accept();
}

}  // namespace remote
