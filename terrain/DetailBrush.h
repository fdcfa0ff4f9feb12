#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "terrain/DetailMap.h"

// An inclusive rectangle of cells.
struct CellRect {
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
  bool empty() const { return x1 < x0 || y1 < y0; }
  void Include(const CellRect& other);
  bool operator==(const CellRect&) const = default;
};

// Which slots may not be painted over (unless the override is on).
using SlotProtection = std::array<bool, DetailMap::kSlotCount>;

// One application of the detail brush. Vertex (x, y) sits at (x, y); triangle t of cell
// (x, y) has its centre at (x + 1/3, y + c) for t = 0 and (x + 2/3, y + c) for t = 1, with
// c = 1/3 when ((x + y) odd) differs from t, else 2/3.
struct DetailBrush {
  float x = 0, y = 0;   // brush position in cell units
  float radius = 2.0f;  // 0.2 ... 10.0
  bool square = false;
  DetailLayer layer = DetailLayer::kVertex;
  uint8_t material = 1;  // clamped to 127 when painted

  // Paints `map`'s layer and returns the candidate rectangle clipped to the grid (empty when the
  // brush lies wholly outside). Values of protected slots stay unless `override`; values of 128
  // and above are never taken as slots (not protected by any slot).
  CellRect Apply(DetailMap& map, const SlotProtection& protection, bool override) const;
};

// The bytes of a layer inside a rectangle, row by row (two values a cell for triangles).
std::vector<uint8_t> CopyRect(const DetailMap& map, DetailLayer layer, const CellRect& rect);
void PasteRect(DetailMap& map, DetailLayer layer, const CellRect& rect,
               std::span<const uint8_t> bytes);
