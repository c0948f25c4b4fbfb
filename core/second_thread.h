// A thread that takes half of a piece of work while the thread that starts it
// does the other half.
//
// Some kernels place a thread that has just been started on the processor of
// the thread that started it and move it to an idle one only later: while the
// starter goes on with its half, the new thread can wait milliseconds before
// it first runs. A SecondThread is therefore started on another processor
// than its starter's; once it runs, it may run on any processor again.
#pragma once

#include <pthread.h>
#include <sched.h>

#include <functional>
#include <memory>

namespace tabulox {

// The processors of `allowed` but `current` (the caller's), in `others`; false
// when `current` is not among them or is the only one.
bool ProcessorsBesides(const cpu_set_t& allowed, int current, cpu_set_t& others);

class SecondThread {
 public:
  SecondThread() = default;
  // Starts `work` on a new thread. Raises std::system_error when no thread
  // can be started (a process limit), as std::thread does.
  explicit SecondThread(std::function<void()> work);
  SecondThread(SecondThread&& other) noexcept;
  SecondThread& operator=(SecondThread&& other) noexcept;
  SecondThread(const SecondThread&) = delete;
  SecondThread& operator=(const SecondThread&) = delete;
  // Waits for the work, if it was not waited for yet.
  ~SecondThread();

  bool joinable() const { return joinable_; }
  // Waits for the work to end.
  void join();

 private:
  pthread_t thread_{};
  bool joinable_ = false;
};

}  // namespace tabulox
