#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "collections/Image.h"
#include "terrain/DetailBrush.h"
#include "terrain/DetailMap.h"

// Detail maps to and from 8-bit images: an 8 x 8 block per vertex or cell, the cell's block
// split along its diagonal for triangles, every row mirrored left to right.
namespace detailimages {
using Palette = std::array<uint8_t, 768>;

Image Export(const DetailMap& map, DetailLayer layer, const Palette& palette);

struct ImportResult {
  bool ok = false;
  bool partial = false;  // some block was not uniform
  std::string error;     // the message to show when !ok
  Palette palette{};     // the image's palette (greyscale: the grey ramp)
};
// Each vertex (or triangle) takes its block's most frequent value (ties: the smaller), capped at
// 127, unless its current slot is protected and `override` is off. Wrong size: "Image dimensions
// (%d,%d) do not match mesh dimensions (%d,%d)" for vertices, "... expected dimensions ..." for
// triangles; not 8-bit paletted or grey: "Image must be 8-bit paletted or greyscale.". A failed
// import changes nothing.
ImportResult Import(const Image& image, DetailMap& map, DetailLayer layer,
                    const SlotProtection& protection, bool override);
}  // namespace detailimages
