// Winsock 2 behind the seam of platform/net.h.
// Winsock 2 comes first: windows.h alone would bring the old winsock.h.
#include <winsock2.h>
// Then what builds on it.
#include <iphlpapi.h>
#include <mswsock.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/net.h"
#include "platform/net_parts.h"
#include "platform/windows_text.h"

namespace kv3::platform {

namespace {

// Winsock is started once, before the first socket or lookup, and ends with the process.
class Winsock {
 public:
  Winsock() {
    WSADATA data{};
    started_ = ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
  }
  ~Winsock() {
    if (started_) ::WSACleanup();
  }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;

 private:
  bool started_ = false;
};

void EnsureWinsock() { static const Winsock session; }

SOCKET Handle(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

int Result(int status) { return status == 0 ? 0 : ::WSAGetLastError(); }

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port) {
  sockaddr_in endpoint{};
  endpoint.sin_family = AF_INET;
  endpoint.sin_port = port;
  endpoint.sin_addr.s_addr = address;
  return endpoint;
}

Socket::Wait WaitFor(SOCKET socket, short events, int ms) {
  WSAPOLLFD entry{socket, events, 0};
  const int ready = ::WSAPoll(&entry, 1, ms < 0 ? -1 : ms);
  if (ready < 0) return Socket::Wait::Failed;
  if (ready == 0) return Socket::Wait::TimedOut;
  return (entry.revents & (events | POLLERR | POLLHUP)) != 0 ? Socket::Wait::Ready
                                                             : Socket::Wait::TimedOut;
}

// Wine (8 at least) takes no control data with WSASendMsg: a source address given as
// IP_PKTINFO is passed over there.
bool UnderWine() {
  static const bool wine = [] {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

// WSARecvMsg is reached through the socket; the same pointer serves every socket.
LPFN_WSARECVMSG RecvMsg(SOCKET socket) {
  static LPFN_WSARECVMSG found = nullptr;
  static std::once_flag once;
  std::call_once(once, [socket] {
    GUID id = WSAID_WSARECVMSG;
    DWORD bytes = 0;
    ::WSAIoctl(socket, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &found, sizeof found,
               &bytes, nullptr, nullptr);
  });
  return found;
}

}  // namespace

std::uint16_t ToNet16(std::uint16_t value) { return htons(value); }
std::uint32_t ToNet32(std::uint32_t value) { return htonl(value); }
std::uint16_t FromNet16(std::uint16_t value) { return ntohs(value); }
std::uint32_t FromNet32(std::uint32_t value) { return ntohl(value); }

std::string ErrorText(int error) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return "error " + std::to_string(error);
  const std::unique_ptr<wchar_t, decltype(&::LocalFree)> owner(text, ::LocalFree);
  std::wstring wide(text, length);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.')) {
    wide.pop_back();
  }
  return detail::Utf8(wide);
}

bool IsWouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }
bool IsAddressInUse(int error) { return error == WSAEADDRINUSE || error == WSAEACCES; }
int UnreachableError() { return WSAENETUNREACH; }
bool RunsUnderWine() { return UnderWine(); }
bool IsRefused(int error) { return error == WSAECONNREFUSED; }

bool IsNotLocalAddress(int error) { return error == WSAEADDRNOTAVAIL || error == WSAEINVAL; }

namespace detail {

void EnsureNetwork() { EnsureWinsock(); }

}  // namespace detail

std::vector<Adapter> UpAdapters() {
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG status = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    status = ::GetAdaptersAddresses(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (status != NO_ERROR) return {};
  std::vector<Adapter> adapters;
  for (auto* entry = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); entry != nullptr;
       entry = entry->Next) {
    if (entry->OperStatus != IfOperStatusUp || entry->IfType == IF_TYPE_SOFTWARE_LOOPBACK) {
      continue;
    }
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = entry->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      const sockaddr* raw = unicast->Address.lpSockaddr;
      if (raw == nullptr || raw->sa_family != AF_INET) continue;
      sockaddr_in in{};
      std::memcpy(&in, raw, sizeof in);
      Adapter adapter;
      // The name Windows shows the user ("Ethernet", "WLAN"), else its GUID name.
      adapter.name = entry->FriendlyName != nullptr && entry->FriendlyName[0] != L'\0'
                         ? detail::Utf8(entry->FriendlyName)
                         : std::string(entry->AdapterName);
      adapter.index = entry->IfIndex;
      adapter.address = in.sin_addr.s_addr;
      const unsigned prefix = std::min<unsigned>(unicast->OnLinkPrefixLength, 32);
      const std::uint32_t mask = prefix == 0 ? 0 : htonl(~std::uint32_t{0} << (32 - prefix));
      adapter.broadcast = (adapter.address & mask) | ~mask;
      adapter.mask = mask;
      adapters.push_back(std::move(adapter));
    }
  }
  return adapters;
}

