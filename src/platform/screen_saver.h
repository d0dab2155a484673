#pragma once
#include <QString>

namespace platform {

// The session's screen saver, kept away while the client runs: org.freedesktop.ScreenSaver's
// Inhibit and UnInhibit on the session bus, where the session offers them (else nothing happens).
class ScreenSaverInhibitor {
 public:
  ~ScreenSaverInhibitor() { release(); }
  bool hold(const QString& why);  // true when the session took the request
  void release();
  bool holding() const { return held_; }

 private:
  unsigned cookie_ = 0;
  bool held_ = false;
};

}  // namespace platform
