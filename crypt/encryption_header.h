// The binary structures that RC4 CryptoAPI encryption of binary workbooks and
// standard encryption of packages share ([MS-OFFCRYPTO] 2.3.2
// EncryptionHeader, 2.3.3 EncryptionVerifier), as they follow the version in a
// FILEPASS record (2.3.5.1) or an EncryptionInfo stream (2.3.4.5).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/byte_reader.h"

namespace tabulox {

// EncryptionHeader.Flags.
inline constexpr std::uint32_t kEncryptionFlagCryptoApi = 0x04;
inline constexpr std::uint32_t kEncryptionFlagExternal = 0x10;
inline constexpr std::uint32_t kEncryptionFlagAes = 0x20;

// EncryptionHeader.AlgID.
inline constexpr std::uint32_t kAlgorithmRc4 = 0x6801;
inline constexpr std::uint32_t kAlgorithmAes128 = 0x660E;
inline constexpr std::uint32_t kAlgorithmAes192 = 0x660F;
inline constexpr std::uint32_t kAlgorithmAes256 = 0x6610;
// EncryptionHeader.AlgIDHash.
inline constexpr std::uint32_t kAlgorithmSha1 = 0x8004;

inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kVerifierSize = 16;

struct EncryptionHeader {
  std::uint32_t flags = 0;
  // 0 when the flags say it (RC4 with fCryptoAPI alone, AES-128 with fAES).
  std::uint32_t algorithm = 0;
  // 0 or kAlgorithmSha1.
  std::uint32_t hashAlgorithm = 0;
  // In bits.
  std::uint32_t keyBits = 0;
};

// EncryptionVerifier.EncryptedVerifierHash: 20 bytes for RC4, 32 for AES (the
// SHA-1 digest padded to whole blocks).
inline constexpr std::size_t kRc4VerifierHashBytes = 20;
inline constexpr std::size_t kAesVerifierHashBytes = 32;
inline constexpr std::size_t kMaxVerifierHashBytes = kAesVerifierHashBytes;

struct EncryptionVerifier {
  std::array<std::uint8_t, kSaltSize> salt{};
  std::array<std::uint8_t, kVerifierSize> encryptedVerifier{};
  std::uint32_t verifierHashSize = 0;
  // The bytes after VerifierHashSize, kMaxVerifierHashBytes at most.
  std::vector<std::uint8_t> encryptedVerifierHash;
};

struct BinaryEncryptionInfo {
  EncryptionHeader header;
  EncryptionVerifier verifier;
};

// Reads the fields after EncryptionVersionInfo: Flags, EncryptionHeaderSize,
// the EncryptionHeader (its CSPName passed over) and the EncryptionVerifier.
// A structure cut short before the verifier's hash, a header shorter than
// its fixed fields or a salt size other than 16 raises ExtractionError.
BinaryEncryptionInfo ReadBinaryEncryptionInfo(ByteReader& fields);

// The algorithm the header names, the flags deciding where AlgID is 0:
// kAlgorithmRc4, kAlgorithmAes128/192/256, or another value as written.
std::uint32_t CipherAlgorithm(const EncryptionHeader& header);

}  // namespace tabulox
