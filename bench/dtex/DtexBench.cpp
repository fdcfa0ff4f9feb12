// zarv_dtexbench: the detail texture codec on photo-like 256 x 256 and 1024 x 1024 textures,
// decoding and encoding in MB of pixels a second, beside a memcpy of the same pixels.
// bench/run-dtex.sh (make bench-dtex) runs it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/support/BenchReport.h"
#include "terrain/DtexCodec.h"

namespace {

// Smooth light and shapes with sensor-like noise: residuals mostly small, never all zero, as
// in a photographed ground texture.
std::vector<uint8_t> PhotoLike(uint32_t size) {
  std::vector<uint8_t> rgb(size_t{size} * size * 3);
  std::mt19937 random(7);
  std::normal_distribution<float> noise(0.0f, 5.0f);
  for (uint32_t y = 0; y < size; ++y) {
    for (uint32_t x = 0; x < size; ++x) {
      const float u = float(x) / size, v = float(y) / size;
      const float stones = std::sin(u * 31.0f) * std::sin(v * 27.0f) > 0.6f ? 40.0f : 0.0f;
      const float light = 60 * std::sin(u * 6.0f + v * 4.0f);
      const float base[3] = {120 + light + stones, 100 + light * 0.8f + stones, 70 + light * 0.5f};
      for (int c = 0; c < 3; ++c) {
        const float value = base[c] + noise(random);
        rgb[(size_t{y} * size + x) * 3 + c] = static_cast<uint8_t>(value < 0     ? 0
                                                                   : value > 255 ? 255
                                                                                 : value);
      }
    }
  }
  return rgb;
}

const std::vector<uint8_t>& Pixels(uint32_t size) {
  static const std::vector<uint8_t> small = PhotoLike(256);
  static const std::vector<uint8_t> large = PhotoLike(1024);
  return size == 256 ? small : large;
}

void BM_Decode(benchmark::State& state) {
  const auto size = static_cast<uint32_t>(state.range(0));
  const std::vector<uint8_t> payload = DtexCodec::Encode(size, size, Pixels(size));
  DtexCodec::Decoded out;
  std::string error;
  for (auto _ : state) {
    if (!DtexCodec::Decode(payload, out, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(out.rgb.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{size} * size * 3);
}
BENCHMARK(BM_Decode)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State& state) {
  const auto size = static_cast<uint32_t>(state.range(0));
  const std::vector<uint8_t>& rgb = Pixels(size);
  for (auto _ : state) {
    std::vector<uint8_t> payload = DtexCodec::Encode(size, size, rgb);
    benchmark::DoNotOptimize(payload.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{size} * size * 3);
}
BENCHMARK(BM_Encode)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& state) {
  const auto size = static_cast<uint32_t>(state.range(0));
  const std::vector<uint8_t>& rgb = Pixels(size);
  std::vector<uint8_t> copy(rgb.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), rgb.data(), rgb.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{size} * size * 3);
}
BENCHMARK(BM_Memcpy)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  for (int size : {256, 1024}) {
    const double megabytes = double(size) * size * 3 / 1e6;
    const std::string arg = "/" + std::to_string(size);
    const double copy = megabytes / (report.Ms("BM_Memcpy" + arg) / 1e3);
    const std::string label = std::to_string(size) + "x" + std::to_string(size);
    std::printf("dtex memcpy %s: %.1f MB/s (beside the codec)\n", label.c_str(), copy);
    Figure(("dtex decode " + label).c_str(), megabytes / (report.Ms("BM_Decode" + arg) / 1e3),
           "MB/s", ">=", 60);
    Figure(("dtex encode " + label).c_str(), megabytes / (report.Ms("BM_Encode" + arg) / 1e3),
           "MB/s", ">=", 15);
  }
  const std::vector<uint8_t>& rgb = Pixels(1024);
  int mode = 0;
  const size_t payload = DtexCodec::Encode(1024, 1024, rgb, &mode).size();
  std::printf("dtex payload 1024x1024: %zu bytes of %zu (%.1f %%), mode %d\n", payload, rgb.size(),
              100.0 * double(payload) / double(rgb.size()), mode);
  return 0;
}
