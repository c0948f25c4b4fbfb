#include "core/text_encoding.h"

#include <iconv.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/code_pages.h"

namespace tabulox {
namespace {


// Owns one iconv descriptor.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Decodes the engine-text sequence that starts at p[i] (a byte below 0x80 on
// its own; else a lead byte with bit 0x20 set starts three bytes, any other
// two) into `unit`, cut to 16 bits, and moves `i` past it. False, changing
// nothing, when a continuation byte is not 10xxxxxx or the sequence is cut off
// by the end of the text.
inline bool DecodeEngineUnit(const unsigned char* p, std::size_t n, std::size_t& i,
                             char16_t& unit) {
  const unsigned char lead = p[i];
  if (lead < 0x80) {
    unit = lead;
    ++i;
    return true;
  }
  if ((lead & 0x20) == 0) {
    if (n - i < 2 || (p[i + 1] & 0xC0) != 0x80) return false;
    unit = static_cast<char16_t>(((lead & 0x3Fu) << 6) | (p[i + 1] & 0x3Fu));
    i += 2;
    return true;
  }
  if (n - i < 3 || (p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80) return false;
  const std::uint32_t value = ((lead & 0x3Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
  unit = static_cast<char16_t>(value & 0xFFFFu);
  i += 3;
  return true;
}

// The length of the run of ASCII bytes at the start of p[0..n).
std::size_t AsciiRunLength(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// True when the text is UTF-8 in its shortest form without surrogates or
// characters beyond the first plane: decoding it into units and encoding
// those as UTF-8 gives its own bytes back.
bool IsShortestFormBmpUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  for (;;) {
    i += AsciiRunLength(p + i, n - i);
    if (i == n) return true;
    const unsigned char lead = p[i];
    if (lead >= 0xC2 && lead <= 0xDF) {
      if (n - i < 2 || (p[i + 1] & 0xC0) != 0x80) return false;
      i += 2;
    } else if (lead >= 0xE0 && lead <= 0xEF && lead != 0xED) {
      if (n - i < 3 || (p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80) return false;
      if (lead == 0xE0 && p[i + 1] < 0xA0) return false;  // a longer form than needed
      i += 3;
    } else {
      return false;  // 0xED may start a surrogate half: left to the converter
    }
  }
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Windows code pages without shift states whose bytes 00-7F are ASCII: runs of
// ASCII units may be written directly, around the converter, once
// AsciiIsIdentity confirms the mapping.
bool IsAsciiCompatibleCodePage(std::int32_t codePage) {
  return codePage == 874 || (codePage >= 1250 && codePage <= 1258) || codePage == 932 ||
         codePage == 936 || codePage == 949 || codePage == 950;
}

// True when the descriptor turns each unit 00-7F into the byte of that value.
bool AsciiIsIdentity(const IconvHandle& cd) {
  char16_t in[128];
  char expected[128];
  for (int i = 0; i < 128; ++i) {
    in[i] = static_cast<char16_t>(i);
    expected[i] = static_cast<char>(i);
  }
  char got[256];
  char* inPtr = reinterpret_cast<char*>(in);
  std::size_t inLeft = sizeof in;
  char* outPtr = got;
  std::size_t outLeft = sizeof got;
  const std::size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
  iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  return rc != static_cast<std::size_t>(-1) && inLeft == 0 && sizeof got - outLeft == 128 &&
         std::memcmp(got, expected, 128) == 0;
}

// Stateless Windows code pages whose converters neither combine nor decompose
// characters (unlike 1255 and 1258): every unit converts on its own, to one or
// two bytes or not at all.
bool IsUnitByUnitCodePage(std::int32_t codePage) {
  return codePage == 874 || (codePage >= 1250 && codePage <= 1254) || codePage == 1256 ||
         codePage == 1257 || codePage == 932 || codePage == 936 || codePage == 949 ||
         codePage == 950;
}

// What the converter gives for one unit: its one or two bytes, or a mark.
struct UnitBytes {
  static constexpr std::int8_t kUnknown = -2;
  static constexpr std::int8_t kNotHeld = -1;    // a lone surrogate included
  static constexpr std::int8_t kIrregular = -3;  // other than one or two bytes
  std::int8_t length = kUnknown;
  char bytes[2] = {};
};

UnitBytes AskBytes(const IconvHandle& cd, char16_t unit) {
  char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  char got[8];
  char* inPtr = in;
  std::size_t inLeft = sizeof in;
  char* outPtr = got;
  std::size_t outLeft = sizeof got;
  const std::size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
  iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  UnitBytes result;
  const std::size_t length = sizeof got - outLeft;
  if (rc == static_cast<std::size_t>(-1)) {
    result.length = UnitBytes::kNotHeld;
  } else if (length != 1 && length != 2) {
    result.length = UnitBytes::kIrregular;
  } else {
    result.length = static_cast<std::int8_t>(length);
    std::memcpy(result.bytes, got, length);
  }
  return result;
}

enum class TableOutcome { kDone, kNotWellFormed, kIrregular };

// Encodes engine text straight into a code page of IsUnitByUnitCodePage whose
// bytes 00-7F are ASCII: ASCII runs are copied, the converter is asked once
// per distinct unit and a table answers after that. What the page cannot hold
// is "?", a surrogate pair one "?". kIrregular when the converter turns out
// not to convert unit by unit; `out` is then unfinished.
TableOutcome EncodeByUnitTable(std::string_view text, const IconvHandle& cd, std::string& out) {
  std::vector<UnitBytes> table(0x10000);
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  // Each sequence gives at most as many bytes as it has.
  out.reserve(n);
  out.resize(n);
  char* dst = out.data();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      const std::size_t run = AsciiRunLength(p + i, n - i);
      std::memcpy(dst, p + i, run);
      dst += run;
      i += run;
      continue;
    }
    char16_t unit = 0;
    if (!DecodeEngineUnit(p, n, i, unit)) return TableOutcome::kNotWellFormed;
    if (IsHighSurrogate(unit) && i < n) {
      std::size_t next = i;
      char16_t low = 0;
      if (DecodeEngineUnit(p, n, next, low) && IsLowSurrogate(low)) {
        *dst++ = '?';
        i = next;
        continue;
      }
    }
    UnitBytes& bytes = table[unit];
    if (bytes.length == UnitBytes::kUnknown) bytes = AskBytes(cd, unit);
    if (bytes.length == UnitBytes::kIrregular) return TableOutcome::kIrregular;
    if (bytes.length == UnitBytes::kNotHeld) {
      *dst++ = '?';
    } else {
      *dst++ = bytes.bytes[0];
      if (bytes.length == 2) *dst++ = bytes.bytes[1];
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return TableOutcome::kDone;
}

// Encodes engine text as UTF-16LE after the mark FF FE. False when the text
// is not well formed.
bool EncodeUtf16Le(std::string_view text, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  out.reserve(2 + 2 * n);
  out.resize(2 + 2 * n);
  out[0] = '\xFF';
  out[1] = '\xFE';
  char* dst = out.data() + 2;
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      const std::size_t run = AsciiRunLength(p + i, n - i);
      for (std::size_t k = 0; k < run; ++k) {
        dst[2 * k] = static_cast<char>(p[i + k]);
        dst[2 * k + 1] = 0;
      }
      dst += 2 * run;
      i += run;
      continue;
    }
    char16_t unit = 0;
    if (!DecodeEngineUnit(p, n, i, unit)) return false;
    *dst++ = static_cast<char>(unit & 0xFF);
    *dst++ = static_cast<char>(unit >> 8);
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return true;
}

// Converts UTF-16 code units into the iconv character set `charset` of the code
// page. A character the set cannot hold becomes "?", converted through the same
// descriptor so that stateful encodings stay consistent. An unknown set gives an
// empty result. For code pages of IsAsciiCompatibleCodePage, runs of ASCII
// units are copied as bytes and only the runs between them go through iconv.
std::string ConvertUnits(const std::u16string& units, const std::string& charset,
                         std::int32_t codePage) {
  IconvHandle cd(charset.c_str(), "UTF-16LE");
  if (!cd.valid()) return {};
  const bool copyAscii = IsAsciiCompatibleCodePage(codePage) && AsciiIsIdentity(cd);

  std::string out;
  out.reserve(units.size() * 2 + 16);
  out.resize(units.size() * 2 + 16);
  std::size_t outUsed = 0;

  auto convert = [&](const char* in, std::size_t inLen, bool flush) -> std::size_t {
    char* inPtr = const_cast<char*>(in);
    std::size_t inLeft = inLen;
    for (;;) {
      char* outPtr = out.data() + outUsed;
      std::size_t outLeft = out.size() - outUsed;
      const std::size_t rc = flush ? iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft)
                                   : iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
      outUsed = out.size() - outLeft;
      if (rc != static_cast<std::size_t>(-1)) return inLen - inLeft;
      if (errno == E2BIG) {
        out.resize(out.size() * 2 + 16);
        continue;
      }
      return inLen - inLeft;  // EILSEQ or EINVAL: the caller replaces the character
    }
  };

  static const char16_t kQuestion = u'?';
  const char* data = reinterpret_cast<const char*>(units.data());
  const std::size_t total = units.size() * 2;
  std::size_t done = 0;
  while (done < total) {
    std::size_t chunkEnd = total;
    if (copyAscii) {
      std::size_t unit = done / 2;
      const std::size_t asciiStart = unit;
      while (unit < units.size() && units[unit] < 0x80) ++unit;
      if (unit > asciiStart) {
        const std::size_t run = unit - asciiStart;
        if (out.size() - outUsed < run) out.resize(out.size() + run);
        for (std::size_t k = 0; k < run; ++k)
          out[outUsed + k] = static_cast<char>(units[asciiStart + k]);
        outUsed += run;
        done = unit * 2;
        continue;
      }
      while (unit < units.size() && units[unit] >= 0x80) ++unit;
      chunkEnd = unit * 2;
    }
    done += convert(data + done, chunkEnd - done, false);
    if (done >= chunkEnd) continue;
    // The unit at `done` cannot be converted: skip it (with its partner when
    // it starts a surrogate pair) and write the default character instead.
    const std::size_t unitIndex = done / 2;
    std::size_t skip = 2;
    if (IsHighSurrogate(units[unitIndex]) && unitIndex + 1 < units.size() &&
        IsLowSurrogate(units[unitIndex + 1]))
      skip = 4;
    done += skip;
    convert(reinterpret_cast<const char*>(&kQuestion), 2, false);
  }
  convert(nullptr, 0, true);
  out.resize(outUsed);
  return out;
}

bool IsSurrogatePairAt(const unsigned char* p, std::size_t i, std::size_t n) {
  return i + 6 <= n && p[i] == 0xED && (p[i + 1] & 0xF0) == 0xA0 && (p[i + 2] & 0xC0) == 0x80 &&
         p[i + 3] == 0xED && (p[i + 4] & 0xF0) == 0xB0 && (p[i + 5] & 0xC0) == 0x80;
}

// Appends `text` to `out`, joining the two three-byte sequences of a surrogate
// pair into one four-byte sequence; every other byte is copied unchanged. Runs
// between 0xED lead bytes are copied whole.
void AppendJoiningSurrogatePairs(std::string_view text, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t copied = 0;
  std::size_t i = 0;
  while (i < n) {
    const void* lead = std::memchr(p + i, 0xED, n - i);
    if (lead == nullptr) break;
    i = static_cast<std::size_t>(static_cast<const unsigned char*>(lead) - p);
    if (!IsSurrogatePairAt(p, i, n)) {
      ++i;
      continue;
    }
    out.append(text.data() + copied, i - copied);
    const std::uint32_t high = 0xD000u | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
    const std::uint32_t low = 0xD000u | ((p[i + 4] & 0x3Fu) << 6) | (p[i + 5] & 0x3Fu);
    const std::uint32_t cp = 0x10000u + ((high - 0xD800u) << 10) + (low - 0xDC00u);
    const char bytes[4] = {static_cast<char>(0xF0 | (cp >> 18)),
                           static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                           static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(bytes, 4);
    i += 6;
    copied = i;
  }
  out.append(text.data() + copied, n - copied);
}

// The first CR or LF at or after `from`, or `text.size()`.
std::size_t FindBreak(std::string_view text, std::size_t from) {
  const char* base = text.data();
  const std::size_t rest = text.size() - from;
  const void* lf = std::memchr(base + from, '\n', rest);
  const std::size_t lfAt = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - base) : text.size();
  const void* cr = std::memchr(base + from, '\r', lfAt - from);
  return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - base) : lfAt;
}

// The break that starts at `at` (CR LF, a lone CR or a lone LF).
std::size_t BreakLength(std::string_view text, std::size_t at) {
  return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
}

}  // namespace

void AppendCrLfLineBreaks(std::string_view text, std::string& out) {
  out.reserve(out.size() + text.size() + text.size() / 16);
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const std::size_t at = FindBreak(text, i);
    out.append(text.substr(i, at - i));
    if (at >= n) break;
    i = at + BreakLength(text, at);
    out.append("\r\n");
  }
}

// Sixteen bytes at a time where the processor has SSE2: with one bit per byte
// for CR and for LF, the LF bits must be the CR bits moved up by one, the CR
// of a block's last byte carried into the next.
bool HasOnlyCrLfBreaks(std::string_view text) {
  const char* p = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool crBefore = false;
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const auto crBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, cr)));
    const auto lfBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lf)));
    if ((((crBits << 1) | (crBefore ? 1u : 0u)) & 0xFFFFu) != lfBits) return false;
    crBefore = (crBits & 0x8000u) != 0;
  }
