#pragma once

#include <chrono>
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
// The connection was refused: a host holds the address but nothing listens on the port.
bool IsRefused(int error);
// The number of the error "network is unreachable": a datagram has no way out.
int UnreachableError();
// A datagram could not leave from the source address asked for: this computer has no such
// address (see Socket::sendFrom).
bool IsNotLocalAddress(int error);

// True under Wine, which binds a datagram socket to 127.0.0.1 or to every address only and sends
// it from the port sendFrom's socket has: tests of other loopback addresses cannot hold there.
bool RunsUnderWine();

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
  std::uint32_t mask = 0;       // network order
};

// Every adapter that is up, has an IPv4 address and can broadcast, in the system's order;
// loopback cannot. An adapter with several addresses appears once per address.
std::vector<Adapter> UpAdapters();

// The names of the adapters other than loopback that are up with an IPv4 address, broadcast or
// not (a VPN's too), each once: where a socket bound to every address can be reached from other
// computers.
std::vector<std::string> ReachableAdapterNames();

struct WaitEntry;

// Sole owner of one IPv4 socket; closes it when it goes. Every call returns 0 or the system's
// error number.
class Socket {
 public:
  enum class Kind { Datagram, Stream };
  enum class Wait { Ready, TimedOut, Failed };

  struct Received {
    std::size_t size = 0;          // bytes stored; a longer datagram is cut to the buffer
    std::uint32_t sender = 0;      // network order
    std::uint16_t senderPort = 0;  // network order
    bool senderKnown = false;      // the sender is an IPv4 address
    // Where the socket tells (see receiveAdapter): the adapter it came in by and the address it
    // was sent to (network order; 0 when not told).
    unsigned adapterIndex = 0;
    std::uint32_t destination = 0;
    // When it arrived (see stampArrival); otherwise when it was taken from the socket.
    std::chrono::steady_clock::time_point arrived;
    // How many datagrams the system dropped on this socket so far for want of room (see
    // countDrops); 0 where it does not tell.
    std::uint32_t droppedSoFar = 0;
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
  // Datagrams received carry the adapter they came in by and the address they were sent to.
  int receiveAdapter();
  // Datagrams received carry the time they arrived. Windows keeps none here: there the time
  // they are taken from the socket counts.
  int stampArrival();
  // Asks for room for this many bytes of waiting datagrams (the system may give less).
  int setReceiveBuffer(int bytes);
  // Datagrams received carry how many the system has dropped on this socket so far, where the
  // system tells (Linux).
  int countDrops();
  // No SO_REUSEADDR: a port another program holds makes the bind fail.
  int bind(std::uint32_t address, std::uint16_t port);
  // The port the socket is bound to, network order; 0 when it has none.
  std::uint16_t localPort() const;

  // One datagram to address:port, out of the adapter with that index when it is nonzero, and
  // from `source`, one of this computer's addresses, when that is nonzero: a broadcast then
  // leaves with that address as its sender, so that units in that address's network can answer.
  int sendTo(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> data,
             unsigned adapterIndex = 0, std::uint32_t source = 0);
  // One datagram to address:port that leaves from `source`, an address of this computer; an
  // error that IsNotLocalAddress knows when the computer has no such address.
  int sendFrom(std::uint32_t source, std::uint32_t address, std::uint16_t port,
               std::span<const std::uint8_t> data);
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

  // Binds a stream socket to address:port and listens, with room for `backlog` connections
  // that wait to be taken. A port whose earlier connections still wait out their end is taken
  // again.
  int listen(std::uint32_t address, std::uint16_t port, int backlog);
  // The next waiting connection of a listening socket, as a blocking socket of its own; an
  // invalid one, with error() set, when none waits or taking it failed.
  Socket accept();
  // Ends a connection with a reset instead of an orderly end, as a peer that loses it does, and
  // closes the socket.
  void closeWithReset();

  // Waits up to ms (negative: without limit) for the socket to become readable or writable.
  Wait waitReadable(int ms);
  Wait waitWritable(int ms);

 private:
  friend class Waker;
  friend Wait WaitReadable(std::span<WaitEntry> entries, int ms);

  std::intptr_t handle_ = -1;
  int error_ = 0;
};

// Wakes a thread that waits in WaitReadable, from any other thread. Sole owner of what it takes
// from the system: a pipe, on Windows a datagram socket on loopback that sends to itself.
class Waker {
 public:
  // valid() tells whether it could be made, error() why not.
  Waker();
  ~Waker();
  Waker(const Waker&) = delete;
  Waker& operator=(const Waker&) = delete;

  bool valid() const;
  int error() const { return error_; }
  // Makes the waker readable until drain(); any thread may.
  void wake();
  // Takes back every wake so far.
  void drain();

 private:
  friend Socket::Wait WaitReadable(std::span<WaitEntry> entries, int ms);

  std::intptr_t read_ = -1;
  std::intptr_t write_ = -1;  // the same socket as read_ on Windows
  int error_ = 0;
};

// What WaitReadable waits for: a socket (a listening one: a connection waits) or a waker.
struct WaitEntry {
  const Socket* socket = nullptr;
  const Waker* waker = nullptr;
  bool ready = false;  // set by WaitReadable
};

// Waits up to ms (negative: without limit) until one of the entries becomes readable, and marks
// each that is. An entry with neither a valid socket nor a valid waker is never ready.
Socket::Wait WaitReadable(std::span<WaitEntry> entries, int ms);

}  // namespace kv3::platform