std::vector<std::string> ReachableAdapterNames() {
  std::vector<std::string> names;
  for (const Adapter& adapter : UpAdapters()) {
    if (std::find(names.begin(), names.end(), adapter.name) == names.end()) {
      names.push_back(adapter.name);
    }
  }
  return names;
}

Socket::Socket(Kind kind) {
  EnsureWinsock();
  const SOCKET socket = ::WSASocketW(AF_INET, kind == Kind::Datagram ? SOCK_DGRAM : SOCK_STREAM,
                                     kind == Kind::Datagram ? IPPROTO_UDP : IPPROTO_TCP, nullptr, 0,
                                     WSA_FLAG_NO_HANDLE_INHERIT);
  if (socket == INVALID_SOCKET) {
    error_ = ::WSAGetLastError();
    return;
  }
  handle_ = static_cast<std::intptr_t>(socket);
  if (kind == Kind::Datagram) {
    // Otherwise an ICMP "port unreachable" for an earlier datagram makes the next receive fail
    // with WSAECONNRESET, which would end a search.
    BOOL report = FALSE;
    DWORD bytes = 0;
    ::WSAIoctl(socket, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &bytes, nullptr,
               nullptr);
  }
}

Socket::~Socket() { close(); }

Socket::Socket(Socket&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), error_(other.error_) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
    error_ = other.error_;
  }
  return *this;
}

bool Socket::valid() const { return handle_ != -1; }

bool Socket::close() {
  const std::intptr_t old = std::exchange(handle_, -1);
  return old != -1 && ::closesocket(Handle(old)) == 0;
}

int Socket::setNonBlocking() {
  u_long on = 1;
  return Result(::ioctlsocket(Handle(handle_), FIONBIO, &on));
}

int Socket::allowBroadcast() {
  const BOOL on = TRUE;
  return Result(::setsockopt(Handle(handle_), SOL_SOCKET, SO_BROADCAST,
                             reinterpret_cast<const char*>(&on), sizeof on));
}

int Socket::receiveAdapter() {
  const DWORD on = 1;
  return Result(::setsockopt(Handle(handle_), IPPROTO_IP, IP_PKTINFO,
                             reinterpret_cast<const char*>(&on), sizeof on));
}

int Socket::stampArrival() {
  // Nothing to ask for: receiveFrom takes the time a datagram is taken from the socket.
  return 0;
}

int Socket::setReceiveBuffer(int bytes) {
  return Result(::setsockopt(Handle(handle_), SOL_SOCKET, SO_RCVBUF,
                             reinterpret_cast<const char*>(&bytes), sizeof bytes));
}

int Socket::countDrops() {
  // Windows keeps no count of the datagrams it dropped.
  return 0;
}

