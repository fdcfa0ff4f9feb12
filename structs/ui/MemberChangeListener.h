#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "base/CleanHeapObject.h"
#include "gui/Signal.h"
#include "structs/MemberValue.h"

class ComboBox;
class StructEditor;
class Window;

// Binds one control of a struct editor to one element (or one bit) of a record member. The
// control's change reaches it and it writes the member, then tells the editor. It writes only
// what the user typed or chose: showing a value, a field reset on leaving it, or text that does
// not read or does not fit the member write nothing.
class MemberChangeListener : public CleanHeapObject<has_slots<void>> {
 public:
  enum class Kind { kInteger, kNumber, kBit, kEnum, kTag, kSequence };

  MemberChangeListener(StructEditor& editor, MemberRef member, Kind kind, Window* control,
                       std::string name, uint32_t index, uint32_t bit);

  // Puts the stored value into the control without writing anything.
  void ShowStored();
  // For a sequence list: the tag member naming its collection (none: only "<no sequence>").
  void SetCollectionMember(MemberRef tag) { collection_member_ = tag; }
  const MemberRef& CollectionMember() const { return collection_member_; }
  // The collection's sequences again, after its tag member changed.
  void RefillSequences();

  const MemberRef& member() const { return member_; }
  const std::string& name() const { return name_; }
  Window* control() const { return control_; }
  uint32_t index() const { return index_; }
  uint32_t bit() const { return bit_; }
  Kind kind() const { return kind_; }

 private:
  void OnTextChanged(intptr_t);
  void OnFieldLeft(intptr_t);
  void OnSelectionChanged(intptr_t argument);
  void OnClicked(intptr_t);
  void FillTags();
  ComboBox* Combo() const;

  MemberRef member_;
  std::string name_;
  Window* control_ = nullptr;
  uint32_t index_ = 0;
  uint32_t bit_ = 0;
  StructEditor* editor_ = nullptr;
  Kind kind_ = Kind::kInteger;
  MemberRef collection_member_;
  // The stored number when the user started typing into the field, put back when what is
  // typed stops being a value the member can hold.
  std::optional<int64_t> before_typing_;
};
