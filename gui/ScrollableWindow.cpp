#include "gui/ScrollableWindow.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Skin.h"
#include "gui/SkinMetrics.h"
#include "gui/WindowManager.h"

namespace {
int32_t Thickness() {
  return CurrentSkinMetrics().scroll_bar;
}

bool IsVerticalPart(int32_t part) {
  return part >= ScrollPart::VerticalThumb && part <= ScrollPart::PageDown;
}

bool IsArrow(int32_t part) {
  return part == ScrollPart::Up || part == ScrollPart::Down || part == ScrollPart::Left ||
         part == ScrollPart::Right;
}
}  // namespace

ScrollableWindow::ScrollableWindow(uint32_t flags, Window* parent) : Window(flags, parent) {}

int32_t ScrollableWindow::MaxVerticalPosition() const {
  return std::max(0, v_range_ - v_page_);
}

int32_t ScrollableWindow::MaxHorizontalPosition() const {
  return std::max(0, h_range_ - h_page_);
}

bool ScrollableWindow::HasCorner() const {
  const bool v = bars_ & kVerticalBar;
  const bool h = bars_ & kHorizontalBar;
  return (v && h) || (size_box_ && (v || h));
}

Rect ScrollableWindow::BaseClient() const {
  Rect base;
  Window::FrameToClient(FrameRect(), base);
  return base;
}

void ScrollableWindow::FrameToClient(const Rect& frame, Rect& client) const {
  Window::FrameToClient(frame, client);
  const int32_t t = Thickness();
  if (bars_ & kVerticalBar) client.right = std::max(client.left, client.right - t);
  if (bars_ & kHorizontalBar) client.bottom = std::max(client.top, client.bottom - t);
}

void ScrollableWindow::FrameSizeForClient(Size& frame_size, Size client_size) const {
  Window::FrameSizeForClient(frame_size, client_size);
  if (bars_ & kVerticalBar) frame_size.width += Thickness();
  if (bars_ & kHorizontalBar) frame_size.height += Thickness();
}

bool ScrollableWindow::Layout(bool vertical, BarLayout& out) const {
  if (!(bars_ & (vertical ? kVerticalBar : kHorizontalBar))) return false;
  const Rect base = BaseClient();
  const int32_t t = Thickness();
  const int32_t corner = HasCorner() ? t : 0;
  if (vertical) {
    out.bar = {base.right - t, base.top, base.right, base.bottom - corner};
    out.start = out.bar.top;
    out.length = std::max(0, out.bar.Height());
  } else {
    out.bar = {base.left, base.bottom - t, base.right - corner, base.bottom};
    out.start = out.bar.left;
    out.length = std::max(0, out.bar.Width());
  }
  const int32_t range = vertical ? v_range_ : h_range_;
  const int32_t page = vertical ? v_page_ : h_page_;
  const int32_t max_position = vertical ? MaxVerticalPosition() : MaxHorizontalPosition();
  const int32_t position = vertical ? v_position_ : h_position_;
  const int32_t track = out.length - 2 * t;
  out.thumb_length = 0;
  out.free = 0;
  out.thumb_start = out.start + t;
  if (track <= 0 || max_position <= 0) return true;
  const int64_t proportional = static_cast<int64_t>(track) * std::max(0, page) / range;
  out.thumb_length = static_cast<int32_t>(std::min<int64_t>(
      track, std::max<int64_t>(CurrentSkinMetrics().scroll_thumb_min, proportional)));
  out.free = track - out.thumb_length;
  out.thumb_start += static_cast<int32_t>(static_cast<int64_t>(out.free) * position / max_position);
  return true;
}

int32_t ScrollableWindow::BarPartAt(Point p) const {
  const int32_t t = Thickness();
  for (const bool vertical : {true, false}) {
    BarLayout l;
    if (!Layout(vertical, l) || !l.bar.Contains(p)) continue;
    const int32_t at = vertical ? p.y : p.x;
    const int32_t base = vertical ? ScrollPart::VerticalThumb : ScrollPart::HorizontalThumb;
    if (at < l.start + t) return base + 1;
    if (at >= l.start + l.length - t) return base + 2;
    if (l.thumb_length == 0) return base + 4;  // nothing to scroll: the track pages nowhere
    if (at < l.thumb_start) return base + 3;
    if (at >= l.thumb_start + l.thumb_length) return base + 4;
    return base;
  }
  if (HasCorner()) {
    const Rect base = BaseClient();
    const Rect corner{base.right - t, base.bottom - t, base.right, base.bottom};
    if (corner.Contains(p)) return size_box_ ? ScrollPart::SizeBox : ScrollPart::None;
  }
  return ScrollPart::None;
}