int Socket::bind(std::uint32_t address, std::uint16_t port) {
  // Without it another program could take the same port beside this socket.
  const BOOL exclusive = TRUE;
  ::setsockopt(Handle(handle_), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  const sockaddr_in local = Endpoint(address, port);
  return Result(::bind(Handle(handle_), reinterpret_cast<const sockaddr*>(&local), sizeof local));
}

std::uint16_t Socket::localPort() const {
  sockaddr_in bound{};
  int length = sizeof bound;
  if (::getsockname(Handle(handle_), reinterpret_cast<sockaddr*>(&bound), &length) != 0) return 0;
  return bound.sin_family == AF_INET ? bound.sin_port : 0;
}

int Socket::sendTo(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> data,
                   unsigned adapterIndex, std::uint32_t source) {
  if (!valid()) return WSAENOTSOCK;
  sockaddr_in target = Endpoint(address, port);
  WSABUF part{static_cast<ULONG>(data.size()),
              reinterpret_cast<char*>(const_cast<std::uint8_t*>(data.data()))};
  WSAMSG message{};
  message.name = reinterpret_cast<sockaddr*>(&target);
  message.namelen = sizeof target;
  message.lpBuffers = &part;
  message.dwBufferCount = 1;
  alignas(WSACMSGHDR) std::array<char, WSA_CMSG_SPACE(sizeof(IN_PKTINFO))> control{};
  if (adapterIndex != 0 || source != 0) {
    message.Control.buf = control.data();
    message.Control.len = static_cast<ULONG>(control.size());
    WSACMSGHDR* header = WSA_CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = WSA_CMSG_LEN(sizeof(IN_PKTINFO));
    IN_PKTINFO info{};
    info.ipi_ifindex = adapterIndex;
    info.ipi_addr.s_addr = source;  // on sending, the source address
    std::memcpy(WSA_CMSG_DATA(header), &info, sizeof info);
  }
  DWORD sent = 0;
  return ::WSASendMsg(Handle(handle_), &message, 0, &sent, nullptr, nullptr) == 0
             ? 0
             : ::WSAGetLastError();
}

int Socket::sendFrom(std::uint32_t source, std::uint32_t address, std::uint16_t port,
                     std::span<const std::uint8_t> data) {
  if (!valid()) return WSAENOTSOCK;
  if (UnderWine()) {
    // Wine leaves IP_PKTINFO out of what it sends, and it moves the bind of an IPv4 datagram
    // socket to an address other than 127.0.0.1 onto the wildcard address. A dual-stack socket
    // bound to the source as an IPv4-mapped address is bound as asked: the datagram leaves from
    // the source, from a port of the system's choice.
    Socket sender;
    const SOCKET socket =
        ::WSASocketW(AF_INET6, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) return ::WSAGetLastError();
    sender.handle_ = static_cast<std::intptr_t>(socket);
    const DWORD dualStack = 0;
    if (::setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&dualStack),
                     sizeof dualStack) != 0) {
      return ::WSAGetLastError();
    }
    const auto mapped = [](std::uint32_t v4, std::uint16_t v4Port) {
      sockaddr_in6 endpoint{};
      endpoint.sin6_family = AF_INET6;
      endpoint.sin6_port = v4Port;
      endpoint.sin6_addr.s6_addr[10] = 0xFF;
      endpoint.sin6_addr.s6_addr[11] = 0xFF;
      std::memcpy(&endpoint.sin6_addr.s6_addr[12], &v4, sizeof v4);
      return endpoint;
    };
    const sockaddr_in6 local = mapped(source, 0);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
      return ::WSAGetLastError();
    }
    const sockaddr_in6 target = mapped(address, port);
    const int length = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 30));
    return ::sendto(socket, reinterpret_cast<const char*>(data.data()), length, 0,
                    reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0
               ? ::WSAGetLastError()
               : 0;
  }
  sockaddr_in target = Endpoint(address, port);
  WSABUF part{static_cast<ULONG>(data.size()),
              reinterpret_cast<char*>(const_cast<std::uint8_t*>(data.data()))};
  WSAMSG message{};
  message.name = reinterpret_cast<sockaddr*>(&target);
  message.namelen = sizeof target;
  message.lpBuffers = &part;
  message.dwBufferCount = 1;
  alignas(WSACMSGHDR) std::array<char, WSA_CMSG_SPACE(sizeof(IN_PKTINFO))> control{};
  message.Control.buf = control.data();
  message.Control.len = static_cast<ULONG>(control.size());
  WSACMSGHDR* header = WSA_CMSG_FIRSTHDR(&message);
  header->cmsg_level = IPPROTO_IP;
  header->cmsg_type = IP_PKTINFO;
  header->cmsg_len = WSA_CMSG_LEN(sizeof(IN_PKTINFO));
  IN_PKTINFO info{};
  info.ipi_addr.s_addr = source;  // on sending, the source address
  std::memcpy(WSA_CMSG_DATA(header), &info, sizeof info);
  DWORD sent = 0;
  return ::WSASendMsg(Handle(handle_), &message, 0, &sent, nullptr, nullptr) == 0
             ? 0
             : ::WSAGetLastError();
}