#endif
  for (; i < n; ++i) {
    const bool isLf = p[i] == '\n';
    if (isLf != crBefore) return false;
    crBefore = p[i] == '\r';
  }
  return !crBefore;
}

bool DecodeEngineText(std::string_view text, std::u16string& units) {
  // Never more units than bytes: size once, write through a pointer, trim.
  units.reserve(text.size());
  units.resize(text.size());
  char16_t* dst = units.data();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool wellFormed = true;
  while (i < n) {
    if (!DecodeEngineUnit(p, n, i, *dst)) {
      wellFormed = false;
      break;
    }
    ++dst;
  }
  units.resize(static_cast<std::size_t>(dst - units.data()));
  return wellFormed;
}

bool EncodesAsItself(std::string_view text, std::int32_t codePage) {
  if (codePage == kCodePageUtf8) return std::memchr(text.data(), 0xED, text.size()) == nullptr;
  if (codePage == kCodePageSystem) return SystemCodePageIsUtf8() && IsShortestFormBmpUtf8(text);
  return false;
}

ResultCode EncodeText(std::string_view text, std::int32_t codePage, std::string& out) {
  out.clear();
  if (codePage == kCodePageUtf8) {
    out.reserve(3 + text.size());
    out = "\xEF\xBB\xBF";
    AppendJoiningSurrogatePairs(text, out);
    return 0;
  }
  if (codePage == kCodePageUtf16Le) {
    if (EncodeUtf16Le(text, out)) return 0;
    out.clear();
    return kTextNotConvertible;
  }
  if (IsUnitByUnitCodePage(codePage)) {
    const IconvHandle cd(IconvNameForCodePage(codePage).c_str(), "UTF-16LE");
    if (cd.valid() && AsciiIsIdentity(cd)) {
      switch (EncodeByUnitTable(text, cd, out)) {
        case TableOutcome::kDone:
          return 0;
        case TableOutcome::kNotWellFormed:
          out.clear();
          return kTextNotConvertible;
        case TableOutcome::kIrregular:
          out.clear();
          break;
      }
    }
  }
  std::u16string units;
  if (!DecodeEngineText(text, units)) return kTextNotConvertible;
  const std::string charset = IconvNameForCodePage(codePage);
  if (!charset.empty()) out = ConvertUnits(units, charset, codePage);
  return 0;
}

std::string EngineTextAsUtf8(std::string_view text) {
  std::string utf8;
  // 65001 joins the surrogate halves of engine text; its mark is dropped.
  if (EncodeText(text, 65001, utf8) == 0 && utf8.size() >= 3) utf8.erase(0, 3);
  return utf8;
}

}  // namespace tabulox
