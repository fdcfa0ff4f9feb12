#include "gui/MenuItem.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Menu.h"
#include "gui/Skin.h"
#include "gui/TextLayout.h"

namespace {
constexpr Color kDisabledText = MakeColor(128, 128, 128);

const Font* FontOf(const Window* w) {
  return w && w->GetFont() ? w->GetFont() : DefaultFont();
}

// A separator is as high as the skin's separator line, 4 pixels without one.
int32_t SeparatorHeight() {
  const int32_t h = CurrentSkin().ImageSize(kSkinMenuSeparator).height;
  return h > 0 ? h : MenuItem::kSeparatorHeight;
}

// The window that will hold a container's new item: the panel of a sub-menu is made with its
// first item.
Window* HostFor(MenuItem* container) {
  Window* host = container->ItemsWindow();
  return host ? host : new MenuItem::Panel(container);
}
}  // namespace

// ---------------------------------------------------------------------------------------
// The pop-up panel

MenuItem::Panel::Panel(MenuItem* item)
    : Window(WindowFlag::ThinFrame | WindowFlag::DropShadow | WindowFlag::FloatingLayer, nullptr),
      item_(item) {
  SetTitle("Popup Menu");
  if (item->GetFont()) SetFont(item->GetFont());
  SetOwner(item);
  item->panel_ = this;
}

MenuItem::Panel::~Panel() {
  if (item_) item_->panel_ = nullptr;
}

bool MenuItem::Panel::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  // A press on the frame or between items neither raises nor focuses anything.
  if (target == this && (type == kEventButton || type == kEventDoubleClick)) return true;
  return Window::HandleEvent(target, type, event);
}

void MenuItem::Panel::DrawBackground() {
  QueueSprite(kSkinMenuBackground, {0, 0, ClientRect().Width(), ClientRect().Height()});
}

// ---------------------------------------------------------------------------------------
// Construction and destruction

MenuItem::MenuItem(uint32_t flags) : Window(flags, nullptr) {}

MenuItem::MenuItem(MenuItem* container, const char* label, int32_t id, bool enabled, bool separator)
    : Window(WindowFlag::Visible, HostFor(container)) {
  root_ = container->root_;
  parent_item_ = container;
  separator_ = separator;
  Window::SetTitle(label ? label : "");
  SetWindowId(id);
  SetEnabled(enabled && !separator);
}

MenuItem::~MenuItem() {
  dying_ = true;
  DestroyItems();
  if (panel_) {
    panel_->item_ = nullptr;
    delete panel_;
    panel_ = nullptr;
  }
  if (parent_item_ && !parent_item_->dying_) parent_item_->ForgetItem(this);
  if (root_ && root_ != this && root_->chosen_ == this) root_->chosen_ = nullptr;
}

void MenuItem::DestroyItems() {
  std::vector<MenuItem*> items;
  items.swap(items_);
  open_child_ = nullptr;
  highlighted_child_ = nullptr;
  for (MenuItem* item : items) {
    item->parent_item_ = nullptr;  // nothing to tell us: we already forgot it
    delete item;
  }
}

// ---------------------------------------------------------------------------------------
// Items

MenuItem* MenuItem::AddItem(const char* label, int32_t id, bool enabled) {
  auto* item = new MenuItem(this, label, id, enabled, false);
  items_.push_back(item);
  ItemsChanged();
  return item;
}

MenuItem* MenuItem::AddSeparator() {
  auto* item = new MenuItem(this, kSeparatorText, kSeparatorId, false, true);
  items_.push_back(item);
  ItemsChanged();
  return item;
}

void MenuItem::RemoveItem(MenuItem* item) {
  if (!item || item->parent_item_ != this) return;
  delete item;  // its destructor makes us forget it
}

void MenuItem::ClearItems() {
  if (items_.empty()) return;
  DestroyItems();
  ItemsChanged();
}

void MenuItem::ForgetItem(MenuItem* item) {
  std::erase(items_, item);
  if (open_child_ == item) open_child_ = nullptr;
  if (highlighted_child_ == item) highlighted_child_ = nullptr;
  ItemsChanged();
}

MenuItem* MenuItem::FindItem(int32_t id) const {
  for (MenuItem* item : items_) {
    if (item->WindowId() == id) return item;
    if (MenuItem* found = item->FindItem(id)) return found;
  }
  return nullptr;
}

bool MenuItem::IsOpen() const {
  return parent_item_ && parent_item_->open_child_ == this;
}

bool MenuItem::IsInBar() const {
  return parent_item_ && !parent_item_->parent_item_ && root_ && root_->IsBar();
}

Window* MenuItem::ItemsWindow() const {
  if (!parent_item_ && root_ == this) return const_cast<MenuItem*>(this);
  return panel_;
}

void MenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Invalidate();
}

// ---------------------------------------------------------------------------------------
// Layout

