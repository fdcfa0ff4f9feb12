#pragma once
#include <cstdint>
#include <vector>

#include "terrain/DetailBrush.h"
#include "terrain/DetailMap.h"

// A scanline flood fill over one layer. Vertices join their four neighbours; a triangle joins
// the other triangle of its cell, its row neighbours (the triangles beside it in the layer's
// row) and the triangle across its cell's top or bottom edge.
struct DetailFill {
  struct Span {
    uint32_t start;  // index into the layer
    uint32_t length;
  };
  std::vector<Span> spans;  // what was filled
  CellRect bounds;          // cells touched
  uint8_t old_value = 0;
  uint8_t new_value = 0;

  // Fills from the vertex or triangle at (x, y) (cell units; the nearest whole position, and
  // for triangles the triangle on that side of the cell's diagonal) with `value`. A start
  // outside the grid, or a region that already holds the value, fills nothing (returns false).
  bool Run(DetailMap& map, DetailLayer layer, float x, float y, uint8_t value);
  // Writes `value` into every span (undo: old_value, redo: new_value).
  void Write(DetailMap& map, DetailLayer layer, uint8_t value) const;
};

// The triangle of cell (cx, cy) under the point (x, y) inside it: 0 or 1.
int TriangleAt(int cx, int cy, float x, float y);
