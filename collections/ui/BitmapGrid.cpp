#include "collections/ui/BitmapGrid.h"

#include <string_view>

#include "collections/ui/BitmapDDData.h"
#include "collections/ui/BitmapGridDDData.h"
#include "collections/ui/SequenceCellsDDData.h"
#include "gui/Draw.h"
#include "gui/Painter.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr int32_t kPad = 4;
constexpr Color kPlate = MakeColor(40, 40, 40, 200);

// The drag shows the payload's label on a dark plate.
std::string_view DragLabel(const Window::DragDropData& data) {
  if (data.type_id == BitmapDDData::kTypeId) return static_cast<const BitmapDDData&>(data).label;
  return static_cast<const BitmapGridDDData&>(data).label;
}

Size MeasureDrag(const Window::DragDropData& data) {
  const Font* font = DefaultFont();
  return {MeasureTextWidth(font, DragLabel(data), 0, kTextLiteral) + 2 * kPad,
          FontLineHeight(font) + 2 * kPad};
}

void DrawDrag(const Window::DragDropData& data) {
  const Size size = MeasureDrag(data);
  SetDrawColor(kPlate);
  FillRect({0, 0, size.width, size.height});
  SetDrawColor(kWhite);
  DrawText(DefaultFont(), DragLabel(data), 0, kTextLiteral | kTextVCentre,
           {kPad, 0, size.width, size.height});
}
}  // namespace

BitmapGrid::BitmapGrid(uint32_t window_flags, Window* parent)
    : GridWindow(GridStyle::MultiSelect, window_flags, parent) {
  static const bool registered = [] {
    WindowManager::RegisterDragImagePainter(BitmapDDData::kTypeId, {&MeasureDrag, &DrawDrag});
    WindowManager::RegisterDragImagePainter(BitmapGridDDData::kTypeId, {&MeasureDrag, &DrawDrag});
    WindowManager::RegisterDragImagePainter(SequenceCellsDDData::kTypeId,
                                            {&MeasureDrag, &DrawDrag});
    return true;
  }();
  (void)registered;
}

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
  return drop_(drop_on_cells_ ? CellAt(point) : DropIndex(point), data, query_only) ? 1 : 0;
}
