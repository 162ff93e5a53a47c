#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The IPv4 network as the tool uses it, the same on every system: addresses and ports are in
// network order, errors are the system's numbers (errno, or WSAGetLastError on Windows) that
// ErrorText words and the Is... tests sort.
namespace kv3::platform {

// Host and network order.
std::uint16_t ToNet16(std::uint16_t value);
std::uint32_t ToNet32(std::uint32_t value);
std::uint16_t FromNet16(std::uint16_t value);
std::uint32_t FromNet32(std::uint32_t value);

inline constexpr std::uint32_t kAnyAddress = 0;

// The system's text for an error number.
std::string ErrorText(int error);
// The error asks to try again later (would block, or a connection is on its way).
bool IsWouldBlock(int error);
// The address or port is held by another socket.
bool IsAddressInUse(int error);
// The number of the error "network is unreachable": a datagram has no way out.
int UnreachableError();

// Dotted decimal text of an address.
std::string AddressText(std::uint32_t address);
// inet_addr's reading of a text of digits and full stops: short forms taken, octal and hex
// parts read as such; 255.255.255.255 for a text that does not convert.
std::uint32_t InetAddr(const std::string& text);
// The address of a strict dotted quad ("192.0.2.1"); nothing for any other text.
std::optional<std::uint32_t> ParseAddress(const std::string& text);
// The first IPv4 address of a host name; nothing when the system finds none.
std::optional<std::uint32_t> ResolveHost(const std::string& name);
// The port of a service name in the system's service database ("udp" or "tcp").
std::optional<std::uint16_t> ServicePort(const std::string& name, const char* protocol);

// One IPv4 network adapter of this computer that can broadcast.
struct Adapter {
  std::string name;
  unsigned index = 0;           // the system's interface index
  std::uint32_t address = 0;    // network order
  std::uint32_t broadcast = 0;  // its directed broadcast address (from the mask), network order
};

// Every adapter that is up, has an IPv4 address and can broadcast, in the system's order;
// loopback cannot. An adapter with several addresses appears once per address.
std::vector<Adapter> UpAdapters();

// Sole owner of one IPv4 socket; closes it when it goes. Every call returns 0 or the system's
// error number.
class Socket {
 public:
  enum class Kind { Datagram, Stream };

  struct Received {
    std::size_t size = 0;       // bytes stored; a longer datagram is cut to the buffer
    std::uint32_t sender = 0;   // network order
    bool senderKnown = false;   // the sender is an IPv4 address
    unsigned adapterIndex = 0;  // where the socket tells (see receiveAdapter)
  };

  Socket() = default;
  // Creates the socket; valid() tells whether it could, error() why not.
  explicit Socket(Kind kind);
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool valid() const;
  explicit operator bool() const { return valid(); }
  int error() const { return error_; }
  // Closes the socket; true when there was one and the system closed it.
  bool close();

  int setNonBlocking();
  int allowBroadcast();
  // Datagrams received carry the adapter they came in by.
  int receiveAdapter();
  // No SO_REUSEADDR: a port another program holds makes the bind fail.
  int bind(std::uint32_t address, std::uint16_t port);

  // One datagram to address:port, out of the adapter with that index when it is nonzero.
  int sendTo(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> data,
             unsigned adapterIndex = 0);
  // One waiting datagram into buffer, without waiting; nothing with `error` set to the would-block
  // number when none waits, or to another number when the receive failed.
  std::optional<Received> receiveFrom(std::span<char> buffer, int& error);

  // Starts a connection: 0 once connected, a would-block number while it is on its way (the
  // socket non-blocking; waitWritable, then connectResult).
  int connectStart(std::uint32_t address, std::uint16_t port);
  // The outcome of a connection whose socket became writable.
  int connectResult();
  // Sends what the stream takes now; the count sent, or -1 with `error` set.
  long send(std::span<const std::uint8_t> data, int& error);
  // Receives what waits, up to the buffer; 0 at the stream's end, -1 with `error` set.
  long receive(std::span<char> buffer, int& error);

  enum class Wait { Ready, TimedOut, Failed };
  // Waits up to ms (negative: without limit) for the socket to become readable or writable.
  Wait waitReadable(int ms);
  Wait waitWritable(int ms);

 private:
  std::intptr_t handle_ = -1;
  int error_ = 0;
};

}  // namespace kv3::platform
