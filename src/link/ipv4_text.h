#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kv3::link {

// True for a dotted quad: at most 15 characters, digits and full stops only, four parts of one
// to three digits each with a value up to 255 (leading zeros allowed, read in decimal).
bool IsValidIPv4Text(std::string_view text);

// The four numbers of a dotted text as bytes in network order. No validation: each part is read
// like a C integer (leading blanks, a sign, digits up to the first other character), missing
// parts count 0, and the sum first + second*256 + third*65536 + fourth*16777216 wraps at 2^32.
std::array<std::uint8_t, 4> ParseIPv4Text(std::string_view text);

}  // namespace kv3::link
