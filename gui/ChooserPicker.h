#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/Signal.h"
#include "gui/Window.h"

// A one-line choice among a few texts (file types, a chooser's extra options): it shows the
// chosen text; a left click or Right/Down takes the next, a right click or Left/Up the
// previous, both wrapping around.
class ChooserPicker : public Window {
 public:
  explicit ChooserPicker(Window* parent);

  void SetChoices(std::vector<std::string> choices, size_t index);
  // Out-of-range indexes mean the first; emits `changed` when the index changes.
  void SetIndex(size_t index);
  size_t Index() const { return index_; }
  size_t ChoiceCount() const { return choices_.size(); }
  const std::string& Text() const;

  Signal changed;  // argument: the new index

  const char* GetClassName() const override { return "ChooserPicker"; }
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void Draw() override;

 private:
  void Step(int32_t by);

  std::vector<std::string> choices_;
  size_t index_ = 0;
};
