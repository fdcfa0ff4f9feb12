#include "gui/GridWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gui/Draw.h"
#include "gui/SkinIds.h"
#include "gui/SkinMetrics.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr Color kLabelColor = MakeColor(220, 220, 220);
constexpr Color kBandFill = MakeColor(90, 140, 220, 60);
constexpr Color kBandEdge = MakeColor(120, 170, 255, 220);
}  // namespace

GridWindow::GridWindow(uint32_t style, uint32_t window_flags, Window* parent)
    : ScrollableWindow(window_flags, parent), style_(style) {}

// ---------------------------------------------------------------------------------------------
// Cells

void GridWindow::SetCellCount(int32_t count) {
  count = std::max(0, count);
  const int32_t old = CellCount();
  if (count == old) return;
  bool changed = false;
  if (count < old) {
    for (int32_t i = count; i < old; ++i) {
      if (cells_[static_cast<size_t>(i)].IsSelected()) {
        --selected_count_;
        changed = true;
      }
    }
    if (current_ >= count) changed = true;
    ForgetCellsFrom(count);
  }
  cells_.resize(static_cast<size_t>(count));
  UpdateLayout();
  InvalidateClient();
  if (changed) Changed();
}

int32_t GridWindow::AddCell(uint64_t data) {
  cells_.push_back({data, 0, {}});
  UpdateLayout();
  InvalidateClient();
  return CellCount() - 1;
}

void GridWindow::RemoveCell(int32_t index) {
  if (index < 0 || index >= CellCount()) return;
  const bool was_selected = cells_[static_cast<size_t>(index)].IsSelected();
  const bool was_current = current_ == index;
  if (was_selected) --selected_count_;
  cells_.erase(cells_.begin() + index);
  // The cells behind it move up: so do the references to them.
  if (was_current) {
    current_ = -1;
    drag_armed_ = false;
  } else if (current_ > index) {
    --current_;
  }
  if (pending_alone_ == index)
    pending_alone_ = -1;
  else if (pending_alone_ > index)
    --pending_alone_;
  UpdateLayout();
  InvalidateClient();
  if (was_selected || was_current) Changed();
}

void GridWindow::ForgetCellsFrom(int32_t count) {
  if (current_ >= count) {
    current_ = -1;
    // An armed drag would hand the client the current cell: there is none now.
    drag_armed_ = false;
  }
  if (pending_alone_ >= count) pending_alone_ = -1;
}

void GridWindow::SetCellData(int32_t index, uint64_t data) {
  if (index < 0 || index >= CellCount()) return;
  cells_[static_cast<size_t>(index)].data = data;
  InvalidateClient();
}

uint64_t GridWindow::CellData(int32_t index) const {
  const GridCell* cell = Cell(index);
  return cell ? cell->data : 0;
}

void GridWindow::SetCellLabel(int32_t index, std::string_view text) {
  if (index < 0 || index >= CellCount()) return;
  cells_[static_cast<size_t>(index)].label.assign(text);
  InvalidateClient();
}

const GridCell* GridWindow::Cell(int32_t index) const {
  if (index < 0 || index >= CellCount()) return nullptr;
  return &cells_[static_cast<size_t>(index)];
}

// ---------------------------------------------------------------------------------------------
// Geometry

void GridWindow::SetCellSize(int32_t width, int32_t height) {
  cell_size_ = {std::max(1, width), std::max(1, height)};
  UpdateLayout();
  InvalidateClient();
}

void GridWindow::SetZoom(double zoom) {
  if (!(zoom > 0) || !std::isfinite(zoom)) return;
  zoom_ = zoom;
  UpdateLayout();
  InvalidateClient();
}

void GridWindow::SetFixedColumnCount(int32_t columns) {
  fixed_columns_ = std::max(0, columns);
  UpdateLayout();
  InvalidateClient();
}

Size GridWindow::ZoomedCellSize() const {
  const auto scaled = [this](int32_t v) {
    return static_cast<int32_t>(std::clamp(std::lround(v * zoom_), 1L, 1L << 20));
  };
  return {scaled(cell_size_.width), scaled(cell_size_.height)};
}

int32_t GridWindow::LabelHeight() const {
  const Font* font = GetFont() ? GetFont() : DefaultFont();
  return kLabelLines * FontLineHeight(font);
}

