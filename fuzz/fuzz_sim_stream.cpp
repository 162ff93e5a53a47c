// The simulator's reading of the start of a stream connection: the block header of a named
// upload against its length prefix and the announced name, and the name a stored file gets.
// Input: one byte for the announced name's length, the name, the 4-byte prefix, the header.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "sim/stream_server.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3::sim;
  if (size == 0) return 0;
  const std::size_t nameLength = std::min<std::size_t>(data[0] % 40, size - 1);
  const std::string announced(reinterpret_cast<const char*>(data + 1), nameLength);
  std::array<std::uint8_t, 4 + kBlockHeaderSize> rest{};
  std::memcpy(rest.data(), data + 1 + nameLength, std::min(rest.size(), size - 1 - nameLength));
  const std::uint64_t prefix =
      rest[0] | rest[1] << 8 | rest[2] << 16 | static_cast<std::uint64_t>(rest[3]) << 24;
  const BlockHeaderReading reading = ReadBlockHeader(
      prefix, std::span<const std::uint8_t, kBlockHeaderSize>(rest.data() + 4, kBlockHeaderSize),
      announced);
  if (reading.name.size() > 20 || reading.name.find('\0') != std::string::npos) __builtin_trap();
  if (reading.problem.empty() && (reading.contentSize + kBlockHeaderSize != prefix ||
                                  reading.name != announced.substr(0, 20))) {
    __builtin_trap();
  }
  for (const Command command : {Command::Fwup, Command::Rfup, Command::Asch}) {
    const std::string stored = SafeFileName(announced, command);
    if (stored.empty() || stored.front() == '.' || stored.find('/') != std::string::npos) {
      __builtin_trap();
    }
  }
  return 0;
}
