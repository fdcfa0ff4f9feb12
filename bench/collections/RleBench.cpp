// How fast bitmap blocks are decoded and encoded, in bytes of decoded pixels (two per pixel)
// per second, beside a plain copy of the same bytes as the floor no codec can beat.

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/BitmapCodec.h"
#include "collections/CollectionBitmap.h"
#include "collections/CollectionLayout.h"

namespace {

// A sprite-like shape: each row holds a few opaque spans around a transparent background, and
// `soft` adds a fringe of partial alpha so the block is stored with 16-bit pixels.
CollectionBitmap Sprite(uint16_t side, bool soft) {
  CollectionBitmap bitmap;
  bitmap.width = side;
  bitmap.height = side;
  bitmap.flags = collection_layout::kBitmapRle;
  bitmap.pixels.assign(size_t{side} * side * 2, 0);
  uint32_t seed = 12345;
  for (size_t y = 0; y < side; ++y) {
    for (size_t x = 0; x < side; ++x) {
      const double dx = (x - side / 2.0) / (side / 2.0);
      const double dy = (y - side / 2.0) / (side / 2.0);
      const double r = dx * dx + dy * dy;
      // A ring-shaped body with a hole, so most rows hold two spans.
      if (r > 0.9 || r < 0.08) continue;
      seed = seed * 1103515245 + 12345;
      uint8_t* pixel = &bitmap.pixels[(y * side + x) * 2];
      pixel[0] = soft && r > 0.8 ? 136 : 255;
      pixel[1] = static_cast<uint8_t>(1 + (seed >> 16) % 254);
    }
  }
  bitmap.NormaliseAlpha();
  return bitmap;
}

std::vector<uint8_t> Block(const CollectionBitmap& bitmap) {
  ByteWriter out;
  BitmapCodec::Encode(bitmap, out);
  return out.Take();
}

void RleDecode(benchmark::State& state) {
  const CollectionBitmap source = Sprite(static_cast<uint16_t>(state.range(0)), state.range(1));
  const std::vector<uint8_t> block = Block(source);
  const std::array<uint8_t, 768> palette{};
  CollectionBitmap decoded;
  std::string error;
  for (auto _ : state) {
    if (!BitmapCodec::Decode(block, palette, decoded, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(decoded.pixels.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.pixels.size()));
  state.counters["block_bytes"] = static_cast<double>(block.size());
}

void RleEncode(benchmark::State& state) {
  const CollectionBitmap source = Sprite(static_cast<uint16_t>(state.range(0)), state.range(1));
  for (auto _ : state) {
    ByteWriter out;
    BitmapCodec::Encode(source, out);
    benchmark::DoNotOptimize(out.bytes().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.pixels.size()));
}

void PixelCopy(benchmark::State& state) {
  const size_t bytes = size_t(state.range(0)) * size_t(state.range(0)) * 2;
  const std::vector<uint8_t> source(bytes, 7);
  std::vector<uint8_t> target(bytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// Arguments: side of the square sprite, and 1 for 16-bit (partial alpha) pixels.
BENCHMARK(RleDecode)->ArgNames({"side", "soft"})->ArgsProduct({{64, 256}, {0, 1}});
BENCHMARK(RleEncode)->ArgNames({"side", "soft"})->ArgsProduct({{64, 256}, {0, 1}});
BENCHMARK(PixelCopy)->ArgName("side")->Arg(64)->Arg(256);

}  // namespace
