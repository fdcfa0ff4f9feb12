#pragma once
#include <cstdint>

#include "gui/Window.h"

// Push button and, with toggles set, the base of the check box. The label is the window
// title. Drawing comes with the skin; the state machine works without it.
class Button : public Window {
 public:
  enum State : int32_t { kUp = 0, kOn = 1, kPressedOn = 2, kPressedOff = 3 };

  Button(Window* parent, const char* label, int32_t id, bool toggles = false);

  const char* GetClassName() const override { return "Button"; }
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void Draw() override;
  void OnFocusLost(Window* new_focus, int32_t reason) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;
  void FrameSizeForClient(Size& frame_size, Size client_size) const override;
  void FrameToClient(const Rect& frame, Rect& client) const override { client = frame; }

  // Sets the state; emits nothing.
  virtual void SetState(int32_t state);
  int32_t GetState() const { return state_; }
  int32_t Id() const { return id_; }
  bool Toggles() const { return toggles_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool IsEnabled() const { return enabled_; }

  Signal clicked;          // argument unused
  Signal clicked_with_id;  // argument: the id

 private:
  void Press();
  void Release(bool inside);
  void Emit();

  int32_t id_ = 0;
  bool toggles_ = false;
  bool enabled_ = true;
  bool key_pressed_ = false;
  int32_t state_ = kUp;
  int32_t state_at_press_ = kUp;
};

class CheckBox : public Button {
 public:
  CheckBox(Window* parent, const char* label, int32_t id) : Button(parent, label, id, true) {}
  const char* GetClassName() const override { return "CheckBox"; }
};
