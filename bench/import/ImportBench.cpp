// zarv_importbench: how long `collection import` of 200 indexed 128 x 128 PNGs takes, into a
// new collection and into one of 2,000 bitmaps, beside the floor of only decoding them with the
// same reader. Half of the files bring a colour of their own, so the merge has to find the
// entries in use. bench/run-import.sh (make bench-import) runs it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/ColorImport.h"
#include "collections/DataFile.h"
#include "collections/ImageImport.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr int kSide = 128;
constexpr int kBitmaps = 2000;

// Entries 0-99 distinct, 100-255 repeats of entry 2: room for the files' new colours.
std::array<uint8_t, 768> BasePalette() {
  std::array<uint8_t, 768> palette{};
  for (int i = 0; i < 256; ++i) {
    const int c = i < 100 ? i : 2;
    palette[i * 3] = static_cast<uint8_t>(c * 2);
    palette[i * 3 + 1] = static_cast<uint8_t>(255 - c);
    palette[i * 3 + 2] = 40;
  }
  return palette;
}

struct Files {
  fs::path folder;
  std::vector<fs::path> paths;
  Files() {
    folder = fs::temp_directory_path() / "zarv_import_bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    uint32_t seed = 99;
    for (int f = 0; f < kFiles; ++f) {
      std::array<uint8_t, 768> palette = BasePalette();
      const bool brings_colour = f % 2 == 0;
      if (brings_colour) {
        palette[150 * 3] = static_cast<uint8_t>(f);
        palette[150 * 3 + 1] = 1;
        palette[150 * 3 + 2] = 200;
      }
      std::vector<uint8_t> pixels(kSide * kSide);
      for (uint8_t& p : pixels) {
        seed = seed * 1103515245 + 12345;
        const uint32_t r = (seed >> 16) % 100;
        p = r < 20 ? 0 : static_cast<uint8_t>(brings_colour && r < 25 ? 150 : 2 + r % 98);
      }
      Image image;
      image.setSize(kSide, kSide, ImageFormat::kIndexed, pixels.data());
      image.setPalette(256, palette.data());
      char name[32];
      std::snprintf(name, sizeof name, "sprite%03d.png", f);
      std::string error;
      paths.push_back(folder / name);
      DataFile::saveImage(paths.back(), image, error);
    }
  }
  ~Files() { fs::remove_all(folder); }
};

const Files& TheFiles() {
  static Files files;
  return files;
}

Collection& Large() {
  static Collection collection = [] {
    Collection c;
    c.palette = BasePalette();
    std::vector<uint8_t> pixels(kSide * kSide * 2);
    for (size_t i = 0; i < pixels.size(); i += 2) {
      pixels[i] = 255;
      pixels[i + 1] = static_cast<uint8_t>(2 + (i / 2) % 98);
    }
    for (int i = 0; i < kBitmaps; ++i)
      c.AddOrReplaceBitmap("b", 0, pixels, kSide, kSide, 2, nullptr);
    return c;
  }();
  return collection;
}

// Processor time of this thread: the machine is shared, and wall time would count the others.
double Now() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Decode() {
  const double start = Now();
  for (const fs::path& path : TheFiles().paths) {
    Image image;
    std::string message;
    ImageImport::loadColorImage(path, image, message);
    benchmark::DoNotOptimize(image.pixels().data());
  }
  return Now() - start;
}

double Import(Collection& c) {
  const auto palette = c.palette;
  const size_t count = c.bitmaps.size();
  std::vector<CollectionBitmap*> made;
  std::string message;
  const double start = Now();
  const bool ok = ColorImport::importColorImages(c, TheFiles().paths, {}, {}, made, message);
  const double seconds = Now() - start;
  if (!ok || made.size() != kFiles) std::fprintf(stderr, "import failed: %s\n", message.c_str());
  c.bitmaps.resize(count);
  c.palette = palette;
  return seconds;
}

void ImportDecodeFloor(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Decode());
}
BENCHMARK(ImportDecodeFloor)->Unit(benchmark::kMillisecond);

void ImportIntoNewCollection(benchmark::State& state) {
  for (auto _ : state) {
    Collection c;
    benchmark::DoNotOptimize(Import(c));
  }
}
BENCHMARK(ImportIntoNewCollection)->Unit(benchmark::kMillisecond);

void ImportIntoLargeCollection(benchmark::State& state) {
  Large();
  for (auto _ : state) benchmark::DoNotOptimize(Import(Large()));
}
BENCHMARK(ImportIntoLargeCollection)->Unit(benchmark::kMillisecond);

// The figures against their target, best of five runs each.
void ImportAgainstDecoding(benchmark::State& state) {
  for (auto _ : state) {
    double decode = 1e9, fresh = 1e9, large = 1e9;
    for (int i = 0; i < 5; ++i) {
      decode = std::min(decode, Decode());
      Collection c;
      fresh = std::min(fresh, Import(c));
      large = std::min(large, Import(Large()));
    }
    std::printf("import_decode_floor: %.1f ms (reference)\n", decode * 1e3);
    std::printf("import_200_png_new_collection: %.2f x decoding (target <= 1.5)\n", fresh / decode);
    std::printf("import_200_png_into_2000_bitmaps: %.2f x decoding (target <= 1.5)\n",
                large / decode);
  }
}
BENCHMARK(ImportAgainstDecoding)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