Rect ScrollableWindow::BarPartRect(int32_t part) const {
  const bool vertical = IsVerticalPart(part);
  const int32_t t = Thickness();
  if (part == ScrollPart::SizeBox) {
    if (!size_box_ || !HasCorner()) return {};
    const Rect base = BaseClient();
    return {base.right - t, base.bottom - t, base.right, base.bottom};
  }
  BarLayout l;
  if (part == ScrollPart::None || !Layout(vertical, l)) return {};
  const int32_t base = vertical ? ScrollPart::VerticalThumb : ScrollPart::HorizontalThumb;
  int32_t from = 0;
  int32_t to = 0;
  const int32_t end = l.start + l.length;
  switch (part - base) {
    case 0:
      from = l.thumb_start;
      to = l.thumb_start + l.thumb_length;
      break;
    case 1:
      from = l.start;
      to = std::min(end, l.start + t);
      break;
    case 2:
      from = std::max(l.start, end - t);
      to = end;
      break;
    case 3:
      from = l.start + t;
      to = l.thumb_start;
      break;
    default:
      from = l.thumb_start + l.thumb_length;
      to = end - t;
      break;
  }
  if (to <= from) return {};
  return vertical ? Rect{l.bar.left, from, l.bar.right, to}
                  : Rect{from, l.bar.top, to, l.bar.bottom};
}

void ScrollableWindow::SetRanges(uint32_t bars, int32_t horizontal_range, int32_t vertical_range,
                                 int32_t horizontal_page, int32_t vertical_page) {
  bars &= kVerticalBar | kHorizontalBar;
  const bool bars_changed = bars != bars_;
  const bool changed = bars_changed || horizontal_range != h_range_ || vertical_range != v_range_ ||
                       horizontal_page != h_page_ || vertical_page != v_page_;
  if (!changed) return;
  InvalidateBars();
  bars_ = bars;
  h_range_ = std::max(0, horizontal_range);
  v_range_ = std::max(0, vertical_range);
  h_page_ = std::max(0, horizontal_page);
  v_page_ = std::max(0, vertical_page);
  // A bar coming or going changes the client area: apply the frame again to recompute it.
  if (bars_changed) SetFrameRect(FrameRectInParent());
  SetVerticalPosition(v_position_);
  SetHorizontalPosition(h_position_);
  InvalidateBars();
}

void ScrollableWindow::SetVerticalPosition(int32_t position) {
  position = std::clamp(position, 0, MaxVerticalPosition());
  if (position == v_position_) return;
  v_position_ = position;
  Invalidate();
  OnScrolled();
}

void ScrollableWindow::SetHorizontalPosition(int32_t position) {
  position = std::clamp(position, 0, MaxHorizontalPosition());
  if (position == h_position_) return;
  h_position_ = position;
  Invalidate();
  OnScrolled();
}

void ScrollableWindow::ShowSizeBox(bool shown) {
  if (shown == size_box_) return;
  size_box_ = shown;
  Invalidate();
}

void ScrollableWindow::InvalidateBars() {
  WindowManager* wm = WMOrNull();
  if (!wm || !Parent()) return;
  const Rect base = BaseClient();
  const int32_t t = Thickness();
  if (bars_ & kVerticalBar)
    wm->InvalidateRect(this, {base.right - t, base.top, base.right, base.bottom}, false);
  if (bars_ & kHorizontalBar)
    wm->InvalidateRect(this, {base.left, base.bottom - t, base.right, base.bottom}, false);
}

