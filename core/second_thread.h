// A task run on a thread of its own, beside the thread that starts it.
#pragma once

#include <functional>
#include <thread>

namespace tabulox {

class SecondThread {
 public:
  SecondThread() = default;
  SecondThread(const SecondThread&) = delete;
  SecondThread& operator=(const SecondThread&) = delete;
  // Waits for the task, if it was not waited for yet.
  ~SecondThread() { Join(); }

  // Starts `task` on a new thread and gives true. Gives false where no thread
  // can be started (a process limit): the task is not run, and the caller
  // does its work on its own thread instead.
  bool Start(std::function<void()> task);

  // Whether a task was started and not yet waited for.
  bool started() const { return thread_.joinable(); }

  // Waits for the task to end.
  void Join();

 private:
  std::thread thread_;
};

}  // namespace tabulox
