#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "collections/Image.h"

// The image written for one collection bitmap. It takes the bitmap's plain data, so it needs
// nothing of the collection itself.
class BitmapExport {
 public:
  static constexpr uint16_t kRleFlag = 0x0004;
  static constexpr uint16_t kShadowFlag = 0x0080;

  struct Bitmap {
    uint32_t width = 0;
    uint32_t height = 0;
    // width x height pixels of `bytesPerPixel` bytes: 2 is (alpha, colour index), 1 is a bare
    // index with index 0 transparent.
    std::span<const uint8_t> pixels;
    uint32_t bytesPerPixel = 2;
    uint16_t flags = 0;
  };

  // Colour export: an indexed image with the colour table (the grey ramp for a shadow).
  // Transparent pixels become index 0 in an RLE bitmap and index 1 in a RAW one, so importing
  // the file again gives back the same encoding; a shadow's stay 0, its grey level for "none".
  // Alpha export: a greyscale image of the alpha values.
  static bool MakeImage(const Bitmap& bitmap, const std::array<uint8_t, 768>& colorTable,
                        bool alpha, Image& out, std::string& error);
};
