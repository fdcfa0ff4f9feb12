#pragma once
#include <cstdint>

#include "gui/Window.h"

class TextBox;

// Edits a value in place: a borderless pop-up over a rectangle of another window, hosting a
// text box for as long as a modal loop runs. The loop ends when the box emits enter, when the
// left button is pressed outside the pop-up (the press then goes on, through the loops still
// running, to the window under the pointer) or on Escape.
class TextPopup : public Window {
 public:
  // Moves `box` into a pop-up over `rect` (client coordinates of `owner`), selects all of its
  // text and runs the loop. Afterwards the box is back with its parent, at its old place,
  // and the pop-up is gone. Returns the box; `accepted` tells whether the loop ended with
  // Enter or a press outside (true) or with Escape (false). When the pop-up was abandoned the
  // box went with it: null, and `accepted` false.
  static TextBox* Run(Window* owner, const Rect& rect, TextBox* box, bool* accepted = nullptr);
  // For an owner (or the box's parent) that is being destroyed while the loop runs: the loop
  // ends unaccepted, and neither window is touched again; the box is destroyed with the
  // pop-up.
  void Abandon();

  explicit TextPopup(TextBox* box);
  const char* GetClassName() const override { return "TextPopup"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  bool OnKey(InputEvent& event) override;
  TextBox* Box() const { return box_; }

 private:
  void OnEnter(intptr_t pressed);

  TextBox* box_ = nullptr;
  bool outside_press_ = false;
  bool abandoned_ = false;
  InputEvent press_{};
};
