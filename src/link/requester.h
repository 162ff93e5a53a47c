#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/link_settings.h"
#include "link/shared_reply_port.h"
#include "link/tsock.h"
#include "platform/pacing.h"

namespace kv3::link {

// One request that only the unit addressed can answer: the frame goes to the command port of
// `address` (dotted text), the fixed pause passes, and the first `kept` bytes of the answer
// that came from that address meanwhile come back (all zero when none came). An upload's
// announce is such a request; the window and kv3 carry it on their own sockets.
class Requester {
 public:
  virtual ~Requester() = default;
  virtual std::vector<std::uint8_t> request(const std::string& address,
                                            std::span<const std::uint8_t> frame,
                                            std::size_t kept) = 0;
};

// The window's: its one datagram socket, opened towards the unit for the request and closed
// after it, so that nothing of one request is left for the next.
class SocketRequester final : public Requester {
 public:
  SocketRequester(TSock& sock, const LinkSettings& settings, platform::Pacing& pacing)
      : sock_(sock), settings_(settings), pacing_(pacing) {}
  std::vector<std::uint8_t> request(const std::string& address, std::span<const std::uint8_t> frame,
                                    std::size_t kept) override;

 private:
  TSock& sock_;
  const LinkSettings& settings_;
  platform::Pacing& pacing_;
};

// kv3's: the reply port that the units of a run share, each unit's run on its own pacing.
class PortRequester final : public Requester {
 public:
  PortRequester(SharedReplyPort& port, platform::Pacing& pacing) : port_(port), pacing_(pacing) {}
  std::vector<std::uint8_t> request(const std::string& address, std::span<const std::uint8_t> frame,
                                    std::size_t kept) override;

 private:
  SharedReplyPort& port_;
  platform::Pacing& pacing_;
};

}  // namespace kv3::link
