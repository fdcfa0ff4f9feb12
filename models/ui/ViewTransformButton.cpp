#include "models/ui/ViewTransformButton.h"

#include "gui/Draw.h"
#include "gui/InputEvent.h"
#include "gui/SkinIds.h"
#include "gui/WindowManager.h"

ViewTransformButton::ViewTransformButton(Window* parent, const char* label, int32_t icon,
                                         Transform transform)
    : Button(parent, label, 0), icon_(icon), transform_(std::move(transform)) {}

int32_t ViewTransformButton::PlateImage() const {
  if (dragging_) return kSkinViewButtonPressed;
  return hover_ ? kSkinViewButtonHover : kSkinViewButton;
}

void ViewTransformButton::Draw() {
  // The label names the button for the window spy only: the icon says what it does.
  DrawSkinImage(PlateImage(), 0, 0);
  DrawSkinImage(icon_, 0, 0);
}

void ViewTransformButton::OnMouseButton(InputEvent& event) {
  if (!IsEnabled() || event.c != 0 || event.d != 1 || dragging_) return;
  if (WM().TrackMouse(this, nullptr)) {
    dragging_ = true;
    Invalidate();
  }
}

void ViewTransformButton::OnMouseMove(InputEvent&) {
  if (!hover_) {
    hover_ = true;
    Invalidate();
  }
}

void ViewTransformButton::OnMouseLeave(uint32_t, uint32_t) {
  if (hover_) {
    hover_ = false;
    Invalidate();
  }
}

void ViewTransformButton::OnTrackMouse(Point start, Point current, int32_t phase) {
  if (!dragging_) return;
  const bool done = phase == kTrackEnd;
  if (done) {
    dragging_ = false;
    Invalidate();
  }
  if (transform_) transform_(current.x - start.x, current.y - start.y, done);
}
