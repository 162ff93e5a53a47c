#include "link/address_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "link/ipv4_text.h"
#include "link/sock_exception.h"

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

struct AddrInfoFree {
  void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

bool Resolve(const std::string& name, std::uint32_t& address) {
  if (name.find('\0') != std::string::npos) {
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* raw = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &raw) != 0 || raw == nullptr) {
    return false;
  }
  const std::unique_ptr<addrinfo, AddrInfoFree> result(raw);
  for (const addrinfo* entry = result.get(); entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr &&
        entry->ai_addrlen >= sizeof(sockaddr_in)) {
      sockaddr_in in{};
      std::memcpy(&in, entry->ai_addr, sizeof in);
      address = in.sin_addr.s_addr;
      return true;
    }
  }
  return false;
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
    return htons(static_cast<std::uint16_t>(port));
  }
  const servent* entry =
      text.find('\0') == std::string::npos ? ::getservbyname(text.c_str(), protocol) : nullptr;
  if (entry == nullptr) {
    throw ESockException("Port Lookup - Could Not Find Service Entry");
  }
  return static_cast<std::uint16_t>(entry->s_port);
}

std::uint32_t LookupHost(const std::string& text) {
  if (text.empty()) {
    return htonl(INADDR_ANY);
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
    return ::inet_addr(text.c_str());
  }
  std::uint32_t address = 0;
  if (Cache().find(text, address)) {
    return address;
  }
  if (!Resolve(text, address)) {
    throw ESockException("Host Lookup - Could Not Find Host Entry");
  }
  Cache().add(text, address);
  return address;
}

bool IsAddressOrHostName(const std::string& text) {
  return text.empty() || IsValidIPv4Text(text) || !OnlyDigitsAndPoints(text);
}

std::string AddressText(std::uint32_t address) {
  in_addr in{};
  in.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &in, text, sizeof text);
  return text;
}

}  // namespace kv3::link
