#pragma once

// One step of an undo history. "Do" performs the step (the first time and again for redo)
// and says whether it could; "undo" reverses a step that was done. The history that holds an
// action owns it and links it to its neighbours.
class UndoableAction {
 public:
  UndoableAction() = default;
  UndoableAction(const UndoableAction&) = delete;
  UndoableAction& operator=(const UndoableAction&) = delete;

  virtual bool Do() = 0;
  virtual void Undo() = 0;
  virtual ~UndoableAction();

  UndoableAction* Previous() const { return previous_; }
  UndoableAction* Next() const { return next_; }

 private:
  friend class UndoHistory;
  UndoableAction* previous_ = nullptr;
  UndoableAction* next_ = nullptr;
};
