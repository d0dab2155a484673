#pragma once
#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

// An X server of the test's own (Xvfb on a free display), for real windows, real modal boxes,
// screenshots and xdotool; it ends with the test.
class XServer {
 public:
  // The server never starts over when its last client goes: one that did would refuse a client
  // connecting just then (Qt ends such a client: no platform plugin), as when a test starts the
  // program again right after its previous run ended.
  explicit XServer(const QString& screen = QStringLiteral("1280x800x24"));
  ~XServer();
  bool running() const { return !display_.isEmpty(); }
  QString display() const { return display_; }
  // Environment entries for a child that should use this server.
  QStringList env() const { return {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb"}; }
  // xdotool with these arguments on this server; what it printed.
  QString xdotool(const QStringList& args) const;
  // The ids of the mapped windows whose name matches the pattern (a regular expression).
  QStringList windows_named(const QString& pattern) const;
  // The user's hand: a click at a point of the screen, keys pressed one after the other.
  void click(int x, int y, int button = 1) const;
  void keys(const QStringList& names) const;
  // The windows inside a window ("root": the top-level ones), with their places on the screen.
  QList<QRect> children(const QString& window) const;
  // A picture of the whole screen into path (PNG).
  bool screenshot(const QString& path) const;

 private:
  QString run(const QString& program, const QStringList& args) const;
  QProcess server_;
  QString display_;
};
