#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "collections/Image.h"

// PNG files through libpng, read as greyscale, RGB, paletted or RGBA with 8 bits per sample:
// grey with alpha becomes RGBA, 16-bit samples are rounded to 8 bits, 1-, 2- and 4-bit pixels
// are unpacked (grey levels scaled to 0-255), interlaced files are de-interlaced. Written with
// 8 bits per sample.
class PngFile {
 public:
  // Reads size, layout and palette (the pixels are left zero when `pixels` is false).
  static bool Read(std::span<const uint8_t> file, Image& image, bool pixels, std::string& error);
  // Indexed (with its palette), greyscale, RGB and RGBA; no interlacing.
  static bool Write(std::FILE* file, const Image& image, std::string& error);
};
