// Redraw benchmark: the editor's start-up in a 1024x768 window, 20 framed windows holding
// text, and three figures with their targets:
//   - a full redraw (render and present), in ms a frame, averaged over many frames;
//   - a partial redraw of one 200x20 rectangle, in ms, with the windows it drew;
//   - the idle loop's share of one core when there is nothing to draw.
//
//   zarv_redrawbench [--res=DIR] [--frames=N] [--idle-seconds=S]
//
// Needs an X display; bench/run-redraw.sh runs it under xvfb-run. The res folder defaults to
// the one beside the executable.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gl/GlPainter.h"
#include "gl/GlPresenter.h"
#include "gl/GlTexture.h"
#include "gl/GlfwPlatform.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/FontFile.h"
#include "gui/FontPages.h"
#include "gui/Skin.h"
#include "gui/TextLayout.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"

namespace fs = std::filesystem;

namespace {

constexpr Size kScreen{1024, 768};
constexpr int32_t kWindowCount = 20;
constexpr double kFullTargetMs = 16.0;
constexpr double kIdleTargetShare = 0.10;

double Seconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A framed window with a few lines of styled text, as the editor's viewers hold.
class TextWindow : public Window {
 public:
  TextWindow(const std::string& title, const Rect& frame)
      : Window(WindowFlag::Visible | WindowFlag::TitleBar | WindowFlag::Resizable |
                   WindowFlag::BackgroundA | WindowFlag::DropShadow | WindowFlag::CloseButton |
                   WindowFlag::SecondButton,
               nullptr) {
    SetTitle(title.c_str());
    SetFrameRect(frame);
  }

  void Draw() override {
    static constexpr const char* kLines[] = {
        "|bName|p  archer_unit",    "Plain |bBold|p and |iitalic|p text",
        "Hit points  120",          "Armour  |b3|p  Speed  |b2.5",
        "Sound  archer_attack.wav", "Model  archer.obj",
        "Flags  |iranged, melee",   "Cost  60 gold, 20 wood",
    };
    const int32_t width = ClientRect().Width();
    const int32_t height = ClientRect().Height();
    const int32_t step = FontLineHeight(GetFont()) + 4;
    SetDrawColor(MakeColor(0xe8, 0xea, 0xed));
    int32_t y = 6;
    for (const char* line : kLines) {
      DrawText(GetFont(), line, 0, 0, {8, y, width, height});
      y += step;
    }
    SetDrawColor(kWhite);
  }
};

int32_t CountWindows(const Window* w) {
  int32_t n = w->IsVisible() ? 1 : 0;
  for (const Window* c = w->FirstChild(); c; c = c->NextSibling()) n += CountWindows(c);
  return n;
}

// Visible windows whose client area meets `r`: the most a redraw of `r` may draw.
int32_t CountMeeting(const Window* w, const Rect& r) {
  if (!w->IsVisible()) return 0;
  int32_t n = w->ClientRect().Intersects(r) ? 1 : 0;
  for (const Window* c = w->FirstChild(); c; c = c->NextSibling()) n += CountMeeting(c, r);
  return n;
}

const char* Verdict(bool met) {
  return met ? "met" : "MISSED";
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "zarv_redrawbench: %s\n", message.c_str());
  return 1;
}

