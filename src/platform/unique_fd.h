#pragma once

#include <unistd.h>

#include <utility>

namespace kv3::platform {

// Sole owner of a file descriptor (socket or file); closes it when it goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset(other.release());
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  explicit operator bool() const { return valid(); }
  int release() { return std::exchange(fd_, -1); }
  // Closes the held descriptor; true when there was one and the close succeeded.
  bool reset(int fd = -1) {
    const int old = std::exchange(fd_, fd);
    return old >= 0 && ::close(old) == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace kv3::platform
