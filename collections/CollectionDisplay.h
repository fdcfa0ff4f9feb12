#pragma once
#include <array>
#include <cstdint>

class Collection;
struct CollectionBitmap;
struct FrameView;

// How the editors show a collection: the palette with the replacing hue changes applied, and
// which bitmap a view shows with or without the alternate (high-resolution) bitmaps. Nothing
// here changes the collection.
class CollectionDisplay {
 public:
  using Palette = std::array<uint8_t, 768>;
  // The collection palette with every hue change whose replacement mode is non-zero applied
  // in list order.
  static Palette DisplayPalette(const Collection& collection);

  struct Shown {
    CollectionBitmap* bitmap = nullptr;
    // Signed: a mirrored view's point often lies left of or above its bitmap.
    int registration_x = 0;
    int registration_y = 0;
    uint32_t size_factor = 0;  // 16.16
  };
  // The view as drawn: with `alternates` and a view that has one, its alternate bitmap,
  // registration point and size factor; otherwise its own. Showing alternates (Ctrl+T) is a
  // way of looking only: the views keep their fields, so edits and saving are unaffected.
  static Shown ShownView(const Collection& collection, const FrameView& view, bool alternates);
};
