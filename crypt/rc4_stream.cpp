#include "crypt/rc4_stream.h"

#include <nettle/arcfour.h>

#include <algorithm>

namespace tabulox {

void ApplyRc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> bytes) {
  arcfour_ctx context;
  arcfour_set_key(&context, key.size(), key.data());
  arcfour_crypt(&context, bytes.size(), bytes.data(), bytes.data());
}

bool Rc4VerifierMatches(const Rc4BlockKey& keyOf, HashAlgorithm hash,
                        std::span<const std::uint8_t> encryptedVerifier,
                        std::span<const std::uint8_t> encryptedVerifierHash) {
  std::vector<std::uint8_t> both(encryptedVerifier.begin(), encryptedVerifier.end());
  both.insert(both.end(), encryptedVerifierHash.begin(), encryptedVerifierHash.end());
  ApplyRc4(keyOf(0), both);
  const std::span<const std::uint8_t> verifier(both.data(), encryptedVerifier.size());
  const std::span<const std::uint8_t> verifierHash(both.data() + encryptedVerifier.size(),
                                                   encryptedVerifierHash.size());
  const std::vector<std::uint8_t> expected = HashOf(hash, {verifier});
  return verifierHash.size() >= expected.size() &&
         std::equal(expected.begin(), expected.end(), verifierHash.begin());
}

}  // namespace tabulox
