// Mesh editor benchmark: frames per second while painting the detail map of a 4 × 3-chunk mesh
// in a real 1024 × 768 GL window (llvmpipe under Xvfb). The editor opens on the demo game's
// hill as a user opens it; the detail map tool paints a stroke that the benchmark drives with
// pointer events through the window manager, one pointer move per frame, so every frame
// applies the brush, rebuilds the chunks it touched and redraws the view.
//
// Prints "NAME: VALUE UNIT (target OP VALUE)" on the standard output, details on the error
// stream.
//
//   zarv_mesheditbench GAME_DIR [--frames=N]
//
// bench/run-meshedit.sh writes the demo game and runs this under xvfb-run.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/EditorRegistration.h"
#include "app/Preferences.h"
#include "app/ProgramShell.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "terrain/ui/MeshEdit.h"
#include "terrain/ui/MeshView.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

}  // namespace

int main(int argc, char** argv) {
  int frames = 300;
  std::string game;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--frames=") && std::atoi(argv[i] + 9) > 0) {
      frames = std::atoi(argv[i] + 9);
    } else if (game.empty() && !arg.starts_with("-")) {
      game = arg;
    } else {
      game.clear();
      break;
    }
  }
  if (game.empty()) {
    std::fprintf(stderr, "usage: zarv_mesheditbench GAME_DIR [--frames=N]\n");
    return 2;
  }
  game = std::filesystem::absolute(game).string();
  const std::filesystem::path prefs =
      std::filesystem::temp_directory_path() / ("zarv-mesheditbench-" + std::to_string(getpid()));
  SetPrefsPath(prefs.string());

  ProgramShell shell;
  if (!shell.Start("Zarv mesh editor benchmark")) return 1;
  WindowManager& wm = shell.wm();
  glfwSetWindowSize(shell.window(), kWidth, kHeight);
  for (int i = 0; i < 400 && wm.Root()->FrameRect().Width() != kWidth; ++i) wm.PumpOnce();
  RegisterTagEditors();
  wm.SetInputDisabled(false);

  bool ok = false;
  Codex& codex = ProgramCodex();
  codex.OpenGameFolder(game);
  CodexEntry* entry = codex.Find(tagcode::Make("mesh"), tagcode::Make("hill"));
  auto* editor = entry ? dynamic_cast<MeshEdit*>(TagEdit::OpenEditor(entry)) : nullptr;
  if (!editor) {
    std::fprintf(stderr, "  the game folder %s has no mesh 'hill' that opens\n", game.c_str());
  } else if (!editor->has_detail_map()) {
    std::fprintf(stderr, "  the mesh 'hill' has no detail map to paint\n");
  } else {
    editor->SetFrameRect({0, 0, kWidth, kHeight});
    editor->RunCommand(MeshEdit::kCmdDetailMapTool);
    for (int i = 0; i < 10; ++i) wm.PumpOnce();
    const Mesh& mesh = editor->mesh();
    const Rect area = editor->View()->ClientRect();
    std::fprintf(stderr, "  mesh %d x %d chunks, view %d x %d, renderer %s, %d frames\n",
                 mesh.chunks_wide, mesh.chunks_high, area.Width(), area.Height(),
                 reinterpret_cast<const char*>(glGetString(GL_RENDERER)), frames);

    // The stroke circles the middle of the view, where the whole mesh is in sight.
    const auto point = [&](int i) {
      const double angle = 2 * M_PI * i / 120.0;
      return Point{
          area.left + area.Width() / 2 + static_cast<int>(area.Width() * 0.25 * std::cos(angle)),
          area.top + area.Height() / 2 + static_cast<int>(area.Height() * 0.25 * std::sin(angle))};
    };
    const Point start = point(0);
    wm.QueueEvent({start.x, start.y, 0, 0, 0, 0, kEventMove});
    wm.QueueEvent({start.x, start.y, 0, 0, 0, 1, kEventButton});
    wm.PumpOnce();
    glFinish();
    if (!editor->stroking()) {
      std::fprintf(stderr, "  the press on the mesh began no stroke\n");
    } else {
      std::vector<double> times;
      times.reserve(static_cast<size_t>(frames));
      const int32_t renders = shell.renderer().RenderCount();
      const Clock::time_point all = Clock::now();
      for (int i = 1; i <= frames; ++i) {
        const Clock::time_point begin = Clock::now();
        const Point p = point(i);
        wm.QueueEvent({p.x, p.y, 0, 0, 0, 0, kEventMove});
        wm.PumpOnce();
        glFinish();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
      }
      const double seconds = std::chrono::duration<double>(Clock::now() - all).count();
      const int32_t drawn = shell.renderer().RenderCount() - renders;
      const Point end = point(frames);
      wm.QueueEvent({end.x, end.y, 0, 0, 0, 0, kEventButton});
      wm.PumpOnce();
      std::sort(times.begin(), times.end());
      std::fprintf(stderr,
                   "  frames while painting: fastest %.2f ms, median %.2f ms, slowest %.2f ms, "
                   "%d of %d pumps drew, %u undo entries\n",
                   times.front(), times[times.size() / 2], times.back(), drawn, frames,
                   editor->History().Count());
      const double fps = drawn / seconds;
      std::printf("meshedit_paint_frames: %.1f frames/s (target >= 10)\n", fps);
      std::fflush(stdout);
      ok = drawn >= frames * 9 / 10;
      if (!ok) std::fprintf(stderr, "  most pumps drew nothing: the stroke did not repaint\n");
      if (fps < 10) std::fprintf(stderr, "  meshedit_paint_frames: target missed\n");
    }
    editor->MarkDirty(false);
    Window::Close(editor);
    for (int i = 0; i < 4; ++i) wm.PumpOnce();
  }
  shell.ShutDown(&ReleaseProgramCodex);
  std::error_code ignored;
  std::filesystem::remove(prefs, ignored);
  return ok ? 0 : 1;
}