std::optional<Socket::Received> Socket::receiveFrom(std::span<char> buffer, int& error) {
  error = 0;
  if (!valid()) {
    error = WSAENOTSOCK;
    return std::nullopt;
  }
  // "Without waiting" also on a blocking socket.
  if (WaitFor(Handle(handle_), POLLRDNORM, 0) != Wait::Ready) {
    error = WSAEWOULDBLOCK;
    return std::nullopt;
  }
  sockaddr_in sender{};
  WSABUF part{static_cast<ULONG>(buffer.size()), buffer.data()};
  alignas(WSACMSGHDR) std::array<char, WSA_CMSG_SPACE(sizeof(IN_PKTINFO))> control{};
  WSAMSG message{};
  message.name = reinterpret_cast<sockaddr*>(&sender);
  message.namelen = sizeof sender;
  message.lpBuffers = &part;
  message.dwBufferCount = 1;
  message.Control.buf = control.data();
  message.Control.len = static_cast<ULONG>(control.size());
  DWORD got = 0;
  const LPFN_WSARECVMSG recvMsg = RecvMsg(Handle(handle_));
  int status;
  if (recvMsg != nullptr) {
    status = recvMsg(Handle(handle_), &message, &got, nullptr, nullptr);
  } else {
    int length = sizeof sender;
    const int received = ::recvfrom(Handle(handle_), buffer.data(), static_cast<int>(buffer.size()),
                                    0, reinterpret_cast<sockaddr*>(&sender), &length);
    status = received < 0 ? SOCKET_ERROR : 0;
    got = received < 0 ? 0 : static_cast<DWORD>(received);
    message.Control.len = 0;
  }
  if (status != 0) {
    error = ::WSAGetLastError();
    // A datagram longer than the buffer arrives cut to it: its first bytes count.
    if (error != WSAEMSGSIZE) return std::nullopt;
    error = 0;
    got = static_cast<DWORD>(buffer.size());
  }
  Received received;
  // Windows keeps no arrival time here (see stampArrival): the time of receipt counts.
  received.arrived = std::chrono::steady_clock::now();
  received.size = std::min<std::size_t>(got, buffer.size());
  received.senderKnown = sender.sin_family == AF_INET;
  received.sender = received.senderKnown ? sender.sin_addr.s_addr : 0;
  received.senderPort = received.senderKnown ? sender.sin_port : 0;
  if (message.Control.len > 0) {
    for (WSACMSGHDR* header = WSA_CMSG_FIRSTHDR(&message); header != nullptr;
         header = WSA_CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO &&
          header->cmsg_len >= WSA_CMSG_LEN(sizeof(IN_PKTINFO))) {
        IN_PKTINFO info{};
        std::memcpy(&info, WSA_CMSG_DATA(header), sizeof info);
        received.adapterIndex = info.ipi_ifindex;
        received.destination = info.ipi_addr.s_addr;
      }
    }
  }
  return received;
}

int Socket::connectStart(std::uint32_t address, std::uint16_t port) {
  const sockaddr_in target = Endpoint(address, port);
  return Result(
      ::connect(Handle(handle_), reinterpret_cast<const sockaddr*>(&target), sizeof target));
}

int Socket::connectResult() {
  int error = 0;
  int length = sizeof error;
  if (::getsockopt(Handle(handle_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                   &length) != 0) {
    return ::WSAGetLastError();
  }
  return error;
}

long Socket::send(std::span<const std::uint8_t> data, int& error) {
  error = 0;
  const int length = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 30));
  const int sent = ::send(Handle(handle_), reinterpret_cast<const char*>(data.data()), length, 0);
  if (sent >= 0) return sent;
  error = ::WSAGetLastError();
  return -1;
}

