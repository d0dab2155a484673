#pragma once
#include <QString>

namespace platform {

// Folder of the running executable; every file "in the program folder" lies here.
QString program_folder();
// Tests and tools that work on a program folder other than their own.
void set_program_folder(const QString& folder);
// program_folder() + "/" + name
QString program_file(const QString& name);

// ~/.local/state/morvane (XDG_STATE_HOME honoured); created on demand.
QString state_folder();

// The application title used as caption of plain messages and in the tray tip.
inline QString app_title() { return QStringLiteral("Morvane"); }

}  // namespace platform
