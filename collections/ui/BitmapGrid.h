#pragma once
#include <cstdint>
#include <functional>

#include "gui/GridWindow.h"

// The thumbnail view of a bitmap page: a grid that reports right presses (the context menu)
// and takes drops of its own bitmaps in front of a cell.
class BitmapGrid : public GridWindow {
 public:
  // The drop target cell (CellCount() for past the last one) and the payload.
  using DropCallback = std::function<bool(int32_t before, DragDropData* data, bool query)>;
  using ContextCallback = std::function<void(Point screen_point)>;

  BitmapGrid(uint32_t window_flags, Window* parent);

  void SetDropCallback(DropCallback callback) { drop_ = std::move(callback); }
  void SetContextCallback(ContextCallback callback) { context_ = std::move(callback); }
  // Drops go on the cell under the pointer (-1 for none) instead of in front of one.
  void SetDropOnCells(bool on_cells) { drop_on_cells_ = on_cells; }
  // The cell a drop at a screen point goes in front of.
  int32_t DropIndex(Point screen_point) const;

  const char* GetClassName() const override { return "GridWindow"; }
  void OnMouseButton(InputEvent& event) override;
  int32_t AcceptDrop(Point point, bool query_only, DragDropData* data) override;

 private:
  DropCallback drop_;
  ContextCallback context_;
  bool drop_on_cells_ = false;
};
