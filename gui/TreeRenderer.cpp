#include "gui/TreeRenderer.h"

#include <algorithm>
#include <cstdio>

#include "gui/Draw.h"
#include "gui/Painter.h"
#include "gui/TextLayout.h"
#include "gui/Window.h"
#include "gui/WindowManager.h"

namespace {
constexpr Color kDim = MakeColor(0, 0, 0, 128);

bool IsOpaque(const Window* w) {
  return (w->Flags() & (WindowFlag::BackgroundA | WindowFlag::BackgroundB)) != 0 &&
         w->GetShowState() != kShowCollapsed;
}

void AppendName(std::string& out, const Window* w) {
  const char* title = w ? w->GetTitle() : nullptr;
  out += (title && *title) ? title : "?";
}
}  // namespace

void TreeRenderer::ClearScreen(WindowManager& wm) {
  Painter* painter = CurrentPainter();
  if (!painter) return;
  const Rect screen{0, 0, wm.ScreenSize().width, wm.ScreenSize().height};
  painter->BeginFrame(wm.ScreenSize());
  SetFrameClip(screen);
  painter->FillScreenRect(screen, kBlack);
  painter->EndFrame();
}

void TreeRenderer::Subtract(const Rect& r) {
  if (r.IsEmpty()) return;
  scratch_.clear();
  for (const Rect& u : uncovered_) {
    if (!u.Intersects(r)) {
      scratch_.push_back(u);
      continue;
    }
    // What is left of u around r: a band above, one below, and the two sides between.
    if (u.top < r.top) scratch_.push_back({u.left, u.top, u.right, r.top});
    if (r.bottom < u.bottom) scratch_.push_back({u.left, r.bottom, u.right, u.bottom});
    const int32_t top = std::max(u.top, r.top);
    const int32_t bottom = std::min(u.bottom, r.bottom);
    if (u.left < r.left) scratch_.push_back({u.left, top, r.left, bottom});
    if (r.right < u.right) scratch_.push_back({r.right, top, u.right, bottom});
  }
  uncovered_.swap(scratch_);
}

bool TreeRenderer::Uncovered(const Rect& r) const {
  for (const Rect& u : uncovered_) {
    if (u.Intersects(r)) return true;
  }
  return false;
}

bool TreeRenderer::UncoveredOutside(const Rect& r, const Rect& inner) const {
  for (const Rect& u : uncovered_) {
    const Rect part = u.Intersection(r);
    if (!part.IsEmpty() && !inner.Contains(part)) return true;
  }
  return false;
}

// Topmost first, children before their parent: what is drawn later (above) is marked first,
// so each window only needs drawing where nothing opaque above it hides it.
void TreeRenderer::Mark(Window* w) {
  if (!w->IsVisible()) {
    w->SetDrawMarks(0);
    return;
  }
  if (overview_) {
    // Shrunk into the overview grid, nothing hides anything.
    for (Window* c = w->FirstChild(); c; c = c->NextSibling()) Mark(c);
    w->SetDrawMarks(Window::kMarkContent | Window::kMarkFrame);
    return;
  }
  const bool collapsed = w->GetShowState() == kShowCollapsed;
  if (!collapsed) {
    for (Window* c = w->FirstChild(); c; c = c->NextSibling()) Mark(c);
  }
  uint32_t marks = 0;
  if (!collapsed && Uncovered(w->ClientRect())) marks |= Window::kMarkContent;
  if (UncoveredOutside(w->FrameRectWithShadow(), collapsed ? Rect{} : w->ClientRect())) {
    marks |= Window::kMarkFrame;
  }
  w->SetDrawMarks(marks);
  if (IsOpaque(w)) Subtract(w->ClientRect());
}

void TreeRenderer::DrawWindow(WindowManager& wm, Window* w) {
  Painter* painter = CurrentPainter();
  if (w == dim_target_ && painter) painter->FillScreenRect(clip_, kDim);
  if (!w->IsVisible()) return;
  const bool overview = wm.OverviewShown();
  const uint32_t marks = w->DrawMarks();
  // Unmarked windows draw nothing of their own, but their children may still need drawing:
  // opaque children covering all of a window inside the clip are what leave it unmarked.
  const bool drawn = overview || marks != 0;
  const bool collapsed = w->GetShowState() == kShowCollapsed;
  if (drawn && !collapsed && (marks & Window::kMarkContent) && w->ClientRect().Intersects(clip_)) {
    ++windows_drawn_;
    ++CurrentDrawStats().windows_drawn;
    if (BeginWindowDrawing(w, true)) {
      w->DrawBackground();
      w->Draw();
      EndWindowDrawing();
    }
  }
  if (drawn && ((marks & Window::kMarkFrame) || !w->ClientRect().Contains(clip_) || overview)) {
    ++frames_drawn_;
    ++CurrentDrawStats().frames_drawn;
    if (BeginWindowDrawing(w, false)) {
      w->DrawFrame();
      EndWindowDrawing();
    }
  }
  w->SetDrawMarks(0);
  if (!collapsed) {
    for (Window* c = w->LastChild(); c; c = c->PrevSibling()) DrawWindow(wm, c);
  }
  if (!drawn) return;
  if (const int32_t mark = w->SnapshotMark(); mark != 0 && painter) {
    w->SetSnapshotMark(0);
    const Rect r = (mark == 2 ? w->ClientRect() : w->FrameRect())
                       .Intersection({0, 0, wm.ScreenSize().width, wm.ScreenSize().height});
    if (!r.IsEmpty() && painter->ReadPixels(r, snapshot_.rgb)) {
      snapshot_.size = {r.Width(), r.Height()};
      wm.GetPlatform().PutClipboardImage(snapshot_.rgb.data(), r.Width(), r.Height());
      if (sink_) sink_(snapshot_);
    }
  }
}

