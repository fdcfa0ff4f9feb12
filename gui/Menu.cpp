#include "gui/Menu.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Skin.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
const Font* FontOf(const Window* w) {
  return w && w->GetFont() ? w->GetFont() : DefaultFont();
}

bool IsLetterOrDigit(int32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

int32_t Lower(int32_t c) {
  return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

// Moves `r` the least distance that puts it inside `screen` (its top-left edge wins when
// it is larger than the screen).
Rect ShiftOnto(Rect r, const Rect& screen) {
  if (r.right > screen.right) r = r.Offset(screen.right - r.right, 0);
  if (r.left < screen.left) r = r.Offset(screen.left - r.left, 0);
  if (r.bottom > screen.bottom) r = r.Offset(0, screen.bottom - r.bottom);
  if (r.top < screen.top) r = r.Offset(0, screen.top - r.top);
  return r;
}

// Whether `w` is still somewhere in the tree under `root`. Compares addresses only, so a
// window destroyed meanwhile is never touched.
bool InTree(const Window* root, const Window* w) {
  if (!root || !w) return false;
  if (root == w) return true;
  for (const Window* c = root->FirstChild(); c; c = c->NextSibling()) {
    if (InTree(c, w)) return true;
  }
  return false;
}

// The index of `item` among `items`, or -1.
int32_t IndexOf(const std::vector<MenuItem*>& items, const MenuItem* item) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == item) return static_cast<int32_t>(i);
  }
  return -1;
}

// Walks the items once from the one after `start` (or from an end when `start` is -1),
// wrapping, and returns the first that `accept` takes: every item is looked at once at most,
// so a menu with nothing acceptable ends the search instead of circling for ever.
template <class Accept>
MenuItem* Search(const std::vector<MenuItem*>& items, int32_t start, bool backwards,
                 Accept accept) {
  const int32_t n = static_cast<int32_t>(items.size());
  for (int32_t step = 1; step <= n; ++step) {
    int32_t i = 0;
    if (start < 0)
      i = backwards ? n - step : step - 1;
    else
      i = ((start + (backwards ? -step : step)) % n + n) % n;
    if (accept(items[static_cast<size_t>(i)])) return items[static_cast<size_t>(i)];
  }
  return nullptr;
}
}  // namespace

Menu::Menu(bool is_bar)
    : MenuItem(WindowFlag::ThinFrame | WindowFlag::FloatingLayer |
               (is_bar ? WindowFlag::Visible : WindowFlag::DropShadow)),
      is_bar_(is_bar) {
  root_ = this;
  SetTitle(is_bar ? "Menu Bar" : "Popup Menu");
  if (is_bar_) LayOutBar();
}

Menu::~Menu() {
  if (alive_) *alive_ = false;
  dying_ = true;
  // The items reach back to us while they go: let them go while we are still whole.
  DestroyItems();
}

int32_t Menu::BarHeight() const {
  return FontLineHeight(FontOf(this)) + 4 + 2 * BorderWidth();
}

void Menu::LayOutBar() {
  const Window* parent = Parent();
  const int32_t width = parent ? parent->ClientRect().Width() : FrameRect().Width();
  const Rect r = FrameRectInParent();
  SetFrameRect({r.left, r.top, r.left + width, r.top + BarHeight()});
  const Font* font = FontOf(this);
  const int32_t h = ClientRect().Height();
  int32_t x = kBarGap / 2;
  for (MenuItem* item : Items()) {
    const char* label = item->GetTitle();
    const int32_t w =
        item->IsSeparator()
            ? kBarGap
            : (label ? MeasureTextWidth(font, label, 0, kTextLiteral) : 0) + 2 * kBarPad;
    item->SetFrameRect({x, 0, x + w, h});
    x += w + kBarGap;
  }
}

// ---------------------------------------------------------------------------------------
// Opening and closing

void Menu::Highlight(MenuItem* container, MenuItem* item) {
  if (!container) return;
  MenuItem* old = container->highlighted_child_;
  if (old == item) return;
  container->highlighted_child_ = item;
  if (old) old->Invalidate();
  if (item) {
    item->Invalidate();
    item_highlighted.Emit(reinterpret_cast<intptr_t>(item));
  }
}

