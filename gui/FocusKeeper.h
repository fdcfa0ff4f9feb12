#pragma once

class Window;

// Remembers the keyboard focus before a modal window takes it and gives it back afterwards.
// The window that had it may have been destroyed meanwhile (a message box's answer can close
// it): it is looked for in the tree by address, never dereferenced until found there. Without
// it, the focus goes to the loop still running, or else to the topmost ordinary window.
class FocusKeeper {
 public:
  FocusKeeper();
  void Restore() const;

 private:
  Window* before_ = nullptr;
};
