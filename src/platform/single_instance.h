#pragma once

#include <cstdint>
#include <string>

namespace kv3::platform {

// A per-user lock on a name: held while the process lives, gone when it ends in any way
// (the system drops the lock with the process, also when the process is killed). On Windows it
// is the named mutex of that name in the user's session; lockDir is not used there.
class SingleInstanceGuard {
 public:
  // Tries to take the lock on name for the current user. lockDir is where the lock file lives.
  explicit SingleInstanceGuard(const std::string& name, const std::string& lockDir = "/tmp");
  // True when another process of this user holds the lock.
  ~SingleInstanceGuard();
  SingleInstanceGuard(const SingleInstanceGuard&) = delete;
  SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;
  bool alreadyRunning() const { return alreadyRunning_; }
  const std::string& lockPath() const { return path_; }

 private:
  std::string path_;
  std::intptr_t handle_ = -1;  // the lock file's descriptor, or the mutex's handle
  bool alreadyRunning_ = false;
};

}  // namespace kv3::platform
