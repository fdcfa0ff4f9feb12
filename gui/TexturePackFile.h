#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gui/SkinIds.h"
#include "gui/SkinMetrics.h"

// Reading and writing res/texturepack, the file that holds the skin images. This is the file
// format only; packing the images into pages and uploading them belong to the drawing code.
//
// Layout (little-endian, no magic number, no version):
//   uint32 image count, then that many records:
//   record  28-byte header: 20 bytes that once held in-memory links, page position, flags and a
//           pixel pointer (ignored on reading, written as zero), then uint16 width and height at
//           offsets 12 and 14 and the uint32 image id at offset 24;
//           then width * height pixels, rows top to bottom, 4 bytes each: red, green, blue, alpha.

inline constexpr size_t kTexturePackRecordHeaderSize = 28;
inline constexpr size_t kTexturePackBytesPerPixel = 4;

struct TexturePackImage {
  // Ids below kSkinImageCount name a skin piece (gui/SkinIds.h); others are kept but unused.
  uint32_t id = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  // width * height * 4 bytes, straight RGBA, rows top to bottom.
  std::vector<uint8_t> rgba;
};

struct TexturePackReadResult {
  // In file order.
  std::optional<std::vector<TexturePackImage>> images;
  // Why reading failed; empty when images holds a value.
  std::string error;

  explicit operator bool() const { return images.has_value(); }
};

struct TexturePackWriteResult {
  std::vector<uint8_t> bytes;
  // Why the images could not be written; empty on success.
  std::string error;

  bool ok() const { return error.empty(); }
};

class TexturePackFile {
 public:
  // Parses a whole file image. Any record cut short, a count that promises more records than
  // the data can hold, or bytes left after the last record fail the whole file.
  static TexturePackReadResult Read(std::span<const uint8_t> bytes);

  // Reads the file at `path` and parses it; a missing or unreadable file is an error result.
  static TexturePackReadResult Load(const std::filesystem::path& path);

  // Empty when every image's pixels hold exactly width * height * 4 bytes.
  static std::string Check(std::span<const TexturePackImage> images);

  // Serialises the images in order; fails (with Check's message) on inconsistent data.
  static TexturePackWriteResult Write(std::span<const TexturePackImage> images);

  // Writes the images to `path`; returns an error message, empty on success.
  static std::string Save(std::span<const TexturePackImage> images,
                          const std::filesystem::path& path);

  // For each skin id, the index in `images` of the image with that id, or -1 when the pack has
  // none. When an id occurs more than once, the later image wins.
  static std::array<int32_t, kSkinImageCount> SkinTable(std::span<const TexturePackImage> images);

  // The frame measurements the pack's images give: thick and thin border widths from the
  // heights of the border edges, the title-bar button size from the close button. Pieces the
  // pack lacks leave the corresponding default alone.
  static SkinMetrics Metrics(std::span<const TexturePackImage> images);
};