MenuItem* Menu::Innermost() const {
  const MenuItem* c = this;
  while (c->open_child_) c = c->open_child_;
  return const_cast<MenuItem*>(c);
}

void Menu::OpenSubMenu(MenuItem* item) {
  if (!item || item == this || !item->IsSelectable() || !item->parent_item_) return;
  MenuItem* parent = item->parent_item_;
  if (parent->open_child_ == item) return;
  if (parent->open_child_) CloseSubMenu(parent->open_child_);
  Highlight(parent, item);
  // The items may be rebuilt here (a list of windows, say); the references to the old ones
  // are dropped as they go.
  opening.Emit(reinterpret_cast<intptr_t>(item));
  if (!item->HasItems() || !item->panel_) return;
  Panel* panel = item->panel_;
  item->highlighted_child_ = nullptr;
  item->open_child_ = nullptr;
  item->LayOutItems();

  WindowManager& wm = WM();
  const Rect screen = wm.Root()->FrameRect();
  const int32_t w = panel->FrameRect().Width();
  const int32_t h = panel->FrameRect().Height();
  const Rect& at = item->FrameRect();
  Rect place;
  if (item->IsInBar()) {
    const int32_t top = FrameRect().bottom;
    place = {at.left, top, at.left + w, top + h};
  } else {
    // Beside the item, its first row level with it; flipped to the left when the right
    // has no room for it and the left has more.
    const Rect& host = parent->ItemsWindow()->FrameRect();
    const int32_t top = at.top - panel->BorderWidth();
    place = {host.right, top, host.right + w, top + h};
    if (place.right > screen.right && host.left - screen.left > screen.right - host.right) {
      place = {host.left - w, top, host.left, top + h};
    }
  }
  place = ShiftOnto(place, screen);
  const Rect& origin = panel->Parent()->ClientRect();
  panel->SetFrameRect(place.Offset(-origin.left, -origin.top));
  parent->open_child_ = item;
  panel->Show();
  wm.BringToFront(panel);
  item->Invalidate();
  wm.RecomputeHover();
}

void Menu::CloseSubMenu(MenuItem* item) {
  if (!item) return;
  if (item->open_child_) CloseSubMenu(item->open_child_);
  if (item->panel_) item->panel_->Hide();
  if (MenuItem* lit = item->highlighted_child_) {
    item->highlighted_child_ = nullptr;
    lit->Invalidate();
  }
  if (item->parent_item_ && item->parent_item_->open_child_ == item) {
    item->parent_item_->open_child_ = nullptr;
  }
  item->Invalidate();
  if (WindowManager* wm = WMOrNull()) wm->RecomputeHover();
}

void Menu::CloseAll() {
  if (open_child_) CloseSubMenu(open_child_);
  Highlight(this, nullptr);
}

void Menu::OpenAndHighlightFirst(MenuItem* item) {
  OpenSubMenu(item);
  if (item->IsOpen()) MoveInPopup(item, false);
}

// ---------------------------------------------------------------------------------------
// The loop

MenuItem* Menu::RunLoop() {
  WindowManager* wmp = WMOrNull();
  if (running_ || !wmp || !IsVisible()) return nullptr;
  WindowManager& wm = *wmp;
  running_ = true;
  chosen_ = nullptr;
  pass_on_ = false;
  // The loop focuses the menu so that the keys reach it; the window the user was working in
  // gets the focus back afterwards.
  Window* focus = wm.Focus();
  bool alive = true;
  alive_ = &alive;
  wm.RunModal(this, WindowManager::kModalKeys | WindowManager::kModalMouse);
  if (!alive) return nullptr;
  alive_ = nullptr;
  running_ = false;
  MenuItem* chosen = chosen_;
  chosen_ = nullptr;
  CloseAll();
  if (!is_bar_) Hide();
  if (InTree(wm.Root(), focus)) {
    if (wm.Focus() != focus) Window::SetFocus(focus, 0);
  } else if (!focus && wm.Focus() && OwnsOrIsAncestorOf(wm.Focus())) {
    wm.SetFocusWindow(nullptr);
  }
  if (pass_on_) {
    // The press that dismissed the menu belongs to whatever lies under the pointer; it goes
    // there through the loops still running, which may refuse it.
    pass_on_ = false;
    InputEvent press = press_;
    wm.RecomputeHover();
    wm.Dispatch(press);
  }
  if (chosen) command.Emit(reinterpret_cast<intptr_t>(chosen));
  return chosen;
}

