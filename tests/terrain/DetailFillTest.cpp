#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <random>
#include <vector>

#include "terrain/DetailFill.h"
#include "tests/terrain/DetailTestMaps.h"

namespace {

using detailtest::Map;
using detailtest::Tri;
using detailtest::Vert;

// The corners of triangle t of cell (x, y) from the cell's diagonal: (x + y) odd cells are cut
// from (x + 1, y) to (x, y + 1), even cells from (x, y) to (x + 1, y + 1).
std::array<std::pair<int, int>, 3> Corners(int x, int y, int t) {
  const bool odd = ((x + y) & 1) != 0;
  if (odd) {
    return t == 0 ? std::array<std::pair<int, int>, 3>{{{x, y}, {x + 1, y}, {x, y + 1}}}
                  : std::array<std::pair<int, int>, 3>{{{x + 1, y}, {x + 1, y + 1}, {x, y + 1}}};
  }
  return t == 0 ? std::array<std::pair<int, int>, 3>{{{x, y}, {x, y + 1}, {x + 1, y + 1}}}
                : std::array<std::pair<int, int>, 3>{{{x, y}, {x + 1, y}, {x + 1, y + 1}}};
}

bool ShareAnEdge(int x0, int y0, int t0, int x1, int y1, int t1) {
  int shared = 0;
  for (const auto& a : Corners(x0, y0, t0)) {
    for (const auto& b : Corners(x1, y1, t1)) shared += a == b;
  }
  return shared == 2;
}

// What a fill must reach, found the slow way: a breadth-first walk over vertices joined to
// their four neighbours, or triangles joined where their corners say they share an edge.
std::vector<uint8_t> ReferenceFill(DetailMap map, DetailLayer layer, int sx, int sy, int st,
                                   uint8_t value) {
  const int w = int(map.width), h = int(map.height);
  std::vector<uint8_t>& a = map.Layer(layer);
  const bool tri = layer == DetailLayer::kTriangle;
  const auto index = [&](int x, int y, int t) { return tri ? (y * w + x) * 2 + t : y * w + x; };
  const uint8_t old = a[size_t(index(sx, sy, st))];
  if (old == value) return a;
  std::deque<std::array<int, 3>> queue{{sx, sy, st}};
  a[size_t(index(sx, sy, st))] = value;
  while (!queue.empty()) {
    const auto [x, y, t] = queue.front();
    queue.pop_front();
    for (int ny = y - 1; ny <= y + 1; ++ny) {
      for (int nx = x - 1; nx <= x + 1; ++nx) {
        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
        for (int nt = 0; nt < (tri ? 2 : 1); ++nt) {
          const bool joined =
              tri ? ShareAnEdge(x, y, t, nx, ny, nt) : std::abs(nx - x) + std::abs(ny - y) == 1;
          uint8_t& v = a[size_t(index(nx, ny, nt))];
          if (joined && v == old) {
            v = value;
            queue.push_back({nx, ny, nt});
          }
        }
      }
    }
  }
  return a;
}

TEST(DetailFillVertices, FourNeighboursOnlyNotDiagonals) {
  DetailMap map = Map(3, 3, 1);
  Vert(map, 1, 1) = 0;
  Vert(map, 0, 0) = 0;
  Vert(map, 2, 2) = 0;
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kVertex, 1, 1, 5));
  EXPECT_EQ(map.vertex, (std::vector<uint8_t>{0, 1, 1, 1, 5, 1, 1, 1, 0}));
  EXPECT_EQ(fill.bounds, (CellRect{1, 1, 1, 1}));
}

TEST(DetailFillVertices, StartIsTheNearestVertex) {
  DetailMap map = Map(3, 1);
  Vert(map, 1, 0) = 4;
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kVertex, 1.4f, 0.3f, 5));
  EXPECT_EQ(map.vertex, (std::vector<uint8_t>{0, 5, 0}));
}

TEST(DetailFillVertices, ReachesAroundBends) {
  // A spiral corridor of zeros in a wall of ones: every row is entered several times.
  const char* rows[] = {"0000000", "1111110", "0000010", "0111010",
                        "0100010", "0111110", "0000000"};
  DetailMap map = Map(7, 7);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 7; ++x) Vert(map, x, y) = uint8_t(rows[y][x] - '0');
  }
  DetailMap untouched = map;
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kVertex, 2, 4, 8));
  EXPECT_EQ(map.vertex, ReferenceFill(untouched, DetailLayer::kVertex, 2, 4, 0, 8));
  EXPECT_EQ(fill.bounds, (CellRect{0, 0, 6, 6}));
  EXPECT_EQ(Vert(map, 2, 4), 8);
  EXPECT_EQ(Vert(map, 0, 1), 1);
}

