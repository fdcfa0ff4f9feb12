// Fuzz target for the mesh reader. The input is the tag data (read as version 11): a mesh that
// reads has a whole grid inside the data, follows the media rule, and writes and reads back to
// the same cells.

#include <cstdint>
#include <span>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "tags/TagHeader.h"
#include "terrain/Mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TagHeader header;
  header.version = Mesh::kVersion;
  Mesh mesh;
  std::string error;
  if (!Mesh::Read(std::span<const uint8_t>(data, size), header, mesh, error)) {
    Check(!error.empty(), "a mesh refused without a message");
    Check(mesh.cells.empty(), "a refused mesh changed the output");
    return 0;
  }
  const size_t wide = size_t(mesh.cellsWide()), high = size_t(mesh.cellsHigh());
  Check(wide > 0 && high > 0, "a mesh without cells read");
  Check(mesh.cells.size() == wide * high, "cell count differs from the chunks");
  Check(mesh.cells.size() * Mesh::kCellSize <= size, "more cells than the data holds");
  for (size_t y = 1; y < high; ++y) {
    for (size_t x = 1; x < wide; ++x) {
      const uint16_t flags = mesh.cells[y * wide + x].flags;
      Check((flags & MeshCell::kClearedOnRead) == 0, "bits 0x200 or 0x4000 kept");
      const auto feeds = [&](size_t cx, size_t cy) {
        return (mesh.cells[cy * wide + cx].flags & MeshCell::kMediaFeed) == MeshCell::kMediaFeed;
      };
      if (feeds(x, y) && feeds(x - 1, y) && feeds(x, y - 1) && feeds(x - 1, y - 1))
        Check((flags & MeshCell::kMedia) != 0, "a fed cell is not media");
    }
  }
  uint64_t counted = 0;
  for (uint32_t n : mesh.TerrainCounts()) counted += n;
  Check(counted == mesh.cells.size(), "terrain counts miss cells");

  const std::vector<uint8_t> written = mesh.Write(header);
  Mesh back;
  Check(Mesh::Read(written, header, back, error), "a written mesh does not read");
  Check(back.color_map == mesh.color_map && back.cells.size() == mesh.cells.size(),
        "a written mesh reads back different");
  for (size_t i = 0; i < mesh.cells.size(); ++i) {
    Check(back.cells[i].value0 == mesh.cells[i].value0 &&
              back.cells[i].value1 == mesh.cells[i].value1 &&
              back.cells[i].flags == mesh.cells[i].flags &&
              back.cells[i].unused == mesh.cells[i].unused,
          "a cell changed in a write and read");
  }
  return 0;
}
