#include "link/answer.h"

#include <algorithm>

#include "link/bytes.h"

namespace kv3::link {

void KeepAnswer(std::string_view datagram, std::span<std::uint8_t> dest) {
  const std::size_t copied = std::min(datagram.size(), dest.size());
  std::copy_n(as_bytes(datagram).begin(), copied, dest.begin());
  std::fill(dest.begin() + static_cast<std::ptrdiff_t>(copied), dest.end(), std::uint8_t{0});
}

std::vector<std::uint8_t> KeepAnswer(std::string_view datagram, std::size_t kept) {
  std::vector<std::uint8_t> bytes(kept, 0);
  KeepAnswer(datagram, std::span<std::uint8_t>(bytes));
  return bytes;
}

std::string AnswerText(std::span<const std::uint8_t> kept) { return read_text(kept); }

bool AnswerContains(std::span<const std::uint8_t> kept, std::string_view word) {
  return AnswerText(kept).find(word) != std::string::npos;
}

}  // namespace kv3::link
