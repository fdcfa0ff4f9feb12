#include "collections/ui/BitmapGrid.h"

BitmapGrid::BitmapGrid(uint32_t window_flags, Window* parent)
    : GridWindow(GridStyle::MultiSelect, window_flags, parent) {}

void BitmapGrid::OnMouseButton(InputEvent& event) {
  // Button 1 is the right one; the menu opens on the press, on the cell under the pointer.
  if (event.c == 1 && event.d == 1 && context_) {
    const Point at{event.a, event.b};
    const int32_t cell = CellAt(at);
    if (cell >= 0 && !IsSelected(cell)) Select(cell, false);
    context_(at);
    return;
  }
  GridWindow::OnMouseButton(event);
}

int32_t BitmapGrid::DropIndex(Point screen_point) const {
  const int32_t cell = CellAt(screen_point);
  if (cell < 0) return CellCount();
  // The right half of a cell drops after it.
  const Rect r = CellRect(cell);
  return screen_point.x >= (r.left + r.right) / 2 ? cell + 1 : cell;
}

int32_t BitmapGrid::AcceptDrop(Point point, bool query_only, DragDropData* data) {
  if (!drop_ || !data) return 0;
  return drop_(DropIndex(point), data, query_only) ? 1 : 0;
}
