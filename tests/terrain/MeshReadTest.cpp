#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"
#include "terrain/Mesh.h"

namespace {

// A version-11 mesh written field by field: the header's colour map, chunk counts and the two
// grid offsets, `gap` bytes of filler after the header, then the cells, flags from `flags_at`.
struct MeshBytes {
  uint32_t color_map = tagcode::Make("hill");
  uint16_t wide = 1, high = 1;
  uint32_t base = 1024, offset = 0;
  size_t gap = 0;
  // Flags of cell i; the other fields are made from i so each cell can be recognised.
  std::vector<uint16_t> flags;

  std::vector<uint8_t> Make() const {
    ByteWriter w;
    w.WriteU32Be(color_map);
    w.WriteU32Be(0xDEADBEEF);  // fields the editor does not use hold anything
    w.WriteU16Be(wide);
    w.WriteU16Be(high);
    w.WriteU32Be(base);
    w.WriteU32Be(0x11111111);
    w.WriteU32Be(0x22222222);
    w.WriteU32Be(offset);
    while (w.size() < 1024) w.WriteU8(0xA5);
    w.WriteZeros(gap);
    const size_t count = size_t{wide} * 32 * size_t{high} * 32;
    for (size_t i = 0; i < count; ++i) {
      w.WriteU16Be(static_cast<uint16_t>(i));
      w.WriteU16Be(static_cast<uint16_t>(i * 3));
      w.WriteU16Be(i < flags.size() ? flags[i] : 0);
      w.WriteU16Be(0xCCCC);  // cleared when read
      w.WriteU16Be(static_cast<uint16_t>(i ^ 0x5A5A));
      w.WriteU16Be(0xEEEE);  // cleared when read
    }
    return w.Take();
  }
};

TagHeader MeshHeader(uint16_t version = 11) {
  TagHeader h = TagHeader::Fresh();
  h.group = tagcode::Make("mesh");
  h.version = version;
  return h;
}

bool Read(const std::vector<uint8_t>& bytes, Mesh& mesh, std::string& error,
          uint16_t version = 11) {
  return Mesh::Read(bytes, MeshHeader(version), mesh, error);
}

TEST(MeshRead, TakesColourMapChunksAndCellsFromTheirOffsets) {
  MeshBytes m;
  m.wide = 2;
  m.high = 3;
  m.base = 1000;
  m.offset = 24 + 36;  // the grid starts 36 bytes after the header
  m.gap = 36;
  Mesh mesh;
  std::string error;
  ASSERT_TRUE(Read(m.Make(), mesh, error)) << error;
  EXPECT_EQ(mesh.color_map, tagcode::Make("hill"));
  EXPECT_EQ(mesh.chunks_wide, 2);
  EXPECT_EQ(mesh.chunks_high, 3);
  EXPECT_EQ(mesh.cellsWide(), 64);
  EXPECT_EQ(mesh.cellsHigh(), 96);
  ASSERT_EQ(mesh.cells.size(), 64u * 96u);
  // Cell (5, 2) is record 2 x 64 + 5, row by row.
  const MeshCell& c = mesh.cell(5, 2);
  EXPECT_EQ(c.value0, 133);
  EXPECT_EQ(c.value1, 399);
  EXPECT_EQ(c.unused, 133 ^ 0x5A5A);
  EXPECT_FLOAT_EQ(mesh.Height(5, 2), 133 / 512.0f);
}

TEST(MeshRead, OnlyVersionElevenIsRead) {
  const std::vector<uint8_t> bytes = MeshBytes{}.Make();
  Mesh mesh;
  std::string error;
  EXPECT_FALSE(Read(bytes, mesh, error, 10));
  EXPECT_NE(error.find("version 10"), std::string::npos) << error;
  EXPECT_FALSE(Read(bytes, mesh, error, 12));
  EXPECT_TRUE(Read(bytes, mesh, error, 11)) << error;
}

TEST(MeshRead, OffsetsThatWrapRoundIn32BitsAreRefused) {
  // 0xFFFFFF00 + 0x500 is 0x400 in 32 bits, right after the header, where a grid does lie.
  MeshBytes m;
  m.base = 0xFFFFFF00;
  m.offset = 0x500;
  Mesh mesh;
  std::string error;
  EXPECT_FALSE(Read(m.Make(), mesh, error));
  EXPECT_NE(error.find("does not lie inside"), std::string::npos) << error;
}

TEST(MeshRead, TheWholeGridMustLieInsideTheData) {
  MeshBytes m;
  std::vector<uint8_t> bytes = m.Make();
  Mesh mesh;
  std::string error;
  ASSERT_TRUE(Read(bytes, mesh, error)) << error;
  bytes.pop_back();
  EXPECT_FALSE(Read(bytes, mesh, error));
  // A grid start one byte further in also leaves the last record short.
  m.offset = 1;
  std::vector<uint8_t> shifted = m.Make();
  EXPECT_FALSE(Read(shifted, mesh, error));
  shifted.push_back(0);
  EXPECT_TRUE(Read(shifted, mesh, error)) << error;
}

TEST(MeshRead, AMeshWithoutCellsIsRefused) {
  for (const auto& [wide, high] : {std::pair{0, 3}, std::pair{4, 0}, std::pair{0, 0}}) {
    MeshBytes m;
    m.wide = static_cast<uint16_t>(wide);
    m.high = static_cast<uint16_t>(high);
    Mesh mesh;
    std::string error;
    EXPECT_FALSE(Read(m.Make(), mesh, error)) << wide << " x " << high;
    EXPECT_NE(error.find("no cells"), std::string::npos) << error;
  }
}

TEST(MeshRead, AHeaderCutShortIsRefused) {
  std::vector<uint8_t> bytes = MeshBytes{}.Make();
  bytes.resize(1023);
  Mesh mesh;
  std::string error;
  EXPECT_FALSE(Read(bytes, mesh, error));
  EXPECT_FALSE(error.empty());
}

TEST(MeshRead, HugeChunkCountsWithLittleDataAreRefusedUnallocated) {
  MeshBytes m;
  std::vector<uint8_t> bytes = m.Make();
  // 65535 x 65535 chunks would be 4.4 x 10^12 cells.
  bytes[8] = bytes[9] = bytes[10] = bytes[11] = 0xFF;
  Mesh mesh;
  std::string error;
  EXPECT_FALSE(Read(bytes, mesh, error));
  EXPECT_TRUE(mesh.cells.empty());
}

TEST(MeshRead, AFailedReadLeavesTheMeshAsItWas) {
  Mesh mesh;
  std::string error;
  ASSERT_TRUE(Read(MeshBytes{}.Make(), mesh, error)) << error;
  MeshBytes bad;
  bad.wide = 2;
  std::vector<uint8_t> bytes = bad.Make();
  bytes.resize(bytes.size() - 12);
  EXPECT_FALSE(Read(bytes, mesh, error));
  EXPECT_EQ(mesh.chunks_wide, 1);
  EXPECT_EQ(mesh.cells.size(), 1024u);
}

size_t At(int x, int y) {
  return size_t(y) * 32 + size_t(x);
}

TEST(MeshMediaRule, ACellIsMediaWhenItAndItsThreeUpperLeftNeighboursFeedIt) {
  MeshBytes m;
  m.flags.assign(1024, 0);
  // A 3 x 2 block of feeding cells at x 5..7, y 5..6: cells (6,6) and (7,6) have all four.
  for (int y = 5; y <= 6; ++y)
    for (int x = 5; x <= 7; ++x) m.flags[At(x, y)] = 0x1800;
  // One bit alone does not feed: (11,11) has three full neighbours, itself only 0x800.
  for (auto [x, y] : {std::pair{10, 10}, std::pair{11, 10}, std::pair{10, 11}})
    m.flags[At(x, y)] = 0x1800;
  m.flags[At(11, 11)] = 0x0800;
  Mesh mesh;
  std::string error;
  ASSERT_TRUE(Read(m.Make(), mesh, error)) << error;
  std::vector<std::pair<int, int>> media;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (mesh.cell(x, y).IsMedia()) media.push_back({x, y});
  EXPECT_EQ(media, (std::vector<std::pair<int, int>>{{6, 6}, {7, 6}}));
  EXPECT_EQ(mesh.MediaCells(), 2u);
  EXPECT_EQ(mesh.cell(6, 6).flags, 0x1C00);
  EXPECT_EQ(mesh.cell(5, 5).flags, 0x1800);
}

TEST(MeshMediaRule, ClearsBits200And4000OutsideTheFirstRowAndColumn) {
  MeshBytes m;
  m.flags.assign(1024, 0);
  m.flags[At(0, 0)] = 0x4200 | 0x60;
  m.flags[At(9, 0)] = 0x0200;
  m.flags[At(0, 9)] = 0x4000;
  m.flags[At(9, 9)] = 0x4200 | 0x60;
  m.flags[At(31, 31)] = 0xFFFF;
  Mesh mesh;
  std::string error;
  ASSERT_TRUE(Read(m.Make(), mesh, error)) << error;
  EXPECT_EQ(mesh.cell(0, 0).flags, 0x4260);
  EXPECT_EQ(mesh.cell(9, 0).flags, 0x0200);
  EXPECT_EQ(mesh.cell(0, 9).flags, 0x4000);
  EXPECT_EQ(mesh.cell(9, 9).flags, 0x0060);
  EXPECT_EQ(mesh.cell(9, 9).TerrainType(), 6);
  EXPECT_EQ(mesh.cell(31, 31).flags, 0xFFFF & ~0x4200);
}

TEST(MeshCounts, CountCellsByTerrainType) {
  MeshBytes m;
  m.flags.assign(1024, 0x60);                                           // grass
  for (int i = 0; i < 10; ++i) m.flags[static_cast<size_t>(i)] = 0xF0;  // flying impassible
  m.flags[100] = 0x0A | 0x30;  // low bits are no part of the type
  Mesh mesh;
  std::string error;
  ASSERT_TRUE(Read(m.Make(), mesh, error)) << error;
  std::vector<uint32_t> expected(16, 0);
  expected[6] = 1013;
  expected[15] = 10;
  expected[3] = 1;
  EXPECT_EQ(mesh.TerrainCounts(), expected);
  EXPECT_EQ(mesh.MediaCells(), 0u);
}

TEST(MeshWrite, WritesWhatReadTakesBackWithTheClearedFieldsZero) {
  MeshBytes m;
  m.wide = 2;
  m.flags.assign(2048, 0);
  m.flags[40] = 0x1870;
  Mesh mesh;
  std::string error;
  ASSERT_TRUE(Read(m.Make(), mesh, error)) << error;
  TagHeader header = MeshHeader(3);
  const std::vector<uint8_t> bytes = mesh.Write(header);
  EXPECT_EQ(header.version, 11);
  ASSERT_EQ(bytes.size(), 1024u + 2048u * 12u);
  // Record 40: values, flags, a cleared u16, the kept u16, a cleared u16.
  const std::vector<uint8_t> record(bytes.begin() + 1024 + 40 * 12, bytes.begin() + 1024 + 41 * 12);
  EXPECT_EQ(record, (std::vector<uint8_t>{0, 40, 0, 120, 0x18, 0x70, 0, 0, 0x5A, 0x72, 0, 0}));
  Mesh back;
  ASSERT_TRUE(Mesh::Read(bytes, header, back, error)) << error;
  EXPECT_EQ(back.color_map, mesh.color_map);
  EXPECT_EQ(back.chunks_wide, 2);
  ASSERT_EQ(back.cells.size(), mesh.cells.size());
  for (size_t i = 0; i < mesh.cells.size(); ++i) {
    ASSERT_EQ(back.cells[i].value0, mesh.cells[i].value0);
    ASSERT_EQ(back.cells[i].value1, mesh.cells[i].value1);
    ASSERT_EQ(back.cells[i].flags, mesh.cells[i].flags);
    ASSERT_EQ(back.cells[i].unused, mesh.cells[i].unused);
  }
}

}  // namespace
