#pragma once
#include <cstdint>
#include <span>
#include <string>

class Collection;
struct CollectionBitmap;

// The editing operations of the bitmap pages and the optimisation page, headless so that the
// editor, the tool and the tests share them. Placeholders (undecodable bitmaps kept as read)
// and bitmaps of eight-byte pixels have no (alpha, index) pixels: every operation that would
// rewrite pixels skips them, and `Skipped` tells the caller how many it skipped.
//
// Operations that rewrite pixels in place announce it through Collection::PixelsChanging, so a
// change being recorded for undo keeps the old pixels.
class BitmapEdits {
 public:
  // The largest side "Uncrop Transparency" accepts; the editor and the tool refuse larger ones
  // before calling.
  static constexpr int kMaxUncropSize = 4096;

  // Not a placeholder and two bytes per pixel.
  static bool Editable(const CollectionBitmap& bitmap);
  // A sentence for a report saying that `skipped` bitmaps were left alone, or "" when it is 0.
  static std::string Skipped(int skipped);

  // Clears flag 0x0010 and sets alpha 255 where the index is non-zero, else 0. False when the
  // bitmap had no partial alpha or is not editable (nothing changed).
  static bool RemoveAlpha(Collection& collection, CollectionBitmap& bitmap);
  // Sets or clears flag 0x0004; false when it already was so or the bitmap is not editable.
  static bool SetRle(CollectionBitmap& bitmap, bool rle);

  // Crops to the bounds of the pixels with non-zero alpha and moves the registration and key
  // points of every view that shows the bitmap (mirror flags respected; a view whose alternate
  // it is has its alternate registration point moved). Returns −1 for a fully transparent
  // bitmap, 0 when nothing is removed (RAW with power-of-two sides, no margin, or a bitmap
  // that is not editable), else the pixels removed.
  static int64_t CropTransparency(Collection& collection, CollectionBitmap& bitmap);
  // Centres the bitmap in `size` × `size` transparent pixels when it fits and is smaller;
  // false when nothing changed (too large, already that size, not editable, or a size
  // outside 1 to kMaxUncropSize, which the caller refuses with a message first).
  static bool UncropTransparency(Collection& collection, CollectionBitmap& bitmap, int size);

  // The optimisation page's operations; each returns what its report counts. Merging and
  // cropping leave bitmaps that are not editable alone and count them in `skipped`.
  static int DeleteUnused(Collection& collection);
  static int MergeIdentical(Collection& collection, int* skipped = nullptr);
  struct CropAllResult {
    int cropped = 0;
    int removed = 0;  // fully transparent bitmaps removed
    int64_t pixels = 0;
    int skipped = 0;
  };
  // Shadows are left alone: their frames' offsets would not follow a crop.
  static CropAllResult CropAll(Collection& collection);
  static int AutoRename(Collection& collection);
  struct RuntimeSize {
    uint64_t area = 0;      // sum of width × height
    uint64_t po2_area = 0;  // the same with each side rounded up to a power of two
  };
  static RuntimeSize GetRuntimeSize(const Collection& collection);

  // The reports, as the optimisation page shows them; `skipped` adds the Skipped sentence.
  static std::string CropReport(int cropped, int64_t pixels, int skipped = 0);
  static std::string DeleteUnusedReport(int removed);
  static std::string MergeReport(int merged, int skipped = 0);
  static std::string CropAllReport(const CropAllResult& result);
  static std::string AutoRenameReport(int renamed);
  static std::string RuntimeSizeReport(const RuntimeSize& size);
};
