#include "gui/ColorButton.h"

#include "gui/Choosers.h"
#include "gui/Draw.h"
#include "gui/SkinIds.h"

ColorButton::ColorButton(Window* parent) : Window(WindowFlag::Visible, parent) {
  SetFrameRect({0, 0, 42, 20});
}

void ColorButton::SetColor(Color color) {
  if (color == color_) return;
  color_ = color;
  Invalidate();
}

bool ColorButton::Choose() {
  uint8_t rgb[3] = {ColorRed(color_), ColorGreen(color_), ColorBlue(color_)};
  if (!ChooseColor(rgb)) return false;
  SetColor(MakeColor(rgb[0], rgb[1], rgb[2], ColorAlpha(color_)));
  color_changed.Emit(static_cast<intptr_t>(color_));
  return true;
}

bool ColorButton::OnKey(InputEvent& event) {
  if (!IsEnabled() || (event.a != ' ' && event.a != Key::Enter)) return false;
  // The release is ours too, so that it does not reach a dialog's default button.
  if (event.b == 1) Choose();
  return true;
}

void ColorButton::OnMouseButton(InputEvent& event) {
  if (!IsEnabled() || event.c != 0 || event.d != 1) return;
  Choose();
}

void ColorButton::Draw() {
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  SetDrawColor(color_);
  FillRect({0, 0, w, h});
  if (HasFocus()) DrawSkinBorder({0, 0, w, h}, kSkinFocusRingEdge, kSkinFocusRingCorner, 15);
}
