#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// A child process run to its end with extra environment; what it printed and how it ended.
struct ChildResult {
  int exit_code = -1;
  bool crashed = false;
  QString out;
};

ChildResult run_child(const QString& program, const QStringList& args, const QStringList& env = {},
                      int timeout_ms = 20000);

// Copies a program under a new file name (its image name) into folder; returns the copy's path.
QString copy_program(const QString& program, const QString& folder, const QString& new_name);

// The child gets SIGTERM when this process ends, however it ends (a crashed test leaves no server).
void end_with_parent(QProcess& p);
