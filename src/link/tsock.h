#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/sock_exception.h"
#include "platform/net.h"

namespace kv3::link {

enum class TSocketType { stStream, stDatagram };

// The small IPv4 socket class behind every command exchange. Only its datagram side is used:
// set host and ports, open (create and bind), send datagrams, take waiting datagrams without
// blocking, close. Failures are ESockException with fixed message texts; a failed bind is not
// an exception but leaves the socket closed. Destroying an open socket closes it.
class TSock {
 public:
  static constexpr std::size_t kReceiveBufferSize = 32768;

  TSock();
  TSock(const TSock&) = delete;
  TSock& operator=(const TSock&) = delete;
  ~TSock();

  const std::string& HostName() const { return hostName_; }
  // Stores the remote host; on an open datagram socket it is resolved at once and the next
  // datagram goes there (may throw "Host Lookup - Could Not Find Host Entry").
  void SetHostName(const std::string& host);
  const std::string& PortName() const { return portName_; }
  // Port texts take effect at the next Open.
  void SetPortName(const std::string& port);
  const std::string& LocalPortName() const { return localPortName_; }
  // "-1" (the default) binds to the port that PortName names.
  void SetLocalPortName(const std::string& port);
  TSocketType SocketType() const { return type_; }
  // Throws "SocketType - Can't Assign Socket Type While Connected" on an open socket.
  void SetSocketType(TSocketType type);
  bool Blocking() const { return blocking_; }
  // Takes effect at the next Open.
  void SetBlocking(bool blocking) { blocking_ = blocking; }
  // Longest wait of ReceiveDatagram in whole seconds; negative waits without limit.
  int BlockingTimeout() const { return blockingTimeout_; }
  void SetBlockingTimeout(int seconds) { blockingTimeout_ = seconds; }

  bool Connected() const { return connected_; }
  // The address the next datagram goes to, as dotted text (meaningful while open).
  std::string RemoteAddressText() const;

  // Creates and binds the socket; returns the connected flag. An open socket stays as it is.
  // Throws the lookup errors of the port and host texts.
  bool Open();
  // Closes the socket; true when there was one and the system closed it.
  bool Close();

  // Sets the host name to host (resolving it again) and sends data as one datagram to it at
  // the remote port. Data whose first byte is zero (or empty data) sends nothing. The system's
  // send result is not examined; always true.
  bool SendDatagram(std::span<const std::uint8_t> data, const std::string& host);
  bool SendDatagram(std::string_view data, const std::string& host);

  // One waiting datagram, byte for byte (at most kReceiveBufferSize bytes), and its sender's
  // dotted address; empty texts when none arrives within BlockingTimeout seconds. A zero-length
  // datagram is a datagram: an empty text with its sender's address (anyone on the network can
  // send one, so it is no failure of the socket). A failed receive throws "Socket Error while
  // Receiving Datagram:" followed by the system's error number.
  std::string ReceiveDatagram(std::string& senderAddress);

 private:
  const char* Protocol() const;

  std::string hostName_;
  std::string portName_;
  std::string localPortName_ = "-1";
  TSocketType type_ = TSocketType::stStream;
  bool blocking_ = false;
  int blockingTimeout_ = 0;

  platform::Socket socket_;
  bool connected_ = false;
  std::uint32_t remoteAddress_ = 0;  // network order
  std::uint16_t remotePort_ = 0;     // network order
  std::vector<char> buffer_;
};

}  // namespace kv3::link
