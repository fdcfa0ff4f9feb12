#include <gtest/gtest.h>

#include <vector>

#include "terrain/DetailBrush.h"
#include "tests/terrain/DetailTestMaps.h"

namespace {

using detailtest::Map;
using detailtest::Tri;
using detailtest::Vert;

SlotProtection None() {
  return SlotProtection{};
}

// The vertices of `map` holding `value`, as "x,y" pairs in row order.
std::vector<std::pair<int, int>> Holding(const DetailMap& map, uint8_t value) {
  std::vector<std::pair<int, int>> out;
  for (uint32_t y = 0; y < map.height; ++y) {
    for (uint32_t x = 0; x < map.width; ++x) {
      if (map.vertex[y * map.width + x] == value) out.emplace_back(int(x), int(y));
    }
  }
  return out;
}

std::vector<size_t> ChangedTriangles(const DetailMap& map, uint8_t value) {
  std::vector<size_t> out;
  for (size_t i = 0; i < map.triangle.size(); ++i) {
    if (map.triangle[i] == value) out.push_back(i);
  }
  return out;
}

TEST(DetailBrushShape, CircleTakesTheVerticesWithinTheRadius) {
  DetailMap map = Map(5, 5);
  DetailBrush brush{.x = 2, .y = 2, .radius = 1, .square = false, .material = 4};
  const CellRect rect = brush.Apply(map, None(), false);
  EXPECT_EQ(rect, (CellRect{1, 1, 3, 3}));
  const std::vector<std::pair<int, int>> want = {{2, 1}, {1, 2}, {2, 2}, {3, 2}, {2, 3}};
  EXPECT_EQ(Holding(map, 4), want);
}

TEST(DetailBrushShape, SquareTakesTheWholeCandidateRectangle) {
  DetailMap map = Map(5, 5);
  DetailBrush brush{.x = 2, .y = 2, .radius = 1, .square = true, .material = 4};
  brush.Apply(map, None(), false);
  EXPECT_EQ(Holding(map, 4).size(), 9u);
  EXPECT_EQ(Vert(map, 0, 2), 0);
  EXPECT_EQ(Vert(map, 1, 1), 4);
}

TEST(DetailBrushShape, CandidateBoundsAreTheWholeNumbersInsideTheRange) {
  DetailMap map = Map(6, 6);
  // x and y from 1.5 to 3.5: cells 2 and 3 only, though 1 and 4 are within a cell of it.
  DetailBrush brush{.x = 2.5f, .y = 2.5f, .radius = 1, .square = true, .material = 9};
  EXPECT_EQ(brush.Apply(map, None(), false), (CellRect{2, 2, 3, 3}));
  const std::vector<std::pair<int, int>> want = {{2, 2}, {3, 2}, {2, 3}, {3, 3}};
  EXPECT_EQ(Holding(map, 9), want);
}

TEST(DetailBrushShape, RadiusTwoCircleLeavesTheCornersOfItsSquare) {
  DetailMap map = Map(9, 9);
  DetailBrush brush{.x = 4, .y = 4, .radius = 2, .square = false, .material = 1};
  brush.Apply(map, None(), false);
  EXPECT_EQ(Vert(map, 6, 4), 1);  // dx^2 = 4, on the circle
  EXPECT_EQ(Vert(map, 5, 5), 1);  // 2 <= 4
  EXPECT_EQ(Vert(map, 6, 5), 0);  // 5 > 4
  EXPECT_EQ(Holding(map, 1).size(), 13u);
}

// Even cells (x + y even) have their triangle 0 centred at (1/3, 2/3) and triangle 1 at
// (2/3, 1/3); odd cells triangle 0 at (1/3, 1/3) and triangle 1 at (2/3, 2/3).
TEST(DetailBrushTriangles, EvenCellTriangleZeroLiesTowardsTheNextRow) {
  DetailMap map = Map(4, 4);
  DetailBrush brush{
      .x = 0, .y = 0.5f, .radius = 0.5f, .layer = DetailLayer::kTriangle, .material = 3};
  brush.Apply(map, None(), false);
  EXPECT_EQ(ChangedTriangles(map, 3), std::vector<size_t>{0});
}

TEST(DetailBrushTriangles, EvenCellTriangleOneLiesTowardsTheRowBefore) {
  DetailMap map = Map(4, 4);
  DetailBrush brush{
      .x = 0.5f, .y = 0, .radius = 0.5f, .layer = DetailLayer::kTriangle, .material = 3};
  brush.Apply(map, None(), false);
  EXPECT_EQ(ChangedTriangles(map, 3), std::vector<size_t>{1});
}

TEST(DetailBrushTriangles, OddCellTriangleZeroLiesTowardsItsFirstCorner) {
  DetailMap map = Map(4, 4);
  DetailBrush brush{.x = 1, .y = 0, .radius = 0.5f, .layer = DetailLayer::kTriangle, .material = 3};
  brush.Apply(map, None(), false);
  // Cell (1, 0) is odd: its triangle 0 at (4/3, 1/3) is within 0.5, triangle 1 is not.
  EXPECT_EQ(ChangedTriangles(map, 3), std::vector<size_t>{2});
}

TEST(DetailBrushTriangles, LargeBrushPaintsBothTrianglesAndNoVertex) {
  DetailMap map = Map(4, 4);
  DetailBrush brush{.x = 1.5f,
                    .y = 1.5f,
                    .radius = 1,
                    .square = true,
                    .layer = DetailLayer::kTriangle,
                    .material = 6};
  EXPECT_EQ(brush.Apply(map, None(), false), (CellRect{1, 1, 2, 2}));
  EXPECT_EQ(Tri(map, 1, 1, 0), 6);
  EXPECT_EQ(Tri(map, 1, 1, 1), 6);
  EXPECT_EQ(Tri(map, 2, 2, 1), 0);  // centre at (8/3, 7/3): dx > 1
  EXPECT_TRUE(Holding(map, 6).empty());
}

TEST(DetailBrushMaterial, ValuesAboveTheSlotsAreClampedTo127) {
  DetailMap map = Map(3, 3);
  DetailBrush brush{.x = 1, .y = 1, .radius = 0.5f, .material = 200};
  brush.Apply(map, None(), false);
  EXPECT_EQ(Vert(map, 1, 1), 127);
}

TEST(DetailBrushProtection, ProtectedSlotsStayUnlessOverridden) {
  DetailMap map = Map(3, 1, 2);
  Vert(map, 1, 0) = 5;
  SlotProtection protection{};
  protection[5] = true;
  DetailBrush brush{.x = 1, .y = 0, .radius = 1, .square = true, .material = 9};
  brush.Apply(map, protection, false);
  EXPECT_EQ(map.vertex, (std::vector<uint8_t>{9, 5, 9}));
  brush.Apply(map, protection, true);
  EXPECT_EQ(map.vertex, (std::vector<uint8_t>{9, 9, 9}));
}

TEST(DetailBrushProtection, ValuesAbove127AreNeverProtected) {
  // 200 names no slot; a brush that looked at protection[200 & 127] or past the table would keep
  // it.
  DetailMap map = Map(2, 1);
  Vert(map, 0, 0) = 200;
  Vert(map, 1, 0) = 72;
  SlotProtection protection{};
  protection[72] = true;
  protection[127] = true;
  DetailBrush brush{.x = 0.5f, .y = 0, .radius = 1, .square = true, .material = 1};
  brush.Apply(map, protection, false);
  EXPECT_EQ(map.vertex, (std::vector<uint8_t>{1, 72}));
}

TEST(DetailBrushClipping, BrushOverTheCornerIsClippedToTheGrid) {
  DetailMap map = Map(4, 4);
  DetailBrush brush{.x = -1, .y = -1, .radius = 2, .square = true, .material = 7};
  EXPECT_EQ(brush.Apply(map, None(), false), (CellRect{0, 0, 1, 1}));
  EXPECT_EQ(Holding(map, 7).size(), 4u);
}

TEST(DetailBrushClipping, BrushAtTheFarEdgeStaysInside) {
  DetailMap map = Map(5, 5);
  DetailBrush brush{.x = 4.5f,
                    .y = 4.5f,
                    .radius = 1,
                    .square = true,
                    .layer = DetailLayer::kTriangle,
                    .material = 7};
  EXPECT_EQ(brush.Apply(map, None(), false), (CellRect{4, 4, 4, 4}));
  EXPECT_EQ(ChangedTriangles(map, 7), (std::vector<size_t>{48, 49}));
}

TEST(DetailBrushClipping, BrushOffTheGridPaintsNothing) {
  DetailMap map = Map(4, 4);
  for (const auto& [x, y] :
       std::initializer_list<std::pair<float, float>>{{10, 1}, {1, -3}, {1e30f, 1e30f}}) {
    DetailBrush brush{.x = x, .y = y, .radius = 1, .material = 7};
    EXPECT_TRUE(brush.Apply(map, None(), false).empty()) << x << "," << y;
  }
  EXPECT_TRUE(Holding(map, 7).empty());
}

TEST(DetailBrushClipping, ArraysShorterThanTheDimensionsAreNotPainted) {
  DetailMap map = Map(4, 4);
  map.vertex.resize(5);
  DetailBrush brush{.x = 3, .y = 3, .radius = 1, .material = 7};
  EXPECT_TRUE(brush.Apply(map, None(), false).empty());
  EXPECT_EQ(map.vertex, std::vector<uint8_t>(5, 0));
}

TEST(DetailRectCopy, PastingTheCopyUndoesAStroke) {
  DetailMap map = Map(6, 5);
  detailtest::Randomise(map, 3, 20);
  const DetailMap before = map;
  DetailBrush brush{.x = 3, .y = 2, .radius = 2, .layer = DetailLayer::kTriangle, .material = 99};
  const CellRect rect{1, 0, 5, 4};
  const std::vector<uint8_t> saved = CopyRect(map, DetailLayer::kTriangle, rect);
  ASSERT_EQ(saved.size(), 5u * 5u * 2u);
  brush.Apply(map, None(), false);
  ASSERT_NE(map.triangle, before.triangle);
  const std::vector<uint8_t> after = CopyRect(map, DetailLayer::kTriangle, rect);
  PasteRect(map, DetailLayer::kTriangle, rect, saved);
  EXPECT_EQ(map.triangle, before.triangle);
  PasteRect(map, DetailLayer::kTriangle, rect, after);
  EXPECT_EQ(Tri(map, 3, 2, 0), 99);
}

TEST(DetailRectCopy, CopyTakesRowsOfTheRectangleOnly) {
  DetailMap map = Map(3, 3);
  for (size_t i = 0; i < map.vertex.size(); ++i) map.vertex[i] = uint8_t(i);
  EXPECT_EQ(CopyRect(map, DetailLayer::kVertex, CellRect{1, 1, 2, 2}),
            (std::vector<uint8_t>{4, 5, 7, 8}));
}

TEST(DetailRectCopy, WrongSizesAndRectanglesOutsideChangeNothing) {
  DetailMap map = Map(3, 3);
  PasteRect(map, DetailLayer::kVertex, CellRect{0, 0, 1, 1}, std::vector<uint8_t>(3, 9));
  PasteRect(map, DetailLayer::kVertex, CellRect{2, 2, 3, 3}, std::vector<uint8_t>(4, 9));
  EXPECT_EQ(map.vertex, std::vector<uint8_t>(9, 0));
  EXPECT_TRUE(CopyRect(map, DetailLayer::kVertex, CellRect{-1, 0, 1, 1}).empty());
}

TEST(DetailRectCopy, IncludeGrowsToHoldBoth) {
  CellRect rect;
  rect.Include(CellRect{2, 3, 4, 5});
  EXPECT_EQ(rect, (CellRect{2, 3, 4, 5}));
  rect.Include(CellRect{});
  EXPECT_EQ(rect, (CellRect{2, 3, 4, 5}));
  rect.Include(CellRect{0, 4, 3, 9});
  EXPECT_EQ(rect, (CellRect{0, 3, 4, 9}));
}

}  // namespace
