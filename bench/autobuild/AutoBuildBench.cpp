// zarv_autobuildbench: how long the build tool takes over 8 sequences x 8 views x 16 frames
// (1,024 indexed 128 x 128 PNGs, each with a greyscale alpha PNG), and the up-res tool over
// 256 x 256 renders of the same sprites, each beside the floor of only decoding its files with
// our PNG reader. The up-res runs at target scale 2 (the renders keep their size) and at 1
// (every render is resampled to half). bench/run-autobuild.sh (make bench-autobuild) runs it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "collections/CollectionBuilder.h"
#include "collections/CollectionUpRes.h"
#include "collections/DataFile.h"
#include "collections/SequenceFolder.h"
#include "tags/TagHeader.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSequences = 8, kViews = 8, kFrames = 16;

// A render palette: entry 0 the background, the rest a ramp of sprite colours.
std::array<uint8_t, 768> RenderPalette() {
  std::array<uint8_t, 768> p{};
  p[0] = 255, p[1] = 0, p[2] = 255;
  p[3] = 0, p[4] = 255, p[5] = 255;
  for (int i = 2; i < 256; ++i) {
    p[i * 3] = static_cast<uint8_t>(i);
    p[i * 3 + 1] = static_cast<uint8_t>((i * 7) & 255);
    p[i * 3 + 2] = static_cast<uint8_t>(255 - i);
  }
  return p;
}

// A sprite of sequence s, view v, frame f drawn at `side` pixels: an ellipse that moves and
// turns with the frame and view, shaded by position, with a soft alpha edge.
void Draw(int s, int v, int f, uint32_t side, Image& color, Image& alpha) {
  std::vector<uint8_t> index(size_t{side} * side), a(size_t{side} * side);
  const double k = side / 128.0;
  const double cx = (50 + f * 2 + v) * k, cy = (60 + s * 2) * k;
  const double rx = (20 + v * 2) * k, ry = (30 + (f % 5)) * k;
  for (uint32_t y = 0; y < side; ++y) {
    for (uint32_t x = 0; x < side; ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      const double d = std::sqrt(dx * dx + dy * dy);
      const size_t i = size_t{y} * side + x;
      if (d >= 1.0) continue;
      index[i] = static_cast<uint8_t>(
          2 + (static_cast<int>(x / k) + 3 * static_cast<int>(y / k) + s * 11 + v * 5 + f) % 254);
      a[i] = static_cast<uint8_t>(d > 0.9 ? (1.0 - d) * 10 * 255 : 255);
    }
  }
  const std::array<uint8_t, 768> palette = RenderPalette();
  color.setSize(side, side, ImageFormat::kIndexed, index.data());
  color.setPalette(256, palette.data());
  alpha.setSize(side, side, ImageFormat::kGreyscale, a.data());
}

struct Renders {
  fs::path root;
  std::vector<fs::path> files;  // colour and alpha, for the decode floor
};

Renders Write(const char* name, uint32_t side) {
  Renders r;
  r.root = fs::temp_directory_path() / name;
  fs::remove_all(r.root);
  for (int s = 0; s < kSequences; ++s) {
    const fs::path folder = r.root / ("seq" + std::to_string(s) + " (8,16)");
    fs::create_directories(folder / "bitmaps");
    fs::create_directories(folder / "alphas");
    for (int f = 0; f < kFrames; ++f) {
      for (int v = 0; v < kViews; ++v) {
        Image color, alpha;
        Draw(s, v, f, side, color, alpha);
        char file[32];
        std::snprintf(file, sizeof file, "r%03d.png", f * kViews + v);
        std::string error;
        r.files.push_back(folder / "bitmaps" / file);
        DataFile::saveImage(r.files.back(), color, error);
        r.files.push_back(folder / "alphas" / file);
        DataFile::saveImage(r.files.back(), alpha, error);
      }
    }
  }
  return r;
}

const Renders& Standard() {
  static const Renders r = Write("zarv_autobuild_bench_std", 128);
  return r;
}
const Renders& HighRes() {
  static const Renders r = Write("zarv_autobuild_bench_hi", 256);
  return r;
}

// Processor time of this thread: the machine is shared, and wall time would count the others.
double Now() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Decode(const Renders& r) {
  const double start = Now();
  for (const fs::path& path : r.files) {
    Image image;
    std::string error;
    DataFile::loadImage(path, image, error);
    benchmark::DoNotOptimize(image.pixels().data());
  }
  return Now() - start;
}

// The build, saved into memory as a save into the local folder would encode it.
double Build(std::vector<uint8_t>* saved = nullptr) {
  MessageCapture quiet;
  const double start = Now();
  CollectionBuilder builder(Standard().root,
                            {"Bench", 64, 100, false, BitmapOrder::kFramesThenViews});
  while (builder.Next()) {
  }
  builder.Finish([&](Collection& c) {
    ByteWriter out;
    TagHeader header = TagHeader::Fresh();
    std::string error;
    const bool ok = c.Save(out, header, error);
    if (saved) *saved = out.Take();
    return ok;
  });
  const double seconds = Now() - start;
  if (builder.Built() != kSequences) std::fprintf(stderr, "build: %d built\n", builder.Built());
  return seconds;
}

double UpRes(const std::vector<uint8_t>& tag, double target) {
  Collection c;
  std::string error;
  TagHeader header = TagHeader::Fresh();
  if (!c.Load(tag, header, true, error)) std::fprintf(stderr, "load: %s\n", error.c_str());
  MessageCapture quiet;
  const double start = Now();
  CollectionUpRes upres(c, HighRes().root, {"Bench", target, 0.05});
  while (upres.Next()) {
  }
  const bool ok = upres.Finish([](Collection& done) {
    ByteWriter out;
    TagHeader h = TagHeader::Fresh();
    std::string e;
    return done.Save(out, h, e);
  });
  const double seconds = Now() - start;
  if (!ok) std::fprintf(stderr, "up-res failed:\n%s", quiet.text().c_str());
  return seconds;
}

void AutoBuildAgainstDecoding(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<uint8_t> tag;
    Build(&tag);
    double decode = 1e9, build = 1e9, hi_decode = 1e9, kept = 1e9, halved = 1e9;
    for (int i = 0; i < 3; ++i) {
      decode = std::min(decode, Decode(Standard()));
      build = std::min(build, Build());
      hi_decode = std::min(hi_decode, Decode(HighRes()));
      kept = std::min(kept, UpRes(tag, 2.0));
      halved = std::min(halved, UpRes(tag, 1.0));
    }
    std::printf("autobuild_decode_floor: %.1f ms (reference, 1,024 renders and their alphas)\n",
                decode * 1e3);
    std::printf("collection_build_1024_png: %.2f x decoding (target <= 1.5)\n", build / decode);
    std::printf("upres_decode_floor: %.1f ms (reference, 1,024 256 x 256 renders and alphas)\n",
                hi_decode * 1e3);
    std::printf("collection_upres_1024_png_scale_2: %.2f x decoding (target <= 2)\n",
                kept / hi_decode);
    std::printf("collection_upres_1024_png_resampled: %.2f x decoding (target <= 2)\n",
                halved / hi_decode);
  }
}
BENCHMARK(AutoBuildAgainstDecoding)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
