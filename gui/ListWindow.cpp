#include "gui/ListWindow.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/NaturalOrder.h"
#include "gui/Draw.h"
#include "gui/Menu.h"
#include "gui/Skin.h"
#include "gui/SkinIds.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "gui/TextPopup.h"
#include "gui/WindowManager.h"

namespace {

// Marks the items of a subtree while it is being removed, so that every reference into it can
// be found in one look at the item instead of a walk up its ancestors.
constexpr uint32_t kRemoving = 1u << 29;
constexpr uint32_t kEnabledText = 0xFFFFFFFFu;
constexpr uint32_t kDisabledText = 0xFF808080u;
constexpr Color kCurrentLine = MakeColor(110, 130, 180);
constexpr Color kDropLine = MakeColor(255, 210, 90);
constexpr Color kDragPlate = MakeColor(40, 50, 70, 200);
constexpr int32_t kIndent = 12;  // per depth level
constexpr int32_t kCellPad = 3;
constexpr int32_t kDefaultRowHeight = 16;

enum class FormatKind { kString, kUnsigned, kFloat };

FormatKind KindOf(int32_t type) {
  switch (type) {
    case ColumnType::Unsigned:
      return FormatKind::kUnsigned;
    case ColumnType::Float:
    case ColumnType::Fixed:
      return FormatKind::kFloat;
    default:
      return FormatKind::kString;
  }
}

const char* DefaultFormat(FormatKind kind) {
  switch (kind) {
    case FormatKind::kUnsigned:
      return "%u";
    case FormatKind::kFloat:
      return "%g";
    default:
      return "%s";
  }
}

// A client's format is handed to snprintf with one argument of the column's kind, so it must
// hold exactly one conversion that reads that argument (no '*', no %n, no length that would
// read a wider type); anything else falls back to the kind's plain format.
bool FormatFits(const std::string& format, FormatKind kind) {
  int conversions = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (++i >= format.size()) return false;
    if (format[i] == '%') continue;
    while (i < format.size() && std::strchr("-+ #0", format[i]) && format[i] != '\0') ++i;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
    if (i < format.size() && format[i] == '.') {
      ++i;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
    }
    if (kind == FormatKind::kFloat && i < format.size() && format[i] == 'l') ++i;
    if (i >= format.size()) return false;
    const char c = format[i];
    const char* allowed = kind == FormatKind::kString     ? "s"
                          : kind == FormatKind::kUnsigned ? "diuxXoc"
                                                          : "fFeEgGaA";
    if (c == '\0' || !std::strchr(allowed, c)) return false;
    ++conversions;
  }
  return conversions == 1;
}

bool SizeFits(int32_t type, int32_t size) {
  switch (type) {
    case 0:
      return size == 0;  // a column that shows nothing of the record
    case ColumnType::FourCC:
      return size == 4;
    case ColumnType::CharArray:
      return size >= 1;
    case ColumnType::TextPointer:
      return size == static_cast<int32_t>(sizeof(const char*));
    case ColumnType::String:
      return size == static_cast<int32_t>(sizeof(std::string));
    case ColumnType::Unsigned:
    case ColumnType::Fixed:
      return size == 1 || size == 2 || size == 4;
    case ColumnType::Float:
      return size == 4 || size == 8;
    default:
      return false;
  }
}

int32_t EditLength(const ListColumn& column) {
  switch (column.type) {
    case ColumnType::FourCC:
      return 4;
    case ColumnType::CharArray:
      return std::max(1, column.size - 1);
    case ColumnType::String:
      return static_cast<int32_t>(ListWindow::kMaxEditText);
    case ColumnType::Unsigned:
      return 11;
    default:
      return 16;
  }
}

uint8_t* RecordOf(const ListItem& item) {
  return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(item.id));
}

// A field of 1, 2 or 4 bytes in the record's own byte order.
template <class T8, class T16, class T32>
T32 ReadField(const uint8_t* p, int32_t size) {
  if (size == 1) {
    T8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  if (size == 2) {
    T16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  T32 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

uint32_t ReadUnsigned(const uint8_t* p, int32_t size) {
  return ReadField<uint8_t, uint16_t, uint32_t>(p, size);
}

int32_t ReadSigned(const uint8_t* p, int32_t size) {
  return ReadField<int8_t, int16_t, int32_t>(p, size);
}

double ReadFloat(const uint8_t* p, int32_t size) {
  if (size == 4) {
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
  }
  double d;
  std::memcpy(&d, p, sizeof d);
  return d;
}

std::string_view ReadText(const ListColumn& column, const uint8_t* p) {
  switch (column.type) {
    case ColumnType::CharArray: {
      const char* s = reinterpret_cast<const char*>(p);
      const void* nul = std::memchr(s, 0, static_cast<size_t>(column.size));
      return {s, nul ? static_cast<size_t>(static_cast<const char*>(nul) - s)
                     : static_cast<size_t>(column.size)};
    }
    case ColumnType::TextPointer: {
      const char* s = nullptr;
      std::memcpy(&s, p, sizeof s);
      return s ? std::string_view(s) : std::string_view();
    }
    case ColumnType::String:
      return *reinterpret_cast<const std::string*>(p);
    default:
      return {};
  }
}

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

char FoldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Over the shorter of the two lengths, case-insensitively; an empty item text matches nothing.
bool TypedMatches(std::string_view text, std::string_view typed) {
  if (text.empty()) return false;
  const size_t n = std::min(text.size(), typed.size());
  for (size_t i = 0; i < n; ++i) {
    if (FoldCase(text[i]) != FoldCase(typed[i])) return false;
  }
  return true;
}

// Stable and bounded whatever `compare` answers: every index stays inside the halves being
// merged, and an element is taken from the right half only when it is strictly smaller.
template <typename T, typename Compare>
void MergeSort(std::vector<T>& items, std::vector<T>& buffer, size_t from, size_t to,
               Compare compare) {
  const size_t n = to - from;
  if (n < 2) return;
  buffer.resize(items.size());
  T* a = items.data() + from;
  T* b = buffer.data() + from;
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(lo + width, n);
      const size_t hi = std::min(lo + 2 * width, n);
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) b[k++] = compare(a[j], a[i]) < 0 ? a[j++] : a[i++];
      while (i < mid) b[k++] = a[i++];
      while (j < hi) b[k++] = a[j++];
    }
    std::swap(a, b);
  }
  if (a != items.data() + from) std::copy(a, a + n, items.data() + from);
}

int32_t TextWidth(const Font* font, std::string_view text) {
  TextLine line;
  LayoutLine(font ? font : DefaultFont(), text, kTextLiteral, 0, 0, 0, line);
  return line.width;
}

Size MeasureDragImage(const Window::DragDropData& data) {
  const auto& d = static_cast<const ListWindow::ListItemDDData&>(data);
  if (!d.source || !d.item) return {};
  return {TextWidth(d.source->GetFont(), d.item->text) + 2 * kCellPad, d.source->RowHeight()};
}

void DrawDragImage(const Window::DragDropData& data) {
  const auto& d = static_cast<const ListWindow::ListItemDDData&>(data);
  if (!d.source || !d.item) return;
  const int32_t h = d.source->RowHeight();
  const int32_t w = TextWidth(d.source->GetFont(), d.item->text) + 2 * kCellPad;
  SetDrawColor(kDragPlate);
  FillRect({0, 0, w, h});
  SetDrawColor(d.item->text_color);
  DrawText(d.source->GetFont(), d.item->text, 0, kTextVCentre | kTextLiteral, {kCellPad, 0, w, h});
}

void Beep() {
  if (WindowManager* wm = WMOrNull()) wm->Beep();
}

