// Real message boxes, answered by a click on their button as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/dialogs.h"

namespace {

struct Seen {
  QStringList buttons;
  QWidget* parent = nullptr;
  QString title;
};

TEST(MessageBoxes, SpeakChineseAndSitOnTheMainWindow) {
  platform::Dialogs* scripted = platform::set_dialogs(nullptr);
  qunsetenv("MORVANE_DIALOG_LOG");
  platform::install_chinese_translations();
  QWidget window;
  window.resize(800, 600);
  window.show();
  platform::set_dialog_parent(&window);

  auto seen = std::make_shared<Seen>();
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll->stop();
    poll->deleteLater();
    for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
    seen->parent = box->parentWidget();
    seen->title = box->windowTitle();
    for (QAbstractButton* b : box->buttons())
      if (box->buttonRole(b) == QMessageBox::RejectRole) b->click();
  });
  poll->start(20);
  const platform::Answer a = platform::dialogs().message("发现新版本，是否升级?", "Morvane版本检测", platform::Buttons::OkCancel);

  EXPECT_EQ(a, platform::Answer::Cancel);
  seen->buttons.sort();
  EXPECT_EQ(seen->buttons, QStringList({"取消", "确定"}));
  EXPECT_EQ(seen->parent, &window);
  EXPECT_EQ(seen->title, "Morvane版本检测");
  platform::set_dialog_parent(nullptr);
  platform::set_dialogs(scripted);
}

}  // namespace
