#include "collections/ColorImport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/CharMap.h"
#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"
#include "collections/CollectionLayout.h"
#include "collections/ImageImport.h"

namespace cl = collection_layout;

namespace {

std::string Format(const char* format, const std::string& name) {
  char text[1024];
  std::snprintf(text, sizeof text, format, name.c_str());
  return text;
}

bool SameColor(const std::array<uint8_t, 768>& a, int i, const std::array<uint8_t, 768>& b, int j) {
  return a[i * 3] == b[j * 3] && a[i * 3 + 1] == b[j * 3 + 1] && a[i * 3 + 2] == b[j * 3 + 2];
}

// The first index of `table` holding colour `k` of `colors`, or -1.
int FirstIndexOf(const std::array<uint8_t, 768>& table, const std::array<uint8_t, 768>& colors,
                 int k) {
  for (int j = 0; j < 256; ++j) {
    if (SameColor(table, j, colors, k)) return j;
  }
  return -1;
}

// Colour indices that opaque pixels of colour bitmaps use. Shadows hold grey levels, not
// colours, so they do not pin any entry.
std::array<bool, 256> UsedIndices(const Collection& collection,
                                  std::span<const CollectionBitmap* const> replaced) {
  std::array<bool, 256> used{};
  // Transparent pixels mark the upper half, which is ignored. Plain stores without a branch
  // or a read-modify-write per pixel: this reads every pixel of the collection, and a chain
  // of updates to the same entry (long runs of one colour) would serialise the loop.
  std::array<uint8_t, 512> marks{};
  for (const auto& bitmap : collection.bitmaps) {
    if (!bitmap->IsIndexed() || (bitmap->flags & cl::kBitmapShadow) != 0) continue;
    if (std::find(replaced.begin(), replaced.end(), bitmap.get()) != replaced.end()) continue;
    const uint8_t* p = bitmap->pixels.data();
    const size_t count = bitmap->pixels.size() / 2;
    for (size_t i = 0; i < count; ++i) {
      marks[p[i * 2 + 1] | static_cast<size_t>(p[i * 2] == 0) << 8] = 1;
    }
  }
  for (int i = 0; i < 256; ++i) used[i] = marks[i] != 0;
  return used;
}

// Entries 2-255 whose colour also sits at a lower index and that no opaque pixel uses, lowest
// first. Entries 0 and 1 stay: they are what makes a pixel transparent.
std::vector<int> FreeSlots(const std::array<uint8_t, 768>& table,
                           const std::array<bool, 256>& used) {
  std::vector<int> free;
  for (int i = 2; i < 256; ++i) {
    if (used[i]) continue;
    for (int j = 0; j < i; ++j) {
      if (SameColor(table, i, table, j)) {
        free.push_back(i);
        break;
      }
    }
  }
  return free;
}

template <typename Cache>
bool Merge(const Collection& collection, std::span<const CollectionBitmap* const> replaced,
           const std::array<uint8_t, 768>& colors, std::array<uint8_t, 768>& target, Cache* cache) {
  std::vector<int> free;
  bool free_known = false;
  size_t next = 0;
  for (int k = 0; k < 256; ++k) {
    if (FirstIndexOf(target, colors, k) >= 0) continue;
    // Scanning every bitmap's pixels is the costly part, and most imports bring no new colour.
    if (!free_known) {
      if (cache && !cache->known) {
        cache->used = UsedIndices(collection, replaced);
        cache->known = true;
      }
      free = FreeSlots(target, cache ? cache->used : UsedIndices(collection, replaced));
      free_known = true;
    }
    if (next == free.size()) return false;
    const int slot = free[next++];
    std::memcpy(&target[slot * 3], &colors[k * 3], 3);
  }
  return true;
}

bool SizeFits(const Image& image) {
  return image.width() > 0 && image.height() > 0 && image.width() <= 0xFFFF &&
         image.height() <= 0xFFFF;
}

// One code point from UTF-8 at `pos`, moving past it; a malformed byte gives U+FFFD.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos++]);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (extra < 0 || lead >= 0xF5) return 0xFFFD;
  char32_t cp = lead & (0x3F >> extra);
  const size_t start = pos;
  for (int i = 0; i < extra; ++i) {
    if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) {
      pos = start;
      return 0xFFFD;
    }
    cp = cp << 6 | (static_cast<unsigned char>(text[pos++]) & 0x3F);
  }
  static constexpr char32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    pos = start;
    return 0xFFFD;
  }
  return cp;
}

}  // namespace

