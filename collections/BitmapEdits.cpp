#include "collections/BitmapEdits.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <set>
#include <vector>

#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"
#include "collections/CollectionLayout.h"

namespace cl = collection_layout;

namespace {

// " was" for one, "s were" for any other count (none included), as the reports read.
const char* WasWere(int64_t count) {
  return count == 1 ? " was" : "s were";
}

bool IsPowerOfTwo(uint16_t value) {
  return value != 0 && std::has_single_bit(value);
}

uint64_t RoundUpToPowerOfTwo(uint16_t value) {
  return value == 0 ? 0 : std::bit_ceil(uint64_t{value});
}

// How far the registration and key points move when columns and rows are taken from (negative)
// or added to (positive) each side. A mirrored view measures from the opposite side.
struct Shift {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

void MoveViews(Collection& collection, const CollectionBitmap& bitmap, const Shift& shift) {
  for (const auto& sequence : collection.sequences) {
    for (SequenceFrame& frame : sequence->frames) {
      for (FrameView& view : frame.views) {
        const int dx = (view.flags & cl::kViewMirrorX) ? shift.right : shift.left;
        const int dy = (view.flags & cl::kViewMirrorY) ? shift.bottom : shift.top;
        if (view.bitmap == &bitmap) {
          view.registration_x = static_cast<uint16_t>(view.registration_x + dx);
          view.key_x = static_cast<uint16_t>(view.key_x + dx);
          view.registration_y = static_cast<uint16_t>(view.registration_y + dy);
          view.key_y = static_cast<uint16_t>(view.key_y + dy);
        }
        if ((view.flags & cl::kViewHasAlternate) && view.alternate == &bitmap) {
          view.alternate_registration_x = static_cast<uint16_t>(view.alternate_registration_x + dx);
          view.alternate_registration_y = static_cast<uint16_t>(view.alternate_registration_y + dy);
        }
      }
    }
  }
}

// Copies the rectangle of `from` (width × height pixels, 2 bytes each) at (x, y) into `to`
// (to_width wide) at (to_x, to_y).
void CopyRect(const std::vector<uint8_t>& from, int from_width, int x, int y, int width, int height,
              std::vector<uint8_t>& to, int to_width, int to_x, int to_y) {
  for (int row = 0; row < height; ++row) {
    const auto source = from.begin() + (static_cast<ptrdiff_t>(y + row) * from_width + x) * 2;
    std::copy(source, source + width * 2,
              to.begin() + (static_cast<ptrdiff_t>(to_y + row) * to_width + to_x) * 2);
  }
}

bool SamePixels(const CollectionBitmap& a, const CollectionBitmap& b) {
  if (a.pixels.size() != b.pixels.size()) return false;
  // Sprites that differ mostly differ further down, so the second half is compared first.
  const size_t half = a.pixels.size() / 2;
  return std::equal(a.pixels.begin() + half, a.pixels.end(), b.pixels.begin() + half) &&
         std::equal(a.pixels.begin(), a.pixels.begin() + half, b.pixels.begin());
}

}  // namespace

bool BitmapEdits::Editable(const CollectionBitmap& bitmap) {
  return !bitmap.placeholder && bitmap.bytes_per_pixel == 2 &&
         bitmap.pixels.size() == size_t{bitmap.width} * bitmap.height * 2;
}

std::string BitmapEdits::Skipped(int skipped) {
  if (skipped <= 0) return "";
  char text[256];
  if (skipped == 1) {
    std::snprintf(text, sizeof text,
                  "1 bitmap was left unchanged: it stands for data that could not be read, or "
                  "it has eight-byte pixels.");
  } else {
    std::snprintf(text, sizeof text,
                  "%d bitmaps were left unchanged: they stand for data that could not be read, "
                  "or they have eight-byte pixels.",
                  skipped);
  }
  return text;
}

bool BitmapEdits::RemoveAlpha(Collection& collection, CollectionBitmap& bitmap) {
  if (!Editable(bitmap) || !(bitmap.flags & cl::kBitmapPartialAlpha)) return false;
  collection.PixelsChanging(&bitmap);
  bitmap.flags &= static_cast<uint16_t>(~cl::kBitmapPartialAlpha);
  for (size_t i = 0; i + 1 < bitmap.pixels.size(); i += 2) {
    bitmap.pixels[i] = bitmap.pixels[i + 1] != 0 ? 255 : 0;
  }
  return true;
}

bool BitmapEdits::SetRle(CollectionBitmap& bitmap, bool rle) {
  if (!Editable(bitmap) || bitmap.IsRle() == rle) return false;
  if (rle) {
    bitmap.flags |= cl::kBitmapRle;
  } else {
    bitmap.flags &= static_cast<uint16_t>(~cl::kBitmapRle);
  }
  return true;
}

int64_t BitmapEdits::CropTransparency(Collection& collection, CollectionBitmap& bitmap) {
  if (!Editable(bitmap)) return 0;
  const int width = bitmap.width;
  const int height = bitmap.height;
  const auto opaque = [&](int x, int y) {
    return bitmap.pixels[(static_cast<size_t>(y) * width + x) * 2] != 0;
  };
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!opaque(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return -1;
  // The game draws RAW power-of-two bitmaps as textures of exactly their size.
  if (!bitmap.IsRle() && IsPowerOfTwo(bitmap.width) && IsPowerOfTwo(bitmap.height)) return 0;
  const int new_width = right - left + 1;
  const int new_height = bottom - top + 1;
  if (new_width == width && new_height == height) return 0;

  collection.PixelsChanging(&bitmap);
  std::vector<uint8_t> cropped(static_cast<size_t>(new_width) * new_height * 2);
  CopyRect(bitmap.pixels, width, left, top, new_width, new_height, cropped, new_width, 0, 0);
  bitmap.pixels = std::move(cropped);
  bitmap.width = static_cast<uint16_t>(new_width);
  bitmap.height = static_cast<uint16_t>(new_height);
  MoveViews(collection, bitmap, {-left, -(width - 1 - right), -top, -(height - 1 - bottom)});
  return int64_t{width} * height - int64_t{new_width} * new_height;
}

bool BitmapEdits::UncropTransparency(Collection& collection, CollectionBitmap& bitmap, int size) {
  if (size < 1 || size > kMaxUncropSize || !Editable(bitmap)) return false;
  const int width = bitmap.width;
  const int height = bitmap.height;
  if (width > size || height > size || (width == size && height == size)) return false;
  const int left = (size - width) / 2;
  const int top = (size - height) / 2;

  collection.PixelsChanging(&bitmap);
  std::vector<uint8_t> uncropped(static_cast<size_t>(size) * size * 2, 0);
  CopyRect(bitmap.pixels, width, 0, 0, width, height, uncropped, size, left, top);
  bitmap.pixels = std::move(uncropped);
  bitmap.width = static_cast<uint16_t>(size);
  bitmap.height = static_cast<uint16_t>(size);
  MoveViews(collection, bitmap, {left, size - width - left, top, size - height - top});
  return true;
}

int BitmapEdits::DeleteUnused(Collection& collection) {
  collection.MarkUsedBitmaps();
  int removed = 0;
  for (int i = static_cast<int>(collection.bitmaps.size()) - 1; i >= 0; --i) {
    CollectionBitmap* bitmap = collection.BitmapAt(i);
    if (bitmap->in_use) continue;
    collection.RemoveBitmap(bitmap);
    ++removed;
  }
  return removed;
}

int BitmapEdits::MergeIdentical(Collection& collection, int* skipped) {
  int merged = 0;
  int left_alone = 0;
  for (const auto& bitmap : collection.bitmaps) {
    if (!Editable(*bitmap)) ++left_alone;
  }
  for (int i = static_cast<int>(collection.bitmaps.size()) - 1; i >= 1; --i) {
    CollectionBitmap* later = collection.BitmapAt(i);
    // A placeholder's pixels are the same checkerboard whatever block it keeps.
    if (!Editable(*later)) continue;
    for (int j = 0; j < i; ++j) {
      CollectionBitmap* earlier = collection.BitmapAt(j);
      if (!Editable(*earlier) || earlier->width != later->width ||
          earlier->height != later->height || earlier->flags != later->flags ||
          !SamePixels(*earlier, *later)) {
        continue;
      }
      collection.RedirectBitmapReferences(later, earlier);
      collection.RemoveBitmap(later);
      ++merged;
      break;
    }
  }
  if (skipped) *skipped = left_alone;
  return merged;
}

BitmapEdits::CropAllResult BitmapEdits::CropAll(Collection& collection) {
  CropAllResult result;
  for (int i = static_cast<int>(collection.bitmaps.size()) - 1; i >= 0; --i) {
    CollectionBitmap* bitmap = collection.BitmapAt(i);
    if (bitmap->flags & cl::kBitmapShadow) continue;
    if (!Editable(*bitmap)) {
      ++result.skipped;
      continue;
    }
    const int64_t pixels = CropTransparency(collection, *bitmap);
    if (pixels < 0) {
      result.pixels += int64_t{bitmap->width} * bitmap->height;
      collection.RemoveBitmap(bitmap);
      ++result.removed;
    } else if (pixels > 0) {
      result.pixels += pixels;
      ++result.cropped;
    }
  }
  return result;
}

int BitmapEdits::AutoRename(Collection& collection) {
  std::set<const CollectionBitmap*> named;
  int renamed = 0;
  char name[256];
  for (const auto& sequence : collection.sequences) {
    const Sequence& s = *sequence;
    size_t real_views = s.view_count;
    if (s.flags & cl::kSequenceMirroring)
      real_views = std::min<size_t>(real_views, s.view_count / 2 + 1);
    const std::string base = s.Name();
    for (size_t f = 0; f < s.frames.size(); ++f) {
      const SequenceFrame& frame = s.frames[f];
      for (size_t v = 0; v < real_views && v < frame.views.size(); ++v) {
        CollectionBitmap* bitmap = frame.views[v].bitmap;
        // Shadows keep their names, and alternates too: named like the view's own bitmap they
        // would export to the same file.
        if (!bitmap || (bitmap->flags & cl::kBitmapShadow) || !named.insert(bitmap).second) {
          continue;
        }
        if (real_views == 1 && s.frames.size() == 1) {
          std::snprintf(name, sizeof name, "%s", base.c_str());
        } else if (real_views == 1) {
          std::snprintf(name, sizeof name, "%s %.2d", base.c_str(), static_cast<int>(f));
        } else if (s.frames.size() == 1) {
          std::snprintf(name, sizeof name, "%s %.2d", base.c_str(), static_cast<int>(v));
        } else {
          std::snprintf(name, sizeof name, "%s %.2d~%.2d", base.c_str(), static_cast<int>(f),
                        static_cast<int>(v));
        }
        bitmap->SetName(name, 63);
        ++renamed;
      }
    }
  }
  return renamed;
}

BitmapEdits::RuntimeSize BitmapEdits::GetRuntimeSize(const Collection& collection) {
  RuntimeSize size;
  for (const auto& bitmap : collection.bitmaps) {
    // A placeholder stands for the bitmap its directory entry describes.
    const uint16_t width = bitmap->placeholder ? bitmap->kept_width : bitmap->width;
    const uint16_t height = bitmap->placeholder ? bitmap->kept_height : bitmap->height;
    size.area += uint64_t{width} * height;
    size.po2_area += RoundUpToPowerOfTwo(width) * RoundUpToPowerOfTwo(height);
  }
  return size;
}

std::string BitmapEdits::CropReport(int cropped, int64_t pixels, int skipped) {
  char text[256];
  std::snprintf(text, sizeof text, "%d bitmap%s cropped (%lld pixels removed).", cropped,
                WasWere(cropped), static_cast<long long>(pixels));
  const std::string also = Skipped(skipped);
  return also.empty() ? text : std::string(text) + "\n" + also;
}

std::string BitmapEdits::DeleteUnusedReport(int removed) {
  char text[128];
  std::snprintf(text, sizeof text, "%d unused bitmap%s removed.", removed, WasWere(removed));
  return text;
}

std::string BitmapEdits::MergeReport(int merged, int skipped) {
  char text[128];
  std::snprintf(text, sizeof text, "%d bitmap%s deleted after merging.", merged, WasWere(merged));
  const std::string also = Skipped(skipped);
  return also.empty() ? text : std::string(text) + "\n" + also;
}

std::string BitmapEdits::CropAllReport(const CropAllResult& result) {
  std::string text = CropReport(result.cropped, result.pixels);
  if (result.removed > 0) {
    char more[160];
    std::snprintf(more, sizeof more,
                  "\n Additionally, %d bitmap%s removed due to being completely transparent.",
                  result.removed, WasWere(result.removed));
    text += more;
  }
  const std::string also = Skipped(result.skipped);
  return also.empty() ? text : text + "\n" + also;
}

std::string BitmapEdits::AutoRenameReport(int renamed) {
  char text[64];
  std::snprintf(text, sizeof text, "%d Bitmaps Renamed.", renamed);
  return text;
}

std::string BitmapEdits::RuntimeSizeReport(const RuntimeSize& size) {
  constexpr double kMb = 1048576.0;
  char text[320];
  std::snprintf(
      text, sizeof text,
      "Approximate texture cache consumption, by format:\n16 bit po2 => %.2lf MB\n16 "
      "bit npo2 => %.2lf MB\n32 bit po2 => %.2lf MB\n32 bit npo2 => %.2lf MB\n",
      2.0 * static_cast<double>(size.po2_area) / kMb, 2.0 * static_cast<double>(size.area) / kMb,
      4.0 * static_cast<double>(size.po2_area) / kMb, 4.0 * static_cast<double>(size.area) / kMb);
  return text;
}
