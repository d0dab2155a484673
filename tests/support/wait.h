#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

// Lets events run until the condition holds or the time is up; whether it holds.
template <typename Condition>
bool wait_until(Condition done, int timeout_ms = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

inline void settle(int ms = 50) {
  wait_until([] { return false; }, ms);
}
