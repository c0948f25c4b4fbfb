// XOR obfuscation of binary workbooks ([MS-OFFCRYPTO] 2.3.7.1 to 2.3.7.3,
// method 1): the password verifier and key stored in FILEPASS, and the 16-byte
// array the data is obfuscated with.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tabulox {

// Passwords of XOR obfuscation are 1 to 15 characters.
inline constexpr std::size_t kMaxXorPasswordLength = 15;

using XorArray = std::array<std::uint8_t, 16>;

// The password as its one byte per character: a unit's low byte, or its high
// byte when the low byte is 0.
std::vector<std::uint8_t> XorPasswordBytes(std::u16string_view password);

// 2.3.7.1 CreatePasswordVerifier_Method1.
std::uint16_t XorPasswordVerifier(std::span<const std::uint8_t> password);

// 2.3.7.2 CreateXorKey_Method1; the password is 1 to 15 bytes.
std::uint16_t XorKey(std::span<const std::uint8_t> password);

// 2.3.7.2 CreateXorArray_Method1; the password is 1 to 15 bytes.
XorArray MakeXorArray(std::span<const std::uint8_t> password);

// The array of `password` when the verifier stored with the data is its
// verifier, else std::nullopt (also for an empty password or one longer than
// 15 characters).
std::optional<XorArray> XorArrayForPassword(std::uint16_t verifier, std::u16string_view password);

// 2.3.7.3 DecryptData_Method1 of one byte with the array entry it meets.
inline std::uint8_t XorDecryptByte(std::uint8_t value, std::uint8_t arrayByte) {
  const auto mixed = static_cast<std::uint8_t>(value ^ arrayByte);
  return static_cast<std::uint8_t>((mixed >> 5) | (mixed << 3));
}

}  // namespace tabulox
