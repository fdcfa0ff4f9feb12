#include "app/GlRenderer.h"

#include <GL/gl.h>

#include <cstring>

#include "app/WindowManager.h"
#include "gui/Button.h"

namespace {
void FillRect(const Rect& r, float red, float green, float blue, float alpha = 1.0f) {
  glColor4f(red, green, blue, alpha);
  glRectf(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right),
          static_cast<float>(r.bottom));
}

void BeginPixels(const Size& screen) {
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glViewport(0, 0, screen.width, screen.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, screen.width, screen.height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
}  // namespace

void GlRenderer::ClearScreen(WindowManager& /*wm*/) {
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

bool GlRenderer::Render(WindowManager& wm) {
  const bool needed = (wm.RedrawFlags() & WindowManager::kRedrawFull) || !wm.DirtyRects().empty();
  if (!needed) return false;
  wm.ClearRedraw();
  BeginPixels(wm.ScreenSize());
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  DrawTree(wm, wm.Root());
  if (wm.InputDisabled()) FillRect({0, 0, wm.ScreenSize().width, wm.ScreenSize().height}, 0, 0, 0, 0.5f);
  glEnable(GL_DEPTH_TEST);
  return true;
}

void GlRenderer::DrawTree(WindowManager& wm, Window* w) {
  if (!w->IsVisible()) return;
  DrawWindow(wm, w);
  if (w->GetShowState() == kShowCollapsed) return;
  for (Window* c = w->LastChild(); c; c = c->PrevSibling()) DrawTree(wm, c);
}

void GlRenderer::DrawWindow(WindowManager& wm, Window* w) {
  // Everything below the topmost dimming modal window is drawn darker.
  if (w->TopLevelAncestor() == w && wm.IsInModalStack(w, true) &&
      (wm.TopModalFlags() & WindowManager::kModalDim)) {
    FillRect({0, 0, wm.ScreenSize().width, wm.ScreenSize().height}, 0, 0, 0, 0.5f);
  }
  if (w->HasFlags(WindowFlag::DropShadow)) FillRect(w->FrameRect().Offset(16, 16), 0, 0, 0, 0.35f);
  if (w->BorderWidth() > 0 || w->HasFlags(WindowFlag::TitleBar)) {
    FillRect(w->FrameRect(), 0.35f, 0.37f, 0.42f);
  }
  const Rect bar = w->TitleBarRect();
  if (!bar.IsEmpty()) {
    const bool active = w->Parent() && w->Parent()->FirstChild() == w;
    if (active) FillRect(bar, 0.16f, 0.32f, 0.62f);
    else FillRect(bar, 0.28f, 0.30f, 0.36f);
    for (uint32_t part : {Part::Button1, Part::Button2, Part::Button3}) {
      const Rect b = w->TitleButtonRect(part);
      if (b.IsEmpty()) continue;
      const float shade = w->PressedTitleButton() == part ? 0.45f : 0.75f;
      FillRect({b.left + 3, b.top + 3, b.right - 3, b.bottom - 3}, shade, shade, shade);
    }
  }
  if (w->HasFlags(WindowFlag::BackgroundA) && w != wm.Layer0()) {
    FillRect(w->ClientRect(), 0.22f, 0.23f, 0.26f);
  } else if (w == wm.Layer0()) {
    FillRect(w->ClientRect(), 0.10f, 0.11f, 0.13f);
  } else if (w->HasFlags(WindowFlag::BackgroundB)) {
    FillRect(w->ClientRect(), 0.28f, 0.29f, 0.32f);
  }
  if (std::strcmp(w->GetClassName(), "Button") == 0 || std::strcmp(w->GetClassName(), "CheckBox") == 0) {
    const auto* b = static_cast<const Button*>(w);
    const bool pressed = b->GetState() == Button::kPressedOff || b->GetState() == Button::kPressedOn;
    const float shade = pressed ? 0.40f : 0.62f;
    FillRect(w->FrameRect(), shade, shade, shade + 0.04f);
    if (w->HasFocus()) {
      const Rect r = w->FrameRect();
      FillRect({r.left, r.bottom - 3, r.right, r.bottom}, 0.95f, 0.75f, 0.2f);
    }
  }
  w->Draw();
}
