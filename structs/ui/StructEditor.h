#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/Window.h"
#include "structs/MemberValue.h"

class Button;
class Collection;
class MemberChangeListener;
class StructDefinition;
class StructInstance;
class StructMember;
class StructRegistry;
class Table;
class TagChoices;
class TiXmlElement;

// The editor of one record, built from the `structedit` layout named after its definition: a
// table of controls, each bound to a member, and "OK" and "Cancel" below it. The top editor
// owns its record and lives in a tag editor; a nested one edits one element of a substruct of
// the record around it, runs modally, and puts the element back as it was on "Cancel".
class StructEditor : public Window {
 public:
  static constexpr int32_t kButtonWidth = 96;
  static constexpr int32_t kButtonRow = 32;
  static constexpr uint32_t kNestedFlags = WindowFlag::TitleBar | WindowFlag::ThickFrame |
                                           WindowFlag::BackgroundA | WindowFlag::DropShadow |
                                           WindowFlag::Centered | WindowFlag::FloatingLayer |
                                           WindowFlag::CloseButton;

  // A top editor over a zero-filled record of its own, a child of `parent`.
  StructEditor(const StructDefinition& definition, const StructRegistry& registry, Window* parent);
  // A nested editor on element `index` of substruct `member` of `record`, inside `enclosing`
  // (a pop-up titled `title`); the element's bytes are backed up and the controls built.
  StructEditor(StructEditor& enclosing, StructInstance& record, const StructMember& member,
               uint32_t index, const std::string& title);
  ~StructEditor() override;

  // Builds the controls from the layout, adds "OK" and "Cancel" and takes the table's size.
  // False when the definition has no layout (the editor then holds just the two buttons).
  bool Build();
  // Runs a nested editor until "OK" (1) or "Cancel" (0); it is closed afterwards.
  int32_t RunModal();

  const char* GetClassName() const override { return "StructEditor"; }
  bool RequestClose(bool forced) override;
  FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;

  StructInstance& instance() { return *instance_; }
  const StructDefinition& definition() const { return *definition_; }
  const StructRegistry& registry() const { return *registry_; }
  StructEditor* enclosing() const { return enclosing_; }
  StructEditor& Top();
  Table* table() const { return table_; }
  Button* ok_button() const { return ok_; }
  Button* cancel_button() const { return cancel_; }
  const std::vector<std::unique_ptr<MemberChangeListener>>& listeners() const { return listeners_; }
  const std::vector<Table*>& panels() const { return panels_; }
  // Every control with the key a test or a script finds it by: the item's target, with
  // "[index]" when the item names an element, ":bit" for a bit, "/Add", "/Delete" and
  // "/Duplicate" for an array's buttons; "OK" and "Cancel".
  const std::vector<std::pair<std::string, Window*>>& controls() const { return controls_; }
  Window* FindControl(const std::string& key) const;

  // --- Used by the controls.
  // Says the record changed (the tag editor marks the tag modified).
  void NoteChanged();
  // A tag member changed: the sequence lists drawing on it lose their choice and are
  // refilled.
  void TagChanged(const MemberRef& tag);
  // The collection a tag member's value points at (a `.256` tag, or the one a `core` tag
  // names), taken from the program's cache once per editor and given back when it goes.
  const Collection* CollectionFor(const MemberRef& tag);
  TagChoices& Choices();

  Signal changed;    // after every edit through its controls or a nested editor's
  Signal accepted;   // top editor: "OK"
  Signal cancelled;  // top editor: "Cancel"

 private:
  struct Opener;
  friend class Table;
  friend struct Opener;

  // The control for a layout child (an item, a label or a panel); null when it yields none.
  Window* MakeChild(const TiXmlElement& element, Window* parent);
  Window* MakeItem(const TiXmlElement& element, Window* parent);
  Window* MakePanelButton(const TiXmlElement& element, Window* parent);
  // A button labelled `label` that runs `opener` when clicked.
  Button* MakeOpenerButton(const std::string& label, std::unique_ptr<Opener> opener,
                           Window* parent);
  MemberChangeListener* Listen(MemberRef member, int kind, Window* control,
                               const TiXmlElement& element, uint32_t index, uint32_t bit);
  void AddControl(std::string key, Window* control);
  void OnOk(intptr_t);
  void OnCancel(intptr_t);
  void OnNestedChanged(intptr_t);
  void Finish(int32_t result);

  const StructDefinition* definition_ = nullptr;
  const StructRegistry* registry_ = nullptr;
  std::unique_ptr<StructInstance> instance_;
  StructEditor* enclosing_ = nullptr;
  std::optional<std::vector<uint8_t>> backup_;
  Table* table_ = nullptr;
  Button* ok_ = nullptr;
  Button* cancel_ = nullptr;
  std::vector<std::unique_ptr<MemberChangeListener>> listeners_;
  std::vector<std::unique_ptr<Opener>> openers_;
  std::vector<Table*> panels_;
  // The collections taken from the cache by tag id (null: the tag holds no collection that
  // loads), each given back once when the editor goes.
  std::vector<std::pair<uint32_t, const Collection*>> collections_;
  std::unique_ptr<TagChoices> choices_;
  std::vector<std::pair<std::string, Window*>> controls_;
  std::vector<Window*> tab_chain_;  // the controls in layout order, as they are made
  bool modal_ = false;
};
