#include "gui/Button.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Skin.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr Size kMinimumButton = {32, 24};
}

Button::Button(Window* parent, const char* label, int32_t id, bool toggles)
    : Window(WindowFlag::Visible, parent), id_(id), toggles_(toggles) {
  SetTitle(label);
}

void Button::FrameSizeForClient(Size& frame_size, Size client_size) const {
  frame_size = {client_size.width + kMinimumButton.width,
                client_size.height + kMinimumButton.height};
}

void Button::SetState(int32_t state) {
  if (state == state_) return;
  state_ = state;
  Invalidate();
}

void Button::Press() {
  SetState(state_ == kOn ? kPressedOn : kPressedOff);
}

void Button::Release(bool inside) {
  if (!inside) {
    SetState(state_at_press_);
    return;
  }
  if (!toggles_) {
    SetState(kUp);
  } else {
    SetState(state_ == kPressedOn ? kUp : kOn);
  }
  Emit();
}

void Button::Emit() {
  clicked.Emit(0);
  clicked_with_id.Emit(id_);
}

bool Button::OnKey(InputEvent& event) {
  if (!enabled_) return false;
  const bool activation = event.a == ' ' || event.a == Key::Enter;
  if (!activation) {
    if (key_pressed_ && !toggles_ && event.b == 1) {
      key_pressed_ = false;
      SetState(kUp);
    }
    return false;
  }
  if (event.b == 1) {
    if (!key_pressed_ && (state_ == kUp || state_ == kOn)) {
      key_pressed_ = true;
      state_at_press_ = state_;
      Press();
    }
    return true;
  }
  if (key_pressed_) {
    key_pressed_ = false;
    Release(true);
  }
  return true;
}

void Button::OnMouseButton(InputEvent& event) {
  if (!enabled_ || event.c != 0 || event.d != 1) return;
  WM().TrackMouse(this, nullptr);
}

void Button::OnTrackMouse(Point /*start*/, Point current, int32_t phase) {
  const bool inside = FrameRect().Contains(current);
  if (phase == kTrackStart) {
    state_at_press_ = state_;
    Press();
  } else if (phase == kTrackMove) {
    const int32_t pressed = state_at_press_ == kOn ? kPressedOn : kPressedOff;
    SetState(inside ? pressed : state_at_press_);
  } else {
    Release(inside);
  }
}

void Button::OnFocusLost(Window* /*new_focus*/, int32_t /*reason*/) {
  key_pressed_ = false;
  if (state_ == kPressedOn)
    SetState(kOn);
  else if (state_ == kPressedOff)
    SetState(kUp);
}

void Button::Draw() {
  const Skin& skin = CurrentSkin();
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
  const Color label_color = enabled_ ? kWhite : MakeColor(128, 128, 128);
  if (toggles_) {
    const int32_t id = kSkinCheckBoxOff + std::clamp(state_, 0, 3);
    const Size box = skin.ImageSize(id);
    DrawSkinImage(id, 0, (h - box.height) / 2);
    if (const char* label = GetTitle()) {
      SetDrawColor(label_color);
      DrawText(GetFont(), label, 0, 0x40, {box.width + 6, 0, w, h});
    }
    return;
  }
  // The face pieces carry a soft shadow in their bottom rows: draw them at their own height.
  const bool pressed = state_ == kPressedOff;
  const Size cap = skin.ImageSize(kSkinButtonLeft);
  const int32_t face_h = cap.height > 0 ? cap.height : h;
  QueueSprite(pressed ? kSkinButtonLeftPressed : kSkinButtonLeft, {0, 0, cap.width, face_h},
              SpriteFlag::Stretch);
  QueueSprite(pressed ? kSkinButtonMiddlePressed : kSkinButtonMiddle,
              {cap.width, 0, w - cap.width, face_h}, SpriteFlag::Stretch);
  QueueSprite(pressed ? kSkinButtonRightPressed : kSkinButtonRight, {w - cap.width, 0, w, face_h},
              SpriteFlag::Stretch);
  if (HasFocus())
    DrawSkinBorder({0, 0, w, face_h - 6}, kSkinFocusRingEdge, kSkinFocusRingCorner, 15);
  if (const char* label = GetTitle()) {
    SetDrawColor(label_color);
    const int32_t shift = pressed ? 1 : 0;
    DrawText(GetFont(), label, 0, 0x156, {shift, shift, w + shift, face_h - 6 + shift});
  }
}
