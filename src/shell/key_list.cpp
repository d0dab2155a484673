#include "shell/key_list.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace shell {

const QList<KeyUse>& key_uses() {
  static const QList<KeyUse> uses = {
      {"空格", "播放/暂停"},          {"Esc", "全屏/退出全屏"},      {"← 或 ↑", "前一节目"},
      {"→ 或 ↓", "后一节目"},         {"J / L", "后退/前进 10 秒"},  {"Shift+J / Shift+L", "后退/前进 60 秒"},
      {"[ / ]", "减慢/加快播放速度"}, {"Backspace", "恢复正常速度"}, {"M", "静音/取消静音"},
      {"F1", "显示本窗口"},           {"双击画面", "全屏/退出全屏"}, {"右击画面", "播放器菜单"},
  };
  return uses;
}

KeyList::KeyList(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("KeyList"));
  setWindowTitle(QStringLiteral("快捷键"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* table = new QTableWidget(static_cast<int>(key_uses().size()), 2, this);
  table->setObjectName(QStringLiteral("keys"));
  table->setHorizontalHeaderLabels({QStringLiteral("按键"), QStringLiteral("作用")});
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  table->setFocusPolicy(Qt::NoFocus);
  for (int row = 0; row < table->rowCount(); ++row) {
    table->setItem(row, 0, new QTableWidgetItem(QString::fromUtf8(key_uses()[row].keys)));
    table->setItem(row, 1, new QTableWidgetItem(QString::fromUtf8(key_uses()[row].does)));
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table);
  layout->addWidget(buttons);
  const int rows_height = table->verticalHeader()->length() + table->horizontalHeader()->height();
  table->setMinimumHeight(rows_height + 2 * table->frameWidth());
  resize(360, sizeHint().height());
}

}  // namespace shell
