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
  // The three arrays are located independently and may share bytes, so each one, not their
  // sum, has to lie inside the data.
  const size_t material_bytes = geometry.materials.size() * Geometry::kMaterialSize;
  const size_t vertex_bytes = geometry.vertices.size() * Geometry::kVertexSize;
  const size_t triangle_bytes = geometry.triangles.size() * Geometry::kTriangleSize;
  Check(material_bytes <= size && vertex_bytes <= size && triangle_bytes <= size,
        "more records than the data holds");
  const size_t arrays = material_bytes + vertex_bytes + triangle_bytes;
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
