#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "collections/Collection.h"
#include "terrain/MeshScene.h"
#include "terrain/TerrainTypes.h"

namespace {

// A mesh of whole chunks; heights in cell widths.
Mesh MakeMesh(int chunks_wide, int chunks_high, const std::function<float(int, int)>& height,
              const std::function<int(int, int)>& terrain = nullptr) {
  Mesh mesh;
  mesh.chunks_wide = static_cast<uint16_t>(chunks_wide);
  mesh.chunks_high = static_cast<uint16_t>(chunks_high);
  mesh.cells.resize(static_cast<size_t>(mesh.cellsWide()) * mesh.cellsHigh());
  for (int y = 0; y < mesh.cellsHigh(); ++y) {
    for (int x = 0; x < mesh.cellsWide(); ++x) {
      MeshCell& cell = mesh.cells[static_cast<size_t>(y) * mesh.cellsWide() + x];
      cell.value0 = static_cast<uint16_t>(std::lround(height(x, y) * 512));
      if (terrain) cell.flags = static_cast<uint16_t>(terrain(x, y) << 4);
    }
  }
  return mesh;
}

float Flat(int, int) {
  return 3.0f;
}

struct Hit {
  bool hit = false;
  float x = 0, y = 0;
};

Hit Cast(const MeshScene& scene, std::array<float, 3> origin, std::array<float, 3> direction) {
  Hit h;
  h.hit = scene.Intersect(origin.data(), direction.data(), h.x, h.y);
  return h;
}

TEST(MeshSceneBuild, HeightsAreTheFirstCellValueIn512thsOfACell) {
  Mesh mesh = MakeMesh(1, 1, [](int x, int y) { return x == 5 && y == 7 ? 2.5f : 0.0f; });
  mesh.cells[7 * 32 + 6].value0 = 1;  // 1/512
  MeshScene scene;
  scene.Build(mesh, nullptr);
  EXPECT_FLOAT_EQ(scene.VertexHeight(5, 7), 2.5f);
  EXPECT_FLOAT_EQ(scene.VertexHeight(6, 7), 1.0f / 512);
  // The corners past the last cells take the nearest vertex's height.
  mesh.cells[31 * 32 + 31].value0 = 1024;
  scene.Build(mesh, nullptr);
  EXPECT_FLOAT_EQ(scene.VertexHeight(32, 32), 2.0f);
  EXPECT_FLOAT_EQ(scene.VertexHeight(32, 31), 2.0f);
  EXPECT_FLOAT_EQ(scene.max_z(), 2.5f);
  EXPECT_FLOAT_EQ(scene.min_z(), 0.0f);
}

TEST(MeshSceneBuild, ChunkBoundsReachTheFirstVerticesOfTheNextChunk) {
  // A single raised column at x = 32: the first vertices of chunk 1, which are also the far
  // corners of chunk 0's last cells.
  const Mesh mesh = MakeMesh(3, 1, [](int x, int) { return x == 32 ? 8.0f : 1.0f; });
  MeshScene scene;
  scene.Build(mesh, nullptr);
  ASSERT_EQ(scene.chunks().size(), 3u);
  EXPECT_FLOAT_EQ(scene.chunks()[0].max_z, 8.0f);
  EXPECT_FLOAT_EQ(scene.chunks()[1].max_z, 8.0f);
  EXPECT_FLOAT_EQ(scene.chunks()[2].max_z, 1.0f);
  EXPECT_FLOAT_EQ(scene.chunks()[2].min_z, 1.0f);
  EXPECT_EQ(scene.chunks()[1].cx, 1);
  EXPECT_EQ(scene.chunks()[1].cy, 0);
}

TEST(MeshSceneBuild, ColourMapBitmapsColourTheirChunksAndTerrainTheRest) {
  const Mesh mesh = MakeMesh(2, 1, Flat, [](int x, int) { return x < 40 ? 6 : 7; });
  Collection colors;
  auto set_entry = [&](int i, uint8_t r, uint8_t g, uint8_t b) {
    colors.palette[static_cast<size_t>(i) * 3] = r;
    colors.palette[static_cast<size_t>(i) * 3 + 1] = g;
    colors.palette[static_cast<size_t>(i) * 3 + 2] = b;
  };
  set_entry(1, 200, 10, 10);
  set_entry(2, 10, 200, 10);
  set_entry(3, 10, 10, 200);
  set_entry(4, 90, 90, 90);
  auto bitmap = std::make_unique<CollectionBitmap>();
  bitmap->width = 2;
  bitmap->height = 2;
  bitmap->bytes_per_pixel = 2;
  bitmap->pixels = {255, 1, 255, 2, 255, 3, 255, 4};  // alpha, index per pixel
  colors.bitmaps.push_back(std::move(bitmap));

  MeshScene scene;
  scene.Build(mesh, &colors);
  const MeshScene::Chunk& first = scene.chunks()[0];
  ASSERT_EQ(first.texture_size, 32);
  ASSERT_EQ(first.color_rgb.size(), 32u * 32 * 3);
  auto texel = [](const MeshScene::Chunk& c, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * c.texture_size + x) * 3;
    return std::array<int, 3>{c.color_rgb[i], c.color_rgb[i + 1], c.color_rgb[i + 2]};
  };
  // Stretched: each bitmap pixel covers a quarter, its first row at the lowest y.
  EXPECT_EQ(texel(first, 0, 0), (std::array<int, 3>{200, 10, 10}));
  EXPECT_EQ(texel(first, 31, 0), (std::array<int, 3>{10, 200, 10}));
  EXPECT_EQ(texel(first, 0, 31), (std::array<int, 3>{10, 10, 200}));
  EXPECT_EQ(texel(first, 17, 20), (std::array<int, 3>{90, 90, 90}));
  // Chunk 1 has no bitmap: a texel a cell in its terrain's colour.
  const MeshScene::Chunk& second = scene.chunks()[1];
  ASSERT_EQ(second.texture_size, 32);
  const TerrainType& grass = terrain::kTerrainTypes[6];
  const TerrainType& desert = terrain::kTerrainTypes[7];
  EXPECT_EQ(texel(second, 7, 3), (std::array<int, 3>{grass.red, grass.green, grass.blue}));
  EXPECT_EQ(texel(second, 8, 3), (std::array<int, 3>{desert.red, desert.green, desert.blue}));
}

