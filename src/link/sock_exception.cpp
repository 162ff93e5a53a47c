#include "link/sock_exception.h"

namespace kv3::link {

namespace {

std::string MessageOf(SockFailure failure, int systemError) {
  switch (failure) {
    case SockFailure::SendNotConnected:
      return "SendDatagram - Socket Not Connected";
    case SockFailure::SendOnStream:
      return "SendDatagram - Datagram Send Not Supported On Stream Sockets";
    case SockFailure::ReceiveNotConnected:
      return "ReceiveDatagram - Socket Not Connected";
    case SockFailure::ReceiveOnStream:
      return "ReceiveDatagram - Datagram Receive Not Supported On Stream Sockets";
    case SockFailure::ReceiveFailed:
      return "Socket Error while Receiving Datagram:" + std::to_string(systemError);
    case SockFailure::HostNotFound:
      return "Host Lookup - Could Not Find Host Entry";
    case SockFailure::PortNotFound:
      return "Port Lookup - Could Not Find Service Entry";
    case SockFailure::TypeWhileConnected:
      return "SocketType - Can't Assign Socket Type While Connected";
  }
  return {};
}

}  // namespace

ESockException::ESockException(SockFailure failure, int systemError)
    : std::runtime_error(MessageOf(failure, systemError)),
      failure_(failure),
      systemError_(systemError) {}

}  // namespace kv3::link
