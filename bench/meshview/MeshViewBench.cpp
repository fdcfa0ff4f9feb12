// The mesh view's share of one brush application on a 4 x 3-chunk mesh (128 x 96 cells):
//
//   meshview_chunk_detail_build          building one chunk's detail passes afresh
//   meshview_brush_rebuild_r2            a radius-2 brush applied over the corner where four
//                                        chunks meet, then the detail passes of every chunk
//                                        whose detail changed rebuilt (as the next frame does)
//   meshview_brush_rebuild_r10           the same with radius 10
//   meshview_brush_rebuild_r2_triangles  radius 2 over triangles
//
// Prints Google Benchmark's table on the error stream, then the figures with their targets on
// the standard output.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/support/BenchReport.h"
#include "terrain/DetailBrush.h"
#include "terrain/MeshScene.h"
#include "terrain/ui/MeshChunkGeometry.h"

namespace {

struct Setup {
  Mesh mesh;
  MeshScene scene;
  DetailMap map;
  std::vector<MeshChunkGeometry> geometry;

  Setup() {
    mesh.chunks_wide = 4;
    mesh.chunks_high = 3;
    mesh.cells.resize(size_t(mesh.cellsWide()) * mesh.cellsHigh());
    for (int y = 0; y < mesh.cellsHigh(); ++y) {
      for (int x = 0; x < mesh.cellsWide(); ++x) {
        mesh.cells[size_t(y) * mesh.cellsWide() + x].value0 =
            static_cast<uint16_t>(2048 + ((x * 37 + y * 91) % 700));
      }
    }
    scene.Build(mesh, nullptr);
    map.Reset(uint32_t(mesh.cellsWide()), uint32_t(mesh.cellsHigh()));
    // Patches of a few slots, as a painted map has.
    for (size_t i = 0; i < map.vertex.size(); ++i) map.vertex[i] = uint8_t((i / 7 + i / 900) % 5);
    for (size_t i = 0; i < map.triangle.size(); ++i) map.triangle[i] = uint8_t((i / 11) % 3);
    geometry.resize(scene.chunks().size());
    for (size_t i = 0; i < geometry.size(); ++i) {
      geometry[i].BuildSurface(scene, scene.chunks()[i]);
      geometry[i].BuildDetail(scene, scene.chunks()[i], &map);
    }
  }

  int RebuildChanged() {
    int rebuilt = 0;
    for (size_t i = 0; i < geometry.size(); ++i) {
      if (geometry[i].built_revision == scene.chunks()[i].detail_revision) continue;
      geometry[i].BuildDetail(scene, scene.chunks()[i], &map);
      ++rebuilt;
    }
    return rebuilt;
  }
};

void BM_ChunkDetailBuild(benchmark::State& state) {
  Setup setup;
  for (auto _ : state) {
    setup.geometry[5].BuildDetail(setup.scene, setup.scene.chunks()[5], &setup.map);
    benchmark::DoNotOptimize(setup.geometry[5].detail.data());
  }
}
BENCHMARK(BM_ChunkDetailBuild)->Unit(benchmark::kMicrosecond);

void BrushAndRebuild(benchmark::State& state, float radius, DetailLayer layer) {
  Setup setup;
  SlotProtection protection{};
  DetailBrush brush{.x = 64.2f, .y = 32.4f, .radius = radius, .layer = layer};
  int rebuilt = 0;
  for (auto _ : state) {
    brush.material = brush.material == 7 ? 9 : 7;  // every application changes the values
    const CellRect rect = brush.Apply(setup.map, protection, false);
    setup.scene.DetailChanged(rect);
    rebuilt = setup.RebuildChanged();
    benchmark::DoNotOptimize(setup.map.vertex.data());
  }
  state.counters["chunks"] = rebuilt;
}
void BM_BrushRebuildR2(benchmark::State& state) {
  BrushAndRebuild(state, 2, DetailLayer::kVertex);
}
void BM_BrushRebuildR10(benchmark::State& state) {
  BrushAndRebuild(state, 10, DetailLayer::kVertex);
}
void BM_BrushRebuildR2Triangles(benchmark::State& state) {
  BrushAndRebuild(state, 2, DetailLayer::kTriangle);
}
BENCHMARK(BM_BrushRebuildR2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BrushRebuildR10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BrushRebuildR2Triangles)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  Figure("meshview_chunk_detail_build", report.Ms("BM_ChunkDetailBuild") * 1e3, "us", "<", 500);
  Figure("meshview_brush_rebuild_r2", report.Ms("BM_BrushRebuildR2") * 1e3, "us", "<", 2000);
  Figure("meshview_brush_rebuild_r10", report.Ms("BM_BrushRebuildR10") * 1e3, "us", "<", 2000);
  Figure("meshview_brush_rebuild_r2_triangles", report.Ms("BM_BrushRebuildR2Triangles") * 1e3, "us",
         "<", 2000);
  return 0;
}
