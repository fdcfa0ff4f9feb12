#pragma once
#include <cstdint>
#include <string>

#include "gui/DialogWindow.h"

class Button;
class CheckBox;
class Collection;
class TextBox;

// "Build Standard Collection": a new local collection from a folder of sequence folders. The
// fields keep their last values in the preferences. The collection is built in memory and
// saved under its tag id by temp file and rename; an old local tag it replaces goes only once
// the new one has been written, so a failed build loses nothing.
class AutoCollectionDialog : public DialogWindow {
 public:
  static constexpr const char* kTitle = "Build Standard Collection";
  static constexpr const char* kPrefOwner = "AutoCollectionDialog";

  struct Request {
    std::string name;
    std::string folder;
    uint32_t tag_id = 0xFFFFFFFF;  // none: derived from the name
    int32_t registration_x = 0;
    int32_t registration_y = 0;
    bool invert_alphas = false;
    bool frames_then_views = true;
  };

  AutoCollectionDialog();
  const char* GetClassName() const override { return "AutoCollectionDialog"; }
  bool Accept() override;
  void OnResized() override;

  // The menu command: the dialog, then the build.
  static void RunCommand();
  // The build after OK: the overwrite question, the build shown folder by folder in the log
  // viewer, the save. True when the collection was written.
  static bool Build(const Request& request);
  // Saves `collection` as the local collection (name, tag id), replacing whatever local tag
  // stands in its way only once the new file is complete; with `over_archive` an archived tag
  // of that id stays and the local copy wins over it. False with `message` set.
  static bool SaveLocal(Collection& collection, uint32_t tag_id, const std::string& name,
                        bool over_archive, std::string& message);

  const Request& request() const { return request_; }
  TextBox* NameField() const { return name_; }
  TextBox* FolderField() const { return folder_; }
  TextBox* TagIdField() const { return tag_id_; }
  TextBox* RegXField() const { return reg_x_; }
  TextBox* RegYField() const { return reg_y_; }

 private:
  void OnChooseFolder(intptr_t);
  void SyncPrefs(bool save);

  TextBox* labels_[5] = {};
  TextBox* name_ = nullptr;
  TextBox* folder_ = nullptr;
  Button* choose_ = nullptr;
  TextBox* tag_id_ = nullptr;
  TextBox* reg_x_ = nullptr;
  TextBox* reg_y_ = nullptr;
  TextBox* y_label_ = nullptr;
  CheckBox* invert_ = nullptr;
  CheckBox* order_ = nullptr;
  Request request_;
};
