#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "link/device_record.h"

namespace kv3::link::test {

// Bytes written as hexadecimal pairs; blanks between them are ignored.
inline std::vector<std::uint8_t> Hex(std::string_view text) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::invalid_argument("not a hex digit");
  };
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == '\n') continue;
    if (high < 0) {
      high = nibble(c);
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + nibble(c)));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd number of hex digits");
  return bytes;
}

// A unit's answer to "FIND": firmware 1.7, MAC 00:1A:2B:3C:4D:5E, 192.168.1.50/255.255.255.0,
// gateway 192.168.1.1, DHCP off, bytes 25-30 11..16, scheme "plan.png", skin "frame.png",
// web app "webapp.rom".
inline DeviceRecord SampleRecord() {
  const auto bytes =
      Hex("66 69 6E 64 01 07 00 1A 2B 3C 4D 5E C0 A8 01 32 "
          "FF FF FF 00 C0 A8 01 01 00 11 12 13 14 15 16 70 "
          "6C 61 6E 2E 70 6E 67 00 00 00 00 00 00 00 00 00 "
          "00 00 00 00 66 72 61 6D 65 2E 70 6E 67 00 00 00 "
          "00 00 00 00 00 00 00 00 00 77 65 62 61 70 70 2E "
          "72 6F 6D 00 00 00 00 00 00 00 00 00 00 00 00 00 "
          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ");
  return RecordFromAnswer(bytes);
}

}  // namespace kv3::link::test
