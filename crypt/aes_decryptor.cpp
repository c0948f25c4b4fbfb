#include "crypt/aes_decryptor.h"

#include <nettle/aes.h>
#include <nettle/cbc.h>

#include <array>
#include <cstring>

namespace tabulox {
namespace {

// Nettle's decryption functions in the form its chaining modes call.
template <typename KeySchedule,
          void (*decrypt)(const KeySchedule*, std::size_t, std::uint8_t*, const std::uint8_t*)>
void DecryptWith(const void* schedule, std::size_t length, std::uint8_t* out, const std::uint8_t* in) {
  decrypt(static_cast<const KeySchedule*>(schedule), length, out, in);
}

}  // namespace

// Nettle's key schedule for one key size and the function that decrypts with it.
struct AesDecryptor::Context {
  union {
    aes128_ctx aes128;
    aes192_ctx aes192;
    aes256_ctx aes256;
  };
  nettle_cipher_func* decrypt = nullptr;
};

std::unique_ptr<AesDecryptor> AesDecryptor::ForKey(std::span<const std::uint8_t> key) {
  auto context = std::make_unique<Context>();
  switch (key.size()) {
    case AES128_KEY_SIZE:
      aes128_set_decrypt_key(&context->aes128, key.data());
      context->decrypt = &DecryptWith<aes128_ctx, &aes128_decrypt>;
      break;
    case AES192_KEY_SIZE:
      aes192_set_decrypt_key(&context->aes192, key.data());
      context->decrypt = &DecryptWith<aes192_ctx, &aes192_decrypt>;
      break;
    case AES256_KEY_SIZE:
      aes256_set_decrypt_key(&context->aes256, key.data());
      context->decrypt = &DecryptWith<aes256_ctx, &aes256_decrypt>;
      break;
    default:
      return nullptr;
  }
  return std::unique_ptr<AesDecryptor>(new AesDecryptor(std::move(context)));
}

AesDecryptor::AesDecryptor(std::unique_ptr<Context> context) : context_(std::move(context)) {}

AesDecryptor::~AesDecryptor() = default;

void AesDecryptor::DecryptEcb(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) const {
  context_->decrypt(&context_->aes128, in.size(), out.data(), in.data());
}

void AesDecryptor::DecryptCbc(std::span<const std::uint8_t> iv, std::span<const std::uint8_t> in,
                              std::span<std::uint8_t> out) const {
  std::array<std::uint8_t, kAesBlockSize> chain;
  std::memcpy(chain.data(), iv.data(), kAesBlockSize);
  cbc_decrypt(&context_->aes128, context_->decrypt, kAesBlockSize, chain.data(), in.size(),
              out.data(), in.data());
}

}  // namespace tabulox
