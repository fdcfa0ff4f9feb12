#include "structs/ui/MemberTextBox.h"

bool MemberTextBox::OnKey(InputEvent& event) {
  const bool was = typing_;
  typing_ = true;
  const bool handled = TextBox::OnKey(event);
  typing_ = was;
  return handled;
}

void MemberTextBox::OnChar(InputEvent& event) {
  const bool was = typing_;
  typing_ = true;
  TextBox::OnChar(event);
  typing_ = was;
}

void MemberTextBox::OnFocusLost(Window* new_focus, int32_t reason) {
  // The base empties nothing the user typed that reads; it resets unreadable text to zero,
  // which is shown only: the listener puts the stored value back right after.
  TextBox::OnFocusLost(new_focus, reason);
  left.Emit(0);
}
