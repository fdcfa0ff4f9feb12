#include "gui/Window.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Skin.h"
#include "gui/SkinMetrics.h"
#include "gui/WindowManager.h"

Window::Window(uint32_t flags, Window* parent) {
  SetFlags(flags | WindowFlag::Always);
  if (flags & WindowFlag::TopLevelContainer) return;
  if (!parent) {
    WindowManager& wm = WM();
    parent = (flags & WindowFlag::FloatingLayer) ? wm.Layer1() : wm.Layer0();
  }
  if (parent) {
    font_ = parent->font_;
    {
      ActiveLookWatch watch(parent);
      LinkFirst(parent);
    }
    parent->OnChildAdded(this);
  }
}

Window::~Window() {
  marks_ |= kMarkDestroying;
  WindowManager* wm = WMOrNull();
  const bool had_focus = wm && wm->Focus() == this;
  if (wm) wm->ForgetWindow(this);

  LeaveTabOrder();

  // Nobody may keep remembering us as the way to the focus.
  for (Window* a = parent_; a; a = a->parent_) {
    if (a->focus_child_ == this) a->focus_child_ = nullptr;
    if (a->focus_proxy_ == this) a->focus_proxy_ = nullptr;
  }

  Window* successor = nullptr;
  if (parent_ && parent_->first_child_ == this) {
    for (Window* s = next_sibling_; s; s = s->next_sibling_) {
      if (s->IsVisible() && !s->IsBeingDestroyed()) {
        successor = s;
        break;
      }
    }
  }
  const Rect area = FrameRectWithShadow();
  const bool was_visible = IsVisible();
  Window* old_parent = parent_;
  if (parent_) {
    {
      ActiveLookWatch watch(old_parent->IsBeingDestroyed() ? nullptr : old_parent);
      Unlink();
    }
    if (!old_parent->IsBeingDestroyed()) old_parent->OnChildRemoved(this);
  }
  while (first_child_) delete first_child_;

  if (wm && old_parent && !old_parent->IsBeingDestroyed()) {
    if (successor) {
      wm->BringToFront(successor);
      if (had_focus || !wm->Focus()) SetFocus(successor, 0);
    }
    if (!wm->Focus()) {
      // Give the focus back along the remembered path of the topmost remaining window.
      for (Window* layer : {wm->Layer1(), wm->Layer0()}) {
        for (Window* w = layer ? layer->FirstChild() : nullptr; w; w = w->next_sibling_) {
          if (w->IsVisible() && !w->IsBeingDestroyed()) {
            SetFocus(w, 0);
            break;
          }
        }
        if (wm->Focus()) break;
      }
    }
    if (was_visible) wm->InvalidateRect(nullptr, area, true);
  }
}

void Window::LinkFirst(Window* parent) {
  parent_ = parent;
  prev_sibling_ = nullptr;
  next_sibling_ = parent->first_child_;
  if (parent->first_child_) parent->first_child_->prev_sibling_ = this;
  parent->first_child_ = this;
  if (!parent->last_child_) parent->last_child_ = this;
  ++parent->child_count_;
}

void Window::Unlink() {
  if (!parent_) return;
  if (prev_sibling_)
    prev_sibling_->next_sibling_ = next_sibling_;
  else
    parent_->first_child_ = next_sibling_;
  if (next_sibling_)
    next_sibling_->prev_sibling_ = prev_sibling_;
  else
    parent_->last_child_ = prev_sibling_;
  --parent_->child_count_;
  prev_sibling_ = next_sibling_ = nullptr;
  parent_ = nullptr;
}

bool Window::IsAncestorOf(const Window* w) const {
  for (; w; w = w->parent_) {
    if (w == this) return true;
  }
  return false;
}

bool Window::OwnsOrIsAncestorOf(const Window* w) const {
  for (; w; w = w->owner_ ? w->owner_ : w->parent_) {
    if (w == this) return true;
  }
  return false;
}

void Window::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  OnFlagsChanged(WindowFlag::EnabledState);
}

