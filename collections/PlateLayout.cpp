#include "collections/PlateLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// Lays the cells out for one target width (ignored with a column count).
void LayOut(std::span<const PlateLayout::Size> sizes, uint32_t columns, uint64_t target_width,
            PlateLayout::Layout& out) {
  out.bands.clear();
  out.cells.clear();
  uint64_t x = 2;
  uint64_t y = 2;
  uint64_t band_height = 0;
  uint32_t in_band = 0;
  uint64_t widest_band = 0;
  auto close_band = [&] {
    out.bands.push_back({static_cast<uint32_t>(y), static_cast<uint32_t>(y + band_height - 1)});
    widest_band = std::max(widest_band, x);
    y += band_height;
    x = 2;
    band_height = 0;
    in_band = 0;
  };
  for (const PlateLayout::Size& size : sizes) {
    const uint64_t cell_width = uint64_t{size.width} + 3;
    const uint64_t cell_height = uint64_t{size.height} + 3;
    if (in_band > 0 &&
        ((columns > 0 && in_band == columns) || (columns == 0 && x + cell_width > target_width)))
      close_band();
    PlateLayout::Placed placed;
    placed.left = static_cast<uint32_t>(std::min<uint64_t>(x, UINT32_MAX));
    placed.separator = static_cast<uint32_t>(std::min<uint64_t>(x + cell_width - 1, UINT32_MAX));
    placed.band = static_cast<uint32_t>(out.bands.size());
    placed.picture = {placed.left + 1, static_cast<uint32_t>(std::min<uint64_t>(y + 1, UINT32_MAX)),
                      size.width, size.height};
    if (size.width == 0 || size.height == 0) placed.picture.width = placed.picture.height = 0;
    out.cells.push_back(placed);
    x += cell_width;
    band_height = std::max(band_height, cell_height);
    ++in_band;
  }
  if (in_band > 0) close_band();
  const uint64_t width =
      std::max<uint64_t>(columns > 0 ? widest_band : target_width, PlateLayout::kMinSide);
  // A lone band of empty cells is 5 rows high; its band grows to the smallest plate.
  if (y < PlateLayout::kMinSide && !out.bands.empty()) {
    out.bands.back().closing_row = PlateLayout::kMinSide - 1;
    y = PlateLayout::kMinSide;
  }
  out.width = static_cast<uint32_t>(std::min<uint64_t>(width, UINT32_MAX));
  out.height = static_cast<uint32_t>(std::min<uint64_t>(y, UINT32_MAX));
  // Each band's last cell runs to the right line.
  for (size_t i = 0; i < out.cells.size(); ++i) {
    if (i + 1 == out.cells.size() || out.cells[i + 1].band != out.cells[i].band)
      out.cells[i].separator = out.width - 1;
  }
}

bool Fits(const PlateLayout::Layout& layout) {
  return layout.width <= PlateLayout::kMaxSide && layout.height <= PlateLayout::kMaxSide &&
         uint64_t{layout.width} * layout.height <= Image::kMaxPixelBytes;
}

}  // namespace

bool PlateLayout::Arrange(std::span<const Size> sizes, uint32_t columns, Layout& out,
                          std::string& message) {
  if (sizes.empty()) {
    message = "There are no bitmaps to put in a plate.";
    return false;
  }
  const char* kTooLarge = "The plate would be larger than 32767 x 32767 pixels.";
  if (columns > 0) {
    LayOut(sizes, columns, 0, out);
    if (!Fits(out)) {
      message = kTooLarge;
      return false;
    }
    return true;
  }
  uint64_t widest = 0;
  for (const Size& size : sizes) widest = std::max<uint64_t>(widest, size.width);
  const uint64_t floor = widest + 5;
  bool any_candidate = false;
  bool found = false;
  double best_score = 0;
  Layout trial;
  // 2, 3, 4, 6, 8, 12, ...: each power of two and the value half way to the next.
  for (uint64_t power = 2; power <= kMaxTargetWidth; power *= 2) {
    for (uint64_t candidate : {power, power + power / 2}) {
      if (candidate <= floor || candidate > kMaxTargetWidth) continue;
      any_candidate = true;
      LayOut(sizes, 0, candidate, trial);
      // A width past what an image file holds cannot win, however square its plate.
      if (!Fits(trial)) continue;
      const double score = std::fabs(double(trial.height) / double(trial.width) - 1.0);
      if (!found || score < best_score) {
        best_score = score;
        out = trial;
        found = true;
      }
    }
  }
  if (!any_candidate) {
    message = "A bitmap is too wide to be put in a plate.";
    return false;
  }
  if (!found) {
    message = kTooLarge;
    return false;
  }
  return true;
}

