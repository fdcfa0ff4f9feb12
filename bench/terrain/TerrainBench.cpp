// Reading and writing the detail map of a 64 x 64-chunk mesh (2048 x 2048 vertices), the
// largest the editor meets: once painted as a map made from the terrain looks (regions of one
// slot with ragged edges), once with a new value at every vertex, the most runs there can be.

#include <cstdint>
#include <string>
#include <vector>

#include "bench/support/BenchReport.h"
#include "tags/TagHeader.h"
#include "terrain/DetailMap.h"

namespace {

constexpr uint32_t kSide = 64 * 32;

uint32_t Hash(uint32_t x, uint32_t y) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  return h ^ (h >> 15);
}

// Regions of 24 x 24 vertices, each one slot, with every twentieth vertex another: runs from one
// to a few dozen values long.
DetailMap Painted() {
  DetailMap map;
  map.Reset(kSide, kSide);
  for (uint32_t y = 0; y < kSide; ++y) {
    for (uint32_t x = 0; x < kSide; ++x) {
      const uint32_t h = Hash(x, y);
      const uint8_t region = static_cast<uint8_t>(1 + Hash(x / 24, y / 24) % 16);
      const uint8_t value = h % 20 == 0 ? static_cast<uint8_t>(1 + h % 16) : region;
      map.vertex[size_t(y) * kSide + x] = value;
      map.triangle[(size_t(y) * kSide + x) * 2] = value;
      map.triangle[(size_t(y) * kSide + x) * 2 + 1] = value;
    }
  }
  for (int i = 1; i <= 16; ++i) map.slots[size_t(i)].SetName("texture " + std::to_string(i));
  return map;
}

DetailMap Alternating() {
  DetailMap map;
  map.Reset(kSide, kSide);
  for (size_t i = 0; i < map.vertex.size(); ++i) map.vertex[i] = static_cast<uint8_t>(i & 1);
  for (size_t i = 0; i < map.triangle.size(); ++i) map.triangle[i] = static_cast<uint8_t>(i & 1);
  return map;
}

void Write(benchmark::State& state, const DetailMap& map) {
  TagHeader header;
  size_t bytes = 0;
  for (auto _ : state) {
    std::vector<uint8_t> data = map.Write(header);
    bytes = data.size();
    benchmark::DoNotOptimize(data.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void Read(benchmark::State& state, const DetailMap& map) {
  TagHeader header;
  const std::vector<uint8_t> data = map.Write(header);
  for (auto _ : state) {
    DetailMap back;
    std::string error;
    if (!DetailMap::Read(data, header, back, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    benchmark::DoNotOptimize(back.vertex.data());
  }
}

void BM_WritePainted(benchmark::State& state) {
  Write(state, Painted());
}
void BM_ReadPainted(benchmark::State& state) {
  Read(state, Painted());
}
void BM_WriteAlternating(benchmark::State& state) {
  Write(state, Alternating());
}
void BM_ReadAlternating(benchmark::State& state) {
  Read(state, Alternating());
}
BENCHMARK(BM_WritePainted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPainted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteAlternating)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAlternating)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  Figure("dmap_read_2048x2048", report.Ms("BM_ReadPainted"), "ms", "<", 50);
  Figure("dmap_write_2048x2048", report.Ms("BM_WritePainted"), "ms", "<", 50);
  Figure("dmap_read_2048x2048_every_value_a_run", report.Ms("BM_ReadAlternating"), "ms", "<", 50);
  Figure("dmap_write_2048x2048_every_value_a_run", report.Ms("BM_WriteAlternating"), "ms", "<", 50);
  return 0;
}
