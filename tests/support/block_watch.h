#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

// The longest stretch the GUI thread went without running its event loop: a 1 ms timer's largest gap.
class BlockWatch : public QObject {
 public:
  BlockWatch() {
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, [this] {
      const qint64 now = clock_.nsecsElapsed();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void start() {
    clock_.start();
    last_ = 0;
    timer_.start();
  }
  double stop_ms() {
    timer_.stop();
    longest_ = std::max(longest_, clock_.nsecsElapsed() - last_);
    return longest_ / 1e6;
  }
  void reset() { longest_ = 0; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0, longest_ = 0;
};
