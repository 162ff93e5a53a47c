// A position definition from the user's disk, rewritten into its normalised form. A second
// rewrite must change nothing (a file already normalised stays untouched on disk), and no line
// is lost: the rewrite keeps the number of line ends (LF, CR LF or a lone CR, which a rewritten
// line ends with LF) unless it ends an unterminated last line.
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
  const auto lineEnds = [](std::string_view text) {
    std::ptrdiff_t ends = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const bool crBeforeLf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
      if ((text[i] == '\n' || text[i] == '\r') && !crBeforeLf) ++ends;
    }
    return ends;
  };
  const auto grown = lineEnds(once) - lineEnds(bytes);
  if (grown < 0 || grown > 1) __builtin_trap();
  return 0;
}
