#pragma once
#include <cstdint>
#include <string>

#include "gui/DialogWindow.h"
#include "structs/DialogControl.h"

class ComboBox;
class TextBox;

// "Edit Control Data": one dialog control's id, type and text. The type menu and the tag field
// say the same thing two ways: choosing a type writes its four characters into the field,
// which is what OK reads, so a type the menu lacks can still be typed.
class EditControlDialog : public DialogWindow {
 public:
  static constexpr const char* kTitle = "Edit Control Data";
  static constexpr int32_t kLabelX = 8;
  static constexpr int32_t kLabelWidth = 48;
  static constexpr int32_t kFieldX = 64;
  static constexpr int32_t kFieldWidth = 192;
  static constexpr int32_t kContentWidth = 264;
  static constexpr int32_t kTextLimit = 255;
  static constexpr int32_t kTypeRows = 8;

  explicit EditControlDialog(const DialogControl& control);
  const char* GetClassName() const override { return "EditControlDialog"; }
  // Refuses (with a message, staying open) an id outside the 16-bit range and a tag field
  // that is not four characters.
  bool Accept() override;
  void OnResized() override;

  // Runs it modally on `control`, which takes the edit on OK. True on OK.
  static bool Edit(DialogControl& control);

  const DialogControl& result() const { return result_; }
  TextBox* IdField() const { return id_; }
  ComboBox* TypeMenu() const { return type_; }
  TextBox* TagField() const { return tag_; }
  TextBox* TextField() const { return text_; }

 private:
  void OnTypeChosen(intptr_t selection);
  int32_t LineHeight() const;

  TextBox* labels_[4] = {};
  TextBox* id_ = nullptr;
  ComboBox* type_ = nullptr;
  TextBox* tag_ = nullptr;
  TextBox* text_ = nullptr;
  DialogControl result_;
  std::string shown_tag_;   // the tag field as first shown
  std::string shown_text_;  // the text as the box took it, to tell whether it was edited
  std::string line_end_;    // what the text's own line breaks are
};