void TreeRenderer::DrawPass(WindowManager& wm, const Rect& clip) {
  clip_ = clip;
  SetFrameClip(clip);
  uncovered_.assign(1, clip);
  overview_ = wm.OverviewShown();
  Window* root = wm.Root();
  for (Window* layer = root->FirstChild(); layer; layer = layer->NextSibling()) Mark(layer);
  root->SetDrawMarks(Window::kMarkContent | Window::kMarkFrame);
  DrawWindow(wm, root);
}

bool TreeRenderer::Render(WindowManager& wm) {
  const bool full = (wm.RedrawFlags() & WindowManager::kRedrawFull) != 0;
  if (!full && wm.DirtyRects().empty()) return false;
  Painter* painter = CurrentPainter();
  const Size size = wm.ScreenSize();
  const Rect screen{0, 0, size.width, size.height};
  windows_drawn_ = 0;
  frames_drawn_ = 0;
  ++render_count_;
  // The overlay counts the frames it is shown in (this one included), so that its number
  // tells how often the screen was drawn while someone watched.
  if (wm.DebugOverlay()) ++frames_rendered_;
  if (painter) painter->BeginFrame(size);

  // Dim below the topmost modal window that asks for it.
  dim_target_ = nullptr;
  for (int32_t i = wm.ModalDepth(); i-- > 0;) {
    if (wm.ModalFlagsAt(i) & WindowManager::kModalDim) {
      Window* w = wm.ModalWindowAt(i);
      dim_target_ = w ? w->TopLevelAncestor() : nullptr;
      break;
    }
  }

  if (full) {
    DrawPass(wm, screen);
  } else {
    if (wm.DebugOverlay()) DrawPass(wm, {4, size.height - 48, size.width, size.height});
    for (const Rect& r : wm.DirtyRects()) DrawPass(wm, r);
    if (wm.DirtyOutlines() && painter) {
      for (const Rect& r : wm.DirtyRects()) {
        painter->OutlineScreenRect(
            r, MakeColor(static_cast<uint8_t>(std::rand()), static_cast<uint8_t>(std::rand()),
                         static_cast<uint8_t>(std::rand())));
      }
    }
  }
  wm.ClearRedraw();
  SetFrameClip(screen);
  Rect image_rect;
  if (const WindowManager::DragImagePainter* image = wm.DragImage(&image_rect)) {
    if (painter && painter->BeginWindow(image_rect, image_rect.Intersection(screen), false)) {
      image->draw(*wm.DragData());
      FlushSprites();
      painter->EndWindow();
    }
  }
  if (wm.InputDisabled() && painter) painter->FillScreenRect(screen, kDim);
  // Last, so that no dirty rectangle drawn after it covers the text.
  if (wm.DebugOverlay()) {
    DrawOverlay(wm);
    SetFrameClip(screen);
  }
  if (painter) painter->EndFrame();
  return true;
}

void TreeRenderer::DrawOverlay(WindowManager& wm) {
  const Size size = wm.ScreenSize();
  overlay_.clear();
  char line[64];
  std::snprintf(line, sizeof line, "frames rendered: %d\n", frames_rendered_);
  overlay_ += line;
  overlay_ += "focus: ";
  chain_.clear();
  for (Window* w = wm.Focus(); w; w = w->Parent()) chain_.push_back(w);
  for (size_t i = chain_.size(); i-- > 0;) {
    AppendName(overlay_, chain_[i]);
    if (i) overlay_ += " -> ";
  }
  overlay_ += "\nmodal stack: ";
  for (int32_t i = 0; i < wm.ModalDepth(); ++i) {
    if (i) overlay_ += " -> ";
    AppendName(overlay_, wm.ModalWindowAt(i));
  }
  overlay_ += "\n";
  SetFrameClip({4, size.height - 48, size.width, size.height});
  if (BeginWindowDrawing(wm.Layer1(), true)) {
    SetDrawColor(kWhite);
    const Font* font = wm.Layer1()->GetFont();
    DrawText(font, overlay_, 0, 0x106,
             {4, size.height - 48 - wm.Layer1()->ClientRect().top, size.width, size.height});
    EndWindowDrawing();
  }
}
