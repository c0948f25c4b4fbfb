#include "xml/xml_part_encoding.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/engine_text.h"

namespace tabulox {
namespace {

// The first byte from `from` on that may start a four-byte UTF-8 sequence
// (0xF0 or above), or text.size(). Eight bytes at a time: a byte's top bit
// ANDed with its next three bits, each shifted up into the top bit's place,
// is set exactly when its top four bits are (what the shifts carry into the
// next byte lands below its top bit, which alone is kept).
std::size_t FindFourByteLead(std::string_view text, std::size_t from) {
  constexpr std::uint64_t kTopBits = 0x8080808080808080u;
  std::size_t i = from;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    if ((w & (w << 1) & (w << 2) & (w << 3) & kTopBits) != 0) break;
  }
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0xF0) ++i;
  return i;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point of the well-formed four-byte sequence at p[0..4), or 0 when
// it is not one (an overlong form, beyond 0x10FFFF, a wrong continuation).
std::uint32_t FourByteCodePoint(const unsigned char* p) {
  const unsigned char lead = p[0];
  if (lead < 0xF0 || lead > 0xF4) return 0;
  if (!IsContinuation(p[1]) || !IsContinuation(p[2]) || !IsContinuation(p[3])) return 0;
  if (lead == 0xF0 && p[1] < 0x90) return 0;
  if (lead == 0xF4 && p[1] > 0x8F) return 0;
  return ((lead & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) |
         (p[3] & 0x3Fu);
}

}  // namespace

void XmlPartDecoder::AppendHeldBack(std::string& text) {
  text += heldBack_;
  heldBack_.clear();
}

void XmlPartDecoder::Convert(std::string& text, std::size_t from, bool last) {
  if (encoding_ == Encoding::kUnknown) {
    constexpr std::size_t kSignatureBytes = 4;
    const std::string_view start = std::string_view(text).substr(from);
    if (start.size() < kSignatureBytes && !last) {
      heldBack_.assign(start);
      text.resize(from);
      return;
    }
    if (start.starts_with("\xFF\xFE") || start.starts_with(std::string_view("<\0?\0", 4))) {
      encoding_ = Encoding::kUtf16Le;
    } else if (start.starts_with("\xFE\xFF") ||
               start.starts_with(std::string_view("\0<\0?", 4))) {
      encoding_ = Encoding::kUtf16Be;
    } else {
      encoding_ = Encoding::kUtf8;
    }
    const bool byteOrderMark = start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF");
    if (byteOrderMark) text.erase(from, 2);
  }
  if (encoding_ == Encoding::kUtf8) {
    ConvertUtf8(text, from, last);
  } else {
    ConvertUtf16(text, from, last);
  }
}

void XmlPartDecoder::ConvertUtf8(std::string& text, std::size_t from, bool last) {
  std::size_t lead = FindFourByteLead(text, from);
  if (lead == text.size()) return;  // the usual case: nothing to change
  scratch_.assign(text, lead);
  text.resize(lead);
  const auto* p = reinterpret_cast<const unsigned char*>(scratch_.data());
  const std::size_t n = scratch_.size();
  std::size_t i = 0;
  while (i < n) {
    if (n - i < 4 && !last) {
      heldBack_.assign(scratch_, i);  // perhaps a sequence the next piece completes
      return;
    }
    const std::uint32_t codePoint = n - i >= 4 ? FourByteCodePoint(p + i) : 0;
    if (codePoint != 0) {
      AppendCodePoint(text, codePoint);
      i += 4;
    } else {
      text.push_back(static_cast<char>(p[i]));  // not a sequence: kept as it is
      ++i;
    }
    lead = FindFourByteLead(scratch_, i);
    text.append(scratch_, i, lead - i);
    i = lead;
  }
}

void XmlPartDecoder::ConvertUtf16(std::string& text, std::size_t from, bool last) {
  scratch_.assign(text, from);
  text.resize(from);
  const auto* p = reinterpret_cast<const unsigned char*>(scratch_.data());
  const std::size_t n = scratch_.size();
  const bool littleEndian = encoding_ == Encoding::kUtf16Le;
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    const auto unit = static_cast<std::uint16_t>(littleEndian ? p[i] | (p[i + 1] << 8)
                                                              : (p[i] << 8) | p[i + 1]);
    AppendUtf16Unit(text, unit);
  }
  if (i < n && !last) heldBack_.assign(scratch_, i);
}

BlockSource EngineTextSource(const BlockSource& source) {
  struct Reader {
    const BlockSource* source;
    XmlPartDecoder decoder;
    bool operator()(std::string& out) {
      for (;;) {
        const std::size_t from = out.size();
        decoder.AppendHeldBack(out);
        const bool more = (*source)(out);
        decoder.Convert(out, from, !more);
        if (!more || out.size() > from) return more;
      }
    }
  };
  return Reader{&source, {}};
}

}  // namespace tabulox
