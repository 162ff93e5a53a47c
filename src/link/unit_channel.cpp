#include "link/unit_channel.h"

#include "link/answer.h"

namespace kv3::link {

bool AwaitWord(UnitChannel& channel, std::string_view word, std::size_t kept) {
  while (const auto answer = channel.next(kept)) {
    if (AnswerContains(answer->bytes, word)) return true;
    if (channel.foreignAnswerEnds()) return false;
  }
  return false;
}

void ExchangeChannel::ask(std::span<const std::uint8_t> frame) {
  exchange_.send(frame);
  exchange_.pauseForAnswer();
}

std::optional<UnitChannel::Answer> ExchangeChannel::next(std::size_t kept, std::size_t) {
  const std::optional<std::string> datagram = exchange_.takeWaiting(from_ == From::Target);
  if (!datagram) return std::nullopt;
  return Answer{KeepAnswer(*datagram, kept)};
}

}  // namespace kv3::link
