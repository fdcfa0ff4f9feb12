#include "gl/GlfwPlatform.h"

#include <GLFW/glfw3.h>
#include <time.h>

#include <cstdio>

#include "base/CharMap.h"
#include "gl/GlPresenter.h"
#include "gl/GlfwX11.h"
#include "gl/X11Clipboard.h"
#include "gui/WindowManager.h"

GlfwPlatform::GlfwPlatform(GLFWwindow* window)
    : window_(window), translator_([this](const InputEvent& e) { Queue(e); }) {
  glfwSetWindowUserPointer(window_, this);
  std::string error;
  clipboard_ = X11Clipboard::Open(error);
  if (!clipboard_) std::fprintf(stderr, "Zarv: no clipboard: %s\n", error.c_str());
}

GlfwPlatform::~GlfwPlatform() {
  for (GLFWcursor* c : cursors_) {
    if (c) glfwDestroyCursor(c);
  }
  glfwSetWindowUserPointer(window_, nullptr);
}

GlfwPlatform* GlfwPlatform::From(GLFWwindow* window) {
  return static_cast<GlfwPlatform*>(glfwGetWindowUserPointer(window));
}

void GlfwPlatform::Queue(const InputEvent& event) {
  if (!wm_) return;
  if (event.type == kEventClose)
    wm_->PostCloseRequest();
  else
    wm_->QueueEvent(event);
}

void GlfwPlatform::Attach(WindowManager* wm) {
  wm_ = wm;
  glfwSetWindowRefreshCallback(window_, [](GLFWwindow* w) {
    if (GlfwPlatform* p = From(w); p && p->wm_) p->wm_->OnRefresh();
  });
  glfwSetWindowCloseCallback(window_, [](GLFWwindow* w) {
    // The program decides about quitting; the window stays open until then.
    glfwSetWindowShouldClose(w, GLFW_FALSE);
    if (GlfwPlatform* p = From(w)) p->translator_.OnClose();
  });
  glfwSetCharModsCallback(window_, [](GLFWwindow* w, unsigned int codepoint, int mods) {
    if (GlfwPlatform* p = From(w)) p->translator_.OnCharMods(codepoint, mods);
  });
  glfwSetKeyCallback(window_, [](GLFWwindow* w, int key, int, int action, int) {
    if (GlfwPlatform* p = From(w)) p->translator_.OnKey(key, action);
  });
  glfwSetCursorPosCallback(window_, [](GLFWwindow* w, double x, double y) {
    if (GlfwPlatform* p = From(w)) p->translator_.OnCursorPos(x, y);
  });
  glfwSetScrollCallback(window_, [](GLFWwindow* w, double dx, double dy) {
    if (GlfwPlatform* p = From(w)) p->translator_.OnScroll(dx, dy);
  });
  glfwSetMouseButtonCallback(window_, [](GLFWwindow* w, int button, int action, int) {
    GlfwPlatform* p = From(w);
    if (!p) return;
    double x = 0;
    double y = 0;
    glfwGetCursorPos(w, &x, &y);
    p->translator_.OnMouseButton(button, action, x, y, glfwGetTime());
  });
  glfwSetWindowSizeCallback(window_, [](GLFWwindow* w, int width, int height) {
    if (GlfwPlatform* p = From(w); p && p->wm_) p->wm_->ResizeScreen(width, height);
  });
  int width = 0;
  int height = 0;
  glfwGetWindowSize(window_, &width, &height);
  wm->ResizeScreen(width, height);
}

double GlfwPlatform::Now() {
  return glfwGetTime();
}

void GlfwPlatform::PollEvents() {
  glfwPollEvents();
  if (clipboard_) clipboard_->Service();
}

void GlfwPlatform::Sleep() {
  const timespec ts{0, 1000000};
  nanosleep(&ts, nullptr);
}

void GlfwPlatform::Beep() {
  X11Beep();
}

void GlfwPlatform::SetCursorShape(int32_t cursor) {
  // Shapes GLFW 3.3 lacks (diagonals, the program's own pictures) fall back to near ones
  // until the program's cursor images are supplied.
  int shape = GLFW_ARROW_CURSOR;
  switch (cursor) {
    case Cursor::SizeHorizontal:
      shape = GLFW_HRESIZE_CURSOR;
      break;
    case Cursor::SizeVertical:
      shape = GLFW_VRESIZE_CURSOR;
      break;
    case Cursor::SizeDiagonalDown:
    case Cursor::SizeDiagonalUp:
    case Cursor::Cross:
      shape = GLFW_CROSSHAIR_CURSOR;
      break;
    case Cursor::TextBeam:
      shape = GLFW_IBEAM_CURSOR;
      break;
    case Cursor::DropAllowed:
      shape = GLFW_HAND_CURSOR;
      break;
    default:
      break;
  }
  const size_t slot = static_cast<size_t>(shape - GLFW_ARROW_CURSOR);
  if (slot >= cursors_.size()) return;
  if (!cursors_[slot]) cursors_[slot] = glfwCreateStandardCursor(shape);
  glfwSetCursor(window_, cursors_[slot]);
}

void GlfwPlatform::Present() {
  GlPresenter::Present(window_, swap_count_);
}

bool GlfwPlatform::PutClipboardText(std::string_view text) {
  return clipboard_ && clipboard_->PutText(ProgramCharMap().NarrowToUtf8(text));
}

bool GlfwPlatform::GetClipboardText(std::string& text) {
  std::string utf8, target, error;
  if (!clipboard_ || !clipboard_->GetText(utf8, target, error)) return false;
  text = ProgramCharMap().Utf8ToNarrow(utf8);
  return true;
}

bool GlfwPlatform::PutClipboardImage(const uint8_t* rgb, int32_t width, int32_t height) {
  return clipboard_ && clipboard_->PutImage(rgb, width, height);
}

bool GlfwPlatform::GetClipboardImage(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) {
  X11Clipboard::Image image;
  std::string error;
  if (!clipboard_ || !clipboard_->GetImage(image, error)) return false;
  rgb = std::move(image.rgb);
  width = image.width;
  height = image.height;
  return true;
}
