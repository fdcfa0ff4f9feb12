#include "tools/zarv-gallery/GalleryView.h"

#include <algorithm>

#include "gui/Draw.h"

GalleryView::GalleryView(Window* parent)
    : ScrollableWindow(WindowFlag::Visible | WindowFlag::BackgroundA, parent) {
  SetLineStep(10);
}

void GalleryView::OnResized() {
  ScrollableWindow::OnResized();
  const Rect c = ClientRect();
  SetRanges(kVerticalBar | kHorizontalBar, kSide, kSide, c.Width(), c.Height());
}

void GalleryView::Draw() {
  const Rect c = ClientRect();
  const int32_t x0 = HorizontalPosition(), y0 = VerticalPosition();
  // Only the cells in sight: the picture is far larger than any window.
  const int32_t first_col = x0 / kCell, first_row = y0 / kCell;
  const int32_t last_col = std::min(kSide / kCell - 1, (x0 + c.Width()) / kCell);
  const int32_t last_row = std::min(kSide / kCell - 1, (y0 + c.Height()) / kCell);
  for (int32_t row = first_row; row <= last_row; ++row) {
    for (int32_t col = first_col; col <= last_col; ++col) {
      SetDrawColor(MakeColor(static_cast<uint8_t>(col * 3), static_cast<uint8_t>(row * 3),
                             static_cast<uint8_t>((col + row) % 2 ? 160 : 90)));
      const int32_t x = col * kCell - x0, y = row * kCell - y0;
      FillRect({x, y, x + kCell - 1, y + kCell - 1});
    }
  }
}
