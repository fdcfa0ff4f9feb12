#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "gui/Window.h"

class CodexEntry;
class TextBox;

// Shows a tag's name, subgroup id, group, data size and location, and lets the user rename and
// re-identify it. Attached to its entry under `info` while open; after a change the window
// follows the tag to the entry it now lives under.
class TagInfoWindow : public Window {
 public:
  static constexpr uint32_t kFlags = WindowFlag::TitleBar | WindowFlag::DropShadow |
                                     WindowFlag::ThinFrame | WindowFlag::BackgroundB |
                                     WindowFlag::CloseButton;
  static constexpr int32_t kWidth = 400;
  static constexpr int32_t kLabelWidth = 90;
  static constexpr int32_t kNameLimit = 31;  // a header name's 32 bytes end with a zero
  static constexpr int32_t kSubgroupLimit = 4;

  enum Row : int { kNameRow, kSubgroupRow, kGroupRow, kSizeRow, kLocationRow, kRowCount };

  // The entry's open info window brought to the front, or a new one on it.
  static TagInfoWindow* OpenTagInfo(CodexEntry* entry);

  explicit TagInfoWindow(CodexEntry* entry);
  ~TagInfoWindow() override;

  // Renames and re-identifies the tag from the two boxes; false (the user is told why) leaves
  // everything as it was.
  bool Apply();
  // Whether the boxes differ from the tag as it is.
  bool HasChanges() const;

  const char* GetClassName() const override { return "TagInfoWindow"; }
  bool RequestClose(bool forced) override;
  void OnClose() override;
  bool OnKey(InputEvent& event) override;
  void OnResized() override;
  FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;

  CodexEntry* entry() const { return entry_; }
  TextBox* Box(Row row) const { return boxes_[row]; }

 private:
  void Fill();
  void UpdateTitle();
  void OnEdited(intptr_t);
  void OnEnter(intptr_t down);
  void LeaveEntry();

  CodexEntry* entry_ = nullptr;
  std::array<TextBox*, kRowCount> labels_{};
  std::array<TextBox*, kRowCount> boxes_{};
};