long Socket::receive(std::span<char> buffer, int& error) {
  error = 0;
  const int length = static_cast<int>(std::min<std::size_t>(buffer.size(), 1 << 30));
  const int got = ::recv(Handle(handle_), buffer.data(), length, 0);
  if (got >= 0) return got;
  error = ::WSAGetLastError();
  return -1;
}

int Socket::listen(std::uint32_t address, std::uint16_t port, int backlog) {
  // Without SO_REUSEADDR, which on Windows would let another socket take the port beside this
  // one: connections that wait out their end hold no listening port here.
  const sockaddr_in local = Endpoint(address, port);
  if (::bind(Handle(handle_), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    return ::WSAGetLastError();
  }
  return Result(::listen(Handle(handle_), backlog));
}

Socket Socket::accept() {
  Socket connection;
  const SOCKET accepted = ::accept(Handle(handle_), nullptr, nullptr);
  if (accepted == INVALID_SOCKET) {
    connection.error_ = ::WSAGetLastError();
    return connection;
  }
  connection.handle_ = static_cast<std::intptr_t>(accepted);
  ::SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
  // It comes non-blocking from a non-blocking listener.
  u_long off = 0;
  ::ioctlsocket(accepted, FIONBIO, &off);
  return connection;
}

void Socket::closeWithReset() {
  const linger abort{1, 0};
  ::setsockopt(Handle(handle_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
               sizeof abort);
  close();
}

Socket::Wait Socket::waitReadable(int ms) { return WaitFor(Handle(handle_), POLLRDNORM, ms); }
Socket::Wait Socket::waitWritable(int ms) { return WaitFor(Handle(handle_), POLLWRNORM, ms); }

// A datagram socket on 127.0.0.1 connected to itself: it takes no datagram but its own.
Waker::Waker() {
  Socket socket(Socket::Kind::Datagram);
  const sockaddr_in loopback = Endpoint(htonl(INADDR_LOOPBACK), 0);
  sockaddr_in bound{};
  int length = sizeof bound;
  if (!socket.valid() || socket.setNonBlocking() != 0 ||
      ::bind(Handle(socket.handle_), reinterpret_cast<const sockaddr*>(&loopback),
             sizeof loopback) != 0 ||
      ::getsockname(Handle(socket.handle_), reinterpret_cast<sockaddr*>(&bound), &length) != 0 ||
      ::connect(Handle(socket.handle_), reinterpret_cast<const sockaddr*>(&bound), sizeof bound) !=
          0) {
    error_ = socket.valid() ? ::WSAGetLastError() : socket.error();
    return;
  }
  read_ = std::exchange(socket.handle_, -1);
  write_ = read_;
}

Waker::~Waker() {
  if (read_ != -1) ::closesocket(Handle(read_));
}

bool Waker::valid() const { return read_ != -1; }

void Waker::wake() {
  const char byte = 1;
  ::send(Handle(write_), &byte, 1, 0);
}

void Waker::drain() {
  std::array<char, 64> bytes{};
  while (::recv(Handle(read_), bytes.data(), static_cast<int>(bytes.size()), 0) >= 0) {
  }
}

Socket::Wait WaitReadable(std::span<WaitEntry> entries, int ms) {
  std::vector<WSAPOLLFD> polled;
  std::vector<std::size_t> at;  // the entry of each polled socket
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].ready = false;
    std::intptr_t handle = -1;
    if (entries[i].socket != nullptr) handle = entries[i].socket->handle_;
    if (entries[i].waker != nullptr) handle = entries[i].waker->read_;
    // WSAPoll, unlike poll, fails on an invalid socket instead of passing over it.
    if (handle == -1) continue;
    polled.push_back({Handle(handle), POLLRDNORM, 0});
    at.push_back(i);
  }
  if (polled.empty()) {
    ::Sleep(ms < 0 ? INFINITE : static_cast<DWORD>(ms));
    return Socket::Wait::TimedOut;
  }
  const int ready = ::WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), ms < 0 ? -1 : ms);
  if (ready < 0) return Socket::Wait::Failed;
  for (std::size_t i = 0; i < polled.size(); ++i) entries[at[i]].ready = polled[i].revents != 0;
  return ready == 0 ? Socket::Wait::TimedOut : Socket::Wait::Ready;
}

}  // namespace kv3::platform