double Now() {
  WindowManager* wm = WMOrNull();
  return wm ? wm->GetPlatform().Now() : 0.0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Construction

ListWindow::ListItemDDData::~ListItemDDData() {
  if (source) source->DragDataGone(this);
}

ListWindow::ListWindow(uint32_t style, uint32_t window_flags, Window* parent)
    : ScrollableWindow(window_flags, parent), style_(style) {
  SetTitle("ListWindow");
  root_.flags = ListItemFlag::Expanded;
  static const bool registered = [] {
    WindowManager::RegisterDragImagePainter(ListItemDDData::kTypeId,
                                            {&MeasureDragImage, &DrawDragImage});
    return true;
  }();
  (void)registered;
  Refresh();
}

ListWindow::~ListWindow() {
  if (alive_) *alive_ = false;
  // The window manager destroys the payload after the window: it must not call back.
  if (drag_) drag_->source = nullptr;
  drag_ = nullptr;
  if (edit_alive_) *edit_alive_ = false;
  if (edit_box_) {
    // An edit still open has nowhere to go: its pop-up ends unwritten and takes the box.
    if (auto* popup = dynamic_cast<TextPopup*>(edit_box_->Parent())) popup->Abandon();
    edit_box_ = nullptr;
  }
  editing_ = nullptr;
  // Items die with the list, and removal releases their ids, whichever way it comes.
  std::vector<ListItem*> all;
  for (ListItem* n = root_.first_child; n;) {
    all.push_back(n);
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next) n = n->parent == &root_ ? nullptr : n->parent;
    if (n) n = n->next;
  }
  if (release_) {
    for (ListItem* item : all) release_(item->id);
  }
  for (ListItem* item : all) delete item;
}

// ---------------------------------------------------------------------------------------
// Columns

bool ListWindow::AddColumn(const char* title, const char* format, int32_t type, int32_t size,
                           int32_t width, uint32_t flags) {
  if (!SizeFits(type, size)) return false;
  ListColumn column;
  column.title = title ? title : "";
  column.format = format ? format : "";
  if (!FormatFits(column.format, KindOf(type))) column.format = DefaultFormat(KindOf(type));
  column.type = type;
  column.size = size;
  column.width = std::max(0, width);
  column.flags = flags;
  const bool hidden = (flags & ColumnFlag::Hidden) != 0;
  column.priority = hidden ? -1 : ColumnCount();
  if (!columns_.empty()) column.offset = columns_.back().offset + columns_.back().size;
  for (auto it = columns_.rbegin(); it != columns_.rend(); ++it) {
    if (!(it->flags & ColumnFlag::Hidden)) {
      column.x = it->x + it->width;
      break;
    }
  }
  columns_.push_back(std::move(column));
  RebuildSortOrder();
  InvalidateClient();
  return true;
}

void ListWindow::RebuildSortOrder() {
  sort_order_.clear();
  for (int32_t i = 0; i < ColumnCount(); ++i) {
    if (columns_[static_cast<size_t>(i)].priority >= 0) sort_order_.push_back(i);
  }
  std::stable_sort(sort_order_.begin(), sort_order_.end(), [this](int32_t a, int32_t b) {
    return columns_[static_cast<size_t>(a)].priority < columns_[static_cast<size_t>(b)].priority;
  });
}

void ListWindow::ClickColumn(int32_t index) {
  if (index < 0 || index >= ColumnCount()) return;
  ListColumn& clicked = columns_[static_cast<size_t>(index)];
  if (clicked.flags & ColumnFlag::Hidden) return;
  clicked.flags ^= ColumnFlag::Descending;
  if (clicked.priority != 0) {
    // Those that were ahead of it move back one; those behind it keep their places.
    const int32_t old =
        clicked.priority < 0 ? std::numeric_limits<int32_t>::max() : clicked.priority;
    for (ListColumn& c : columns_) {
      if (&c != &clicked && c.priority >= 0 && c.priority < old) ++c.priority;
    }
    clicked.priority = 0;
  }
  RebuildSortOrder();
  Sort();
}

void ListWindow::LayOutColumns() {
  int32_t x = 0;
  for (ListColumn& c : columns_) {
    c.x = x;
    if (!(c.flags & ColumnFlag::Hidden)) x += c.width;
  }
}

bool ListWindow::SetColumnHidden(int32_t index, bool hidden) {
  if (index <= 0 || index >= ColumnCount()) return false;
  ListColumn& column = columns_[static_cast<size_t>(index)];
  if (((column.flags & ColumnFlag::Hidden) != 0) == hidden) return true;
  if (hidden) {
    column.flags |= ColumnFlag::Hidden;
    // The keys behind it move up one, so the order of the others is kept.
    const int32_t old = column.priority;
    column.priority = -1;
    for (ListColumn& c : columns_) {
      if (old >= 0 && c.priority > old) --c.priority;
    }
  } else {
    column.flags &= ~ColumnFlag::Hidden;
    int32_t next = 0;
    for (const ListColumn& c : columns_) next = std::max(next, c.priority + 1);
    column.priority = next;
  }
  LayOutColumns();
  RebuildSortOrder();
  Sort();
  InvalidateClient();
  return true;
}

void ListWindow::ShowColumnMenu(Point screen_point) {
  if (columns_.empty()) return;
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  for (int32_t i = 0; i < ColumnCount(); ++i) {
    const ListColumn& c = columns_[static_cast<size_t>(i)];
    MenuItem* item = menu->AddItem(c.title.empty() ? "(untitled)" : c.title.c_str(), i, i > 0);
    item->SetChecked(!(c.flags & ColumnFlag::Hidden));
  }
  bool alive = true;
  alive_ = &alive;
  const MenuItem* chosen = menu->PopUpAt(screen_point);
  const int32_t index = chosen ? chosen->WindowId() : -1;
  WM().DeleteLater(menu);
  if (!alive) return;
  alive_ = nullptr;
  if (index > 0 && index < ColumnCount()) {
    SetColumnHidden(index, !(columns_[static_cast<size_t>(index)].flags & ColumnFlag::Hidden));
  }
}

int32_t ListWindow::ColumnRight(int32_t index) const {
  const ListColumn& c = columns_[static_cast<size_t>(index)];
  for (int32_t j = index + 1; j < ColumnCount(); ++j) {
    if (!(columns_[static_cast<size_t>(j)].flags & ColumnFlag::Hidden)) return c.x + c.width;
  }
  // The last visible column reaches the right edge.
  return std::max(c.x + c.width, ClientRect().Width());
}

int32_t ListWindow::ColumnAtX(int32_t client_x) const {
  for (int32_t i = 0; i < ColumnCount(); ++i) {
    const ListColumn& c = columns_[static_cast<size_t>(i)];
    if (c.flags & ColumnFlag::Hidden) continue;
    if (client_x >= c.x && client_x < ColumnRight(i)) return i;
  }
  return -1;
}

size_t ListWindow::FormatCell(const ListItem& item, int32_t column, char* out,
                              size_t capacity) const {
  if (capacity == 0) return 0;
  out[0] = '\0';
  if (column < 0 || column >= ColumnCount()) return 0;
  const ListColumn& c = columns_[static_cast<size_t>(column)];
  const uint8_t* record = RecordOf(item);
  if (!record || c.type == 0) return 0;
  const uint8_t* p = record + c.offset;
  const char* format = c.format.c_str();
  int written = 0;
  switch (c.type) {
    case ColumnType::FourCC: {
      const uint32_t v = ReadUnsigned(p, 4);
      char code[5] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                      static_cast<char>(v >> 8), static_cast<char>(v), '\0'};
      for (int i = 0; i < 4; ++i) {
        if (code[i] == '\0') code[i] = ' ';
      }
      written = std::snprintf(out, capacity, format, code);
      break;
    }
    case ColumnType::CharArray:
    case ColumnType::TextPointer:
    case ColumnType::String: {
      // Never past the column's size, and never a string the format could read beyond.
      char text[kMaxEditText * 2];
      const std::string_view v = ReadText(c, p);
      const size_t n = std::min(v.size(), sizeof text - 1);
      std::memcpy(text, v.data(), n);
      text[n] = '\0';
      written = std::snprintf(out, capacity, format, text);
      break;
    }
    case ColumnType::Unsigned:
      written =
          std::snprintf(out, capacity, format, static_cast<unsigned>(ReadUnsigned(p, c.size)));
      break;
    case ColumnType::Float:
      written = std::snprintf(out, capacity, format, ReadFloat(p, c.size));
      break;
    case ColumnType::Fixed:
      written = std::snprintf(out, capacity, format, ReadSigned(p, c.size) / 65536.0);
      break;
    default:
      break;
  }
  if (written < 0) {
    out[0] = '\0';
    return 0;
  }
  return std::min(static_cast<size_t>(written), capacity - 1);
}

