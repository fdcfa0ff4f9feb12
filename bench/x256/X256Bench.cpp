// Collection editor benchmark: the "Bitmaps" page showing 60 thumbnails of 128 × 128 bitmaps,
// redrawn in full in a real GL window (llvmpipe under Xvfb), every thumbnail converted from its
// colour indices through the display palette and sent through the one scratch texture.
//
// Prints "NAME: VALUE UNIT (target OP VALUE)" on the standard output, details on the error
// stream.
//
//   zarv_x256bench [--rounds=N]
//
// Needs an X display of at least 1600 × 1200; bench/run-x256.sh runs it under xvfb-run.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
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
#include "collections/ui/X256BitmapBrowser.h"
#include "collections/ui/X256Edit.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kThumbnails = 60;
constexpr int kSide = 128;

// A bitmap of every index, a quarter of it transparent, so that no two thumbnails look alike.
std::vector<uint8_t> Pixels(int seed) {
  std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * 2);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const size_t at = (static_cast<size_t>(y) * kSide + static_cast<size_t>(x)) * 2;
      const bool clear = x < kSide / 2 && y < kSide / 2;
      pixels[at] = clear ? 0 : 255;
      pixels[at + 1] = clear ? 0 : static_cast<uint8_t>(2 + (x + y * 3 + seed * 11) % 254);
    }
  }
  return pixels;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 40;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--rounds=") && std::atoi(argv[i] + 9) > 0) {
      rounds = std::atoi(argv[i] + 9);
    } else {
      std::fprintf(stderr, "usage: zarv_x256bench [--rounds=N]\n");
      return 2;
    }
  }
  const std::filesystem::path prefs =
      std::filesystem::temp_directory_path() / ("zarv-x256bench-" + std::to_string(getpid()));
  SetPrefsPath(prefs.string());

  ProgramShell shell;
  if (!shell.Start("Zarv collection editor benchmark")) return 1;
  WindowManager& wm = shell.wm();
  constexpr int32_t kWidth = 1600;
  constexpr int32_t kHeight = 1200;
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
  // More bitmaps than show, so that the page scrolls as a real one does.
  for (int i = 0; i < kThumbnails * 2; ++i) {
    const std::string name = "bitmap " + std::to_string(i);
    collection.AddOrReplaceBitmap(name, 0x0004, Pixels(i), kSide, kSide, 2, nullptr);
  }
  // Through an edit, as the page sees them after an import: the display palette follows.
  std::unique_ptr<CollectionChange> change = editor->BeginChange();
  collection.palette[3] = 1;
  editor->Commit(std::move(change), X256EditHost::kEverything);
  editor->SetFrameRect({0, 0, kWidth, kHeight});
  editor->Window::Show();
  for (int i = 0; i < 10; ++i) wm.PumpOnce();

  BitmapGrid* grid = editor->BitmapsPage()->Grid();
  const int32_t columns = grid->ColumnCount();
  const int32_t rows = grid->ClientRect().Height() / grid->VerticalPitch();
  const int visible = std::min<int>(columns * rows, kThumbnails * 2);
  std::fprintf(stderr, "  %d x %d whole thumbnails visible (%d), grid %d x %d\n", columns, rows,
               visible, grid->ClientRect().Width(), grid->ClientRect().Height());

  // The page redrawn as it is after a scroll, a selection or an edit: the grid's area only.
  const auto redraw = [&](const char* what) {
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
    std::fprintf(stderr, "  page redraws %s: fastest %.3f ms, median %.3f ms, slowest %.3f ms\n",
                 what, times.front(), median, times.back());
    return median;
  };
  const double median = redraw("with the thumbnails");
  // What the same page costs without a picture in it: the rest of the window tree.
  editor->BitmapsPage()->Grid()->SetDrawCallback({});
  redraw("without drawing the thumbnails");
  std::printf("x256_bitmaps_redraw: %.3f ms (target < 16)\n", median);
  std::fflush(stdout);
  const bool ok = visible >= kThumbnails;
  if (!ok) std::fprintf(stderr, "  fewer than %d thumbnails were visible\n", kThumbnails);
  if (median >= 16) std::fprintf(stderr, "  x256_bitmaps_redraw: target missed\n");

  Window::Close(editor);
  for (int i = 0; i < 4; ++i) wm.PumpOnce();
  shell.ShutDown();
  std::error_code ignored;
  std::filesystem::remove(prefs, ignored);
  return ok ? 0 : 1;
}
