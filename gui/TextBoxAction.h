#pragma once
#include <cstdint>
#include <string>

#include "gui/TextBox.h"
#include "gui/UndoableAction.h"

// One edit of a text box. "Do" performs it from the caret and anchor it was made with (so it
// also serves as redo); "undo" puts the text, the caret and the anchor back as they were.
class TextBoxAction : public UndoableAction {
 public:
  enum Type : int32_t {
    kTypeChar = 0,
    kInsertString = 1,
    kDeleteBackward = 2,
    kDeleteForward = 3,
    kDeleteSelection = 4,
  };

  // The edit starts from the box's current caret and anchor.
  TextBoxAction(TextBox* box, int32_t type, char typed = 0, std::string inserted = {});

  bool Do() override;
  void Undo() override;

  int32_t GetType() const { return type_; }
  TextBox::Position CaretBefore() const { return caret_before_; }
  TextBox::Position AnchorBefore() const { return anchor_before_; }
  TextBox::Position CaretAfter() const { return caret_after_; }
  TextBox::Position AnchorAfter() const { return anchor_after_; }

 private:
  TextBox::Position caret_before_;
  TextBox::Position anchor_before_;
  TextBox::Position caret_after_;
  TextBox::Position anchor_after_;
  TextBox* box_ = nullptr;
  int32_t type_ = kTypeChar;
  char character_ = 0;  // typed, or deleted without a selection
  std::string inserted_;
  std::string replaced_;  // the selection the edit removed
};
