#pragma once
#include <array>
#include <cstdint>

#include "gui/Window.h"

class Button;
class TextBox;
class X256EditHost;

// Page "Optimize": the five whole-collection operations, each reporting in a message box.
// While a bitmap window, sequence editor or frame editor is open they would pull bitmaps from
// under it, so the page shows only why it is locked.
class X256OptimizeEdit : public Window {
 public:
  enum Operation : int32_t {
    kDeleteUnused = 0,
    kMergeIdentical = 1,
    kCropAll = 2,
    kAutoRename = 3,
    kRuntimeSize = 4,
    kOperationCount = 5,
  };
  static constexpr const char* kLockText =
      "Please close all bitmap, sequence and sequence edit windows before performing "
      "optimizations.";
  static constexpr int32_t kMargin = 8;
  static constexpr int32_t kButtonWidth = 200;
  static constexpr int32_t kRow = 32;

  X256OptimizeEdit(X256EditHost& host, Window* parent);

  const char* GetClassName() const override { return "X256OptimizeEdit"; }
  void Refresh();
  // Shows the buttons or the lock text, as the open editor windows say.
  void UpdateLock();
  bool IsLocked() const { return locked_; }
  Button* OperationButton(int32_t operation) const {
    return buttons_[static_cast<size_t>(operation)];
  }
  TextBox* LockLabel() const { return lock_; }
  // Runs one operation and shows its report; refused while locked.
  void Run(int32_t operation);

 private:
  void OnButton(intptr_t id);

  X256EditHost& host_;
  std::array<Button*, kOperationCount> buttons_{};
  TextBox* lock_ = nullptr;
  bool locked_ = false;
};
