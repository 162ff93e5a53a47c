// t540.cfg as a user or another program may have left it: split into lines, its first line
// replaced, the rest after its first lines carried over byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "window/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3::window;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto lines = SplitConfigLines(bytes);
  for (const std::string& line : lines) {
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) __builtin_trap();
  }
  const std::string replaced = ReplaceFirstLine(bytes, "gb");
  if (replaced.substr(0, 2) != "gb") __builtin_trap();
  const std::string_view rest = BytesAfterLines(bytes, 2);
  // What follows the first two lines is a tail of the file, never more.
  if (rest.size() > bytes.size() || bytes.substr(bytes.size() - rest.size()) != rest) {
    __builtin_trap();
  }
  return 0;
}