TEST(MeshSceneBuild, AMeshWithTooFewCellsBuildsNothing) {
  Mesh mesh = MakeMesh(2, 2, Flat);
  mesh.cells.resize(mesh.cells.size() - 1);
  MeshScene scene;
  scene.Build(mesh, nullptr);
  EXPECT_EQ(scene.mesh(), nullptr);
  EXPECT_TRUE(scene.chunks().empty());
  EXPECT_FALSE(Cast(scene, {5, 5, 10}, {0, 0, -1}).hit);
}

TEST(MeshSceneTriangles, CentresOfTheTwoTrianglesAreWhereTheBrushLooksForThem) {
  // The brush finds triangle t of cell (x, y) at (x + 1/3, y + c) for t = 0 and (x + 2/3, y + c)
  // for t = 1, c = 1/3 when ((x + y) odd) differs from t, else 2/3.
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      for (int t = 0; t < 2; ++t) {
        float cx = 0, cy = 0;
        for (const MeshScene::Corner& c : MeshScene::TriangleCorners(x, y, t)) {
          cx += static_cast<float>(c.dx) / 3;
          cy += static_cast<float>(c.dy) / 3;
        }
        const bool odd = ((x + y) & 1) != 0;
        const float c = odd != (t == 1) ? 1.0f / 3 : 2.0f / 3;
        EXPECT_NEAR(cx, t == 0 ? 1.0f / 3 : 2.0f / 3, 1e-6f) << x << "," << y << " t" << t;
        EXPECT_NEAR(cy, c, 1e-6f) << x << "," << y << " t" << t;
      }
    }
  }
}

