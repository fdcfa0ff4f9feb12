#pragma once
#include "app/Platform.h"

class Window;

// Draws the window tree with flat OpenGL colours: frames, title bars, backgrounds and the
// pressed state of buttons. The skin, text and partial redraw replace this as they arrive.
class GlRenderer : public Renderer {
 public:
  bool Render(WindowManager& wm) override;
  void ClearScreen(WindowManager& wm) override;

 private:
  void DrawTree(WindowManager& wm, Window* w);
  void DrawWindow(WindowManager& wm, Window* w);
};
