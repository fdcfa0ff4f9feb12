#pragma once
#include <cstdint>

#include "gui/Painter.h"
#include "gui/Window.h"

// Push button and, with toggles set, the base of the check box. The label is the window
// title and the id is the window id; both signals fire on a click, the one with the id first.
class Button : public Window {
 public:
  enum State : int32_t { kUp = 0, kOn = 1, kPressedOn = 2, kPressedOff = 3 };

  Button(Window* parent, int32_t id);
  // The same with the label set at once.
  Button(Window* parent, const char* label, int32_t id);

  const char* GetClassName() const override { return "Button"; }
  void FrameToClient(const Rect& frame, Rect& client) const override { client = frame; }
  void FrameSizeForClient(Size& frame_size, Size client_size) const override;
  void Draw() override;
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  // A second click in quick succession arrives as a double click; it is a click all the same.
  void OnDoubleClick(InputEvent& event) override { OnMouseButton(event); }
  void OnFocusLost(Window* new_focus, int32_t reason) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;

  // Stores the state (a push button never stays on) and, unless silent, emits when the state
  // asked for is a click: on, or off for a check box.
  virtual void SetState(int32_t state, bool silent);
  // Label width (at least the theme's minimum) plus 28, and the theme's button height.
  virtual void SizeToFit();

  int32_t GetState() const { return state_; }
  int32_t Id() const { return WindowId(); }
  bool Toggles() const { return toggles_; }

  // The theme's smallest button: both caps and 24 pixels between them, as high as the caps.
  static Size MinimumSize();
  // The theme's button height: that of the face's caps, 24 before a theme is loaded.
  static int32_t Height();

  Signal clicked;          // argument unused
  Signal clicked_with_id;  // argument: the id

 protected:
  Button(Window* parent, int32_t id, bool toggles);
  Color LabelColor() const;

 private:
  // The pressed look for a press that started in `from`.
  static int32_t PressedState(int32_t from) { return from == kOn ? kPressedOn : kPressedOff; }

  bool toggles_ = false;
  bool key_pressed_ = false;  // Space or Enter went down on this button and is still down
  int32_t state_ = kUp;
  int32_t state_at_press_ = kUp;
};
