#include "gui/ComboBox.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/Skin.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr int32_t kArrowSize = 14;  // the arrow piece's size when the skin has none

Size ArrowSize() {
  const Size s = CurrentSkin().ImageSize(kSkinDropDownArrow);
  return s.width > 0 && s.height > 0 ? s : Size{kArrowSize, kArrowSize};
}

// The program's combo boxes hold 32-bit ids, with -1 for their "none" entries; some callers
// widen them with a sign and some without. Both spellings of a negative 32-bit value are one
// id.
uint64_t CanonicalId(uint64_t id) {
  return (id >> 32) == 0xFFFFFFFFu ? (id & 0xFFFFFFFFu) : id;
}

int64_t Area(const Rect& r) {
  return r.IsEmpty() ? 0 : int64_t{r.Width()} * r.Height();
}
}  // namespace

// ---------------------------------------------------------------------------------------
// The arrow button

ComboBox::DropdownButton::DropdownButton(ComboBox* parent) : Button(parent, 0, true) {
  SetTitle("ComboBox Button");
}

void ComboBox::DropdownButton::FrameSizeForClient(Size& frame_size, Size /*client_size*/) const {
  frame_size = ArrowSize();
}

void ComboBox::DropdownButton::Draw() {
  int32_t id = kSkinDropDownArrow;
  if (!IsEnabled())
    id = kSkinDropDownArrowDisabled;
  else if (GetState() != kUp)
    id = kSkinDropDownArrowPressed;
  QueueSprite(id, {0, 0, ClientRect().Width(), ClientRect().Height()}, SpriteFlag::Stretch);
}

FocusGain ComboBox::DropdownButton::OnFocusGained(Window* /*old_focus*/, int32_t /*reason*/) {
  return {false, Parent()};
}

// ---------------------------------------------------------------------------------------
// Construction

ComboBox::ComboBox(Window* parent, uint32_t flags)
    : Window(WindowFlag::Visible, parent), flags_(flags) {
  text_ = new TextBox(IsEditable() ? TextBox::kLineField : TextBox::kLabel, this);
  text_->SetTitle("ComboBox Textfield");
  // Item texts are data: a name holding "|b" shows those two characters.
  text_->SetLiteral(true);
  button_ = new DropdownButton(this);
  // Hidden until opened; the pop-up style lets the pointer pick and a click choose.
  // Opaque, since it opens over whatever lies below the box.
  list_ = new ListWindow(ListStyle::PopUp, WindowFlag::BackgroundA | WindowFlag::DropShadow, this);
  list_->SetTitle("ComboBox List");
  list_->Hide();
  Connect<&ComboBox::OnArrowClicked>(button_->clicked, this);
  Connect<&ComboBox::OnListSelectionChanged>(list_->selection_changed, this);
  Connect<&ComboBox::OnListActivated>(list_->activated, this);
  Connect<&ComboBox::OnFieldFocusLost>(text_->focus_lost, this);
  // An editable box is focused through its field, and counts as focused while it is.
  if (IsEditable()) SetFocusProxy(text_);
  list_height_ = ListRowHeight() * kDefaultRows;
  SetFrameRect({0, 0, kInitialWidth, RowHeight()});
  LayOut();
}

ComboBox::~ComboBox() {
  if (alive_) *alive_ = false;
  // A list lifted out for an open loop is not among our children.
  if (list_ && list_->Parent() != this) {
    list_->SetOwner(nullptr);
    delete list_;
  }
  list_ = nullptr;
}

// ---------------------------------------------------------------------------------------
// Items

ListItem* ComboBox::AddItem(uint64_t id, std::string_view text, bool pinned) {
  needs_refresh_ = true;
  const uint32_t flags = ListItemFlag::TextOrdered | (pinned ? ListItemFlag::Pinned : 0);
  return list_->AddItem(nullptr, 0, flags, id, text);
}

void ComboBox::SortItems() {
  list_->Sort();
}

