#include "link/requester.h"

#include "link/exchange.h"

namespace kv3::link {

std::vector<std::uint8_t> SocketRequester::request(const std::string& address,
                                                   std::span<const std::uint8_t> frame,
                                                   std::size_t kept) {
  if (sock_.SocketType() != TSocketType::stDatagram) sock_.SetSocketType(TSocketType::stDatagram);
  Exchange exchange(sock_, settings_, pacing_);
  exchange.open(address);
  // A late answer of another unit is no answer of this one.
  std::vector<std::uint8_t> answer = exchange.requestFromTarget(frame, kept);
  exchange.close();
  return answer;
}

std::vector<std::uint8_t> PortRequester::request(const std::string& address,
                                                 std::span<const std::uint8_t> frame,
                                                 std::size_t kept) {
  return port_.request(address, frame, Exchange::kAnswerPauseMs, kept, pacing_);
}

}  // namespace kv3::link
