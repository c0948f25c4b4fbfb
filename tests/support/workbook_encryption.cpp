#include "support/workbook_encryption.h"

#include <nettle/aes.h>
#include <nettle/arcfour.h>
#include <nettle/base64.h>
#include <nettle/cbc.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "crypt/agile_encryption.h"
#include "crypt/binary_rc4.h"
#include "crypt/cryptoapi_rc4.h"
#include "crypt/password_text.h"
#include "crypt/standard_encryption.h"
#include "crypt/xor_obfuscation.h"
#include "support/cfb_writer.h"

namespace tabulox::testing {
namespace {

constexpr std::size_t kRc4Block = 1024;
constexpr std::size_t kSegment = 4096;

std::vector<std::uint8_t> Filled(std::size_t size, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + 7 * i);
  return bytes;
}

const std::vector<std::uint8_t> kSalt = Filled(16, 0x10);
const std::vector<std::uint8_t> kVerifier = Filled(16, 0x60);

void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void Rc4InPlace(std::span<const std::uint8_t> key, std::span<std::uint8_t> bytes) {
  arcfour_ctx context;
  arcfour_set_key(&context, key.size(), key.data());
  arcfour_crypt(&context, bytes.size(), bytes.data(), bytes.data());
}

Rc4BlockKey BlockKeysOf(BiffEncryption method, std::u16string_view password,
                        const BiffEncryptionOptions& options) {
  if (method == BiffEncryption::kRc4) return Rc4KeysOf(kSalt, password);
  return CryptoApiRc4KeysOf(kSalt, options.keyBits == 0 ? 40 : options.keyBits, password);
}

// The verifier and its hash, encrypted with one key stream of block 0.
std::vector<std::uint8_t> EncryptedVerifierAndHash(const Rc4BlockKey& keyOf, HashAlgorithm hash) {
  std::vector<std::uint8_t> both = kVerifier;
  Append(both, HashOf(hash, {kVerifier}));
  Rc4InPlace(keyOf(0), both);
  return both;
}

// The bytes at the start of a record's payload that stay clear.
std::size_t ClearBytes(std::uint16_t type, std::size_t length) {
  switch (type) {
    case 0x0809: case 0x002F: case 0x00E1: case 0x0194: case 0x0195: case 0x0196: case 0x0138:
      return length;
    case 0x0085:
      return std::min<std::size_t>(length, 4);
    default:
      return 0;
  }
}

// Calls `encrypt(position, recordLength)` for every byte to encrypt.
template <typename Encrypt>
void ForEachEncryptedByte(const std::vector<std::uint8_t>& stream, Encrypt encrypt) {
  std::size_t at = 0;
  while (at + 4 <= stream.size()) {
    const auto type = static_cast<std::uint16_t>(stream[at] | stream[at + 1] << 8);
    const std::size_t length = static_cast<std::size_t>(stream[at + 2] | stream[at + 3] << 8);
    const std::size_t payload = at + 4;
    if (payload + length > stream.size()) throw std::invalid_argument("record cut off");
    for (std::size_t i = ClearBytes(type, length); i < length; ++i) encrypt(payload + i, length);
    at = payload + length;
  }
}

std::string Base64(std::span<const std::uint8_t> bytes) {
  std::string text(BASE64_ENCODE_RAW_LENGTH(bytes.size()), '\0');
  base64_encode_raw(text.data(), bytes.size(), bytes.data());
  return text;
}

const char* HashName(HashAlgorithm hash) {
  switch (hash) {
    case HashAlgorithm::kMd5: return "MD5";
    case HashAlgorithm::kSha1: return "SHA1";
    case HashAlgorithm::kSha256: return "SHA256";
    case HashAlgorithm::kSha384: return "SHA384";
    case HashAlgorithm::kSha512: return "SHA512";
  }
  return "SHA1";
}

template <typename Schedule, void (*encrypt)(const Schedule*, std::size_t, std::uint8_t*, const std::uint8_t*)>
void EncryptWith(const void* schedule, std::size_t length, std::uint8_t* out, const std::uint8_t* in) {
  encrypt(static_cast<const Schedule*>(schedule), length, out, in);
}

// AES encryption of whole blocks (the last one padded with zeros), chained
// from `iv` when it is given.
std::vector<std::uint8_t> AesEncrypt(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
                                     std::vector<std::uint8_t> plain) {
  plain.resize((plain.size() + 15) / 16 * 16, 0);
  std::vector<std::uint8_t> out(plain.size());
  union {
    aes128_ctx aes128;
    aes192_ctx aes192;
    aes256_ctx aes256;
  } schedule;
  nettle_cipher_func* encrypt = nullptr;
  if (key.size() == 16) {
    aes128_set_encrypt_key(&schedule.aes128, key.data());
    encrypt = &EncryptWith<aes128_ctx, &aes128_encrypt>;
  } else if (key.size() == 24) {
    aes192_set_encrypt_key(&schedule.aes192, key.data());
    encrypt = &EncryptWith<aes192_ctx, &aes192_encrypt>;
  } else {
    aes256_set_encrypt_key(&schedule.aes256, key.data());
    encrypt = &EncryptWith<aes256_ctx, &aes256_encrypt>;
  }
  if (iv.empty()) {
    encrypt(&schedule, plain.size(), out.data(), plain.data());
  } else {
    std::array<std::uint8_t, 16> chain;
    std::copy_n(iv.begin(), 16, chain.begin());
    cbc_encrypt(&schedule, encrypt, 16, chain.data(), plain.size(), out.data(), plain.data());
  }
  return out;
}

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

void PutU64(std::vector<std::uint8_t>& out, std::uint64_t value) {
  PutU32(out, static_cast<std::uint32_t>(value));
  PutU32(out, static_cast<std::uint32_t>(value >> 32));
}

// [MS-OFFCRYPTO] 2.3.2 and 2.3.3 after the version: Flags, the header's size,
// the header with a provider name, and the verifier.
void PutBinaryEncryptionInfo(std::vector<std::uint8_t>& out, std::uint32_t flags, std::uint32_t algorithm,
                             std::uint32_t keyBits, std::span<const std::uint8_t> verifierAndHash) {
  std::vector<std::uint8_t> header;
  PutU32(header, flags);
  PutU32(header, 0);  // SizeExtra
  PutU32(header, algorithm);
  PutU32(header, 0x8004);  // SHA-1
  PutU32(header, keyBits);
  PutU32(header, algorithm == 0x6801 ? 1 : 0x18);  // PROV_RSA_FULL, PROV_RSA_AES
  PutU32(header, 0);
  PutU32(header, 0);
  for (const char16_t c : std::u16string_view(u"Test Cryptographic Provider")) PutU16(header, c);
  PutU16(header, 0);
  PutU32(out, flags);
  PutU32(out, static_cast<std::uint32_t>(header.size()));
  Append(out, header);
  PutU32(out, 16);
  Append(out, kSalt);
  Append(out, std::span(verifierAndHash).first(16));
  PutU32(out, 20);
  Append(out, std::span(verifierAndHash).subspan(16));
}

EncryptedPackageStreams StandardStreams(std::span<const std::uint8_t> package, std::u16string_view password,
                                        const PackageEncryptionOptions& options) {
  const std::vector<std::uint8_t> key = StandardKeyOf(kSalt, options.keyBits / 8, password);
  std::vector<std::uint8_t> verifierAndHash = AesEncrypt(key, {}, kVerifier);
  Append(verifierAndHash, AesEncrypt(key, {}, HashOf(HashAlgorithm::kSha1, {kVerifier})));
  EncryptedPackageStreams streams;
  PutU16(streams.encryptionInfo, 4);
  PutU16(streams.encryptionInfo, 2);
  const std::uint32_t algorithm = options.keyBits == 256 ? 0x6610 : options.keyBits == 192 ? 0x660F : 0x660E;
  PutBinaryEncryptionInfo(streams.encryptionInfo, 0x24, algorithm, options.keyBits, verifierAndHash);
  PutU64(streams.encryptedPackage, package.size());
  Append(streams.encryptedPackage, AesEncrypt(key, {}, {package.begin(), package.end()}));
  return streams;
}

std::string KeyAttributes(std::span<const std::uint8_t> salt, const PackageEncryptionOptions& options) {
  return "saltSize=\"" + std::to_string(salt.size()) + "\" blockSize=\"16\" keyBits=\"" +
         std::to_string(options.keyBits) + "\" hashSize=\"" + std::to_string(DigestSize(options.hash)) +
         "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" +
         HashName(options.hash) + "\" saltValue=\"" + Base64(salt) + "\"";
}

EncryptedPackageStreams AgileStreams(std::span<const std::uint8_t> package, std::u16string_view password,
                                     const PackageEncryptionOptions& options) {
  const std::vector<std::uint8_t> dataSalt = Filled(16, 0x31);
  const std::vector<std::uint8_t> packageKey = Filled(options.keyBits / 8, 0x85);
  AgilePasswordKey encryptor;
  encryptor.parameters.salt = kSalt;
  encryptor.parameters.blockSize = 16;
  encryptor.parameters.keyBits = options.keyBits;
  encryptor.parameters.hashSize = static_cast<std::uint32_t>(DigestSize(options.hash));
  encryptor.parameters.hash = options.hash;
  encryptor.spinCount = options.spinCount;
  auto encryptValue = [&](std::span<const std::uint8_t> blockKey, std::vector<std::uint8_t> value) {
    return AesEncrypt(AgileEncryptorKey(encryptor, password, blockKey), kSalt, std::move(value));
  };
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
      "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<keyData " + KeyAttributes(dataSalt, options) + "/>"
      "<dataIntegrity encryptedHmacKey=\"" + Base64(Filled(64, 1)) + "\" encryptedHmacValue=\"" +
      Base64(Filled(64, 2)) + "\"/>"
      "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<p:encryptedKey spinCount=\"" + std::to_string(options.spinCount) + "\" " + KeyAttributes(kSalt, options) +
      " encryptedVerifierHashInput=\"" + Base64(encryptValue(kVerifierInputBlockKey, kVerifier)) +
      "\" encryptedVerifierHashValue=\"" +
      Base64(encryptValue(kVerifierValueBlockKey, HashOf(options.hash, {kVerifier}))) +
      "\" encryptedKeyValue=\"" + Base64(encryptValue(kKeyValueBlockKey, packageKey)) +
      "\"/></keyEncryptor></keyEncryptors></encryption>";
  EncryptedPackageStreams streams;
  streams.encryptionInfo = AgileEncryptionInfo(xml);
  PutU64(streams.encryptedPackage, package.size());
  for (std::size_t at = 0, segment = 0; at < package.size(); at += kSegment, ++segment) {
    const std::span<const std::uint8_t> plain = package.subspan(at, std::min(kSegment, package.size() - at));
    const std::vector<std::uint8_t> iv =
        HashOf(options.hash, {dataSalt, LittleEndian32(static_cast<std::uint32_t>(segment))});
    Append(streams.encryptedPackage, AesEncrypt(packageKey, std::span(iv).first(16), {plain.begin(), plain.end()}));
  }
  return streams;
}

}  // namespace

