#include "gui/CheckBox.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Skin.h"
#include "gui/TextLayout.h"

CheckBox::CheckBox(Window* parent, int32_t id) : Button(parent, id, true) {}

CheckBox::CheckBox(Window* parent, const char* label, int32_t id) : Button(parent, id, true) {
  SetTitle(label);
}

void CheckBox::FrameSizeForClient(Size& frame_size, Size client_size) const {
  const Size box = CurrentSkin().ImageSize(kSkinCheckBoxOff);
  frame_size = {box.width + client_size.width + 8,
                std::max({box.height, FontLineHeight(GetFont()), client_size.height})};
}

void CheckBox::SizeToFit() {
  const char* label = GetTitle();
  Size frame;
  FrameSizeForClient(frame, {label ? MeasureTextWidth(GetFont(), label, 0) : 0, 0});
  const Rect r = FrameRectInParent();
  SetFrameRect({r.left, r.top, r.left + frame.width, r.top + frame.height});
}

void CheckBox::Draw() {
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  const int32_t id = kSkinCheckBoxOff + std::clamp(GetState(), 0, 3);
  const Size box = CurrentSkin().ImageSize(id);
  DrawSkinImage(id, 0, (h - box.height) / 2);
  if (const char* label = GetTitle()) {
    SetDrawColor(LabelColor());
    DrawText(GetFont(), label, 0, 0x40, {box.width + 6, 0, w, h});
  }
  if (HasFocus()) DrawSkinBorder({0, 0, w, h}, kSkinFocusRingEdge, kSkinFocusRingCorner, 15);
}
