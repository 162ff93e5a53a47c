#include <openssl/evp.h>

#include <stdexcept>

#include "platform/digest.h"

namespace kv3::platform {

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
  ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context == nullptr ||
      EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 is not available");
  }
}

Sha256::~Sha256() = default;

void Sha256::add(std::span<const std::uint8_t> bytes) {
  EVP_DigestUpdate(state_->context, bytes.data(), bytes.size());
}

std::array<std::uint8_t, 32> Sha256::finish() {
  std::array<std::uint8_t, 32> digest{};
  unsigned length = 0;
  EVP_DigestFinal_ex(state_->context, digest.data(), &length);
  return digest;
}

}  // namespace kv3::platform
