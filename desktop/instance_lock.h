// The lock that makes the desktop program one per configuration folder: an
// exclusive flock on "Tabulox.lock" beside the job file, held from before the
// program listens for later starts until its settings are written. The kernel
// lets go of it when the process ends in any way, so a program that died never
// blocks the next start, and one that hangs keeps it: no later start takes
// over a list that a program still holds.
#pragma once

#include <QString>

namespace tabulox {

// ConfigDir() + "Tabulox.lock". The file is never removed: removing it would
// let two programs hold locks on two different files of the same name.
QString InstanceLockPath();

class InstanceLock {
 public:
  enum class State {
    kHeld,         // this object holds the lock
    kHeldByOther,  // another open of the file holds it (another program, as a rule)
    kUnavailable,  // the file cannot be opened or locked (a read-only folder, say)
  };

  // Tries to take the lock on `path` without waiting; creates the file (0600)
  // when missing, not its folder.
  explicit InstanceLock(const QString& path);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  State state() const { return state_; }
  // Tries again when the lock is held elsewhere; the new state.
  State retry();

 private:
  void take();

  QString path_;
  int fd_ = -1;
  State state_ = State::kUnavailable;
};

}  // namespace tabulox