struct Options {
  fs::path res;
  int32_t frames = 200;
  double idle_seconds = 2.0;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  options.res = (error ? fs::absolute(argv[0]) : self).parent_path() / "res";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--res=")) {
      options.res = arg.substr(6);
    } else if (arg.starts_with("--frames=")) {
      options.frames = std::atoi(argv[i] + 9);
      if (options.frames < 100) return false;
    } else if (arg.starts_with("--idle-seconds=")) {
      options.idle_seconds = std::atof(argv[i] + 15);
      if (options.idle_seconds <= 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

int RunBenchmark(GLFWwindow* window, const Options& options) {
  // The editor's start-up, from the swap-chain measurement to the uploaded pages.
  InitGL();
  glfwSwapBuffers(window);
  const int32_t swap_count = GlPresenter::CountSwapBuffers(window);
  glEnable(GL_DEPTH_TEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  FontReadResult font_file = LoadFontFile(options.res / "brimwell.zarvfont");
  if (!font_file) return Fail("the UI font cannot be read: " + font_file.error);
  GLint max_texture = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
  if (max_texture <= 0) max_texture = 1024;
  auto painter = std::make_unique<GlPainter>();
  SetCurrentPainter(painter.get());
  auto font = std::make_unique<Font>(std::move(*font_file.font));
  std::vector<PageImage> pages;
  if (std::string error = BuildFontPages(*font, max_texture, pages); !error.empty()) {
    return Fail("the UI font cannot be used: " + error);
  }
  painter->UploadPages(PageSet::kFont, pages);
  SetDefaultFont(font.get());
  if (std::string error = CurrentSkin().Load(options.res / "texturepack", max_texture, pages);
      !error.empty()) {
    return Fail("the texture pack cannot be used: " + error);
  }
  painter->UploadPages(PageSet::kSkin, pages);
  pages.clear();
  CurrentSkinMetrics() = CurrentSkin().Metrics();

  int result = 0;
  {
    GlfwPlatform platform(window);
    platform.SetSwapCount(swap_count);
    TreeRenderer renderer;
    WindowManager wm(platform, &renderer);
    wm.SetPartialRedraw(true);
    wm.Root()->SetFont(font.get());
    wm.Layer0()->SetFont(font.get());
    wm.Layer1()->SetFont(font.get());
    platform.Attach(&wm);
    wm.SetInputDisabled(false);

    // Five columns of four windows, each overlapping its neighbours a little.
    TextWindow* top = nullptr;
    for (int32_t i = 0; i < kWindowCount; ++i) {
      const int32_t x = 12 + (i % 5) * 198;
      const int32_t y = 12 + (i / 5) * 184;
      top = new TextWindow("Window " + std::to_string(i + 1), {x, y, x + 226, y + 200});
    }

    // Let the window system's start-up events (enter, focus, pointer) pass.
    auto settle = [&] {
      int32_t quiet = 0;
      for (int32_t i = 0; i < 1000 && quiet < 10; ++i) {
        const int32_t before = renderer.RenderCount();
        wm.PumpOnce();
        quiet = renderer.RenderCount() == before ? quiet + 1 : 0;
      }
    };
    settle();

    // Full redraws.
    for (int32_t i = 0; i < 10; ++i) {
      wm.RequestFullRedraw();
      wm.PumpOnce();
    }
    glFinish();
    const int32_t full_before = renderer.RenderCount();
    double slowest = 0;
    const double full_start = Seconds(CLOCK_MONOTONIC);
    for (int32_t i = 0; i < options.frames; ++i) {
      const double frame_start = Seconds(CLOCK_MONOTONIC);
      wm.RequestFullRedraw();
      wm.PumpOnce();
      glFinish();
      slowest = std::max(slowest, Seconds(CLOCK_MONOTONIC) - frame_start);
    }
    const double full_ms = (Seconds(CLOCK_MONOTONIC) - full_start) * 1000.0 / options.frames;
    const int32_t full_frames = renderer.RenderCount() - full_before;
    // The drawing alone, without presenting the frame.
    const DrawStats stats_before = CurrentDrawStats();
    const double draw_start = Seconds(CLOCK_MONOTONIC);
    for (int32_t i = 0; i < options.frames; ++i) {
      wm.RequestFullRedraw();
      renderer.Render(wm);
      glFinish();
    }
    const double draw_ms = (Seconds(CLOCK_MONOTONIC) - draw_start) * 1000.0 / options.frames;
    const int32_t sprites = (CurrentDrawStats().sprites - stats_before.sprites) / options.frames;
    const int32_t glyphs = (CurrentDrawStats().glyphs - stats_before.glyphs) / options.frames;
    wm.RequestFullRedraw();
    wm.PumpOnce();  // shows the last frame drawn

    // Partial redraws of a caret-sized strip inside the topmost window.
    settle();
    const Rect strip = Rect{20, 40, 220, 60}.Offset(top->ClientRect().left, top->ClientRect().top);
    const int32_t partial_before = renderer.RenderCount();
    int32_t windows_drawn = 0;
    int32_t frames_drawn = 0;
    bool stayed_partial = true;
    const double partial_start = Seconds(CLOCK_MONOTONIC);
    for (int32_t i = 0; i < options.frames; ++i) {
      wm.InvalidateRect(top, strip, false);
      stayed_partial = stayed_partial && !(wm.RedrawFlags() & WindowManager::kRedrawFull);
      wm.PumpOnce();
      glFinish();
      windows_drawn = std::max(windows_drawn, renderer.WindowsDrawn());
      frames_drawn = std::max(frames_drawn, renderer.FramesDrawn());
    }
    const double partial_ms = (Seconds(CLOCK_MONOTONIC) - partial_start) * 1000.0 / options.frames;
    const int32_t partial_frames = renderer.RenderCount() - partial_before;
    const int32_t meeting = CountMeeting(wm.Root(), strip);
    const int32_t total = CountWindows(wm.Root());

    // The idle loop with nothing to draw.
    settle();
    const int32_t idle_before = renderer.RenderCount();
    int64_t passes = 0;
    const double wall_start = Seconds(CLOCK_MONOTONIC);
    const double cpu_start = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    double wall = 0;
    while (wall < options.idle_seconds) {
      wm.PumpOnce();
      ++passes;
      wall = Seconds(CLOCK_MONOTONIC) - wall_start;
    }
    const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu_start;
    const double share = cpu / wall;
    const int32_t idle_frames = renderer.RenderCount() - idle_before;

    if (full_frames != options.frames || partial_frames != options.frames || !stayed_partial) {
      result = Fail("the scene did not draw a frame every pass (full " +
                    std::to_string(full_frames) + ", partial " + std::to_string(partial_frames) +
                    " of " + std::to_string(options.frames) + ")");
    } else {
      const bool full_met = full_ms < kFullTargetMs;
      const bool partial_met = windows_drawn <= meeting && windows_drawn < total;
      const bool idle_met = share < kIdleTargetShare;
      std::printf("Redraw benchmark: %dx%d, %d framed windows with text, renderer %s\n",
                  kScreen.width, kScreen.height, kWindowCount,
                  reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
      std::printf(
          "  full redraw     %7.2f ms a frame (render and present, average of %d, "
          "slowest %.2f ms)   target under %.0f ms: %s\n",
          full_ms, options.frames, slowest * 1000.0, kFullTargetMs, Verdict(full_met));
      std::printf("    of which drawing %5.2f ms a frame (%d skin sprites, %d glyphs)\n", draw_ms,
                  sprites, glyphs);
      std::printf(
          "  partial redraw  %7.2f ms for %dx%d, %d windows drawn (%d window frames), %d "
          "windows meet it, %d in all   target only the windows it meets: %s\n",
          partial_ms, strip.Width(), strip.Height(), windows_drawn, frames_drawn, meeting, total,
          Verdict(partial_met));
      std::printf(
          "  idle loop       %6.1f %% of one core (%.2f s, %lld passes, %d frames drawn)"
          "   target under %.0f %%: %s\n",
          share * 100.0, wall, static_cast<long long>(passes), idle_frames,
          kIdleTargetShare * 100.0, Verdict(idle_met));
    }
  }  // the window manager and its windows go before the textures

  SetDefaultFont(nullptr);
  font.reset();
  SetCurrentPainter(nullptr);
  painter.reset();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: zarv_redrawbench [--res=DIR] [--frames=N (100 or more)] "
                 "[--idle-seconds=S]\n");
    return 2;
  }
  glfwSetErrorCallback([](int code, const char* description) {
    std::fprintf(stderr, "GLFW error %d: %s\n", code, description ? description : "");
  });
  if (!glfwInit()) return Fail("glfwInit failed (is a display available?)");
  glfwWindowHint(GLFW_DEPTH_BITS, 32);
  glfwWindowHint(GLFW_STENCIL_BITS, 0);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 1);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  GLFWwindow* window = glfwCreateWindow(kScreen.width, kScreen.height, "Zarv", nullptr, nullptr);
  if (!window) {
    glfwTerminate();
    return Fail("the window could not be created");
  }
  glfwMakeContextCurrent(window);
  glfwSwapInterval(0);
  const int result = RunBenchmark(window, options);
  glfwDestroyWindow(window);
  glfwTerminate();
  return result;
}