void ColorImport::ImagePalette(const Image& image, std::array<uint8_t, 768>& palette,
                               uint32_t& count) {
  palette.fill(0);
  if (image.is(ImageFormat::kGreyscale) || !image.hasPalette()) {
    for (int i = 0; i < 256; ++i) std::memset(&palette[i * 3], i, 3);
    count = 256;
    return;
  }
  std::copy_n(image.palette().begin(), 768, palette.begin());
  count = image.paletteCount();
}

bool ColorImport::reconcile(const Collection& collection, std::span<const uint8_t> palette,
                            uint32_t count, bool adopt_file_colors,
                            const CollectionBitmap* replaced, Reconciled& out) {
  const CollectionBitmap* const one[] = {replaced};
  return reconcile(collection, palette, count, adopt_file_colors,
                   std::span<const CollectionBitmap* const>(one, replaced ? 1 : 0), out);
}

bool ColorImport::reconcile(const Collection& collection, std::span<const uint8_t> palette,
                            uint32_t count, bool adopt_file_colors,
                            std::span<const CollectionBitmap* const> replaced, Reconciled& out) {
  return Reconcile(collection, palette, count, adopt_file_colors, replaced, nullptr, out);
}

bool ColorImport::reconcile(const Collection& collection, std::span<const uint8_t> palette,
                            uint32_t count, UsedEntries& cache, Reconciled& out) {
  return Reconcile(collection, palette, count, false, {}, &cache, out);
}

bool ColorImport::Reconcile(const Collection& collection, std::span<const uint8_t> palette,
                            uint32_t count, bool adopt_file_colors,
                            std::span<const CollectionBitmap* const> replaced, UsedEntries* cache,
                            Reconciled& out) {
  // Entries past the image's count repeat entry 0, so they bring no colour of their own.
  std::array<uint8_t, 768> colors{};
  count = std::min<uint32_t>({count, 256, static_cast<uint32_t>(palette.size() / 3)});
  std::copy_n(palette.begin(), count * 3, colors.begin());
  for (uint32_t i = std::max<uint32_t>(count, 1); i < 256; ++i)
    std::memcpy(&colors[i * 3], &colors[0], 3);

  bool all_equal = true;
  for (int i = 1; i < 256 && all_equal; ++i)
    all_equal = SameColor(collection.palette, i, collection.palette, 0);

  std::array<uint8_t, 768> target;
  if (adopt_file_colors || (collection.bitmaps.empty() && all_equal)) {
    target = colors;
  } else {
    target = collection.palette;
    if (!Merge(collection, replaced, colors, target, cache)) return false;
  }
  // Entry k stays k when the target holds the same colour there: with duplicate colours the
  // first match could be entry 0 or 1, turning opaque pixels transparent or an index-1
  // transparency into an RLE bitmap, and exporting then importing would not give back the
  // bitmap.
  for (int k = 0; k < 256; ++k) {
    const int first = SameColor(target, k, colors, k) ? k : FirstIndexOf(target, colors, k);
    out.map[k] = static_cast<uint8_t>(std::max(first, 0));
  }
  out.palette = target;
  return true;
}

