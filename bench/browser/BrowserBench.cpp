// Archive browser benchmark: the editor started on a large game folder (the one
// zarv_codexbench generates: 40 archives of 2,500 tags and 5,000 loose tags), the archive
// browser opened as start-up opens it, hidden groups shown, and then what each interaction
// costs a frame in a real 1024 x 768 GL window (llvmpipe under Xvfb). A frame is one pass of
// the main loop: the queued events, the idle work they cause (rebuilds), the redraw and the
// swap, finished with glFinish.
//
// Prints one line a figure, "NAME: VALUE UNIT (target OP VALUE)", on the standard output and
// the details on the error stream.
//
//   zarv_browserbench GAME_DIR [--rounds=N]
//
// Needs an X display; bench/run-browser.sh runs it under xvfb-run.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CodexWorkingSetPref.h"
#include "app/EditorRegistration.h"
#include "app/Preferences.h"
#include "app/ProgramShell.h"
#include "app/RootMenu.h"
#include "app/ShellCommands.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tags/Archive.h"
#include "tags/Codex.h"
#include "tags/ui/ArchiveBrowser.h"
#include "tags/ui/ArchiveBrowserList.h"
#include "tags/ui/WorkingSetHooks.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Figure(const std::string& name, double value, const char* unit, double target) {
  std::printf("%s: %.3f %s (target < %g)\n", name.c_str(), value, unit, target);
  std::fflush(stdout);
  if (!(value < target)) std::fprintf(stderr, "  %s: target missed\n", name.c_str());
}

class Bench {
 public:
  Bench(ProgramShell& shell, ArchiveBrowser& browser, int rounds)
      : shell_(shell), wm_(shell.wm()), browser_(browser), rounds_(rounds) {}

  bool Run();

 private:
  void Settle(int passes = 4) {
    for (int i = 0; i < passes; ++i) wm_.PumpOnce();
  }
  void Queue(int32_t type, int32_t x, int32_t y, int32_t button = 0, int32_t down = 0) {
    wm_.QueueEvent({x, y, 0, 0, button, down, type});
  }
  void QueueKey(int32_t code, bool down) {
    wm_.QueueEvent({code, down ? 1 : 0, 0, 0, 0, 0, kEventKey});
  }
  void QueueClick(Point p) {
    Queue(kEventMove, p.x, p.y);
    Queue(kEventButton, p.x, p.y, 0, 1);
    Queue(kEventButton, p.x, p.y, 0, 0);
  }
  // The frame that handles what was queued, drawn to the end.
  double FrameMs() {
    const Clock::time_point start = Clock::now();
    wm_.PumpOnce();
    glFinish();
    return MsSince(start);
  }
  // Frames of one interaction: `queue` puts the events of one step in the queue.
  void Interaction(const char* name, int steps, const std::function<void(int)>& queue);
  Point RowPoint(ListWindow* list, const ListItem* item) const {
    const Rect r = list->CellRect(item, -1);
    return {r.left + 30, (r.top + r.bottom) / 2};
  }
  Point HeaderPoint(int32_t column) const {
    ListWindow* tree = browser_.TagTree();
    const Rect r = tree->ClientRect();
    const ListColumn& c = tree->Column(column);
    return {r.left + c.x + c.width / 2, r.top + tree->HeaderHeight() / 2};
  }
  ListItem* SetItem(int64_t set) const {
    return browser_.ActiveList()->FindItemById(static_cast<uint64_t>(set));
  }
  int32_t ColumnNamed(const char* title) const {
    ListWindow* tree = browser_.TagTree();
    for (int32_t i = 0; i < tree->ColumnCount(); ++i) {
      if (tree->Column(i).title == title) return i;
    }
    return -1;
  }

  ProgramShell& shell_;
  WindowManager& wm_;
  ArchiveBrowser& browser_;
  int rounds_;
};

void Bench::Interaction(const char* name, int steps, const std::function<void(int)>& queue) {
  std::vector<double> times;
  for (int i = 0; i < steps; ++i) {
    queue(i);
    times.push_back(FrameMs());
    Settle(1);
  }
  std::sort(times.begin(), times.end());
  const std::string base = name;
  Figure(base + " median", times[times.size() / 2], "ms", 16);
  Figure(base + " worst", times.back(), "ms", 16);
}

