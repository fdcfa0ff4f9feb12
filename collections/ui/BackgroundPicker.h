#pragma once
#include <cstdint>

#include "gui/ComboBox.h"
#include "gui/Geometry.h"

// "Background:" of the frame editor: what the frame is drawn over, so that a sprite's edges
// show against dark and light ground alike.
class BackgroundPicker : public ComboBox {
 public:
  enum Choice : int32_t { kCheckerboard = 0, kBlack, kGrey, kWhite, kGreen, kChoiceCount };

  explicit BackgroundPicker(Window* parent);

  Choice Selected() const;
  // Fills `rect` (the current window's coordinates) with the chosen background; the
  // checkerboard's squares stay put under scrolling by starting at `origin`.
  void Paint(const Rect& rect, Point origin) const;

  const char* GetClassName() const override { return "BackgroundPicker"; }
};
