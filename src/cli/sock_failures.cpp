#include "cli/sock_failures.h"

namespace kv3::cli {

std::string SockFailureText(const CliTexts& texts, const link::ESockException& error) {
  using link::SockFailure;
  switch (error.failure()) {
    case SockFailure::SendNotConnected:
      return std::string(texts.sockSendClosed);
    case SockFailure::SendOnStream:
      return std::string(texts.sockSendOnStream);
    case SockFailure::ReceiveNotConnected:
      return std::string(texts.sockReceiveClosed);
    case SockFailure::ReceiveOnStream:
      return std::string(texts.sockReceiveOnStream);
    case SockFailure::ReceiveFailed:
      return Fill(texts.sockReceiveFailed, {std::to_string(error.systemError())});
    case SockFailure::HostNotFound:
      return std::string(texts.sockHostNotFound);
    case SockFailure::PortNotFound:
      return std::string(texts.sockPortNotFound);
    case SockFailure::TypeWhileConnected:
      return std::string(texts.sockTypeWhileOpen);
  }
  return error.what();
}

}  // namespace kv3::cli
