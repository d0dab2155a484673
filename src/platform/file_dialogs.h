#pragma once
#include <QString>

class QWidget;

namespace platform {

// The file and folder dialogs the user sees: Qt's own dialog in the client's skin, with its columns
// in Chinese (type names and dates), starting in the folder used last (the home folder at first).
// The chosen path, or "" when the user cancelled.
QString choose_file(QWidget* parent, const QString& filters);
QString choose_folder(QWidget* parent, const QString& title);

}  // namespace platform
