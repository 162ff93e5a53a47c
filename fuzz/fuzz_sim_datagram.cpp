// The simulator's own reading of a command datagram: every unit takes whatever arrives on its
// command port, as a real unit must.
#include <cstddef>
#include <cstdint>
#include <span>

#include "sim/unit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3::sim;
  Unit unit;
  const std::span<const std::uint8_t> datagram(data, size);
  (void)React(unit, datagram, false);
  (void)React(unit, datagram, true);
  (void)FindRecord(unit);
  return 0;
}
