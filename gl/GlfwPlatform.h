#pragma once
#include <array>
#include <memory>
#include <vector>

#include "gui/CursorPack.h"
#include "gui/InputTranslator.h"
#include "gui/Platform.h"

class X11Clipboard;

struct GLFWwindow;
struct GLFWcursor;
class WindowManager;

// The OS side of the editor: the GLFW 3 window, its callbacks turned into the program's
// queued events, the clock, cursors, the beep, the clipboard and presenting frames.
class GlfwPlatform : public Platform {
 public:
  explicit GlfwPlatform(GLFWwindow* window);
  ~GlfwPlatform() override;

  // Installs the callbacks that feed the window manager and reports the current size once.
  void Attach(WindowManager* wm);

  double Now() override;
  void PollEvents() override;
  void Sleep() override;
  void Beep() override;
  void SetCursorShape(int32_t cursor) override;
  void Present() override;
  void SetWindowTitle(const char* title) override;
  bool PutClipboardText(std::string_view text) override;
  bool GetClipboardText(std::string& text) override;
  bool PutClipboardImage(const uint8_t* rgb, int32_t width, int32_t height) override;
  bool GetClipboardImage(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) override;
  void SetSwapCount(int32_t count) { swap_count_ = count; }
  // Takes the program's cursor pictures (res/cursors) for the shapes GLFW lacks and sets the
  // window icon; cursors without a picture fall back to the nearest standard shape.
  void UsePictures(const std::vector<CursorPicture>& pictures);

 private:
  static GlfwPlatform* From(GLFWwindow* window);
  void Queue(const InputEvent& event);

  GLFWwindow* window_;
  WindowManager* wm_ = nullptr;
  InputTranslator translator_;
  // Made on first use, by cursor id.
  std::array<GLFWcursor*, Cursor::kCount> cursors_{};
  std::vector<CursorPicture> pictures_;
  int32_t swap_count_ = 1;
  std::unique_ptr<X11Clipboard> clipboard_;  // null when the display refused a second link
};