void ColorImport::remapPixels(const Image& image, const std::array<uint8_t, 256>& map,
                              std::vector<uint8_t>& pixels, uint16_t& flags) {
  const std::span<const uint8_t> source = image.pixels();
  const uint32_t step = image.bytesPerPixel();
  // Indexed with alpha keeps the index in its second byte; the others hold it alone.
  const uint32_t at = image.is(ImageFormat::kIndexedAlpha) ? 1 : 0;
  const size_t count =
      std::min<size_t>(uint64_t{image.width()} * image.height(), step ? source.size() / step : 0);
  // Each value's (alpha, index) pair looked up rather than decided per pixel: this loop runs
  // over every pixel of every import.
  std::array<uint8_t, 512> pair{};
  for (int v = 0; v < 256; ++v) {
    pair[v * 2] = map[v] <= 1 ? 0 : 255;
    pair[v * 2 + 1] = map[v] <= 1 ? 0 : map[v];
  }
  pixels.assign(uint64_t{image.width()} * image.height() * 2, 0);
  std::array<uint8_t, 256> seen{};
  uint8_t* out = pixels.data();
  for (size_t i = 0; i < count; ++i) {
    const uint8_t v = source[i * step + at];
    seen[v] = 1;
    out[i * 2] = pair[v * 2];
    out[i * 2 + 1] = pair[v * 2 + 1];
  }
  bool any_zero = false;
  for (int v = 0; v < 256; ++v) any_zero = any_zero || (seen[v] && map[v] == 0);
  flags = any_zero ? cl::kBitmapRle : 0;
}

CollectionBitmap* ColorImport::importColor(Collection& collection, const Image& image,
                                           std::string_view bitmap_name,
                                           const CollectionBitmap* replace, const AskReplace& ask,
                                           const std::string& file_name, std::string& message) {
  const CollectionBitmap* const one[] = {replace};
  return ImportColor(collection, image, bitmap_name, replace,
                     std::span<const CollectionBitmap* const>(one, replace ? 1 : 0), nullptr, ask,
                     file_name, message);
}

CollectionBitmap* ColorImport::ImportColor(Collection& collection, const Image& image,
                                           std::string_view bitmap_name,
                                           const CollectionBitmap* replace,
                                           std::span<const CollectionBitmap* const> aside,
                                           UsedEntries* cache, const AskReplace& ask,
                                           const std::string& file_name, std::string& message) {
  if (!image.is(ImageFormat::kIndexed) && !image.is(ImageFormat::kGreyscale)) {
    message = Format("'%s': The image is not 8-bit paletted.", file_name);
    return nullptr;
  }
  if (!SizeFits(image)) {
    message = Format("'%s': The image's size does not fit a bitmap (1 to 65535 pixels a side).",
                     file_name);
    return nullptr;
  }
  if (replace && collection.IndexOfBitmap(replace) < 0) {
    message = Format("'%s': The bitmap to replace is no longer in the collection.", file_name);
    return nullptr;
  }
  std::array<uint8_t, 768> colors;
  uint32_t count = 0;
  ImagePalette(image, colors, count);
  Reconciled reconciled;
  bool adopted = false;
  if (!Reconcile(collection, colors, count, false, aside, cache, reconciled)) {
    if (!ask) {
      message =
          Format("'%s': The image is not compatible with the existing color table.", file_name);
      return nullptr;
    }
    if (!ask(Format("'%s': The image is not compatible with the existing color table.\nWould "
                    "you like to replace the color table in the tag with the one in the file?",
                    file_name))) {
      message.clear();
      return nullptr;
    }
    if (!Reconcile(collection, colors, count, true, aside, cache, reconciled)) {
      message = Format("'%s': The color table could not be replaced.", file_name);
      return nullptr;
    }
    adopted = true;
  }
  std::vector<uint8_t> pixels;
  uint16_t flags = 0;
  remapPixels(image, reconciled.map, pixels, flags);
  CollectionBitmap* made = collection.AddOrReplaceBitmap(
      bitmap_name, flags, pixels, static_cast<uint16_t>(image.width()),
      static_cast<uint16_t>(image.height()), 2, replace);
  if (!made) {
    message = adopted ? Format("'%s': The color table could not be replaced.", file_name)
                      : Format("'%s': The image could not be added.", file_name);
    return nullptr;
  }
  // Only now that the bitmap is in: a failure above leaves the colour table as it was.
  collection.palette = reconciled.palette;
  message.clear();
  return made;
}

