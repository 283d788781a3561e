#pragma once
// Colours are 32-bit values with red in the low byte (5869787 is red 219, green 144, blue 89).
#include <cstdint>

namespace vb {

using Color = int32_t;

inline constexpr Color RGB(int red, int green, int blue) {
  return static_cast<Color>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
inline constexpr int Red(Color c) {
  return c & 0xFF;
}
inline constexpr int Green(Color c) {
  return (c >> 8) & 0xFF;
}
inline constexpr int Blue(Color c) {
  return (c >> 16) & 0xFF;
}

}  // namespace vb
