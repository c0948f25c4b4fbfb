#include "xls/workbook_decryption.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "crypt/binary_rc4.h"
#include "crypt/cryptoapi_rc4.h"
#include "crypt/encryption_header.h"
#include "crypt/password_text.h"
#include "crypt/xor_obfuscation.h"
#include "xls/biff_records.h"
#include "xls/biff_version.h"

namespace tabulox {
namespace {

// RC4 is keyed anew at every 1024 bytes of the stream, counted from its start.
constexpr std::size_t kRc4BlockSize = 1024;

// [MS-XLS] 2.4.117 FilePass: wEncryptionType.
constexpr std::uint16_t kEncryptionXor = 0x0000;
constexpr std::uint16_t kEncryptionRc4 = 0x0001;
// [MS-OFFCRYPTO] 2.3.6.1 and 2.3.5.1: RC4 is version 1.1; RC4 CryptoAPI has
// minor version 2 under major version 2, 3 or 4.
constexpr std::uint16_t kRc4Version = 1;
constexpr std::uint16_t kCryptoApiMinorVersion = 2;

// The records [MS-XLS] 2.2.10 keeps readable besides BOF and FILEPASS.
constexpr std::uint16_t kRecordInterfaceHdr = 0x00E1;
constexpr std::uint16_t kRecordRrdHead = 0x0138;
constexpr std::uint16_t kRecordUsrExcl = 0x0194;
constexpr std::uint16_t kRecordFileLock = 0x0195;
constexpr std::uint16_t kRecordRrdInfo = 0x0196;
// BoundSheet8.lbPlyPos, the sheet's stream position, is never encrypted.
constexpr std::size_t kSheetPositionBytes = 4;

enum class Method { kXor, kRc4, kCryptoApiRc4, kUnknown };

struct FilePass {
  Method method = Method::kUnknown;
  std::uint16_t xorVerifier = 0;
  Rc4Header rc4;
  BinaryEncryptionInfo cryptoApi;
};

// The bytes at the start of a record's payload that are never encrypted.
std::size_t ClearPayloadBytes(const RecordHeader& header) {
  switch (header.type) {
    case kRecordBof:
    case kRecordFilePass:
    case kRecordInterfaceHdr:
    case kRecordRrdHead:
    case kRecordUsrExcl:
    case kRecordFileLock:
    case kRecordRrdInfo:
      return header.length;
    case kRecordBoundSheet:
      return std::min<std::size_t>(header.length, kSheetPositionBytes);
    default:
      return 0;
  }
}

// Calls `visit` with each record of the stream from its start, while whole
// records follow one another; the walk ends after a record `visit`
// returns false for.
template <typename Visit>
void ForEachRecord(std::span<const std::uint8_t> stream, Visit visit) {
  ByteReader reader(stream);
  RecordHeader header;
  while (ReadRecordHeader(reader, header)) {
    if (!visit(header)) return;
    reader.seek(header.payloadEnd());
  }
}

// The FILEPASS record: in the globals (up to their EOF) of BIFF5 and later; anywhere
// in the smaller streams of BIFF2 to BIFF4, whose sheets may hold one.
std::optional<RecordHeader> FindFilePass(std::span<const std::uint8_t> stream, bool globalsOnly) {
  std::optional<RecordHeader> found;
  ForEachRecord(stream, [&](const RecordHeader& header) {
    if (header.type == kRecordFilePass) found = header;
    return !found && !(globalsOnly && header.type == kRecordEof);
  });
  return found;
}

FilePass ReadFilePass(std::span<const std::uint8_t> payload, BiffVersion version) {
  ByteReader fields(payload);
  FilePass filePass;
  // BIFF5 and BIFF7 know XOR obfuscation alone, and write its fields directly.
  const std::uint16_t type = version == BiffVersion::kBiff8 ? fields.u16le() : kEncryptionXor;
  if (type == kEncryptionXor) {
    fields.u16le();  // the XOR key, which the password gives again
    filePass.xorVerifier = fields.u16le();
    filePass.method = Method::kXor;
    return filePass;
  }
  if (type != kEncryptionRc4) return filePass;
  const std::uint16_t major = fields.u16le();
  const std::uint16_t minor = fields.u16le();
  if (major == kRc4Version && minor == kRc4Version) {
    filePass.rc4 = ReadRc4Header(fields);
    filePass.method = Method::kRc4;
  } else if (major >= 2 && major <= 4 && minor == kCryptoApiMinorVersion) {
    filePass.cryptoApi = ReadBinaryEncryptionInfo(fields);
    if (IsCryptoApiRc4(filePass.cryptoApi)) filePass.method = Method::kCryptoApiRc4;
  }
  return filePass;
}

// RC4 over the whole stream, block by block, then the bytes that were never
// encrypted put back as they stand in the stream.
void DecryptRc4(std::span<const std::uint8_t> stream, const Rc4BlockKey& keyOf,
                FileBytes& decrypted) {
  decrypted.assign(stream.begin(), stream.end());
  for (std::size_t at = 0; at < decrypted.size(); at += kRc4BlockSize) {
    const std::size_t length = std::min(kRc4BlockSize, decrypted.size() - at);
    ApplyRc4(keyOf(static_cast<std::uint32_t>(at / kRc4BlockSize)),
             std::span(decrypted).subspan(at, length));
  }
  ForEachRecord(stream, [&](const RecordHeader& header) {
    const std::size_t start = header.payloadStart - kRecordHeaderSize;
    const std::size_t end = header.payloadStart + ClearPayloadBytes(header);
    std::copy(stream.begin() + static_cast<std::ptrdiff_t>(start),
              stream.begin() + static_cast<std::ptrdiff_t>(end),
              decrypted.begin() + static_cast<std::ptrdiff_t>(start));
    return true;
  });
}

// [MS-OFFCRYPTO] 2.3.7.3 over each record's payload. A byte meets the array
// entry of its stream position plus its record's length, modulo 16.
void DecryptXor(std::span<const std::uint8_t> stream, const XorArray& array,
                FileBytes& decrypted) {
  decrypted.assign(stream.begin(), stream.end());
  ForEachRecord(stream, [&](const RecordHeader& header) {
    for (std::size_t at = header.payloadStart + ClearPayloadBytes(header); at < header.payloadEnd(); ++at)
      decrypted[at] = XorDecryptByte(decrypted[at], array[(at + header.length) % array.size()]);
    return true;
  });
}

// Tries each candidate password with `open`, and decrypts with what the first
// one it opens gives.
template <typename Open, typename Decrypt>
DecryptionOutcome DecryptWithFirstPassword(const std::optional<std::string>& password, Open open,
                                           Decrypt decrypt) {
  for (const std::u16string& candidate : CandidatePasswords(password)) {
    const auto opened = open(candidate);
    if (!opened) continue;
    decrypt(*opened);
    return DecryptionOutcome::kDecrypted;
  }
  return DecryptionOutcome::kPasswordRefused;
}

}  // namespace

std::optional<DecryptionOutcome> DecryptWorkbookStream(std::span<const std::uint8_t> stream,
                                                       const std::optional<std::string>& password,
                                                       FileBytes& decrypted) {
  const std::optional<StreamStart> start = ReadStreamStart(stream);
  const BiffVersion version = start ? start->version : BiffVersion::kBiff8;
  const bool earlier = version != BiffVersion::kBiff8 && version != BiffVersion::kBiff5;
  const std::optional<RecordHeader> header = FindFilePass(stream, !earlier);
  if (!header) return std::nullopt;
  if (earlier) return DecryptionOutcome::kMethodUnknown;
  const FilePass filePass = ReadFilePass(stream.subspan(header->payloadStart, header->length), version);
  DecryptionOutcome outcome = DecryptionOutcome::kMethodUnknown;
  switch (filePass.method) {
    case Method::kXor:
      outcome = DecryptWithFirstPassword(
          password,
          [&](std::u16string_view candidate) { return XorArrayForPassword(filePass.xorVerifier, candidate); },
          [&](const XorArray& array) { DecryptXor(stream, array, decrypted); });
      break;
    case Method::kRc4:
      outcome = DecryptWithFirstPassword(
          password, [&](std::u16string_view candidate) { return Rc4KeysForPassword(filePass.rc4, candidate); },
          [&](const Rc4BlockKey& keyOf) { DecryptRc4(stream, keyOf, decrypted); });
      break;
    case Method::kCryptoApiRc4:
      outcome = DecryptWithFirstPassword(
          password,
          [&](std::u16string_view candidate) {
            return CryptoApiRc4KeysForPassword(filePass.cryptoApi, candidate);
          },
          [&](const Rc4BlockKey& keyOf) { DecryptRc4(stream, keyOf, decrypted); });
      break;
    case Method::kUnknown:
      break;
  }
  if (outcome == DecryptionOutcome::kDecrypted) {
    decrypted[header->payloadStart - kRecordHeaderSize] = kRecordFilePassOpened & 0xFF;
    decrypted[header->payloadStart - kRecordHeaderSize + 1] = kRecordFilePassOpened >> 8;
  }
  return outcome;
}

}  // namespace tabulox