std::string ListWindow::CellText(const ListItem& item, int32_t column) const {
  if (column == 0 && (item.IsTextOrdered() || columns_.empty() || columns_[0].type == 0)) {
    return item.text;
  }
  char buffer[kMaxEditText * 2];
  const size_t n = FormatCell(item, column, buffer, sizeof buffer);
  return std::string(buffer, n);
}

// ---------------------------------------------------------------------------------------
// Items and the tree

void ListWindow::AddOpenRows(ListItem* parent, int64_t delta) {
  // An expanded item counts every row below it; a collapsed one counts none, and neither do
  // its ancestors change when something below it does.
  for (ListItem* p = parent; p && p->IsExpanded(); p = p->parent) {
    p->open_descendants = static_cast<uint32_t>(int64_t{p->open_descendants} + delta);
  }
}

void ListWindow::Link(ListItem* item, ListItem* parent, ListItem* before) {
  item->parent = parent;
  item->next = before;
  item->prev = before ? before->prev : parent->last_child;
  if (item->prev)
    item->prev->next = item;
  else
    parent->first_child = item;
  if (before)
    before->prev = item;
  else
    parent->last_child = item;
  ++parent->child_count;
  const uint32_t depth = parent == &root_ ? 0 : parent->depth + 1;
  if (item->depth != depth || item->first_child) {
    // Depths follow the subtree wherever it goes.
    const int64_t shift = int64_t{depth} - item->depth;
    for (ListItem* n = item; n;) {
      n->depth = static_cast<uint32_t>(int64_t{n->depth} + shift);
      if (n->first_child) {
        n = n->first_child;
        continue;
      }
      while (n && n != item && !n->next) n = n->parent;
      n = (n == item || !n) ? nullptr : n->next;
    }
  }
  AddOpenRows(parent, 1 + int64_t{item->open_descendants});
}

void ListWindow::Unlink(ListItem* item) {
  ListItem* parent = item->parent;
  AddOpenRows(parent, -(1 + int64_t{item->open_descendants}));
  if (item->prev)
    item->prev->next = item->next;
  else
    parent->first_child = item->next;
  if (item->next)
    item->next->prev = item->prev;
  else
    parent->last_child = item->prev;
  --parent->child_count;
  item->prev = item->next = item->parent = nullptr;
}

bool ListWindow::IsShown(const ListItem* item) const {
  if (!item || item == &root_) return false;
  for (const ListItem* p = item->parent; p; p = p->parent) {
    if (p == &root_) return true;
    if (!p->IsExpanded()) return false;
  }
  return false;  // not in this list
}

void ListWindow::RowsChanged() {
  rows_stale_ = true;
  row_hint_item_ = nullptr;
  InvalidateClient();
}

void ListWindow::EnsureRows() const {
  if (!rows_stale_) return;
  rows_stale_ = false;
  rows_.clear();
  rows_.reserve(root_.open_descendants);
  for (ListItem* n = root_.first_child; n;) {
    rows_.push_back(n);
    if (n->IsExpanded() && n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next) n = n->parent == &root_ ? nullptr : n->parent;
    if (n) n = n->next;
  }
}

ListItem* ListWindow::NewItem(ListItem* parent, uint32_t icon, uint32_t flags, uint64_t id,
                              std::string_view text) {
  if (!parent) parent = &root_;
  auto* item = new ListItem;
  item->flags = flags & ~(ListItemFlag::Selected | kRemoving);
  item->icon = icon;
  item->id = id;
  item->text = std::string(text);
  item->text_color = item->IsDisabled() ? kDisabledText : kEnabledText;
  const bool pinned = (flags & ListItemFlag::Pinned) != 0;
  const bool append_row = !rows_stale_ && parent == &root_ && !pinned;
  Link(item, parent, pinned ? parent->first_child : nullptr);
  if (append_row) {
    rows_.push_back(item);  // the common bulk case keeps the rows without a rebuild
    InvalidateClient();
  } else if (IsShown(item)) {
    RowsChanged();
  }
  return item;
}

ListItem* ListWindow::AddItem(ListItem* parent, uint32_t icon, uint32_t flags, uint64_t id,
                              std::string_view text) {
  return NewItem(parent, icon, flags, id, text);
}

ListItem* ListWindow::AddItemAndRefresh(ListItem* parent, uint32_t icon, uint32_t flags,
                                        uint64_t id, std::string_view text) {
  ListItem* item = NewItem(parent, icon, flags, id, text);
  Refresh();
  return item;
}

void ListWindow::ForgetRemoved(bool whole_list) {
  auto gone = [whole_list](const ListItem* item) {
    return item && (whole_list || (item->flags & kRemoving) != 0);
  };
  if (gone(current_)) current_ = nullptr;
  if (gone(anchor_)) anchor_ = nullptr;
  if (gone(pressed_item_)) {
    pressed_item_ = nullptr;
    pressed_ = false;
    press_kept_selection_ = false;
  }
  row_hint_item_ = nullptr;
  if (drag_ && gone(drag_->item)) {
    // Nothing is left to drop: the drag ends here, as if let go over nothing. Destroying the
    // payload resets drag_.
    drag_->item = nullptr;
    drop_gap_ = -1;
    WindowManager* wm = WMOrNull();
    if (wm && wm->DragData() == drag_) wm->CancelDrag();
  }
  if (gone(editing_)) {
    editing_ = nullptr;
    edit_dropped_ = true;
    // Nothing is left to edit: the pop-up closes as if cancelled.
    Window* popup = edit_box_ ? edit_box_->Parent() : nullptr;
    WindowManager* wm = WMOrNull();
    if (popup && popup != this && wm && wm->IsInModalStack(popup, true)) wm->EndModal(popup, 0);
  }
  typed_.clear();
  ++removals_;
}

void ListWindow::RemoveItem(ListItem* item) {
  if (!item || item == &root_ || !item->parent) return;
  std::vector<ListItem*> doomed;
  for (ListItem* n = item; n;) {
    n->flags |= kRemoving;
    doomed.push_back(n);
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && n != item && !n->next) n = n->parent;
    n = (n == item || !n) ? nullptr : n->next;
  }
  ForgetRemoved(false);
  const size_t before = selected_.size();
  std::erase_if(selected_, [](const ListItem* s) { return (s->flags & kRemoving) != 0; });
  const bool selection_changed_now = selected_.size() != before;
  const bool shown = IsShown(item);
  Unlink(item);
  for (ListItem* n : doomed) {
    if (release_) release_(n->id);
  }
  for (ListItem* n : doomed) delete n;
  if (shown) RowsChanged();
  Refresh();
  if (selection_changed_now) selection_changed.Emit(0);
}

void ListWindow::Clear() {
  ForgetRemoved(true);
  const bool had_selection = !selected_.empty();
  selected_.clear();
  std::vector<ListItem*> all;
  all.reserve(root_.open_descendants);
  for (ListItem* n = root_.first_child; n;) {
    all.push_back(n);
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next) n = n->parent == &root_ ? nullptr : n->parent;
    if (n) n = n->next;
  }
  root_.first_child = root_.last_child = nullptr;
  root_.child_count = 0;
  root_.open_descendants = 0;
  rows_.clear();
  rows_stale_ = false;
  for (ListItem* n : all) {
    if (release_) release_(n->id);
  }
  for (ListItem* n : all) delete n;
  SetVerticalPosition(0);
  Refresh();
  InvalidateClient();
  if (had_selection) selection_changed.Emit(0);
}

void ListWindow::SetItemText(ListItem* item, std::string_view text) {
  if (!item || item == &root_) return;
  item->text = std::string(text);
  InvalidateClient();
}

void ListWindow::SetItemDisabled(ListItem* item, bool disabled) {
  if (!item || item == &root_) return;
  if (disabled)
    item->flags |= ListItemFlag::Disabled;
  else
    item->flags &= ~ListItemFlag::Disabled;
  item->text_color = disabled ? kDisabledText : kEnabledText;
  if (disabled && item->IsSelected()) {
    item->flags &= ~ListItemFlag::Selected;
    std::erase(selected_, item);
    selection_changed.Emit(0);
  }
  InvalidateClient();
}

