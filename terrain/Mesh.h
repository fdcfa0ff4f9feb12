#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TagHeader;

// One 12-byte cell record of a mesh's grid, as read (flags already derived, see Read).
struct MeshCell {
  uint16_t value0 = 0;  // first cell value: the height, in 1/512 of a cell width
  uint16_t value1 = 0;
  uint16_t flags = 0;   // bits 4-7 terrain type, 0x400 animated media (derived)
  uint16_t unused = 0;  // the record's u16 at offset 8, kept as read (those at 6 and 10 are
                        // cleared on reading, so they are not held)

  static constexpr uint16_t kMedia = 0x400;
  // Both set in a cell and its three neighbours up and to the left make it animated media.
  static constexpr uint16_t kMediaFeed = 0x800 | 0x1000;
  // Cleared on reading in every cell the media rule looks at.
  static constexpr uint16_t kClearedOnRead = 0x200 | 0x4000;
  int TerrainType() const { return (flags >> 4) & 15; }
  bool IsMedia() const { return (flags & kMedia) != 0; }
};

// The parts of a terrain mesh (group `mesh`, version 11) the editor uses: the colour map's
// tag id and the cell grid, 32 x 32 cells a chunk.
class Mesh {
 public:
  static constexpr uint16_t kVersion = 11;
  static constexpr int kChunkCells = 32;
  static constexpr size_t kHeaderSize = 1024;
  static constexpr size_t kCellSize = 12;

  uint32_t color_map = 0;  // tag id of the `.256` collection
  uint16_t chunks_wide = 0;
  uint16_t chunks_high = 0;
  std::vector<MeshCell> cells;  // cellsWide() x cellsHigh(), row by row

  int cellsWide() const { return chunks_wide * kChunkCells; }
  int cellsHigh() const { return chunks_high * kChunkCells; }
  const MeshCell& cell(int x, int y) const {
    return cells[size_t(y) * size_t(cellsWide()) + size_t(x)];
  }
  // The vertex of cell (x, y)'s height in cell widths.
  float Height(int x, int y) const { return cell(x, y).value0 / 512.0f; }
  // How many cells have each terrain type.
  std::vector<uint32_t> TerrainCounts() const;
  // Cells with the animated media bit.
  uint32_t MediaCells() const;

  // Reads tag data (from the tag's data start). Only version 11; the grid start (u32 at 12
  // plus u32 at 24, summed without overflow) and the whole grid must lie inside the data, and a
  // mesh must have cells. Failure: false with a one-line reason, `out` untouched.
  [[nodiscard]] static bool Read(std::span<const uint8_t> data, const TagHeader& header, Mesh& out,
                                 std::string& error);
  // Tag data that Read takes back: the fields above in a 1024-byte header (the grid right after
  // it: base offset 1024, offset 0) and every other header field zero, then the cells with the
  // record's cleared u16s zero. For the demo game, tests and fuzz seeds; sets the version to 11.
  std::vector<uint8_t> Write(TagHeader& header) const;
};
