#pragma once
#include <cstdint>
#include <string>

#include "gui/Window.h"
#include "structs/MemberValue.h"

class Button;
class ListWindow;
class StructDefinition;
class StructEditor;

// An array of nested records: a list of the elements in use, each opening a nested editor,
// and "Add", "Delete" and "Duplicate" below it. With a runtime count member the array holds
// that many elements (clamped to its capacity); without one every element is in use.
class SubStructArrayEdit : public Window {
 public:
  static constexpr int32_t kListHeight = 144;
  static constexpr int32_t kButtonTop = 152;
  static constexpr int32_t kButtonGap = 8;

  SubStructArrayEdit(StructEditor& editor, MemberRef array, MemberRef runtime_count,
                     const std::string& text_target, Window* parent);

  const char* GetClassName() const override { return "SubStructArrayEdit"; }

  // The list again from the record, and the buttons' states.
  void Refresh();
  uint32_t UsedCount() const;
  uint32_t Capacity() const;

  ListWindow* List() const { return list_; }
  Button* AddButton() const { return add_; }
  Button* DeleteButton() const { return delete_; }
  Button* DuplicateButton() const { return duplicate_; }

  // What the buttons and the list do, callable directly.
  void AddElement();
  void DuplicateSelected();
  void DeleteSelected();
  // The nested editor on element `index`; its result (1 OK, 0 Cancel).
  int32_t OpenElement(uint32_t index, const std::string& title);

 private:
  void UpdateButtons();
  std::string RowText(uint32_t index);
  void SetUsedCount(uint32_t count);
  uint8_t* Element(uint32_t index) const;
  void OnAdd(intptr_t) { AddElement(); }
  void OnDelete(intptr_t) { DeleteSelected(); }
  void OnDuplicate(intptr_t) { DuplicateSelected(); }
  void OnSelectionChanged(intptr_t) { UpdateButtons(); }
  void OnActivated(intptr_t argument);

  ListWindow* list_ = nullptr;
  Button* add_ = nullptr;
  Button* delete_ = nullptr;
  Button* duplicate_ = nullptr;
  const StructDefinition* element_ = nullptr;
  StructEditor* editor_ = nullptr;
  MemberRef array_;
  MemberRef runtime_count_;
  const StructMember* text_target_ = nullptr;
};
