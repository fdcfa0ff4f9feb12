#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "collections/Image.h"

// Windows bitmaps: uncompressed, 40-byte information header, 8 bits (paletted), 24 (BGR) or
// 32 (BGRA) per pixel, rows bottom-up or top-down.
class BmpFile {
 public:
  // What the headers say, checked against the file's length.
  struct Layout {
    uint32_t width = 0;
    uint32_t height = 0;
    ImageFormat format = ImageFormat::kIndexed;
    uint32_t paletteCount = 0;
    std::array<uint8_t, 768> palette{};
    uint64_t pixelOffset = 0;  // where the first stored row starts
    uint64_t rowBytes = 0;     // stored bytes per row, padding included
    bool bottomUp = true;
    // Set when the headers are accepted but the file ends before the rows they describe.
    bool pixelsCutShort = false;
  };

  // Fails with a one-line reason for anything but the variants above, or when the pixel rows
  // do not fit in the file (then with pixelsCutShort set).
  static bool ReadHeader(std::span<const uint8_t> file, Layout& layout, std::string& error);
  static bool ReadPixels(std::span<const uint8_t> file, const Layout& layout, Image& image,
                         std::string& error);
  static bool Read(std::span<const uint8_t> file, Image& image, std::string& error);

  // Indexed and greyscale images as 8-bit, RGB as 24, RGBA as 32; other layouts fail.
  static bool Encode(const Image& image, std::vector<uint8_t>& out, std::string& error);
};
