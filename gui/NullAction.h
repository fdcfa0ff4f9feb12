#pragma once
#include "gui/UndoableAction.h"

// The step that does nothing: the first entry of every history, so that "current" always has
// something to point at before the first real edit.
class NullAction : public UndoableAction {
 public:
  bool Do() override;
  void Undo() override;
};