void ScrollableWindow::Step(int32_t part) {
  const int32_t v_page = std::max(1, v_page_);
  const int32_t h_page = std::max(1, h_page_);
  switch (part) {
    case ScrollPart::Up:
      SetVerticalPosition(v_position_ - line_step_);
      break;
    case ScrollPart::Down:
      SetVerticalPosition(v_position_ + line_step_);
      break;
    case ScrollPart::PageUp:
      SetVerticalPosition(v_position_ - v_page);
      break;
    case ScrollPart::PageDown:
      SetVerticalPosition(v_position_ + v_page);
      break;
    case ScrollPart::Left:
      SetHorizontalPosition(h_position_ - line_step_);
      break;
    case ScrollPart::Right:
      SetHorizontalPosition(h_position_ + line_step_);
      break;
    case ScrollPart::PageLeft:
      SetHorizontalPosition(h_position_ - h_page);
      break;
    case ScrollPart::PageRight:
      SetHorizontalPosition(h_position_ + h_page);
      break;
    default:
      break;
  }
}

bool ScrollableWindow::BeginPress(const InputEvent& event) {
  const int32_t part = BarPartAt({event.a, event.b});
  if (part == ScrollPart::None) return false;
  if (event.c != 0 || event.d != 1) return true;  // other buttons on a bar do nothing
  WindowManager& wm = WM();
  if (wm.IsTracking()) return true;
  pressed_part_ = part;
  pressed_over_ = true;
  if (part == ScrollPart::SizeBox) {
    drag_frame_ = FrameRectInParent();
  } else if (part == ScrollPart::VerticalThumb || part == ScrollPart::HorizontalThumb) {
    BarLayout l;
    Layout(part == ScrollPart::VerticalThumb, l);
    drag_thumb_offset_ = l.thumb_start - (l.start + Thickness());
  } else {
    // The press itself scrolls; holding repeats from here on.
    Step(part);
    last_repeat_ = wm.GetPlatform().Now();
  }
  pressed_ = wm.TrackMouse(this, &ScrollableWindow::TrackBar);
  if (!pressed_) pressed_part_ = ScrollPart::None;
  InvalidateBars();
  return true;
}

void ScrollableWindow::TrackBar(Window* w, Point start, Point current, int32_t phase) {
  auto* self = static_cast<ScrollableWindow*>(w);
  if (phase == kTrackStart) return;
  const int32_t part = self->pressed_part_;
  if (part == ScrollPart::SizeBox) {
    const Size screen = WM().ScreenSize();
    const int32_t x = std::clamp(current.x, 0, std::max(0, screen.width - 1));
    const int32_t y = std::clamp(current.y, 0, std::max(0, screen.height - 1));
    Rect r = self->drag_frame_;
    r.right += x - start.x;
    r.bottom += y - start.y;
    self->SetFrameRect(r);
  } else if (part == ScrollPart::VerticalThumb || part == ScrollPart::HorizontalThumb) {
    const bool vertical = part == ScrollPart::VerticalThumb;
    BarLayout l;
    // A bar too short for its thumb to travel cannot be dragged.
    if (self->Layout(vertical, l) && l.free > 0) {
      const int32_t moved = vertical ? current.y - start.y : current.x - start.x;
      const int64_t d = std::clamp<int64_t>(int64_t{self->drag_thumb_offset_} + moved, 0, l.free);
      const int32_t max = vertical ? self->MaxVerticalPosition() : self->MaxHorizontalPosition();
      const int32_t position = static_cast<int32_t>(max * d / l.free);
      if (vertical)
        self->SetVerticalPosition(position);
      else
        self->SetHorizontalPosition(position);
    }
  } else {
    const bool over = self->BarPartAt(current) == part;
    if (over != self->pressed_over_) {
      self->pressed_over_ = over;
      self->InvalidateBars();
    }
  }
  if (phase == kTrackEnd) {
    self->pressed_ = false;
    self->pressed_part_ = ScrollPart::None;
    self->pressed_over_ = false;
    self->InvalidateBars();
  }
}

void ScrollableWindow::OnIdle() {
  if (!pressed_ || pressed_part_ == ScrollPart::None || pressed_part_ == ScrollPart::SizeBox ||
      pressed_part_ == ScrollPart::VerticalThumb || pressed_part_ == ScrollPart::HorizontalThumb) {
    return;
  }
  WindowManager& wm = WM();
  if (BarPartAt(wm.MousePosition()) != pressed_part_) return;
  const double now = wm.GetPlatform().Now();
  const double interval = IsArrow(pressed_part_) ? kArrowRepeat : kPageRepeat;
  if (now - last_repeat_ < interval) return;
  // At most one step a frame, however long the frame took.
  last_repeat_ = now;
  Step(pressed_part_);
}

