// A position definition from the user's disk, rewritten into its normalised form. A second
// rewrite must change nothing (a file already normalised stays untouched on disk), and no line
// is lost: the rewrite keeps the number of line feeds unless it ends an unterminated last line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scheme/position_definition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kv3::scheme::NormalisePositionDefinition;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string once = NormalisePositionDefinition(bytes);
  if (NormalisePositionDefinition(once) != once) __builtin_trap();
  const auto feeds = [](std::string_view text) {
    return std::count(text.begin(), text.end(), '\n');
  };
  const auto grown = feeds(once) - feeds(bytes);
  if (grown < 0 || grown > 1) __builtin_trap();
  return 0;
}
