#pragma once
#include <cstdint>
#include <functional>

#include "gui/Button.h"

// One of the geometry viewer's 15 x 15 transform buttons (pan, rotate, zoom): a plate in three
// looks (at rest, under the pointer, pressed) with an icon over it. A left press captures the
// mouse; every move reports the movement since the press, and the release reports it once more
// as the end of the drag.
class ViewTransformButton : public Button {
 public:
  static constexpr int32_t kSize = 15;
  // (dx, dy) in pixels since the press; `done` on the release.
  using Transform = std::function<void(int32_t dx, int32_t dy, bool done)>;

  ViewTransformButton(Window* parent, const char* label, int32_t icon, Transform transform);

  const char* GetClassName() const override { return "ViewTransformButton"; }
  void FrameSizeForClient(Size& frame_size, Size client_size) const override {
    frame_size = client_size;
  }
  void Draw() override;
  void OnMouseButton(InputEvent& event) override;
  void OnDoubleClick(InputEvent& event) override { OnMouseButton(event); }
  void OnMouseMove(InputEvent& event) override;
  void OnMouseLeave(uint32_t new_part, uint32_t old_part) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;

  int32_t icon() const { return icon_; }
  bool dragging() const { return dragging_; }
  // The plate the button shows now: kSkinViewButton, ...Hover or ...Pressed.
  int32_t PlateImage() const;

 private:
  int32_t icon_;
  Transform transform_;
  bool dragging_ = false;
  bool hover_ = false;
};
