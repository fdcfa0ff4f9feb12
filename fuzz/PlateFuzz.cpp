// Fuzz target for the plate parser. Besides not crashing: every cell it finds lies inside the
// plate, cells come in scan order without overlapping, and a plate laid out and drawn from the
// cell sizes it found parses back to exactly those sizes.
//
// Input: width and height bytes (6-69 each), then pixels; most bytes become 0 or 1 so that
// frames are common, the rest keep their value.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "collections/PlateLayout.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint32_t width = 6 + data[0] % 64;
  const uint32_t height = 6 + data[1] % 64;
  std::vector<uint8_t> pixels(size_t{width} * height, 0);
  for (size_t i = 0; i < pixels.size() && i + 2 < size; ++i) {
    const uint8_t b = data[i + 2];
    pixels[i] = b < 0xF0 ? (b & 1) : b;
  }
  std::vector<PlateLayout::Cell> cells;
  if (!PlateLayout::Parse(pixels, width, height, cells)) return 0;
  uint64_t previous_end = 0;
  uint32_t previous_y = 0;
  std::vector<PlateLayout::Size> sizes;
  for (const PlateLayout::Cell& cell : cells) {
    Check(cell.x >= 3 && cell.y >= 3, "a cell reaches into the frame");
    // An empty cell may be squeezed to nothing between two lines; a picture stays inside.
    Check(cell.x <= width && cell.y <= height, "a cell starts past the plate");
    Check(cell.empty() ||
              (uint64_t{cell.x} + cell.width < width && uint64_t{cell.y} + cell.height < height),
          "a cell reaches past the plate");
    Check(cell.empty() == (cell.width == 0 && cell.height == 0), "an empty cell has a size");
    if (cell.y == previous_y) Check(cell.x > previous_end, "cells of a band overlap");
    Check(cell.y >= previous_y, "cells out of scan order");
    previous_y = cell.y;
    previous_end = uint64_t{cell.x} + cell.width;
    sizes.push_back({cell.width, cell.height});
  }
  if (sizes.empty()) return 0;
  PlateLayout::Layout layout;
  std::string message;
  Check(PlateLayout::Arrange(sizes, 0, layout, message), "the cells of a plate do not lay out");
  std::vector<uint8_t> drawn(size_t{layout.width} * layout.height, 0);
  PlateLayout::DrawGrid(layout, drawn);
  std::vector<PlateLayout::Cell> again;
  Check(PlateLayout::Parse(drawn, layout.width, layout.height, again), "a drawn plate is refused");
  Check(again.size() == cells.size(), "a drawn plate has another number of cells");
  for (size_t i = 0; i < cells.size(); ++i) {
    Check(again[i].width == cells[i].width && again[i].height == cells[i].height,
          "a drawn plate has cells of other sizes");
  }
  return 0;
}
