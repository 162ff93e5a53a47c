#pragma once

#include <stdexcept>
#include <string>

namespace kv3::link {

// Every failure of the datagram socket; the message is what the user sees in the error box.
class ESockException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kv3::link
