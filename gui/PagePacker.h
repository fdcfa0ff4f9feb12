#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gui/Geometry.h"

// Packs many small images (skin pieces, font glyphs) into a few texture pages.
//
// This is the layout only, as plain data: the caller composes each page's pixels with
// ComposePage and uploads them. The layout is deterministic, so the same images always land in
// the same places.

struct PackerInput {
  uint16_t width = 0;
  uint16_t height = 0;
  // Glyphs may be turned a quarter to pack better; skin images may not, so that the sprite
  // flags keep their meaning.
  bool may_turn = false;
};

struct PackerPlacement {
  bool placed = false;
  // Stored with rows and columns exchanged: the image occupies height x width in its page, and
  // source pixel (column c, row r) sits at page pixel (x + r, y + c).
  bool transposed = false;
  uint32_t page = 0;
  // Top-left in the page.
  int32_t x = 0;
  int32_t y = 0;
};

struct PackerLayout {
  // One per input image, in input order.
  std::vector<PackerPlacement> placements;
  std::vector<Size> pages;
  // Why packing stopped; empty on success. After a failure the images placed so far keep their
  // places and the rest are unplaced and not transposed.
  std::string error;

  bool ok() const { return error.empty(); }
};

class PagePacker {
 public:
  // Pages are never smaller than this on either side, even below the texture size limit.
  static constexpr int32_t kMinPageSide = 128;
  // The texture pack keeps its pages at most this large whatever the driver allows.
  static constexpr int32_t kTexturePackMaxSide = 1024;

  // `max_texture_size` is the largest page side the pages may have (the driver's limit).
  explicit PagePacker(int32_t max_texture_size) : max_side_(max_texture_size) {}

  PackerLayout Pack(std::span<const PackerInput> images) const;

  // The page size for images of total `area` after `failures` attempts in a row that placed
  // nothing (each doubling the area the page is sized for).
  Size PageSizeFor(uint64_t area, uint32_t failures) const;

  // The largest page this packer can make on either side; an image with a longer side can
  // never be placed.
  int32_t LargestPageSide() const;

  // Copies every image placed on `page` into `out`, a page-sized buffer of `bytes_per_pixel`
  // bytes per pixel (4 for RGBA pages, 1 for alpha-only font pages) cleared to zero first.
  // `pixels[i]` holds image i as width * height pixels, rows top to bottom, untransposed.
  // Returns an error message (and leaves `out` empty) when the layout and the pixel buffers
  // do not belong together; empty on success.
  static std::string ComposePage(const PackerLayout& layout, uint32_t page,
                                 std::span<const PackerInput> images,
                                 std::span<const std::span<const uint8_t>> pixels,
                                 int32_t bytes_per_pixel, std::vector<uint8_t>& out);

 private:
  int32_t max_side_;
};
