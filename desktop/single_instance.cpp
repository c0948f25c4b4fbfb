#include "desktop/single_instance.h"

#include <QDeadlineTimer>
#include <QThread>

namespace tabulox {
namespace {

// Between two tries while the lock holder does not listen yet.
constexpr int kRetryPauseMs = 25;

}  // namespace

StartClaim ClaimOrHandOver(const QString& lockPath, const QString& serverName, const StartPaths& paths,
                           int limitMs) {
  StartClaim claim;
  claim.lock = std::make_unique<InstanceLock>(lockPath);
  const QDeadlineTimer deadline(limitMs);
  for (;;) {
    const InstanceLock::State state = claim.lock->retry();
    if (state == InstanceLock::State::kHeld) return claim;
    const int remaining = static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1));
    switch (HandOverToRunningInstance(serverName, paths, remaining)) {
      case HandOverResult::kHandedOver:
        claim.role = StartRole::kHandedOver;
        claim.lock.reset();
        return claim;
      case HandOverResult::kRefused:
        claim.role = StartRole::kRefused;
        claim.lock.reset();
        return claim;
      case HandOverResult::kNoAnswer:
      case HandOverResult::kNotListening:
      case HandOverResult::kNotSafe:
        break;
    }
    // Without a lock to go by (a read-only configuration folder), the
    // program runs as it can when nobody answers.
    if (state == InstanceLock::State::kUnavailable) return claim;
    if (deadline.hasExpired()) {
      claim.role = StartRole::kNotReached;
      claim.lock.reset();
      return claim;
    }
    QThread::msleep(kRetryPauseMs);
  }
}

QString NotReachedMessage(int limitMs) {
  return QStringLiteral(
             "KV-Tabulox is already running for this configuration folder, but it did not answer within %1 "
             "seconds. No second window is opened; the files of this start were not added. Try again when "
             "the running program answers, or end it.")
      .arg(limitMs / 1000);
}

QString RefusedMessage() {
  return QStringLiteral(
      "KV-Tabulox is already running, but it has too many files from other starts waiting to be added. "
      "The files of this start were not added; try again when it has taken them.");
}

}  // namespace tabulox
