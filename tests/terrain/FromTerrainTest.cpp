#include <gtest/gtest.h>

#include <string>

#include "tags/TagCode.h"
#include "terrain/FromTerrain.h"
#include "tests/terrain/DetailTestMaps.h"

namespace {

// A mesh of one chunk whose cell (x, y) has terrain type (x + y) % 16.
Mesh OneChunk() {
  Mesh mesh;
  mesh.chunks_wide = 1;
  mesh.chunks_high = 1;
  mesh.cells.resize(32 * 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      mesh.cells[size_t(y) * 32 + size_t(x)].flags = uint16_t((((x + y) % 16) << 4) | 0x0C01);
    }
  }
  return mesh;
}

std::array<TerrainRow, terrain::kTerrainTypeCount> Rows() {
  return fromterrain::DefaultRows([](uint32_t id, std::string& name) {
    if (id != tagcode::Make("gras")) return false;
    name = "meadow grass";
    return true;
  });
}

TEST(FromTerrainRows, DefaultsComeFromTheTypesAndWhatIsVisible) {
  const auto rows = Rows();
  EXPECT_EQ(rows[6].dtex, tagcode::Make("gras"));
  EXPECT_EQ(rows[6].name, "meadow grass");
  EXPECT_EQ(rows[11].dtex, tagcode::Make("gras"));
  // A default that no visible tag has, and a type without a default.
  EXPECT_EQ(rows[0].dtex, DetailSlot::kNoTexture);
  EXPECT_EQ(rows[0].name, "<no tag>");
  EXPECT_EQ(rows[13].name, "<no tag>");
  EXPECT_EQ(rows[5].red, 255);
  EXPECT_EQ(rows[5].green, 48);
}

TEST(FromTerrainApply, VerticesTakeTheirTerrainTypePlusOne) {
  const Mesh mesh = OneChunk();
  DetailMap map = detailtest::Map(32, 32);
  ASSERT_TRUE(fromterrain::Apply(mesh, Rows(), map, SlotProtection{}, false));
  EXPECT_EQ(detailtest::Vert(map, 0, 0), 1);
  EXPECT_EQ(detailtest::Vert(map, 5, 2), 8);
  EXPECT_EQ(detailtest::Vert(map, 31, 31), 15);  // 62 % 16 = 14
  EXPECT_EQ(map.triangle, std::vector<uint8_t>(32 * 32 * 2, 0));
}

TEST(FromTerrainApply, SlotsOneToSixteenTakeTheRows) {
  DetailMap map = detailtest::Map(32, 32);
  map.slots[7].scale_minus_one = 63;
  ASSERT_TRUE(fromterrain::Apply(OneChunk(), Rows(), map, SlotProtection{}, false));
  EXPECT_EQ(map.slots[7].dtex, tagcode::Make("gras"));  // type 6, grass
  EXPECT_EQ(std::string(map.slots[7].name.data()), "meadow grass");
  EXPECT_EQ(map.slots[7].scale_minus_one, 63);
  EXPECT_EQ(map.slots[1].blue, 255);
  EXPECT_EQ(map.slots[16].green, 255);  // type 15, flying impassible
  EXPECT_EQ(map.slots[16].red, 32);
  EXPECT_FALSE(map.slots[1].HasTexture());
  EXPECT_EQ(map.slots[1].name[0], 0);  // "<no tag>" labels the row, not the slot
  EXPECT_FALSE(map.slots[0].HasTexture());
  EXPECT_FALSE(map.slots[17].HasTexture());
}

TEST(FromTerrainApply, LongNamesAreCutTo31Bytes) {
  auto rows = Rows();
  rows[6].name = std::string(40, 'g');
  DetailMap map = detailtest::Map(32, 32);
  ASSERT_TRUE(fromterrain::Apply(OneChunk(), rows, map, SlotProtection{}, false));
  EXPECT_EQ(std::string(map.slots[7].name.data()), std::string(31, 'g'));
}

TEST(FromTerrainApply, ProtectedVerticesStayUnlessOverridden) {
  DetailMap map = detailtest::Map(32, 32, 40);
  detailtest::Vert(map, 3, 0) = 90;
  SlotProtection protection{};
  protection[90] = true;
  ASSERT_TRUE(fromterrain::Apply(OneChunk(), Rows(), map, protection, false));
  EXPECT_EQ(detailtest::Vert(map, 3, 0), 90);
  EXPECT_EQ(detailtest::Vert(map, 4, 0), 5);
  ASSERT_TRUE(fromterrain::Apply(OneChunk(), Rows(), map, protection, true));
  EXPECT_EQ(detailtest::Vert(map, 3, 0), 4);
}

TEST(FromTerrainApply, MapOfOtherDimensionsIsLeftAlone) {
  DetailMap map = detailtest::Map(32, 31, 9);
  EXPECT_FALSE(fromterrain::Apply(OneChunk(), Rows(), map, SlotProtection{}, false));
  EXPECT_EQ(map.vertex, std::vector<uint8_t>(32 * 31, 9));
  EXPECT_FALSE(map.slots[1].HasTexture());
}

}  // namespace
