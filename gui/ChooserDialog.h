#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/ChooserModel.h"
#include "gui/Choosers.h"
#include "gui/Window.h"

class Button;
class ComboBox;
class ListWindow;
struct ListItem;
class TextBox;

// The file and folder chooser window: the folder shown on top, its list, the name field, the
// file-type combo box (or "Target Format:"), the caller's extra options, and the confirm and
// cancel buttons. It decides nothing about paths itself (ChooserModel does); it only turns
// what is on screen into file system bytes and back through the character map.
class ChooserDialog : public Window {
 public:
  ChooserDialog(ChooserOp op, const FileKind& kind, const char* title,
                std::vector<ChooserOption>* options);

  // The folder shown first, the file type picked first and the name proposed in the field.
  void Start(const std::filesystem::path& folder, size_t filter_index, std::string_view name);
  // Runs the modal loop; true when confirmed, with Chosen() filled in and the extra options'
  // choices stored back.
  bool Run();

  void OpenFolder(const std::filesystem::path& folder);
  void Confirm();
  void Cancel();
  void GoUp();

  const std::filesystem::path& Folder() const { return folder_; }
  size_t FilterIndex() const { return filter_; }
  const std::vector<std::filesystem::path>& Chosen() const { return chosen_; }
  const std::string& ListError() const { return list_error_; }
  // The folder's rows: each item's id is the index of its entry.
  ListWindow* List() const { return list_; }
  const ChooserEntry& EntryOf(const ListItem& item) const;
  TextBox* NameField() const { return name_; }
  // Null when the kind has no file types to pick from.
  ComboBox* TypeCombo() const { return type_; }
  ComboBox* OptionCombo(size_t index) const;

  const char* GetClassName() const override { return "ChooserDialog"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  bool OnKey(InputEvent& event) override;
  bool RequestClose(bool forced) override;

 private:
  void Layout();
  void Relist();
  bool ConfirmSelection();
  bool Accept(std::vector<std::filesystem::path> paths);
  // The selected items in row order, which is the order of their entries.
  const std::vector<const ListItem*>& SelectedInRowOrder();
  void OnEnter(intptr_t down);
  void OnSelection(intptr_t);
  void OnActivated(intptr_t item);
  void OnTypeChanged(intptr_t selection);
  void OnButton(intptr_t id);

  ChooserOp op_;
  const FileKind& kind_;
  std::vector<ChooserOption>* options_;
  std::filesystem::path folder_;
  size_t filter_ = 0;
  std::string list_error_;
  std::vector<ChooserEntry> entries_;
  std::vector<const ListItem*> selected_scratch_;
  bool relisting_ = false;
  // What the list put into the name field: while the field still holds it, the selected
  // entries' own names are used, which survive names the 8-bit text cannot show.
  std::string field_from_list_;
  std::vector<std::filesystem::path> chosen_;

  TextBox* path_ = nullptr;
  ListWindow* list_ = nullptr;
  TextBox* name_label_ = nullptr;
  TextBox* name_ = nullptr;
  TextBox* type_label_ = nullptr;
  ComboBox* type_ = nullptr;
  std::vector<TextBox*> option_labels_;
  std::vector<ComboBox*> option_combos_;
  Button* confirm_ = nullptr;
  Button* cancel_ = nullptr;
};
