#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "gui/Window.h"
#include "tags/TagHeader.h"

class ByteWriter;
class CodexEntry;
class TagStream;

// Base of every tag editor: a top-level window that keeps a private copy of one tag's data and
// saves it into the local folder. While shown it is attached to the tag's entry under `edit`,
// which makes the tag count as in use; closing it detaches it. The header's name is the title,
// with "*" after it while there are unsaved changes.
//
// Editors work on the program's index (ProgramCodex()).
class TagEdit : public Window {
 public:
  static constexpr uint32_t kFlags = WindowFlag::TitleBar | WindowFlag::DropShadow |
                                     WindowFlag::Resizable | WindowFlag::BackgroundB |
                                     WindowFlag::CloseButton | WindowFlag::SecondButton |
                                     WindowFlag::ThirdButton;

  // `header` names the group; the entry comes from Open editor or Create.
  explicit TagEdit(const TagHeader& header);
  ~TagEdit() override;

  // --- The flows every editor goes through.
  // The entry's open editor brought to the front, or a new one loaded from the entry; none
  // when the group has no editor or the tag cannot be loaded (the user is told).
  static TagEdit* OpenEditor(CodexEntry* entry);
  // Asks for a name ("Enter Name for <group>") and creates an editor for a new tag with it.
  static void NewTagDialog(uint32_t group, std::string_view default_name);
  // An editor on a new, unsaved tag, shown dirty; none (the user is told) when the tag cannot
  // be created. Nothing is written before the first save.
  static TagEdit* CreateEditor(uint32_t group, std::string_view name);
  // Saves and tells the user when that fails; a failed save keeps the editor dirty.
  bool SaveAndReport();
  // Sets the dirty flag and the title ("<name>*" or "<name>"). Every change calls it.
  void MarkDirty(bool dirty);

  // --- What each editor may replace, in this order.
  virtual bool WriteData(ByteWriter& out, TagHeader& header);
  virtual bool Save();
  virtual bool ReadData(TagStream& stream, const TagHeader& header);
  virtual bool Load();
  // A new tag of the group with the name (tag id derived from it, never overwriting).
  virtual bool Create(uint32_t group, std::string_view name);
  // Called when the user closes without saving; false keeps the window open.
  virtual bool Discard();
  // Attaches the editor to its entry, places it, shows it and gives it the focus. (Hides the
  // plain Window::Show; use Window::Show or Hide for visibility alone.)
  virtual void Show();

  // --- Window
  const char* GetClassName() const override { return "TagEdit"; }
  // With unsaved changes asks "Save?": Save (a failed save keeps the window), Discard or
  // Cancel.
  bool RequestClose(bool forced) override;
  void OnClose() override;
  bool OnKey(InputEvent& event) override;
  FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;

  bool dirty() const { return dirty_ != 0; }
  CodexEntry* entry() const { return entry_; }
  const TagHeader& header() const { return header_; }

 protected:
  TagHeader& mutable_header() { return header_; }
  // For an editor whose tag lives in a shared resource, which loads or creates it: the entry
  // and header the resource holds become the editor's.
  void TakeEntry(CodexEntry* entry, const TagHeader& header) {
    entry_ = entry;
    header_ = header;
  }
  // Why the tag's data does not load (lower case, no full stop): a line in `log`, and the
  // second paragraph of the box that tells the user.
  void ReportLoadProblem(const char* log, const std::string& why);
  // The editor has told the user itself why the tag does not open: no second box.
  void LoadAlreadyReported() { load_reported_ = true; }
  // The control that takes the focus when the editor gets it.
  void SetInitialFocus(Window* control) { initial_focus_ = control; }

 private:
  void LeaveEntry();

  uint32_t dirty_ = 0;
  CodexEntry* entry_ = nullptr;
  TagHeader header_;
  bool attached_ = false;
  std::string load_problem_;
  bool load_reported_ = false;
  Window* initial_focus_ = nullptr;
};
