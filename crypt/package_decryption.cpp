#include "crypt/package_decryption.h"

#include "core/byte_reader.h"
#include "crypt/agile_encryption.h"
#include "crypt/encryption_header.h"
#include "crypt/password_text.h"
#include "crypt/standard_encryption.h"

namespace tabulox {
namespace {

// EncryptionVersionInfo ([MS-OFFCRYPTO] 2.3.4.1): agile encryption is 4.4;
// standard encryption has minor version 2 under major version 2, 3 or 4.
constexpr std::uint16_t kAgileVersion = 4;
constexpr std::uint16_t kStandardMinorVersion = 2;

// Tries each candidate password with `keyFor`, and decrypts with the first key
// it gives.
template <typename KeyFor, typename Decrypt>
DecryptionOutcome DecryptWithFirstKey(const std::optional<std::string>& password, KeyFor keyFor,
                                      Decrypt decrypt) {
  for (const std::u16string& candidate : CandidatePasswords(password)) {
    const std::optional<std::vector<std::uint8_t>> key = keyFor(candidate);
    if (!key) continue;
    decrypt(*key);
    return DecryptionOutcome::kDecrypted;
  }
  return DecryptionOutcome::kPasswordRefused;
}

}  // namespace

DecryptionOutcome DecryptPackage(std::span<const std::uint8_t> encryptionInfo,
                                 std::span<const std::uint8_t> encryptedPackage,
                                 const std::optional<std::string>& password,
                                 FileBytes& package) {
  ByteReader info(encryptionInfo);
  const std::uint16_t major = info.u16le();
  const std::uint16_t minor = info.u16le();
  // The method is told first; the package's size field is read once the
  // method is one that decrypts it.
  ByteReader packageFields(encryptedPackage);
  auto packageSize = [&] {
    packageFields.seek(0);
    return packageFields.u64le();
  };

  if (major == kAgileVersion && minor == kAgileVersion) {
    info.u32le();  // Reserved
    const std::optional<AgileDescriptor> descriptor = ReadAgileDescriptor(info.rest());
    if (!descriptor) return DecryptionOutcome::kMethodUnknown;
    return DecryptWithFirstKey(
        password, [&](std::u16string_view candidate) { return AgileKeyForPassword(*descriptor, candidate); },
        [&](std::span<const std::uint8_t> key) {
          const std::uint64_t size = packageSize();
          package = DecryptAgilePackage(*descriptor, key, packageFields.rest(), size);
        });
  }
  if (major >= 2 && major <= 4 && minor == kStandardMinorVersion) {
    const BinaryEncryptionInfo standard = ReadBinaryEncryptionInfo(info);
    if (!IsStandardAes(standard)) return DecryptionOutcome::kMethodUnknown;
    return DecryptWithFirstKey(
        password, [&](std::u16string_view candidate) { return StandardKeyForPassword(standard, candidate); },
        [&](std::span<const std::uint8_t> key) {
          const std::uint64_t size = packageSize();
          package = DecryptStandardPackage(key, packageFields.rest(), size);
        });
  }
  return DecryptionOutcome::kMethodUnknown;
}

}  // namespace tabulox