void ComboBox::Clear() {
  const bool suppress = suppress_;
  suppress_ = true;
  list_->Clear();
  suppress_ = suppress;
  last_selected_ = nullptr;
  needs_refresh_ = true;
  text_->SetText({});
}

void ComboBox::SelectQuietly(ListItem* item) {
  const bool suppress = suppress_;
  suppress_ = true;
  list_->Select(item, false);
  suppress_ = suppress;
  last_selected_ = list_->SelectedItem();
}

void ComboBox::ShowText(const ListItem* item) {
  if (!item) return;
  text_->SetText(item->text);
  if (IsEditable() && text_->HasFocus()) text_->SelectAll();
}

bool ComboBox::SelectById(uint64_t id) {
  const uint64_t wanted = CanonicalId(id);
  ListItem* found = nullptr;
  for (ListItem* item = list_->FirstItem(); item; item = item->next) {
    if (CanonicalId(item->id) == wanted) {
      found = item;
      break;
    }
  }
  SelectQuietly(found);
  if (!found) return false;
  list_->ScrollIntoView(found);
  ShowText(found);
  return true;
}

ListItem* ComboBox::SelectedItem() const {
  return list_->SelectedItem();
}

uint64_t ComboBox::SelectedId() const {
  const ListItem* item = list_->SelectedItem();
  return item ? item->id : kNoId;
}

int32_t ComboBox::ItemCount() const {
  return list_->ItemCount();
}

// ---------------------------------------------------------------------------------------
// Geometry

int32_t ComboBox::RowHeight() const {
  const Font* font = GetFont() ? GetFont() : DefaultFont();
  return std::max(FontLineHeight(font), kMinimumRowHeight);
}

int32_t ComboBox::ListRowHeight() const {
  if (list_ && list_->RowHeight() > 0) return list_->RowHeight();
  const Font* font = GetFont() ? GetFont() : DefaultFont();
  const int32_t h = FontLineHeight(font);
  return h > 0 ? h : kMinimumRowHeight;
}

int32_t ComboBox::ButtonWidth() const {
  return ArrowSize().width;
}

void ComboBox::Fit(int32_t rows, bool fit_width) {
  rows = std::max(rows, 1);
  const int32_t shown = std::min(rows, ItemCount() + 1);
  list_height_ = ListRowHeight() * shown;
  if (fit_width) {
    const Font* font = ListFont();
    int32_t widest = 0;
    for (const ListItem* item = list_->FirstItem(); item; item = item->next) {
      widest = std::max(widest, MeasureTextWidth(font, item->text, 0, kTextLiteral));
    }
    SetWidth(widest + 18);
  }
  LayOut();
}

void ComboBox::FitToWidest(int32_t rows, int32_t widest_text) {
  rows = std::max(rows, 1);
  list_height_ = ListRowHeight() * std::min(rows, ItemCount() + 1);
  SetWidth(widest_text + 18);
  LayOut();
}

const Font* ComboBox::ListFont() const {
  return list_->GetFont() ? list_->GetFont() : DefaultFont();
}

void ComboBox::SetWidth(int32_t width) {
  const Rect r = FrameRectInParent();
  SetFrameRect({r.left, r.top, r.left + std::max(width, ButtonWidth()), r.bottom});
  LayOut();
}

void ComboBox::LayOut() {
  if (!text_ || !button_ || !list_) return;
  const int32_t w = ClientRect().Width();
  const int32_t row = RowHeight();
  const int32_t bw = ButtonWidth();
  const int32_t bh = ArrowSize().height;
  const int32_t top = (open_ && above_) ? list_height_ : 0;
  text_->SetFrameRect({0, top, std::max(0, w - bw), top + row});
  const int32_t by = top + (row - bh) / 2;
  button_->SetFrameRect({w - bw, by, w, by + bh});
  // While open the list lives in the top layer and was placed when it was lifted there.
  if (!open_) list_->SetFrameRect({0, row, w, row + list_height_});
}

void ComboBox::OnResized() {
  LayOut();
}

Window* ComboBox::FocusHolder() const {
  return IsEditable() ? static_cast<Window*>(text_) : const_cast<ComboBox*>(this);
}

