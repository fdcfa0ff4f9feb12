#include "terrain/DetailFill.h"

#include <algorithm>
#include <cmath>

// Both layers are filled as rows of values: a vertex row holds `width` values, a triangle row
// the two triangles of each cell in turn (column 2x + t). Within a row, neighbouring values are
// always joined: a cell's two triangles share its diagonal, and triangle 1 of a cell and
// triangle 0 of the next share the edge between the cells. Between rows, a vertex joins the
// ones above and below; a triangle touches only one of its cell's top and bottom edges, and
// the triangle across that edge sits in the same column of the next row:
//   (x + y) odd:  triangle 0 holds the corner (x, y), so it touches the edge to row y - 1,
//                 and triangle 1 the edge to row y + 1;
//   (x + y) even: triangle 1 touches the edge to row y - 1, triangle 0 the edge to row y + 1.
// So column c = 2x + t of row y joins row y - 1 when x + y + t is odd, row y + 1 otherwise.

namespace {

struct Seed {
  uint32_t column;
  uint32_t row;
};

// Whether a value in `column` of `row` joins the row above (up) or below.
bool Joins(bool triangles, uint32_t column, uint32_t row, bool up) {
  if (!triangles) return true;
  const bool odd = (((column >> 1) + row + (column & 1)) & 1) != 0;
  return odd == up;
}

}  // namespace

int TriangleAt(int cx, int cy, float x, float y) {
  const float fx = x - static_cast<float>(cx);
  const float fy = y - static_cast<float>(cy);
  // Odd cells are split from (1, 0) to (0, 1), triangle 0 towards the corner (0, 0); even
  // cells from (0, 0) to (1, 1), triangle 0 towards the corner (0, 1).
  if (((cx + cy) & 1) != 0) return fx + fy < 1.0f ? 0 : 1;
  return fy > fx ? 0 : 1;
}

bool DetailFill::Run(DetailMap& map, DetailLayer layer, float x, float y, uint8_t value) {
  spans.clear();
  bounds = CellRect{};
  const bool triangles = layer == DetailLayer::kTriangle;
  std::vector<uint8_t>& values = map.Layer(layer);
  const uint32_t row_length = map.RowLength(layer);
  const uint32_t rows = map.height;
  if (row_length == 0 || rows == 0 || values.size() < uint64_t{row_length} * rows) return false;
  if (!std::isfinite(x) || !std::isfinite(y)) return false;

  // The start: the nearest vertex, or the triangle under the point in the cell holding it.
  const double sx = triangles ? std::floor(x) : std::round(x);
  const double sy = triangles ? std::floor(y) : std::round(y);
  if (sx < 0 || sy < 0 || sx >= map.width || sy >= rows) return false;
  const int cx = static_cast<int>(sx), cy = static_cast<int>(sy);
  const uint32_t start_column =
      triangles ? uint32_t(cx) * 2 + uint32_t(TriangleAt(cx, cy, x, y)) : uint32_t(cx);

  // Values of 128 and above name no slot: the fill paints slots only, like the brush.
  const uint8_t fill = std::min<uint8_t>(value, DetailMap::kSlotCount - 1);
  uint8_t* data = values.data();
  const uint8_t old = data[size_t(cy) * row_length + start_column];
  if (old == fill) return false;
  old_value = old;
  new_value = fill;

  uint32_t min_column = start_column, max_column = start_column;
  uint32_t min_row = uint32_t(cy), max_row = uint32_t(cy);
  std::vector<Seed> stack;
  stack.push_back({start_column, uint32_t(cy)});
  while (!stack.empty()) {
    const Seed seed = stack.back();
    stack.pop_back();
    uint8_t* row = data + size_t(seed.row) * row_length;
    if (row[seed.column] != old) continue;  // filled since it was pushed
    uint32_t first = seed.column, last = seed.column;
    while (first > 0 && row[first - 1] == old) --first;
    while (last + 1 < row_length && row[last + 1] == old) ++last;
    std::fill(row + first, row + last + 1, fill);
    spans.push_back(
        {static_cast<uint32_t>(size_t(seed.row) * row_length + first), last - first + 1});
    min_column = std::min(min_column, first);
    max_column = std::max(max_column, last);
    min_row = std::min(min_row, seed.row);
    max_row = std::max(max_row, seed.row);

    // One seed per run of the old value in the neighbouring row that the span reaches.
    for (const bool up : {true, false}) {
      if (up ? seed.row == 0 : seed.row + 1 >= rows) continue;
      const uint32_t next_row = up ? seed.row - 1 : seed.row + 1;
      const uint8_t* next = data + size_t(next_row) * row_length;
      bool seeded = false;
      for (uint32_t c = first; c <= last; ++c) {
        if (next[c] != old) {
          seeded = false;
        } else if (!seeded && Joins(triangles, c, seed.row, up)) {
          stack.push_back({c, next_row});
          seeded = true;
        }
      }
    }
  }
  const uint32_t per_cell = triangles ? 2 : 1;
  bounds = CellRect{static_cast<int>(min_column / per_cell), static_cast<int>(min_row),
                    static_cast<int>(max_column / per_cell), static_cast<int>(max_row)};
  return true;
}

void DetailFill::Write(DetailMap& map, DetailLayer layer, uint8_t value) const {
  std::vector<uint8_t>& values = map.Layer(layer);
  for (const Span& span : spans) {
    // Spans recorded on another map (or one since resized) are not written past its end.
    if (uint64_t{span.start} + span.length > values.size()) continue;
    std::fill_n(values.data() + span.start, span.length, value);
  }
}