void Window::SetParent(Window* new_parent) {
  if (new_parent == parent_ || (new_parent && IsAncestorOf(new_parent))) return;
  Window* old_parent = parent_;
  OnParentChanging(old_parent, new_parent);
  const Rect rel = FrameRectInParent();
  Invalidate();
  if (old_parent) {
    for (Window* a = old_parent; a; a = a->parent_) {
      if (a->focus_child_ && IsAncestorOf(a->focus_child_)) a->focus_child_ = nullptr;
    }
    {
      ActiveLookWatch watch(old_parent);
      Unlink();
    }
    old_parent->OnChildRemoved(this);
  }
  if (new_parent) {
    ActiveLookWatch watch(new_parent);
    LinkFirst(new_parent);
    // Keep the position relative to the parent: the screen rectangles follow the new parent.
    const Rect& pc = new_parent->client_;
    ApplyFrame(rel.Offset(pc.left, pc.top));
    new_parent->OnChildAdded(this);
  }
  if (WindowManager* wm = WMOrNull()) wm->RecomputeHover();
}

Window* Window::TopLevelAncestor() {
  Window* w = this;
  while (w->parent_ && !(w->parent_->flags_ & WindowFlag::TopLevelContainer)) w = w->parent_;
  if (w->flags_ & WindowFlag::TopLevelContainer) return nullptr;
  return w;
}

Window* Window::ActiveChild(const Window* container) {
  // A window being destroyed still counts while it is linked, so that its successor is seen
  // to take over the look once it is gone.
  for (Window* c = container ? container->first_child_ : nullptr; c; c = c->next_sibling_) {
    if (c->IsVisible()) return c;
  }
  return nullptr;
}

Window::ActiveLookWatch::ActiveLookWatch(Window* container) {
  // Only the children of top-level containers have a look of their own; everything inside
  // them follows its top-level window.
  if (!container || !(container->flags_ & WindowFlag::TopLevelContainer) || !WMOrNull()) return;
  container_ = container;
  before_ = ActiveChild(container);
}

Window::ActiveLookWatch::~ActiveLookWatch() {
  if (!container_) return;
  Window* after = ActiveChild(container_);
  if (after == before_) return;
  for (Window* w : {before_, after}) {
    if (w && !w->IsBeingDestroyed()) w->InvalidateTitleBars();
  }
}

void Window::InvalidateTitleBars() {
  WindowManager* wm = WMOrNull();
  if (!wm || !parent_) return;
  if (flags_ & WindowFlag::TitleBar) wm->InvalidateRect(this, TitleBarRect(), false);
  for (Window* c = first_child_; c; c = c->next_sibling_) c->InvalidateTitleBars();
}

void Window::SetFlags(uint32_t flags) {
  flags |= WindowFlag::Always;
  const uint32_t changed = flags ^ flags_;
  if (!changed) return;
  // Showing or hiding a top-level window can hand the active look to another one.
  ActiveLookWatch watch((changed & WindowFlag::Visible) ? parent_ : nullptr);
  flags_ = flags;
  OnFlagsChanged(changed);
}

void Window::OnFlagsChanged(uint32_t changed) {
  WindowManager* wm = WMOrNull();
  if (!wm || !parent_) return;
  if (changed & WindowFlag::Visible) {
    wm->InvalidateRect(this, FrameRectWithShadow(), true);
    // Keys must not go on reaching a window nobody sees. Pages and dialogs hide controls all
    // the time, so only a hidden window that held the focus gives it away, and the stacking
    // order stays as it is: a control's place among its siblings is part of its layout.
    Window* focus = wm->Focus();
    if (!IsVisible() && focus && (IsAncestorOf(focus) || HasFocus())) {
      Window* heir = nullptr;
      for (Window* s = next_sibling_; s && !heir; s = s->next_sibling_) {
        if (s->IsVisible() && !s->IsBeingDestroyed()) heir = s;
      }
      for (Window* s = prev_sibling_; s && !heir; s = s->prev_sibling_) {
        if (s->IsVisible() && !s->IsBeingDestroyed()) heir = s;
      }
      if (heir) SetFocus(heir, 0);
    }
    wm->RecomputeHover();
  } else {
    Invalidate();
  }
}

