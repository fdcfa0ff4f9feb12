#include "terrain/DetailImages.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "collections/DataFile.h"

namespace detailimages {
namespace {

// Pixel (column, row) of block row r of a cell with (x + y) odd or even belongs to triangle 0
// when it lies before the split: odd cells give triangle 0 the first 8 - r pixels of row r,
// even cells the first r. Columns count before the rows are mirrored.
bool FirstTriangle(bool odd, int column, int row) {
  return odd ? column < kBlock - row : column < row;
}

size_t PerCell(DetailLayer layer) {
  return layer == DetailLayer::kVertex ? 1 : 2;
}

bool Holds(const DetailMap& map, DetailLayer layer) {
  return map.Layer(layer).size() >= uint64_t{map.width} * map.height * PerCell(layer);
}

// Counts of the values of one block (or half block), reset by touching only what was counted.
class BlockCounts {
 public:
  void Add(uint8_t value) {
    if (counts_[value]++ == 0) seen_[distinct_++] = value;
  }
  // The most frequent value, the smaller on a tie; `uniform` when it was the only one.
  uint8_t Take(bool& uniform) {
    uint8_t best = seen_[0];
    for (int i = 1; i < distinct_; ++i) {
      const uint8_t v = seen_[i];
      if (counts_[v] > counts_[best] || (counts_[v] == counts_[best] && v < best)) best = v;
    }
    uniform = distinct_ <= 1;
    for (int i = 0; i < distinct_; ++i) counts_[seen_[i]] = 0;
    distinct_ = 0;
    return best;
  }

 private:
  std::array<uint16_t, 256> counts_{};
  std::array<uint8_t, kBlock * kBlock> seen_{};
  int distinct_ = 0;
};

}  // namespace

Image Export(const DetailMap& map, DetailLayer layer, const Palette& palette) {
  Image image;
  if (!Holds(map, layer)) return image;
  const uint64_t wide = uint64_t{map.width} * kBlock, high = uint64_t{map.height} * kBlock;
  if (wide > 0xFFFFFFFFu || high > 0xFFFFFFFFu ||
      !image.setSize(static_cast<uint32_t>(wide), static_cast<uint32_t>(high),
                     ImageFormat::kIndexed)) {
    return Image{};
  }
  image.setPalette(256, palette.data());
  const std::vector<uint8_t>& values = map.Layer(layer);
  uint8_t* pixels = image.mutablePixels().data();
  for (uint32_t y = 0; y < map.height; ++y) {
    for (int r = 0; r < kBlock; ++r) {
      uint8_t* row = pixels + (size_t(y) * kBlock + size_t(r)) * wide;
      for (uint32_t x = 0; x < map.width; ++x) {
        const size_t cell = size_t(y) * map.width + x;
        const bool odd = ((x + y) & 1) != 0;
        for (int c = 0; c < kBlock; ++c) {
          const uint8_t value = layer == DetailLayer::kVertex
                                    ? values[cell]
                                    : values[cell * 2 + (FirstTriangle(odd, c, r) ? 0 : 1)];
          // Mirrored: column x * 8 + c of the map's picture lands at the other end of the row.
          row[wide - 1 - (size_t(x) * kBlock + size_t(c))] = value;
        }
      }
    }
  }
  return image;
}

bool ExportFile(const std::filesystem::path& path, const DetailMap& map, DetailLayer layer,
                const Palette& palette, std::string& error) {
  const Image image = Export(map, layer, palette);
  std::string why;
  if (image.width() == 0 || !DataFile::saveImage(path, image, why)) {
    error = kUnwritable;
    return false;
  }
  return true;
}

ImportResult Import(const Image& image, DetailMap& map, DetailLayer layer,
                    const SlotProtection& protection, bool override) {
  ImportResult result;
  const uint64_t wide = uint64_t{map.width} * kBlock, high = uint64_t{map.height} * kBlock;
  if (image.width() != wide || image.height() != high) {
    char text[160];
    std::snprintf(text, sizeof text, "Image dimensions (%d,%d) do not match %s dimensions (%d,%d)",
                  static_cast<int>(image.width()), static_cast<int>(image.height()),
                  layer == DetailLayer::kVertex ? "mesh" : "expected", static_cast<int>(wide),
                  static_cast<int>(high));
    result.error = text;
    return result;
  }
  const bool indexed = image.is(ImageFormat::kIndexed);
  if (!indexed && !image.is(ImageFormat::kGreyscale)) {
    result.error = kNotEightBit;
    return result;
  }
  if (!Holds(map, layer) || image.pixels().size() < wide * high) {
    result.error = kUnreadable;
    return result;
  }
  if (indexed && image.hasPalette()) {
    std::copy_n(image.palette().begin(), result.palette.size(), result.palette.begin());
  } else {
    for (int i = 0; i < 256; ++i) std::fill_n(result.palette.begin() + i * 3, 3, uint8_t(i));
  }

  // Worked out in a copy, so a map is only ever changed by a complete import.
  std::vector<uint8_t> values = map.Layer(layer);
  const uint8_t* pixels = image.pixels().data();
  const bool triangles = layer == DetailLayer::kTriangle;
  std::array<BlockCounts, 2> counts;
  const auto store = [&](uint8_t& slot, BlockCounts& block) {
    bool uniform = true;
    const uint8_t value = std::min<uint8_t>(block.Take(uniform), DetailMap::kSlotCount - 1);
    if (!uniform) result.partial = true;
    if (!override && slot < DetailMap::kSlotCount && protection[slot]) return;
    slot = value;
  };
  for (uint32_t y = 0; y < map.height; ++y) {
    for (uint32_t x = 0; x < map.width; ++x) {
      const bool odd = ((x + y) & 1) != 0;
      for (int r = 0; r < kBlock; ++r) {
        const uint8_t* row = pixels + (size_t(y) * kBlock + size_t(r)) * wide;
        for (int c = 0; c < kBlock; ++c) {
          const uint8_t v = row[wide - 1 - (size_t(x) * kBlock + size_t(c))];
          counts[triangles && !FirstTriangle(odd, c, r) ? 1 : 0].Add(v);
        }
      }
      const size_t cell = size_t(y) * map.width + x;
      if (triangles) {
        store(values[cell * 2], counts[0]);
        store(values[cell * 2 + 1], counts[1]);
      } else {
        store(values[cell], counts[0]);
      }
    }
  }
  map.Layer(layer) = std::move(values);
  result.ok = true;
  return result;
}

ImportResult ImportFile(const std::filesystem::path& path, DetailMap& map, DetailLayer layer,
                        const SlotProtection& protection, bool override) {
  Image image;
  std::string why;
  if (!DataFile::loadImage(path, image, why)) {
    ImportResult result;
    result.error = kUnreadable;
    return result;
  }
  return Import(image, map, layer, protection, override);
}

}  // namespace detailimages