bool ListWindow::MoveItem(ListItem* item, ListItem* new_parent, ListItem* before) {
  if (!item || item == &root_ || !item->parent) return false;
  ListItem* parent = new_parent ? new_parent : &root_;
  for (const ListItem* p = parent; p; p = p->parent) {
    if (p == item) return false;  // into its own subtree
  }
  if (before == item) return true;
  if (before && before->parent != parent) return false;
  const bool was_shown = IsShown(item);
  Unlink(item);
  Link(item, parent, before);
  if (was_shown || IsShown(item)) RowsChanged();
  Refresh();
  return true;
}

bool ListWindow::MoveItemToRow(ListItem* item, int32_t row) {
  if (!item || row < 0) return false;
  EnsureRows();
  const int32_t count = ItemCount();
  if (count == 0) return false;
  if (row >= count) {
    ListItem* last = rows_.back();
    if (last == item) return true;
    return MoveItem(item, last->parent == &root_ ? nullptr : last->parent, nullptr);
  }
  ListItem* target = rows_[static_cast<size_t>(row)];
  if (target == item) return true;
  return MoveItem(item, target->parent == &root_ ? nullptr : target->parent, target);
}

void ListWindow::Refresh() {
  const int32_t count = ItemCount();
  const int32_t page = PageRows();
  SetRanges(count > page ? kVerticalBar : 0, 0, count, 0, page);
  InvalidateClient();
}

// ---------------------------------------------------------------------------------------
// Order

int ListWindow::CompareFields(const ListItem& a, const ListItem& b, int32_t column) const {
  const ListColumn& c = columns_[static_cast<size_t>(column)];
  const uint8_t* ra = RecordOf(a);
  const uint8_t* rb = RecordOf(b);
  if (!ra || !rb) return Order(ra != nullptr, rb != nullptr);
  const uint8_t* pa = ra + c.offset;
  const uint8_t* pb = rb + c.offset;
  switch (c.type) {
    case ColumnType::FourCC:
    case ColumnType::Unsigned:
      return Order(ReadUnsigned(pa, c.size), ReadUnsigned(pb, c.size));
    case ColumnType::CharArray:
    case ColumnType::TextPointer:
    case ColumnType::String:
      return NaturalCompare(ReadText(c, pa), ReadText(c, pb));
    case ColumnType::Float:
      return Order(ReadFloat(pa, c.size), ReadFloat(pb, c.size));
    case ColumnType::Fixed:
      return Order(ReadSigned(pa, c.size), ReadSigned(pb, c.size));
    default:
      return 0;
  }
}

int ListWindow::CompareItems(const ListItem& a, const ListItem& b) const {
  if (a.IsTextOrdered() && b.IsTextOrdered()) return NaturalCompare(a.text, b.text);
  for (const int32_t column : sort_order_) {
    const int raw = compare_ ? compare_(a.id, b.id, column) : CompareFields(a, b, column);
    int r = raw < 0 ? -1 : (raw > 0 ? 1 : 0);  // negating INT_MIN would overflow
    if (columns_[static_cast<size_t>(column)].flags & ColumnFlag::Descending) r = -r;
    if (r != 0) return r;
  }
  return 0;
}

void ListWindow::SortLevel(ListItem* parent) {
  if (parent->child_count < 2) return;
  std::vector<ListItem*>& items = sort_scratch_;
  items.clear();
  // Pinned items keep their place in front, in the order they were added.
  for (ListItem* c = parent->first_child; c; c = c->next) {
    if (c->flags & ListItemFlag::Pinned) items.push_back(c);
  }
  const size_t pinned = items.size();
  for (ListItem* c = parent->first_child; c; c = c->next) {
    if (!(c->flags & ListItemFlag::Pinned)) items.push_back(c);
  }
  // By a whole-number first key the key is read once per item, not once per comparison;
  // ties fall back to the full comparison, so the order is the same either way.
  const int32_t first = sort_order_.empty() ? -1 : sort_order_.front();
  const ListColumn* key_column = first >= 0 ? &columns_[static_cast<size_t>(first)] : nullptr;
  bool keyed = !compare_ && key_column &&
               (key_column->type == ColumnType::Unsigned || key_column->type == ColumnType::FourCC);
  for (size_t i = pinned; keyed && i < items.size(); ++i) {
    keyed = RecordOf(*items[i]) != nullptr && !items[i]->IsTextOrdered();
  }
  if (keyed) {
    const bool descending = (key_column->flags & ColumnFlag::Descending) != 0;
    keyed_scratch_.clear();
    for (ListItem* c : items) {
      const uint8_t* record = RecordOf(*c);
      const uint32_t v = record ? ReadUnsigned(record + key_column->offset, key_column->size) : 0;
      keyed_scratch_.push_back({descending ? ~v : v, c});
    }
    MergeSort(keyed_scratch_, keyed_buffer_, pinned, items.size(),
              [this](const KeyedItem& a, const KeyedItem& b) {
                if (a.key != b.key) return a.key < b.key ? -1 : 1;
                return CompareItems(*a.item, *b.item);
              });
    for (size_t i = 0; i < items.size(); ++i) items[i] = keyed_scratch_[i].item;
  } else {
    MergeSort(items, sort_buffer_, pinned, items.size(),
              [this](const ListItem* a, const ListItem* b) { return CompareItems(*a, *b); });
  }
  ListItem* prev = nullptr;
  for (ListItem* c : items) {
    c->prev = prev;
    if (prev)
      prev->next = c;
    else
      parent->first_child = c;
    prev = c;
  }
  prev->next = nullptr;
  parent->last_child = prev;
}

void ListWindow::SortSubtree(ListItem* top) {
  std::vector<ListItem*> pending{top};
  while (!pending.empty()) {
    ListItem* parent = pending.back();
    pending.pop_back();
    parent->flags &= ~ListItemFlag::NeedsSort;
    SortLevel(parent);
    for (ListItem* c = parent->first_child; c; c = c->next) {
      if (!c->first_child) continue;
      if (c->IsExpanded())
        pending.push_back(c);
      else
        c->flags |= ListItemFlag::NeedsSort;  // sorted when it opens
    }
  }
}

void ListWindow::Sort() {
  SortSubtree(&root_);
  RowsChanged();
}

void ListWindow::Expand(ListItem* item) {
  if (!item || item == &root_ || item->IsExpanded()) return;
  item->flags |= ListItemFlag::Expanded;
  if (item->flags & ListItemFlag::NeedsSort) SortSubtree(item);
  int64_t rows = 0;
  for (ListItem* c = item->first_child; c; c = c->next) rows += 1 + int64_t{c->open_descendants};
  item->open_descendants = static_cast<uint32_t>(rows);
  AddOpenRows(item->parent, rows);
  if (IsShown(item)) RowsChanged();
  Refresh();
}

void ListWindow::Collapse(ListItem* item) {
  if (!item || item == &root_ || !item->IsExpanded()) return;
  if (may_collapse_ && !may_collapse_(*item)) return;
  const int64_t rows = item->open_descendants;
  AddOpenRows(item->parent, -rows);
  item->open_descendants = 0;
  item->flags &= ~ListItemFlag::Expanded;
  // What is hidden can be neither current nor selected.
  auto inside = [item](const ListItem* n) {
    for (const ListItem* p = n ? n->parent : nullptr; p; p = p->parent) {
      if (p == item) return true;
    }
    return false;
  };
  bool changed = false;
  if (inside(current_)) {
    current_ = item;
    changed = true;
  }
  if (inside(anchor_)) anchor_ = item;
  const size_t before = selected_.size();
  std::erase_if(selected_, [&](ListItem* s) {
    if (!inside(s)) return false;
    s->flags &= ~ListItemFlag::Selected;
    return true;
  });
  changed = changed || selected_.size() != before;
  if (IsShown(item)) RowsChanged();
  Refresh();
  if (changed) selection_changed.Emit(0);
}

void ListWindow::Toggle(ListItem* item) {
  if (!item) return;
  if (item->IsExpanded())
    Collapse(item);
  else
    Expand(item);
}

