#include "gui/ChooserList.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Painter.h"
#include "gui/TextLayout.h"

namespace {
constexpr Color kSelectedRow = MakeColor(58, 86, 150);
constexpr Color kCurrentRow = MakeColor(110, 130, 180);
constexpr Color kFolderText = MakeColor(255, 230, 150);
constexpr int32_t kTextLeft = 4;
}  // namespace

ChooserList::ChooserList(Window* parent, bool multiple)
    : ScrollableWindow(WindowFlag::Visible | WindowFlag::ThinFrame | WindowFlag::BackgroundB,
                       parent),
      multiple_(multiple) {
  UpdateRanges();
}

void ChooserList::SetEntries(std::vector<ChooserEntry> entries, std::vector<std::string> shown) {
  entries_ = std::move(entries);
  shown_ = std::move(shown);
  shown_.resize(entries_.size());
  selected_.assign(entries_.size(), 0);
  selected_count_ = 0;
  current_ = -1;
  anchor_ = -1;
  UpdateRanges();
  SetVerticalPosition(0);
  InvalidateClient();
}

bool ChooserList::IsSelected(int32_t row) const {
  return row >= 0 && row < RowCount() && selected_[static_cast<size_t>(row)] != 0;
}

std::vector<int32_t> ChooserList::SelectedRows() const {
  std::vector<int32_t> rows;
  rows.reserve(static_cast<size_t>(selected_count_));
  for (int32_t r = 0; r < RowCount(); ++r) {
    if (selected_[static_cast<size_t>(r)]) rows.push_back(r);
  }
  return rows;
}

const ChooserEntry* ChooserList::SingleSelection() const {
  if (selected_count_ != 1 || !IsSelected(current_)) return nullptr;
  return &entries_[static_cast<size_t>(current_)];
}

void ChooserList::Select(int32_t row, int32_t mods) {
  if (row >= RowCount()) row = RowCount() - 1;
  const bool shift = multiple_ && (mods & kModShift) && anchor_ >= 0;
  const bool ctrl = multiple_ && (mods & kModControl);
  if (row < 0) {
    std::fill(selected_.begin(), selected_.end(), 0);
    selected_count_ = 0;
    current_ = anchor_ = -1;
  } else if (shift) {
    // The range replaces what was selected, as it does everywhere else.
    std::fill(selected_.begin(), selected_.end(), 0);
    const int32_t lo = std::min(anchor_, row), hi = std::max(anchor_, row);
    std::fill(selected_.begin() + lo, selected_.begin() + hi + 1, 1);
    selected_count_ = hi - lo + 1;
    current_ = row;
  } else if (ctrl) {
    uint8_t& s = selected_[static_cast<size_t>(row)];
    s = s ? 0 : 1;
    selected_count_ += s ? 1 : -1;
    current_ = anchor_ = row;
  } else {
    std::fill(selected_.begin(), selected_.end(), 0);
    selected_[static_cast<size_t>(row)] = 1;
    selected_count_ = 1;
    current_ = anchor_ = row;
  }
  if (current_ >= 0) ScrollIntoView(current_);
  InvalidateClient();
  selection_changed.Emit(current_);
}

int32_t ChooserList::RowHeight() const {
  const int32_t h = FontLineHeight(GetFont() ? GetFont() : DefaultFont());
  return h > 0 ? h + 2 : 16;
}

int32_t ChooserList::PageRows() const {
  return std::max(1, ClientRect().Height() / RowHeight());
}

int32_t ChooserList::RowAt(Point p) const {
  const Rect& c = ClientRect();
  if (p.y < c.top) return -1;
  const int32_t row = VerticalPosition() + (p.y - c.top) / RowHeight();
  return row < RowCount() ? row : -1;
}

void ChooserList::ScrollIntoView(int32_t row) {
  if (row < VerticalPosition()) {
    SetVerticalPosition(row);
  } else if (row >= VerticalPosition() + PageRows()) {
    SetVerticalPosition(row - PageRows() + 1);
  }
}

void ChooserList::UpdateRanges() {
  SetRanges(kVerticalBar, 0, RowCount(), 0, PageRows());
}

void ChooserList::OnResized() {
  ScrollableWindow::OnResized();
  UpdateRanges();
}

bool ChooserList::OnKey(InputEvent& event) {
  if (event.b != 1) return false;
  int32_t row = current_;
  switch (event.a) {
    case Key::Up:
      row = current_ < 0 ? 0 : current_ - 1;
      break;
    case Key::Down:
      row = current_ + 1;
      break;
    case Key::PageUp:
      row = std::max(0, current_ - PageRows());
      break;
    case Key::PageDown:
      row = std::max(0, current_ + PageRows());
      break;
    case Key::Home:
      row = 0;
      break;
    case Key::End:
      row = RowCount() - 1;
      break;
    default:
      return false;
  }
  if (RowCount() == 0) return true;
  row = std::clamp(row, 0, RowCount() - 1);
  // Ctrl moves nothing but the scroll here: only Shift extends from the keyboard.
  Select(row, event.flags & kModShift);
  return true;
}

void ChooserList::OnMouseButton(InputEvent& event) {
  if (event.c != 0 || event.d != 1) return;
  const int32_t row = RowAt({event.a, event.b});
  if (row >= 0) {
    Select(row, event.mods);
  } else if (!(event.mods & (kModShift | kModControl))) {
    Select(-1, 0);
  }
}

void ChooserList::OnDoubleClick(InputEvent& event) {
  if (event.c != 0) return;
  const int32_t row = RowAt({event.a, event.b});
  if (row < 0) return;
  if (!IsSelected(row)) Select(row, 0);
  activated.Emit(row);
}

void ChooserList::Draw() {
  const Rect& c = ClientRect();
  const int32_t h = RowHeight();
  const int32_t width = c.Width();
  const int32_t first = VerticalPosition();
  const int32_t last = std::min(RowCount(), first + PageRows() + 1);
  for (int32_t r = first; r < last; ++r) {
    const int32_t y = (r - first) * h;
    const Rect row{0, y, width, y + h};
    if (IsSelected(r)) {
      SetDrawColor(kSelectedRow);
      FillRect(row);
    } else if (r == current_) {
      SetDrawColor(kCurrentRow);
      FillRect({0, y + h - 1, width, y + h});
    }
    SetDrawColor(entries_[static_cast<size_t>(r)].folder ? kFolderText : kWhite);
    DrawText(GetFont(), shown_[static_cast<size_t>(r)], 0, kTextVCentre,
             {kTextLeft, y, width, y + h});
  }
}