void MenuItem::ItemsChanged() {
  if (dying_) return;
  if (!parent_item_ && root_ == this && root_->IsBar()) {
    root_->LayOutBar();
    return;
  }
  // A hidden pop-up is laid out when it opens.
  Window* host = ItemsWindow();
  if (host && host->IsVisible()) LayOutItems();
}

void MenuItem::LayOutItems() {
  Window* host = ItemsWindow();
  if (!host) return;
  const Font* font = FontOf(host);
  const int32_t line = FontLineHeight(font);
  int32_t width = kPopupMinWidth;
  for (const MenuItem* item : items_) {
    if (item->separator_) continue;
    const char* label = item->GetTitle();
    const int32_t text = label ? MeasureTextWidth(font, label, 0, kTextLiteral) : 0;
    width = std::max(width, text + kPopupTextLeft + kPopupTextRight);
  }
  const int32_t separator = SeparatorHeight();
  int32_t y = 0;
  for (MenuItem* item : items_) {
    const int32_t h = item->separator_ ? separator : line + 4;
    item->SetFrameRect({0, y, width, y + h});
    y += h;
  }
  Size frame;
  host->FrameSizeForClient(frame, {width, y});
  const Rect r = host->FrameRectInParent();
  host->SetFrameRect({r.left, r.top, r.left + frame.width, r.top + frame.height});
}

// ---------------------------------------------------------------------------------------
// Events: everything goes to the root, which knows the whole tree

bool MenuItem::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (target == this && (type == kEventButton || type == kEventDoubleClick)) {
    // Menus neither raise nor take the focus on a press: the window the user was working in
    // keeps it.
    if (event.flags == static_cast<int32_t>(Part::Client)) OnMouseButton(event);
    return true;
  }
  return Window::HandleEvent(target, type, event);
}

bool MenuItem::OnKey(InputEvent& event) {
  return root_ ? root_->HandleKey(event) : false;
}

void MenuItem::OnChar(InputEvent& event) {
  if (root_) root_->TypeToChoose(event.a);
}

void MenuItem::OnMouseButton(InputEvent& event) {
  if (!root_ || event.c != 0 || event.d != 1 || !parent_item_) return;
  root_->PressItem(this, false);
}

void MenuItem::OnMouseMove(InputEvent& /*event*/) {
  if (root_ && parent_item_) root_->PointerOver(this);
}

void MenuItem::OnMouseLeave(uint32_t /*new_part*/, uint32_t /*old_part*/) {
  if (root_ && parent_item_) root_->PointerLeft(this);
}

void MenuItem::OnFlagsChanged(uint32_t changed) {
  Window::OnFlagsChanged(changed);
  if (!(changed & WindowFlag::EnabledState) || dying_) return;
  Invalidate();
  if (IsEnabled() || !root_ || !parent_item_) return;
  // A disabled item can be neither open nor highlighted.
  if (IsOpen()) root_->CloseSubMenu(this);
  if (parent_item_->highlighted_child_ == this) root_->Highlight(parent_item_, nullptr);
}

void MenuItem::SetTitle(const char* title) {
  Window::SetTitle(title);
  Invalidate();
  if (parent_item_ && !dying_) parent_item_->ItemsChanged();
}

// ---------------------------------------------------------------------------------------
// Drawing

void MenuItem::Draw() {
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  if (separator_) {
    QueueSprite(kSkinMenuSeparator, {2, 0, std::max(2, w - 2), h});
    return;
  }
  if (!parent_item_) return;
  const bool lit = parent_item_->highlighted_child_ == this || parent_item_->open_child_ == this;
  if (lit) QueueSprite(kSkinMenuHighlight, {0, 0, w, h}, SpriteFlag::Stretch);
  const Skin& skin = CurrentSkin();
  const bool in_bar = IsInBar();
  if (checked_ && !in_bar) {
    const Size mark = skin.ImageSize(kSkinMenuCheckMark);
    const int32_t my = (h - mark.height) / 2;
    const int32_t mx = (kPopupTextLeft - mark.width) / 2;
    QueueSprite(kSkinMenuCheckMark, {mx, my, mx + mark.width, my + mark.height});
  }
  if (!in_bar && HasItems()) {
    const Size arrow = skin.ImageSize(kSkinMenuSubmenuArrow);
    const int32_t ax = w - (kPopupTextRight + arrow.width) / 2;
    const int32_t ay = (h - arrow.height) / 2;
    QueueSprite(kSkinMenuSubmenuArrow, {ax, ay, ax + arrow.width, ay + arrow.height});
  }
  const char* label = GetTitle();
  if (!label || !*label) return;
  const int32_t left = in_bar ? kBarPad : kPopupTextLeft;
  const int32_t right = in_bar ? w - kBarPad : w - kPopupTextRight;
  SetDrawColor(IsEnabled() ? kWhite : kDisabledText);
  // Labels come from data as often as not (window titles): drawn as they stand.
  DrawText(GetFont(), label, 0, kTextVCentre | kTextLiteral, {left, 0, std::max(left, right), h});
  SetDrawColor(kWhite);
}
