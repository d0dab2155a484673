// Real message boxes, answered by a click on their button as a user would.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/dialogs.h"
#include "platform/file_dialogs.h"
#include "support/program_folder.h"
#include "support/wait.h"

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
  const platform::Answer a =
      platform::dialogs().message("发现新版本，是否升级?", "Morvane版本检测", platform::Buttons::OkCancel);

  EXPECT_EQ(a, platform::Answer::Cancel);
  seen->buttons.sort();
  EXPECT_EQ(seen->buttons, QStringList({"取消", "确定"}));
  EXPECT_EQ(seen->parent, &window);
  EXPECT_EQ(seen->title, "Morvane版本检测");
  platform::set_dialog_parent(nullptr);
  platform::set_dialogs(scripted);
}

// The open-file dialog as the user sees it, read while it is up and then answered with a file.
struct FileDialogSeen {
  QString start;
  QMap<QString, QStringList> rows;  // name -> type, date
};

void read_file_dialog(QFileDialog* dialog, FileDialogSeen* seen, const QString& go_to) {
  seen->start = dialog->directory().absolutePath();
  dialog->setDirectory(go_to);
  QAbstractProxyModel* files = dialog->proxyModel();
  auto* source = files ? qobject_cast<QFileSystemModel*>(files->sourceModel()) : nullptr;
  if (!source) return;
  const QModelIndex root = files->mapFromSource(source->index(go_to));
  wait_until([&] { return files->rowCount(root) >= 2; }, 5000);
  for (int r = 0; r < files->rowCount(root); ++r)
    seen->rows[files->index(r, 0, root).data().toString()] = {files->index(r, 2, root).data().toString(),
                                                              files->index(r, 3, root).data().toString()};
}

// Once the dialog is up: read it, then choose the file as the user would (its name, then 打开).
void answer_file_dialog(FileDialogSeen* seen, const QString& go_to, const QString& choose) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [=] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll->stop();
    poll->deleteLater();
    read_file_dialog(dialog, seen, go_to);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(choose);  // typed into its name box
    QMetaObject::invokeMethod(dialog, "accept");
  });
  poll->start(20);
}

TEST(FileDialogs, SpeakChineseInEveryColumnAndStartWhereTheUserWasLast) {
  QTemporaryDir films;
  QDir(films.path()).mkdir("剧集");
  write_all(films.path() + "/a.mp4", "x");
  FileDialogSeen first, second;
  answer_file_dialog(&first, films.path(), "a.mp4");
  EXPECT_EQ(platform::choose_file(nullptr, "所有文件 (*)"), films.path() + "/a.mp4");
  EXPECT_EQ(first.start, QDir::homePath());
  EXPECT_EQ(first.rows.value("剧集").value(0), "文件夹");
  EXPECT_EQ(first.rows.value("a.mp4").value(0), "mp4 文件");
  static const QRegularExpression date("^\\d{4}/\\d{1,2}/\\d{1,2} \\d\\d:\\d\\d$");
  EXPECT_TRUE(date.match(first.rows.value("a.mp4").value(1)).hasMatch())
      << first.rows.value("a.mp4").value(1).toStdString();
  answer_file_dialog(&second, films.path(), "a.mp4");
  platform::choose_file(nullptr, "所有文件 (*)");
  EXPECT_EQ(second.start, films.path());
}

}  // namespace
