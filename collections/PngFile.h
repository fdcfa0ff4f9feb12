#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "collections/Image.h"

// PNG files through libpng: 8 bits per sample, greyscale, RGB, paletted or RGBA; interlaced
// files are de-interlaced.
class PngFile {
 public:
  // Reads size, layout and palette (the pixels are left zero when `pixels` is false).
  static bool Read(std::span<const uint8_t> file, Image& image, bool pixels, std::string& error);
  // Indexed (with its palette), greyscale, RGB and RGBA; no interlacing.
  static bool Write(std::FILE* file, const Image& image, std::string& error);
};
