// Chooser benchmark: the open chooser on a folder of 20,000 files in a headless window manager
// that draws into a painter which throws everything away. Timed from the call until the first
// frame with the chooser on it has been drawn: listing, sorting in natural order, converting
// the names for display, building the dialog and drawing its visible rows.
//
// Prints Google Benchmark's table on the error stream, then the figure with its target on the
// standard output.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "bench/support/BenchReport.h"
#include "bench/support/HeadlessGui.h"
#include "gui/ChooserDialog.h"
#include "gui/Choosers.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/ListWindow.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tests/support/MonoFont.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 20000;

// Draws as the program does; the first frame that shows a chooser stops the clock and closes
// the chooser.
class StopwatchRenderer : public Renderer {
 public:
  bool Render(WindowManager& wm) override {
    const bool drew = tree.Render(wm);
    auto* dialog = dynamic_cast<ChooserDialog*>(wm.TopModalWindow());
    if (drew && running && dialog) {
      rows = dialog->List()->ItemCount();
      elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      running = false;
      wm.EndModal(wm.TopModalWindow(), 0);
    }
    return drew;
  }
  TreeRenderer tree;
  Clock::time_point start;
  bool running = false;
  double elapsed = 0;
  int32_t rows = 0;
};

// A folder of files named as exported frames are ("frame 1.png" ...), made once.
fs::path BigFolder() {
  static fs::path folder = [] {
    std::string pattern = (fs::temp_directory_path() / "zarv-chooserbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    for (int i = 0; i < kFiles; ++i) {
      std::ofstream(fs::path(pattern) / ("frame " + std::to_string(i) + ".png"));
    }
    return fs::path(pattern);
  }();
  return folder;
}

void BM_OpenChooser(benchmark::State& state) {
  const fs::path folder = BigFolder();
  BenchPlatform platform;
  StopwatchRenderer renderer;
  NullPainter painter;
  Font font{MonoFontData(8, 15)};
  SetCurrentPainter(&painter);
  SetDefaultFont(&font);
  auto wm = std::make_unique<WindowManager>(platform, &renderer);
  wm->ResizeScreen(1024, 768);
  wm->SetInputDisabled(false);
  for (auto _ : state) {
    ChosenFile file{(folder / "").string(), 0, 0};
    renderer.start = Clock::now();
    renderer.running = true;
    ChooseOpenFile(nullptr, file, FileKindId::kAny, nullptr);
    wm->PumpOnce();  // the closed chooser is deleted
    state.SetIterationTime(renderer.elapsed);
    if (renderer.rows != kFiles) state.SkipWithError("the chooser did not list every file");
  }
  wm.reset();
  SetCurrentPainter(nullptr);
  SetDefaultFont(nullptr);
}
BENCHMARK(BM_OpenChooser)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
  BenchReport report;
  const bool ran = report.RunAll(argc, argv);
  std::error_code ec;
  fs::remove_all(BigFolder(), ec);
  if (!ran) return 1;
  Figure("open chooser on 20000 files, first frame",
         report.Ms("BM_OpenChooser/iterations:20/manual_time"), "ms", "<", 150);
  return 0;
}
