#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/single_instance.h"
#include "platform/unique_fd.h"

namespace kv3::platform {

SingleInstanceGuard::SingleInstanceGuard(const std::string& name, const std::string& lockDir)
    : path_(lockDir + "/" + name + "." + std::to_string(::getuid()) + ".lock") {
  // The lock file is never followed through a link and belongs to this user alone.
  UniqueFd fd(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd) {
    // Without a lock file the guard cannot tell; the program starts rather than refuse.
    return;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || info.st_uid != ::getuid()) {
    return;
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    alreadyRunning_ = (errno == EWOULDBLOCK);
    return;
  }
  handle_ = fd.release();
}

SingleInstanceGuard::~SingleInstanceGuard() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace kv3::platform
