#pragma once
#include <cstdint>

// Pixel layouts of an Image. The first four codes are OpenGL's pixel-format enumerants, so an
// image can go to texture upload as it is. Codes 1 to 255 are raw layouts of that many opaque
// bytes per pixel, which are only sized and copied.
enum class ImageFormat : uint32_t {
  kIndexed = 0x1900,       // palette index; the image has a palette
  kGreyscale = 0x1906,     // grey level (also an alpha mask)
  kRgb = 0x1907,           // red, green, blue
  kRgba = 0x1908,          // red, green, blue, alpha
  kIndexedAlpha = 0x1A0A,  // alpha, then palette index
};

// Bytes per pixel of a format code; 0 for a code that names no layout.
uint32_t BytesPerPixel(uint32_t format);
inline uint32_t BytesPerPixel(ImageFormat format) {
  return BytesPerPixel(static_cast<uint32_t>(format));
}
// "indexed", "greyscale", ...; "raw" for 1-255, "unknown" otherwise.
const char* FormatName(uint32_t format);
