#include "link/address_lookup.h"

#include <cstring>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "link/ipv4_text.h"
#include "link/sock_exception.h"
#include "platform/net.h"

namespace kv3::link {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool OnlyDigitsAndPoints(std::string_view text) {
  for (char c : text) {
    if (!IsDigit(c) && c != '.') {
      return false;
    }
  }
  return true;
}

// Names resolved during this run, kept until the process ends: every exchange sets its host
// again (every send does), and a named host must not cost a resolution each time.
class HostCache {
 public:
  bool find(const std::string& name, std::uint32_t& address) {
    std::lock_guard lock(mutex_);
    for (const auto& [cachedName, cachedAddress] : entries_) {
      if (cachedName == name) {
        address = cachedAddress;
        return true;
      }
    }
    return false;
  }
  void add(const std::string& name, std::uint32_t address) {
    std::lock_guard lock(mutex_);
    entries_.emplace_back(name, address);
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<std::string, std::uint32_t>> entries_;
};

HostCache& Cache() {
  static HostCache cache;
  return cache;
}

}  // namespace

std::uint16_t LookupPort(const std::string& text, const char* protocol) {
  if (!text.empty() && IsDigit(text.front())) {
    std::uint32_t port = 0;
    for (char c : text) {
      if (!IsDigit(c)) {
        break;
      }
      port = (port * 10 + static_cast<std::uint32_t>(c - '0')) & 0xFFFFu;
    }
    return platform::ToNet16(static_cast<std::uint16_t>(port));
  }
  const auto port = platform::ServicePort(text, protocol);
  if (!port) {
    throw ESockException(SockFailure::PortNotFound);
  }
  return *port;
}

std::uint32_t LookupHost(const std::string& text) {
  if (text.empty()) {
    return platform::kAnyAddress;
  }
  if (IsValidIPv4Text(text)) {
    // Decimal, as a person means it and as the window checks it: inet_addr would read
    // "192.168.2.010" as octal and "192.168.2.08" not at all (the broadcast address).
    const auto bytes = ParseIPv4Text(text);
    std::uint32_t address = 0;
    std::memcpy(&address, bytes.data(), sizeof address);
    return address;
  }
  if (OnlyDigitsAndPoints(text)) {
    return platform::InetAddr(text);
  }
  std::uint32_t address = 0;
  if (Cache().find(text, address)) {
    return address;
  }
  const auto resolved = platform::ResolveHost(text);
  if (!resolved) {
    throw ESockException(SockFailure::HostNotFound);
  }
  address = *resolved;
  Cache().add(text, address);
  return address;
}

bool IsAddressOrHostName(const std::string& text) {
  return text.empty() || IsValidIPv4Text(text) || !OnlyDigitsAndPoints(text);
}

std::string AddressText(std::uint32_t address) { return platform::AddressText(address); }

}  // namespace kv3::link
