#pragma once
#include <cstdint>
#include <vector>

#include "gui/Scene3D.h"
#include "terrain/DetailMap.h"
#include "terrain/MeshScene.h"

// The vertex arrays the mesh view draws one chunk with, made once per chunk (the surface) and
// again whenever the chunk's detail values change (the detail passes). Every array repeats the
// same triangles with the same corner positions in the same order, so that later passes meet
// the first one's depth exactly and can draw with an equal-depth test.
class MeshChunkGeometry {
 public:
  // Triangles of one slot in `detail`: for a vertex slot, every triangle with a corner of that
  // slot, each corner's alpha 255 where it has the slot and 0 where not, so the slot fades out
  // across the triangle; for a triangle slot, the triangles of that slot, alpha 255.
  struct Range {
    DetailLayer layer = DetailLayer::kVertex;
    uint8_t slot = 0;
    uint32_t first = 0;  // vertex index in `detail`
    uint32_t count = 0;  // vertices
  };

  // The colour map pass: texture coordinates in the chunk's colour texture, the colour a grey
  // that shades slopes turned from the light (flat ground stays white, so the colour map shows
  // as it is).
  std::vector<Vertex3D> base;
  // Line segments along every cell's edges and diagonal, lifted a little off the surface.
  std::vector<Vertex3D> wire;
  // The triangles of media cells, texture coordinates in cells, for the water layer.
  std::vector<Vertex3D> media;
  // The detail passes, grouped by slot (vertex slots first), texture coordinates in cells.
  std::vector<Vertex3D> detail;
  std::vector<Range> ranges;
  uint64_t built_revision = 0;  // the chunk's detail revision `detail` was built for

  void BuildSurface(const MeshScene& scene, const MeshScene::Chunk& chunk);
  // Without a map (or one whose size differs from the mesh's grid) there are no passes.
  void BuildDetail(const MeshScene& scene, const MeshScene::Chunk& chunk, const DetailMap* map);
  // The most vertices in one range, for the view's scratch array.
  uint32_t LargestRange() const;
};
