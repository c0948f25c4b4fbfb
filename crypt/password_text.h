// Passwords as the encryption methods take them. A password arrives as UTF-8
// (from the caller's options) and is hashed as UTF-16LE ([MS-OFFCRYPTO]
// 2.3.5.2, 2.3.6.2, 2.3.4.7, 2.3.4.11) or as one byte per character (XOR
// obfuscation, 2.3.7).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulox {

// The password spreadsheet applications encrypt a write-protected workbook
// with; they open such a workbook without asking, and so does every reader
// here, before it tries the caller's password.
inline constexpr std::string_view kDefaultPassword = "VelvetSweatshop";

// [MS-OFFCRYPTO] 2.3.5.2: passwords are at most 255 UTF-16 units; a longer
// one cannot have encrypted a workbook.
inline constexpr std::size_t kMaxPasswordUnits = 255;

// UTF-8 as UTF-16 code units, a character beyond the first plane as its two
// surrogates. A byte that does not start or continue a well-formed sequence
// stands for U+FFFD.
std::u16string Utf16FromUtf8(std::string_view utf8);

// The passwords tried, in order: the default password, then `given` (when
// there is one and it differs from the default).
std::vector<std::u16string> CandidatePasswords(const std::optional<std::string>& given);

// The code units as little-endian bytes, two a unit.
std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view password);

}  // namespace tabulox
