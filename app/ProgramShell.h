#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/CursorPack.h"

struct GLFWwindow;
class Font;
class GlPainter;
class GlScene3D;
class GlfwPlatform;
class PrefsChooserMemory;
class TreeRenderer;
class WindowManager;

// The start-up and shut-down that the editor and the programs that test it in a real window
// (the gallery) share, in their fixed order.
class ProgramShell {
 public:
  ProgramShell();
  ~ProgramShell();
  ProgramShell(const ProgramShell&) = delete;
  ProgramShell& operator=(const ProgramShell&) = delete;

  // The working folder becomes the executable's, the preferences are read, the window titled
  // `title` opens with its GL state, the UI font, character map, skin and cursors are loaded,
  // and the window manager is ready for windows (input still disabled). False when start-up
  // cannot go on: the reason has been shown on standard error and in an "Error" window.
  bool Start(const char* title);

  // Destroys the window tree and frees font and skin; then `release` runs (the tag index goes
  // there), GLFW ends and the preferences are written.
  void ShutDown(const std::function<void()>& release = {});

  WindowManager& wm() { return *wm_; }
  GlfwPlatform& platform() { return *platform_; }
  Font& font() { return *font_; }
  TreeRenderer& renderer() { return *renderer_; }
  GLFWwindow* window() const { return window_; }

 private:
  bool Fail(const std::string& message);

  GLFWwindow* window_ = nullptr;
  bool glfw_ = false;
  bool started_ = false;
  std::unique_ptr<GlPainter> painter_;
  std::unique_ptr<GlScene3D> scene3d_;  // the 3-D views draw through it
  std::unique_ptr<Font> font_;
  std::unique_ptr<GlfwPlatform> platform_;
  std::unique_ptr<TreeRenderer> renderer_;
  std::unique_ptr<WindowManager> wm_;
  std::unique_ptr<PrefsChooserMemory> chooser_memory_;
  std::vector<CursorPicture> cursor_pictures_;
};