TEST(DetailFillVertices, MatchesTheSlowWalkOnRandomMaps) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    DetailMap map = Map(13, 9);
    detailtest::Randomise(map, seed, 2);
    std::mt19937 random(seed);
    const int x = int(random() % 13), y = int(random() % 9);
    const std::vector<uint8_t> want = ReferenceFill(map, DetailLayer::kVertex, x, y, 0, 7);
    DetailFill fill;
    fill.Run(map, DetailLayer::kVertex, float(x), float(y), 7);
    ASSERT_EQ(map.vertex, want) << "seed " << seed;
  }
}

TEST(DetailFillTriangles, TriangleUnderAPointIsOnItsSideOfTheDiagonal) {
  // Even cell (0, 0): cut from (0, 0) to (1, 1), triangle 0 below the cut (larger y).
  EXPECT_EQ(TriangleAt(0, 0, 0.2f, 0.8f), 0);
  EXPECT_EQ(TriangleAt(0, 0, 0.8f, 0.2f), 1);
  // Odd cell (1, 0): cut from (2, 0) to (1, 1), triangle 0 holds the corner (1, 0).
  EXPECT_EQ(TriangleAt(1, 0, 1.2f, 0.2f), 0);
  EXPECT_EQ(TriangleAt(1, 0, 1.8f, 0.8f), 1);
  EXPECT_EQ(TriangleAt(3, 6, 3.9f, 6.3f), 1);  // odd
}

TEST(DetailFillTriangles, StartsOnTheTriangleUnderThePoint) {
  DetailMap map = Map(2, 1);
  Tri(map, 0, 0, 1) = 3;
  Tri(map, 1, 0, 0) = 3;
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kTriangle, 0.8f, 0.2f, 6));  // cell 0, triangle 1
  EXPECT_EQ(map.triangle, (std::vector<uint8_t>{0, 6, 6, 0}));
  EXPECT_EQ(fill.bounds, (CellRect{0, 0, 1, 0}));
}

TEST(DetailFillTriangles, CrossesOnlyTheEdgeTheTriangleTouches) {
  // Even cell (0, 0): triangle 0 touches the edge to row 1, triangle 1 the top of the grid. The
  // triangle below triangle 1 shares only a corner with it.
  DetailMap map = Map(1, 2);
  Tri(map, 0, 1, 0) = 5;  // odd cell (0, 1): its triangle 0 lies across from (0, 0)'s triangle 0
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kTriangle, 0.1f, 0.2f, 9));
  EXPECT_EQ(map.triangle, (std::vector<uint8_t>{9, 9, 5, 0}));

  DetailMap open = Map(1, 2);
  Tri(open, 0, 1, 1) = 5;
  ASSERT_TRUE(fill.Run(open, DetailLayer::kTriangle, 0.1f, 0.2f, 9));
  EXPECT_EQ(open.triangle, (std::vector<uint8_t>{9, 9, 9, 5}));
}

TEST(DetailFillTriangles, RowNeighboursJoinAcrossTheCellEdge) {
  DetailMap map = Map(3, 1);
  Tri(map, 1, 0, 0) = 2;  // cuts the row between cell 0 and cell 1's triangle 1
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kTriangle, 2.5f, 0.5f, 4));
  EXPECT_EQ(map.triangle, (std::vector<uint8_t>{0, 0, 2, 4, 4, 4}));
}

TEST(DetailFillTriangles, MatchesTheSlowWalkOnRandomMaps) {
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    DetailMap map = Map(11, 8);
    detailtest::Randomise(map, seed, 2);
    std::mt19937 random(seed * 7);
    const int x = int(random() % 11), y = int(random() % 8);
    const int t = int(random() % 2);
    // A point well inside triangle t: its centre.
    const bool odd = ((x + y) & 1) != 0;
    const float px = float(x) + (t == 0 ? 1.0f : 2.0f) / 3.0f;
    const float py = float(y) + (odd != (t == 1) ? 1.0f : 2.0f) / 3.0f;
    const std::vector<uint8_t> want = ReferenceFill(map, DetailLayer::kTriangle, x, y, t, 7);
    DetailFill fill;
    fill.Run(map, DetailLayer::kTriangle, px, py, 7);
    ASSERT_EQ(map.triangle, want) << "seed " << seed;
  }
}

