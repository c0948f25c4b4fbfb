#include "crypt/encryption_header.h"

#include <algorithm>

#include "core/extraction_error.h"

namespace tabulox {
namespace {

// Flags, SizeExtra, AlgID, AlgIDHash, KeySize, ProviderType, Reserved1 and
// Reserved2: the fields before CSPName.
constexpr std::size_t kFixedHeaderBytes = 32;

template <std::size_t size>
void ReadArray(ByteReader& fields, std::array<std::uint8_t, size>& out) {
  const std::span<const std::uint8_t> bytes = fields.bytes(size);
  std::copy(bytes.begin(), bytes.end(), out.begin());
}

}  // namespace

std::uint32_t CipherAlgorithm(const EncryptionHeader& header) {
  if (header.algorithm != 0) return header.algorithm;
  return (header.flags & kEncryptionFlagAes) != 0 ? kAlgorithmAes128 : kAlgorithmRc4;
}

BinaryEncryptionInfo ReadBinaryEncryptionInfo(ByteReader& fields) {
  BinaryEncryptionInfo info;
  fields.u32le();  // a copy of EncryptionHeader.Flags
  const std::uint32_t headerSize = fields.u32le();
  if (headerSize < kFixedHeaderBytes) throw ExtractionError("encryption header too short");
  ByteReader header(fields.bytes(headerSize));
  info.header.flags = header.u32le();
  header.u32le();  // SizeExtra
  info.header.algorithm = header.u32le();
  info.header.hashAlgorithm = header.u32le();
  info.header.keyBits = header.u32le();

  EncryptionVerifier& verifier = info.verifier;
  if (fields.u32le() != kSaltSize) throw ExtractionError("encryption verifier salt size");
  ReadArray(fields, verifier.salt);
  ReadArray(fields, verifier.encryptedVerifier);
  verifier.verifierHashSize = fields.u32le();
  // Its length depends on the algorithm, which may be one that is not read:
  // the bytes there are, up to the longest; the method checks their count.
  const std::span<const std::uint8_t> hash =
      fields.bytes(std::min(fields.remaining(), kMaxVerifierHashBytes));
  verifier.encryptedVerifierHash.assign(hash.begin(), hash.end());
  return info;
}

}  // namespace tabulox