void Menu::EndLoop() {
  WindowManager* wm = WMOrNull();
  if (running_ && wm && wm->IsInModalStack(this, false)) wm->EndModal(this, 0);
}

void Menu::Choose(MenuItem* item) {
  if (running_) {
    chosen_ = item;
    EndLoop();
    return;
  }
  CloseAll();
  command.Emit(reinterpret_cast<intptr_t>(item));
}

int32_t Menu::PopUpOnce(Point screen_point) {
  const MenuItem* chosen = PopUpAt(screen_point);
  const int32_t id = chosen ? chosen->WindowId() : 0;
  WM().DeleteLater(this);
  return id;
}

MenuItem* Menu::PopUpAt(Point p) {
  if (is_bar_ || running_ || !WMOrNull()) return nullptr;
  opening.Emit(reinterpret_cast<intptr_t>(this));
  if (!HasItems()) return nullptr;
  open_child_ = nullptr;
  highlighted_child_ = nullptr;
  LayOutItems();
  const Rect screen = WM().Root()->FrameRect();
  const int32_t w = FrameRect().Width();
  const int32_t h = FrameRect().Height();
  // Its top-left corner at the point; flipped to the other side of it where there is no room.
  Rect place{p.x, p.y, p.x + w, p.y + h};
  if (place.right > screen.right && p.x - w >= screen.left) place = {p.x - w, p.y, p.x, p.y + h};
  if (place.bottom > screen.bottom && p.y - h >= screen.top) {
    place = {place.left, p.y - h, place.right, p.y};
  }
  place = ShiftOnto(place, screen);
  const Rect& origin = Parent()->ClientRect();
  SetFrameRect(place.Offset(-origin.left, -origin.top));
  Show();
  WM().BringToFront(this);
  WM().RecomputeHover();
  return RunLoop();
}

// ---------------------------------------------------------------------------------------
// Pointer

bool Menu::HitsOpenPanels(const MenuItem* container, Point p) {
  for (const MenuItem* c = container->open_child_; c; c = c->open_child_) {
    if (c->panel_ && c->panel_->IsVisible() && c->panel_->FrameRect().Contains(p)) return true;
  }
  return false;
}

bool Menu::HitsMenu(Point p) const {
  if (IsVisible() && FrameRect().Contains(p)) return true;
  return HitsOpenPanels(this, p);
}

void Menu::PointerOver(MenuItem* item) {
  if (!item || item == this || !item->parent_item_) return;
  MenuItem* parent = item->parent_item_;
  if (item->IsInBar()) {
    // With one of the bar's menus open, the pointer carries the opening along the bar.
    if (open_child_) {
      if (item != open_child_ && item->IsSelectable() && item->HasItems()) OpenSubMenu(item);
      return;
    }
    Highlight(this, item->IsSelectable() ? item : nullptr);
    return;
  }
  if (parent->open_child_ && parent->open_child_ != item) CloseSubMenu(parent->open_child_);
  Highlight(parent, item->IsSelectable() ? item : nullptr);
}

void Menu::PointerLeft(MenuItem* item) {
  // Outside a loop the bar only follows the pointer; inside one the highlight stays for
  // the keys.
  if (running_ || !item || !item->IsInBar()) return;
  if (open_child_)
    CloseAll();
  else if (highlighted_child_ == item)
    Highlight(this, nullptr);
}

void Menu::PressItem(MenuItem* item, bool by_key) {
  // Disabled items and separators are never chosen.
  if (!item || item == this || !item->parent_item_ || !item->IsSelectable()) return;
  if (!item->HasItems()) {
    Choose(item);
    return;
  }
  if (item->IsOpen()) {
    // A press on the bar's open menu puts the whole menu away.
    if (item->IsInBar() && running_)
      EndLoop();
    else
      CloseSubMenu(item);
    return;
  }
  if (by_key)
    OpenAndHighlightFirst(item);
  else
    OpenSubMenu(item);
  if (item->IsInBar() && !running_ && item->IsOpen()) RunLoop();
}

