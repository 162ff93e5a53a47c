#pragma once

#include <string>

#include "platform/unique_fd.h"

namespace kv3::platform {

// A per-user lock on a name: held while the process lives, gone when it ends in any way
// (the system drops the lock with the process, also when the process is killed).
class SingleInstanceGuard {
 public:
  // Tries to take the lock on name for the current user. lockDir is where the lock file lives.
  explicit SingleInstanceGuard(const std::string& name, const std::string& lockDir = "/tmp");
  // True when another process of this user holds the lock.
  bool alreadyRunning() const { return alreadyRunning_; }
  const std::string& lockPath() const { return path_; }

 private:
  std::string path_;
  UniqueFd fd_;
  bool alreadyRunning_ = false;
};

}  // namespace kv3::platform
