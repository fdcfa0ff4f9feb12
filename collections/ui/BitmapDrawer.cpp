#include "collections/ui/BitmapDrawer.h"

#include <algorithm>
#include <span>

#include "collections/CollectionBitmap.h"
#include "gui/Painter.h"

namespace {
constexpr int32_t kTile = Painter::kScratchSize;
}  // namespace

BitmapDrawer::BitmapDrawer() : buffer_(static_cast<size_t>(kTile) * kTile * 4) {}

BitmapDrawer& BitmapDrawer::Shared() {
  static BitmapDrawer drawer;
  return drawer;
}

Size BitmapDrawer::SampleSize(const CollectionBitmap& bitmap, int32_t dest_width,
                              int32_t dest_height) {
  return {std::clamp<int32_t>(dest_width, 0, bitmap.width),
          std::clamp<int32_t>(dest_height, 0, bitmap.height)};
}

void BitmapDrawer::ConvertSamples(const CollectionBitmap& bitmap,
                                  const CollectionDisplay::Palette& palette, Size samples,
                                  int32_t x, int32_t y, int32_t width, int32_t height,
                                  uint8_t* out) {
  const size_t expected = static_cast<size_t>(bitmap.width) * bitmap.height * 2;
  const bool indexed = bitmap.IsIndexed() && bitmap.pixels.size() >= expected &&
                       samples.width > 0 && samples.height > 0;
  for (int32_t row = 0; row < height; ++row) {
    uint8_t* o = out + static_cast<size_t>(row) * static_cast<size_t>(width) * 4;
    const int32_t sy = y + row;
    if (!indexed) {
      for (int32_t col = 0; col < width; ++col, o += 4) {
        const bool dark = (((x + col) >> 3) + (sy >> 3)) & 1;
        o[0] = o[1] = o[2] = dark ? 96 : 160;
        o[3] = 255;
      }
      continue;
    }
    // Nearest sample: sample s of n covers source pixels [s·size/n, (s+1)·size/n).
    const size_t source_row =
        static_cast<size_t>(static_cast<int64_t>(sy) * bitmap.height / samples.height);
    const uint8_t* line = bitmap.pixels.data() + source_row * bitmap.width * 2;
    if (samples.width == bitmap.width) {
      // Drawn at its own width (thumbnails of small bitmaps, bitmap windows): no sampling.
      const uint8_t* p = line + static_cast<size_t>(x) * 2;
      for (int32_t col = 0; col < width; ++col, o += 4, p += 2) {
        const size_t index = p[1];
        o[0] = palette[index * 3];
        o[1] = palette[index * 3 + 1];
        o[2] = palette[index * 3 + 2];
        o[3] = p[0];
      }
      continue;
    }
    for (int32_t col = 0; col < width; ++col, o += 4) {
      const size_t source_col =
          static_cast<size_t>(static_cast<int64_t>(x + col) * bitmap.width / samples.width);
      const uint8_t alpha = line[source_col * 2];
      const size_t index = line[source_col * 2 + 1];
      o[0] = palette[index * 3];
      o[1] = palette[index * 3 + 1];
      o[2] = palette[index * 3 + 2];
      o[3] = alpha;
    }
  }
}

Rect BitmapDrawer::Place(int32_t width, int32_t height) {
  if (shelf_x_ + width > kTile) {
    shelf_y_ += shelf_height_;
    shelf_x_ = 0;
    shelf_height_ = 0;
  }
  if (shelf_y_ + height > kTile) {
    shelf_x_ = shelf_y_ = shelf_height_ = 0;
  }
  const Rect place{shelf_x_, shelf_y_, shelf_x_ + width, shelf_y_ + height};
  shelf_x_ += width;
  shelf_height_ = std::max(shelf_height_, height);
  return place;
}

void BitmapDrawer::Draw(const CollectionBitmap& bitmap, const CollectionDisplay::Palette& palette,
                        const Rect& dest, uint32_t mirror) {
  Painter* painter = CurrentPainter();
  if (!painter || dest.IsEmpty() || bitmap.width == 0 || bitmap.height == 0) return;
  const Size samples = SampleSize(bitmap, dest.Width(), dest.Height());
  if (samples.width == 0 || samples.height == 0) return;
  const Color tint = painter->CurrentColor();
  painter->SetColor(kWhite);
  const float sx = static_cast<float>(dest.Width()) / static_cast<float>(samples.width);
  const float sy = static_cast<float>(dest.Height()) / static_cast<float>(samples.height);
  for (int32_t ty = 0; ty < samples.height; ty += kTile) {
    const int32_t th = std::min(kTile, samples.height - ty);
    for (int32_t tx = 0; tx < samples.width; tx += kTile) {
      const int32_t tw = std::min(kTile, samples.width - tx);
      ConvertSamples(bitmap, palette, samples, tx, ty, tw, th, buffer_.data());
      const Rect place = Place(tw, th);
      painter->UploadScratch(
          place, std::span<const uint8_t>(buffer_.data(), static_cast<size_t>(tw) * th * 4));
      // Where the tile lands, flipped with the whole picture when mirrored.
      float x0 = static_cast<float>(dest.left) + static_cast<float>(tx) * sx;
      float x1 = x0 + static_cast<float>(tw) * sx;
      float y0 = static_cast<float>(dest.top) + static_cast<float>(ty) * sy;
      float y1 = y0 + static_cast<float>(th) * sy;
      float u0 = static_cast<float>(place.left) / kTile;
      float u1 = static_cast<float>(place.right) / kTile;
      float v0 = static_cast<float>(place.top) / kTile;
      float v1 = static_cast<float>(place.bottom) / kTile;
      if (mirror & kMirrorHorizontal) {
        const float left = static_cast<float>(dest.left + dest.right) - x1;
        x1 = static_cast<float>(dest.left + dest.right) - x0;
        x0 = left;
        std::swap(u0, u1);
      }
      if (mirror & kMirrorVertical) {
        const float top = static_cast<float>(dest.top + dest.bottom) - y1;
        y1 = static_cast<float>(dest.top + dest.bottom) - y0;
        y0 = top;
        std::swap(v0, v1);
      }
      TexturedQuad quad;
      quad.x0 = x0;
      quad.x1 = x1;
      quad.y0 = y0;
      quad.y1 = y1;
      quad.u[0] = quad.u[3] = u0;
      quad.u[1] = quad.u[2] = u1;
      quad.v[0] = quad.v[1] = v0;
      quad.v[2] = quad.v[3] = v1;
      painter->DrawScratchQuads(std::span<const TexturedQuad>(&quad, 1));
    }
  }
  painter->SetColor(tint);
}