int32_t Window::BorderWidth() const {
  const SkinMetrics& m = CurrentSkinMetrics();
  if (flags_ & WindowFlag::ThickFrame) return m.thick_border;
  if (flags_ & WindowFlag::ThinFrame) return m.thin_border;
  return 0;
}

void Window::FrameToClient(const Rect& frame, Rect& client) const {
  const int32_t b = BorderWidth();
  client = frame;
  if (frame_sides_ & FrameSide::Left) client.left += b;
  if (frame_sides_ & FrameSide::Top) client.top += b;
  if (frame_sides_ & FrameSide::Right) client.right -= b;
  if (frame_sides_ & FrameSide::Bottom) client.bottom -= b;
  if (flags_ & WindowFlag::TitleBar) {
    client.top += CurrentSkinMetrics().title_bar_height;
    if (flags_ & WindowFlag::ThickFrame) client.top += b;
  }
  client.right = std::max(client.right, client.left);
  client.bottom = std::max(client.bottom, client.top);
}

void Window::FrameSizeForClient(Size& frame_size, Size client_size) const {
  const int32_t b = BorderWidth();
  int32_t w = client_size.width;
  int32_t h = client_size.height;
  if (frame_sides_ & FrameSide::Left) w += b;
  if (frame_sides_ & FrameSide::Right) w += b;
  if (frame_sides_ & FrameSide::Top) h += b;
  if (frame_sides_ & FrameSide::Bottom) h += b;
  if (flags_ & WindowFlag::WideAllowance) {
    w += 64;
    h += 64;
  } else if (flags_ & WindowFlag::TitleBar) {
    h += CurrentSkinMetrics().title_bar_height;
    if (flags_ & WindowFlag::ThickFrame) h += b;
  }
  frame_size = {w, h};
}

Size Window::MinimumFrameSize() const {
  Size s;
  FrameSizeForClient(s, {0, 0});
  return s;
}

void Window::ConstrainFrame(const Rect& old_frame, const Rect& proposed, Rect& out) const {
  out = proposed;
  if (show_state_ == kShowCollapsed) return;
  const Size min = MinimumFrameSize();
  if (out.Width() < min.width) {
    // Keep the edge that did not move; the left one when both moved.
    if (out.left != old_frame.left && out.right == old_frame.right)
      out.left = out.right - min.width;
    else
      out.right = out.left + min.width;
  }
  if (out.Height() < min.height) {
    if (out.top != old_frame.top && out.bottom == old_frame.bottom)
      out.top = out.bottom - min.height;
    else
      out.bottom = out.top + min.height;
  }
}

Rect Window::FrameRectInParent() const {
  if (!parent_) return frame_;
  return frame_.Offset(-parent_->client_.left, -parent_->client_.top);
}

void Window::MoveTree(int32_t dx, int32_t dy) {
  for (Window* c = first_child_; c; c = c->next_sibling_) {
    c->frame_ = c->frame_.Offset(dx, dy);
    c->client_ = c->client_.Offset(dx, dy);
    c->MoveTree(dx, dy);
  }
}

