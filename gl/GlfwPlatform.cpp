#include "gl/GlfwPlatform.h"

#include <GLFW/glfw3.h>
#include <time.h>

#include <cstdio>

#include "base/CharMap.h"
#include "base/MessageLog.h"
#include "gl/GlPresenter.h"
#include "gl/GlfwX11.h"
#include "gl/X11Clipboard.h"
#include "gui/WindowManager.h"

GlfwPlatform::GlfwPlatform(GLFWwindow* window)
    : window_(window), translator_([this](const InputEvent& e) { Queue(e); }) {
  glfwSetWindowUserPointer(window_, this);
  std::string error;
  clipboard_ = X11Clipboard::Open(error);
  if (!clipboard_) LogMessage(1, "Zarv", "No clipboard: %s\n", error.c_str());
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
  glfwSetKeyCallback(window_, [](GLFWwindow* w, int key, int scancode, int action, int) {
    GlfwPlatform* p = From(w);
    if (!p) return;
    // GLFW reports a layout's AltGr key as the right Alt key whatever its keycode; only the
    // X server's keymap tells whether it is Alt or chooses characters.
    const bool alt_key = key == GLFW_KEY_RIGHT_ALT || key == GLFW_KEY_LEFT_ALT;
    p->translator_.OnKey(key, action, alt_key && X11IsLevelShiftKey(scancode));
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

void GlfwPlatform::UsePictures(const std::vector<CursorPicture>& pictures) {
  pictures_ = pictures;
  for (const CursorPicture& p : pictures_) {
    if (p.id != CursorPack::kIconId) continue;
    GLFWimage icon{p.width, p.height, const_cast<unsigned char*>(p.rgba.data())};
    glfwSetWindowIcon(window_, 1, &icon);
  }
}

void GlfwPlatform::SetCursorShape(int32_t cursor) {
  if (cursor < 0 || cursor >= Cursor::kCount) cursor = Cursor::Arrow;
  GLFWcursor*& slot = cursors_[static_cast<size_t>(cursor)];
  if (!slot) {
    // Two ids share each of these pictures.
    const int32_t picture_id = cursor == Cursor::NotAllowed ? Cursor::DropRefused
                               : cursor == Cursor::DropCopy ? Cursor::DropAllowed
                                                            : cursor;
    for (const CursorPicture& p : pictures_) {
      if (p.id != picture_id) continue;
      GLFWimage image{p.width, p.height, const_cast<unsigned char*>(p.rgba.data())};
      slot = glfwCreateCursor(&image, p.hot_x, p.hot_y);
    }
  }
  if (!slot) {
    int shape = GLFW_ARROW_CURSOR;
    switch (cursor) {
      case Cursor::SizeHorizontal:
        shape = GLFW_HRESIZE_CURSOR;
        break;
      case Cursor::SizeVertical:
        shape = GLFW_VRESIZE_CURSOR;
        break;
      case Cursor::TextBeam:
        shape = GLFW_IBEAM_CURSOR;
        break;
      case Cursor::Cross:
      case Cursor::SizeDiagonalDown:
      case Cursor::SizeDiagonalUp:
      case Cursor::Pick:
        shape = GLFW_CROSSHAIR_CURSOR;
        break;
      case Cursor::DropAllowed:
      case Cursor::DropCopy:
      case Cursor::Move:
      case Cursor::Brush:
        shape = GLFW_HAND_CURSOR;
        break;
      default:
        break;
    }
    slot = glfwCreateStandardCursor(shape);
  }
  glfwSetCursor(window_, slot);
}

void GlfwPlatform::Present() {
  GlPresenter::Present(window_, swap_count_);
}

void GlfwPlatform::SetWindowTitle(const char* title) {
  glfwSetWindowTitle(window_, title ? title : "");
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
