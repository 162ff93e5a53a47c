#pragma once

#include <stdexcept>
#include <string>

namespace kv3::link {

// What went wrong in the datagram socket. The window shows the socket's own message; kv3 words
// the failure in the language of its run and tells the failures apart by this.
enum class SockFailure {
  SendNotConnected,
  SendOnStream,
  ReceiveNotConnected,
  ReceiveOnStream,
  ReceiveFailed,  // with the system's error number
  HostNotFound,
  PortNotFound,
  TypeWhileConnected,
};

// Every failure of the datagram socket; the message is what the user sees in the error box.
class ESockException : public std::runtime_error {
 public:
  // The socket's message for the failure; systemError completes that of ReceiveFailed.
  explicit ESockException(SockFailure failure, int systemError = 0);

  SockFailure failure() const noexcept { return failure_; }
  int systemError() const noexcept { return systemError_; }

 private:
  SockFailure failure_;
  int systemError_;
};

}  // namespace kv3::link
