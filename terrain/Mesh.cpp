#include "terrain/Mesh.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "tags/TagHeader.h"
#include "terrain/TerrainTypes.h"

namespace {

// Offsets into the mesh header.
constexpr size_t kColorMapAt = 0;
constexpr size_t kChunksWideAt = 8;
constexpr size_t kGridBaseAt = 12;
constexpr size_t kGridOffsetAt = 24;

}  // namespace

std::vector<uint32_t> Mesh::TerrainCounts() const {
  std::vector<uint32_t> counts(terrain::kTerrainTypeCount, 0);
  for (const MeshCell& c : cells) ++counts[static_cast<size_t>(c.TerrainType())];
  return counts;
}

uint32_t Mesh::MediaCells() const {
  uint32_t count = 0;
  for (const MeshCell& c : cells) count += c.IsMedia() ? 1 : 0;
  return count;
}

bool Mesh::Read(std::span<const uint8_t> data, const TagHeader& header, Mesh& out,
                std::string& error) {
  if (header.version != kVersion) {
    error = "mesh version " + std::to_string(header.version) + " cannot be read (only " +
            std::to_string(kVersion) + ")";
    return false;
  }
  if (data.size() < kHeaderSize) {
    error = "mesh header is cut short: " + std::to_string(data.size()) + " of " +
            std::to_string(kHeaderSize) + " bytes present";
    return false;
  }
  ByteReader reader(data);
  Mesh mesh;
  uint32_t base = 0, offset = 0;
  if (!reader.Seek(kColorMapAt) || !reader.ReadU32Be(mesh.color_map) ||
      !reader.Seek(kChunksWideAt) || !reader.ReadU16Be(mesh.chunks_wide) ||
      !reader.ReadU16Be(mesh.chunks_high) || !reader.Seek(kGridBaseAt) || !reader.ReadU32Be(base) ||
      !reader.Seek(kGridOffsetAt) || !reader.ReadU32Be(offset)) {
    error = "mesh header is cut short";
    return false;
  }
  if (mesh.chunks_wide == 0 || mesh.chunks_high == 0) {
    error = "mesh has no cells (" + std::to_string(mesh.chunks_wide) + " x " +
            std::to_string(mesh.chunks_high) + " chunks)";
    return false;
  }
  // Both offsets are full 32-bit values: their sum must not wrap round into the data.
  const uint64_t start = uint64_t{base} + uint64_t{offset};
  const uint64_t wide = uint64_t{mesh.chunks_wide} * kChunkCells;
  const uint64_t high = uint64_t{mesh.chunks_high} * kChunkCells;
  const uint64_t count = wide * high;
  const uint64_t bytes = count * kCellSize;
  if (start > data.size() || bytes > data.size() - start) {
    error = "mesh cell grid (" + std::to_string(bytes) + " bytes at " + std::to_string(start) +
            ") does not lie inside the " + std::to_string(data.size()) + " bytes of data";
    return false;
  }
  if (!reader.Seek(static_cast<size_t>(start))) {
    error = "mesh cell grid lies outside the data";
    return false;
  }
  mesh.cells.resize(static_cast<size_t>(count));
  for (MeshCell& c : mesh.cells) {
    uint16_t cleared = 0;
    if (!reader.ReadU16Be(c.value0) || !reader.ReadU16Be(c.value1) || !reader.ReadU16Be(c.flags) ||
        !reader.ReadU16Be(cleared) || !reader.ReadU16Be(c.unused) || !reader.ReadU16Be(cleared)) {
      error = "mesh cell grid is cut short";
      return false;
    }
  }
  // The media rule: a cell is animated media when it and its neighbours to the left, above and
  // above-left all feed it. Only cells with all three neighbours are looked at; the first row
  // and column keep their flags as read. The rule reads only bits it never changes, so the
  // order of the cells does not matter.
  const size_t w = static_cast<size_t>(wide);
  for (size_t y = 1; y < static_cast<size_t>(high); ++y) {
    for (size_t x = 1; x < w; ++x) {
      MeshCell& c = mesh.cells[y * w + x];
      c.flags = static_cast<uint16_t>(c.flags & ~MeshCell::kClearedOnRead);
      const auto feeds = [&](size_t cx, size_t cy) {
        return (mesh.cells[cy * w + cx].flags & MeshCell::kMediaFeed) == MeshCell::kMediaFeed;
      };
      if (feeds(x, y) && feeds(x - 1, y) && feeds(x, y - 1) && feeds(x - 1, y - 1)) {
        c.flags = static_cast<uint16_t>(c.flags | MeshCell::kMedia);
      }
    }
  }
  out = std::move(mesh);
  return true;
}

std::vector<uint8_t> Mesh::Write(TagHeader& header) const {
  header.version = kVersion;
  ByteWriter w;
  w.WriteU32Be(color_map);
  w.WriteU32Be(0);
  w.WriteU16Be(chunks_wide);
  w.WriteU16Be(chunks_high);
  w.WriteU32Be(static_cast<uint32_t>(kHeaderSize));
  w.WriteZeros(kGridOffsetAt - w.size());
  w.WriteU32Be(0);
  w.WriteZeros(kHeaderSize - w.size());
  const size_t count = size_t(cellsWide()) * size_t(cellsHigh());
  for (size_t i = 0; i < count; ++i) {
    const MeshCell c = i < cells.size() ? cells[i] : MeshCell{};
    w.WriteU16Be(c.value0);
    w.WriteU16Be(c.value1);
    w.WriteU16Be(c.flags);
    w.WriteU16Be(0);
    w.WriteU16Be(c.unused);
    w.WriteU16Be(0);
  }
  return w.Take();
}