bool Menu::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (type == kEventResize) {
    // A bar is as wide as the screen; the notice goes on to everybody else.
    if (is_bar_ && target == this) LayOutBar();
    return false;
  }
  if (target == this && running_ && type >= kEventButton && type <= kEventWheel &&
      !HitsMenu({event.a, event.b})) {
    // Mouse events from outside reach us as the loop's window. A press there puts the menu
    // away and is passed on once the loop is over; anything else outside is nobody's.
    if ((type == kEventButton || type == kEventDoubleClick) && event.d == 1 && !pass_on_) {
      press_ = event;
      pass_on_ = true;
      EndLoop();
    }
    return true;
  }
  return MenuItem::HandleEvent(target, type, event);
}

// ---------------------------------------------------------------------------------------
// Keys

MenuItem* Menu::NextBarMenu(MenuItem* from, bool backwards) const {
  return Search(Items(), IndexOf(Items(), from), backwards,
                [](const MenuItem* m) { return m->IsSelectable() && m->HasItems(); });
}

void Menu::MoveInPopup(MenuItem* container, bool backwards) {
  const auto& items = container->Items();
  MenuItem* next = Search(items, IndexOf(items, container->highlighted_child_), backwards,
                          [](const MenuItem* m) { return m->IsSelectable(); });
  if (next) Highlight(container, next);
}

bool Menu::HandleKey(InputEvent& event) {
  if (event.b != 1) return true;  // every key is ours while a menu has the keyboard
  MenuItem* inner = Innermost();
  MenuItem* lit = inner->highlighted_child_;
  const bool bar_level = is_bar_ && inner == this;
  const bool below_bar = is_bar_ && inner->parent_item_ == this;
  switch (event.a) {
    case Key::Escape:
      if (running_) {
        EndLoop();
      } else {
        CloseAll();
        command.Emit(0);
      }
      return true;
    case Key::Enter:
      if (lit) PressItem(lit, true);
      return true;
    case Key::Up:
    case Key::Down:
      if (!bar_level) {
        MoveInPopup(inner, event.a == Key::Up);
      } else if (event.a == Key::Down && lit && lit->IsSelectable() && lit->HasItems()) {
        OpenAndHighlightFirst(lit);
      }
      return true;
    case Key::Left:
    case Key::Right: {
      const bool left = event.a == Key::Left;
      if (bar_level) {
        MenuItem* next = Search(Items(), IndexOf(Items(), lit), left,
                                [](const MenuItem* m) { return m->IsSelectable(); });
        if (next) Highlight(this, next);
        return true;
      }
      if (!left && lit && lit->IsSelectable() && lit->HasItems()) {
        OpenAndHighlightFirst(lit);
        return true;
      }
      if (below_bar) {
        // Along the bar, wrapping at either end; Right on a leaf (or on nothing) goes on too.
        MenuItem* next = NextBarMenu(inner, left);
        if (next && next != inner) OpenAndHighlightFirst(next);
        return true;
      }
      if (left && inner != this) CloseSubMenu(inner);
      return true;
    }
    default:
      return true;
  }
}

void Menu::TypeToChoose(int32_t character) {
  if (!IsLetterOrDigit(character)) return;
  MenuItem* inner = Innermost();
  const auto& items = inner->Items();
  const int32_t wanted = Lower(character);
  MenuItem* found =
      Search(items, IndexOf(items, inner->highlighted_child_), false, [wanted](const MenuItem* m) {
        const char* label = m->GetTitle();
        return m->IsSelectable() && label && Lower(static_cast<unsigned char>(label[0])) == wanted;
      });
  if (!found) {
    if (WindowManager* wm = WMOrNull()) wm->Beep();
    return;
  }
  Highlight(inner, found);
  if (found->HasItems()) OpenSubMenu(found);
}

// ---------------------------------------------------------------------------------------
// Drawing

void Menu::DrawBackground() {
  int32_t id = kSkinMenuBackground;
  uint32_t flags = 0;
  if (is_bar_ && CurrentSkin().ImageSize(kSkinMenuBarBackground).height > 0) {
    // The bar's own tile is shaded top to bottom: stretched over the bar.
    id = kSkinMenuBarBackground;
    flags = SpriteFlag::Stretch;
  }
  QueueSprite(id, {0, 0, ClientRect().Width(), ClientRect().Height()}, flags);
}
