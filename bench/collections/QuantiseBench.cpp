// Quantising a photograph-like picture to 256 colours with error diffusion, the work done by
// every true-colour import.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "collections/ColorQuantiser.h"
#include "collections/Image.h"

namespace {

// Smooth gradients and shapes with sensor-like noise: about as many distinct colours as a
// real photograph of this size, which is what makes quantising slow.
Image PhotoLike(uint32_t size) {
  Image image;
  image.setSize(size, size, ImageFormat::kRgb);
  std::span<uint8_t> p = image.mutablePixels();
  std::mt19937 random(7);
  std::normal_distribution<float> noise(0.0f, 6.0f);
  for (uint32_t y = 0; y < size; ++y) {
    for (uint32_t x = 0; x < size; ++x) {
      const float u = float(x) / size, v = float(y) / size;
      const float sky = 1.0f - v;
      const float hill = std::sin(u * 9.0f) * 0.1f + 0.6f < v ? 1.0f : 0.0f;
      const float sun = std::exp(-((u - 0.7f) * (u - 0.7f) + (v - 0.2f) * (v - 0.2f)) * 40.0f);
      const float rgb[3] = {90 * sky + 60 * hill + 160 * sun + 40 * u,
                            120 * sky + 110 * hill + 140 * sun + 30 * std::sin(v * 20.0f),
                            200 * sky + 30 * hill + 40 * sun};
      for (int c = 0; c < 3; ++c) {
        const float value = rgb[c] + noise(random);
        p[(size_t{y} * size + x) * 3 + c] = static_cast<uint8_t>(value < 0     ? 0
                                                                 : value > 255 ? 255
                                                                               : value);
      }
    }
  }
  return image;
}

void BM_QuantiseAndDither(benchmark::State& state) {
  const auto size = static_cast<uint32_t>(state.range(0));
  const Image source = PhotoLike(size);
  for (auto _ : state) {
    Image image = source;
    benchmark::DoNotOptimize(image.convert(ImageFormat::kIndexed));
    benchmark::DoNotOptimize(image.pixels().data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{size} * size);
}
BENCHMARK(BM_QuantiseAndDither)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_PaletteOnly(benchmark::State& state) {
  const Image source = PhotoLike(2048);
  ColorQuantiser::Palette palette;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ColorQuantiser::BuildPalette(source.pixels(), 256, palette));
  }
}
BENCHMARK(BM_PaletteOnly)->Unit(benchmark::kMillisecond);

void BM_DitherOnly(benchmark::State& state) {
  const Image source = PhotoLike(2048);
  ColorQuantiser::Palette palette;
  const uint32_t count = ColorQuantiser::BuildPalette(source.pixels(), 256, palette);
  std::vector<uint8_t> out(size_t{2048} * 2048);
  for (auto _ : state) {
    ColorQuantiser::MapWithDiffusion(source.pixels(), 2048, 2048, palette, count, out.data(), 1);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_DitherOnly)->Unit(benchmark::kMillisecond);

}  // namespace
