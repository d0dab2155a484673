#include "support/program_folder.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "platform/paths.h"

QString ProgramFolder::built_program_folder() { return QStringLiteral(MORVANE_BIN); }

QString ProgramFolder::test_tool(const QString& name) { return QStringLiteral(MORVANE_TEST_TOOLS "/") + name; }

void use_test_environment() {
  const QByteArray home = MORVANE_TEST_HOME;
  qputenv("HOME", home);
  qputenv("XDG_CONFIG_HOME", home + "/config");
  qputenv("XDG_STATE_HOME", home + "/state");
  qputenv("XDG_CACHE_HOME", home + "/cache");
  qputenv("XDG_RUNTIME_DIR", home + "/runtime");
  QDir().mkpath(QString::fromUtf8(home + "/runtime"));
  QFile::setPermissions(QString::fromUtf8(home + "/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  // Clients started by different tests side by side are not one user's second starts.
  qputenv("MORVANE_INSTANCE_SOCKET",
          home + "/runtime/client-" + QByteArray::number(QCoreApplication::applicationPid()) + ".socket");
  qputenv("MORVANE_REGISTRY", home + "/registry.ini");
  qputenv("MORVANE_LOG", home + "/morvane.log");
  // A program a test starts never powers the machine off: such a command only goes to this file.
  qputenv("MORVANE_SYSTEM_COMMANDS_LOG", home + "/system-commands.log");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // No test's sound reaches (or starts) a sound server of the machine: tests that hear sound start their own.
  qputenv("PULSE_SERVER", "unix:" + home + "/runtime/no-sound-server");
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
  qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
}

ProgramFolder::ProgramFolder(bool with_files, bool with_programs) {
  const QString from = built_program_folder();
  if (with_files) {
    QDir().mkpath(file("play"));
    QDir().mkpath(file("images"));
    // Settings, database and engine settings as shipped, whatever runs of the programs made of build/bin.
    for (const char* name : {"vexa.ini", "mydb.mdb"})
      EXPECT_TRUE(QFile::copy(QStringLiteral(MORVANE_SHIPPED "/") + name, file(name))) << name;
    EXPECT_TRUE(QFile::copy(QStringLiteral(MORVANE_ASSETS "/QvodCfg.ini"), file("play/QvodCfg.ini")));
    for (const char* name : {"Skinh.she", "muban.htm", "ljbf.jpg", "bfzx.jpg"})
      EXPECT_TRUE(QFile::copy(from + '/' + name, file(name))) << name;
    for (const QString& image : QDir(from + "/images").entryList(QDir::Files))
      QFile::copy(from + "/images/" + image, file("images/" + image));
  }
  if (with_programs) {
    for (const char* name : {"vexa", "update"}) EXPECT_TRUE(QFile::copy(from + '/' + name, file(name))) << name;
  }
  platform::set_program_folder(path());
  qputenv("MORVANE_REGISTRY", file("registry.ini").toUtf8());
  qputenv("MORVANE_LOG", file("morvane.log").toUtf8());
}

ProgramFolder::~ProgramFolder() { platform::set_program_folder(QString()); }

QString ProgramFolder::log_text() const { return QString::fromUtf8(read_all(file("morvane.log"))); }

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write_all(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  f.write(bytes);
}
