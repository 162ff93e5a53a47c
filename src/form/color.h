#pragma once

#include <cstdint>

namespace kv3::form {

// A plain RGB value. Colours are compared by value; the window's validity rules read them back.
struct Color {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend constexpr bool operator==(Color, Color) = default;
};

inline constexpr Color clWindow{255, 255, 255};
inline constexpr Color clWindowText{0, 0, 0};
inline constexpr Color clBtnFace{240, 240, 240};
inline constexpr Color clRed{255, 0, 0};
inline constexpr Color clYellow{255, 255, 0};
inline constexpr Color clLime{0, 255, 0};
inline constexpr Color clBlue{0, 0, 255};
// Background of an address or password field whose content cannot be saved.
inline constexpr Color InvalidFieldColour{217, 182, 176};

}  // namespace kv3::form
