#pragma once
#include <array>
#include <cstdint>

#include "gui/Window.h"

class CheckBox;
class X256EditHost;

// Page "Flags": what the game may use the collection for, the low six usage bits. The other
// usage bits are not the user's to change and are kept as they are.
class X256FlagsEdit : public Window {
 public:
  static constexpr int32_t kBoxCount = 6;
  static constexpr uint32_t kBits = 0x3F;
  static constexpr int32_t kMargin = 8;
  static constexpr int32_t kRow = 24;

  X256FlagsEdit(X256EditHost& host, Window* parent);

  const char* GetClassName() const override { return "X256FlagsEdit"; }
  void Refresh();
  CheckBox* Box(int32_t index) const { return boxes_[static_cast<size_t>(index)]; }
  // `usage` with bit 1 << index set or cleared, every other bit as it was.
  static uint32_t WithBit(uint32_t usage, int32_t index, bool on);

 private:
  void OnBox(intptr_t id);

  X256EditHost& host_;
  std::array<CheckBox*, kBoxCount> boxes_{};
};
