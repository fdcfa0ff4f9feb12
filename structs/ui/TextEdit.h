#pragma once
#include <cstdint>

#include "tags/ui/TagEdit.h"

class TextBox;

// The editor of the text groups (ditl, scri, stli, temp, text): the tag's text in one
// multi-line box filling the window, saved with carriage-return line ends.
class TextEdit : public TagEdit {
 public:
  static constexpr Size kClientSize{640, 480};
  static constexpr const char* kLog = "TextEdit";

  explicit TextEdit(const TagHeader& header);
  // The factory of the groups' rows.
  static TagEdit* Make(const TagHeader& header);

  const char* GetClassName() const override { return "TextEdit"; }
  void OnResized() override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;
  bool ReadData(TagStream& stream, const TagHeader& header) override;

  TextBox* Box() const { return box_; }

 private:
  void OnTextChanged(intptr_t);

  TextBox* box_ = nullptr;
  bool loading_ = false;
};
