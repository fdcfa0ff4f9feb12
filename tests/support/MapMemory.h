#pragma once
// Chooser memory kept in two maps, so that tests can see and seed what the choosers remember.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "gui/ChooserMemory.h"

class MapMemory : public ChooserMemory {
 public:
  bool GetText(std::string_view key, std::string& out) override {
    auto it = texts.find(std::string(key));
    if (it == texts.end()) return false;
    out = it->second;
    return true;
  }
  void SetText(std::string_view key, const std::string& text) override {
    texts[std::string(key)] = text;
  }
  bool GetNumber(std::string_view key, int32_t& out) override {
    auto it = numbers.find(std::string(key));
    if (it == numbers.end()) return false;
    out = it->second;
    return true;
  }
  void SetNumber(std::string_view key, int32_t value) override {
    numbers[std::string(key)] = value;
  }
  std::map<std::string, std::string> texts;
  std::map<std::string, int32_t> numbers;
};