// ---------------------------------------------------------------------------------------
// Selection

bool ListWindow::DeselectAll() {
  for (ListItem* s : selected_) s->flags &= ~ListItemFlag::Selected;
  const bool had = !selected_.empty();
  selected_.clear();
  return had;
}

bool ListWindow::Select(ListItem* item, bool extend) {
  if (!item) {
    if (style_ & ListStyle::KeepSelection) return false;
    if (DeselectAll()) {
      InvalidateClient();
      selection_changed.Emit(0);
    }
    return true;
  }
  if (item == &root_ || item->IsDisabled()) return false;
  bool changed = false;
  if (!extend || !(style_ & ListStyle::MultiSelect)) {
    const bool only_this = selected_.size() == 1 && selected_.front() == item;
    if (!only_this) changed = DeselectAll();
    anchor_ = item;
  }
  if (!item->IsSelected()) {
    item->flags |= ListItemFlag::Selected;
    selected_.push_back(item);
    changed = true;
    if (on_select_) on_select_(*item);
  }
  const bool moved = current_ != item;
  current_ = item;
  if (changed || moved) {
    InvalidateClient();
    selection_changed.Emit(0);
  }
  return true;
}

void ListWindow::SetCurrent(ListItem* item) {
  if (item == current_) return;
  current_ = item;
  InvalidateClient();
  selection_changed.Emit(0);
}

void ListWindow::SelectRange(ListItem* from, ListItem* to) {
  const int32_t a = RowOfItem(from);
  const int32_t b = RowOfItem(to);
  if (a < 0 || b < 0) {
    Select(to, false);
    return;
  }
  DeselectAll();
  const int32_t step = a <= b ? 1 : -1;
  for (int32_t r = a;; r += step) {
    ListItem* n = rows_[static_cast<size_t>(r)];
    if (!n->IsDisabled()) {
      n->flags |= ListItemFlag::Selected;
      selected_.push_back(n);
      if (on_select_) on_select_(*n);
    }
    if (r == b) break;
  }
  current_ = to;
  InvalidateClient();
  selection_changed.Emit(0);
}

void ListWindow::ToggleSelected(ListItem* item) {
  if (!item->IsSelected()) {
    Select(item, true);
    return;
  }
  item->flags &= ~ListItemFlag::Selected;
  std::erase(selected_, item);
  current_ = item;
  InvalidateClient();
  selection_changed.Emit(0);
}

void ListWindow::SelectAll() {
  if (!(style_ & ListStyle::MultiSelect)) return;
  EnsureRows();
  selected_.reserve(rows_.size());
  bool changed = false;
  for (ListItem* n : rows_) {
    if (n->IsSelected() || n->IsDisabled()) continue;
    n->flags |= ListItemFlag::Selected;
    selected_.push_back(n);
    changed = true;
    if (on_select_) on_select_(*n);
  }
  if (changed) {
    InvalidateClient();
    selection_changed.Emit(0);
  }
}

std::vector<uint64_t> ListWindow::SelectedIds() const {
  std::vector<uint64_t> ids;
  ids.reserve(selected_.size());
  for (const ListItem* s : selected_) ids.push_back(s->id);
  return ids;
}

void ListWindow::Activate(ListItem* item) {
  if (!item || item->IsDisabled()) return;
  if (item->IsGroup())
    Toggle(item);
  else
    activated.Emit(reinterpret_cast<intptr_t>(item));
}

void ListWindow::ActivateSelection() {
  if (style_ & ListStyle::PopUp) {
    Activate(current_);
    return;
  }
  const std::vector<ListItem*> items = selected_;
  const uint64_t removals = removals_;
  for (ListItem* item : items) {
    // A handler may have removed items: only those still selected are known to be alive.
    if (removals_ != removals &&
        std::find(selected_.begin(), selected_.end(), item) == selected_.end()) {
      continue;
    }
    Activate(item);
  }
}

// ---------------------------------------------------------------------------------------
// Rows

int32_t ListWindow::ItemCount() const {
  return static_cast<int32_t>(root_.open_descendants);
}

ListItem* ListWindow::FindItemById(uint64_t id) const {
  for (ListItem* n = root_.first_child; n;) {
    if (n->id == id) return n;
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next) n = n->parent == &root_ ? nullptr : n->parent;
    if (n) n = n->next;
  }
  return nullptr;
}

ListItem* ListWindow::ItemAtRow(int32_t row) const {
  EnsureRows();
  if (row < 0 || row >= static_cast<int32_t>(rows_.size())) return nullptr;
  return rows_[static_cast<size_t>(row)];
}

int32_t ListWindow::RowOfItem(const ListItem* item) const {
  if (!IsShown(item)) return -1;
  EnsureRows();
  if (row_hint_item_ == item && row_hint_ >= 0 && row_hint_ < static_cast<int32_t>(rows_.size()) &&
      rows_[static_cast<size_t>(row_hint_)] == item) {
    return row_hint_;
  }
  // The visible rows first: that is where the rows asked about almost always are.
  const int32_t count = static_cast<int32_t>(rows_.size());
  const int32_t first = std::clamp(FirstVisibleRow(), 0, count);
  const int32_t end = std::min(count, first + PageRows() + 1);
  int32_t found = -1;
  for (int32_t r = first; r < end && found < 0; ++r) {
    if (rows_[static_cast<size_t>(r)] == item) found = r;
  }
  if (found < 0) {
    auto it = std::find(rows_.begin(), rows_.end(), item);
    if (it != rows_.end()) found = static_cast<int32_t>(it - rows_.begin());
  }
  row_hint_item_ = item;
  row_hint_ = found;
  return found;
}

int32_t ListWindow::RowAt(Point p) const {
  const Rect& c = ClientRect();
  if (!c.Contains(p)) return -1;
  const int32_t y = p.y - c.top - HeaderHeight();
  if (y < 0) return -1;
  const int32_t row = FirstVisibleRow() + y / RowHeight();
  return row < ItemCount() ? row : -1;
}

ListItem* ListWindow::ItemAt(Point p) const {
  return ItemAtRow(RowAt(p));
}

int32_t ListWindow::FirstVisibleRow() const {
  return VerticalPosition();
}

void ListWindow::SetFirstVisibleRow(int32_t row) {
  SetVerticalPosition(row);
}

void ListWindow::ScrollIntoView(const ListItem* item) {
  const int32_t row = RowOfItem(item);
  if (row < 0) return;
  Refresh();
  const int32_t first = FirstVisibleRow();
  const int32_t page = PageRows();
  if (row < first)
    SetFirstVisibleRow(row);
  else if (row >= first + page)
    SetFirstVisibleRow(row - page + 1);
}

int32_t ListWindow::RowHeight() const {
  const int32_t h = FontLineHeight(GetFont() ? GetFont() : DefaultFont());
  return h > 0 ? h : kDefaultRowHeight;
}

int32_t ListWindow::HeaderHeight() const {
  // The header is one row: a point's row is its y over the row height, less one for it.
  return (style_ & ListStyle::Header) ? RowHeight() : 0;
}

int32_t ListWindow::PageRows() const {
  return std::max(1, (ClientRect().Height() - HeaderHeight()) / RowHeight());
}

void ListWindow::FitHeight(int32_t rows) {
  SetClientSize({ClientRect().Width(), std::max(0, rows) * RowHeight() + HeaderHeight()});
  Refresh();
}

Rect ListWindow::CellRect(const ListItem* item, int32_t column) const {
  const int32_t row = RowOfItem(item);
  const int32_t first = FirstVisibleRow();
  if (row < first || row > first + PageRows()) return {};
  const Rect& c = ClientRect();
  const int32_t h = RowHeight();
  const int32_t top = c.top + HeaderHeight() + (row - first) * h;
  int32_t left = 0;
  int32_t right = c.Width();
  if (column >= 0 && column < ColumnCount()) {
    if (columns_[static_cast<size_t>(column)].flags & ColumnFlag::Hidden) return {};
    left = columns_[static_cast<size_t>(column)].x;
    right = ColumnRight(column);
  } else if (column >= 0 && !(column == 0 && columns_.empty())) {
    return {};
  }
  if (column == 0) {
    const int32_t mark = CurrentSkin().ImageSize(kSkinTreeMark).width;
    left += static_cast<int32_t>(item->depth) * kIndent + (mark > 0 ? mark : 9) + kCellPad;
  }
  return {c.left + left, top, c.left + std::max(left, right), top + h};
}

