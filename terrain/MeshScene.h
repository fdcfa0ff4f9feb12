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
// stretched over its cells; a chunk past the bitmaps is coloured by its cells' terrain types.
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
  // The two corner diagonals: true when cell (x, y) splits from (x, y) to (x + 1, y + 1).
  static bool SplitsMainDiagonal(int x, int y) { return ((x + y) & 1) == 0; }

 private:
  const Mesh* mesh_ = nullptr;
  std::vector<Chunk> chunks_;
};
