#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

namespace corvane::test {

// Turns the event loop until the condition holds; generous, since the
// machine running the tests may be busy.
inline bool Eventually(const std::function<bool()>& condition, int patienceMs = 20000) {
  const QDeadlineTimer deadline(patienceMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  return true;
}

// Turns the event loop for a while, for things that must not happen.
inline void Settle(int ms) {
  const QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace corvane::test
