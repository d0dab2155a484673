#include "platform/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>

namespace platform {

namespace {

// The folder a dialog of this run chose last; the home folder before.
QString& last_folder() {
  static QString folder = QDir::homePath();
  return folder;
}

// The file model's columns as a Chinese reader expects them: Qt names the types in English
// ("Folder", "mp4 File") and writes dates in the system's locale, which need not be Chinese.
class ChineseColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files) return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (index.column() == 2) return type_of(files->fileInfo(source));
    if (index.column() == 3) return files->lastModified(source).toString(QStringLiteral("yyyy/M/d HH:mm"));
    return QIdentityProxyModel::data(index, role);
  }

 private:
  static QString type_of(const QFileInfo& info) {
    if (info.isDir()) return QStringLiteral("文件夹");
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("文件") : suffix + QStringLiteral(" 文件");
  }
};

QString run(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);  // the skin's dialog on every desktop
  dialog.setProxyModel(new ChineseColumns(&dialog));
  dialog.setDirectory(QDir(last_folder()).exists() ? last_folder() : QDir::homePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString chosen = dialog.selectedFiles().constFirst();
  const QFileInfo info(chosen);
  last_folder() = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
  return chosen;
}

}  // namespace

QString choose_file(QWidget* parent, const QString& filters) {
  QFileDialog dialog(parent, QString(), QString(), filters);
  dialog.setObjectName(QStringLiteral("OpenFile"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  return run(dialog);
}

QString choose_folder(QWidget* parent, const QString& title) {
  QFileDialog dialog(parent, title);
  dialog.setObjectName(QStringLiteral("PickFolder"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  return run(dialog);
}

}  // namespace platform
