// zarv_importbench: `collection import` of 200 indexed 128 x 128 PNGs, into a new collection
// and into one that already holds 2,000 bitmaps, beside the floor of only decoding the files
// with our PNG reader. bench/run-import.sh (make bench-import) prints the figures.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/BenchReport.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "collections/ColorImport.h"
#include "collections/DataFile.h"
#include "collections/ImageImport.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 200;
constexpr int kSide = 128;
constexpr int kExisting = 2000;

// One game palette for everything, as a modder's sprites share one: entries 0 and 1 are the
// transparent colours, the rest ramps of hues.
std::array<uint8_t, 768> GamePalette() {
  std::array<uint8_t, 768> p{};
  p[3] = 255, p[5] = 255;  // index 1: magenta
  for (int i = 2; i < 256; ++i) {
    p[i * 3] = static_cast<uint8_t>(i * 7);
    p[i * 3 + 1] = static_cast<uint8_t>(255 - i);
    p[i * 3 + 2] = static_cast<uint8_t>(i * 3 + 40);
  }
  return p;
}

// A round sprite on index 0, shaded across, different for every `seed`.
Image Sprite(int seed, const std::array<uint8_t, 768>& palette) {
  Image image;
  image.setSize(kSide, kSide, ImageFormat::kIndexed);
  image.setPalette(256, palette.data());
  std::span<uint8_t> p = image.mutablePixels();
  const int radius = 30 + seed % 33;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const int dx = x - kSide / 2, dy = y - kSide / 2;
      const bool inside = dx * dx + dy * dy <= radius * radius;
      p[size_t(y) * kSide + x] = inside ? static_cast<uint8_t>(2 + (x * 3 + y + seed) % 254) : 0;
    }
  }
  return image;
}

struct Files {
  fs::path folder;
  std::vector<fs::path> paths;
  Files() {
    folder = fs::temp_directory_path() / ("zarv-importbench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const auto palette = GamePalette();
    for (int i = 0; i < kFiles; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "sprite%03d.png", i);
      paths.push_back(folder / name);
      std::string error;
      if (!DataFile::saveImage(paths.back(), Sprite(i, palette), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::abort();
      }
    }
  }
  ~Files() { fs::remove_all(folder); }
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

void Fill(Collection& c, int count) {
  c = Collection{};
  c.palette = GamePalette();
  std::vector<uint8_t> pixels(size_t{kSide} * kSide * 2);
  for (int i = 0; i < count; ++i) {
    for (size_t k = 0; k < pixels.size(); k += 2) {
      const auto index = static_cast<uint8_t>(2 + (k / 2 + size_t(i)) % 254);
      pixels[k] = (k / 2) % 7 == 0 ? 0 : 255;
      pixels[k + 1] = pixels[k] ? index : 0;
    }
    c.AddOrReplaceBitmap("old " + std::to_string(i), collection_layout::kBitmapRle, pixels, kSide,
                         kSide, 2, nullptr);
  }
}

void BM_DecodeFloor(benchmark::State& state) {
  const Files& files = TheFiles();
  for (auto _ : state) {
    for (const fs::path& path : files.paths) {
      Image image;
      std::string error;
      benchmark::DoNotOptimize(DataFile::loadImage(path, image, error));
    }
  }
}
BENCHMARK(BM_DecodeFloor)->Unit(benchmark::kMillisecond);

void BM_Import(benchmark::State& state) {
  const Files& files = TheFiles();
  const int existing = static_cast<int>(state.range(0));
  Collection c;
  const ColorImport::AskReplace cancel = [](const std::string&) { return false; };
  for (auto _ : state) {
    state.PauseTiming();
    Fill(c, existing);
    state.ResumeTiming();
    // As the command does: every file is loaded and checked first, then imported in order.
    std::vector<Image> images(files.paths.size());
    std::string message;
    for (size_t i = 0; i < files.paths.size(); ++i) {
      if (!ImageImport::loadColorImage(files.paths[i], images[i], message)) {
        state.SkipWithError(message.c_str());
        return;
      }
    }
    for (size_t i = 0; i < files.paths.size(); ++i) {
      if (!ColorImport::importColor(c, images[i], files.paths[i].stem().string(), nullptr, cancel,
                                    files.paths[i].filename().string(), message)) {
        state.SkipWithError(message.c_str());
        return;
      }
    }
  }
}
BENCHMARK(BM_Import)->Arg(0)->Arg(kExisting)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  const double floor = report.Ms("BM_DecodeFloor");
  const double fresh = report.Ms("BM_Import/0");
  const double full = report.Ms("BM_Import/2000");
  if (floor > 0 && fresh > 0) {
    Figure("import_200_png_new_collection", fresh, "ms", "<=", 1.5 * floor);
    Figure("import_200_png_new_collection_vs_decode", fresh / floor, "x", "<=", 1.5);
  }
  if (floor > 0 && full > 0) {
    Figure("import_200_png_into_2000_bitmaps", full, "ms", "<=", 1.5 * floor);
    Figure("import_200_png_into_2000_bitmaps_vs_decode", full / floor, "x", "<=", 1.5);
  }
  return 0;
}
