// zarv_soundbench: decoding IMA4 sound tags in MB of decoded samples a second (a minute of
// stereo at 22050 Hz, read from tag data as the sound editor opens it), and encoding the same;
// and how long the sound viewer's Play holds the window for that minute (the samples handed to
// OpenAL and started). bench/run-sound.sh (make bench-sound) runs it, with OpenAL Soft's
// file-writing backend standing in for a sound card.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "bench/support/BenchReport.h"
#include "sound/OpenAlOutput.h"
#include "sound/SoundTag.h"

namespace {

constexpr size_t kFrames = 22050 * 60;

const std::vector<int16_t>& Music() {
  static const std::vector<int16_t> samples = [] {
    std::vector<int16_t> out(kFrames * 2);
    for (size_t i = 0; i < kFrames; ++i) {
      const double t = double(i) / 22050;
      const double chord =
          std::sin(2 * std::numbers::pi * 220 * t) +
          0.5 * std::sin(2 * std::numbers::pi * 277 * t) +
          0.3 * std::sin(2 * std::numbers::pi * 330 * t * (1 + 0.01 * std::sin(t)));
      out[2 * i] = int16_t(8000 * chord);
      out[2 * i + 1] = int16_t(-7000 * chord);
    }
    return out;
  }();
  return samples;
}

const std::vector<uint8_t>& TagData() {
  static const std::vector<uint8_t> data = [] {
    SoundTag tag;
    tag.permutations.push_back(SoundTag::Encode("Minute", 2, 22050, Music()));
    return tag.Write();
  }();
  return data;
}

void BM_ReadTag(benchmark::State& state) {
  const std::vector<uint8_t>& data = TagData();
  size_t bytes = 0;
  for (auto _ : state) {
    SoundTag tag;
    std::string error;
    if (!SoundTag::Read(data, tag, error)) state.SkipWithError(error.c_str());
    bytes = tag.permutations[0].samples.size() * 2;
    benchmark::DoNotOptimize(tag.permutations[0].samples.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * bytes));
}
BENCHMARK(BM_ReadTag)->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State& state) {
  for (auto _ : state) {
    SoundPermutation p = SoundTag::Encode("Minute", 2, 22050, Music());
    benchmark::DoNotOptimize(p.compressed.data());
  }
}
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);

std::unique_ptr<OpenAlOutput>& Output() {
  static std::unique_ptr<OpenAlOutput> out = [] {
    std::string why;
    std::unique_ptr<OpenAlOutput> o = OpenAlOutput::Open(why);
    if (!o) std::fprintf(stderr, "zarv_soundbench: no sound output (%s)\n", why.c_str());
    return o;
  }();
  return out;
}

void BM_PlayStart(benchmark::State& state) {
  OpenAlOutput* out = Output().get();
  if (!out) {
    state.SkipWithError("no sound output");
    return;
  }
  for (auto _ : state) {
    std::string error;
    if (!out->Play(Music(), 2, 22050, error)) state.SkipWithError(error.c_str());
    state.PauseTiming();
    out->Stop();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PlayStart)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  const double megabytes = double(Music().size() * 2) / 1e6;
  Figure("sound decode", megabytes / (report.Ms("BM_ReadTag") / 1e3), "MB/s", ">=", 200);
  std::printf("sound encode: %.1f MB/s (with a decode, for tests and the demo)\n",
              megabytes / (report.Ms("BM_Encode") / 1e3));
  if (Output())
    Figure("sound play start, a minute of stereo", report.Ms("BM_PlayStart"), "ms", "<=", 20);
  Output().reset();
  return 0;
}