std::vector<std::uint8_t> WithFilePass(std::span<const std::uint8_t> stream,
                                       std::span<const std::uint8_t> payload) {
  if (stream.size() < 4) throw std::invalid_argument("no BOF record");
  const std::size_t bofEnd = 4 + static_cast<std::size_t>(stream[2] | stream[3] << 8);
  const std::size_t moved = 4 + payload.size();
  std::vector<std::uint8_t> out(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(bofEnd));
  PutU16(out, 0x002F);
  PutU16(out, static_cast<std::uint32_t>(payload.size()));
  Append(out, payload);
  out.insert(out.end(), stream.begin() + static_cast<std::ptrdiff_t>(bofEnd), stream.end());
  // The globals' BOUNDSHEET records, up to their EOF.
  for (std::size_t at = moved + bofEnd; at + 4 <= out.size();) {
    const auto type = static_cast<std::uint16_t>(out[at] | out[at + 1] << 8);
    const std::size_t length = static_cast<std::size_t>(out[at + 2] | out[at + 3] << 8);
    if (type == 0x000A) break;
    if (type == 0x0085 && length >= 4) {
      std::uint32_t offset = 0;
      for (int i = 3; i >= 0; --i) offset = offset << 8 | out[at + 4 + static_cast<std::size_t>(i)];
      offset += static_cast<std::uint32_t>(moved);
      for (std::size_t i = 0; i < 4; ++i) out[at + 4 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    }
    at += 4 + length;
  }
  return out;
}

std::vector<std::uint8_t> FilePassPayload(BiffEncryption method, std::u16string_view password,
                                          const BiffEncryptionOptions& options) {
  std::vector<std::uint8_t> payload;
  if (method == BiffEncryption::kXor) {
    const std::vector<std::uint8_t> bytes = XorPasswordBytes(password);
    if (!options.biff5) PutU16(payload, 0);
    PutU16(payload, XorKey(bytes));
    PutU16(payload, XorPasswordVerifier(bytes));
    return payload;
  }
  PutU16(payload, 1);
  const Rc4BlockKey keyOf = BlockKeysOf(method, password, options);
  if (method == BiffEncryption::kRc4) {
    PutU16(payload, 1);
    PutU16(payload, 1);
    Append(payload, kSalt);
    Append(payload, EncryptedVerifierAndHash(keyOf, HashAlgorithm::kMd5));
    return payload;
  }
  PutU16(payload, 4);
  PutU16(payload, 2);
  PutBinaryEncryptionInfo(payload, 0x04, 0x6801, options.keyBits,
                          EncryptedVerifierAndHash(keyOf, HashAlgorithm::kSha1));
  return payload;
}

void EncryptBiffStream(std::vector<std::uint8_t>& stream, BiffEncryption method,
                       std::u16string_view password, const BiffEncryptionOptions& options) {
  if (method == BiffEncryption::kXor) {
    const XorArray array = MakeXorArray(XorPasswordBytes(password));
    ForEachEncryptedByte(stream, [&](std::size_t at, std::size_t recordLength) {
      const auto rotated = static_cast<std::uint8_t>(stream[at] << 5 | stream[at] >> 3);
      stream[at] = static_cast<std::uint8_t>(rotated ^ array[(at + recordLength) % 16]);
    });
    return;
  }
  // The key stream of the whole stream, block by block, over the bytes to encrypt.
  const Rc4BlockKey keyOf = BlockKeysOf(method, password, options);
  std::vector<std::uint8_t> keyStream(stream.size(), 0);
  for (std::size_t at = 0; at < keyStream.size(); at += kRc4Block) {
    Rc4InPlace(keyOf(static_cast<std::uint32_t>(at / kRc4Block)),
               std::span(keyStream).subspan(at, std::min(kRc4Block, keyStream.size() - at)));
  }
  ForEachEncryptedByte(stream, [&](std::size_t at, std::size_t) { stream[at] ^= keyStream[at]; });
}

EncryptedPackageStreams EncryptPackageStreams(std::span<const std::uint8_t> package,
                                              PackageEncryption method, std::u16string_view password,
                                              const PackageEncryptionOptions& options) {
  return method == PackageEncryption::kStandard ? StandardStreams(package, password, options)
                                                : AgileStreams(package, password, options);
}

std::vector<std::uint8_t> EncryptedPackageFile(const EncryptedPackageStreams& streams) {
  return WriteCompoundFile({{u"EncryptionInfo", streams.encryptionInfo},
                            {u"EncryptedPackage", streams.encryptedPackage}});
}

std::string AgileDescriptorXml(const EncryptedPackageStreams& streams) {
  return {streams.encryptionInfo.begin() + 8, streams.encryptionInfo.end()};
}

std::vector<std::uint8_t> AgileEncryptionInfo(std::string_view xml) {
  std::vector<std::uint8_t> info;
  PutU16(info, 4);
  PutU16(info, 4);
  PutU32(info, 0x40);
  info.insert(info.end(), xml.begin(), xml.end());
  return info;
}

}  // namespace tabulox::testing
