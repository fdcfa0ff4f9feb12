#pragma once
#include <array>
#include <cstdint>

#include "gui/Window.h"

// Two panes side by side (orientation 0: the divider is vertical) or one above the other
// (orientation 1), with a divider between them that the user may drag in mode 0. In mode 1
// the first pane keeps its minimum size, in mode 2 the second one does.
class SplitterWindow : public Window {
 public:
  enum Orientation : int32_t { kSideBySide = 0, kStacked = 1 };
  enum Mode : int32_t { kUserPlaced = 0, kFirstFixed = 1, kSecondFixed = 2 };

  SplitterWindow(uint32_t flags, Window* parent);

  // Puts `pane` (or nothing) at index 0 or 1 and returns the window that was there, detached
  // (the caller owns it then).
  Window* SetPane(int32_t index, Window* pane, int32_t minimum_size);
  Window* Pane(int32_t index) const;
  void SetOrientation(int32_t orientation);
  void SetMode(int32_t mode);
  int32_t GetOrientation() const { return orientation_; }
  int32_t GetMode() const { return mode_; }
  // Requests a divider position in pixels from the left or top; it is constrained by the
  // minimum sizes and the mode.
  void SetDividerPosition(int32_t position);
  int32_t DividerPosition() const { return position_; }
  // The divider bar in screen coordinates (empty unless both panes are there).
  Rect DividerRect() const;
  // What a requested position becomes for a splitter `total` pixels long.
  static int32_t Constrain(int32_t requested, int32_t total, int32_t mode, int32_t min_first,
                           int32_t min_second);

  const char* GetClassName() const override { return "SplitterWindow"; }
  void OnResized() override;
  void Draw() override;
  void OnMouseButton(InputEvent& event) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;
  void OnMouseMove(InputEvent& event) override;
  void OnMouseLeave(uint32_t new_part, uint32_t old_part) override;
  void OnChildRemoved(Window* child) override;

 private:
  int32_t Total() const;
  int32_t BarThickness() const;
  void LayOut();

  int32_t orientation_ = kSideBySide;
  int32_t mode_ = kUserPlaced;
  std::array<Window*, 2> panes_{};
  std::array<int32_t, 2> minimum_{};
  int32_t position_ = 0;
  int32_t drag_start_position_ = 0;
  bool dragging_ = false;
  bool placing_ = false;  // SetPane at work: its own re-parenting must not clear the pane
};
