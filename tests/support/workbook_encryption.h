// Encrypting writers for tests, written from [MS-OFFCRYPTO] and [MS-XLS]
// 2.2.10 as an application encrypts: the FILEPASS record and the encrypted
// records of a workbook stream (XOR obfuscation, RC4, RC4 CryptoAPI), and the
// EncryptionInfo and EncryptedPackage streams of a package (standard and
// agile encryption). Salts and the other random values are fixed, so that
// a test's bytes are the same every run.
//
//   BiffWriter w;
//   w.Bof(kBofGlobals);
//   w.Record(0x002F, FilePassPayload(BiffEncryption::kRc4, u"secret"));
//   ...
//   std::vector<std::uint8_t> stream(w.bytes().begin(), w.bytes().end());
//   EncryptBiffStream(stream, BiffEncryption::kRc4, u"secret");
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "crypt/hash_function.h"

namespace tabulox::testing {

enum class BiffEncryption { kXor, kRc4, kCryptoApiRc4 };

struct BiffEncryptionOptions {
  // BIFF5 and BIFF7 write the XOR fields without wEncryptionType.
  bool biff5 = false;
  // The key size of RC4 CryptoAPI (KeySize; 0 stands for 40 bits).
  std::uint32_t keyBits = 128;
};

// The payload of the FILEPASS record that says how `password` encrypts.
std::vector<std::uint8_t> FilePassPayload(BiffEncryption method, std::u16string_view password,
                                          const BiffEncryptionOptions& options = {});

// A written stream of BIFF5 or BIFF8 with a FILEPASS record of `payload` put
// after its first record (the globals' BOF) and the sheet positions of its
// BOUNDSHEET records moved past it, as a writer that encrypts lays it out.
std::vector<std::uint8_t> WithFilePass(std::span<const std::uint8_t> stream,
                                       std::span<const std::uint8_t> payload);

// Encrypts, in place, the records of a stream whose FILEPASS record came from
// FilePassPayload with the same arguments: every payload byte but those of
// BOF, FILEPASS, INTERFACEHDR, USREXCL, FILELOCK, RRDINFO and RRDHEAD and the
// sheet positions of BOUNDSHEET.
void EncryptBiffStream(std::vector<std::uint8_t>& stream, BiffEncryption method,
                       std::u16string_view password, const BiffEncryptionOptions& options = {});

enum class PackageEncryption { kStandard, kAgile };

struct PackageEncryptionOptions {
  std::uint32_t keyBits = 128;
  // Agile encryption only: the hash, and a spin count kept low so that tests
  // stay fast (applications write 100,000).
  HashAlgorithm hash = HashAlgorithm::kSha512;
  std::uint32_t spinCount = 10;
};

// The two streams of an encrypted package, apart so that a test can damage them.
struct EncryptedPackageStreams {
  std::vector<std::uint8_t> encryptionInfo;
  std::vector<std::uint8_t> encryptedPackage;
};

EncryptedPackageStreams EncryptPackageStreams(std::span<const std::uint8_t> package,
                                              PackageEncryption method, std::u16string_view password,
                                              const PackageEncryptionOptions& options = {});

// The compound file holding the two streams.
std::vector<std::uint8_t> EncryptedPackageFile(const EncryptedPackageStreams& streams);

// The agile descriptor's XML alone, for tests that change it: EncryptionInfo
// is its version 4.4, the reserved field 0x40 and this text.
std::string AgileDescriptorXml(const EncryptedPackageStreams& streams);
std::vector<std::uint8_t> AgileEncryptionInfo(std::string_view xml);

}  // namespace tabulox::testing
