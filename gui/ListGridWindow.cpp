#include "gui/ListGridWindow.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/SkinIds.h"

ListGridWindow::ListGridWindow(uint32_t window_flags, Window* parent)
    : Window(window_flags, parent) {
  toggle_ = new Button(this, 0);
  Connect<&ListGridWindow::OnToggleClicked>(toggle_->clicked, this);
  toggle_->SizeToFit();
  LayOut();
}

Rect ListGridWindow::ViewRect() const {
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  return {0, std::min(kStripHeight, h), w, h};
}

Window* ListGridWindow::SetGridView(Window* grid) {
  return SetView(grid_, list_, grid);
}

Window* ListGridWindow::SetListView(Window* list) {
  return SetView(list_, grid_, list);
}

Window* ListGridWindow::SetView(Window*& slot, Window*& other, Window* view) {
  if (view == slot) return nullptr;
  Window* previous = slot;
  placing_ = true;
  if (view && view == other) other = nullptr;  // moves from the other place
  if (view == shown_) shown_ = nullptr;
  slot = view;
  if (previous) {
    if (previous == shown_) shown_ = nullptr;
    // It leaves the frame for good: it must not lead Tab back here.
    previous->LeaveTabOrder();
    previous->SetParent(nullptr);
  }
  if (view) {
    view->SetParent(this);
    view->Hide();
  }
  placing_ = false;
  if (!shown_) {
    if (view)
      ShowView(view, false);
    else if (other)
      ShowView(other, false);
  }
  UpdateTabOrder();
  return previous;
}

void ListGridWindow::Toggle() {
  if (!shown_) return;
  Window* next = shown_ == grid_ ? list_ : grid_;
  if (!next) return;
  ShowView(next, true);
  view_changed.Emit(reinterpret_cast<intptr_t>(shown_));
}

void ListGridWindow::OnToggleClicked(intptr_t) {
  Toggle();
}

void ListGridWindow::ShowView(Window* view, bool focus) {
  Window* other = view == grid_ ? list_ : grid_;
  shown_ = view;
  if (toggle_) {
    toggle_->SetTitle(view == grid_ ? kGridLabel : kListLabel);
    toggle_->SizeToFit();
  }
  LayOut();
  view->Show();
  if (focus) SetFocus(view, 0);
  // Hidden only now: a hidden view that held the focus would hand it to some sibling first.
  if (other) other->Hide();
  Invalidate();
}

void ListGridWindow::LayOut() {
  if (shown_) shown_->SetFrameRect(ViewRect());
  if (toggle_) {
    const Rect r = toggle_->FrameRectInParent();
    const int32_t right = ClientRect().Width() - kButtonMargin;
    toggle_->SetFrameRect({right - r.Width(), kButtonMargin, right, kButtonMargin + r.Height()});
  }
}

void ListGridWindow::OnResized() {
  LayOut();
}

void ListGridWindow::DrawBackground() {
  Window::DrawBackground();
  const int32_t w = ClientRect().Width();
  const int32_t strip = std::min(kStripHeight, ClientRect().Height());
  // The strip reads as a bar above the view: the background tile, a little darker, with a
  // dark line along its bottom.
  SetDrawColor(MakeColor(176, 176, 176));
  SetOpaqueDrawing(true);
  QueueSprite(kSkinBackground, {0, 0, w, strip});
  SetOpaqueDrawing(false);
  SetDrawColor(MakeColor(0, 0, 0, 96));
  FillRect({0, strip - 1, w, strip});
  SetDrawColor(kWhite);
}

FocusGain ListGridWindow::OnFocusGained(Window* /*old_focus*/, int32_t /*reason*/) {
  FocusGain gain;
  if (shown_ && shown_->IsVisible()) gain.redirect = shown_;
  return gain;
}

void ListGridWindow::OnChildRemoved(Window* child) {
  if (placing_) return;
  const bool was_shown = child == shown_;
  if (child == grid_ || child == list_ || child == toggle_) child->LeaveTabOrder();
  if (child == toggle_) toggle_ = nullptr;
  if (child == grid_) grid_ = nullptr;
  if (child == list_) list_ = nullptr;
  if (was_shown) {
    shown_ = nullptr;
    if (Window* rest = grid_ ? grid_ : list_) ShowView(rest, false);
  }
  UpdateTabOrder();
}

void ListGridWindow::UpdateTabOrder() {
  Window::SetTabOrder({toggle_, list_, grid_});
}
