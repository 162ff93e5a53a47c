#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "link/link_settings.h"
#include "platform/net.h"
#include "platform/pacing.h"

namespace kv3::link {

// The tool's reply port shared by the units of one run, so that their requests need not take
// turns: every unit sends when it is ready, and one receiver files each answer under the address
// it came from. A unit's request is then exactly the one of a unit alone (datagram, the fixed
// pause, the answer that came from the unit meanwhile), however many others wait beside it;
// answers from anyone else, or after the requester's pause, are dropped. Requests to one
// address take turns, so that two units sharing an address are still told apart by time.
class SharedReplyPort {
 public:
  // Binds the reply port of settings on every address. See error().
  explicit SharedReplyPort(const LinkSettings& settings);
  ~SharedReplyPort();
  SharedReplyPort(const SharedReplyPort&) = delete;
  SharedReplyPort& operator=(const SharedReplyPort&) = delete;

  // The system's error number when the port could not be opened; 0 when open.
  int error() const { return error_; }

  // Sends frame to the command port of address (dotted text), lets pauseMs pass on pacing and
  // returns the first answer the address sent meanwhile, as `kept` bytes: cut or zero-filled,
  // all zero when none came. Throws ESockException, as an exchange does, when the port is not
  // open or the address is none; whatever pacing throws passes through.
  std::vector<std::uint8_t> request(const std::string& address, std::span<const std::uint8_t> frame,
                                    int pauseMs, std::size_t kept, platform::Pacing& pacing);

 private:
  // Files every datagram waiting on the socket. Called with mutex_ held.
  void takeWaiting();
  void receive(std::stop_token stop);

  const LinkSettings& settings_;
  platform::Socket socket_;
  int error_ = 0;
  std::mutex mutex_;
  std::condition_variable turnEnded_;
  // The addresses whose request is in its pause (network order), with their answer once it came.
  std::map<std::uint32_t, std::optional<std::vector<char>>> waiting_;
  std::vector<char> buffer_;
  std::jthread receiver_;  // last: it ends before the socket closes
};

}  // namespace kv3::link
