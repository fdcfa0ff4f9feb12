#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Where the choosers remember the last folder and file type of each kind of file. The program
// keeps them in its preferences; the toolkit only sees this interface.
class ChooserMemory {
 public:
  virtual ~ChooserMemory() = default;
  virtual bool GetText(std::string_view key, std::string& out) = 0;
  virtual void SetText(std::string_view key, const std::string& text) = 0;
  virtual bool GetNumber(std::string_view key, int32_t& out) = 0;
  virtual void SetNumber(std::string_view key, int32_t value) = 0;
};
