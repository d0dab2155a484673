#pragma once
#include <QApplication>

namespace platform {

// The programs' application object: whatever fails inside an event handler is logged with the
// receiver's name and the program goes on, as the error trap of every routine promises. (A
// routine's own trap comes first; this is the last line, for a hole that one has missed.)
class TrappedApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace platform
