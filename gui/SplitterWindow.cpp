#include "gui/SplitterWindow.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Platform.h"
#include "gui/Skin.h"
#include "gui/SkinMetrics.h"
#include "gui/WindowManager.h"

SplitterWindow::SplitterWindow(uint32_t flags, Window* parent) : Window(flags, parent) {
  SetTitle("SplitterWindow");
}

int32_t SplitterWindow::Constrain(int32_t p, int32_t total, int32_t mode, int32_t m1, int32_t m2) {
  const int32_t smaller = std::min(m1, m2);
  int32_t result = p;
  if (total - 2 * smaller < 0) {
    result = total / 2;
  } else if (m1 > total - m2) {
    // Both minimums cannot be had: the smaller one is kept on both sides.
    result = total - smaller;
  } else if (mode == kFirstFixed) {
    result = m1;
  } else if (mode == kSecondFixed) {
    result = total - m2;
  } else {
    result = std::clamp(p, m1, total - m2);
  }
  return std::clamp(result, 0, std::max(0, total));
}

int32_t SplitterWindow::Total() const {
  const Rect& c = ClientRect();
  return orientation_ == kSideBySide ? c.Width() : c.Height();
}

int32_t SplitterWindow::BarThickness() const {
  return CurrentSkinMetrics().thick_border;
}

Window* SplitterWindow::Pane(int32_t index) const {
  return index == 0 || index == 1 ? panes_[static_cast<size_t>(index)] : nullptr;
}

Window* SplitterWindow::SetPane(int32_t index, Window* pane, int32_t minimum_size) {
  if (index != 0 && index != 1) return nullptr;
  const size_t i = static_cast<size_t>(index);
  Window* previous = panes_[i];
  if (previous == pane) {
    minimum_[i] = std::max(0, minimum_size);
    SetDividerPosition(position_);
    return nullptr;
  }
  placing_ = true;
  if (pane && panes_[1 - i] == pane) panes_[1 - i] = nullptr;
  panes_[i] = pane;
  minimum_[i] = std::max(0, minimum_size);
  if (previous) previous->SetParent(nullptr);
  if (pane) pane->SetParent(this);
  placing_ = false;
  SetDividerPosition(position_);
  return previous;
}

void SplitterWindow::OnChildRemoved(Window* child) {
  if (placing_) return;
  for (Window*& pane : panes_) {
    if (pane == child) pane = nullptr;
  }
  LayOut();
}

void SplitterWindow::SetOrientation(int32_t orientation) {
  orientation_ = orientation == kStacked ? kStacked : kSideBySide;
  SetDividerPosition(position_);
}

void SplitterWindow::SetMode(int32_t mode) {
  mode_ = std::clamp(mode, 0, 2);
  SetDividerPosition(position_);
}

void SplitterWindow::SetDividerPosition(int32_t position) {
  position_ = Constrain(position, Total(), mode_, minimum_[0], minimum_[1]);
  LayOut();
  InvalidateClient();
}

void SplitterWindow::OnResized() {
  SetDividerPosition(position_);
}

Rect SplitterWindow::DividerRect() const {
  if (!panes_[0] || !panes_[1]) return {};
  const Rect& c = ClientRect();
  const int32_t b = BarThickness();
  if (orientation_ == kSideBySide) {
    const int32_t x = c.left + position_;
    return {x, c.top, std::min(c.right, x + b), c.bottom};
  }
  const int32_t y = c.top + position_;
  return {c.left, y, c.right, std::min(c.bottom, y + b)};
}

void SplitterWindow::LayOut() {
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  Window* first = panes_[0];
  Window* second = panes_[1];
  if (!first || !second) {
    if (Window* only = first ? first : second) only->SetFrameRect({0, 0, w, h});
    return;
  }
  // No pane is ever given a negative size, however small the splitter gets.
  const int32_t after = std::min(position_ + BarThickness(), orientation_ == kSideBySide ? w : h);
  if (orientation_ == kSideBySide) {
    first->SetFrameRect({0, 0, std::max(0, position_), h});
    second->SetFrameRect({after, 0, std::max(after, w), h});
  } else {
    first->SetFrameRect({0, 0, w, std::max(0, position_)});
    second->SetFrameRect({0, after, w, std::max(after, h)});
  }
}

void SplitterWindow::Draw() {
  const Rect bar = DividerRect();
  if (bar.IsEmpty()) return;
  const Rect local = bar.Offset(-ClientRect().left, -ClientRect().top);
  QueueSprite(kSkinSplitterBar, local, orientation_ == kSideBySide ? SpriteFlag::Rotate : 0);
}

void SplitterWindow::OnMouseButton(InputEvent& event) {
  if (mode_ != kUserPlaced || event.c != 0 || event.d != 1) return;
  if (!DividerRect().Contains(Point{event.a, event.b})) return;
  drag_start_position_ = position_;
  dragging_ = WM().TrackMouse(this, nullptr);
}

void SplitterWindow::OnTrackMouse(Point start, Point current, int32_t phase) {
  if (!dragging_) return;
  if (phase != kTrackStart) {
    const int32_t moved = orientation_ == kSideBySide ? current.x - start.x : current.y - start.y;
    SetDividerPosition(drag_start_position_ + moved);
  }
  if (phase == kTrackEnd) dragging_ = false;
}

void SplitterWindow::OnMouseMove(InputEvent& event) {
  int32_t cursor = Cursor::Arrow;
  if (mode_ == kUserPlaced && DividerRect().Contains(Point{event.a, event.b})) {
    cursor = orientation_ == kSideBySide ? Cursor::SizeHorizontal : Cursor::SizeVertical;
  }
  if (cursor == ClientCursor()) return;
  SetClientCursor(cursor);
  WM().RecomputeHover();  // shows the new cursor now rather than at the next move
}

void SplitterWindow::OnMouseLeave(uint32_t /*new_part*/, uint32_t /*old_part*/) {
  SetClientCursor(Cursor::Arrow);
}
