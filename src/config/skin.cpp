#include "config/skin.h"

#include <QApplication>
#include <QFile>

#include "platform/paths.h"

namespace config {

void skin_attach() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  QFile file(platform::program_folder() + QStringLiteral("/Skinh.she"));
  if (!app || !file.open(QIODevice::ReadOnly)) return;
  app->setStyleSheet(QString::fromUtf8(file.readAll()));
}

}  // namespace config
