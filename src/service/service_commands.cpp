#include "service/service_commands.h"

#include <array>

#include "link/answer.h"
#include "link/exchange.h"

namespace kv3::service {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<link::MacAddress> ParseMacGroups(std::string_view text) {
  constexpr std::size_t kGroupStep = 3;
  constexpr std::size_t kGroupWidth = 2;
  link::MacAddress mac{};
  for (std::size_t group = 0; group < mac.size(); ++group) {
    const std::size_t at = group * kGroupStep;
    if (at + kGroupWidth > text.size()) return std::nullopt;
    std::string_view digits = text.substr(at, kGroupWidth);
    while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t')) {
      digits.remove_prefix(1);
    }
    if (digits.empty()) return std::nullopt;
    int value = 0;
    for (const char c : digits) {
      const int digit = HexDigit(c);
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    mac[group] = static_cast<std::uint8_t>(value);
  }
  return mac;
}

void SendSetMac(link::TSock& sock, const link::LinkSettings& settings, platform::Pacing& pacing,
                link::DeviceRecord& rec, const link::MacAddress& newMac) {
  if (!link::AddressesOneUnit(rec)) return;
  link::Exchange exchange(sock, settings, pacing);
  exchange.open(link::Ipv4Text(rec, link::record::kIp));
  exchange.request(link::SetMacFrame(rec, newMac), link::kKeptAnswer);
  exchange.close();
}

bool SendServiceSettings(link::TSock& sock, const link::LinkSettings& settings,
                         platform::Pacing& pacing, link::DeviceRecord& rec,
                         const link::NetworkSettings& values) {
  link::Exchange exchange(sock, settings, pacing);
  exchange.openBroadcast();
  const auto reply = exchange.request(link::ServiceSettingsFrame(rec, values), link::kKeptAnswer);
  exchange.close();
  return link::AnswerContains(reply, "sett");
}

bool SendServiceSettings(link::UnitChannel& channel, link::DeviceRecord& rec,
                         const link::NetworkSettings& values) {
  channel.ask(link::ServiceSettingsFrame(rec, values));
  return link::AwaitWord(channel, "sett", link::kKeptAnswer);
}

}  // namespace kv3::service
