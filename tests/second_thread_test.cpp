#include "second_thread.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <utility>

namespace tabulox {
namespace {

cpu_set_t Processors(std::initializer_list<int> numbers) {
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int n : numbers) CPU_SET(static_cast<std::size_t>(n), &set);
  return set;
}

TEST(ProcessorsBesides, LeavesOutTheCallersProcessorOnly) {
  cpu_set_t others;
  ASSERT_TRUE(ProcessorsBesides(Processors({0, 1, 3}), 1, others));
  const cpu_set_t expected = Processors({0, 3});
  EXPECT_TRUE(CPU_EQUAL(&others, &expected));
  // Nothing to narrow to: one processor, or a caller outside the set, or none told.
  EXPECT_FALSE(ProcessorsBesides(Processors({2}), 2, others));
  EXPECT_FALSE(ProcessorsBesides(Processors({0, 1}), 2, others));
  EXPECT_FALSE(ProcessorsBesides(Processors({0, 1}), -1, others));
  EXPECT_FALSE(ProcessorsBesides(Processors({0, 1}), CPU_SETSIZE, others));
}

// The work runs once and is waited for, by join or by the destructor; once
// running, the thread may use every processor its starter may.
TEST(SecondThread, RunsTheWorkWithTheStartersProcessors) {
  cpu_set_t starters;
  ASSERT_EQ(sched_getaffinity(0, sizeof starters, &starters), 0);
  std::atomic<int> runs{0};
  cpu_set_t seen;
  CPU_ZERO(&seen);
  SecondThread thread([&] {
    sched_getaffinity(0, sizeof seen, &seen);
    ++runs;
  });
  EXPECT_TRUE(thread.joinable());
  thread.join();
  EXPECT_FALSE(thread.joinable());
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(CPU_EQUAL(&seen, &starters));

  {
    SecondThread moved;
    moved = SecondThread([&] { ++runs; });
    SecondThread other(std::move(moved));
    EXPECT_FALSE(moved.joinable());
  }
  EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace tabulox
