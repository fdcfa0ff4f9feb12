#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/DialogWindow.h"

class Button;
class CheckBox;
class CodexEntry;
class ComboBox;
class TextBox;

// "Build High-Res Collection": higher-resolution renders of a game collection's sequences
// become alternate bitmaps of its frame views, saved as the collection's local copy. The
// collection is loaded and changed in memory; nothing is written after a FATAL line.
class AutoUpResDialog : public DialogWindow {
 public:
  static constexpr const char* kTitle = "Build High-Res Collection";
  static constexpr const char* kPrefOwner = "AutoUpResDialog";

  struct Request {
    CodexEntry* entry = nullptr;
    std::string folder;
    double target_scale = 1.0;
    double tolerance = 0.05;
    bool invert_alphas = false;
    bool frames_then_views = true;
    bool align_individually = false;
  };

  AutoUpResDialog();
  const char* GetClassName() const override { return "AutoUpResDialog"; }
  bool Accept() override;
  void OnResized() override;

  static void RunCommand();
  // The up-res after "Create": load, the overwrite question, the renders read sequence by
  // sequence in the log viewer, the save. True when the local copy was written.
  static bool UpRes(const Request& request);

  const Request& request() const { return request_; }
  ComboBox* Collections() const { return collection_; }
  TextBox* FolderField() const { return folder_; }
  TextBox* ScaleField() const { return scale_; }
  TextBox* ToleranceField() const { return tolerance_; }
  Button* ChooseButton() const { return choose_; }

 private:
  void OnChooseFolder(intptr_t);
  void SyncPrefs(bool save);

  std::vector<CodexEntry*> entries_;  // the combo box's ids index it
  TextBox* labels_[4] = {};
  ComboBox* collection_ = nullptr;
  TextBox* folder_ = nullptr;
  Button* choose_ = nullptr;
  TextBox* scale_ = nullptr;
  TextBox* tolerance_ = nullptr;
  CheckBox* invert_ = nullptr;
  CheckBox* order_ = nullptr;
  CheckBox* align_ = nullptr;
  Request request_;
};
