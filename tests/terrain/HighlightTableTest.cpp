#include <gtest/gtest.h>

#include <set>

#include "terrain/HighlightTable.h"
#include "terrain/TerrainTypes.h"

namespace {

uint32_t Entry(const terrain::HighlightTable& table, size_t i) {
  return uint32_t{table[i * 3]} << 16 | uint32_t{table[i * 3 + 1]} << 8 | table[i * 3 + 2];
}

TEST(DefaultHighlightTable, BlackThenTheTerrainColoursInTypeOrder) {
  const terrain::HighlightTable table = terrain::DefaultHighlightTable();
  EXPECT_EQ(Entry(table, 0), 0u);
  EXPECT_EQ(Entry(table, 1), 0x2020FFu);   // dwarf depth media
  EXPECT_EQ(Entry(table, 6), 0xFF3030u);   // steep
  EXPECT_EQ(Entry(table, 16), 0x20FF20u);  // flying impassible
  for (int t = 0; t < terrain::kTerrainTypeCount; ++t) {
    const TerrainType& type = terrain::kTerrainTypes[static_cast<size_t>(t)];
    EXPECT_EQ(table[size_t(t + 1) * 3], type.red) << t;
    EXPECT_EQ(table[size_t(t + 1) * 3 + 1], type.green) << t;
    EXPECT_EQ(table[size_t(t + 1) * 3 + 2], type.blue) << t;
  }
}

TEST(DefaultHighlightTable, TheRestAreDistinctFromEachOtherAndTheFirstSeventeen) {
  const terrain::HighlightTable table = terrain::DefaultHighlightTable();
  std::set<uint32_t> first;
  for (size_t i = 0; i <= 16; ++i) first.insert(Entry(table, i));
  std::set<uint32_t> rest;
  for (size_t i = 17; i < 256; ++i) {
    const uint32_t colour = Entry(table, i);
    EXPECT_EQ(first.count(colour), 0u) << "entry " << i;
    EXPECT_TRUE(rest.insert(colour).second) << "entry " << i << " repeats an earlier one";
  }
  EXPECT_EQ(table, terrain::DefaultHighlightTable());  // the same table every time
}

}  // namespace
