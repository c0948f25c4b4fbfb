#include "core/second_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tabulox {
namespace {

// The task runs once, on another thread than its starter's, and is waited
// for by Join or else by the destructor.
TEST(SecondThread, RunsTheTaskOnceAndIsWaitedFor) {
  std::atomic<int> runs{0};
  std::thread::id ranOn;
  SecondThread thread;
  EXPECT_FALSE(thread.started());
  ASSERT_TRUE(thread.Start([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ranOn = std::this_thread::get_id();
    ++runs;
  }));
  EXPECT_TRUE(thread.started());
  thread.Join();
  EXPECT_FALSE(thread.started());
  EXPECT_EQ(runs, 1);
  EXPECT_NE(ranOn, std::this_thread::get_id());

  {
    SecondThread waited;
    ASSERT_TRUE(waited.Start([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ++runs;
    }));
  }
  EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace tabulox
