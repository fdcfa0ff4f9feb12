#include "gui/UndoHistory.h"

#include "gui/NullAction.h"

UndoHistory::UndoHistory() {
  first_ = last_ = current_ = new NullAction;
  count_ = 1;
}

UndoHistory::~UndoHistory() {
  DeleteAfter(first_);
  delete first_;
}

void UndoHistory::DeleteAfter(UndoableAction* action) {
  UndoableAction* next = action->next_;
  action->next_ = nullptr;
  last_ = action;
  while (next) {
    UndoableAction* after = next->next_;
    delete next;
    --count_;
    next = after;
  }
}

bool UndoHistory::Add(UndoableAction* action, bool already_done) {
  if (!action) return false;
  // The steps that were undone are dropped only once the new action has been done: a refused
  // action must leave them to redo.
  if (!already_done && !action->Do()) {
    delete action;
    return false;
  }
  // After Clear there is no current action; the new one follows the first entry.
  DeleteAfter(current_ ? current_ : first_);
  action->previous_ = last_;
  action->next_ = nullptr;
  last_->next_ = action;
  last_ = action;
  current_ = action;
  ++count_;
  if (limit_ != kNoLimit && count_ > limit_ && first_->next_ != current_) {
    // The oldest step goes; the first entry stays first.
    UndoableAction* oldest = first_->next_;
    first_->next_ = oldest->next_;
    oldest->next_->previous_ = first_;
    delete oldest;
    --count_;
  }
  return true;
}

bool UndoHistory::CanUndo() const {
  return current_ && current_ != first_;
}

bool UndoHistory::CanRedo() const {
  return current_ && current_->next_;
}

bool UndoHistory::Undo() {
  if (!CanUndo()) return false;
  UndoableAction* action = current_;
  current_ = action->previous_;
  action->Undo();
  return true;
}

bool UndoHistory::Redo() {
  if (!CanRedo()) return false;
  UndoableAction* action = current_->next_;
  current_ = action;
  action->Do();
  return true;
}

void UndoHistory::Clear() {
  DeleteAfter(first_);
  current_ = nullptr;
}