CollectionBitmap* ColorImport::importShadow(Collection& collection, const Image& image,
                                            std::string_view bitmap_name,
                                            const CollectionBitmap* replace, std::string& message,
                                            const std::string& file_name) {
  const std::string name = file_name.empty() ? std::string(bitmap_name) : file_name;
  if (!image.is(ImageFormat::kGreyscale)) {
    message = Format("'%s': The image is not 8-bit greyscale.", name);
    return nullptr;
  }
  if (!SizeFits(image)) {
    message =
        Format("'%s': The image's size does not fit a bitmap (1 to 65535 pixels a side).", name);
    return nullptr;
  }
  if (replace && collection.IndexOfBitmap(replace) < 0) {
    message = Format("'%s': The bitmap to replace is no longer in the collection.", name);
    return nullptr;
  }
  const std::span<const uint8_t> grey = image.pixels();
  std::vector<uint8_t> pixels(grey.size() * 2);
  for (size_t i = 0; i < grey.size(); ++i) {
    pixels[i * 2] = grey[i] != 0 ? 255 : 0;
    pixels[i * 2 + 1] = grey[i];
  }
  CollectionBitmap* made = collection.AddOrReplaceBitmap(
      bitmap_name, cl::kBitmapShadow, pixels, static_cast<uint16_t>(image.width()),
      static_cast<uint16_t>(image.height()), 2, replace);
  if (!made) {
    message = Format("'%s': The image could not be added.", name);
    return nullptr;
  }
  message.clear();
  return made;
}

CollectionBitmap* ColorImport::importColorImage(Collection& collection,
                                                const std::filesystem::path& file,
                                                const CollectionBitmap* replace,
                                                const AskReplace& ask, std::string& message) {
  Image image;
  if (!ImageImport::loadColorImage(file, image, message)) return nullptr;
  return importColor(collection, image, BitmapNameFromFile(file), replace, ask,
                     file.filename().string(), message);
}

CollectionBitmap* ColorImport::importShadowImage(Collection& collection,
                                                 const std::filesystem::path& file,
                                                 const CollectionBitmap* replace,
                                                 std::string& message) {
  Image image;
  if (!ImageImport::loadGreyscaleImage(file, image, message)) return nullptr;
  return importShadow(collection, image, BitmapNameFromFile(file), replace, message,
                      file.filename().string());
}

bool ColorImport::ImportAll(Collection& collection, std::span<const std::filesystem::path> files,
                            std::span<CollectionBitmap* const> targets, bool shadow,
                            const AskReplace& ask, std::vector<CollectionBitmap*>& made,
                            std::string& message) {
  made.clear();
  if (!targets.empty()) {
    bool usable = targets.size() == files.size();
    for (size_t i = 0; usable && i < targets.size(); ++i) {
      usable = collection.IndexOfBitmap(targets[i]) >= 0 &&
               std::find(targets.begin(), targets.begin() + static_cast<ptrdiff_t>(i),
                         targets[i]) == targets.begin() + static_cast<ptrdiff_t>(i);
    }
    if (!usable) {
      message = "The files do not match the bitmaps to replace.";
      return false;
    }
  }
  std::vector<Image> images(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    const bool loaded = shadow ? ImageImport::loadGreyscaleImage(files[i], images[i], message)
                               : ImageImport::loadColorImage(files[i], images[i], message);
    if (!loaded) return false;
  }
  // New bitmaps go to the end first, each import seeing the ones before it (their colours are
  // in use) and none of the targets (all are replaced in the end). Undoing that on a failure
  // is removing what was appended; the targets are swapped out only once every file is in.
  const std::array<uint8_t, 768> palette = collection.palette;
  const std::vector<const CollectionBitmap*> aside(targets.begin(), targets.end());
  std::vector<CollectionBitmap*> appended;
  UsedEntries used;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string name = BitmapNameFromFile(files[i]);
    const std::string file_name = files[i].filename().string();
    CollectionBitmap* bitmap =
        shadow ? importShadow(collection, images[i], name, nullptr, message, file_name)
               : ImportColor(collection, images[i], name, nullptr, aside, &used, ask, file_name,
                             message);
    if (!bitmap) {
      for (CollectionBitmap* added : appended) collection.RemoveBitmap(added);
      collection.palette = palette;
      return false;
    }
    appended.push_back(bitmap);
    // Its pixels are in the bitmap now; giving them back lets the next bitmaps reuse them.
    images[i] = Image();
    if (used.known && !shadow) {
      const std::vector<uint8_t>& p = bitmap->pixels;
      // Transparent pixels hold index 0, whose entry is never free anyway.
      for (size_t k = 1; k < p.size(); k += 2) used.used[p[k]] = true;
    }
  }
  for (size_t i = 0; i < appended.size(); ++i) {
    if (targets.empty()) {
      made.push_back(appended[i]);
      continue;
    }
    const CollectionBitmap& a = *appended[i];
    made.push_back(collection.AddOrReplaceBitmap(a.Name(), a.flags, a.pixels, a.width, a.height,
                                                 a.bytes_per_pixel, targets[i]));
    collection.RemoveBitmap(appended[i]);
  }
  message.clear();
  return true;
}

