#include "link/reply_port.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

#include "link/adapters.h"
#include "link/answer.h"
#include "link/exchange.h"
#include "link/tsock.h"
#include "platform/network_policy.h"

namespace kv3::link {

namespace {

// Room for the answers of a thousand units and more between two looks at the socket.
constexpr int kReceiveRoomBytes = 4 << 20;
// How often the socket is emptied during a pause.
constexpr int kDrainSliceMs = 20;

}  // namespace

ReplyPortSocket::ReplyPortSocket(std::uint16_t port, const std::vector<Way>& ways) {
  const std::uint16_t netPort = platform::ToNet16(port);
  if (!platform::SearchesFromEachAdapter()) {
    error_ = bind(sockets_.emplace_back(), platform::kAnyAddress, netPort);
    if (error_ != 0) sockets_.clear();
    return;
  }
  adapters_ = UpAdapters();
  for (const Way& asked : ways) {
    const Way way = bindingFor(asked);
    const bool have = std::any_of(sockets_.begin(), sockets_.end(), [&](const Bound& bound) {
      return bound.way.source == way.source;
    });
    if (have) continue;
    Bound& bound = sockets_.emplace_back();
    bound.way = way;
    error_ = bind(bound, way.source, netPort);
    if (error_ != 0) break;
  }
  if (error_ != 0) sockets_.clear();
}

Way ReplyPortSocket::bindingFor(const Way& way) const {
  for (const Adapter& adapter : adapters_) {
    // The adapter's first address where the way names none.
    if (way.adapterIndex != 0 && adapter.index == way.adapterIndex &&
        (way.source == 0 || way.source == adapter.address)) {
      return {adapter.index, adapter.address};
    }
  }
  // An adapter or address that went away meanwhile is reached wherever the routes lead.
  return {};
}

int ReplyPortSocket::bind(Bound& bound, std::uint32_t address, std::uint16_t port) {
  bound.socket = platform::Socket(platform::Socket::Kind::Datagram);
  if (!bound.socket) return bound.socket.error();
  bound.socket.setNonBlocking();
  bound.socket.allowBroadcast();
  bound.socket.receiveAdapter();
  bound.socket.setReceiveBuffer(kReceiveRoomBytes);
  bound.socket.countDrops();
  const int error = bound.socket.bind(address, port);
  if (error != 0) bound.socket.close();
  return error;
}

int ReplyPortSocket::send(std::uint32_t address, std::uint16_t port,
                          std::span<const std::uint8_t> frame, const Way& way) {
  if (platform::SearchesFromEachAdapter()) {
    // Bound to the address, a socket sends from it and out of its adapter.
    const Way binding = bindingFor(way);
    for (Bound& bound : sockets_) {
      if (bound.way.source == binding.source) {
        return bound.socket.sendTo(address, platform::ToNet16(port), frame);
      }
    }
  } else if (!sockets_.empty()) {
    return sockets_.front().socket.sendTo(address, platform::ToNet16(port), frame, way.adapterIndex,
                                          way.source);
  }
  // Not a way this socket was made for: nothing is sent.
  return error_ != 0 ? error_ : platform::UnreachableError();
}

std::vector<ReplyPortSocket::Datagram> ReplyPortSocket::takeWaiting(std::size_t limit) {
  std::vector<Datagram> taken;
  std::vector<char> buffer(TSock::kReceiveBufferSize);
  for (Bound& bound : sockets_) {
    while (taken.size() < limit) {
      int error = 0;
      const auto received = bound.socket.receiveFrom(buffer, error);
      if (!received) break;  // nothing more waiting (or an error the next search meets again)
      dropped_ = std::max(dropped_, received->droppedSoFar);
      const unsigned adapter =
          received->adapterIndex != 0 ? received->adapterIndex : bound.way.adapterIndex;
      const std::uint32_t destination =
          received->destination != 0 ? received->destination : bound.way.source;
      taken.push_back({std::string(buffer.data(), std::min(received->size, kDatagramKept)),
                       received->sender, adapter, destination});
    }
  }
  return taken;
}

ReplyPortChannel::ReplyPortChannel(ReplyPortSocket& socket, const LinkSettings& settings,
                                   platform::Pacing& pacing, std::vector<Target> targets,
                                   Answers answers)
    : socket_(socket),
      settings_(settings),
      pacing_(pacing),
      targets_(std::move(targets)),
      answers_(answers),
      errors_(targets_.size(), 0) {}

void ReplyPortChannel::ask(std::span<const std::uint8_t> frame) {
  socket_.takeWaiting(kMaxAnswersPerPause);
  std::vector<std::uint32_t> asked;
  for (std::size_t i = 0; i < targets_.size(); ++i) {
    const Target& target = targets_[i];
    errors_[i] = 0;
    // Units that share an address are that address's one unit: it is asked once.
    if (answers_ == Answers::ByUnit) {
      if (std::find(asked.begin(), asked.end(), target.address) != asked.end()) continue;
      asked.push_back(target.address);
    }
    if (target.askable && !frame.empty() && frame.front() != 0) {
      errors_[i] = socket_.send(target.address, settings_.commandPort, frame, target.way);
    }
  }
  taken_.clear();
  for (int waited = 0; waited < Exchange::kAnswerPauseMs; waited += kDrainSliceMs) {
    pacing_.pause(std::min(kDrainSliceMs, Exchange::kAnswerPauseMs - waited));
    std::vector<ReplyPortSocket::Datagram> more =
        socket_.takeWaiting(kMaxAnswersPerPause - taken_.size());
    std::move(more.begin(), more.end(), std::back_inserter(taken_));
  }
  cursors_.assign(answers_ == Answers::ByUnit ? targets_.size() : 1, 0);
}

std::optional<UnitChannel::Answer> ReplyPortChannel::next(std::size_t kept, std::size_t unit) {
  // One cursor per unit on a channel to units, one for all answers otherwise.
  const bool byUnit = answers_ == Answers::ByUnit;
  if (unit >= cursors_.size()) return std::nullopt;
  std::size_t& cursor = cursors_[unit];
  while (cursor < taken_.size()) {
    const ReplyPortSocket::Datagram& datagram = taken_[cursor++];
    if (!byUnit || datagram.sender == targets_[unit].address) {
      return Answer{KeepAnswer(datagram.bytes, kept), datagram.adapterIndex, datagram.destination};
    }
  }
  return std::nullopt;
}

}  // namespace kv3::link