void Window::ApplyFrame(const Rect& frame) {
  const Rect old_frame = frame_;
  const Rect old_client = client_;
  frame_ = frame;
  FrameToClient(frame_, client_);
  if (show_state_ == kShowNormal) restore_ = FrameRectInParent();
  const int32_t dx = frame_.left - old_frame.left;
  const int32_t dy = frame_.top - old_frame.top;
  // Children hang off our client area, which may move without the frame moving.
  const int32_t cdx = client_.left - old_client.left;
  const int32_t cdy = client_.top - old_client.top;
  if (cdx || cdy) MoveTree(cdx, cdy);
  if (dx || dy) {
    const Point origin = parent_ ? parent_->client_.TopLeft() : Point{};
    OnMoved({old_frame.left - origin.x, old_frame.top - origin.y},
            {frame_.left - origin.x, frame_.top - origin.y});
  }
  if (old_frame.Width() != frame_.Width() || old_frame.Height() != frame_.Height() ||
      old_client.Width() != client_.Width() || old_client.Height() != client_.Height()) {
    OnResized();
  }
  if (WindowManager* wm = WMOrNull(); wm && IsVisible() && parent_) {
    const int32_t shadow = (flags_ & WindowFlag::DropShadow) ? 16 : 0;
    wm->InvalidateRect(
        this, {old_frame.left, old_frame.top, old_frame.right + shadow, old_frame.bottom + shadow},
        false);
    wm->InvalidateRect(this, FrameRectWithShadow(), false);
  }
}

void Window::SetFrameRect(const Rect& rect) {
  const Rect old_rel = FrameRectInParent();
  Rect constrained;
  ConstrainFrame(old_rel, rect, constrained);
  const Point origin = parent_ ? parent_->client_.TopLeft() : Point{};
  ApplyFrame(constrained.Offset(origin.x, origin.y));
}

void Window::SetClientSize(Size client_size) {
  Size s;
  FrameSizeForClient(s, client_size);
  const Rect r = FrameRectInParent();
  SetFrameRect({r.left, r.top, r.left + s.width, r.top + s.height});
}

void Window::CenterInParent() {
  if (!parent_) return;
  const Rect& pc = parent_->client_;
  const int32_t w = frame_.Width();
  const int32_t h = frame_.Height();
  const int32_t x = std::max(0, (pc.Width() - w) / 2);
  const int32_t y = std::max(0, (pc.Height() - h) / 2);
  SetFrameRect({x, y, x + w, y + h});
  if (WindowManager* wm = WMOrNull()) wm->BringToFront(this);
}

void Window::FitToParent() {
  if (!parent_) return;
  const Rect& pc = parent_->client_;
  SetFrameRect({0, 0, pc.Width(), pc.Height()});
}

void Window::SetShowState(int32_t state) {
  if (state == show_state_) return;
  switch (state) {
    case kShowCollapsed:
      if (show_state_ == kShowMaximized) SetShowState(kShowNormal);
      {
        show_state_ = kShowCollapsed;
        const Rect r = FrameRectInParent();
        SetFrameRect({r.left, r.top, r.right, r.top + kCollapsedHeight});
      }
      break;
    case kShowMaximized:
      if (!IsResizable()) return;
      if (show_state_ == kShowCollapsed) SetShowState(kShowNormal);
      show_state_ = kShowMaximized;
      FitToParent();
      break;
    case kShowClosing:
      show_state_ = kShowClosing;
      break;
    default:
      if (show_state_ == kShowMaximized) {
        show_state_ = kShowNormal;
        SetFrameRect(restore_);
      } else if (show_state_ == kShowCollapsed) {
        show_state_ = kShowNormal;
        const Rect r = FrameRectInParent();
        SetFrameRect({r.left, r.top, r.left + restore_.Width(), r.top + restore_.Height()});
      } else {
        show_state_ = kShowNormal;
      }
      break;
  }
  if (WindowManager* wm = WMOrNull()) wm->RecomputeHover();
}

void Window::ToggleMaximize() {
  if (show_state_ == kShowMaximized || show_state_ == kShowCollapsed)
    SetShowState(kShowNormal);
  else if (IsResizable())
    SetShowState(kShowMaximized);
}

void Window::ToggleCollapse() {
  SetShowState(show_state_ == kShowCollapsed ? kShowNormal : kShowCollapsed);
}

Rect Window::TitleBarRect() const {
  if (!(flags_ & WindowFlag::TitleBar)) return {};
  const int32_t b = BorderWidth();
  Rect r = frame_;
  if (frame_sides_ & FrameSide::Left) r.left += b;
  if (frame_sides_ & FrameSide::Right) r.right -= b;
  if (frame_sides_ & FrameSide::Top) r.top += b;
  r.bottom = std::min(frame_.bottom, r.top + CurrentSkinMetrics().title_bar_height);
  return r;
}

