#include "collections/Plate.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"
#include "collections/CollectionLayout.h"
#include "collections/ColorImport.h"
#include "collections/ImageImport.h"

namespace cl = collection_layout;

namespace {

constexpr size_t kNameMax = 63;
constexpr const char* kColorPlateFailed =
    "'%s': The color plate is not of the correct format or is not compatible with the existing "
    "color table.";
constexpr const char* kAlphaPlateFailed =
    "'%s': The alpha plate is not of the correct format or the image dimensions do not match.";

std::string Format(const char* format, const std::string& name) {
  char text[1024];
  std::snprintf(text, sizeof text, format, name.c_str());
  return text;
}

bool HasPixels(const CollectionBitmap* bitmap) {
  return bitmap && !bitmap->placeholder && bitmap->IsIndexed() &&
         bitmap->pixels.size() == size_t{bitmap->width} * bitmap->height * 2;
}

bool CellFits(const Plate::Cell& cell) {
  return cell.width <= 0xFFFF && cell.height <= 0xFFFF;
}

// A cell's plate values through `map` as (alpha, index) pixels under the transparency
// convention; `rle` tells whether some value mapped to 0.
std::vector<uint8_t> ColorCell(const Image& plate, const Plate::Cell& cell,
                               const std::array<uint8_t, 256>& map, bool& rle) {
  std::vector<uint8_t> pixels(size_t{cell.width} * cell.height * 2, 0);
  const std::span<const uint8_t> source = plate.pixels();
  rle = false;
  for (uint32_t y = 0; y < cell.height; ++y) {
    const uint8_t* row = &source[size_t{cell.y + y} * plate.width() + cell.x];
    for (uint32_t x = 0; x < cell.width; ++x) {
      const uint8_t index = map[row[x]];
      if (index <= 1) {
        rle = rle || index == 0;
        continue;
      }
      const size_t at = (size_t{y} * cell.width + x) * 2;
      pixels[at] = 255;
      pixels[at + 1] = index;
    }
  }
  return pixels;
}

// A cell's values as an image of their own (grey levels: alpha values or shadow levels).
Image CellImage(const Image& plate, const Plate::Cell& cell) {
  Image image;
  image.setSize(cell.width, cell.height, ImageFormat::kGreyscale);
  std::span<uint8_t> out = image.mutablePixels();
  const std::span<const uint8_t> source = plate.pixels();
  for (uint32_t y = 0; y < cell.height; ++y) {
    std::copy_n(&source[size_t{cell.y + y} * plate.width() + cell.x], cell.width,
                &out[size_t{y} * cell.width]);
  }
  return image;
}

bool Reconcile(const Collection& collection, const Image& plate,
               std::span<const CollectionBitmap* const> replaced,
               ColorImport::Reconciled& reconciled) {
  std::array<uint8_t, 768> colors;
  uint32_t count = 0;
  ColorImport::ImagePalette(plate, colors, count);
  return ColorImport::reconcile(collection, colors, count, false, replaced, reconciled);
}

}  // namespace

bool Plate::buildPlate(const Collection& collection,
                       std::span<const CollectionBitmap* const> bitmaps, bool alpha,
                       uint32_t columns, Image& out, std::string& message) {
  std::vector<PlateLayout::Size> sizes;
  sizes.reserve(bitmaps.size());
  int without_pixels = 0;
  for (const CollectionBitmap* bitmap : bitmaps) {
    if (bitmap && !HasPixels(bitmap)) ++without_pixels;
    sizes.push_back(HasPixels(bitmap) ? PlateLayout::Size{bitmap->width, bitmap->height}
                                      : PlateLayout::Size{});
  }
  PlateLayout::Layout layout;
  if (!PlateLayout::Arrange(sizes, columns, layout, message)) return false;
  // Drawn in place: a plate may be most of a gigabyte, and a second copy would double that.
  Image plate;
  if (!plate.setSize(layout.width, layout.height, ImageFormat::kIndexed)) {
    message = "The plate would be too large.";
    return false;
  }
  const std::span<uint8_t> pixels = plate.mutablePixels();  // zero-filled
  PlateLayout::DrawGrid(layout, pixels);
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    const CollectionBitmap* bitmap = bitmaps[i];
    if (!HasPixels(bitmap)) continue;
    const Cell& cell = layout.cells[i].picture;
    // Transparent pixels as an export writes them, so importing the plate keeps the encoding.
    const bool shadow = (bitmap->flags & cl::kBitmapShadow) != 0;
    const uint8_t transparent = shadow || bitmap->IsRle() ? 0 : 1;
    for (uint32_t y = 0; y < cell.height; ++y) {
      uint8_t* row = &pixels[size_t{cell.y + y} * layout.width + cell.x];
      const uint8_t* source = &bitmap->pixels[size_t{y} * cell.width * 2];
      for (uint32_t x = 0; x < cell.width; ++x) {
        const uint8_t a = source[x * 2];
        row[x] = alpha ? a : a == 0 ? transparent : source[x * 2 + 1];
      }
    }
  }
  std::array<uint8_t, 768> palette = collection.palette;
  if (alpha) {
    for (int i = 2; i < 256; ++i)
      palette[i * 3] = palette[i * 3 + 1] = palette[i * 3 + 2] = static_cast<uint8_t>(i);
  }
  plate.setPalette(256, palette.data());
  out = std::move(plate);
  if (without_pixels > 0) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "%d bitmap(s) could not be decoded or have no editable pixels; their cells are "
                  "left empty.",
                  without_pixels);
    message = text;
  } else {
    message.clear();
  }
  return true;
}