TEST(MeshSceneTriangles, SurfaceHeightFollowsEachCellsDiagonal) {
  // The checkerboard puts every vertex with x + y even on the diagonals of its four cells and
  // no vertex with x + y odd on any: raising one lifts the middles of the cells around it to
  // half its height, raising the other leaves them where they were.
  const Mesh even = MakeMesh(1, 1, [](int x, int y) { return x == 11 && y == 11 ? 4.0f : 0.0f; });
  const Mesh odd = MakeMesh(1, 1, [](int x, int y) { return x == 11 && y == 10 ? 4.0f : 0.0f; });
  MeshScene scene;
  scene.Build(even, nullptr);
  for (const auto& [x, y] :
       {std::pair{10.5f, 10.5f}, {11.5f, 10.5f}, {10.5f, 11.5f}, {11.5f, 11.5f}}) {
    EXPECT_NEAR(scene.SurfaceHeight(x, y), 2.0f, 1e-5f) << x << "," << y;
  }
  EXPECT_NEAR(scene.SurfaceHeight(11.0f, 11.0f), 4.0f, 1e-5f);
  scene.Build(odd, nullptr);
  for (const auto& [x, y] :
       {std::pair{10.5f, 9.5f}, {11.5f, 9.5f}, {10.5f, 10.5f}, {11.5f, 10.5f}}) {
    EXPECT_NEAR(scene.SurfaceHeight(x, y), 0.0f, 1e-5f) << x << "," << y;
  }
  // Half way from a cell middle to the raised corner: on its triangle, half its height.
  EXPECT_NEAR(scene.SurfaceHeight(10.75f, 10.25f), 2.0f, 1e-5f);
  // Off the grid: the nearest edge.
  EXPECT_NEAR(scene.SurfaceHeight(-5.0f, 10.0f), 0.0f, 1e-5f);
}

TEST(MeshSceneIntersect, StraightDownMeetsTheSurfaceBelow) {
  const Mesh mesh = MakeMesh(2, 2, [](int x, int y) { return 1.0f + 0.1f * x + 0.05f * y; });
  MeshScene scene;
  scene.Build(mesh, nullptr);
  const Hit hit = Cast(scene, {10.25f, 20.75f, 50}, {0, 0, -1});
  ASSERT_TRUE(hit.hit);
  EXPECT_NEAR(hit.x, 10.25f, 1e-4f);
  EXPECT_NEAR(hit.y, 20.75f, 1e-4f);
}

TEST(MeshSceneIntersect, VerticalRaysAgreeWithTheSurfaceHeight) {
  // Bumpy ground: a vertical ray's hit, pushed back up by the surface height, is the point.
  const Mesh mesh = MakeMesh(1, 1, [](int x, int y) { return float((x * 7 + y * 13) % 5); });
  MeshScene scene;
  scene.Build(mesh, nullptr);
  for (float x = 0.3f; x < 31; x += 3.7f) {
    for (float y = 0.6f; y < 31; y += 4.1f) {
      const float z = scene.SurfaceHeight(x, y);
      // Aimed at the surface from above and a little aside: it lands where it was aimed.
      const std::array<float, 3> origin = {x - 0.2f, y + 0.1f, z + 2};
      const Hit hit = Cast(scene, origin, {0.2f, -0.1f, -2});
      ASSERT_TRUE(hit.hit) << x << "," << y;
      EXPECT_NEAR(hit.x, x, 1e-3f) << x << "," << y;
      EXPECT_NEAR(hit.y, y, 1e-3f) << x << "," << y;
    }
  }
}

