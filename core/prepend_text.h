// Putting a few bytes in front of a large text where it lies.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tabulox {

// Texts of this size or more are moved in two parts at once.
inline constexpr std::size_t kBytesForTwoPartMove = std::size_t{2} << 20;
// The longest head PrependInPlace takes.
inline constexpr std::size_t kMostPrependedBytes = 8;

// Moves the text `head.size()` bytes on and writes `head` in front of it, as
// text.insert(0, head) does. A large text is moved in two parts at once: one
// thread moving a text of several megabytes is held up by its reading, which
// the two parts share between two processors.
void PrependInPlace(std::string& text, std::string_view head);

}  // namespace tabulox
