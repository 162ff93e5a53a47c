#include <sys/stat.h>

#include "platform/file_access.h"

namespace kv3::platform {

bool OthersMayRead(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  return (status.st_mode & (S_IRWXG | S_IRWXO)) != 0;
}

}  // namespace kv3::platform
