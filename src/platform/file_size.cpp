#include "platform/file_size.h"

#include <sys/types.h>

namespace kv3::platform {

long long FileSizeOf(std::FILE* file) {
  if (file == nullptr) {
    return -1;
  }
  const off_t here = ftello(file);
  if (here < 0 || fseeko(file, 0, SEEK_END) != 0) {
    return -1;
  }
  const off_t size = ftello(file);
  fseeko(file, here, SEEK_SET);
  return size;
}

}  // namespace kv3::platform
