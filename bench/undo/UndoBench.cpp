// Undo benchmark: what the collection editor's history holds and costs for the commonest
// small edit, a rename, in a collection of 2,000 bitmaps of 64 × 64 shown by 100 sequences of
// 8 frames × 5 views.
//
//   undo_history_1000_renames   the bytes 1,000 recorded renames hold together, as the
//                               history would keep them (sum of CollectionChange::MemoryBytes)
//   undo_record_rename_2000     recording one rename: the change begun, the name set, finished
//
// Prints Google Benchmark's table on the error stream, then the figures with their targets on
// the standard output.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/support/BenchReport.h"
#include "collections/Collection.h"
#include "collections/CollectionChange.h"

namespace {

constexpr int kBitmaps = 2000;
constexpr int kRenames = 1000;

Collection Large() {
  Collection c;
  std::vector<uint8_t> pixels(64 * 64 * 2, 0);
  for (size_t i = 0; i < pixels.size(); i += 2) {
    pixels[i] = 255;
    pixels[i + 1] = static_cast<uint8_t>(1 + i % 250);
  }
  for (int i = 0; i < kBitmaps; ++i) {
    c.AddOrReplaceBitmap("bitmap " + std::to_string(i), 0x0004, pixels, 64, 64, 2, nullptr);
  }
  for (int s = 0; s < 100; ++s) {
    Sequence* sequence = c.AddSequence("sequence " + std::to_string(s));
    sequence->view_count = 5;
    sequence->frames.assign(8, sequence->NewFrame());
    for (size_t f = 0; f < sequence->frames.size(); ++f) {
      for (size_t v = 0; v < 5; ++v) {
        sequence->frames[f].views[v].bitmap =
            c.BitmapAt(static_cast<int>((s * 40 + f * 5 + v) % kBitmaps));
      }
    }
  }
  return c;
}

double HistoryKb() {
  Collection c = Large();
  std::vector<std::unique_ptr<CollectionChange>> history;
  size_t bytes = 0;
  for (int i = 0; i < kRenames; ++i) {
    auto change = std::make_unique<CollectionChange>(c);
    c.BitmapAt(i * 7 % kBitmaps)->SetName("renamed " + std::to_string(i));
    if (!change->Finish()) return -1.0;
    bytes += change->MemoryBytes();
    history.push_back(std::move(change));
  }
  return static_cast<double>(bytes) / 1024.0;
}

void BM_RecordRename(benchmark::State& state) {
  Collection c = Large();
  int i = 0;
  for (auto _ : state) {
    CollectionChange change(c);
    c.BitmapAt(i % kBitmaps)->SetName("renamed " + std::to_string(i));
    benchmark::DoNotOptimize(change.Finish());
    ++i;
  }
}
BENCHMARK(BM_RecordRename)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  Figure("undo_history_1000_renames", HistoryKb(), "KB", "<", 1024);
  Figure("undo_record_rename_2000", report.Ms("BM_RecordRename"), "ms", "<", 16);
  return 0;
}
