// Fuzz target for the geometry reader. The input is the tag data: a geometry that reads has
// every corner on a vertex, and what it writes reads back and writes again to the same bytes.

#include <cstdint>
#include <span>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "models/Geometry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Geometry geometry;
  std::string error;
  if (!Geometry::Read(std::span<const uint8_t>(data, size), geometry, error)) {
    Check(!error.empty(), "a geometry refused without a message");
    Check(geometry.triangles.empty() && geometry.vertices.empty(),
          "a refused geometry changed the output");
    return 0;
  }
  const size_t arrays = geometry.materials.size() * Geometry::kMaterialSize +
                        geometry.vertices.size() * Geometry::kVertexSize +
                        geometry.triangles.size() * Geometry::kTriangleSize;
  Check(arrays <= size, "more records than the data holds");
  for (const GeometryTriangle& t : geometry.triangles) {
    for (const GeometryCorner& c : t.corners)
      Check(c.vertex < geometry.vertices.size(), "a corner past the vertices was read");
  }
  const std::vector<uint8_t> written = geometry.Write();
  Check(written.size() == Geometry::kHeaderSize + arrays, "written size differs from the arrays");
  Geometry back;
  Check(Geometry::Read(written, back, error), "a written geometry does not read");
  Check(back.Write() == written, "a written geometry reads back different");
  return 0;
}