TEST(DetailFillNothing, StartOutsideTheGrid) {
  DetailMap map = Map(4, 4);
  DetailFill fill;
  // Vertices: the nearest one must lie in the grid (3.6 rounds to 4).
  for (const auto& [x, y] : std::initializer_list<std::pair<float, float>>{
           {-0.6f, 1}, {1, 3.6f}, {4.2f, 0}, {1e30f, 0}}) {
    EXPECT_FALSE(fill.Run(map, DetailLayer::kVertex, x, y, 3)) << x << "," << y;
    EXPECT_TRUE(fill.spans.empty());
  }
  // Triangles: the point must lie in a cell (3.6 is in the last row of cells, 4.0 is not).
  for (const auto& [x, y] : std::initializer_list<std::pair<float, float>>{
           {-0.1f, 1}, {1, 4.0f}, {4.0f, 0}, {0, -1e30f}}) {
    EXPECT_FALSE(fill.Run(map, DetailLayer::kTriangle, x, y, 3)) << x << "," << y;
    EXPECT_TRUE(fill.spans.empty());
  }
  EXPECT_EQ(map.vertex, std::vector<uint8_t>(16, 0));
  EXPECT_EQ(map.triangle, std::vector<uint8_t>(32, 0));
  EXPECT_TRUE(fill.Run(map, DetailLayer::kTriangle, 1, 3.6f, 3));
}

TEST(DetailFillNothing, RegionAlreadyHoldsTheValue) {
  DetailMap map = Map(4, 4, 3, 3);
  DetailFill fill;
  EXPECT_FALSE(fill.Run(map, DetailLayer::kVertex, 1, 1, 3));
  EXPECT_FALSE(fill.Run(map, DetailLayer::kTriangle, 1, 1, 3));
  EXPECT_TRUE(fill.spans.empty());
  EXPECT_TRUE(fill.bounds.empty());
}

TEST(DetailFillNothing, ValueAboveTheSlotsFillsWith127) {
  DetailMap map = Map(2, 2);
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kVertex, 0, 0, 250));
  EXPECT_EQ(map.vertex, std::vector<uint8_t>(4, 127));
  EXPECT_EQ(fill.new_value, 127);
}

TEST(DetailFillUndo, WritingTheSpansWithTheOldValueRestoresTheMap) {
  DetailMap map = Map(16, 12);
  detailtest::Randomise(map, 11, 2);
  for (const DetailLayer layer : {DetailLayer::kVertex, DetailLayer::kTriangle}) {
    const DetailMap before = map;
    DetailFill fill;
    ASSERT_TRUE(fill.Run(map, layer, 3.5f, 4.5f, 9));
    const DetailMap after = map;
    size_t filled = 0;
    for (const DetailFill::Span& span : fill.spans) filled += span.length;
    size_t changed = 0;
    for (size_t i = 0; i < map.Layer(layer).size(); ++i) {
      changed += before.Layer(layer)[i] != after.Layer(layer)[i];
    }
    EXPECT_EQ(filled, changed);  // the spans hold each filled value once
    fill.Write(map, layer, fill.old_value);
    EXPECT_EQ(map.Layer(layer), before.Layer(layer));
    fill.Write(map, layer, fill.new_value);
    EXPECT_EQ(map.Layer(layer), after.Layer(layer));
  }
}

TEST(DetailFillUndo, SpansBeyondAShorterMapAreNotWritten) {
  DetailMap map = Map(8, 8);
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kVertex, 0, 0, 2));
  DetailMap small = Map(2, 2);
  fill.Write(small, DetailLayer::kVertex, 5);
  EXPECT_EQ(small.vertex.size(), 4u);
}

TEST(DetailFillUndo, CombIsHeldAsOneSpanPerTooth) {
  // Columns of zeros joined along the top row, separated by columns of ones.
  DetailMap map = Map(9, 6);
  for (uint32_t y = 1; y < 6; ++y) {
    for (uint32_t x = 1; x < 9; x += 2) Vert(map, x, y) = 1;
  }
  DetailFill fill;
  ASSERT_TRUE(fill.Run(map, DetailLayer::kVertex, 0, 0, 4));
  EXPECT_EQ(fill.spans.size(), 1u + 5u * 5u);
  for (uint32_t y = 0; y < 6; ++y) EXPECT_EQ(Vert(map, 8, y), 4);
  EXPECT_EQ(fill.bounds, (CellRect{0, 0, 8, 5}));
}

}  // namespace
