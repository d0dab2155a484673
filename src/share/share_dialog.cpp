#include "share/share_dialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/settings.h"
#include "config/site.h"
#include "platform/dialogs.h"

namespace share {

QString group_number(int which) {
  const QString key = which == 1 ? QStringLiteral("qq_1") : QStringLiteral("qq_2");
  const QString configured =
      config::ini_read(QStringLiteral("sh_time"), key, QString(), config::settings_file()).trimmed();
  if (!configured.isEmpty()) return configured;
  return which == 1 ? QStringLiteral(MORVANE_GROUP_1) : QStringLiteral(MORVANE_GROUP_2);
}

// The lines the original separates with a carriage return; a line feed breaks a line here.
QString ShareDialog::label_text() {
  return QStringLiteral("Morvane  ") + config::setting_access(0, {}, config::kVersion) + '\n' + config::site_base() +
         '\n' + QStringLiteral("合作QQ群:") + group_number(1) + ' ' + '\n' + QStringLiteral("合作QQ群2:") +
         group_number(2);
}

QString ShareDialog::recommendation() {
  return QStringLiteral("hi") + QStringLiteral("\r\n") + QStringLiteral("这个软件不错") +
         QStringLiteral("更新快,有好多可以看的电影") + QStringLiteral("\r\n") + QStringLiteral("强力推!!!") +
         QStringLiteral("把地址发给你") + QStringLiteral("\r\n") + config::site_base();
}

ShareDialog::ShareDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("关于我们"));
  label1_ = new QLabel(label_text(), this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* close = new QPushButton(QStringLiteral("关闭"), this);
  close->setObjectName(QStringLiteral("Command1"));
  auto* copy = new QPushButton(QStringLiteral("推荐给朋友"), this);
  copy->setObjectName(QStringLiteral("Command2"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(copy);
  buttons->addWidget(close);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(20, 16, 20, 14);
  all->setSpacing(14);
  setMinimumWidth(320);
  all->addWidget(label1_, 1);
  all->addLayout(buttons);
  connect(close, &QPushButton::clicked, this, &ShareDialog::Command1_Click);
  connect(copy, &QPushButton::clicked, this, &ShareDialog::Command2_Click);
}

void ShareDialog::Command1_Click() { close(); }

void ShareDialog::Command2_Click() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setText(recommendation());
  platform::show_message(QStringLiteral("复制完成") + QStringLiteral("\r\n") +
                             QStringLiteral("您可以通过粘帖把信息通过邮箱，QQ,MSN，微博分享给您的朋友") +
                             QStringLiteral("\r\n") + QStringLiteral("Morvane感谢您的支持"),
                         QStringLiteral("关于我们"));
}

}  // namespace share
