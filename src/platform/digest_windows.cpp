#include <windows.h>
// After windows.h, which it builds on.
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>

#include "platform/digest.h"

namespace kv3::platform {

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  ~State() {
    if (hash != nullptr) ::BCryptDestroyHash(hash);
    if (algorithm != nullptr) ::BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (::BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0 ||
      ::BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0) < 0) {
    throw std::runtime_error("SHA-256 is not available");
  }
}

Sha256::~Sha256() = default;

void Sha256::add(std::span<const std::uint8_t> bytes) {
  // CNG takes at most 4 GiB at a time.
  while (!bytes.empty()) {
    const auto piece = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), 1u << 30));
    ::BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes.data()), piece, 0);
    bytes = bytes.subspan(piece);
  }
}

std::array<std::uint8_t, 32> Sha256::finish() {
  std::array<std::uint8_t, 32> digest{};
  ::BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
  return digest;
}

}  // namespace kv3::platform
