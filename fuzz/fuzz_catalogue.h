#pragma once
// A copy of the shipped catalogue in a folder of the run's own, as the program's folder, with the
// store's connection open on it and the dialogs answered by script (a fuzz target shows no window).
#include <QFile>
#include <QTemporaryDir>

#include "platform/dialogs.h"
#include "platform/paths.h"
#include "store/connection.h"

struct FuzzCatalogue {
  QTemporaryDir folder;
  platform::ScriptedDialogs dialogs;
  store::Connection connection;

  FuzzCatalogue() {
    qputenv("MORVANE_LOG", folder.filePath(QStringLiteral("morvane.log")).toUtf8());
    platform::set_program_folder(folder.path());
    const QString path = platform::program_file(QStringLiteral("mydb.mdb"));
    QFile::copy(QStringLiteral(MORVANE_SHIPPED "/mydb.mdb"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    platform::set_dialogs(&dialogs);
    store::use_connection(&connection);
    connection.open(path);
  }
};
