#pragma once
#include <cstdint>

#include "gui/Window.h"

// Hit-test results of the scroll bars.
namespace ScrollPart {
constexpr int32_t None = 0;
constexpr int32_t VerticalThumb = 1;
constexpr int32_t Up = 2;
constexpr int32_t Down = 3;
constexpr int32_t PageUp = 4;
constexpr int32_t PageDown = 5;
constexpr int32_t HorizontalThumb = 6;
constexpr int32_t Left = 7;
constexpr int32_t Right = 8;
constexpr int32_t PageLeft = 9;
constexpr int32_t PageRight = 10;
constexpr int32_t SizeBox = 11;
}  // namespace ScrollPart

// Base of every window whose content is larger than its frame. It owns the scroll bars (in
// the frame, outside the client area) and the two positions; subclasses choose the units
// (rows, pixels) and draw their content shifted by the positions.
class ScrollableWindow : public Window {
 public:
  static constexpr uint32_t kVerticalBar = 1;
  static constexpr uint32_t kHorizontalBar = 2;
  static constexpr double kArrowRepeat = 1.0 / 30.0;
  static constexpr double kPageRepeat = 0.2;

  ScrollableWindow(uint32_t flags, Window* parent);

  // `bars` says which bars show (kVerticalBar, kHorizontalBar); the positions are clamped to
  // the new ranges.
  void SetRanges(uint32_t bars, int32_t horizontal_range, int32_t vertical_range,
                 int32_t horizontal_page, int32_t vertical_page);
  void SetVerticalPosition(int32_t position);
  void SetHorizontalPosition(int32_t position);
  int32_t VerticalPosition() const { return v_position_; }
  int32_t HorizontalPosition() const { return h_position_; }
  int32_t VerticalPage() const { return v_page_; }
  int32_t HorizontalPage() const { return h_page_; }
  int32_t VerticalRange() const { return v_range_; }
  int32_t HorizontalRange() const { return h_range_; }
  int32_t MaxVerticalPosition() const;
  int32_t MaxHorizontalPosition() const;
  uint32_t ShownBars() const { return bars_; }
  void ShowSizeBox(bool shown = true);
  void SetLineStep(int32_t step) { line_step_ = step > 0 ? step : 1; }
  int32_t LineStep() const { return line_step_; }

  // The bar part at a screen point (ScrollPart), and the screen rectangle of a part (empty
  // when it is not shown).
  int32_t BarPartAt(Point screen_point) const;
  Rect BarPartRect(int32_t part) const;
  int32_t PressedPart() const { return pressed_ ? pressed_part_ : ScrollPart::None; }

  const char* GetClassName() const override { return "ScrollableWindow"; }
  void FrameToClient(const Rect& frame, Rect& client) const override;
  void FrameSizeForClient(Size& frame_size, Size client_size) const override;
  void OnIdle() override;
  void DrawFrame() override;
  void OnFrameMouseButton(InputEvent& event) override;
  void OnFrameDoubleClick(InputEvent& event) override;
  void OnWheel(InputEvent& event) override;
  void OnFrameWheel(InputEvent& event) override;

 protected:
  // Called after either position changed, however it changed.
  virtual void OnScrolled() {}

 private:
  // One bar along its axis, in screen coordinates.
  struct BarLayout {
    Rect bar;
    int32_t start = 0;         // first pixel along the axis
    int32_t length = 0;        // the whole bar, arrows included
    int32_t thumb_start = 0;   // first pixel of the thumb
    int32_t thumb_length = 0;  // 0 when there is nothing to scroll
    int32_t free = 0;          // the track less the thumb: how far the thumb can travel
  };
  bool HasCorner() const;
  Rect BaseClient() const;
  bool Layout(bool vertical, BarLayout& out) const;
  bool BeginPress(const InputEvent& event);
  void Step(int32_t part);
  void InvalidateBars();
  void DrawBar(bool vertical, const Point& origin);
  static void TrackBar(Window* w, Point start, Point current, int32_t phase);

  int32_t h_range_ = 0;
  int32_t v_position_ = 0;
  int32_t v_page_ = 0;
  int32_t v_range_ = 0;
  int32_t h_position_ = 0;
  int32_t h_page_ = 0;
  uint32_t bars_ = 0;
  int32_t line_step_ = 1;
  double last_repeat_ = 0;
  bool pressed_ = false;
  int32_t pressed_part_ = ScrollPart::None;
  bool pressed_over_ = false;  // the pointer is still over the pressed part
  bool size_box_ = false;
  int32_t drag_thumb_offset_ = 0;  // thumb offset along the free track when the drag began
  Rect drag_frame_;                // frame (in parent) when a size-box drag began
};
