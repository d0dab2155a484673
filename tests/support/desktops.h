#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "support/x_server.h"

// A desktop of the test's own for a child program: an X server (xcb), or a Wayland compositor
// (weston with its x11 backend on an X server of its own: the headless backend has no input seat,
// and Qt's Wayland plugin fails on the first click there). Both end with the test.
class Desktop {
 public:
  enum Kind { X11, Wayland };
  explicit Desktop(Kind kind, const QString& screen = QStringLiteral("1024x768x24"));
  ~Desktop();
  bool running() const { return running_; }
  QString name() const { return kind_ == X11 ? QStringLiteral("xcb") : QStringLiteral("wayland"); }
  // Environment entries that put a child on this desktop.
  QStringList env() const;

 private:
  Kind kind_;
  XServer x_;
  QTemporaryDir runtime_;
  QProcess weston_;
  QString socket_;
  bool running_ = false;
};

// A PulseAudio server of the test's own with one null sink (morvane_test), whose monitor can be
// recorded (record_sink). Ended by its pid with the test.
class SoundServer {
 public:
  SoundServer();
  ~SoundServer();
  bool running() const { return running_; }
  // Environment entries that send a child's sound here.
  QStringList env() const { return {"PULSE_SERVER=unix:" + socket_}; }

 private:
  QTemporaryDir dir_;
  QProcess daemon_;
  QString socket_;
  bool running_ = false;
};
