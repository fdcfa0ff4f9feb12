#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collections/Image.h"
#include "collections/PlateLayout.h"

class Collection;
struct CollectionBitmap;

// Plates: one indexed image holding a grid of cells, one bitmap per cell, the grid drawn in
// colour index 1 (row 0 has only pixel (1, 0) set; rows and columns of 1 frame the bands and
// cells; each cell holds its bitmap at (1, 1) and an extent marker at (1 + width, 1 + height)).
class Plate {
 public:
  // A cell's picture rectangle in plate coordinates; empty cells have width and height 0.
  using Cell = PlateLayout::Cell;

  // Lays out and draws the bitmaps (null: an absent bitmap, an empty cell). `columns` 0 picks
  // the width whose plate is closest to square; otherwise each band holds that many cells.
  // Colour plates hold colour indices, alpha plates alpha values with entries 2-255 of the
  // palette turned grey. Each band's last cell reaches the right line, so the plate parses
  // back into exactly its cells. False with a message when no width fits or the plate would
  // be too large. Placeholders and bitmaps of eight-byte pixels have no pixels to show and get
  // empty cells, keeping the others' numbers; `message` then says so while the result is true.
  static bool buildPlate(const Collection& collection,
                         std::span<const CollectionBitmap* const> bitmaps, bool alpha,
                         uint32_t columns, Image& out, std::string& message);
  // The cells in scan order (empty ones included), or false when the image is not a plate.
  // Greyscale images are plates too: a plate whose palette is the grey ramp reads back so.
  static bool parsePlate(const Image& plate, std::vector<Cell>& cells);

  // The commands, each leaving the collection as it was when it fails (`message` says why;
  // "%s" in the texts is `file_name`).
  // Every non-empty cell becomes a new bitmap "<plate name> #<cell number, 4 digits>".
  static bool importColorPlate(Collection& collection, const Image& plate,
                               std::string_view plate_name, const std::string& file_name,
                               std::string& message);
  // The cells replace `targets` in order; counts must match and no cell may be empty. Each
  // new bitmap keeps its target's name and place (the targets are freed); a shadow stays a
  // shadow and takes the cell's values as grey levels.
  static bool replaceFromPlate(Collection& collection, const Image& plate,
                               std::span<CollectionBitmap* const> targets,
                               const std::string& file_name, std::string& message);
  // The cells become the alpha values of `targets`; counts and sizes must match, and every
  // target must have (alpha, index) pixels.
  static bool replaceAlphaFromPlate(Collection& collection, const Image& plate,
                                    std::span<CollectionBitmap* const> targets,
                                    const std::string& file_name, std::string& message);
};
