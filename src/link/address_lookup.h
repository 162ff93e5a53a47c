#pragma once

#include <cstdint>
#include <string>

// Port and host texts to socket address parts, both in network byte order.
namespace kv3::link {

// A text whose first character is a decimal digit is read as a decimal number (its leading
// digits, kept to 16 bits); any other text is looked up in the service database with the
// protocol ("udp" or "tcp"). Throws ESockException "Port Lookup - Could Not Find Service Entry".
std::uint16_t LookupPort(const std::string& text, const char* protocol);

// An empty text gives 0 (any). A dotted quad that the window's address check accepts is read in
// decimal, leading zeros and all. Any other text of only digits and full stops goes through
// inet_addr without a validity test: one that does not convert, such as a part above 255, gives
// 255.255.255.255, and the short forms with fewer parts are taken. Any other text is a host
// name: from the process-wide cache when it was resolved before, else resolved by the system
// and then cached. Throws ESockException "Host Lookup - Could Not Find Host Entry".
std::uint32_t LookupHost(const std::string& text);

// True for an empty text, a dotted quad that the window's address check accepts, and a text that
// is not made of digits and full stops alone (a host name, for the system to resolve). Digits
// and full stops that make no address ("10.0.0.256", "1.2.3.4.5") would become
// 255.255.255.255 in LookupHost: everybody.
bool IsAddressOrHostName(const std::string& text);

// Dotted decimal text of an address in network order.
std::string AddressText(std::uint32_t address);

}  // namespace kv3::link
