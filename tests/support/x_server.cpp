#include "support/x_server.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

#include "support/child.h"

XServer::XServer(const QString& screen) {
  end_with_parent(server_);
  const QStringList args{"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
  server_.start("Xvfb", args);
  if (!server_.waitForStarted(5000)) return;
  // The server writes its display number to the descriptor it was given once it accepts clients.
  for (int waited = 0; waited < 100 && !server_.canReadLine(); ++waited) server_.waitForReadyRead(100);
  const QString number = QString::fromLatin1(server_.readLine()).trimmed();
  if (number.isEmpty()) return;
  display_ = ':' + number;
  // Ready when a client gets an answer from it.
  for (int tries = 0; tries < 50 && !run("xdotool", {"getdisplaygeometry"}).contains(' '); ++tries)
    QThread::msleep(100);
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

void XServer::click(int x, int y, int button) const {
  xdotool({"mousemove", QString::number(x), QString::number(y)});
  xdotool({"mousedown", QString::number(button)});
  QThread::msleep(60);  // a hand's click, not an instant one
  xdotool({"mouseup", QString::number(button)});
}

void XServer::keys(const QStringList& names) const {
  for (const QString& k : names) xdotool({"key", k});
}

QList<QRect> XServer::children(const QString& window) const {
  // xwininfo: "0x... (has no name): ()  550x371+5+57  +5+57" (size, place in the parent, place on screen)
  static const QRegularExpression line(QStringLiteral("(\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)"));
  QList<QRect> found;
  const QString out = window == QLatin1String("root") ? run("xwininfo", {"-children", "-root"})
                                                      : run("xwininfo", {"-children", "-id", window});
  for (auto it = line.globalMatch(out.section("child", 1)); it.hasNext();) {
    const auto m = it.next();
    found << QRect(m.captured(3).toInt(), m.captured(4).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
  }
  return found;
}

bool XServer::screenshot(const QString& path) const {
  run("import", {"-window", "root", path});
  return QFile::exists(path);
}
