#pragma once
#include <QString>
#include <QTemporaryDir>

// A fresh copy of the built program folder's data files in a temporary folder, made the program
// folder of this process; with a registry file and a log file of its own.
class ProgramFolder {
 public:
  // with_files: the data files of the program folder; with_programs: its programs and pictures too.
  explicit ProgramFolder(bool with_files = true, bool with_programs = false);
  ~ProgramFolder();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.path() + '/' + name; }
  QString log_text() const;
  static QString built_program_folder();          // MORVANE_BIN
  static QString test_tool(const QString& name);  // a helper program built beside the tests

 private:
  QTemporaryDir dir_;
};

// HOME, XDG folders, registry and log of the test tree; headless Qt. Called before Qt starts.
void use_test_environment();

QByteArray read_all(const QString& path);
void write_all(const QString& path, const QByteArray& bytes);
