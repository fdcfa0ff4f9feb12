#pragma once
#include "gui/ChooserMemory.h"

// The choosers' memory kept in the program's preferences (LastImageSavePath, ...).
class PrefsChooserMemory : public ChooserMemory {
 public:
  bool GetText(std::string_view key, std::string& out) override;
  void SetText(std::string_view key, const std::string& text) override;
  bool GetNumber(std::string_view key, int32_t& out) override;
  void SetNumber(std::string_view key, int32_t value) override;
};
