#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "collections/Image.h"

// The grid of a plate without the pictures in it: where cells go, the lines and markers that
// frame them, and finding the cells of an image again. Kept apart from Plate, which moves
// bitmaps in and out, so that the parser can be fuzzed with nothing but images around it.
//
// Geometry: row 0 holds only pixel (1, 0); row 1, column 1 and the last column are lines of 1;
// bands of cells follow from row 2, each closed by a full row of 1 (with column 0 set there
// too). A cell of a w x h picture is w + 3 by h + 3: a blank margin, the picture at (1, 1),
// the extent marker at (1 + w, 1 + h) and a separator column. The last cell of each band
// reaches the right line, so no gap is left that would read back as a cell of its own.
class PlateLayout {
 public:
  // A cell's picture rectangle in plate coordinates; empty cells have width and height 0.
  struct Cell {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool empty() const { return width == 0 || height == 0; }
    bool operator==(const Cell&) const = default;
  };
  struct Size {
    uint32_t width = 0;
    uint32_t height = 0;
  };
  struct Band {
    uint32_t top = 0;          // first row
    uint32_t closing_row = 0;  // the row of 1 below it
  };
  struct Placed {
    Cell picture;
    uint32_t left = 0;       // first column of the cell (its margin)
    uint32_t separator = 0;  // the column of 1 that closes it
    uint32_t band = 0;
  };
  struct Layout {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<Band> bands;
    std::vector<Placed> cells;
  };

  static constexpr uint32_t kMinSide = 6;
  // Plates are written as BMP too, whose sides stop here.
  static constexpr uint32_t kMaxSide = 32767;
  static constexpr uint32_t kMaxTargetWidth = 32768;

  // Places cells of the given picture sizes (0 x 0 for an empty cell). `columns` 0 picks the
  // target width whose plate is closest to square among 2^k and 3 x 2^(k-1) above the widest
  // cell; otherwise each band holds that many cells and the plate is as wide as its widest
  // band. False with a message when nothing is to be placed, no width fits or the plate would
  // be larger than an image file can hold.
  static bool Arrange(std::span<const Size> sizes, uint32_t columns, Layout& out,
                      std::string& message);
  // Draws the lines and markers of `layout` into its width x height pixels (all 0 before).
  static void DrawGrid(const Layout& layout, std::span<uint8_t> pixels);

  // The cells in scan order, empty ones included; false when the pixels do not form a plate.
  static bool Parse(std::span<const uint8_t> pixels, uint32_t width, uint32_t height,
                    std::vector<Cell>& cells);
  // An indexed image, or a greyscale one whose levels are taken as indices.
  static bool Parse(const Image& image, std::vector<Cell>& cells);
};