void ScrollableWindow::OnFrameMouseButton(InputEvent& event) {
  if (!BeginPress(event)) Window::OnFrameMouseButton(event);
}

void ScrollableWindow::OnFrameDoubleClick(InputEvent& event) {
  // Quick clicks on an arrow keep scrolling: the second press counts as a press.
  if (!BeginPress(event)) Window::OnFrameDoubleClick(event);
}

void ScrollableWindow::OnWheel(InputEvent& event) {
  const int64_t moved = int64_t{event.d} - event.c;
  const int64_t by = moved * line_step_;
  // Turning the wheel forward moves towards the start.
  if (event.mods & kWheelHorizontal) {
    SetHorizontalPosition(
        static_cast<int32_t>(std::clamp<int64_t>(h_position_ - by, 0, INT32_MAX)));
  } else {
    SetVerticalPosition(static_cast<int32_t>(std::clamp<int64_t>(v_position_ - by, 0, INT32_MAX)));
  }
}

void ScrollableWindow::OnFrameWheel(InputEvent& event) {
  if (BarPartAt({event.a, event.b}) != ScrollPart::None) OnWheel(event);
}

void ScrollableWindow::DrawBar(bool vertical, const Point& origin) {
  BarLayout l;
  if (!Layout(vertical, l)) return;
  const Rect bar = l.bar.Offset(-origin.x, -origin.y);
  const int32_t t = Thickness();
  const int32_t start = l.start - (vertical ? origin.y : origin.x);
  const int32_t end = start + l.length;
  QueueSprite(vertical ? kSkinScrollTrackVertical : kSkinScrollTrackHorizontal, bar);
  auto lit = [&](int32_t part) { return pressed_ && pressed_part_ == part && pressed_over_; };
  auto place = [&](int32_t from, int32_t to) {
    return vertical ? Rect{bar.left, from, bar.right, to} : Rect{from, bar.top, to, bar.bottom};
  };
  if (l.thumb_length > 0) {
    const int32_t from = l.thumb_start - (vertical ? origin.y : origin.x);
    const int32_t to = from + l.thumb_length;
    const int32_t first = vertical ? kSkinScrollThumbTop : kSkinScrollThumbLeft;
    const int32_t middle =
        vertical ? kSkinScrollThumbVerticalMiddle : kSkinScrollThumbHorizontalMiddle;
    const int32_t last = vertical ? kSkinScrollThumbBottom : kSkinScrollThumbRight;
    const Size cap = CurrentSkin().ImageSize(first);
    const int32_t cap_length = std::min((to - from) / 2, vertical ? cap.height : cap.width);
    QueueSprite(first, place(from, from + cap_length), SpriteFlag::Stretch);
    QueueSprite(middle, place(from + cap_length, to - cap_length), SpriteFlag::Stretch);
    QueueSprite(last, place(to - cap_length, to), SpriteFlag::Stretch);
  }
  const int32_t back = vertical ? ScrollPart::Up : ScrollPart::Left;
  const int32_t forward = vertical ? ScrollPart::Down : ScrollPart::Right;
  const int32_t back_id = vertical
                              ? (lit(back) ? kSkinScrollArrowUpPressed : kSkinScrollArrowUp)
                              : (lit(back) ? kSkinScrollArrowLeftPressed : kSkinScrollArrowLeft);
  const int32_t forward_id =
      vertical ? (lit(forward) ? kSkinScrollArrowDownPressed : kSkinScrollArrowDown)
               : (lit(forward) ? kSkinScrollArrowRightPressed : kSkinScrollArrowRight);
  QueueSprite(back_id, place(start, std::min(end, start + t)), SpriteFlag::Stretch);
  QueueSprite(forward_id, place(std::max(start, end - t), end), SpriteFlag::Stretch);
}

void ScrollableWindow::DrawFrame() {
  Window::DrawFrame();
  if (!bars_) return;
  const Point origin = FrameRect().TopLeft();
  DrawBar(true, origin);
  DrawBar(false, origin);
  if (HasCorner()) {
    const Rect base = BaseClient().Offset(-origin.x, -origin.y);
    const int32_t t = Thickness();
    const Rect corner{base.right - t, base.bottom - t, base.right, base.bottom};
    QueueSprite(size_box_ ? kSkinScrollSizeBox : kSkinScrollTrackVertical, corner,
                size_box_ ? SpriteFlag::Stretch : 0);
  }
}
