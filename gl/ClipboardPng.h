#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The image/png form of clipboard images, through libpng. Pixels on our side are RGB rows,
// top row first, without padding. No display is needed, so tests and fuzzers use it as is.
class ClipboardPng {
 public:
  // Width and height must be positive; false only when libpng fails.
  static bool Encode(const uint8_t* rgb, int32_t width, int32_t height, std::vector<uint8_t>& png);

  // Any PNG colour type and depth is brought to 8-bit RGB. The clipboard's images are opaque:
  // a PNG with a pixel whose alpha is below 255 is refused, as is one whose stated size the
  // compressed data cannot hold.
  static bool Decode(std::span<const uint8_t> png, std::vector<uint8_t>& rgb, int32_t& width,
                     int32_t& height, std::string& error);
};
