#include "crypt/agile_descriptor.h"

#include <nettle/base64.h>

#include <charconv>
#include <string_view>

#include "core/extraction_error.h"
#include "xml/xml_document.h"
#include "xml/xml_lookup.h"
#include "xml/xml_text.h"

namespace tabulox {
namespace {

constexpr std::string_view kPasswordKeyEncryptor =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";
constexpr std::uint32_t kAesBlockBytes = 16;
constexpr std::size_t kMaxSaltBytes = 65536;

[[noreturn]] void Damaged(const char* what) { throw ExtractionError(what); }

std::string_view Required(const XmlNode& node, std::string_view name) {
  const std::string_view value = AttributeValue(node.Attributes(), name);
  if (value.empty()) Damaged("agile encryption descriptor lacks a value");
  return value;
}

std::uint32_t Number(const XmlNode& node, std::string_view name) {
  const std::string_view text = Required(node, name);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) Damaged("agile encryption number");
  return value;
}

std::vector<std::uint8_t> Base64(const XmlNode& node, std::string_view name) {
  const std::string_view text = Required(node, name);
  std::vector<std::uint8_t> bytes(BASE64_DECODE_LENGTH(text.size()));
  base64_decode_ctx context;
  base64_decode_init(&context);
  std::size_t length = bytes.size();
  if (!base64_decode_update(&context, &length, bytes.data(), text.size(), text.data()) ||
      !base64_decode_final(&context))
    Damaged("agile encryption base64");
  bytes.resize(length);
  return bytes;
}

std::optional<HashAlgorithm> HashNamed(std::string_view name) {
  if (EqualsNoCase(name, "SHA1")) return HashAlgorithm::kSha1;
  if (EqualsNoCase(name, "SHA256")) return HashAlgorithm::kSha256;
  if (EqualsNoCase(name, "SHA384")) return HashAlgorithm::kSha384;
  if (EqualsNoCase(name, "SHA512")) return HashAlgorithm::kSha512;
  if (EqualsNoCase(name, "MD5")) return HashAlgorithm::kMd5;
  return std::nullopt;
}

// The parameters of keyData or encryptedKey; std::nullopt for a cipher,
// chaining or hash not read here.
std::optional<AgileKeyParameters> ReadParameters(const XmlNode& node) {
  const std::optional<HashAlgorithm> hash = HashNamed(Required(node, "hashAlgorithm"));
  if (!EqualsNoCase(Required(node, "cipherAlgorithm"), "AES") ||
      !EqualsNoCase(Required(node, "cipherChaining"), "ChainingModeCBC") || !hash)
    return std::nullopt;
  AgileKeyParameters parameters;
  parameters.hash = *hash;
  parameters.salt = Base64(node, "saltValue");
  parameters.blockSize = Number(node, "blockSize");
  parameters.keyBits = Number(node, "keyBits");
  parameters.hashSize = Number(node, "hashSize");
  if (parameters.blockSize != kAesBlockBytes) Damaged("agile encryption block size");
  if (parameters.keyBits != 128 && parameters.keyBits != 192 && parameters.keyBits != 256)
    Damaged("agile encryption key size");
  if (parameters.hashSize != DigestSize(parameters.hash)) Damaged("agile encryption hash size");
  if (parameters.salt.empty() || parameters.salt.size() > kMaxSaltBytes) Damaged("agile encryption salt");
  return parameters;
}

// The encryptedKey of the key encryptor that takes a password, or null.
const XmlNode* PasswordKeyNode(const XmlNode& root) {
  const XmlNode* encryptors = FindChild(root, "keyEncryptors");
  if (encryptors == nullptr) return nullptr;
  for (const XmlNode* encryptor = encryptors->FirstChild(); encryptor; encryptor = encryptor->NextSibling()) {
    if (!HasLocalName(*encryptor, "keyEncryptor") ||
        AttributeValue(encryptor->Attributes(), "uri") != kPasswordKeyEncryptor)
      continue;
    if (const XmlNode* key = FindChild(*encryptor, "encryptedKey")) return key;
  }
  return nullptr;
}

}  // namespace

std::optional<AgileDescriptor> ReadAgileDescriptor(std::span<const std::uint8_t> xml) {
  XmlDocument document;
  LoadWholeDocument(document,
                    std::string_view(reinterpret_cast<const char*>(xml.data()), xml.size()));
  const XmlNode& root = document.Root();
  if (!HasLocalName(root, "encryption")) Damaged("agile encryption descriptor");
  const XmlNode* keyData = FindChild(root, "keyData");
  if (keyData == nullptr) Damaged("agile encryption descriptor lacks keyData");
  const XmlNode* passwordKey = PasswordKeyNode(root);
  if (passwordKey == nullptr) return std::nullopt;

  AgileDescriptor descriptor;
  std::optional<AgileKeyParameters> parameters = ReadParameters(*keyData);
  std::optional<AgileKeyParameters> keyParameters = ReadParameters(*passwordKey);
  if (!parameters || !keyParameters) return std::nullopt;
  descriptor.keyData = std::move(*parameters);
  AgilePasswordKey& key = descriptor.passwordKey;
  key.parameters = std::move(*keyParameters);
  key.spinCount = Number(*passwordKey, "spinCount");
  if (key.spinCount > kMaxAgileSpinCount) Damaged("agile encryption spin count");
  key.encryptedVerifierHashInput = Base64(*passwordKey, "encryptedVerifierHashInput");
  key.encryptedVerifierHashValue = Base64(*passwordKey, "encryptedVerifierHashValue");
  key.encryptedKeyValue = Base64(*passwordKey, "encryptedKeyValue");
  return descriptor;
}

}  // namespace tabulox
