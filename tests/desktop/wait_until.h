// Lets the event loop run until a condition holds: runs and folder scans go
// on in the background and report back through queued signals.
#pragma once

#include <QDeadlineTimer>
#include <QTest>
#include <functional>

namespace tabulox::testing {

// True once `done` holds; false when `timeoutMs` passed first.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(2);
  }
  return true;
}

}  // namespace tabulox::testing