// ---------------------------------------------------------------------------------------
// Opening and closing

void ComboBox::Open() {
  if (open_ || !IsEnabled() || !IsVisible()) return;
  WindowManager& wm = WM();
  open_ = true;
  closed_position_ = FrameRectInParent();
  button_->SetState(Button::kOn, true);
  Window::SetFocus(FocusHolder(), 0);
  text_->SelectAll();
  if (IsEditable()) {
    const std::string typed = text_->GetText();
    if (!typed.empty()) {
      if (ListItem* match = list_->FindTyped(typed)) {
        SelectQuietly(match);
        list_->ScrollIntoView(match);
      }
    }
  }

  // Below the text field, unless more of the list would show above it.
  const Rect frame = FrameRect();
  const int32_t row = RowHeight();
  const int32_t w = frame.Width();
  const Rect screen = wm.Root()->FrameRect();
  const Rect below{frame.left, frame.top + row, frame.left + w, frame.top + row + list_height_};
  const Rect above{frame.left, frame.top - list_height_, frame.left + w, frame.top};
  above_ = Area(above.Intersection(screen)) > Area(below.Intersection(screen));
  const Rect place = above_ ? above : below;

  if (above_) {
    SetFrameRect({closed_position_.left, closed_position_.top - list_height_,
                  closed_position_.right, closed_position_.top + row});
  } else {
    SetFrameRect({closed_position_.left, closed_position_.top, closed_position_.right,
                  closed_position_.top + row + list_height_});
  }
  LayOut();

  // Lifted into the top layer nothing of the dialog can cover or cut it; as our own it still
  // counts as inside our loop.
  Window* layer = wm.Layer1();
  list_->SetOwner(this);
  list_->SetParent(layer);
  const Rect& origin = layer->ClientRect();
  list_->SetFrameRect(place.Offset(-origin.left, -origin.top));
  // The field keeps the focus while the list is clicked.
  list_->SetFocusProxy(FocusHolder());
  if (needs_refresh_) {
    list_->Refresh();
    needs_refresh_ = false;
  }
  if (const ListItem* shown = list_->SelectedItem()) list_->ScrollIntoView(shown);
  list_->Show();
  wm.BringToFront(list_);
  wm.RecomputeHover();

  bool alive = true;
  alive_ = &alive;
  wm.RunModal(this, WindowManager::kModalKeys | WindowManager::kModalMouse);
  if (!alive) return;
  alive_ = nullptr;
  if (open_) CloseList();  // the loop was ended from outside
  if (pass_on_) {
    // The press that closed the list belongs to whatever lies under the pointer, and goes
    // there through the loops still running, which may refuse it.
    pass_on_ = false;
    InputEvent press = press_;
    wm.RecomputeHover();
    wm.Dispatch(press);
  }
}

void ComboBox::CloseList() {
  if (!open_) return;
  open_ = false;
  button_->SetState(Button::kUp, true);
  list_->SetFocusProxy(nullptr);
  list_->Hide();
  list_->SetParent(this);
  list_->SetOwner(nullptr);
  above_ = false;
  SetFrameRect({closed_position_.left, closed_position_.top, closed_position_.right,
                closed_position_.top + RowHeight()});
  LayOut();
  if (!text_->GetText().empty()) {
    ShowText(list_->SelectedItem());
  } else {
    ShowText(list_->CurrentItem());
  }
  if (WindowManager* wm = WMOrNull()) {
    if (wm->IsInModalStack(this, false)) wm->EndModal(this, 0);
    wm->RecomputeHover();
  }
}

void ComboBox::OnArrowClicked(intptr_t) {
  if (open_)
    CloseList();
  else
    Open();
}

void ComboBox::OnListSelectionChanged(intptr_t) {
  if (suppress_) return;
  ListItem* item = list_->SelectedItem();
  // The pop-up list also reports the pointer moving its current item; only a new choice
  // counts.
  if (item == last_selected_) return;
  last_selected_ = item;
  if (!item) return;
  if (IsEditable() && !text_->HasFocus()) CloseList();
  const Selection selection{item, item->id};
  selection_changed.Emit(reinterpret_cast<intptr_t>(&selection));
}

