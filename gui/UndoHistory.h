#pragma once
#include <cstdint>

#include "gui/UndoableAction.h"

// A linear undo history: a list of actions starting with a NullAction, and the current one
// (the last one done). Undoing steps back, redoing steps forward; adding an action drops the
// steps that had been undone. The history owns its actions.
class UndoHistory {
 public:
  static constexpr uint32_t kNoLimit = 0xFFFFFFFFu;

  UndoHistory();
  ~UndoHistory();
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // Takes `action`. Unless it is already done, runs its "do" first; an action that fails is
  // deleted, and the history (the redo steps included) stays as it was. Returns whether the
  // action was recorded.
  bool Add(UndoableAction* action, bool already_done = false);
  // Both do nothing when there is nothing to undo or redo; they return whether they did.
  bool Undo();
  bool Redo();
  // Deletes every action after the first entry and leaves no current action.
  void Clear();

  bool CanUndo() const;
  bool CanRedo() const;
  uint32_t Count() const { return count_; }  // the first entry included
  UndoableAction* First() const { return first_; }
  UndoableAction* Last() const { return last_; }
  UndoableAction* Current() const { return current_; }
  uint32_t Limit() const { return limit_; }

 private:
  void DeleteAfter(UndoableAction* action);

  UndoableAction* first_ = nullptr;
  UndoableAction* last_ = nullptr;
  uint32_t count_ = 0;
  UndoableAction* current_ = nullptr;
  uint32_t limit_ = kNoLimit;
};