bool ColorImport::importColorImages(Collection& collection,
                                    std::span<const std::filesystem::path> files,
                                    std::span<CollectionBitmap* const> targets,
                                    const AskReplace& ask, std::vector<CollectionBitmap*>& made,
                                    std::string& message) {
  return ImportAll(collection, files, targets, false, ask, made, message);
}

bool ColorImport::importShadowImages(Collection& collection,
                                     std::span<const std::filesystem::path> files,
                                     std::span<CollectionBitmap* const> targets,
                                     std::vector<CollectionBitmap*>& made, std::string& message) {
  return ImportAll(collection, files, targets, true, {}, made, message);
}

bool ColorImport::replaceAlphaImages(Collection& collection,
                                     std::span<const std::filesystem::path> files,
                                     std::span<CollectionBitmap* const> targets,
                                     std::string& message) {
  if (targets.size() != files.size()) {
    message = "The files do not match the bitmaps to replace.";
    return false;
  }
  std::vector<Image> masks(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    const CollectionBitmap* target = targets[i];
    const std::string name = files[i].filename().string();
    if (!ImageImport::loadGreyscaleImage(files[i], masks[i], message)) return false;
    if (collection.IndexOfBitmap(target) < 0 || target->placeholder || !target->IsIndexed()) {
      message = Format("'%s': The bitmap cannot take an alpha mask.", name);
      return false;
    }
    // applyAlphaMask refuses a mask of the wrong size before it touches a pixel; asking it
    // here, with no pixels, keeps its message in one place and applies nothing yet.
    if (masks[i].width() != target->width || masks[i].height() != target->height) {
      uint16_t flags = 0;
      ImageImport::applyAlphaMask(target->width, target->height, {}, flags, masks[i], name,
                                  message);
      return false;
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    CollectionBitmap& target = *targets[i];
    collection.PixelsChanging(&target);  // a change being recorded keeps the old alpha
    ImageImport::applyAlphaMask(target.width, target.height, target.pixels, target.flags, masks[i],
                                files[i].filename().string(), message);
  }
  message.clear();
  return true;
}

std::string ColorImport::BitmapNameFromFile(const std::filesystem::path& file) {
  constexpr size_t kMaxName = 63;
  const std::string utf8 = file.stem().string();
  std::string name;
  size_t pos = 0;
  while (pos < utf8.size() && name.size() < kMaxName) {
    const char32_t cp = NextCodePoint(utf8, pos);
    // Control codes have no place in a name; a character the encoding lacks becomes '_'
    // rather than some other character.
    const uint8_t code = cp < 0x20   ? 0
                         : cp < 0x7F ? static_cast<uint8_t>(cp)
                                     : ProgramCharMap().FindNarrow(cp);
    name.push_back(code == 0 ? '_' : static_cast<char>(code));
  }
  return name;
}