Rect Window::TitleButtonRect(uint32_t part) const {
  static constexpr uint32_t kButtons[3][2] = {{Part::Button1, WindowFlag::CloseButton},
                                              {Part::Button2, WindowFlag::SecondButton},
                                              {Part::Button3, WindowFlag::ThirdButton}};
  const Rect bar = TitleBarRect();
  if (bar.IsEmpty()) return {};
  const SkinMetrics& m = CurrentSkinMetrics();
  const int32_t slot = m.title_button.width + 2 * m.thick_border;
  int32_t right = bar.right;
  for (const auto& [code, flag] : kButtons) {
    if (!(flags_ & flag)) continue;
    if (code == part) return {right - slot, bar.top, right, bar.bottom};
    right -= slot;
  }
  return {};
}

uint32_t Window::HitTest(Point p) const {
  if (!frame_.Contains(p)) return Part::None;
  if (client_.Contains(p)) return Part::Client;
  uint32_t part = 0;
  const Rect bar = TitleBarRect();
  if (bar.Contains(p)) {
    for (uint32_t code : {Part::Button1, Part::Button2, Part::Button3}) {
      if (TitleButtonRect(code).Contains(p)) return code;
    }
    part = Part::Caption;
  }
  if (flags_ & WindowFlag::ThickFrame) {
    const int32_t b = CurrentSkinMetrics().thick_border;
    uint32_t edges = 0;
    if (p.x < frame_.left + b) edges |= Part::LeftEdge;
    if (p.x >= frame_.right - b) edges |= Part::RightEdge;
    if (p.y < frame_.top + b) edges |= Part::TopEdge;
    if (p.y >= frame_.bottom - b) edges |= Part::BottomEdge;
    if (edges) return edges;
  }
  return part ? part : Part::OtherFrame;
}

void Window::SetTitle(const char* title) {
  has_title_ = title != nullptr;
  title_ = title ? title : "";
  if (WindowManager* wm = WMOrNull(); wm && parent_) {
    const Rect bar = TitleBarRect();
    if (!bar.IsEmpty()) wm->InvalidateRect(this, bar, false);
  }
}

bool Window::HasFocus() const {
  const Window* focus = WMOrNull() ? WM().Focus() : nullptr;
  return focus && (focus == this || (focus_proxy_ && focus == focus_proxy_));
}

namespace {
// The window that actually takes the focus when `window` is asked to: the end of its
// remembered focus path, unless it keeps the focus itself.
Window* FocusTarget(Window* window) {
  Window* target = window;
  if (!(target->Flags() & WindowFlag::TakesFocusItself)) {
    while (target->FocusChild() && target->FocusChild()->Parent() == target &&
           !target->FocusChild()->IsBeingDestroyed()) {
      target = target->FocusChild();
    }
  }
  return target;
}
}  // namespace

int32_t Window::SetFocus(Window* window, int32_t reason) {
  WindowManager& wm = WM();
  if (!window || window->IsBeingDestroyed()) return 0;
  Window* target = FocusTarget(window);
  Window* old = wm.Focus();
  if (target == old) return 0;
  if (old) {
    old->focus_lost.Emit(reason);
    if (wm.Focus() != old) return 0;  // a focus-lost slot moved the focus itself
    old->OnFocusLost(target, reason);
  }
  // A window may hand the focus on to another; the old focus hears of the change once.
  FocusGain gain;
  for (int hops = 0; hops < 8; ++hops) {
    gain = target->OnFocusGained(old, reason);
    if (!gain.redirect || gain.redirect == target || gain.redirect->IsBeingDestroyed()) break;
    target = FocusTarget(gain.redirect);
    if (target == old) return 0;
  }
  for (Window* w = target; w->parent_; w = w->parent_) {
    w->parent_->focus_child_ = w;
    if (w->parent_->flags_ & WindowFlag::TopLevelContainer) break;
  }
  wm.SetFocusWindow(target);
  target->Invalidate();
  if (old && !old->IsBeingDestroyed()) old->Invalidate();
  return gain.swallow_press ? 1 : 0;
}

