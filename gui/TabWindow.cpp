#include "gui/TabWindow.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Skin.h"
#include "gui/SkinMetrics.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr int32_t kFirstTabX = 8;
constexpr int32_t kPageGap = 4;

// Hiding a window hands the focus to its next visible sibling, which for pages would pull the
// focus into the tab window whenever a page is put away: keep it where it was.
void HidePage(Window* page) {
  WindowManager* wm = WMOrNull();
  Window* before = wm ? wm->Focus() : nullptr;
  const bool had_focus = before && page->IsAncestorOf(before);
  page->Hide();
  if (!wm || had_focus || wm->Focus() == before) return;
  if (before && !before->IsBeingDestroyed())
    Window::SetFocus(before, 0);
  else
    wm->SetFocusWindow(nullptr);
}
}  // namespace

TabWindow::TabWindow(uint32_t flags, Window* parent) : Window(flags, parent) {
  tabs_.reserve(8);
}

Window* TabWindow::Page(int32_t index) const {
  if (index < 0 || index >= TabCount()) return nullptr;
  return tabs_[static_cast<size_t>(index)].page;
}

Rect TabWindow::PageRect() const {
  const int32_t top = CurrentSkinMetrics().tab_height + kPageGap;
  return {0, top, ClientRect().Width(), std::max(top, ClientRect().Height())};
}

void TabWindow::LayOutTabs() {
  const SkinMetrics& m = CurrentSkinMetrics();
  const Font* font = GetFont() ? GetFont() : DefaultFont();
  int32_t x = kFirstTabX;
  for (Tab& tab : tabs_) {
    const char* title = tab.page->GetTitle();
    const int32_t width = 2 * m.tab_cap + MeasureTextWidth(font, title ? title : "", 0);
    tab.rect = {x, 0, x + width, m.tab_height};
    x += width - m.tab_overlap;
  }
}

Rect TabWindow::TabRect(int32_t index) {
  if (index < 0 || index >= TabCount()) return {};
  LayOutTabs();
  return tabs_[static_cast<size_t>(index)].rect;
}

void TabWindow::PlaceCurrent() {
  if (Window* page = CurrentPage()) page->SetFrameRect(PageRect());
}

void TabWindow::Show(int32_t index, bool focus) {
  Window* old = CurrentPage();
  current_ = index >= 0 && index < TabCount() ? index : -1;
  Window* page = CurrentPage();
  if (old && old != page) HidePage(old);
  if (page) {
    PlaceCurrent();
    page->Show();
    if (focus) SetFocus(page, 0);
  }
  Invalidate();
}

void TabWindow::Select(int32_t index) {
  if (index < 0 || index >= TabCount()) return;
  Show(index, true);
}

void TabWindow::OnChildAdded(Window* child) {
  tabs_.push_back({{}, child});
  settle_ = true;
  if (current_ < 0) {
    Show(TabCount() - 1, false);
  } else {
    HidePage(child);
  }
}

void TabWindow::OnChildRemoved(Window* child) {
  const auto it =
      std::find_if(tabs_.begin(), tabs_.end(), [child](const Tab& t) { return t.page == child; });
  if (it == tabs_.end()) return;
  const int32_t index = static_cast<int32_t>(it - tabs_.begin());
  const bool focus_inside = WMOrNull() && IsAncestorOf(WM().Focus());
  tabs_.erase(it);
  if (index < current_) {
    --current_;  // the same page stays current
  } else if (index == current_) {
    // The one before it takes over; the first page's place goes to the new first page.
    current_ = -1;
    Show(tabs_.empty() ? -1 : std::max(0, index - 1), focus_inside);
  }
  Invalidate();
}

void TabWindow::OnIdle() {
  if (!settle_) return;
  settle_ = false;
  for (int32_t i = 0; i < TabCount(); ++i) {
    Window* page = tabs_[static_cast<size_t>(i)].page;
    if (i != current_ && page->IsVisible()) HidePage(page);
  }
  if (Window* page = CurrentPage()) {
    if (page->FrameRectInParent() != PageRect()) PlaceCurrent();
    if (!page->IsVisible()) page->Show();
  }
  Invalidate();
}

void TabWindow::OnResized() {
  PlaceCurrent();
}

bool TabWindow::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (type == kEventKey && event.b == 1 && (event.flags & kModControl) && !tabs_.empty() &&
      IsAncestorOf(target)) {
    const bool shift = (event.flags & kModShift) != 0;
    int32_t step = 0;
    if (event.a == Key::Right || (event.a == Key::Tab && !shift)) step = 1;
    if (event.a == Key::Left || (event.a == Key::Tab && shift)) step = -1;
    if (step != 0) {
      const int32_t count = TabCount();
      const int32_t from = current_ < 0 ? 0 : current_;
      Select(((from + step) % count + count) % count);
      return true;
    }
  }
  return Window::HandleEvent(target, type, event);
}

void TabWindow::OnMouseButton(InputEvent& event) {
  if (event.c != 0 || event.d != 1) return;
  LayOutTabs();
  const Point p{event.a - ClientRect().left, event.b - ClientRect().top};
  // The current tab lies on top of its neighbours where they overlap.
  if (current_ >= 0 && tabs_[static_cast<size_t>(current_)].rect.Contains(p)) return;
  for (int32_t i = 0; i < TabCount(); ++i) {
    if (tabs_[static_cast<size_t>(i)].rect.Contains(p)) {
      Select(i);
      return;
    }
  }
}

void TabWindow::Draw() {
  LayOutTabs();
  const Font* font = GetFont() ? GetFont() : DefaultFont();
  const SkinMetrics& m = CurrentSkinMetrics();
  auto draw_tab = [&](const Tab& tab, bool selected) {
    const Rect& r = tab.rect;
    const int32_t cap = std::min(m.tab_cap, r.Width() / 2);
    QueueSprite(selected ? kSkinTabLeft : kSkinTabInactiveLeft,
                {r.left, r.top, r.left + cap, r.bottom}, SpriteFlag::Stretch);
    QueueSprite(selected ? kSkinTabMiddle : kSkinTabInactiveMiddle,
                {r.left + cap, r.top, r.right - cap, r.bottom}, SpriteFlag::Stretch);
    QueueSprite(selected ? kSkinTabRight : kSkinTabInactiveRight,
                {r.right - cap, r.top, r.right, r.bottom}, SpriteFlag::Stretch);
    if (const char* title = tab.page->GetTitle()) {
      SetDrawColor(selected ? kWhite : MakeColor(176, 178, 184));
      DrawText(font, title, 0, kTextCentre | kTextVCentre, r);
      SetDrawColor(kWhite);
    }
  };
  // Right to left so that each tab's left slant lies over its left neighbour's right one; the
  // current tab last, over both of its neighbours.
  for (int32_t i = TabCount(); i-- > 0;) {
    if (i != current_) draw_tab(tabs_[static_cast<size_t>(i)], false);
  }
  if (current_ >= 0) draw_tab(tabs_[static_cast<size_t>(current_)], true);
}
