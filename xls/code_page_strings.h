// The 8-bit strings of workbooks before BIFF8: cell texts, sheet names and
// format codes are stored as bytes in the code page the workbook's CODEPAGE
// record names ([MS-XLS] 2.4.52 for the values), 1252 when it has none. They
// are read into UTF-16 code units through iconv, as a BIFF8 workbook would
// have stored them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tabulox {

// The code page of a workbook without a CODEPAGE record.
inline constexpr std::uint16_t kDefaultWorkbookCodePage = 1252;

class CodePageStrings {
 public:
  explicit CodePageStrings(std::uint16_t codePage = kDefaultWorkbookCodePage);
  ~CodePageStrings();
  CodePageStrings(const CodePageStrings&) = delete;
  CodePageStrings& operator=(const CodePageStrings&) = delete;

  // The bytes a counted character takes: 2 for code page 1200 (the strings
  // are UTF-16LE), else 1 (a count of bytes, also for double-byte pages).
  std::size_t bytesPerCount() const { return utf16_ ? 2 : 1; }

  // Appends the characters of `bytes` as UTF-16 code units. A byte the code
  // page does not define (or a code page iconv does not know) becomes the
  // code unit of its own value; a double-byte character cut off by the end
  // of the bytes the same.
  void AppendUnits(std::span<const std::uint8_t> bytes, std::u16string& units) const;

  // Appends the characters as engine text, a code unit of 0 as a space (as
  // the characters of a BIFF8 string are).
  void AppendText(std::span<const std::uint8_t> bytes, std::string& text) const;

 private:
  bool utf16_ = false;
  // The converter gives each printable ASCII byte but '+' and '~' as the code
  // unit of the same value, so that a string of them is copied without it.
  // Those two, ESC and the shift bytes below 20 change the state of the
  // stateful pages (UTF-7, HZ, the ISO-2022 pages).
  bool plainAsciiAsIs_ = false;
  // The iconv descriptor (an iconv_t) from the code page to UTF-16LE, or
  // (iconv_t)-1. Converting changes its state, which every call resets, so
  // the calls are const.
  void* converter_;
};

// The characters of a string stored as a length field of `lengthBytes` bytes
// (1 or 2, little-endian) and the characters it counts, from the start of
// `bytes`: count x bytesPerCount bytes, cut to the bytes present (a string
// cut off keeps what is there). std::nullopt when the length field is cut off.
std::optional<std::span<const std::uint8_t>> CountedChars(std::span<const std::uint8_t> bytes,
                                                          std::size_t lengthBytes,
                                                          std::size_t bytesPerCount);

}  // namespace tabulox