void PlateLayout::DrawGrid(const Layout& layout, std::span<uint8_t> pixels) {
  const size_t w = layout.width;
  const size_t h = layout.height;
  if (w < kMinSide || h < kMinSide || pixels.size() < w * h) return;
  auto at = [&](size_t x, size_t y) -> uint8_t& { return pixels[y * w + x]; };
  at(1, 0) = 1;
  std::fill_n(&at(0, 1), w, uint8_t{1});
  for (size_t y = 0; y < h; ++y) at(1, y) = 1;
  for (size_t y = 1; y < h; ++y) at(w - 1, y) = 1;
  for (const Band& band : layout.bands) std::fill_n(&at(0, band.closing_row), w, uint8_t{1});
  for (const Placed& cell : layout.cells) {
    const Band& band = layout.bands[cell.band];
    for (size_t y = band.top; y < band.closing_row; ++y) at(cell.separator, y) = 1;
    if (!cell.picture.empty())
      at(cell.picture.x + cell.picture.width, cell.picture.y + cell.picture.height) = 1;
  }
}

bool PlateLayout::Parse(std::span<const uint8_t> pixels, uint32_t width, uint32_t height,
                        std::vector<Cell>& cells) {
  cells.clear();
  const size_t w = width;
  const size_t h = height;
  if (w < kMinSide || h < kMinSide || pixels.size() < w * h) return false;
  auto at = [&](size_t x, size_t y) { return pixels[y * w + x]; };
  auto full_row = [&](size_t y) {
    return std::all_of(&pixels[y * w], &pixels[y * w] + w, [](uint8_t v) { return v == 1; });
  };
  for (size_t x = 0; x < w; ++x) {
    if (at(x, 0) != (x == 1 ? 1 : 0)) return false;
  }
  if (!full_row(1) || !full_row(h - 1)) return false;
  for (size_t y = 0; y < h; ++y) {
    if (at(1, y) != 1 || at(0, y) > 1) return false;
  }
  size_t previous = 1;
  for (size_t y = 2; y < h; ++y) {
    if (at(0, y) != 1) continue;
    if (!full_row(y)) return false;
    const size_t top = previous + 1;
    previous = y;
    if (top == y) continue;  // two separator rows in a row close no band
    size_t start = 2;
    for (size_t x = 2; x < w; ++x) {
      if (at(x, top) != 1) continue;
      // The marker is the rightmost and the lowest 1 in the cell: the picture may hold 1s
      // (transparent pixels of a RAW bitmap) but none past the marker.
      size_t right = 0, bottom = 0;
      bool marked = false;
      for (size_t cy = top; cy < y; ++cy) {
        for (size_t cx = start; cx < x; ++cx) {
          if (at(cx, cy) != 1) continue;
          marked = true;
          right = std::max(right, cx);
          bottom = std::max(bottom, cy);
        }
      }
      Cell cell;
      cell.x = static_cast<uint32_t>(start + 1);
      cell.y = static_cast<uint32_t>(top + 1);
      if (marked && right > start && bottom > top) {
        cell.width = static_cast<uint32_t>(right - start - 1);
        cell.height = static_cast<uint32_t>(bottom - top - 1);
      }
      if (cell.empty()) cell.width = cell.height = 0;
      cells.push_back(cell);
      start = x + 1;
    }
  }
  return true;
}

bool PlateLayout::Parse(const Image& image, std::vector<Cell>& cells) {
  if (!image.is(ImageFormat::kIndexed) && !image.is(ImageFormat::kGreyscale)) {
    cells.clear();
    return false;
  }
  return Parse(image.pixels(), image.width(), image.height(), cells);
}
