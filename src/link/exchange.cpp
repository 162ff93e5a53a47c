#include "link/exchange.h"

#include "link/answer.h"

namespace kv3::link {

Exchange::Exchange(TSock& sock, const LinkSettings& settings, platform::Pacing& pacing)
    : sock_(sock), settings_(settings), pacing_(pacing) {}

Exchange::~Exchange() {
  if (opened_ && sock_.Connected()) {
    sock_.Close();
  }
}

bool Exchange::open(const std::string& host) {
  target_ = host;
  sock_.SetHostName(host);
  sock_.SetLocalPortName(std::to_string(settings_.replyPort));
  sock_.SetPortName(std::to_string(settings_.commandPort));
  opened_ = true;
  return sock_.Open();
}

bool Exchange::openBroadcast() { return open(settings_.broadcastAddress); }

void Exchange::retarget(const std::string& host) {
  target_ = host;
  sock_.SetHostName(host);
}

void Exchange::send(std::span<const std::uint8_t> frame) { sock_.SendDatagram(frame, target_); }

void Exchange::pauseForAnswer() { pacing_.pause(kAnswerPauseMs); }

std::optional<std::string> Exchange::takeWaiting(bool fromTarget) {
  const std::string expected = fromTarget ? sock_.RemoteAddressText() : std::string();
  for (int skipped = 0; skipped <= kMaxSkipped; ++skipped) {
    std::string sender;
    std::string datagram = sock_.ReceiveDatagram(sender);
    if (sender.empty()) return std::nullopt;
    if (!fromTarget || sender == expected) return datagram;
  }
  return std::nullopt;
}

std::vector<std::uint8_t> Exchange::receive(std::size_t kept) {
  return KeepAnswer(takeWaiting(false).value_or(std::string()), kept);
}

std::vector<std::uint8_t> Exchange::request(std::span<const std::uint8_t> frame, std::size_t kept) {
  send(frame);
  pauseForAnswer();
  return receive(kept);
}

std::vector<std::uint8_t> Exchange::receiveFromTarget(std::size_t kept) {
  return KeepAnswer(takeWaiting(true).value_or(std::string()), kept);
}

std::vector<std::uint8_t> Exchange::requestFromTarget(std::span<const std::uint8_t> frame,
                                                      std::size_t kept) {
  send(frame);
  pauseForAnswer();
  return receiveFromTarget(kept);
}

bool Exchange::close() {
  opened_ = false;
  return sock_.Close();
}

std::vector<std::uint8_t> ExchangeOnce(TSock& sock, const LinkSettings& settings,
                                       platform::Pacing& pacing, const std::string& host,
                                       std::span<const std::uint8_t> frame, std::size_t kept) {
  Exchange exchange(sock, settings, pacing);
  exchange.open(host);
  auto answer = exchange.request(frame, kept);
  exchange.close();
  return answer;
}

}  // namespace kv3::link
