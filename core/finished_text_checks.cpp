#include "finished_text_checks.h"

#include <system_error>

#include "processor_cores.h"
#include "second_thread.h"

namespace tabulox {

namespace {

// Texts of this size or more are checked in two parts: both checks read every
// byte, about a millisecond per 10 MB, and starting a thread costs about a
// tenth of one.
constexpr std::size_t kBytesForTwoParts = std::size_t{2} << 20;
// How far past the middle a cut point is looked for; texts are lines of
// cells, so one is found within a few bytes.
constexpr std::size_t kCutSearchBytes = 4096;

FinishedTextChecks CheckWhole(std::string_view text, LineBreakStyle style, std::int32_t codePage) {
  return {HasOnlyBreaksOfStyle(text, style), EncodesAsItself(text, codePage)};
}

}  // namespace

std::size_t CheckCutPoint(std::string_view text, std::size_t from, std::size_t most) {
  if (from >= text.size()) return std::string_view::npos;
  const std::size_t end = text.size() - from < most ? text.size() : from + most;
  for (std::size_t i = from == 0 ? 1 : from; i < end; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80 && c != '\r' && c != '\n' && text[i - 1] != '\r') return i;
  }
  return std::string_view::npos;
}

FinishedTextChecks CheckFinishedTextInTwoParts(std::string_view text, std::size_t cut,
                                               LineBreakStyle style, std::int32_t codePage) {
  FinishedTextChecks later;
  const std::string_view laterPart = text.substr(cut);
  SecondThread laterCheck;
  try {
    laterCheck = SecondThread([&] { later = CheckWhole(laterPart, style, codePage); });
  } catch (const std::system_error&) {
    later = CheckWhole(laterPart, style, codePage);
  }
  const FinishedTextChecks earlier = CheckWhole(text.substr(0, cut), style, codePage);
  if (laterCheck.joinable()) laterCheck.join();
  return {earlier.breaksOfStyle && later.breaksOfStyle,
          earlier.encodesAsItself && later.encodesAsItself};
}

FinishedTextChecks CheckFinishedText(std::string_view text, LineBreakStyle style,
                                     std::int32_t codePage) {
  if (text.size() < kBytesForTwoParts || !MoreThanOneCore()) return CheckWhole(text, style, codePage);
  const std::size_t cut = CheckCutPoint(text, text.size() / 2, kCutSearchBytes);
  if (cut == std::string_view::npos) return CheckWhole(text, style, codePage);
  return CheckFinishedTextInTwoParts(text, cut, style, codePage);
}

}  // namespace tabulox
