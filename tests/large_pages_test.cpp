#include "large_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tabulox {
namespace {

constexpr std::size_t kLargePage = 2u << 20;
constexpr std::size_t kBookkeeping = 32;

// Room from 1 MiB on is rounded so that the allocation, bookkeeping
// included, is a whole number of large pages, never less than asked for;
// smaller room is taken as asked.
TEST(LargePageCapacity, FillsWholeLargePagesFromOneMebibyteOn) {
  for (const std::size_t elementSize : {std::size_t{1}, std::size_t{8}, std::size_t{12}, std::size_t{24}}) {
    for (const std::size_t extra : {std::size_t{0}, std::size_t{1}}) {
      for (const std::size_t bytes : {std::size_t{100}, std::size_t{200'000}, std::size_t{1'100'000},
                                      kLargePage - 40, kLargePage, 5 * kLargePage + 7,
                                      std::size_t{1} << 30}) {
        const std::size_t count = bytes / elementSize;
        const std::size_t capacity = LargePageCapacity(count, elementSize, extra);
        SCOPED_TRACE(testing::Message() << elementSize << " " << extra << " " << bytes);
        ASSERT_GE(capacity, count);
        const std::size_t allocated = capacity * elementSize + extra + kBookkeeping;
        if (count * elementSize + extra + kBookkeeping < kSmallestRoundedRoom) {
          EXPECT_EQ(capacity, count);
        } else {
          // Short of a whole number of large pages by less than one element.
          EXPECT_LT((kLargePage - allocated % kLargePage) % kLargePage, elementSize);
          EXPECT_LT(allocated - count * elementSize - extra - kBookkeeping, kLargePage + elementSize);
        }
      }
    }
  }
  // Counts near the top of the address range are left alone.
  EXPECT_EQ(LargePageCapacity(SIZE_MAX / 8, 8, 0), SIZE_MAX / 8);
}

// Whatever the advice does, the containers keep their contents and take at
// least the room asked for.
TEST(ReserveLarge, KeepsContentsAndTakesTheRoomAskedFor) {
  std::string text = "kept";
  ReserveLarge(text, 3'000'000);
  EXPECT_EQ(text, "kept");
  EXPECT_GE(text.capacity(), 3'000'000u);
  text.append(3'000'000 - 4, 'x');
  EXPECT_EQ(text.size(), 3'000'000u);
  EXPECT_EQ(text.substr(0, 5), "keptx");

  std::vector<std::uint32_t> numbers = {1, 2, 3};
  ReserveLarge(numbers, 1'000'000, Filling::kWhole);
  EXPECT_GE(numbers.capacity(), 1'000'000u);
  EXPECT_EQ(numbers, (std::vector<std::uint32_t>{1, 2, 3}));
  // Room already there is not taken again.
  const std::uint32_t* before = numbers.data();
  ReserveLarge(numbers, 10);
  EXPECT_EQ(numbers.data(), before);
}

}  // namespace
}  // namespace tabulox
