#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace kv3::platform {

// SHA-256 of bytes given piece by piece, from the system's own cryptography (OpenSSL's libcrypto,
// Windows' CNG).
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void add(std::span<const std::uint8_t> bytes);
  // The digest of everything added; the object is spent afterwards.
  std::array<std::uint8_t, 32> finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kv3::platform
