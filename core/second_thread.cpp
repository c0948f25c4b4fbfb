#include "core/second_thread.h"

#include <system_error>
#include <utility>

namespace tabulox {

bool SecondThread::Start(std::function<void()> task) {
  Join();
  try {
    thread_ = std::thread(std::move(task));
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void SecondThread::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace tabulox
