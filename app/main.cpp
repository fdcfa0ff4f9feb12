// The editor's entry point: start-up in a fixed order, the main loop, and shut-down.

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/GlRenderer.h"
#include "app/GlfwPlatform.h"
#include "app/Preferences.h"
#include "app/QuitCheck.h"
#include "app/StartupSettings.h"
#include "app/WindowManager.h"
#include "gui/FontFile.h"

namespace {
constexpr const char* kFontPath = "res/brimwell.zarvfont";

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
    std::fprintf(stderr, "Zarv could not open a window (is a display available?); quitting.\n");
    return 1;
  }
  glfwWindowHint(GLFW_DEPTH_BITS, 32);
  glfwWindowHint(GLFW_STENCIL_BITS, 0);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 1);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
  GLFWmonitor* monitor = settings.fullscreen ? glfwGetPrimaryMonitor() : nullptr;
  GLFWwindow* window = glfwCreateWindow(settings.window_size.width, settings.window_size.height,
                                        "Zarv", monitor, nullptr);
  if (!window) {
    glfwTerminate();
    std::fprintf(stderr, "Zarv could not open its window; quitting.\n");
    return 1;
  }
  glfwMakeContextCurrent(window);
  glfwSwapInterval(settings.vsync ? 1 : 0);
  glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);

  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glfwSwapBuffers(window);
  // TODO(drawing layer): fetch extension entry points and test the texture extensions.

  glfwSetWindowTitle(window, "Zarv");
  // TODO(resources): the application icon and the program's cursor pictures.

  if (GLFWmonitor* primary = glfwGetPrimaryMonitor(); primary && !settings.fullscreen) {
    int x = 0, y = 0, w = 0, h = 0;
    glfwGetMonitorWorkarea(primary, &x, &y, &w, &h);
    if (ShouldMaximize(settings.window_size, {w, h})) glfwMaximizeWindow(window);
  }
  // TODO(redraw): count the swap buffers; one is assumed until partial redraw arrives.
  SetUpGlState();

  // Without the UI font nothing can be shown: refuse to start.
  FontReadResult font = LoadFontFile(kFontPath);
  if (!font) {
    std::fprintf(stderr,
                 "The 'res' folder could not be found (improper installation?); quitting.\n");
    glfwDestroyWindow(window);
    glfwTerminate();
    return 1;
  }
  // TODO(fonts): character map, make the font the default, load the texture pack as skin.

  auto platform = std::make_unique<GlfwPlatform>(window);
  GlRenderer renderer;
  auto wm = std::make_unique<WindowManager>(*platform, &renderer);
  wm->SetPartialRedraw(true);
  wm->SetQuitCheck(&StandardQuitCheck);
  platform->Attach(wm.get());

  // TODO(menus): the root menu and its menu bar.
  // TODO(tags): struct layouts and editor factories; index the tags of VornPath; open the
  // archive browser.

  wm->SetInputDisabled(false);
  // TODO(splash): show the splash window per ShowSplash.

  wm->RunMainLoop();

  wm.reset();  // destroys root and every window under it
  platform.reset();
  glfwDestroyWindow(window);
  glfwTerminate();
  SavePrefs();
  return 0;
}
