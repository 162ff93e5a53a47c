#include "cli/commissioning.h"

#include <algorithm>
#include <chrono>

#include "link/address_lookup.h"
#include "link/answer.h"
#include "link/device_record.h"
#include "link/frames.h"
#include "link/reply_port.h"
#include "platform/net.h"

namespace kv3::cli {

namespace {

// The port a connection attempt goes to: the units serve their web application there, and a
// host that serves nothing there refuses it.
constexpr std::uint16_t kProbePort = 80;
constexpr int kProbeMs = 1000;
// Between the searches that wait for a unit.
constexpr int kSearchEveryMs = 1000;

// A connection to each address, all at once: whether each was accepted or refused within the
// probe's time.
std::vector<bool> AnswerConnections(const std::vector<std::uint32_t>& addresses) {
  std::vector<platform::Socket> sockets;
  std::vector<bool> answered(addresses.size(), false);
  std::vector<bool> pending(addresses.size(), false);
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    platform::Socket& socket = sockets.emplace_back(platform::Socket::Kind::Stream);
    if (!socket || socket.setNonBlocking() != 0) continue;
    const int started = socket.connectStart(addresses[i], platform::ToNet16(kProbePort));
    answered[i] = started == 0 || platform::IsRefused(started);
    pending[i] = !answered[i] && platform::IsWouldBlock(started);
  }
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kProbeMs);
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (!pending[i]) continue;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (sockets[i].waitWritable(static_cast<int>(std::max<long long>(left.count(), 0))) !=
        platform::Socket::Wait::Ready) {
      continue;
    }
    const int result = sockets[i].connectResult();
    answered[i] = result == 0 || platform::IsRefused(result);
  }
  return answered;
}

}  // namespace

std::vector<bool> AddressesHeld(Context& context, const std::vector<std::uint32_t>& addresses) {
  std::vector<bool> held(addresses.size(), false);
  if (addresses.empty()) return held;
  {
    // "FIND" to every address in one pause: a unit that answers holds it.
    CliPacing pacing(context.interrupt);
    link::ReplyPortSocket socket(context.settings.replyPort, {link::Way{}});
    if (!socket.open()) {
      // Without the reply port nothing can be told: every address counts as held.
      return std::vector<bool>(addresses.size(), true);
    }
    link::ReplyPortChannel channel(
        socket, context.settings, pacing,
        [&addresses] {
          std::vector<link::ReplyPortChannel::Target> targets;
          for (const std::uint32_t address : addresses) targets.push_back({address, {}, true});
          return targets;
        }(),
        link::ReplyPortChannel::Answers::ByUnit);
    channel.ask(link::CommandFrame(link::word::kFind));
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      held[i] = channel.next(link::kKeptAnswer, i).has_value();
    }
  }
  CliPacing(context.interrupt).checkpoint();
  const std::vector<bool> connected = AnswerConnections(addresses);
  for (std::size_t i = 0; i < addresses.size(); ++i) held[i] = held[i] || connected[i];
  return held;
}

bool AddressHeld(Context& context, std::uint32_t address) {
  return AddressesHeld(context, {address}).front();
}

std::optional<std::uint32_t> FreeAddress(Context& context, const search::SearchReport& report,
                                         std::uint32_t first, std::uint32_t mask,
                                         const std::vector<std::uint32_t>& taken) {
  const std::uint32_t hostMask = ~platform::FromNet32(mask);
  const std::uint32_t network = platform::FromNet32(first) & ~hostMask;
  std::vector<std::uint32_t> held = taken;
  for (const platform::Adapter& adapter : platform::UpAdapters()) held.push_back(adapter.address);
  for (const search::FoundUnit& unit : report.units) {
    held.push_back(link::Ipv4Word(link::Ipv4At(unit.record, link::record::kIp)));
  }
  for (std::uint32_t host = platform::FromNet32(first); (host & ~hostMask) == network; ++host) {
    const std::uint32_t bits = host & hostMask;
    if (bits == 0) continue;      // the network's own address
    if (bits == hostMask) break;  // its broadcast address
    const std::uint32_t candidate = platform::ToNet32(host);
    if (std::find(held.begin(), held.end(), candidate) != held.end()) continue;
    if (!AddressHeld(context, candidate)) return candidate;
  }
  return std::nullopt;
}

std::optional<search::SearchReport> SearchUntil(
    Context& context, const std::string& address, std::chrono::milliseconds settle,
    std::chrono::seconds limit, const std::function<bool(const search::SearchReport&)>& proved,
    int& status) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit;
  CliPacing pacing(context.interrupt);
  pacing.pause(static_cast<int>(settle.count()));
  for (;;) {
    auto report = Search(context, address, true, status);
    if (!report || proved(*report) || Clock::now() >= deadline) return report;
    pacing.pause(kSearchEveryMs);
  }
}

}  // namespace kv3::cli
