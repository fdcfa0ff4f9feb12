#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "collections/Image.h"
#include "terrain/DetailBrush.h"
#include "terrain/DetailMap.h"

// Detail maps to and from 8-bit images: an 8 x 8 block per vertex or cell, the cell's block
// split along its diagonal for triangles, every row mirrored left to right.
namespace detailimages {
using Palette = std::array<uint8_t, 768>;

constexpr int kBlock = 8;  // pixels a vertex or cell takes each way
constexpr const char* kUnreadable = "Unable to read the file";
constexpr const char* kNotEightBit = "Image must be 8-bit paletted or greyscale.";
constexpr const char* kUnwritable = "Unable to write the image";
constexpr const char* kPartialTitle = "Partial Success";
constexpr const char* kPartialText =
    "The map wasn't 100% perfect, so please carefully check the results.";

// An indexed image with `palette`. Empty (0 x 0) when the map's arrays are shorter than its
// dimensions or the image would be larger than an Image may be.
Image Export(const DetailMap& map, DetailLayer layer, const Palette& palette);
// Export written to `path` (its extension picks BMP, PNG or TIFF); false with `error` set to
// kUnwritable when the image cannot be made or written.
bool ExportFile(const std::filesystem::path& path, const DetailMap& map, DetailLayer layer,
                const Palette& palette, std::string& error);

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
// Import from an image file; a file that cannot be read as an image gives kUnreadable.
ImportResult ImportFile(const std::filesystem::path& path, DetailMap& map, DetailLayer layer,
                        const SlotProtection& protection, bool override);
}  // namespace detailimages
