// AES decryption ([FIPS197]) by Nettle, in the two chainings encrypted
// packages use: ECB (standard encryption, [MS-OFFCRYPTO] 2.3.4.9) and CBC
// (agile encryption, 2.3.4.15).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tabulox {

inline constexpr std::size_t kAesBlockSize = 16;

class AesDecryptor {
 public:
  // A decryptor for a key of 16, 24 or 32 bytes; null for another length.
  static std::unique_ptr<AesDecryptor> ForKey(std::span<const std::uint8_t> key);
  ~AesDecryptor();
  AesDecryptor(const AesDecryptor&) = delete;
  AesDecryptor& operator=(const AesDecryptor&) = delete;

  // Decrypts whole blocks; `in` and `out` have the same length, a multiple of
  // kAesBlockSize, and may be the same bytes.
  void DecryptEcb(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) const;
  // The same chained from `iv` (kAesBlockSize bytes).
  void DecryptCbc(std::span<const std::uint8_t> iv, std::span<const std::uint8_t> in,
                  std::span<std::uint8_t> out) const;

 private:
  struct Context;
  explicit AesDecryptor(std::unique_ptr<Context> context);
  std::unique_ptr<Context> context_;
};

}  // namespace tabulox