// ---------------------------------------------------------------------------------------
// Type-ahead

ListItem* ListWindow::FindTyped(std::string_view typed) const {
  EnsureRows();
  const int32_t count = static_cast<int32_t>(rows_.size());
  if (typed.empty() || count == 0) return nullptr;
  const int32_t current = current_ ? RowOfItem(current_) : -1;
  const bool repeated = typed.size() >= 2 && std::all_of(typed.begin(), typed.end(), [&](char c) {
                          return FoldCase(c) == FoldCase(typed[0]);
                        });
  if (repeated) {
    // Repeating a letter steps through the items that begin with it.
    const char letter = FoldCase(typed[0]);
    for (int32_t k = 1; k <= count; ++k) {
      const int32_t r = (std::max(current, -1) + k + count) % count;
      const std::string& text = rows_[static_cast<size_t>(r)]->text;
      if (!text.empty() && FoldCase(text[0]) == letter) return rows_[static_cast<size_t>(r)];
    }
    return nullptr;
  }
  const int32_t start = std::max(current, 0);
  for (int32_t k = 0; k < count; ++k) {
    int32_t r = (start + k) % count;
    if (!TypedMatches(rows_[static_cast<size_t>(r)]->text, typed)) continue;
    // The first run of matching rows: the text whose length is closest to what was typed;
    // of equally close ones the first.
    int32_t best = r;
    size_t best_distance = SIZE_MAX;
    for (; r < count && TypedMatches(rows_[static_cast<size_t>(r)]->text, typed); ++r) {
      const size_t len = rows_[static_cast<size_t>(r)]->text.size();
      const size_t distance = len > typed.size() ? len - typed.size() : typed.size() - len;
      if (distance < best_distance) {
        best_distance = distance;
        best = r;
      }
    }
    return rows_[static_cast<size_t>(best)];
  }
  return nullptr;
}

void ListWindow::OnChar(InputEvent& event) {
  if (!type_ahead_on_ || (event.flags & kModControl)) return;
  const int c = event.a & 0xFF;
  if (c < 32 || c == 127) return;
  const double now = Now();
  if (now - typed_time_ > kTypeAheadReset) typed_.clear();
  typed_time_ = now;
  if (typed_.size() < kMaxEditText) typed_.push_back(static_cast<char>(c));
  if (ListItem* found = FindTyped(typed_)) {
    Select(found, false);
    ScrollIntoView(found);
  }
}

// ---------------------------------------------------------------------------------------
// Keys

void ListWindow::MoveCurrentTo(int32_t row, int32_t direction, bool shift) {
  EnsureRows();
  const int32_t count = static_cast<int32_t>(rows_.size());
  if (count == 0) return;
  row = std::clamp(row, 0, count - 1);
  // Disabled rows cannot be selected: go on past them, or back when none is left that way.
  ListItem* target = nullptr;
  for (int32_t r = row; r >= 0 && r < count && !target; r += direction) {
    if (!rows_[static_cast<size_t>(r)]->IsDisabled()) target = rows_[static_cast<size_t>(r)];
  }
  for (int32_t r = row; r >= 0 && r < count && !target; r -= direction) {
    if (!rows_[static_cast<size_t>(r)]->IsDisabled()) target = rows_[static_cast<size_t>(r)];
  }
  if (!target) return;
  if (shift && (style_ & ListStyle::MultiSelect) && (anchor_ || current_)) {
    SelectRange(anchor_ ? anchor_ : current_, target);
  } else {
    Select(target, false);
  }
  ScrollIntoView(target);
}

void ListWindow::ExpandSelection(bool expand) {
  std::vector<ListItem*> items = selected_;
  if (items.empty() && current_) items.push_back(current_);
  const uint64_t removals = removals_;
  for (ListItem* item : items) {
    if (removals_ != removals) break;  // a collapse handler removed items
    if (expand)
      Expand(item);
    else
      Collapse(item);
  }
}

