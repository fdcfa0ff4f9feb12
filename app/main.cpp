// The editor's entry point: start-up in a fixed order, the main loop, and shut-down.

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/CodexWorkingSetPref.h"
#include "app/Preferences.h"
#include "app/QuitCheck.h"
#include "app/StartupSettings.h"
#include "base/CharMap.h"
#include "gl/FatalMessage.h"
#include "gl/GlPainter.h"
#include "gl/GlPresenter.h"
#include "gl/GlTexture.h"
#include "gl/GlfwPlatform.h"
#include "gui/CursorPack.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/FontFile.h"
#include "gui/FontPages.h"
#include "gui/Skin.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"

namespace {
constexpr const char* kFontPath = "res/brimwell.zarvfont";
constexpr const char* kTexturePackPath = "res/texturepack";
constexpr const char* kCursorsPath = "res/cursors";

void OnGlfwError(int code, const char* description) {
  // Characters outside the keyboard map make glfwGetKeyName complain; nothing here is fatal.
  std::fprintf(stderr, "GLFW error %d: %s\n", code, description ? description : "");
}

void SetUpGlState() {
  glEnable(GL_DEPTH_TEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

int32_t MaxTextureSize() {
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return size > 0 ? size : 1024;
}

// A start-up that cannot go on says why on standard error and in a window of its own, and
// ends the program with a failure status once the window is dismissed.
int Fail(GLFWwindow* window, const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  if (window) glfwDestroyWindow(window);
  // Shown while GLFW still holds its connection: a virtual X server resets when its last
  // client leaves, and a connection opened during the reset fails.
  ShowFatalMessage(message);
  glfwTerminate();
  return 1;
}
}  // namespace

int main() {
  // Every relative path of the program (res/, charmap) is relative to the executable.
  if (!ChangeToExecutableFolder()) {
    std::fprintf(stderr, "Zarv could not find its own folder; quitting.\n");
    return 1;
  }

  SetPrefDefaults();
  LoadPrefs();
  const StartupSettings settings = ReadStartupSettings();

  glfwSetErrorCallback(OnGlfwError);
  if (!glfwInit()) {
    return Fail(nullptr, "Zarv could not open a window (is a display available?); quitting.");
  }
  glfwWindowHint(GLFW_DEPTH_BITS, 32);
  glfwWindowHint(GLFW_STENCIL_BITS, 0);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 1);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
  GLFWmonitor* monitor = settings.fullscreen ? glfwGetPrimaryMonitor() : nullptr;
  GLFWwindow* window = glfwCreateWindow(settings.window_size.width, settings.window_size.height,
                                        "Zarv", monitor, nullptr);
  if (!window) return Fail(nullptr, "Zarv could not open its window; quitting.");
  glfwMakeContextCurrent(window);
  glfwSwapInterval(settings.vsync ? 1 : 0);
  glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);

  InitGL();
  glfwSwapBuffers(window);

  glfwSetWindowTitle(window, "Zarv");

  if (GLFWmonitor* primary = glfwGetPrimaryMonitor(); primary && !settings.fullscreen) {
    int x = 0, y = 0, w = 0, h = 0;
    glfwGetMonitorWorkarea(primary, &x, &y, &w, &h);
    if (ShouldMaximize(settings.window_size, {w, h})) glfwMaximizeWindow(window);
  }
  const int32_t swap_count = GlPresenter::CountSwapBuffers(window);
  SetUpGlState();

  // Without the UI font nothing can be shown: refuse to start.
  FontReadResult font_file = LoadFontFile(kFontPath);
  if (!font_file) {
    return Fail(window, "The 'res' folder could not be found (improper installation?); quitting.");
  }
  ProgramCharMap().Load("charmap");  // optional; the built-in map stays without it

  auto painter = std::make_unique<GlPainter>();
  SetCurrentPainter(painter.get());
  auto font = std::make_unique<Font>(std::move(*font_file.font));
  std::vector<PageImage> pages;
  if (std::string error = BuildFontPages(*font, MaxTextureSize(), pages); !error.empty()) {
    return Fail(window, "The UI font cannot be used (" + error + "); quitting.");
  }
  painter->UploadPages(PageSet::kFont, pages);
  SetDefaultFont(font.get());
  if (std::string error = CurrentSkin().Load(kTexturePackPath, MaxTextureSize(), pages);
      !error.empty()) {
    return Fail(window,
                "The texture pack res/texturepack cannot be used (" + error + "); quitting.");
  }
  painter->UploadPages(PageSet::kSkin, pages);
  pages.clear();
  CurrentSkinMetrics() = CurrentSkin().Metrics();

  auto platform = std::make_unique<GlfwPlatform>(window);
  platform->SetSwapCount(swap_count);
  // The window icon and the cursor shapes GLFW lacks. Without them the standard shapes stand
  // in: worth a word, not a refusal to start.
  std::vector<CursorPicture> cursor_pictures;
  if (std::string error; CursorPack::Load(kCursorsPath, cursor_pictures, error)) {
    platform->UsePictures(cursor_pictures);
  } else {
    std::fprintf(stderr, "The cursor pictures %s cannot be used (%s).\n", kCursorsPath,
                 error.c_str());
  }
  TreeRenderer renderer;
  auto wm = std::make_unique<WindowManager>(*platform, &renderer);
  wm->SetPartialRedraw(true);
  wm->SetQuitCheck(&StandardQuitCheck);
  wm->Root()->SetFont(font.get());
  wm->Layer0()->SetFont(font.get());
  wm->Layer1()->SetFont(font.get());
  platform->Attach(wm.get());

  // TODO(menus): the root menu and its menu bar.
  // TODO(tags): struct layouts and editor factories.
  std::string game_folder = ".";
  GetPrefString("VornPath", &game_folder);
  ProgramCodex().OpenGameFolder(game_folder);
  // TODO(browser): the archive browser applies the saved working set when it opens; until it
  // exists, start-up does.
  LoadCodexWorkingSet(ProgramCodex());
  // Picks up what the program itself changed in the local folder since the last pass.
  wm->SetIdleHook([] { ProgramCodex().Poll(false); });

  wm->SetInputDisabled(false);
  // TODO(splash): show the splash window per ShowSplash.

  wm->RunMainLoop();

  wm.reset();  // destroys root and every window under it
  platform.reset();
  SetDefaultFont(nullptr);
  font.reset();
  SetCurrentPainter(nullptr);
  painter.reset();  // deletes the skin and font textures while the context is current
  glfwDestroyWindow(window);
  ReleaseProgramCodex();
  glfwTerminate();
  SavePrefs();
  return 0;
}