void ComboBox::OnListActivated(intptr_t) {
  CloseList();
}

// ---------------------------------------------------------------------------------------
// Events

void ComboBox::MoveFocusOn(bool backwards) {
  auto step = [backwards](Window* w) {
    return backwards ? w->PrevInTabOrder() : w->NextInTabOrder();
  };
  for (Window* w = step(this); w && w != this; w = step(w)) {
    if (w->IsVisible()) {
      Window::SetFocus(w, 2);
      return;
    }
  }
}

bool ComboBox::HandleKey(InputEvent& event) {
  const bool down = event.b == 1;
  switch (event.a) {
    case Key::Enter:
    case Key::Escape:
      if (!down) return true;
      if (!open_) return false;
      CloseList();
      return true;
    case Key::Tab:
      if (down) {
        CloseList();
        MoveFocusOn((event.flags & kModShift) != 0);
      }
      return true;
    case Key::Up:
    case Key::Down:
      if (down) {
        if (open_)
          list_->OnKey(event);
        else
          Open();
      }
      return true;
    default:
      return false;
  }
}

bool ComboBox::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  const bool ours = target == this || target == text_;
  if (type == kEventKey && ours) {
    if (HandleKey(event)) return true;
    // A disabled box's field takes no typing.
    if (!IsEnabled() && target == text_) return true;
    return Window::HandleEvent(target, type, event);
  }
  if (type == kEventChar && target == text_ && !IsEnabled()) return true;
  if (open_ && target == this && type >= kEventButton && type <= kEventWheel &&
      !FrameRect().Contains(Point{event.a, event.b})) {
    // Mouse events from outside reach us as the loop's window. A press there closes the
    // list and is passed on once the loop is over; anything else outside is nobody's.
    if ((type == kEventButton || type == kEventDoubleClick) && event.d == 1 && !pass_on_) {
      press_ = event;
      pass_on_ = true;
      CloseList();
    }
    return true;
  }
  return Window::HandleEvent(target, type, event);
}

void ComboBox::OnMouseButton(InputEvent& event) {
  if (!IsEnabled() || event.c != 0 || event.d != 1) return;
  if (open_)
    CloseList();
  else if (!IsEditable())
    Open();
}

void ComboBox::OnFocusLost(Window* /*new_focus*/, int32_t reason) {
  if (reason == 2) CloseList();
}

void ComboBox::OnFieldFocusLost(intptr_t reason) {
  if (reason != 2) return;
  CloseList();
  const TextBox::Position caret = text_->Caret();
  text_->SetSelection(caret, caret);
}

FocusGain ComboBox::OnFocusGained(Window* /*old_focus*/, int32_t /*reason*/) {
  if (!IsEditable()) return {};
  text_->SelectAll();
  return {false, text_};
}

void ComboBox::OnFlagsChanged(uint32_t changed) {
  Window::OnFlagsChanged(changed);
  if (!text_ || !button_ || !list_) return;
  if (changed & WindowFlag::EnabledState) {
    const bool enabled = IsEnabled();
    text_->SetEnabled(enabled);
    button_->SetEnabled(enabled);
    list_->SetEnabled(enabled);
    if (!enabled) CloseList();
  }
  if ((changed & WindowFlag::Visible) && !IsVisible()) CloseList();
}

void ComboBox::Draw() {
  const int32_t w = ClientRect().Width();
  const int32_t top = (open_ && above_) ? list_height_ : 0;
  const Rect row{0, top, w, top + RowHeight()};
  QueueSprite(kSkinTextBoxFill, row);
  DrawSkinBorder(row, kSkinTextBoxEdge, kSkinTextBoxCorner, FrameSide::All);
  if (HasFocus() && !open_)
    DrawSkinBorder(row, kSkinFocusRingEdge, kSkinFocusRingCorner, FrameSide::All);
}