void Window::SetTabOrder(std::span<Window* const> windows) {
  std::vector<Window*> ws;
  for (Window* w : windows) {
    if (w) ws.push_back(w);
  }
  if (ws.size() < 2) return;
  for (size_t i = 0; i < ws.size(); ++i) {
    ws[i]->tab_next_ = ws[(i + 1) % ws.size()];
    ws[i]->tab_prev_ = ws[(i + ws.size() - 1) % ws.size()];
  }
}

void Window::LeaveTabOrder() {
  if (!tab_next_ && !tab_prev_) return;
  if (tab_prev_)
    tab_prev_->tab_next_ = (tab_next_ == tab_prev_ && tab_next_ == this) ? nullptr : tab_next_;
  if (tab_next_) tab_next_->tab_prev_ = tab_prev_;
  // A two-window ring collapses to a single window that is in no tab order.
  if (tab_next_ && tab_next_ == tab_prev_) tab_next_->tab_next_ = tab_next_->tab_prev_ = nullptr;
  tab_next_ = tab_prev_ = nullptr;
}

bool Window::RequestClose(bool /*forced*/) {
  WindowManager& wm = WM();
  if (wm.IsInModalStack(this, false)) wm.EndModal(this, 0);
  return true;
}

void Window::Close(Window* window) {
  if (!window || window->show_state_ == kShowClosing || window->IsBeingDestroyed()) return;
  window->OnClose();
  window->closed.Emit(reinterpret_cast<intptr_t>(window));
  WM().DeleteLater(window);
  window->show_state_ = kShowClosing;
}

bool Window::TryClose(Window* window, bool forced) {
  if (!window || !window->RequestClose(forced)) return false;
  Close(window);
  return true;
}

Rect Window::FrameRectWithShadow() const {
  Rect r = frame_;
  if (flags_ & WindowFlag::DropShadow) {
    r.right += 16;
    r.bottom += 16;
  }
  return r;
}

void Window::Invalidate() {
  if (WindowManager* wm = WMOrNull(); wm && parent_) {
    marks_ |= kMarkFrame | kMarkContent;
    wm->InvalidateRect(this, FrameRectWithShadow(), false);
  }
}

void Window::InvalidateClient() {
  if (WindowManager* wm = WMOrNull(); wm && parent_) {
    marks_ |= kMarkContent;
    wm->InvalidateRect(this, client_, false);
  }
}

