#include "platform/read_file.h"

namespace kv3::platform {

bool ReadFile::readExactly(std::span<std::uint8_t> dest) {
  while (!dest.empty()) {
    const long got = read(dest);
    if (got <= 0) return false;
    dest = dest.subspan(static_cast<std::size_t>(got));
  }
  return true;
}

}  // namespace kv3::platform
