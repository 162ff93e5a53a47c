#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/link_settings.h"
#include "link/unit_channel.h"
#include "platform/net.h"
#include "platform/pacing.h"

namespace kv3::link {

// More answers than this in one pause are not taken: a flood must not hold the tool.
inline constexpr std::size_t kMaxAnswersPerPause = 16384;

// Where datagrams to a unit leave from: out of an adapter (0: wherever the routes send it) and
// from one of its addresses (0: the system's choice). A unit answers the address a datagram came
// from, and one in another network than that address's answers off its own network, where the
// answer is lost: a broadcast to a unit in the network of an adapter's second address must leave
// from that address.
struct Way {
  unsigned adapterIndex = 0;
  std::uint32_t source = 0;  // network order
};

// The tool's reply port as a search needs it on a computer with several networks: it reaches
// every one of them, not only the one the default route leaves by, and tells which adapter each
// answer came in by. Usually that is one socket on every address that sends out of a chosen
// adapter from a chosen address; where the system sends a broadcast to everyone out of one
// adapter only and lets the answers in only where the broadcast left from
// (platform::SearchesFromEachAdapter), it is one socket bound to each address datagrams leave
// from.
class ReplyPortSocket {
 public:
  struct Datagram {
    std::string bytes;         // its first kDatagramKept bytes
    std::uint32_t sender = 0;  // network order
    unsigned adapterIndex = 0;
    std::uint32_t destination = 0;  // this computer's address it was sent to; 0: not told
  };
  // No answer of a unit is longer; what a datagram holds beyond is not kept.
  static constexpr std::size_t kDatagramKept = 256;

  // Binds to port, broadcasts allowed, for sending the ways given; see error() when it could
  // not.
  ReplyPortSocket(std::uint16_t port, const std::vector<Way>& ways);

  bool open() const { return error_ == 0 && !sockets_.empty(); }
  // The system's error number of the failed bind (or of creating the socket); 0 when open.
  int error() const { return error_; }
  // Sends frame to address:port (network order address) the given way. Returns 0 or the
  // system's error number.
  int send(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> frame,
           const Way& way);
  // The datagrams that are waiting, without waiting for more; at most `limit`.
  std::vector<Datagram> takeWaiting(std::size_t limit);
  // How many datagrams the system dropped so far for want of room, where it tells.
  std::uint32_t dropped() const { return dropped_; }

 private:
  struct Bound {
    platform::Socket socket;
    Way way;  // {0, 0}: on every address, sending any way
  };
  int bind(Bound& bound, std::uint32_t address, std::uint16_t port);
  // Where sockets are bound to each address: the address a way sends from.
  Way bindingFor(const Way& way) const;

  std::vector<platform::Adapter> adapters_;  // where sockets are bound to each address
  std::vector<Bound> sockets_;
  int error_ = 0;
  std::uint32_t dropped_ = 0;
};

// kv3's channel: the reply-port socket, sending to each target its way and taking every answer
// that came within the pause. Answers are taken in the order they came, or, for a channel to
// units, filed by the unit that sent them.
class ReplyPortChannel final : public UnitChannel {
 public:
  struct Target {
    std::uint32_t address = 0;  // network order
    Way way;
    bool askable = true;  // false: this target is not sent to
  };
  enum class Answers { InArrival, ByUnit };

  ReplyPortChannel(ReplyPortSocket& socket, const LinkSettings& settings, platform::Pacing& pacing,
                   std::vector<Target> targets, Answers answers);

  // What is still waiting (a late answer to an earlier question) is dropped first. On a channel
  // to units, an address is sent to once; as on the window's socket, a frame that starts with a
  // zero byte is not sent. The answers are taken from the socket all through the pause, so
  // that the system's room for them never runs out, however many units answer.
  void ask(std::span<const std::uint8_t> frame) override;
  std::optional<Answer> next(std::size_t kept, std::size_t unit = 0) override;
  bool foreignAnswerEnds() const override { return false; }

  // The system's error number of each target's last send (0: sent or not asked).
  const std::vector<int>& sendErrors() const { return errors_; }

 private:
  ReplyPortSocket& socket_;
  const LinkSettings& settings_;
  platform::Pacing& pacing_;
  std::vector<Target> targets_;
  Answers answers_;
  std::vector<int> errors_;
  std::vector<ReplyPortSocket::Datagram> taken_;
  std::vector<std::size_t> cursors_;  // per unit: its next answer among taken_; else one cursor
};

}  // namespace kv3::link
