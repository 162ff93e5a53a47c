#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/link_settings.h"
#include "link/tsock.h"
#include "platform/pacing.h"

namespace kv3::link {

// One conversation with the units over the window's datagram socket: open it on the tool's
// reply port towards a target, send command frames, give the answers the fixed pause to
// arrive, take what has arrived without waiting, close. Nothing waits beyond the pause; an
// answer that comes later is lost with the socket.
//
// The socket must be a datagram socket. If the exchange is left by an exception while the
// socket is open, the destructor closes it, so answers of a failed exchange never reach the
// next one.
class Exchange {
 public:
  static constexpr int kAnswerPauseMs = 500;
  // Strangers' datagrams skipped while looking for the target's answer, at most: a flood must
  // not hold the window.
  static constexpr int kMaxSkipped = 256;

  Exchange(TSock& sock, const LinkSettings& settings, platform::Pacing& pacing);
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;
  ~Exchange();

  // Sets the host, the local port (the reply port) and the remote port (the command port) and
  // opens the socket. False when the reply port could not be bound; the next send then throws
  // "SendDatagram - Socket Not Connected".
  bool open(const std::string& host);
  // open() towards the settings' broadcast address.
  bool openBroadcast();
  // Sends the following frames to host; the open socket resolves it at once.
  void retarget(const std::string& host);
  const std::string& target() const { return target_; }

  // Sends one frame to the target.
  void send(std::span<const std::uint8_t> frame);
  // The fixed pause after a command datagram.
  void pauseForAnswer();
  // One waiting datagram, byte for byte, without waiting; nothing when none is waiting. With
  // fromTarget, datagrams from any other address (a late answer to an earlier broadcast, a
  // stranger) are passed over, at most kMaxSkipped of them.
  std::optional<std::string> takeWaiting(bool fromTarget);
  // Takes one waiting answer, without waiting, and returns exactly `kept` bytes: its first
  // bytes, zero-filled beyond its end or all zero when nothing was waiting. Call it again
  // at once for further answers that are already queued.
  std::vector<std::uint8_t> receive(std::size_t kept);
  // Like receive(), for an answer that only the target itself can give: waiting datagrams from
  // any other address (a late answer to an earlier broadcast, a stranger) are skipped.
  std::vector<std::uint8_t> receiveFromTarget(std::size_t kept);
  // send, pause, receive.
  std::vector<std::uint8_t> request(std::span<const std::uint8_t> frame, std::size_t kept);
  // send, pause, receiveFromTarget.
  std::vector<std::uint8_t> requestFromTarget(std::span<const std::uint8_t> frame,
                                              std::size_t kept);
  // Closes the socket; what is still queued is discarded.
  bool close();

 private:
  TSock& sock_;
  const LinkSettings& settings_;
  platform::Pacing& pacing_;
  std::string target_;
  bool opened_ = false;
};

// One whole exchange: open towards host, send the frame, pause, take one answer of `kept`
// bytes, close.
std::vector<std::uint8_t> ExchangeOnce(TSock& sock, const LinkSettings& settings,
                                       platform::Pacing& pacing, const std::string& host,
                                       std::span<const std::uint8_t> frame, std::size_t kept);

}  // namespace kv3::link
