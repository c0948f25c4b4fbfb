#include "crypt/xor_obfuscation.h"

namespace tabulox {
namespace {

// The tables of [MS-OFFCRYPTO] 2.3.7.2.
constexpr std::array<std::uint8_t, 15> kPadArray = {0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
                                                    0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00};

constexpr std::array<std::uint16_t, 15> kInitialCode = {0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C,
                                                        0x0E10, 0xF1CE, 0x313E, 0x1872, 0xE139,
                                                        0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3};

constexpr std::array<std::uint16_t, 105> kXorMatrix = {
    0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09, 0x7B61, 0xF6C2, 0xFDA5, 0xEB6B,
    0xC6F7, 0x9DCF, 0x2BBF, 0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0, 0x0375,
    0x06EA, 0x0DD4, 0x1BA8, 0x3750, 0x6EA0, 0xDD40, 0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D,
    0xAA7A, 0x44D5, 0x6F45, 0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A, 0xEB23, 0xC667,
    0x9CEF, 0x29FF, 0x53FE, 0xA7FC, 0x5FD9, 0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68,
    0xF6D0, 0xB861, 0x60E3, 0xC1C6, 0x93AD, 0x377B, 0x6EF6, 0xDDEC, 0x45A0, 0x8B40, 0x06A1,
    0x0D42, 0x1A84, 0x3508, 0x6A10, 0xAA51, 0x4483, 0x8906, 0x022D, 0x045A, 0x08B4, 0x1168,
    0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C, 0x3730, 0x6E60, 0xDCC0, 0xA9A1,
    0x4363, 0x86C6, 0x1DAD, 0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373, 0x06E6, 0x0DCC, 0x1021,
    0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4};

std::uint8_t RotateRightOne(std::uint8_t value) {
  return static_cast<std::uint8_t>((value >> 1) | (value << 7));
}

std::uint8_t XorRor(std::uint8_t a, std::uint8_t b) { return RotateRightOne(static_cast<std::uint8_t>(a ^ b)); }

}  // namespace

std::vector<std::uint8_t> XorPasswordBytes(std::u16string_view password) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(password.size());
  for (const char16_t unit : password) {
    const auto low = static_cast<std::uint8_t>(unit & 0xFF);
    bytes.push_back(low != 0 ? low : static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

std::uint16_t XorPasswordVerifier(std::span<const std::uint8_t> password) {
  // The password's length first, then its bytes, taken from the last.
  std::uint16_t verifier = 0;
  auto mix = [&](std::uint8_t byte) {
    const std::uint16_t carried = (verifier & 0x4000) != 0 ? 1 : 0;
    const auto shifted = static_cast<std::uint16_t>((verifier << 1) & 0x7FFF);
    verifier = static_cast<std::uint16_t>((carried | shifted) ^ byte);
  };
  for (auto byte = password.rbegin(); byte != password.rend(); ++byte) mix(*byte);
  mix(static_cast<std::uint8_t>(password.size()));
  return static_cast<std::uint16_t>(verifier ^ 0xCE4B);
}

std::uint16_t XorKey(std::span<const std::uint8_t> password) {
  std::uint16_t key = kInitialCode[password.size() - 1];
  std::size_t element = kXorMatrix.size() - 1;
  for (auto byte = password.rbegin(); byte != password.rend(); ++byte) {
    std::uint8_t bits = *byte;
    for (int i = 0; i < 7; ++i) {
      if ((bits & 0x40) != 0) key = static_cast<std::uint16_t>(key ^ kXorMatrix[element]);
      bits = static_cast<std::uint8_t>(bits << 1);
      --element;
    }
  }
  return key;
}

XorArray MakeXorArray(std::span<const std::uint8_t> password) {
  const std::uint16_t key = XorKey(password);
  const auto high = static_cast<std::uint8_t>(key >> 8);
  const auto low = static_cast<std::uint8_t>(key & 0xFF);
  // Odd positions take the key's high byte, even ones its low byte; the
  // password fills the start and the pad array the rest.
  XorArray array{};
  for (std::size_t i = 0; i < array.size(); ++i) {
    const std::uint8_t source = i < password.size() ? password[i] : kPadArray[i - password.size()];
    array[i] = XorRor(source, i % 2 == 1 ? high : low);
  }
  return array;
}

std::optional<XorArray> XorArrayForPassword(std::uint16_t verifier, std::u16string_view password) {
  const std::vector<std::uint8_t> bytes = XorPasswordBytes(password);
  if (bytes.empty() || bytes.size() > kMaxXorPasswordLength) return std::nullopt;
  if (XorPasswordVerifier(bytes) != verifier) return std::nullopt;
  return MakeXorArray(bytes);
}

}  // namespace tabulox
