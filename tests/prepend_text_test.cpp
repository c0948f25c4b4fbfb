#include "prepend_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tabulox {
namespace {

// Texts of varied sizes around the two-part bound, and heads of every length
// taken: the result is that of insert, byte for byte (the text is a counting
// pattern, so a byte moved to the wrong place shows).
TEST(PrependInPlace, GivesWhatInsertGives) {
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{5}, kBytesForTwoPartMove - 1, kBytesForTwoPartMove,
        kBytesForTwoPartMove + 1, 3 * kBytesForTwoPartMove + 7}) {
    std::string base(size, '\0');
    for (std::size_t i = 0; i < size; ++i) base[i] = static_cast<char>(i * 7 + i / 251);
    for (const std::string_view head : {"", "\xEF\xBB\xBF", "ab", "12345678"}) {
      std::string expected = base;
      expected.insert(0, head);
      std::string text = base;
      PrependInPlace(text, head);
      ASSERT_EQ(text.size(), expected.size()) << size << " " << head.size();
      EXPECT_TRUE(text == expected) << size << " " << head.size();
    }
  }
}

}  // namespace
}  // namespace tabulox
