#pragma once
// A catalogue of the shipped schema in a folder of the run's own, as the program's folder, with the
// store's connection open on it and the dialogs answered by script (a fuzz target shows no window).
#include <sqlite3.h>

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
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    QFile schema(QStringLiteral(MORVANE_SCHEMA));
    schema.open(QIODevice::ReadOnly);
    sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    platform::set_dialogs(&dialogs);
    store::use_connection(&connection);
    connection.open(path);
  }
};
