#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "collections/Image.h"

// TIFF files through libtiff: grey (black is zero), grey with alpha (read as RGBA), RGB, RGBA
// with 8 or 16 bits per sample (16 rounded to 8), grey of 1, 2 or 4 bits (stretched to 0-255),
// or paletted with 1 to 8 bits, strips in either planar configuration. Written with 8 bits per
// sample, deflate-compressed and contiguous.
class TiffFile {
 public:
  // Reads size, layout and palette; the pixels too when `pixels` is true.
  static bool Read(std::span<const uint8_t> file, Image& image, bool pixels, std::string& error);
  // Indexed (with a 256-entry colour map), greyscale, RGB and RGBA (unassociated alpha).
  static bool Write(const std::string& path, const Image& image, std::string& error);
};
