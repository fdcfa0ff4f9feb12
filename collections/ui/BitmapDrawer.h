#pragma once
#include <cstdint>
#include <vector>

#include "collections/CollectionDisplay.h"
#include "gui/Geometry.h"

struct CollectionBitmap;

// Draws collection bitmaps through the painter's one scratch texture: the picture is sampled
// at no more than the resolution it is drawn at, cut into tiles of at most the texture's size,
// each tile converted to RGBA (the display palette's colour of each index, the pixel's alpha)
// into one reused buffer, uploaded and drawn as one quad. Tiles go to successive free places
// of the texture so that a frame of many thumbnails rarely rewrites texels still being drawn.
class BitmapDrawer {
 public:
  static constexpr uint32_t kMirrorHorizontal = 1;
  static constexpr uint32_t kMirrorVertical = 2;

  BitmapDrawer();

  // Draws `bitmap` stretched over `dest` (the current window's coordinates).
  void Draw(const CollectionBitmap& bitmap, const CollectionDisplay::Palette& palette,
            const Rect& dest, uint32_t mirror = 0);

  // The samples a bitmap is drawn from over a destination `dest_width` × `dest_height`: the
  // bitmap's own size, or less when it is drawn smaller.
  static Size SampleSize(const CollectionBitmap& bitmap, int32_t dest_width, int32_t dest_height);
  // Converts samples [x, x + width) × [y, y + height) of a `samples`-sized sampling of the
  // bitmap into RGBA at `out` (width × height × 4 bytes). Bitmaps without (alpha, index)
  // pixels come out as a grey checkerboard.
  static void ConvertSamples(const CollectionBitmap& bitmap,
                             const CollectionDisplay::Palette& palette, Size samples, int32_t x,
                             int32_t y, int32_t width, int32_t height, uint8_t* out);

  // The drawer every editor window shares, like the texture it draws through.
  static BitmapDrawer& Shared();

 private:
  // A free place of `width` × `height` in the scratch texture, moving on along shelves.
  Rect Place(int32_t width, int32_t height);

  std::vector<uint8_t> buffer_;  // one tile of RGBA, the texture's size
  int32_t shelf_x_ = 0;
  int32_t shelf_y_ = 0;
  int32_t shelf_height_ = 0;
};
