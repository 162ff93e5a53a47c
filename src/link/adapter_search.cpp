#include "link/adapter_search.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>

#include "link/adapters.h"
#include "link/address_lookup.h"
#include "link/answer.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/tsock.h"
#include "link/unit_search.h"
#include "platform/network_policy.h"

namespace kv3::link {

ReplyPortSocket::ReplyPortSocket(std::uint16_t port, const std::vector<unsigned>& adapterIndices) {
  const std::uint16_t netPort = platform::ToNet16(port);
  if (!platform::SearchesFromEachAdapter()) {
    error_ = bind(sockets_.emplace_back(), platform::kAnyAddress, netPort);
    return;
  }
  const std::vector<Adapter> adapters = UpAdapters();
  for (const unsigned index : adapterIndices) {
    const bool have = std::any_of(sockets_.begin(), sockets_.end(),
                                  [&](const Bound& bound) { return bound.adapterIndex == index; });
    if (have) continue;
    const auto adapter = std::find_if(adapters.begin(), adapters.end(),
                                      [&](const Adapter& one) { return one.index == index; });
    // An adapter that went away meanwhile is reached wherever the routes lead.
    const std::uint32_t address =
        index == 0 || adapter == adapters.end() ? platform::kAnyAddress : adapter->address;
    Bound& bound = sockets_.emplace_back();
    bound.adapterIndex = address == platform::kAnyAddress ? 0 : index;
    error_ = bind(bound, address, netPort);
    if (error_ != 0) break;
  }
  if (error_ != 0) sockets_.clear();
}

int ReplyPortSocket::bind(Bound& bound, std::uint32_t address, std::uint16_t port) {
  bound.socket = platform::Socket(platform::Socket::Kind::Datagram);
  if (!bound.socket) return bound.socket.error();
  bound.socket.setNonBlocking();
  bound.socket.allowBroadcast();
  bound.socket.receiveAdapter();
  const int error = bound.socket.bind(address, port);
  if (error != 0) bound.socket.close();
  return error;
}

int ReplyPortSocket::send(std::uint32_t address, std::uint16_t port,
                          std::span<const std::uint8_t> frame, unsigned adapterIndex) {
  // Bound to the adapter's own address, a socket sends out of that adapter.
  for (Bound& bound : sockets_) {
    if (bound.adapterIndex != 0 && bound.adapterIndex == adapterIndex) {
      return bound.socket.sendTo(address, platform::ToNet16(port), frame);
    }
  }
  for (Bound& bound : sockets_) {
    if (bound.adapterIndex == 0) {
      return bound.socket.sendTo(address, platform::ToNet16(port), frame, adapterIndex);
    }
  }
  // Not an adapter this socket was made for: nothing is sent.
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
      const unsigned adapter =
          received->adapterIndex != 0 ? received->adapterIndex : bound.adapterIndex;
      taken.push_back({std::string(buffer.data(), received->size), received->sender, adapter});
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
      errors_[i] = socket_.send(target.address, settings_.commandPort, frame, target.adapterIndex);
    }
  }
  pacing_.pause(Exchange::kAnswerPauseMs);
  taken_ = socket_.takeWaiting(kMaxAnswersPerPause);
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
      return Answer{KeepAnswer(datagram.bytes, kept), datagram.adapterIndex};
    }
  }
  return std::nullopt;
}

namespace {

std::string AdapterName(const std::vector<Adapter>& adapters, unsigned index) {
  for (const Adapter& adapter : adapters) {
    if (adapter.index == index) return adapter.name;
  }
  return {};
}

// Every unit at once, each asked out of the adapter its search answer came in by.
void ReadTexts(ReplyPortSocket& socket, std::vector<FoundUnit>& units, const LinkSettings& settings,
               platform::Pacing& pacing) {
  std::vector<ReplyPortChannel::Target> targets;
  for (const FoundUnit& unit : units) {
    // A unit without an address yet (0.0.0.0) cannot be asked: that address is this computer;
    // at a broadcast or multicast address every unit there would answer in its name.
    targets.push_back({LookupHost(Ipv4Text(unit.record, record::kIp)), unit.adapterIndex,
                       AddressesOneUnit(unit.record)});
  }
  ReplyPortChannel channel(socket, settings, pacing, std::move(targets),
                           ReplyPortChannel::Answers::ByUnit);
  const std::vector<UnitTexts> texts = ReadUnitTexts(channel, units.size());
  for (std::size_t i = 0; i < units.size(); ++i) units[i].texts = texts[i];
}

}  // namespace

SearchReport SearchUnits(const LinkSettings& settings, platform::Pacing& pacing,
                         const std::string& host, bool readTexts) {
  SearchReport report;
  const std::vector<Adapter> adapters = UpAdapters();
  std::vector<SearchTarget> targets;
  if (!host.empty()) {
    targets.push_back({"", 0, LookupHost(host), 0});
  } else {
    const std::uint32_t everyone = LookupHost(settings.broadcastAddress);
    for (const Adapter& adapter : adapters) {
      // A network of one or two addresses (/32, /31) has no broadcast address of its own.
      if (adapter.broadcast != adapter.address &&
          (adapter.broadcast ^ adapter.address) != platform::ToNet32(1)) {
        targets.push_back({adapter.name, adapter.address, adapter.broadcast, 0});
      }
      if (adapter.broadcast != everyone) {
        targets.push_back({adapter.name, adapter.address, everyone, 0});
      }
    }
  }

  std::vector<ReplyPortChannel::Target> sent;
  for (const SearchTarget& target : targets) {
    unsigned index = 0;
    for (const Adapter& adapter : adapters) {
      if (!target.adapter.empty() && adapter.name == target.adapter &&
          adapter.address == target.own) {
        index = adapter.index;
      }
    }
    sent.push_back({target.address, index, true});
  }
  std::vector<unsigned> indices;
  for (const ReplyPortChannel::Target& target : sent) indices.push_back(target.adapterIndex);
  ReplyPortSocket socket(settings.replyPort, indices);
  if (!socket.open()) {
    report.bindError = socket.error();
    report.tried = std::move(targets);
    return report;
  }
  ReplyPortChannel channel(socket, settings, pacing, std::move(sent),
                           ReplyPortChannel::Answers::InArrival);
  FindUnits(channel, [&](const DeviceRecord& record, unsigned adapterIndex) {
    const bool known =
        std::any_of(report.units.begin(), report.units.end(), [&](const FoundUnit& other) {
          return other.adapterIndex == adapterIndex && Mac(other.record) == Mac(record) &&
                 Ipv4At(other.record, record::kIp) == Ipv4At(record, record::kIp);
        });
    if (!known)
      report.units.push_back({record, AdapterName(adapters, adapterIndex), adapterIndex, {}});
    return true;
  });
  for (std::size_t i = 0; i < targets.size(); ++i) targets[i].error = channel.sendErrors()[i];
  report.tried = std::move(targets);
  if (readTexts && !report.units.empty()) {
    ReadTexts(socket, report.units, settings, pacing);
  }
  return report;
}

}  // namespace kv3::link
