#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "terrain/DetailBrush.h"
#include "terrain/DetailMap.h"
#include "terrain/Mesh.h"

class Collection;

// What the mesh view draws, built without GL: per 32 x 32-cell chunk, its vertices (x, y in
// cells, z the height in cell widths) and the two triangles of each cell, split along the
// cell's checkerboard diagonal as detail maps split them; and the colour texture of each chunk
// from the colour map. Bitmap (cy x chunks wide + cx) of the colour map covers chunk (cx, cy),
// stretched over its cells: the bitmap's first row along the chunk's lowest y, its first
// column at the chunk's lowest x, colours from the collection's palette. A chunk past the
// bitmaps (or whose bitmap has no palette indices) is coloured by its cells' terrain types.
//
// Cell (x, y) spans x ... x + 1 and y ... y + 1; its corner (x, y) is vertex (x, y), at the
// height of the cell's first value / 512. The corners past the last row and column have no
// cell of their own and take the height of the nearest vertex, so every cell is drawn.
class MeshScene {
 public:
  struct Chunk {
    int cx = 0, cy = 0;
    float min_z = 0, max_z = 0;
    // RGB of the chunk's colour texture, `texture_size` square (rows top first = lowest y).
    std::vector<uint8_t> color_rgb;
    int texture_size = 0;
    uint64_t detail_revision = 0;  // counted up when its detail values change
  };

  void Build(const Mesh& mesh, const Collection* color_map);
  const Mesh* mesh() const { return mesh_; }
  std::vector<Chunk>& chunks() { return chunks_; }
  const std::vector<Chunk>& chunks() const { return chunks_; }
  // Marks the chunks a rectangle of cells touches as changed.
  void DetailChanged(const CellRect& rect);
  void AllDetailChanged();

  // The point of the surface a ray (origin, direction, in cells) first meets; false when it
  // misses the mesh. The brush sits there.
  bool Intersect(const float origin[3], const float direction[3], float& x, float& y) const;
  // The height of vertex (x, y), clamped to the grid; 0 without a mesh.
  float VertexHeight(int x, int y) const;
  // The height of the surface at a point (cell units), on the triangle under it; points off
  // the grid take the nearest edge.
  float SurfaceHeight(float x, float y) const;
  float min_z() const { return min_z_; }
  float max_z() const { return max_z_; }

  // The two corner diagonals: true when cell (x, y) splits from (x, y) to (x + 1, y + 1).
  static bool SplitsMainDiagonal(int x, int y) { return ((x + y) & 1) == 0; }
  // The corners of triangle t (0, 1) of cell (x, y) as offsets from (x, y), in drawing order.
  // With the main diagonal, triangle 0 is the half towards (x, y + 1); with the other, the
  // half towards (x, y), as the exported detail images split cells.
  struct Corner {
    int dx, dy;
  };
  static std::array<Corner, 3> TriangleCorners(int x, int y, int t);

 private:
  bool IntersectCell(int cx, int cy, const double origin[3], const double direction[3],
                     double& t) const;

  const Mesh* mesh_ = nullptr;
  std::vector<Chunk> chunks_;
  float min_z_ = 0, max_z_ = 0;
};
