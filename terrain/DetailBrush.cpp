#include "terrain/DetailBrush.h"

#include <algorithm>
#include <cmath>

void CellRect::Include(const CellRect& other) {
  if (other.empty()) return;
  if (empty()) {
    *this = other;
    return;
  }
  x0 = std::min(x0, other.x0);
  y0 = std::min(y0, other.y0);
  x1 = std::max(x1, other.x1);
  y1 = std::max(y1, other.y1);
}

namespace {

// The whole numbers n with low <= n <= high, clipped to 0 .. count - 1. Computed in double so a
// brush far off the grid (or a huge radius) cannot overflow the conversion to int.
bool ClipRange(double low, double high, uint32_t count, int& first, int& last) {
  if (!(low <= high) || count == 0) return false;  // also refuses NaN
  const double lo = std::max(std::ceil(low), 0.0);
  const double hi = std::min(std::floor(high), static_cast<double>(count) - 1.0);
  if (lo > hi) return false;
  first = static_cast<int>(lo);
  last = static_cast<int>(hi);
  return true;
}

bool Inside(bool square, double dx, double dy, double r2) {
  return square ? dx * dx <= r2 && dy * dy <= r2 : dx * dx + dy * dy <= r2;
}

// A layer's bytes per cell: one for vertices, the cell's two triangles otherwise.
size_t PerCell(DetailLayer layer) {
  return layer == DetailLayer::kVertex ? 1 : 2;
}

// Whether `rect` lies in the grid and the layer holds what the dimensions say.
bool RectFits(const DetailMap& map, DetailLayer layer, const CellRect& rect) {
  if (rect.empty() || rect.x0 < 0 || rect.y0 < 0) return false;
  if (static_cast<uint32_t>(rect.x1) >= map.width || static_cast<uint32_t>(rect.y1) >= map.height) {
    return false;
  }
  const uint64_t needed = uint64_t{map.width} * map.height * PerCell(layer);
  return map.Layer(layer).size() >= needed;
}

}  // namespace

CellRect DetailBrush::Apply(DetailMap& map, const SlotProtection& protection, bool override) const {
  CellRect rect;
  std::vector<uint8_t>& values = map.Layer(layer);
  const size_t per_cell = PerCell(layer);
  // A map whose array is shorter than its dimensions is not painted rather than overrun.
  if (values.size() < uint64_t{map.width} * map.height * per_cell) return rect;
  const double r = radius;
  if (!ClipRange(double{x} - r, double{x} + r, map.width, rect.x0, rect.x1) ||
      !ClipRange(double{y} - r, double{y} + r, map.height, rect.y0, rect.y1)) {
    return CellRect{};
  }
  const uint8_t value = std::min<uint8_t>(material, DetailMap::kSlotCount - 1);
  const double r2 = r * r;
  const auto paint = [&](uint8_t& cell) {
    // Values of 128 and above name no slot, so no slot's protection keeps them.
    if (!override && cell < DetailMap::kSlotCount && protection[cell]) return;
    cell = value;
  };
  for (int cy = rect.y0; cy <= rect.y1; ++cy) {
    uint8_t* row = values.data() + size_t(cy) * map.width * per_cell;
    for (int cx = rect.x0; cx <= rect.x1; ++cx) {
      if (layer == DetailLayer::kVertex) {
        if (Inside(square, cx - double{x}, cy - double{y}, r2)) paint(row[cx]);
        continue;
      }
      const bool odd = ((cx + cy) & 1) != 0;
      for (int t = 0; t < 2; ++t) {
        const double centre_x = cx + (t == 0 ? 1.0 : 2.0) / 3.0;
        const double centre_y = cy + (odd != (t == 1) ? 1.0 : 2.0) / 3.0;
        if (Inside(square, centre_x - double{x}, centre_y - double{y}, r2)) {
          paint(row[size_t(cx) * 2 + size_t(t)]);
        }
      }
    }
  }
  return rect;
}

std::vector<uint8_t> CopyRect(const DetailMap& map, DetailLayer layer, const CellRect& rect) {
  std::vector<uint8_t> bytes;
  if (!RectFits(map, layer, rect)) return bytes;
  const size_t per_cell = PerCell(layer);
  const size_t row_bytes = size_t(rect.x1 - rect.x0 + 1) * per_cell;
  bytes.resize(row_bytes * size_t(rect.y1 - rect.y0 + 1));
  const std::vector<uint8_t>& values = map.Layer(layer);
  uint8_t* out = bytes.data();
  for (int cy = rect.y0; cy <= rect.y1; ++cy, out += row_bytes) {
    const uint8_t* from = values.data() + (size_t(cy) * map.width + size_t(rect.x0)) * per_cell;
    std::copy(from, from + row_bytes, out);
  }
  return bytes;
}

void PasteRect(DetailMap& map, DetailLayer layer, const CellRect& rect,
               std::span<const uint8_t> bytes) {
  if (!RectFits(map, layer, rect)) return;
  const size_t per_cell = PerCell(layer);
  const size_t row_bytes = size_t(rect.x1 - rect.x0 + 1) * per_cell;
  // Bytes copied from another rectangle (or another map) are not spread over this one.
  if (bytes.size() != row_bytes * size_t(rect.y1 - rect.y0 + 1)) return;
  std::vector<uint8_t>& values = map.Layer(layer);
  const uint8_t* in = bytes.data();
  for (int cy = rect.y0; cy <= rect.y1; ++cy, in += row_bytes) {
    std::copy(in, in + row_bytes,
              values.data() + (size_t(cy) * map.width + size_t(rect.x0)) * per_cell);
  }
}