bool Plate::parsePlate(const Image& plate, std::vector<Cell>& cells) {
  return PlateLayout::Parse(plate, cells);
}

bool Plate::importColorPlate(Collection& collection, const Image& plate,
                             std::string_view plate_name, const std::string& file_name,
                             std::string& message) {
  std::vector<Cell> cells;
  ColorImport::Reconciled reconciled;
  if (!parsePlate(plate, cells) || !Reconcile(collection, plate, {}, reconciled)) {
    message = Format(kColorPlateFailed, file_name);
    return false;
  }
  // Every cell is converted before the first is added, so a failure adds none.
  struct Made {
    std::string name;
    std::vector<uint8_t> pixels;
    uint16_t flags = 0;
    Cell cell;
  };
  std::vector<Made> made;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].empty()) continue;
    if (!CellFits(cells[i])) {
      message = Format(kColorPlateFailed, file_name);
      return false;
    }
    char number[16];
    std::snprintf(number, sizeof number, " #%04d", static_cast<int>(i));
    bool rle = false;
    // The number is what tells the bitmaps apart, so a long plate name gives way to it.
    const std::string_view suffix = number;
    const std::string name =
        std::string(plate_name.substr(0, kNameMax - std::min(kNameMax, suffix.size()))) +
        std::string(suffix);
    Made m{name, ColorCell(plate, cells[i], reconciled.map, rle), 0, cells[i]};
    m.flags = rle ? cl::kBitmapRle : 0;
    made.push_back(std::move(m));
  }
  for (const Made& m : made) {
    collection.AddOrReplaceBitmap(m.name, m.flags, m.pixels, static_cast<uint16_t>(m.cell.width),
                                  static_cast<uint16_t>(m.cell.height), 2, nullptr);
  }
  collection.palette = reconciled.palette;
  message.clear();
  return true;
}

bool Plate::replaceFromPlate(Collection& collection, const Image& plate,
                             std::span<CollectionBitmap* const> targets,
                             const std::string& file_name, std::string& message) {
  std::vector<Cell> cells;
  if (!parsePlate(plate, cells)) {
    message = Format(kColorPlateFailed, file_name);
    return false;
  }
  if (cells.size() != targets.size()) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Number of images in plate (%d) does not match the expected value of %d.",
                  static_cast<int>(cells.size()), static_cast<int>(targets.size()));
    message = text;
    return false;
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].empty()) {
      message =
          "The replace could not be performed because a bitmap in the plate contains no pixels.";
      return false;
    }
    // Each target is replaced once and must still be in the collection; a second replacement
    // of the same bitmap would find it freed.
    if (!CellFits(cells[i]) || collection.IndexOfBitmap(targets[i]) < 0 ||
        std::find(targets.begin(), targets.begin() + static_cast<ptrdiff_t>(i), targets[i]) !=
            targets.begin() + static_cast<ptrdiff_t>(i)) {
      message = Format(kColorPlateFailed, file_name);
      return false;
    }
  }
  std::vector<const CollectionBitmap*> replaced(targets.begin(), targets.end());
  ColorImport::Reconciled reconciled;
  if (!Reconcile(collection, plate, replaced, reconciled)) {
    message = Format(kColorPlateFailed, file_name);
    return false;
  }
  std::vector<std::vector<uint8_t>> pixels(cells.size());
  std::vector<uint16_t> flags(cells.size(), 0);
  for (size_t i = 0; i < cells.size(); ++i) {
    if ((targets[i]->flags & cl::kBitmapShadow) != 0) {
      // A shadow's plate values are grey levels, not colours of the table.
      const Image levels = CellImage(plate, cells[i]);
      for (uint8_t level : levels.pixels()) {
        pixels[i].push_back(level != 0 ? 255 : 0);
        pixels[i].push_back(level);
      }
      flags[i] = cl::kBitmapShadow;
    } else {
      bool rle = false;
      pixels[i] = ColorCell(plate, cells[i], reconciled.map, rle);
      flags[i] = rle ? cl::kBitmapRle : 0;
    }
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    collection.AddOrReplaceBitmap(targets[i]->Name(), flags[i], pixels[i],
                                  static_cast<uint16_t>(cells[i].width),
                                  static_cast<uint16_t>(cells[i].height), 2, targets[i]);
  }
  collection.palette = reconciled.palette;
  message.clear();
  return true;
}

bool Plate::replaceAlphaFromPlate(Collection& collection, const Image& plate,
                                  std::span<CollectionBitmap* const> targets,
                                  const std::string& file_name, std::string& message) {
  std::vector<Cell> cells;
  const std::string failed = Format(kAlphaPlateFailed, file_name);
  if (!parsePlate(plate, cells) || cells.size() != targets.size()) {
    message = failed;
    return false;
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    const CollectionBitmap* target = targets[i];
    if (collection.IndexOfBitmap(target) < 0 || !HasPixels(target) ||
        cells[i].width != target->width || cells[i].height != target->height) {
      message = failed;
      return false;
    }
  }
  // Sizes are checked above, so no mask below can be refused and no bitmap is half done.
  for (size_t i = 0; i < cells.size(); ++i) {
    CollectionBitmap& target = *targets[i];
    std::string unused;
    ImageImport::applyAlphaMask(target.width, target.height, target.pixels, target.flags,
                                CellImage(plate, cells[i]), file_name, unused);
  }
  message.clear();
  return true;
}
