#include "support/x_server.h"

#include <QFile>
#include <QProcessEnvironment>

#include "support/child.h"

XServer::XServer(const QString& screen) {
  end_with_parent(server_);
  server_.start("Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"});
  if (!server_.waitForStarted(5000)) return;
  // The server writes its display number to the descriptor it was given once it accepts clients.
  for (int waited = 0; waited < 100 && !server_.canReadLine(); ++waited) server_.waitForReadyRead(100);
  const QString number = QString::fromLatin1(server_.readLine()).trimmed();
  if (!number.isEmpty()) display_ = ':' + number;
}

XServer::~XServer() {
  server_.terminate();
  if (!server_.waitForFinished(3000)) server_.kill();
  server_.waitForFinished();
}

QString XServer::run(const QString& program, const QStringList& args) const {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", display_);
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForFinished(10000)) p.kill();
  return QString::fromUtf8(p.readAllStandardOutput());
}

QString XServer::xdotool(const QStringList& args) const { return run("xdotool", args); }

QStringList XServer::windows_named(const QString& pattern) const {
  return xdotool({"search", "--onlyvisible", "--name", pattern}).split('\n', Qt::SkipEmptyParts);
}

bool XServer::screenshot(const QString& path) const {
  run("import", {"-window", "root", path});
  return QFile::exists(path);
}