TEST(MeshSceneIntersect, ObliqueRayMeetsTheSlope) {
  const Mesh mesh = MakeMesh(2, 1, [](int x, int) { return 0.5f * x; });
  MeshScene scene;
  scene.Build(mesh, nullptr);
  // z = 40 - t, x = t meets z = x / 2 at t = 80 / 3.
  const Hit hit = Cast(scene, {0, 16.5f, 40}, {1, 0, -1});
  ASSERT_TRUE(hit.hit);
  EXPECT_NEAR(hit.x, 80.0f / 3, 1e-3f);
  EXPECT_NEAR(hit.y, 16.5f, 1e-4f);
}

TEST(MeshSceneIntersect, TheFirstSurfaceMetWinsOverLaterOnes) {
  // A ridge at x = 10: a ray along x at height 10 meets its rising side at x = 9.5 before
  // the falling side at 10.5.
  const Mesh mesh = MakeMesh(1, 1, [](int x, int) { return x == 10 ? 20.0f : 0.0f; });
  MeshScene scene;
  scene.Build(mesh, nullptr);
  Hit hit = Cast(scene, {0, 5.5f, 10}, {1, 0, 0});
  ASSERT_TRUE(hit.hit);
  EXPECT_NEAR(hit.x, 9.5f, 1e-4f);
  hit = Cast(scene, {31, 5.5f, 10}, {-1, 0, 0});
  ASSERT_TRUE(hit.hit);
  EXPECT_NEAR(hit.x, 10.5f, 1e-4f);
}

TEST(MeshSceneIntersect, RaysThatMissTheMeshSaySo) {
  const Mesh mesh = MakeMesh(1, 1, Flat);
  MeshScene scene;
  scene.Build(mesh, nullptr);
  EXPECT_FALSE(Cast(scene, {5, 5, 10}, {0, 0, 1}).hit);        // away from it
  EXPECT_FALSE(Cast(scene, {-5, 5, 10}, {0, 0, -1}).hit);      // beside it
  EXPECT_FALSE(Cast(scene, {5, 5, 1}, {0, 0, -1}).hit);        // below it, going down
  EXPECT_FALSE(Cast(scene, {5, 5, 10}, {1, 0, 0}).hit);        // above it, level
  EXPECT_FALSE(Cast(scene, {-10, 5, 10}, {1, 0, -0.1f}).hit);  // lands past the far edge
  EXPECT_FALSE(Cast(scene, {5, 5, 10}, {0, 0, 0}).hit);
}

TEST(MeshSceneDetail, ChangesMarkTheChunksThatShowThem) {
  const Mesh mesh = MakeMesh(3, 2, Flat);
  MeshScene scene;
  scene.Build(mesh, nullptr);
  auto revisions = [&] {
    std::vector<uint64_t> r;
    for (const MeshScene::Chunk& c : scene.chunks()) r.push_back(c.detail_revision);
    return r;
  };
  const std::vector<uint64_t> before = revisions();
  // Vertex column 32 is the far edge of chunk 0's last cells as well as chunk 1's own.
  scene.DetailChanged({32, 3, 33, 3});
  std::vector<uint64_t> after = revisions();
  EXPECT_GT(after[0], before[0]);
  EXPECT_GT(after[1], before[1]);
  EXPECT_EQ(after[2], before[2]);
  for (size_t i = 3; i < 6; ++i) EXPECT_EQ(after[i], before[i]);
  // Inside one chunk, away from its edges: that chunk only.
  scene.DetailChanged({40, 40, 41, 41});
  const std::vector<uint64_t> inside = revisions();
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(inside[i], after[i] + (i == 4 ? 1 : 0)) << i;
  // Rectangles reaching past the grid are clipped, empty ones change nothing.
  scene.DetailChanged({90, 60, 500, 500});
  scene.DetailChanged({});
  const std::vector<uint64_t> clipped = revisions();
  EXPECT_EQ(clipped[5], inside[5] + 1);
  EXPECT_EQ(clipped[0], inside[0]);
}

}  // namespace
