// The pieces of crypt/ that the engine tests do not single out: passwords as
// text, the ciphers' wiring against published test vectors, and the XOR
// obfuscation values against what a spreadsheet application stored.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "crypt/aes_decryptor.h"
#include "crypt/password_text.h"
#include "crypt/xor_obfuscation.h"
#include "xls/compound_file.h"

namespace tabulox {
namespace {

std::vector<std::uint8_t> Hex(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return bytes;
}

TEST(PasswordText, Utf8BecomesUtf16WithSurrogatesAndReplacements) {
  const struct {
    const char* what;
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"ASCII", "password", u"password"},
      {"two- and three-byte sequences", "s\xC3\xA9same \xE4\xB8\xAD", u"s\u00e9same \u4e2d"},
      {"beyond the first plane", "k\xF0\x9F\x94\x91", u"k\U0001F511"},
      {"a lone continuation byte", "a\x80z", u"a\uFFFDz"},
      {"an overlong form", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"an encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"cut off at the end", "ab\xE4\xB8", u"ab\uFFFD\uFFFD"},
      {"empty", "", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16) << c.what;
}

TEST(PasswordText, TheDefaultPasswordIsTriedFirstAndOnce) {
  EXPECT_EQ(CandidatePasswords(std::nullopt), std::vector<std::u16string>{u"VelvetSweatshop"});
  EXPECT_EQ(CandidatePasswords("VelvetSweatshop"), std::vector<std::u16string>{u"VelvetSweatshop"});
  EXPECT_EQ(CandidatePasswords(""), (std::vector<std::u16string>{u"VelvetSweatshop", u""}));
  EXPECT_EQ(CandidatePasswords("x"), (std::vector<std::u16string>{u"VelvetSweatshop", u"x"}));
  EXPECT_EQ(Utf16LeBytes(u"A\u4e2d"), (std::vector<std::uint8_t>{0x41, 0x00, 0x2d, 0x4e}));
}

// FIPS-197 appendix C and SP 800-38A F.2.2: the decryptor is keyed for
// decryption and chains as CBC does.
TEST(AesDecryptor, DecryptsThePublishedVectors) {
  const std::vector<std::uint8_t> plain = Hex("00112233445566778899aabbccddeeff");
  const struct {
    const char* key;
    const char* cipher;
  } ecb[] = {
      {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
       "8ea2b7ca516745bfeafc49904b496089"},
  };
  for (const auto& c : ecb) {
    const auto aes = AesDecryptor::ForKey(Hex(c.key));
    ASSERT_NE(aes, nullptr);
    std::vector<std::uint8_t> out(16);
    aes->DecryptEcb(Hex(c.cipher), out);
    EXPECT_EQ(out, plain) << c.key;
  }
  const auto aes = AesDecryptor::ForKey(Hex("2b7e151628aed2a6abf7158809cf4f3c"));
  const std::vector<std::uint8_t> cipher =
      Hex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2");
  std::vector<std::uint8_t> out(cipher.size());
  aes->DecryptCbc(Hex("000102030405060708090a0b0c0d0e0f"), cipher, out);
  EXPECT_EQ(out, Hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"));
  EXPECT_EQ(AesDecryptor::ForKey(Hex("000102030405060708090a0b0c0d0e")), nullptr);
}

// The key and verifier of the FILEPASS record of a corpus workbook, which a
// spreadsheet application wrote: std::nullopt when the corpus is absent.
std::optional<std::pair<std::uint16_t, std::uint16_t>> StoredXorFields(const char* name, bool biff8) {
  const std::filesystem::path path = std::filesystem::path(TABULOX_CORPUS_DIR) / "xls" / name;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
  std::string error;
  const auto storage = CompoundFile::Open(file, error);
  if (!storage) return std::nullopt;
  auto stream = storage->OpenStream(biff8 ? u"Workbook" : u"Book");
  if (!stream) return std::nullopt;
  ByteReader reader(*stream);
  while (reader.remaining() >= 4) {
    const std::uint16_t type = reader.u16le();
    const std::uint16_t length = reader.u16le();
    ByteReader payload(reader.bytes(length));
    if (type != 0x002F) continue;
    if (biff8) payload.u16le();
    const std::uint16_t key = payload.u16le();
    return std::make_pair(key, payload.u16le());
  }
  return std::nullopt;
}

TEST(XorObfuscation, KeyAndVerifierAreWhatApplicationsStore) {
  const auto abc = StoredXorFields("poi__xor-encryption-abc.xls", true);
  const auto velvet = StoredXorFields("poi__60284.xls", false);
  if (!abc || !velvet) GTEST_SKIP() << "corpus not present";
  const std::vector<std::uint8_t> abcBytes = XorPasswordBytes(u"abc");
  EXPECT_EQ(XorKey(abcBytes), abc->first);
  EXPECT_EQ(XorPasswordVerifier(abcBytes), abc->second);
  const std::vector<std::uint8_t> velvetBytes = XorPasswordBytes(u"VelvetSweatshop");
  EXPECT_EQ(XorKey(velvetBytes), velvet->first);
  EXPECT_EQ(XorPasswordVerifier(velvetBytes), velvet->second);
}

TEST(XorObfuscation, PasswordsAreOneByteACharacterOfOneToFifteen) {
  EXPECT_EQ(XorPasswordBytes(u"a\u00e9\u4e00"), (std::vector<std::uint8_t>{0x61, 0xE9, 0x4E}));
  const std::uint16_t verifier = XorPasswordVerifier(XorPasswordBytes(u"abc"));
  EXPECT_TRUE(XorArrayForPassword(verifier, u"abc").has_value());
  EXPECT_FALSE(XorArrayForPassword(verifier, u"abd").has_value());
  EXPECT_FALSE(XorArrayForPassword(XorPasswordVerifier({}), u"").has_value());
  const std::u16string fifteen(15, u'z');
  const std::vector<std::uint8_t> fifteenBytes = XorPasswordBytes(fifteen);
  EXPECT_TRUE(XorArrayForPassword(XorPasswordVerifier(fifteenBytes), fifteen).has_value());
  const std::u16string sixteen(16, u'z');
  EXPECT_FALSE(XorArrayForPassword(XorPasswordVerifier(XorPasswordBytes(sixteen)), sixteen).has_value());
}

}  // namespace
}  // namespace tabulox
