#include "gui/Button.h"

#include <algorithm>

#include "gui/Draw.h"
#include "gui/Skin.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

Button::Button(Window* parent, int32_t id) : Button(parent, id, false) {}

Button::Button(Window* parent, const char* label, int32_t id) : Button(parent, id, false) {
  SetTitle(label);
}

Button::Button(Window* parent, int32_t id, bool toggles)
    : Window(WindowFlag::Visible, parent), toggles_(toggles) {
  SetWindowId(id);
}

Size Button::MinimumSize() {
  const Skin& skin = CurrentSkin();
  const Size left = skin.ImageSize(kSkinButtonLeft);
  const Size right = skin.ImageSize(kSkinButtonRight);
  return {left.width + 24 + right.width, left.height};
}

int32_t Button::Height() {
  const int32_t h = CurrentSkin().ImageSize(kSkinButtonLeft).height;
  return h > 0 ? h : 24;
}

void Button::FrameSizeForClient(Size& frame_size, Size client_size) const {
  const Size minimum = MinimumSize();
  frame_size = {client_size.width + minimum.width, client_size.height + minimum.height};
}

void Button::SizeToFit() {
  const Size minimum = MinimumSize();
  const char* label = GetTitle();
  const int32_t label_width = label ? MeasureTextWidth(GetFont(), label, 0) : 0;
  const int32_t width = (std::max(label_width, minimum.width) + 28) / 16 * 16;
  const int32_t height = std::max(FontLineHeight(GetFont()), minimum.height);
  const Rect r = FrameRectInParent();
  SetFrameRect({r.left, r.top, r.left + width, r.top + height});
}

void Button::SetState(int32_t state, bool silent) {
  const bool click = state == kOn || (toggles_ && state == kUp);
  const int32_t stored = !toggles_ && state == kOn ? kUp : state;
  if (stored != state_) {
    state_ = stored;
    Invalidate();
  }
  if (click && !silent) {
    clicked_with_id.Emit(WindowId());
    clicked.Emit(0);
  }
}

bool Button::OnKey(InputEvent& event) {
  if (!IsEnabled()) return false;
  const bool down = event.b == 1;
  if (event.a != ' ' && event.a != Key::Enter) {
    // Another key cancels a push button held down by keyboard; a check box ignores it.
    if (down && key_pressed_ && !toggles_) {
      key_pressed_ = false;
      SetState(kUp, true);
    }
    return false;
  }
  if (down) {
    // A held key repeats its press: only the first one counts.
    if (!key_pressed_ && (state_ == kUp || state_ == kOn)) {
      key_pressed_ = true;
      SetState(PressedState(state_), false);
    }
    return true;
  }
  if (key_pressed_) {
    key_pressed_ = false;
    if (state_ == kPressedOff)
      SetState(kOn, false);
    else if (state_ == kPressedOn)
      SetState(kUp, false);
  }
  return true;
}

void Button::OnMouseButton(InputEvent& event) {
  if (!IsEnabled() || event.c != 0 || event.d != 1) return;
  // A push button always starts from up; a check box from where it is.
  state_at_press_ = toggles_ ? state_ : kUp;
  if (state_at_press_ != kOn) state_at_press_ = kUp;
  WM().TrackMouse(this, nullptr);
}

void Button::OnTrackMouse(Point /*start*/, Point current, int32_t phase) {
  const bool inside = FrameRect().Contains(current);
  if (phase == kTrackStart) {
    SetState(PressedState(state_at_press_), false);
  } else if (!inside) {
    // Away from the button it shows how it was; going back there is no click, even for a
    // check box whose restored state would otherwise count as one.
    SetState(state_at_press_, true);
  } else if (phase == kTrackMove) {
    SetState(PressedState(state_at_press_), false);
  } else if (toggles_) {
    SetState(state_at_press_ == kOn ? kUp : kOn, false);
  } else {
    SetState(kOn, false);
  }
}

void Button::OnFocusLost(Window* /*new_focus*/, int32_t /*reason*/) {
  // The press was abandoned, not completed: back to the state before it, silently.
  key_pressed_ = false;
  if (state_ == kPressedOn)
    SetState(kOn, true);
  else if (state_ == kPressedOff)
    SetState(kUp, true);
}

Color Button::LabelColor() const {
  return IsEnabled() ? kWhite : MakeColor(128, 128, 128);
}

void Button::Draw() {
  const Skin& skin = CurrentSkin();
  const int32_t w = ClientRect().Width();
  const int32_t h = ClientRect().Height();
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
    SetDrawColor(LabelColor());
    const int32_t shift = pressed ? 1 : 0;
    DrawText(GetFont(), label, 0, 0x156, {shift, shift, w + shift, face_h - 6 + shift});
  }
}
