#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "collections/Image.h"

// TIFF files through libtiff: 8 bits per sample, grey (black is zero), RGB, RGBA or paletted,
// strips in either planar configuration. Written deflate-compressed and contiguous.
class TiffFile {
 public:
  // Reads size, layout and palette; the pixels too when `pixels` is true.
  static bool Read(std::span<const uint8_t> file, Image& image, bool pixels, std::string& error);
  // Indexed (with a 256-entry colour map), greyscale, RGB and RGBA (unassociated alpha).
  static bool Write(const std::string& path, const Image& image, std::string& error);
};
