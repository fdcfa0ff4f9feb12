#pragma once
#include <cstdint>

#include "gui/Signal.h"
#include "gui/TextBox.h"

// An integer or number field bound to a record member. It tells what the user typed apart from
// what the program shows: text changes made while a key or a character is handled are the
// user's, every other one (showing the stored value, the box's own reset of unreadable text
// when it is left) is not. Leaving the field is reported, so that it can show the stored value
// again instead of whatever was left half typed.
class MemberTextBox : public TextBox {
 public:
  MemberTextBox(int32_t mode, Window* parent) : TextBox(mode, parent) {}

  bool OnKey(InputEvent& event) override;
  void OnChar(InputEvent& event) override;
  void OnFocusLost(Window* new_focus, int32_t reason) override;

  // True while a key or character of the user's is being handled.
  bool Typing() const { return typing_; }

  Signal left;  // argument unused

 private:
  bool typing_ = false;
};
