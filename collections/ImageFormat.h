#pragma once
#include <cstdint>

// Pixel layouts of an Image.
enum class ImageFormat : uint32_t {
  kIndexed8 = 1,  // one palette index per pixel, with a 256-entry RGB palette
  kGrey8 = 2,     // one grey level per pixel
  kGreyAlpha = 3, // grey and alpha per pixel
  kRgb24 = 4,     // red, green, blue
  kRgba32 = 5,    // red, green, blue, alpha
};
