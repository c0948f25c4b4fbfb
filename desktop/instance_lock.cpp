#include "desktop/instance_lock.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "desktop/global_settings.h"

namespace tabulox {

QString InstanceLockPath() { return ConfigDir() + QStringLiteral("Tabulox.lock"); }

InstanceLock::InstanceLock(const QString& path) : path_(path) { take(); }

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

InstanceLock::State InstanceLock::retry() {
  if (state_ == State::kHeldByOther) take();
  return state_;
}

void InstanceLock::take() {
  if (fd_ < 0) {
    // Close-on-exec: a program launched from the window must not keep the lock.
    fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
      state_ = State::kUnavailable;
      return;
    }
  }
  int result;
  do {
    result = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) state_ = State::kHeld;
  else state_ = errno == EWOULDBLOCK ? State::kHeldByOther : State::kUnavailable;
}

}  // namespace tabulox
