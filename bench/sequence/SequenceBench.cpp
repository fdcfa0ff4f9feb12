// Sequence editor benchmark, in a real GL window (llvmpipe under Xvfb):
//   - the editor's "Views" grid showing at least 40 cells of 64 x 64 bitmaps, redrawn in full
//     (every thumbnail converted through the display palette into the scratch texture);
//   - a frame editor's preview animating at one frame a tick, 30 ticks a second, through the
//     real main loop, measured as the share of one core the process uses.
//
// Prints "NAME: VALUE UNIT (target OP VALUE)" on the standard output, details on the error
// stream.
//
//   zarv_sequencebench [--rounds=N] [--seconds=S]
//
// Needs an X display of at least 1280 x 1024; bench/run-sequence.sh runs it under xvfb-run.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/Preferences.h"
#include "app/ProgramShell.h"
#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/ui/BitmapGrid.h"
#include "collections/ui/X256Edit.h"
#include "collections/ui/X256SequenceBrowser.h"
#include "collections/ui/X256SequenceEdit.h"
#include "collections/ui/X256SequenceFrameEdit.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSide = 64;
constexpr int kFrames = 16;
constexpr int kViews = 7;  // with the shadow column, 8 columns

std::vector<uint8_t> Pixels(int seed) {
  std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * 2);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const size_t at = (static_cast<size_t>(y) * kSide + static_cast<size_t>(x)) * 2;
      const bool clear = (x - 32) * (x - 32) + (y - 32) * (y - 32) > 30 * 30;
      pixels[at] = clear ? 0 : 255;
      pixels[at + 1] = clear ? 0 : static_cast<uint8_t>(2 + (x + y * 3 + seed * 11) % 254);
    }
  }
  return pixels;
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 40;
  double seconds = 4.0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--rounds=") && std::atoi(argv[i] + 9) > 0) {
      rounds = std::atoi(argv[i] + 9);
    } else if (arg.starts_with("--seconds=") && std::atof(argv[i] + 10) > 0) {
      seconds = std::atof(argv[i] + 10);
    } else {
      std::fprintf(stderr, "usage: zarv_sequencebench [--rounds=N] [--seconds=S]\n");
      return 2;
    }
  }
  const std::filesystem::path prefs =
      std::filesystem::temp_directory_path() / ("zarv-sequencebench-" + std::to_string(getpid()));
  SetPrefsPath(prefs.string());

  ProgramShell shell;
  if (!shell.Start("Zarv sequence editor benchmark")) return 1;
  WindowManager& wm = shell.wm();
  constexpr int32_t kWidth = 1280;
  constexpr int32_t kHeight = 1024;
  glfwSetWindowSize(shell.window(), kWidth, kHeight);
  for (int i = 0; i < 400 && wm.Root()->FrameRect().Width() != kWidth; ++i) wm.PumpOnce();

  TagHeader header = TagHeader::Fresh();
  header.group = tagcode::Make(".256");
  header.SetName("bench");
  auto* editor = new X256Edit(header);
  Collection& collection = editor->EditedCollection();
  for (int i = 0; i < 256; ++i) {
    collection.palette[static_cast<size_t>(i) * 3] = static_cast<uint8_t>(i);
    collection.palette[static_cast<size_t>(i) * 3 + 1] = static_cast<uint8_t>(i * 7);
    collection.palette[static_cast<size_t>(i) * 3 + 2] = static_cast<uint8_t>(255 - i);
  }
  std::unique_ptr<CollectionChange> change = editor->BeginChange();
  Sequence* sequence = collection.AddSequence("run");
  sequence->view_count = kViews;
  sequence->ticks_per_frame = 1;
  sequence->frames.assign(kFrames, sequence->NewFrame());
  for (int f = 0; f < kFrames; ++f) {
    for (int v = 0; v < kViews; ++v) {
      const std::string name = "frame " + std::to_string(f) + " view " + std::to_string(v);
      CollectionBitmap* bitmap = collection.AddOrReplaceBitmap(name, 0x0004, Pixels(f * kViews + v),
                                                               kSide, kSide, 2, nullptr);
      FrameView& view = sequence->frames[static_cast<size_t>(f)].views[static_cast<size_t>(v)];
      view.bitmap = bitmap;
      view.registration_x = view.registration_y = kSide / 2;
    }
  }
  collection.RenumberBitmapReferences();
  editor->Commit(std::move(change), X256EditHost::kEverything);
  editor->SetFrameRect({0, 0, 700, 400});
  editor->Window::Show();
  for (int i = 0; i < 4; ++i) wm.PumpOnce();

  auto* sequence_edit = new X256SequenceEdit(*editor, sequence, nullptr);
  // Five rows of eight columns: 40 cells.
  sequence_edit->SetFrameRect({0, 0, 760, 760});
  editor->SequencesPage()->AddEditor(sequence, sequence_edit,
                                     [sequence_edit] { sequence_edit->Refresh(); });
  wm.BringToFront(sequence_edit);
  for (int i = 0; i < 10; ++i) wm.PumpOnce();

  BitmapGrid* grid = sequence_edit->Grid();
  const int32_t columns = grid->ColumnCount();
  const int32_t rows = grid->ClientRect().Height() / grid->VerticalPitch();
  const int visible = std::min<int>(columns * rows, grid->CellCount());
  std::fprintf(stderr, "  %d x %d whole cells visible (%d), grid %d x %d\n", columns, rows, visible,
               grid->ClientRect().Width(), grid->ClientRect().Height());

  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    wm.ClearRedraw();
    const Clock::time_point start = Clock::now();
    grid->InvalidateClient();
    shell.renderer().Render(wm);
    glFinish();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  std::fprintf(stderr, "  grid redraws: fastest %.3f ms, median %.3f ms, slowest %.3f ms\n",
               times.front(), median, times.back());
  std::printf("sequence_grid_redraw: %.3f ms (target < 16)\n", median);
  std::fflush(stdout);

  // The preview, through the main loop as the program runs it (input and idle calls on, as
  // once the program's loop starts).
  wm.SetInputDisabled(false);
  X256SequenceFrameEdit* frame = sequence_edit->OpenFrameEditor(0, 1);
  frame->SetFrameRect({780, 0, 1270, 600});
  for (int i = 0; i < 10; ++i) wm.PumpOnce();
  frame->SetAnimating(true);
  const uint32_t ticks_before = frame->TickCount();
  const double cpu_start = CpuSeconds();
  const Clock::time_point wall_start = Clock::now();
  while (std::chrono::duration<double>(Clock::now() - wall_start).count() < seconds) wm.PumpOnce();
  const double wall = std::chrono::duration<double>(Clock::now() - wall_start).count();
  const double cpu = CpuSeconds() - cpu_start;
  const double fps = (frame->TickCount() - ticks_before) / wall;
  const double share = 100.0 * cpu / wall;
  std::fprintf(stderr, "  preview: %.1f frames a second over %.1f s, %.2f s of CPU\n", fps, wall,
               cpu);
  std::printf("sequence_preview_frames: %.1f per s (target >= 29)\n", fps);
  std::printf("sequence_preview_cpu: %.1f %% of a core (target < 25)\n", share);
  std::fflush(stdout);
  frame->SetAnimating(false);

  const bool ok = visible >= 40 && median < 16 && share < 25 && fps >= 29;
  if (visible < 40) std::fprintf(stderr, "  fewer than 40 cells were visible\n");
  Window::Close(editor);
  for (int i = 0; i < 4; ++i) wm.PumpOnce();
  shell.ShutDown();
  std::error_code ignored;
  std::filesystem::remove(prefs, ignored);
  return ok ? 0 : 1;
}
