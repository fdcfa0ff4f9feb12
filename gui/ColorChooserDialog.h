#pragma once
#include <array>
#include <cstdint>

#include "gui/Window.h"

class Button;
class TextBox;

// The colour chooser: "Red:", "Green:" and "Blue:" fields, the old and the new colour side by
// side, and sixteen custom colours that last for the run (a click on one takes it, "Add to
// Custom Colours" keeps the new colour in the next place). Enter is OK, Escape cancels; OK with
// a value outside 0-255 beeps and stays.
class ColorChooserDialog : public Window {
 public:
  static constexpr int32_t kCustomCount = 16;

  explicit ColorChooserDialog(const uint8_t rgb[3]);
  const char* GetClassName() const override { return "ColorChooserDialog"; }
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void Draw() override;
  bool RequestClose(bool forced) override;

  // The colour the fields hold; false when one does not read as 0-255.
  bool ReadColor(uint8_t rgb[3]) const;
  TextBox* Field(int32_t channel) const { return fields_[static_cast<size_t>(channel)]; }
  static std::array<uint32_t, kCustomCount>& CustomColors();  // 0xRRGGBB, for the run

  // Client rectangles of the swatches, for drawing and hit tests.
  static Rect CustomRect(int32_t index);
  static Rect OldRect();
  static Rect NewRect();

 private:
  void Confirm();
  void OnOk(intptr_t);
  void OnCancel(intptr_t);
  void OnAddCustom(intptr_t);
  void OnFieldChanged(intptr_t);
  void OnFieldEnter(intptr_t pressed);
  void SetFields(uint32_t rgb);

  uint8_t old_[3];
  std::array<TextBox*, 3> fields_{};
  Button* ok_ = nullptr;
  Button* cancel_ = nullptr;
  Button* add_ = nullptr;
};
