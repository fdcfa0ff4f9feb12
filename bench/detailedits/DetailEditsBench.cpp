// Detail map editing benchmark on a 2048 x 2048 vertex map:
//
//   detail_fill_uniform_2048     a flood fill of the whole map, one value everywhere
//   detail_fill_comb_2048        a flood fill of a comb: one-cell columns of the old value,
//                                every other column, joined along the top row (2 million spans)
//   detail_fill_*_undo_2048      writing the fill's spans back with the old value
//   detail_brush_r10             one application of a circular brush of radius 10, vertices
//   detail_brush_r10_triangles   the same over triangles
//
// Prints Google Benchmark's table on the error stream, then the figures with their targets on
// the standard output.
#include <benchmark/benchmark.h>

#include "bench/support/BenchReport.h"
#include "terrain/DetailBrush.h"
#include "terrain/DetailFill.h"
#include "terrain/DetailMap.h"

namespace {

constexpr uint32_t kSize = 2048;

DetailMap Uniform() {
  DetailMap map;
  map.width = kSize;
  map.height = kSize;
  map.vertex.assign(size_t(kSize) * kSize, 0);
  map.triangle.assign(size_t(kSize) * kSize * 2, 0);
  return map;
}

DetailMap Comb() {
  DetailMap map = Uniform();
  for (uint32_t y = 1; y < kSize; ++y) {
    for (uint32_t x = 1; x < kSize; x += 2) map.vertex[size_t(y) * kSize + x] = 1;
  }
  return map;
}

// Each run fills the region with the other of two values, so every run fills all of it.
void FillAgain(benchmark::State& state, DetailMap map) {
  DetailFill fill;
  uint8_t value = 2;
  for (auto _ : state) {
    if (!fill.Run(map, DetailLayer::kVertex, 0, 0, value)) {
      state.SkipWithError("nothing was filled");
      return;
    }
    value = value == 2 ? 0 : 2;
    benchmark::DoNotOptimize(map.vertex.data());
  }
  state.counters["spans"] = static_cast<double>(fill.spans.size());
}

void UndoAgain(benchmark::State& state, DetailMap map) {
  DetailFill fill;
  if (!fill.Run(map, DetailLayer::kVertex, 0, 0, 2)) {
    state.SkipWithError("nothing was filled");
    return;
  }
  bool undo = true;
  for (auto _ : state) {
    fill.Write(map, DetailLayer::kVertex, undo ? fill.old_value : fill.new_value);
    undo = !undo;
    benchmark::DoNotOptimize(map.vertex.data());
  }
}

void BM_FillUniform(benchmark::State& state) {
  FillAgain(state, Uniform());
}
void BM_FillComb(benchmark::State& state) {
  FillAgain(state, Comb());
}
void BM_FillUniformUndo(benchmark::State& state) {
  UndoAgain(state, Uniform());
}
void BM_FillCombUndo(benchmark::State& state) {
  UndoAgain(state, Comb());
}
BENCHMARK(BM_FillUniform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillComb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillUniformUndo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillCombUndo)->Unit(benchmark::kMillisecond);

void Brush(benchmark::State& state, DetailLayer layer) {
  DetailMap map = Uniform();
  const SlotProtection protection{};
  DetailBrush brush{.x = 1000.3f, .y = 1000.6f, .radius = 10, .layer = layer};
  uint8_t material = 1;
  for (auto _ : state) {
    brush.material = material;
    material = material == 1 ? 2 : 1;
    benchmark::DoNotOptimize(brush.Apply(map, protection, false));
  }
}
void BM_Brush(benchmark::State& state) {
  Brush(state, DetailLayer::kVertex);
}
void BM_BrushTriangles(benchmark::State& state) {
  Brush(state, DetailLayer::kTriangle);
}
BENCHMARK(BM_Brush)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BrushTriangles)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  Figure("detail_fill_uniform_2048", report.Ms("BM_FillUniform"), "ms", "<", 30);
  Figure("detail_fill_comb_2048", report.Ms("BM_FillComb"), "ms", "<", 300);
  Figure("detail_fill_uniform_undo_2048", report.Ms("BM_FillUniformUndo"), "ms", "<", 30);
  Figure("detail_fill_comb_undo_2048", report.Ms("BM_FillCombUndo"), "ms", "<", 300);
  // In microseconds: one application takes well under the millisecond the table would round to.
  Figure("detail_brush_r10", report.Ms("BM_Brush") * 1e3, "us", "<", 2000);
  Figure("detail_brush_r10_triangles", report.Ms("BM_BrushTriangles") * 1e3, "us", "<", 2000);
  return 0;
}
