#pragma once
#include <cstdint>

#include "gui/Button.h"

// A button that stays on or off: the skin's box followed by the label.
class CheckBox : public Button {
 public:
  CheckBox(Window* parent, int32_t id);
  CheckBox(Window* parent, const char* label, int32_t id);

  const char* GetClassName() const override { return "CheckBox"; }
  // The box, 8 pixels and the client width (the label's); as high as the box or a line.
  void FrameSizeForClient(Size& frame_size, Size client_size) const override;
  void Draw() override;
  void SizeToFit() override;
};