bool Bench::Run() {
  ListWindow* tree = browser_.TagTree();
  ListWindow* active = browser_.ActiveList();
  ListItem* combined = SetItem(ArchiveBrowser::kCombinedSet);
  ListItem* local = SetItem(ArchiveBrowser::kLocalSet);
  ListItem* archive = nullptr;
  for (ListItem* item = active->FirstItem(); item && !archive; item = item->next) {
    const auto v = static_cast<int64_t>(item->id);
    if (v != ArchiveBrowser::kLocalSet && v != ArchiveBrowser::kCombinedSet &&
        v != ArchiveBrowser::kFoundationSet) {
      archive = item;
    }
  }
  if (!combined || !local || !archive) {
    std::fprintf(stderr, "zarv_browserbench: the active list lacks combined, local or archives\n");
    return false;
  }

  // First listing: from an empty tree to every tag of the game, hidden groups shown; and the
  // memory its rows take.
  active->Select(nullptr, false);
  if (!browser_.ShowsHiddenGroups()) browser_.ToggleHiddenGroups();
  Settle();
  const size_t heap_before = mallinfo2().uordblks;
  const Clock::time_point listing_start = Clock::now();
  active->Select(combined, false);
  wm_.PumpOnce();
  glFinish();
  const double listing_ms = MsSince(listing_start);
  const size_t heap_after = mallinfo2().uordblks;
  const int32_t rows = tree->ItemCount();
  std::fprintf(stderr, "  first listing: %d rows (with the group nodes)\n", rows);
  Figure("first listing", listing_ms, "ms", 300);
  Figure("bytes per row",
         static_cast<double>(heap_after - heap_before) / static_cast<double>(std::max(rows, 1)),
         "bytes", 300);
  if (rows < 100000) {
    std::fprintf(stderr, "zarv_browserbench: only %d rows listed; is this the generated game?\n",
                 rows);
    return false;
  }

  Window::SetFocus(tree, 0);
  const Rect c = tree->ClientRect();
  const Point middle{(c.left + c.right) / 2, (c.top + c.bottom) / 2};
  Queue(kEventMove, middle.x, middle.y);
  Settle();
  const int steps = rounds_ * 4;

  int32_t wheel = 0;
  Interaction("wheel scrolling", steps, [&](int) {
    Queue(kEventWheel, middle.x, middle.y, wheel, wheel - 1);
    --wheel;
  });
  Interaction("PageDown scrolling", steps, [&](int) {
    QueueKey(Key::PageDown, true);
    QueueKey(Key::PageDown, false);
  });
  for (const char* title : {"Name", "Size", "Tag"}) {
    const int32_t column = ColumnNamed(title);
    if (column < 0) return false;
    const Point p = HeaderPoint(column);
    const std::string name = std::string("sorting by ") + title;
    Interaction(name.c_str(), rounds_, [&](int) { QueueClick(p); });
  }
  Interaction("toggling hidden groups", rounds_ * 2, [&](int) {
    QueueKey(Key::Control, true);
    QueueKey('T', true);
    QueueKey('T', false);
    QueueKey(Key::Control, false);
  });
  if (!browser_.ShowsHiddenGroups()) browser_.ToggleHiddenGroups();
  Settle();
  ListItem* const sets[] = {local, archive, combined};
  Interaction("switching sets", rounds_ * 3, [&](int i) {
    ListItem* item = sets[i % 3];
    active->ScrollIntoView(item);
    QueueClick(RowPoint(active, item));
  });
  Window::SetFocus(tree, 0);
  Settle();
  const std::string_view typed = "Tag 17-";
  Interaction("type-ahead search", static_cast<int>(typed.size()) * rounds_, [&](int i) {
    if (i % static_cast<int>(typed.size()) == 0) {
      // Past the pause that starts a new search.
      const double until = wm_.GetPlatform().Now() + ListWindow::kTypeAheadReset + 0.05;
      while (wm_.GetPlatform().Now() < until) wm_.PumpOnce();
    }
    wm_.QueueEvent({typed[static_cast<size_t>(i) % typed.size()], 1, 0, 0, 0, 0, kEventChar});
  });
  return tree->ItemCount() >= 100000;
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point program_start = Clock::now();
  int rounds = 5;
  std::string game;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--rounds=") && std::atoi(argv[i] + 9) > 0) {
      rounds = std::atoi(argv[i] + 9);
    } else if (game.empty() && !arg.starts_with("-")) {
      game = arg;
    } else {
      game.clear();
      break;
    }
  }
  if (game.empty()) {
    std::fprintf(stderr, "usage: zarv_browserbench GAME_DIR [--rounds=N]\n");
    return 2;
  }
  game = std::filesystem::absolute(game).string();
  // The editor's own preferences stay untouched; these point at the game.
  const std::filesystem::path prefs =
      std::filesystem::temp_directory_path() / ("zarv-browserbench-" + std::to_string(getpid()));
  SetPrefsPath(prefs.string());

  // Start-up as the editor's own, up to the first frame of the browser on the loaded game.
  ProgramShell shell;
  if (!shell.Start("Zarv browser benchmark")) return 1;
  WindowManager& wm = shell.wm();
  glfwSetWindowSize(shell.window(), 1024, 768);
  for (int i = 0; i < 200 && wm.Root()->FrameRect().Width() != 1024; ++i) wm.PumpOnce();
  new RootMenu();
  RegisterTagEditors();
  SetWorkingSetHooks({&LoadCodexWorkingSet, &SaveCodexWorkingSet});
  wm.SetIdleHook([] { ProgramCodex().Poll(false); });
  wm.SetInputDisabled(false);
  RunGameLoad(GameLoad::Kind::kGameFolder, game);
  AfterGameLoad();
  ArchiveBrowser* browser = ArchiveBrowser::Instance();
  bool ok = browser != nullptr;
  if (ok) {
    // The browser fills the screen below the menu bar.
    const Rect screen = wm.Root()->FrameRect();
    browser->SetFrameRect({0, 24, screen.Width(), screen.Height()});
    const int32_t frames = shell.renderer().RenderCount();
    for (int i = 0; i < 50 && shell.renderer().RenderCount() == frames; ++i) wm.PumpOnce();
    glFinish();
    const double startup_ms = MsSince(program_start);
    std::fprintf(stderr,
                 "Browser benchmark: %dx%d, renderer %s, %zu entries, %d rows at start, "
                 "%d rounds\n",
                 wm.Root()->FrameRect().Width(), wm.Root()->FrameRect().Height(),
                 reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                 ProgramCodex().entry_count(), browser->TagTree()->ItemCount(), rounds);
    Figure("startup", startup_ms, "ms", 1000);
    Bench bench(shell, *browser, rounds);
    ok = bench.Run();
  }
  shell.ShutDown(&ReleaseProgramCodex);
  std::error_code ignored;
  std::filesystem::remove(prefs, ignored);
  return ok ? 0 : 1;
}
