// A unit's acknowledgement of an announce and its closing answer after a transfer: the name
// length read from the acknowledgement and the "complete!" verdict.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/answer.h"
#include "update/stream_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3;
  const std::string_view datagram(reinterpret_cast<const char*>(data), size);
  const auto acknowledgement = link::KeepAnswer(datagram, link::kKeptAnswer);
  const std::uint32_t nameLength = update::NameLengthField(acknowledgement);
  if (nameLength > link::kKeptAnswer) __builtin_trap();
  (void)update::BlockHeader(static_cast<std::uint32_t>(size), nameLength, "getPosition.xml");
  const auto closing = link::KeepAnswer(datagram, 2048);
  (void)update::IsCompleteAnswer(closing);
  return 0;
}
