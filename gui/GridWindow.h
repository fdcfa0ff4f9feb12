#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "gui/ScrollableWindow.h"
#include "gui/Signal.h"

// Styles of a grid window.
namespace GridStyle {
constexpr uint32_t MultiSelect = 1;  // several cells may be selected
}  // namespace GridStyle

// One cell of a grid: what the client keeps there and whether it is selected.
struct GridCell {
  static constexpr uint32_t kSelected = 1;
  uint64_t data = 0;
  uint32_t flags = 0;
  std::string label;  // shown when the grid has no label callback
  bool IsSelected() const { return (flags & kSelected) != 0; }
};

// A grid of equally sized cells whose content the client draws (thumbnails), each with a label
// of up to three lines under it. Cells run left to right, then top to bottom; the grid scrolls
// by pixels. The client is told through callbacks what the user does with the cells.
class GridWindow : public ScrollableWindow {
 public:
  // Draws cell `index` into `rect` (client coordinates, the label area excluded).
  using DrawCellCallback =
      std::function<void(int32_t index, uint64_t data, const Rect& rect, bool selected)>;
  // Starting a drag (the client makes its own drag data) and opening a cell.
  using CellCallback = std::function<void(int32_t index, uint64_t data)>;
  using DeleteCallback = std::function<void()>;
  // The label under a cell, drawn as it stands; the text must outlive the frame being drawn.
  using LabelCallback = std::function<std::string_view(int32_t index, uint64_t data)>;

  static constexpr int32_t kDefaultCellSize = 96;
  static constexpr int32_t kSpacing = 8;
  static constexpr int32_t kLabelLines = 3;
  static constexpr int32_t kDragDistance = 3;  // a drag starts beyond this many pixels

  GridWindow(uint32_t style, uint32_t window_flags, Window* parent);

  void SetDrawCallback(DrawCellCallback callback) { draw_ = std::move(callback); }
  void SetDragCallback(CellCallback callback) { drag_ = std::move(callback); }
  void SetOpenCallback(CellCallback callback) { open_ = std::move(callback); }
  void SetDeleteCallback(DeleteCallback callback) { delete_ = std::move(callback); }
  void SetLabelCallback(LabelCallback callback) { label_ = std::move(callback); }

  // Cells. A smaller count drops the cells past it, and everything that referred to them.
  void SetCellCount(int32_t count);
  int32_t CellCount() const { return static_cast<int32_t>(cells_.size()); }
  int32_t AddCell(uint64_t data);  // returns its index
  // Removes one cell; the cells after it move up by one.
  void RemoveCell(int32_t index);
  void SetCellData(int32_t index, uint64_t data);
  uint64_t CellData(int32_t index) const;
  void SetCellLabel(int32_t index, std::string_view text);
  const GridCell* Cell(int32_t index) const;

  // Geometry.
  void SetCellSize(int32_t width, int32_t height);
  Size CellSize() const { return cell_size_; }
  void SetZoom(double zoom);
  double Zoom() const { return zoom_; }
  // 0: as many columns as fit the width (at least one).
  void SetFixedColumnCount(int32_t columns);
  int32_t FixedColumnCount() const { return fixed_columns_; }
  Size ZoomedCellSize() const;  // the cell as drawn, label excluded
  int32_t LabelHeight() const;  // three lines of the font
  int32_t HorizontalPitch() const;
  int32_t VerticalPitch() const;
  int32_t ColumnCount() const;
  int32_t RowCount() const;
  // The cell under a screen point, or -1 (spacing, past the last column or cell, outside).
  int32_t CellAt(Point screen_point) const;
  // The cell's rectangle with its label, in screen coordinates as currently scrolled.
  Rect CellRect(int32_t index) const;
  void ScrollCellIntoView(int32_t index);

  // Selection. Select makes the cell current; without extend it becomes the only selected
  // cell (-1 selects nothing). Each change emits selection_changed once.
  void Select(int32_t index, bool extend);
  void SelectAll();
  void ClearSelection();
  bool IsSelected(int32_t index) const;
  int32_t SelectedCount() const { return selected_count_; }
  std::vector<int32_t> SelectedCells() const;
  int32_t CurrentCell() const { return current_; }
  uint32_t Style() const { return style_; }
  void SetStyle(uint32_t style) { style_ = style; }
  bool IsMultiSelect() const { return (style_ & GridStyle::MultiSelect) != 0; }

  // The rubber band while one is being dragged (content coordinates), and whether it is.
  bool IsBanding() const { return banding_; }
  bool IsDragArmed() const { return drag_armed_; }

  Signal selection_changed;  // argument: the current cell

  const char* GetClassName() const override { return "GridWindow"; }
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  // The second click of a quick pair is a click as well, and opens the cell.
  void OnDoubleClick(InputEvent& event) override;
  void OnMouseMove(InputEvent& event) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;
  void OnResized() override;
  void Draw() override;

 private:
  // The point in content coordinates: client coordinates plus the scroll positions.
  Point ToContent(Point screen_point) const;
  Rect ContentCellRect(int32_t index) const;
  int32_t CellAtContent(Point p) const;
  void UpdateLayout();
  void SetSelected(int32_t index, bool selected);
  bool ClearSelectedCells();  // true when any was selected
  void Changed() { selection_changed.Emit(current_); }
  // A keyboard move to `target` from `from`; `passed` selects the cells between with Shift.
  void MoveTo(int32_t from, int32_t target, bool shift, bool passed);
  void PressCell(int32_t index, int32_t mods);
  void ForgetCellsFrom(int32_t count);
  void ApplyBand();
  Rect BandRect() const;  // content coordinates, normalised

  uint32_t style_ = 0;
  std::vector<GridCell> cells_;
  int32_t selected_count_ = 0;
  int32_t current_ = -1;
  Size cell_size_{kDefaultCellSize, kDefaultCellSize};
  double zoom_ = 1.0;
  int32_t fixed_columns_ = 0;
  bool in_layout_ = false;

  // A press on a cell arms a drag; a press on a cell of a larger selection keeps the selection
  // until the release, so that the whole selection can be dragged.
  bool drag_armed_ = false;
  Point drag_origin_{};
  int32_t pending_alone_ = -1;

  bool banding_ = false;
  Point band_start_{};  // content coordinates
  Point band_end_{};

  DrawCellCallback draw_;
  CellCallback drag_;
  CellCallback open_;
  DeleteCallback delete_;
  LabelCallback label_;
};