int32_t GridWindow::HorizontalPitch() const {
  return ZoomedCellSize().width + kSpacing;
}

int32_t GridWindow::VerticalPitch() const {
  return ZoomedCellSize().height + LabelHeight() + kSpacing;
}

namespace {
int32_t ColumnsFor(int32_t fixed, int32_t width, int32_t pitch) {
  if (fixed > 0) return fixed;
  return std::max(1, width / pitch);
}

int32_t RowsFor(int32_t count, int32_t columns) {
  return static_cast<int32_t>((int64_t{count} + columns - 1) / columns);
}

int32_t ClampToInt(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX));
}
}  // namespace

int32_t GridWindow::ColumnCount() const {
  return ColumnsFor(fixed_columns_, ClientRect().Width(), HorizontalPitch());
}

int32_t GridWindow::RowCount() const {
  return RowsFor(CellCount(), ColumnCount());
}

void GridWindow::UpdateLayout() {
  // Showing a bar narrows the client area and so may change the columns: the bars are chosen
  // from the area without them, and the ranges set once. Setting them applies the frame again,
  // which comes back here through OnResized.
  if (in_layout_) return;
  in_layout_ = true;
  Rect base;
  Window::FrameToClient(FrameRect(), base);
  const int32_t t = CurrentSkinMetrics().scroll_bar;
  const int32_t px = HorizontalPitch();
  const int32_t py = VerticalPitch();
  bool vertical = false;
  bool horizontal = false;
  int32_t width = 0;
  int32_t height = 0;
  int64_t content_w = 0;
  int64_t content_h = 0;
  for (int pass = 0; pass < 3; ++pass) {
    width = std::max(0, base.Width() - (vertical ? t : 0));
    height = std::max(0, base.Height() - (horizontal ? t : 0));
    const int32_t columns = ColumnsFor(fixed_columns_, width, px);
    content_w = int64_t{columns} * px;
    content_h = int64_t{RowsFor(CellCount(), columns)} * py;
    vertical = content_h > height;
    horizontal = content_w > width;
  }
  const uint32_t bars = (vertical ? kVerticalBar : 0) | (horizontal ? kHorizontalBar : 0);
  SetLineStep(std::max(1, py / 4));
  SetRanges(bars, ClampToInt(content_w), ClampToInt(content_h), width, height);
  in_layout_ = false;
}

void GridWindow::OnResized() {
  UpdateLayout();
}

Point GridWindow::ToContent(Point p) const {
  return {p.x - ClientRect().left + HorizontalPosition(),
          p.y - ClientRect().top + VerticalPosition()};
}

Rect GridWindow::ContentCellRect(int32_t index) const {
  const int32_t columns = ColumnCount();
  const int32_t x = (index % columns) * HorizontalPitch();
  const int32_t y = (index / columns) * VerticalPitch();
  const Size cell = ZoomedCellSize();
  return {x, y, x + cell.width, y + cell.height + LabelHeight()};
}

int32_t GridWindow::CellAtContent(Point p) const {
  if (p.x < 0 || p.y < 0) return -1;
  const int32_t px = HorizontalPitch();
  const int32_t py = VerticalPitch();
  const int32_t column = p.x / px;
  if (column >= ColumnCount()) return -1;
  // The spacing right of and below a cell belongs to no cell.
  if (p.x - column * px >= ZoomedCellSize().width) return -1;
  const int32_t row = p.y / py;
  if (p.y - row * py >= ZoomedCellSize().height + LabelHeight()) return -1;
  const int64_t index = int64_t{row} * ColumnCount() + column;
  return index < CellCount() ? static_cast<int32_t>(index) : -1;
}

int32_t GridWindow::CellAt(Point screen_point) const {
  if (!ClientRect().Contains(screen_point)) return -1;
  return CellAtContent(ToContent(screen_point));
}

