#include "cli/commissioning.h"

#include <algorithm>

#include "link/address_lookup.h"
#include "link/device_record.h"
#include "platform/net.h"

namespace kv3::cli {

namespace {

// The port a connection attempt goes to: the units serve their web application there, and a
// host that serves nothing there refuses it.
constexpr std::uint16_t kProbePort = 80;
constexpr int kProbeMs = 1000;
// Between the searches that wait for a unit.
constexpr int kSearchEveryMs = 1000;

bool AnswersConnection(std::uint32_t address) {
  platform::Socket socket(platform::Socket::Kind::Stream);
  if (!socket || socket.setNonBlocking() != 0) return false;
  const int started = socket.connectStart(address, platform::ToNet16(kProbePort));
  if (started == 0 || platform::IsRefused(started)) return true;
  if (!platform::IsWouldBlock(started)) return false;
  if (socket.waitWritable(kProbeMs) != platform::Socket::Wait::Ready) return false;
  const int result = socket.connectResult();
  return result == 0 || platform::IsRefused(result);
}

}  // namespace

bool AddressHeld(Context& context, std::uint32_t address) {
  int status = kSuccess;
  const auto report = Search(context, link::AddressText(address), false, status);
  if (!report || !report->units.empty()) return true;
  CliPacing(context.interrupt).checkpoint();
  return AnswersConnection(address);
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
