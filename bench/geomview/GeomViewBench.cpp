// Geometry viewer benchmark: one frame's projection and far-to-near sort of 65,535 triangles
// (the most a geometry holds) over 32,768 vertices, a rough sphere of small triangles seen
// from a turned camera, so that depths are spread and the sort has real work.
//
// Prints Google Benchmark's table on the error stream, then the figures with their targets on
// the standard output.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "bench/support/BenchReport.h"
#include "models/ui/GeomCamera.h"

namespace {

constexpr size_t kTriangles = 65535;
constexpr size_t kVertices = 32768;

ModelMesh MakeMesh() {
  ModelMesh mesh;
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (size_t i = 0; i < kVertices; ++i) {
    const float a = unit(random) * 2 * std::numbers::pi_v<float>;
    const float z = unit(random) * 2 - 1;
    const float r = std::sqrt(1 - z * z);
    mesh.vertices.push_back({20 * r * std::cos(a), 20 * r * std::sin(a), 20 * z});
  }
  std::uniform_int_distribution<uint32_t> vertex(0, kVertices - 1);
  for (size_t t = 0; t < kTriangles; ++t) {
    ModelMesh::Triangle triangle;
    for (auto& corner : triangle.corners) corner.vertex = vertex(random);
    mesh.triangles.push_back(triangle);
  }
  mesh.box_min = {-20, -20, -20};
  mesh.box_max = {20, 20, 20};
  return mesh;
}

void BM_ProjectAndSort(benchmark::State& state) {
  const ModelMesh mesh = MakeMesh();
  GeomCamera camera;
  camera.Reset(mesh.box_min, mesh.box_max);
  camera.Rotate(37, 21);
  std::vector<uint32_t> order;
  std::vector<float> depths;
  for (auto _ : state) {
    camera.DepthOrder(mesh, 400, 400, order, depths);
    benchmark::DoNotOptimize(order.data());
  }
  if (order.size() != kTriangles) state.SkipWithError("triangles went missing");
}
BENCHMARK(BM_ProjectAndSort)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  Figure("geomview_project_sort_65535", report.Ms("BM_ProjectAndSort"), "ms", "<", 10);
  return 0;
}
