#include "second_thread.h"

#include <sched.h>

#include <cerrno>
#include <cstddef>
#include <system_error>
#include <utility>

namespace tabulox {
namespace {

struct Start {
  std::function<void()> work;
  cpu_set_t allowed;
  bool restoreAllowed = false;
};

void* RunWork(void* argument) {
  const std::unique_ptr<Start> start(static_cast<Start*>(argument));
  if (start->restoreAllowed)
    pthread_setaffinity_np(pthread_self(), sizeof start->allowed, &start->allowed);
  start->work();
  return nullptr;
}

// Narrows `attributes` to the processors the caller may run on other than the
// one it runs on now; false (the attributes left alone) where there is no
// other or the system does not tell.
bool AvoidStartersProcessor(pthread_attr_t& attributes, const cpu_set_t& allowed) {
  cpu_set_t others;
  return ProcessorsBesides(allowed, sched_getcpu(), others) &&
         pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
}

}  // namespace

bool ProcessorsBesides(const cpu_set_t& allowed, int current, cpu_set_t& others) {
  if (current < 0 || current >= CPU_SETSIZE) return false;
  const auto processor = static_cast<std::size_t>(current);
  if (!CPU_ISSET(processor, &allowed) || CPU_COUNT(&allowed) < 2) return false;
  others = allowed;
  CPU_CLR(processor, &others);
  return true;
}

SecondThread::SecondThread(std::function<void()> work) {
  auto start = std::make_unique<Start>();
  start->work = std::move(work);
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) throw std::system_error(EAGAIN, std::generic_category());
  if (sched_getaffinity(0, sizeof start->allowed, &start->allowed) == 0)
    start->restoreAllowed = AvoidStartersProcessor(attributes, start->allowed);
  int result = pthread_create(&thread_, &attributes, RunWork, start.get());
  if (result != 0 && start->restoreAllowed) {
    // A processor set the system refuses: start it as any thread.
    start->restoreAllowed = false;
    pthread_attr_destroy(&attributes);
    pthread_attr_init(&attributes);
    result = pthread_create(&thread_, &attributes, RunWork, start.get());
  }
  pthread_attr_destroy(&attributes);
  if (result != 0) throw std::system_error(result, std::generic_category(), "thread start");
  start.release();  // the thread owns it now
  joinable_ = true;
}

SecondThread::SecondThread(SecondThread&& other) noexcept
    : thread_(other.thread_), joinable_(std::exchange(other.joinable_, false)) {}

SecondThread& SecondThread::operator=(SecondThread&& other) noexcept {
  if (this != &other) {
    if (joinable_) join();
    thread_ = other.thread_;
    joinable_ = std::exchange(other.joinable_, false);
  }
  return *this;
}

SecondThread::~SecondThread() {
  if (joinable_) join();
}

void SecondThread::join() {
  if (!joinable_) return;
  pthread_join(thread_, nullptr);
  joinable_ = false;
}

}  // namespace tabulox