void Window::DrawFrame() {
  const Skin& skin = CurrentSkin();
  const int32_t w = frame_.Width();
  const int32_t h = frame_.Height();
  if (flags_ & WindowFlag::DropShadow) {
    const int32_t t = skin.ImageSize(kSkinShadowEdge).height;
    QueueSprite(kSkinShadowEdge, {w, t, w + t, h}, SpriteFlag::Rotate);
    QueueSprite(kSkinShadowEdge, {t, h, w, h + t}, SpriteFlag::MirrorY);
    QueueSprite(kSkinShadowCorner, {w, h, w + t, h + t},
                SpriteFlag::Stretch | SpriteFlag::MirrorX | SpriteFlag::MirrorY);
  }
  const int32_t b = BorderWidth();
  const Rect local{0, 0, w, h};
  if (flags_ & WindowFlag::ThickFrame) {
    DrawSkinBorder(local, kSkinThickBorderEdge, kSkinThickBorderCorner, frame_sides_);
  } else if (flags_ & WindowFlag::ThinFrame) {
    DrawSkinBorder(local, kSkinThinBorderEdge, kSkinThinBorderCorner, frame_sides_);
  }
  const Rect bar = TitleBarRect().Offset(-frame_.left, -frame_.top);
  if (bar.IsEmpty()) return;
  Window* top = TopLevelAncestor();
  const bool active = top && ActiveChild(top->parent_) == top;
  QueueSprite(active ? kSkinTitleBarActive : kSkinTitleBarInactive, bar);
  if (flags_ & WindowFlag::ThickFrame) {
    // The thick frame runs once more between the title bar and the client area.
    QueueSprite(kSkinThickBorderEdge, {bar.left, bar.bottom, bar.right, bar.bottom + b},
                SpriteFlag::MirrorY);
  }
  int32_t text_right = bar.right;
  for (uint32_t part : {Part::Button1, Part::Button2, Part::Button3}) {
    const Rect slot = TitleButtonRect(part).Offset(-frame_.left, -frame_.top);
    if (slot.IsEmpty()) continue;
    text_right = std::min(text_right, slot.left);
    const bool pressed = pressed_button_ == part;
    int32_t id = kSkinTitleButtonClose;
    if (part == Part::Button2) {
      id = show_state_ == kShowMaximized ? kSkinTitleButtonRestore : kSkinTitleButtonMaximise;
    } else if (part == Part::Button3) {
      id = kSkinTitleButtonCollapse;
    }
    const Size s = skin.ImageSize(id);
    DrawSkinImage(pressed ? id + 1 : id, slot.left + (slot.Width() - s.width) / 2,
                  slot.top + (slot.Height() - s.height) / 2);
  }
  if (has_title_ && !title_.empty()) {
    SetDrawColor(kWhite);
    DrawText(font_, title_, 0, 0x156, {bar.left + 4, bar.top, text_right - 4, bar.bottom});
  }
}

void Window::DrawBackground() {
  if (!(flags_ & (WindowFlag::BackgroundA | WindowFlag::BackgroundB))) return;
  SetDrawColor((flags_ & WindowFlag::BackgroundA) ? kWhite : MakeColor(96, 96, 96));
  SetOpaqueDrawing(true);
  QueueSprite(kSkinBackground, {0, 0, client_.Width(), client_.Height()});
  SetOpaqueDrawing(false);
  SetDrawColor(kWhite);
}

bool Window::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  WindowManager& wm = WM();
  if ((flags_ & WindowFlag::CloseButton) && type == kEventKey && event.b == 1 &&
      (event.flags & kModControl) && (event.a == 'W' || event.a == Key::F4)) {
    // A frame whose modal dialog is open must not vanish from under it.
    Window* modal = wm.TopModalWindow();
    if (!modal || modal == this || !IsAncestorOf(modal)) {
      if (RequestClose(true)) Close(this);
      return true;
    }
  }
  if (target != this) return false;
  switch (type) {
    case kEventKey:
      if (event.a == Key::Tab && (tab_next_ || tab_prev_)) {
        if (event.b == 1) {
          Window* next = (event.flags & kModShift) ? tab_prev_ : tab_next_;
          // Skip hidden members of the ring.
          for (Window* w = next; w && w != this;
               w = (event.flags & kModShift) ? w->tab_prev_ : w->tab_next_) {
            if (w->IsVisible()) {
              SetFocus(w, 2);
              break;
            }
          }
        }
        return true;
      }
      for (Window* w = this; w; w = w->parent_) {
        if (w->OnKey(event)) break;
        if (w->flags_ & WindowFlag::TopLevelContainer) break;
      }
      return true;
    case kEventChar:
      OnChar(event);
      return true;
    case kEventButton: {
      int32_t focus_result = 0;
      if (event.d == 1) {
        if (Window* top = TopLevelAncestor()) wm.BringToFront(top);
        if (!HasFocus()) focus_result = SetFocus(this, 1);
      }
      if (event.flags == static_cast<int32_t>(Part::Client)) {
        if (!(event.d == 1 && focus_result == 1)) OnMouseButton(event);
      } else {
        OnFrameMouseButton(event);
      }
      return true;
    }
    case kEventDoubleClick:
      if (event.flags == static_cast<int32_t>(Part::Client))
        OnDoubleClick(event);
      else
        OnFrameDoubleClick(event);
      return true;
    case kEventMove:
      if (event.flags == static_cast<int32_t>(Part::Client))
        OnMouseMove(event);
      else
        OnFrameMouseMove(event);
      return true;
    case kEventWheel:
      if (event.flags == static_cast<int32_t>(Part::Client))
        OnWheel(event);
      else
        OnFrameWheel(event);
      return true;
    default:
      return false;
  }
}

