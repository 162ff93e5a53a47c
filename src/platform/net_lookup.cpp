// The address texts, host and service lookups of platform/net.h, the same on both systems.
#include <cstring>
#include <memory>

#include "platform/net.h"
#include "platform/net_parts.h"

namespace kv3::platform {

std::string AddressText(std::uint32_t address) {
  in_addr in{};
  in.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &in, text, sizeof text);
  return text;
}

std::uint32_t InetAddr(const std::string& text) { return ::inet_addr(text.c_str()); }

std::optional<std::uint32_t> ParseAddress(const std::string& text) {
  in_addr in{};
  if (::inet_pton(AF_INET, text.c_str(), &in) != 1) return std::nullopt;
  return in.s_addr;
}

std::optional<std::uint32_t> ResolveHost(const std::string& name) {
  if (name.find('\0') != std::string::npos) return std::nullopt;
  detail::EnsureNetwork();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* raw = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &raw) != 0 || raw == nullptr) {
    return std::nullopt;
  }
  const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> result(raw, ::freeaddrinfo);
  for (const addrinfo* entry = result.get(); entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr &&
        entry->ai_addrlen >= sizeof(sockaddr_in)) {
      sockaddr_in in{};
      std::memcpy(&in, entry->ai_addr, sizeof in);
      return in.sin_addr.s_addr;
    }
  }
  return std::nullopt;
}

std::optional<std::uint16_t> ServicePort(const std::string& name, const char* protocol) {
  if (name.find('\0') != std::string::npos) return std::nullopt;
  detail::EnsureNetwork();
  const servent* entry = ::getservbyname(name.c_str(), protocol);
  if (entry == nullptr) return std::nullopt;
  return static_cast<std::uint16_t>(entry->s_port);
}

}  // namespace kv3::platform