Rect GridWindow::CellRect(int32_t index) const {
  if (index < 0 || index >= CellCount()) return {};
  const Rect r = ContentCellRect(index);
  const int32_t dx = ClientRect().left - HorizontalPosition();
  const int32_t dy = ClientRect().top - VerticalPosition();
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

void GridWindow::ScrollCellIntoView(int32_t index) {
  if (index < 0 || index >= CellCount()) return;
  const Rect r = ContentCellRect(index);
  const int32_t h = ClientRect().Height();
  const int32_t w = ClientRect().Width();
  if (r.top < VerticalPosition())
    SetVerticalPosition(r.top);
  else if (r.bottom > VerticalPosition() + h)
    SetVerticalPosition(r.bottom - h);
  if (r.left < HorizontalPosition())
    SetHorizontalPosition(r.left);
  else if (r.right > HorizontalPosition() + w)
    SetHorizontalPosition(r.right - w);
}

// ---------------------------------------------------------------------------------------------
// Selection

bool GridWindow::IsSelected(int32_t index) const {
  const GridCell* cell = Cell(index);
  return cell && cell->IsSelected();
}

void GridWindow::SetSelected(int32_t index, bool selected) {
  GridCell& cell = cells_[static_cast<size_t>(index)];
  if (cell.IsSelected() == selected) return;
  if (selected) {
    cell.flags |= GridCell::kSelected;
    ++selected_count_;
  } else {
    cell.flags &= ~GridCell::kSelected;
    --selected_count_;
  }
}

bool GridWindow::ClearSelectedCells() {
  if (selected_count_ == 0) return false;
  for (GridCell& cell : cells_) cell.flags &= ~GridCell::kSelected;
  selected_count_ = 0;
  InvalidateClient();
  return true;
}

std::vector<int32_t> GridWindow::SelectedCells() const {
  std::vector<int32_t> out;
  out.reserve(static_cast<size_t>(selected_count_));
  for (int32_t i = 0; i < CellCount() && static_cast<int32_t>(out.size()) < selected_count_; ++i) {
    if (cells_[static_cast<size_t>(i)].IsSelected()) out.push_back(i);
  }
  return out;
}

void GridWindow::Select(int32_t index, bool extend) {
  if (index >= CellCount()) return;
  bool changed = false;
  if (!extend || !IsMultiSelect()) changed = ClearSelectedCells();
  if (index >= 0) {
    changed |= !IsSelected(index) || current_ != index;
    SetSelected(index, true);
    current_ = index;
  }
  InvalidateClient();
  if (changed) Changed();
}

void GridWindow::SelectAll() {
  if (!IsMultiSelect() || selected_count_ == CellCount()) return;
  for (int32_t i = 0; i < CellCount(); ++i) SetSelected(i, true);
  InvalidateClient();
  Changed();
}

void GridWindow::ClearSelection() {
  if (ClearSelectedCells()) Changed();
}

// ---------------------------------------------------------------------------------------------
// Keys

void GridWindow::MoveTo(int32_t from, int32_t target, bool shift, bool passed) {
  if (shift && IsMultiSelect()) {
    if (passed) {
      for (int32_t i = std::min(from, target); i <= std::max(from, target); ++i) {
        SetSelected(i, true);
      }
    } else {
      SetSelected(target, true);
    }
  } else {
    ClearSelectedCells();
    SetSelected(target, true);
  }
  current_ = target;
  InvalidateClient();
  ScrollCellIntoView(target);
  Changed();
}

bool GridWindow::OnKey(InputEvent& event) {
  if (event.b != 1) return false;
  const bool shift = (event.flags & kModShift) != 0;
  const bool control = (event.flags & kModControl) != 0;
  const bool alt = (event.flags & kModAlt) != 0;
  switch (event.a) {
    case 'A':
      if (!control || !IsMultiSelect()) return false;
      SelectAll();
      return true;
    case Key::Backspace:
    case Key::Delete:
      if (delete_) delete_();
      return true;
    case Key::Enter:
      if ((event.flags & kKeyRepeatFlag) == 0 && open_) {
        // The client may change the cells while it opens them: take the list first.
        for (const int32_t i : SelectedCells()) {
          if (i < CellCount()) open_(i, cells_[static_cast<size_t>(i)].data);
        }
      }
      return true;
    case Key::Up:
    case Key::Down:
    case Key::Left:
    case Key::Right:
      break;
    default:
      return false;
  }
  const int32_t count = CellCount();
  if (count == 0) return true;
  const int32_t columns = ColumnCount();
  const int32_t from = current_ < 0 ? 0 : current_;
  const int32_t row_start = from - from % columns;
  const int32_t row_end = std::min(row_start + columns - 1, count - 1);
  int32_t target = -1;
  switch (event.a) {
    case Key::Up:
      target = from - columns;
      break;
    case Key::Down:
      target = from + columns < count ? from + columns : -1;
      break;
    case Key::Left:
      target = alt ? row_start : (from > row_start ? from - 1 : -1);
      break;
    default:
      target = alt ? row_end : (from < row_end ? from + 1 : -1);
      break;
  }
  if (target < 0 || target == current_) return true;
  MoveTo(from, target, shift, alt);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Mouse

void GridWindow::PressCell(int32_t index, int32_t mods) {
  const int32_t before = current_;
  bool changed = false;
  if (mods & kModControl) {
    const bool was = IsSelected(index);
    if (!IsMultiSelect()) changed = ClearSelectedCells();
    SetSelected(index, !was);
    changed = true;
  } else if ((mods & kModShift) && IsMultiSelect() && current_ >= 0) {
    changed = ClearSelectedCells();
    for (int32_t i = std::min(current_, index); i <= std::max(current_, index); ++i) {
      SetSelected(i, true);
    }
    changed = true;
  } else if (IsSelected(index) && selected_count_ > 1) {
    // Keep the selection for a drag of all of it; the release selects the cell alone.
    pending_alone_ = index;
  } else {
    changed = !IsSelected(index);
    changed |= ClearSelectedCells();
    SetSelected(index, true);
  }
  current_ = index;
  InvalidateClient();
  if (changed || before != current_) Changed();
}

void GridWindow::OnMouseButton(InputEvent& event) {
  if (event.c != 0) return;
  const Point p{event.a, event.b};
  if (event.d == 1) {
    drag_armed_ = false;
    pending_alone_ = -1;
    const int32_t index = CellAt(p);
    if (index >= 0) {
      PressCell(index, event.mods);
      drag_armed_ = true;
      drag_origin_ = p;
      return;
    }
    if (!ClientRect().Contains(p)) return;
    if (!(event.mods & (kModShift | kModControl))) ClearSelection();
    // Only a grid that may hold several selected cells lets a rectangle select them.
    if (IsMultiSelect()) WM().TrackMouse(this, nullptr);
    return;
  }
  drag_armed_ = false;
  if (pending_alone_ >= 0) {
    const int32_t index = pending_alone_;
    pending_alone_ = -1;
    Select(index, false);
  }
}

void GridWindow::OnDoubleClick(InputEvent& event) {
  if (event.c != 0) return;
  const int32_t index = CellAt({event.a, event.b});
  if (index < 0) return;
  drag_armed_ = false;
  pending_alone_ = -1;
  if (!IsSelected(index) || current_ != index) Select(index, false);
  if (open_) open_(index, cells_[static_cast<size_t>(index)].data);
}

void GridWindow::OnMouseMove(InputEvent& event) {
  if (!drag_armed_) return;
  // The release may have happened over another window.
  if (!WM().IsButtonDown(0)) {
    drag_armed_ = false;
    pending_alone_ = -1;
    return;
  }
  const int32_t distance = std::abs(event.a - drag_origin_.x) + std::abs(event.b - drag_origin_.y);
  if (distance <= kDragDistance) return;
  drag_armed_ = false;
  pending_alone_ = -1;
  if (current_ >= 0 && drag_) drag_(current_, cells_[static_cast<size_t>(current_)].data);
}

void GridWindow::OnTrackMouse(Point start, Point current, int32_t phase) {
  if (phase == kTrackStart) {
    banding_ = true;
    band_start_ = ToContent(start);
    band_end_ = band_start_;
  } else if (!banding_) {
    return;
  } else {
    band_end_ = ToContent(current);
    if (phase == kTrackEnd) {
      ApplyBand();
      banding_ = false;
    }
  }
  InvalidateClient();
}

Rect GridWindow::BandRect() const {
  return {std::min(band_start_.x, band_end_.x), std::min(band_start_.y, band_end_.y),
          std::max(band_start_.x, band_end_.x) + 1, std::max(band_start_.y, band_end_.y) + 1};
}

void GridWindow::ApplyBand() {
  const int32_t count = CellCount();
  if (count == 0) return;
  const Rect band = BandRect();
  const int32_t left = std::max(0, band.left);
  const int32_t top = std::max(0, band.top);
  if (band.right <= left || band.bottom <= top) return;
  const int32_t px = HorizontalPitch();
  const int32_t py = VerticalPitch();
  const Size cell = ZoomedCellSize();
  const int32_t cell_h = cell.height + LabelHeight();
  const int32_t columns = ColumnCount();
  const int32_t rows = RowsFor(count, columns);
  // Only the rows and columns the rectangle reaches are visited: a band over a few cells of
  // a large grid costs a few cells.
  int32_t c0 = left / px;
  if (left - c0 * px >= cell.width) ++c0;
  const int32_t c1 = std::min(columns - 1, (band.right - 1) / px);
  int32_t r0 = top / py;
  if (top - r0 * py >= cell_h) ++r0;
  const int32_t r1 = std::min(rows - 1, (band.bottom - 1) / py);
  bool any = false;
  for (int32_t r = r0; r <= r1; ++r) {
    const int64_t row_base = int64_t{r} * columns;
    for (int32_t c = c0; c <= c1; ++c) {
      const int64_t i = row_base + c;
      if (i >= count) break;
      SetSelected(static_cast<int32_t>(i), !cells_[static_cast<size_t>(i)].IsSelected());
      any = true;
    }
  }
  if (any) Changed();
}

// ---------------------------------------------------------------------------------------------
// Drawing

void GridWindow::Draw() {
  const int32_t count = CellCount();
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  const int32_t hpos = HorizontalPosition();
  const int32_t vpos = VerticalPosition();
  const int32_t px = HorizontalPitch();
  const int32_t py = VerticalPitch();
  const Size cell = ZoomedCellSize();
  const int32_t label_h = LabelHeight();
  const int32_t columns = ColumnCount();
  const bool focused = HasFocus();
  // Only the rows and columns inside the client area: the cost follows the window's size, not
  // the number of cells.
  if (count > 0 && w > 0 && h > 0) {
    const int32_t first_row = vpos / py;
    const int32_t last_row = std::min(RowsFor(count, columns) - 1, (vpos + h - 1) / py);
    const int32_t first_col = std::min(columns - 1, hpos / px);
    const int32_t last_col = std::min(columns - 1, (hpos + w - 1) / px);
    for (int32_t r = first_row; r <= last_row; ++r) {
      for (int32_t c = first_col; c <= last_col; ++c) {
        const int64_t i64 = int64_t{r} * columns + c;
        if (i64 >= count) break;
        const int32_t i = static_cast<int32_t>(i64);
        const GridCell& gc = cells_[static_cast<size_t>(i)];
        const int32_t x = c * px - hpos;
        const int32_t y = r * py - vpos;
        const Rect box{x, y, x + cell.width, y + cell.height};
        const bool selected = gc.IsSelected();
        if (draw_) draw_(i, gc.data, box, selected);
        if (selected) {
          SetDrawColor(kWhite);
          QueueSprite(kSkinGridCellSelection, {x, y, x + cell.width, y + cell.height + label_h},
                      SpriteFlag::Stretch);
        }
        const std::string_view label = label_ ? label_(i, gc.data) : std::string_view(gc.label);
        if (!label.empty() && label_h > 0) {
          SetDrawColor(selected ? kWhite : kLabelColor);
          // A cell's label is data: it is drawn as it stands, "|b" and all.
          DrawText(GetFont(), label, 0, kTextLiteral | kTextCentre | kTextWordWrap,
                   {x, y + cell.height, x + cell.width, y + cell.height + label_h});
        }
        if (focused && i == current_) {
          SetDrawColor(kWhite);
          DrawSkinBorder({x, y, x + cell.width, y + cell.height + label_h}, kSkinFocusRingEdge,
                         kSkinFocusRingCorner, 15);
        }
      }
    }
  }
  if (banding_) {
    const Rect b = BandRect();
    const Rect r{b.left - hpos, b.top - vpos, b.right - hpos, b.bottom - vpos};
    SetDrawColor(kBandFill);
    FillRect(r);
    SetDrawColor(kBandEdge);
    FillRect({r.left, r.top, r.right, r.top + 1});
    FillRect({r.left, r.bottom - 1, r.right, r.bottom});
    FillRect({r.left, r.top, r.left + 1, r.bottom});
    FillRect({r.right - 1, r.top, r.right, r.bottom});
  }
  SetDrawColor(kWhite);
}
