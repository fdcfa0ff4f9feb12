#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "collections/Image.h"

// Windows bitmaps: uncompressed (or 32-bit with byte-aligned colour masks), with a 40-byte,
// V4 (108) or V5 (124) information header; 1, 4 or 8 bits (paletted), 24 (BGR) or 32 (BGRA)
// per pixel; rows bottom-up or top-down. Written with the 40-byte header.
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
    uint32_t bits = 8;         // stored bits per pixel: 1, 4, 8, 24 or 32
    bool bottomUp = true;
    // The stored byte of red, green, blue and alpha in a 24- or 32-bit pixel; -1: alpha 255.
    int channel[4] = {2, 1, 0, 3};
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
