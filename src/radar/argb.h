#pragma once
// The two colour encodings of the radar code. A pixel is ARGB, 0xAARRGGBB (alpha in the top byte,
// blue in the low byte), never premultiplied. A colour value, as the colour tables and the window
// system hold it, is red + 256 green + 65536 blue with a zero high byte (vb::Color).
#include <cstdint>

#include "platform/vb/color.h"

namespace fw {

using Argb = uint32_t;

// The four bytes laid out blue (lowest), green, red, alpha (highest).
constexpr Argb MakeArgb(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue) {
  return (static_cast<Argb>(alpha) << 24) | (static_cast<Argb>(red) << 16) | (static_cast<Argb>(green) << 8) |
         static_cast<Argb>(blue);
}

// A colour value with the given alpha: OleColorToArgb(0x0000FF, 255) is opaque red, FFFF0000.
constexpr Argb OleColorToArgb(vb::Color colour, uint8_t alpha) {
  return MakeArgb(alpha, static_cast<uint8_t>(colour & 255), static_cast<uint8_t>((colour >> 8) & 255),
                  static_cast<uint8_t>((colour >> 16) & 255));
}

// The colour value of a pixel, alpha dropped: ReverseRGB(FF0000FF) is 16711680 (blue).
constexpr vb::Color ReverseRGB(Argb pixel) {
  return static_cast<vb::Color>(((pixel >> 16) & 255) | (pixel & 0xFF00) | ((pixel & 255) << 16));
}

constexpr int argbAlpha(Argb pixel) {
  return static_cast<int>(pixel >> 24);
}

}  // namespace fw