bool ListWindow::OnKey(InputEvent& event) {
  if (event.b != 1) return false;
  const bool repeat = (event.flags & kKeyRepeatFlag) != 0;
  const bool shift = (event.flags & kModShift) != 0;
  const bool ctrl = (event.flags & kModControl) != 0;
  const int32_t current = current_ ? RowOfItem(current_) : -1;
  switch (event.a) {
    case 'A':
      if (!ctrl || !(style_ & ListStyle::MultiSelect)) return false;
      SelectAll();
      return true;
    case Key::Backspace:
    case Key::Delete:
      if (selected_.empty()) return false;
      delete_requested.Emit(0);
      return true;
    case Key::Enter:
      if (!repeat) ActivateSelection();
      return true;
    case Key::Home:
      MoveCurrentTo(0, 1, shift);
      return true;
    case Key::End:
      MoveCurrentTo(ItemCount() - 1, -1, shift);
      return true;
    case Key::PageUp:
      MoveCurrentTo(std::max(current, 0) - PageRows(), -1, shift);
      return true;
    case Key::PageDown:
      MoveCurrentTo(std::max(current, 0) + PageRows(), 1, shift);
      return true;
    case Key::Up:
      MoveCurrentTo(current < 0 ? 0 : current - 1, current < 0 ? 1 : -1, shift);
      return true;
    case Key::Down:
      MoveCurrentTo(current + 1, 1, shift);
      return true;
    case Key::Left:
    case Key::KpSubtract:
      if (!repeat) ExpandSelection(false);
      return true;
    case Key::Right:
    case Key::KpAdd:
      if (!repeat) ExpandSelection(true);
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------------------
// Mouse

void ListWindow::OnMouseButton(InputEvent& event) {
  const Point p{event.a, event.b};
  if (event.c == 1 && event.d == 1 && HeaderHeight() > 0 && !columns_.empty() &&
      p.y >= ClientRect().top && p.y < ClientRect().top + HeaderHeight()) {
    ShowColumnMenu(p);
    return;
  }
  if (event.c != 0) return;
  if (event.d == 0) {
    ListItem* pressed = pressed_item_;
    const bool kept = press_kept_selection_;
    pressed_ = false;
    pressed_item_ = nullptr;
    press_kept_selection_ = false;
    if (!pressed || ItemAt(p) != pressed) return;
    if (style_ & ListStyle::PopUp) {
      Activate(pressed);
    } else if (kept) {
      Select(pressed, false);  // no drag came of it: the click selects the item alone
    }
    return;
  }
  const Rect& c = ClientRect();
  if (HeaderHeight() > 0 && p.y >= c.top && p.y < c.top + HeaderHeight()) {
    const int32_t column = ColumnAtX(p.x - c.left);
    if (column >= 0 && WM().TrackMouse(this, nullptr)) {
      header_pressed_ = column;
      InvalidateClient();
    }
    return;
  }
  const bool shift = (event.mods & kModShift) != 0;
  const bool ctrl = (event.mods & kModControl) != 0;
  const bool multi = (style_ & ListStyle::MultiSelect) != 0;
  ListItem* item = ItemAt(p);
  pressed_ = false;
  pressed_item_ = nullptr;
  press_kept_selection_ = false;
  if (!item) {
    if (!shift && !ctrl) Select(nullptr, false);  // refused with KeepSelection
    return;
  }
  if (item->IsDisabled()) return;
  if (style_ & ListStyle::PopUp) {
    Select(item, false);
    pressed_item_ = item;
    return;
  }
  if (multi && ctrl) {
    ToggleSelected(item);
    anchor_ = item;
  } else if (multi && shift) {
    if (current_)
      SelectRange(anchor_ ? anchor_ : current_, item);
    else
      Select(item, false);
  } else if (item->IsSelected() && (style_ & ListStyle::Draggable)) {
    press_kept_selection_ = selected_.size() > 1;
    SetCurrent(item);
  } else {
    Select(item, false);
  }
  if (style_ & ListStyle::Draggable) {
    pressed_ = true;
    pressed_item_ = item;
    press_point_ = p;
  }
}

void ListWindow::OnDoubleClick(InputEvent& event) {
  if (event.c != 0) return;
  if (style_ & ListStyle::PopUp) {
    OnMouseButton(event);  // the second press of a quick click: its release activates
    return;
  }
  const Rect& c = ClientRect();
  if (HeaderHeight() > 0 && event.b < c.top + HeaderHeight()) return;
  ListItem* item = ItemAt({event.a, event.b});
  if (!item || item->IsDisabled()) return;
  if (!item->IsSelected()) Select(item, false);
  Activate(item);
}

void ListWindow::OnMouseMove(InputEvent& event) {
  const Point p{event.a, event.b};
  if (style_ & ListStyle::PopUp) {
    ListItem* item = ItemAt(p);
    if (item && !item->IsDisabled()) SetCurrent(item);
    return;
  }
  if (!pressed_ || !(style_ & ListStyle::Draggable)) return;
  WindowManager& wm = WM();
  if (!wm.IsButtonDown(0)) {
    pressed_ = false;
    return;
  }
  const int32_t distance = std::abs(p.x - press_point_.x) + std::abs(p.y - press_point_.y);
  if (distance <= kDragDistance || !current_ || drag_) return;
  if (make_drag_data_) {
    pressed_ = false;
    press_kept_selection_ = false;
    pressed_item_ = nullptr;
    if (DragDropData* payload = make_drag_data_(*current_))
      wm.BeginDrag(this, payload, &ListWindow::TrackDrag);
    return;
  }
  auto* data = new ListItemDDData;
  data->source = this;
  data->item = current_;
  data->grab = {press_point_.x - ClientRect().left, RowHeight() / 2};
  pressed_ = false;
  press_kept_selection_ = false;
  pressed_item_ = nullptr;
  drag_ = data;
  // A refused drag destroys the payload at once, which resets drag_.
  wm.BeginDrag(this, data, &ListWindow::TrackDrag);
}

void ListWindow::TrackDrag(Window* window, Point start, Point current, int32_t phase) {
  static_cast<ListWindow*>(window)->OnTrackMouse(start, current, phase);
}

void ListWindow::OnTrackMouse(Point /*start*/, Point current, int32_t phase) {
  if (phase != kTrackEnd) return;
  if (header_pressed_ >= 0) {
    const Rect& c = ClientRect();
    const int32_t column = header_pressed_;
    header_pressed_ = -1;
    InvalidateClient();
    const bool on_header = current.y >= c.top && current.y < c.top + HeaderHeight() &&
                           current.x >= c.left && current.x < c.right;
    if (on_header && ColumnAtX(current.x - c.left) == column) ClickColumn(column);
  }
  pressed_ = false;
  pressed_item_ = nullptr;
  press_kept_selection_ = false;
}

void ListWindow::DragDataGone(ListItemDDData* data) {
  if (drag_ != data) return;
  drag_ = nullptr;
  drop_gap_ = -1;
  InvalidateClient();
}

int32_t ListWindow::AcceptDrop(Point point, bool query_only, DragDropData* data) {
  if (!data) return 0;
  if (data->type_id != ListItemDDData::kTypeId) {
    if (!foreign_drop_) return 0;
    return foreign_drop_(FirstVisibleRow() + DropGapAt(point), data, query_only) ? 1 : 0;
  }
  auto* d = static_cast<ListItemDDData*>(data);
  if (d->source != this || !d->item) {
    if (drop_gap_ != -1) {
      drop_gap_ = -1;
      InvalidateClient();
    }
    return 0;
  }
  const int32_t gap = DropGapAt(point);
  if (query_only) {
    if (gap != drop_gap_) {
      drop_gap_ = gap;
      InvalidateClient();
    }
    return 1;
  }
  const Drop drop{d->item, FirstVisibleRow() + gap};
  drop_gap_ = -1;
  InvalidateClient();
  item_dropped.Emit(reinterpret_cast<intptr_t>(&drop));
  return 1;
}

int32_t ListWindow::DropGapAt(Point point) const {
  const int32_t h = RowHeight();
  const int32_t y = point.y - ClientRect().top - HeaderHeight();
  int32_t gap = 0;
  if (y > 0) gap = y / h + ((y % h) * 2 >= h ? 1 : 0);
  return std::clamp(gap, 0, std::max(0, std::min(PageRows(), ItemCount() - FirstVisibleRow())));
}

void ListWindow::AutoScroll() {
  const double now = Now();
  if (now - last_auto_scroll_ < kAutoScrollStep) return;
  const int32_t first = FirstVisibleRow();
  if (drop_gap_ == 0 && first > 0) {
    SetFirstVisibleRow(first - 1);
    last_auto_scroll_ = now;
  } else if (drop_gap_ > 0 && drop_gap_ >= PageRows() - 1 && first < MaxVerticalPosition()) {
    SetFirstVisibleRow(first + 1);
    last_auto_scroll_ = now;
  }
}

void ListWindow::OnIdle() {
  ScrollableWindow::OnIdle();
  if (!typed_.empty() && Now() - typed_time_ > kTypeAheadReset) typed_.clear();
  if (pressed_ && !WM().IsButtonDown(0)) {
    // The release happened elsewhere.
    pressed_ = false;
    pressed_item_ = nullptr;
    press_kept_selection_ = false;
  }
  if (drag_ && drag_->item && drop_gap_ >= 0) AutoScroll();
}

void ListWindow::OnResized() {
  ScrollableWindow::OnResized();
  Refresh();
}

// ---------------------------------------------------------------------------------------
// Editing

bool ListWindow::StoreCell(ListItem& item, int32_t column, std::string_view text) {
  auto refuse = [] {
    Beep();
    return false;
  };
  if (column < 0 || column >= ColumnCount()) return refuse();
  const ListColumn& c = columns_[static_cast<size_t>(column)];
  uint8_t* record = RecordOf(item);
  if (!record) return refuse();
  uint8_t* p = record + c.offset;
  switch (c.type) {
    case ColumnType::FourCC: {
      if (text.size() != 4) return refuse();
      uint32_t v = 0;
      for (char ch : text) v = v << 8 | static_cast<uint8_t>(ch);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case ColumnType::CharArray: {
      // Room is always left for the terminating NUL.
      const size_t n = std::min(text.size(), static_cast<size_t>(c.size) - 1);
      std::memcpy(p, text.data(), n);
      std::memset(p + n, 0, static_cast<size_t>(c.size) - n);
      break;
    }
    case ColumnType::String:
      *reinterpret_cast<std::string*>(p) = std::string(text);
      break;
    case ColumnType::Unsigned: {
      uint64_t v = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
      if (text.empty() || ec != std::errc() || end != text.data() + text.size() || text[0] == '-') {
        return refuse();
      }
      const uint64_t max = c.size == 1 ? 0xFFu : c.size == 2 ? 0xFFFFu : 0xFFFFFFFFu;
      if (v > max) return refuse();
      if (c.size == 1) {
        *p = static_cast<uint8_t>(v);
      } else if (c.size == 2) {
        const uint16_t v16 = static_cast<uint16_t>(v);
        std::memcpy(p, &v16, sizeof v16);
      } else {
        const uint32_t v32 = static_cast<uint32_t>(v);
        std::memcpy(p, &v32, sizeof v32);
      }
      break;
    }
    case ColumnType::Float:
    case ColumnType::Fixed: {
      double v = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
      if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
          !std::isfinite(v)) {
        return refuse();
      }
      if (c.type == ColumnType::Float) {
        if (c.size == 4) {
          if (std::fabs(v) > FLT_MAX) return refuse();
          const float f = static_cast<float>(v);
          std::memcpy(p, &f, sizeof f);
        } else {
          std::memcpy(p, &v, sizeof v);
        }
        break;
      }
      const double raw = std::trunc(v * 65536.0);
      const double lo = c.size == 1 ? -128.0 : c.size == 2 ? -32768.0 : -2147483648.0;
      const double hi = c.size == 1 ? 127.0 : c.size == 2 ? 32767.0 : 2147483647.0;
      if (raw < lo || raw > hi) return refuse();
      if (c.size == 1) {
        *p = static_cast<uint8_t>(static_cast<int8_t>(raw));
      } else if (c.size == 2) {
        const int16_t v16 = static_cast<int16_t>(raw);
        std::memcpy(p, &v16, sizeof v16);
      } else {
        const int32_t v32 = static_cast<int32_t>(raw);
        std::memcpy(p, &v32, sizeof v32);
      }
      break;
    }
    default:
      return refuse();  // text pointers and columns without data are not editable
  }
  InvalidateClient();
  return true;
}

bool ListWindow::EditCell(ListItem* item, int32_t column, CommitCallback commit, void* context) {
  if (!item || item == &root_ || editing_ || !WMOrNull()) return false;
  const bool text_edit = column == 0 && (item->IsTextOrdered() || columns_.empty());
  int32_t length = static_cast<int32_t>(kMaxEditText);
  if (!text_edit) {
    if (column < 0 || column >= ColumnCount()) return false;
    const ListColumn& c = columns_[static_cast<size_t>(column)];
    if (c.type == 0 || c.type == ColumnType::TextPointer || !RecordOf(*item)) return false;
    length = EditLength(c);
  }
  ScrollIntoView(item);
  const Rect cell = CellRect(item, column);
  if (cell.IsEmpty()) return false;
  const Rect& origin = ClientRect();
  auto* box = new TextBox(TextBox::kLongTextField, this);
  box->Hide();
  box->SetMaxLength(length);
  if (text_edit) {
    box->SetText(std::string_view(item->text).substr(0, kMaxEditText));
  } else {
    char buffer[kMaxEditText * 2];
    const size_t n = FormatCell(*item, column, buffer, sizeof buffer);
    box->SetText(std::string_view(buffer, n));
  }
  editing_ = item;
  edit_dropped_ = false;
  edit_box_ = box;
  bool accepted = false;
  bool alive = true;
  edit_alive_ = &alive;
  TextPopup::Run(this, cell.Offset(-origin.left, -origin.top), box, &accepted);
  if (!alive) return false;  // the list went while the pop-up ran, and the box with it
  edit_alive_ = nullptr;
  edit_box_ = nullptr;
  const std::string text = box->GetText();
  WM().DeleteLater(box);
  ListItem* target = editing_;
  editing_ = nullptr;
  // An item removed while the pop-up ran is gone: nothing is written anywhere.
  if (edit_dropped_ || !target || !accepted) return false;
  if (text_edit) {
    SetItemText(target, text);
    return true;
  }
  if (commit) return commit(*target, target->id, column, context, text);
  return StoreCell(*target, column, text);
}

// ---------------------------------------------------------------------------------------
// Drawing

void ListWindow::DrawHeader(int32_t width) {
  const int32_t hh = HeaderHeight();
  const int32_t divider = CurrentSkin().ImageSize(kSkinListHeaderDivider).width;
  if (columns_.empty()) {
    QueueSprite(kSkinListHeader, {0, 0, width, hh});
    return;
  }
  for (int32_t i = 0; i < ColumnCount(); ++i) {
    const ListColumn& c = columns_[static_cast<size_t>(i)];
    if (c.flags & ColumnFlag::Hidden) continue;
    const int32_t right = ColumnRight(i);
    QueueSprite(i == header_pressed_ ? kSkinListHeaderPressed : kSkinListHeader,
                {c.x, 0, right, hh});
    if (divider > 0) QueueSprite(kSkinListHeaderDivider, {right - divider, 0, right, hh});
    int32_t text_right = right - divider - kCellPad;
    if (c.priority == 0) {
      // The primary key shows its direction: the tree mark pointing down or, mirrored, up.
      const Size mark = CurrentSkin().ImageSize(kSkinTreeMark);
      const uint32_t flags =
          SpriteFlag::Rotate | ((c.flags & ColumnFlag::Descending) ? 0 : SpriteFlag::MirrorY);
      if (mark.width > 0) {
        const int32_t mx = text_right - mark.height;
        const int32_t my = (hh - mark.width) / 2;
        QueueSprite(kSkinTreeMark, {mx, my, mx + mark.height, my + mark.width}, flags);
        text_right = mx - 2;
      }
    }
    SetDrawColor(kWhite);
    DrawText(GetFont(), c.title, 0, kTextVCentre | kTextShadow,
             {c.x + kCellPad, 0, text_right, hh});
  }
}

void ListWindow::DrawRow(const ListItem& item, int32_t y, int32_t width) {
  const int32_t h = RowHeight();
  const bool highlighted = item.IsSelected() || ((style_ & ListStyle::PopUp) && &item == current_);
  if (highlighted) {
    QueueSprite(HasFocus() || (style_ & ListStyle::PopUp) ? kSkinSelection : kSkinSelectionInactive,
                {0, y, width, y + h}, SpriteFlag::Stretch);
  } else if (&item == current_ && HasFocus()) {
    SetDrawColor(kCurrentLine);
    FillRect({0, y + h - 1, width, y + h});
  }
  const Skin& skin = CurrentSkin();
  Size mark = skin.ImageSize(kSkinTreeMark);
  if (mark.width <= 0) mark = {9, 9};
  int32_t x = static_cast<int32_t>(item.depth) * kIndent;
  if (item.HasChildren()) {
    const int32_t my = y + (h - mark.height) / 2;
    QueueSprite(kSkinTreeMark, {x, my, x + mark.width, my + mark.height},
                item.IsExpanded() ? SpriteFlag::Rotate : 0);
  }
  x += mark.width + kCellPad;
  if (item.icon != 0 && item.icon < static_cast<uint32_t>(kSkinImageCount)) {
    const Size icon = skin.ImageSize(static_cast<int32_t>(item.icon));
    if (icon.width > 0) {
      const int32_t iy = y + (h - icon.height) / 2;
      QueueSprite(static_cast<int32_t>(item.icon), {x, iy, x + icon.width, iy + icon.height});
      x += icon.width + kCellPad;
    }
  }
  SetDrawColor(item.text_color);
  const int32_t first_right = columns_.empty() ? width : ColumnRight(0);
  const bool first_hidden = !columns_.empty() && (columns_[0].flags & ColumnFlag::Hidden);
  if (!first_hidden) {
    DrawText(GetFont(), item.text, 0, kTextVCentre | kTextLiteral,
             {x, y, std::max(x, first_right - kCellPad), y + h});
  } else if (item.id == 0) {
    // Without the text column an item without a record is a heading (a tree's group node):
    // its text runs across the row.
    DrawText(GetFont(), item.text, 0, kTextVCentre | kTextLiteral, {x, y, width, y + h});
    return;
  }
  bool first_shown = first_hidden;
  for (int32_t i = 1; i < ColumnCount(); ++i) {
    const ListColumn& c = columns_[static_cast<size_t>(i)];
    if (c.flags & ColumnFlag::Hidden) continue;
    // With the text column hidden the first shown column carries the tree's indent.
    const int32_t left = first_shown ? std::max(c.x + kCellPad, x) : c.x + kCellPad;
    first_shown = false;
    const size_t n = FormatCell(item, i, cell_buffer_, sizeof cell_buffer_);
    if (n == 0) continue;
    DrawText(GetFont(), std::string_view(cell_buffer_, n), 0, kTextVCentre | kTextLiteral,
             {left, y, ColumnRight(i) - kCellPad, y + h});
  }
}

void ListWindow::Draw() {
  EnsureRows();
  const Rect& c = ClientRect();
  const int32_t width = c.Width();
  const int32_t h = RowHeight();
  const int32_t top = HeaderHeight();
  const int32_t count = static_cast<int32_t>(rows_.size());
  const int32_t first = std::clamp(FirstVisibleRow(), 0, count);
  const int32_t last = std::min(count, first + (c.Height() - top) / h + 2);
  for (int32_t r = first; r < last; ++r) {
    DrawRow(*rows_[static_cast<size_t>(r)], top + (r - first) * h, width);
  }
  if (drop_gap_ >= 0) {
    const int32_t y = top + drop_gap_ * h;
    SetDrawColor(kDropLine);
    FillRect({0, std::max(top, y - 1), width, y + 1});
  }
  if (top > 0) DrawHeader(width);
}