void Window::OnFrameMouseButton(InputEvent& event) {
  if (event.c != 0 || event.d != 1) return;
  const uint32_t part = static_cast<uint32_t>(event.flags);
  if (IsResizable() && show_state_ == kShowNormal && Part::IsEdge(part)) {
    BeginFrameDrag(part);
  } else if ((flags_ & WindowFlag::TitleBar) && show_state_ != kShowMaximized &&
             part == Part::Caption) {
    BeginFrameDrag(Part::LeftEdge | Part::TopEdge | Part::RightEdge | Part::BottomEdge);
  } else if (part == Part::Button1 || part == Part::Button2 || part == Part::Button3) {
    pressed_button_ = part;
    drag_part_ = part;
    Invalidate();
    if (!WM().TrackMouse(this, &Window::TrackTitleButton)) {
      pressed_button_ = 0;
      drag_part_ = 0;
    }
  }
}

void Window::BeginFrameDrag(uint32_t part) {
  drag_part_ = part;
  drag_start_frame_ = FrameRectInParent();
  if (!WM().TrackMouse(this, &Window::TrackFrameDrag)) drag_part_ = 0;
}

void Window::TrackFrameDrag(Window* w, Point start, Point current, int32_t phase) {
  if (phase == kTrackStart) return;
  WindowManager& wm = WM();
  const Size screen = wm.ScreenSize();
  Point p{std::clamp(current.x, 0, std::max(0, screen.width - 1)),
          std::clamp(current.y, 0, std::max(0, screen.height - 1))};
  int32_t dx = p.x - start.x;
  int32_t dy = p.y - start.y;
  const uint32_t part = w->drag_part_;
  Rect r = w->drag_start_frame_;
  // The top edge may not rise above layer0 (above the screen for modal windows), so a title
  // bar can always be reached again.
  const Point origin = w->parent_ ? w->parent_->client_.TopLeft() : Point{};
  const int32_t min_top =
      (wm.IsInModalStack(w, false) ? 0 : wm.Layer0()->ClientRect().top) - origin.y;
  if (part & Part::TopEdge) dy = std::max(dy, min_top - r.top);
  if (part & Part::LeftEdge) r.left += dx;
  if (part & Part::RightEdge) r.right += dx;
  if (part & Part::TopEdge) r.top += dy;
  if (part & Part::BottomEdge) r.bottom += dy;
  w->SetFrameRect(r);
  if (phase == kTrackEnd) w->drag_part_ = 0;
}

void Window::TrackTitleButton(Window* w, Point /*start*/, Point current, int32_t phase) {
  const uint32_t part = w->drag_part_;
  const bool over = w->TitleButtonRect(part).Contains(current);
  const uint32_t shown = over ? part : 0;
  if (shown != w->pressed_button_) {
    w->pressed_button_ = shown;
    w->Invalidate();
  }
  if (phase == kTrackEnd) {
    w->pressed_button_ = 0;
    w->drag_part_ = 0;
    w->Invalidate();
    if (over) w->PerformTitleButton(part);
  }
}

void Window::PerformTitleButton(uint32_t part) {
  if (part == Part::Button1) {
    TryClose(this, true);
  } else if (part == Part::Button2) {
    ToggleMaximize();
  } else if (part == Part::Button3) {
    ToggleCollapse();
  }
}

void Window::OnFrameDoubleClick(InputEvent& event) {
  if (static_cast<uint32_t>(event.flags) == Part::Caption) ToggleMaximize();
}
