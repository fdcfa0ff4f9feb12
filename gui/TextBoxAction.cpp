#include "gui/TextBoxAction.h"

#include <algorithm>
#include <string_view>
#include <utility>

TextBoxAction::TextBoxAction(TextBox* box, int32_t type, char typed, std::string inserted)
    : caret_before_(box->caret_),
      anchor_before_(box->anchor_),
      caret_after_(box->caret_),
      anchor_after_(box->anchor_),
      box_(box),
      type_(type),
      character_(typed),
      inserted_(std::move(inserted)) {}

bool TextBoxAction::Do() {
  TextBox& box = *box_;
  const TextBox::Position start = std::min(caret_before_, anchor_before_);
  const TextBox::Position end = std::max(caret_before_, anchor_before_);
  const bool selection = start != end;
  TextBox::Position after = start;
  switch (type_) {
    case kTypeChar:
    case kInsertString: {
      replaced_ = selection ? box.RemoveRaw(start, end) : std::string();
      const std::string_view text =
          type_ == kTypeChar ? std::string_view(&character_, 1) : std::string_view(inserted_);
      after = box.InsertRaw(start, text);
      break;
    }
    case kDeleteBackward:
    case kDeleteForward:
      if (selection) {
        replaced_ = box.RemoveRaw(start, end);
        break;
      }
      replaced_.clear();
      if (type_ == kDeleteBackward) {
        if (caret_before_ == TextBox::Position{}) return false;
        after = box.Before(caret_before_);
        const std::string removed = box.RemoveRaw(after, caret_before_);
        character_ = removed.empty() ? '\n' : removed[0];
      } else {
        if (caret_before_ >= box.End()) return false;
        const std::string removed = box.RemoveRaw(caret_before_, box.After(caret_before_));
        character_ = removed.empty() ? '\n' : removed[0];
        after = caret_before_;
      }
      break;
    case kDeleteSelection:
      if (!selection) return false;
      replaced_ = box.RemoveRaw(start, end);
      break;
    default:
      return false;
  }
  caret_after_ = anchor_after_ = after;
  box.PlaceCaret(caret_after_, anchor_after_);
  return true;
}

void TextBoxAction::Undo() {
  TextBox& box = *box_;
  box.PlaceCaret(caret_after_, anchor_after_);
  const TextBox::Position start = std::min(caret_before_, anchor_before_);
  switch (type_) {
    case kTypeChar:
    case kInsertString:
      box.RemoveRaw(start, caret_after_);
      if (!replaced_.empty()) box.InsertRaw(start, replaced_);
      break;
    case kDeleteBackward:
    case kDeleteForward:
      if (!replaced_.empty())
        box.InsertRaw(start, replaced_);
      else
        box.InsertRaw(caret_after_, std::string_view(&character_, 1));
      break;
    case kDeleteSelection:
      box.InsertRaw(start, replaced_);
      break;
    default:
      break;
  }
  box.PlaceCaret(caret_before_, anchor_before_);
}
