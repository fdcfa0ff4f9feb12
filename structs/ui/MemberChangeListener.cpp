#include "structs/ui/MemberChangeListener.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/NaturalOrder.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/ListItem.h"
#include "structs/CollectionCache.h"
#include "structs/EnumMember.h"
#include "structs/StructMember.h"
#include "structs/TagMember.h"
#include "structs/ui/MemberTextBox.h"
#include "structs/ui/StructEditor.h"
#include "structs/ui/TagChoices.h"

namespace {
constexpr int32_t kListRows = 16;

uint64_t ComboId(int64_t value) {
  return static_cast<uint32_t>(static_cast<int32_t>(value));
}
int32_t ValueOfComboId(uint64_t id) {
  return static_cast<int32_t>(static_cast<uint32_t>(id));
}

// Text that holds no value yet: nothing typed, or only a sign or a point.
bool HoldsNoValue(const std::string& text) {
  return text.empty() || text == "-" || text == "." || text == "-.";
}
}  // namespace

MemberChangeListener::MemberChangeListener(StructEditor& editor, MemberRef member, Kind kind,
                                           Window* control, std::string name, uint32_t index,
                                           uint32_t bit)
    : member_(member),
      name_(std::move(name)),
      control_(control),
      index_(index),
      bit_(bit),
      editor_(&editor),
      kind_(kind) {
  switch (kind_) {
    case Kind::kInteger:
    case Kind::kNumber: {
      auto* box = static_cast<MemberTextBox*>(control_);
      Connect<&MemberChangeListener::OnTextChanged>(box->text_changed, this);
      Connect<&MemberChangeListener::OnFieldLeft>(box->left, this);
      break;
    }
    case Kind::kBit:
      Connect<&MemberChangeListener::OnClicked>(static_cast<Button*>(control_)->clicked, this);
      break;
    case Kind::kEnum: {
      ComboBox* combo = Combo();
      const auto& entries = static_cast<const EnumMember*>(member_.member)->entries;
      for (const EnumMember::Entry& entry : entries)
        combo->AddItem(ComboId(entry.value), entry.text);
      combo->Fit(kListRows, true);
      Connect<&MemberChangeListener::OnSelectionChanged>(combo->selection_changed, this);
      break;
    }
    case Kind::kTag:
      FillTags();
      Connect<&MemberChangeListener::OnSelectionChanged>(Combo()->selection_changed, this);
      break;
    case Kind::kSequence:
      Connect<&MemberChangeListener::OnSelectionChanged>(Combo()->selection_changed, this);
      break;
  }
}

ComboBox* MemberChangeListener::Combo() const {
  return static_cast<ComboBox*>(control_);
}

void MemberChangeListener::FillTags() {
  ComboBox* combo = Combo();
  const uint32_t group = static_cast<const TagMember*>(member_.member)->group;
  // Already in natural order: the list keeps the order they come in.
  for (const TagChoices::Choice& choice : editor_->Choices().Of(group)) {
    combo->AddItem(choice.id, choice.name);
  }
  combo->AddItem(TagMember::kNoTag, "<no tag>", true);
  combo->FitToWidest(kListRows, editor_->Choices().WidestName(group, combo->ListFont()));
}

void MemberChangeListener::RefillSequences() {
  ComboBox* combo = Combo();
  combo->Clear();
  if (const Collection* collection = editor_->CollectionFor(collection_member_)) {
    struct Named {
      int64_t index;
      std::string name;
    };
    std::vector<Named> sequences;
    for (int64_t i = 0;; ++i) {
      std::optional<std::string> name = CollectionCache::SequenceName(*collection, i);
      if (!name) break;
      if (name->empty()) *name = "Sequence #" + std::to_string(i + 1);
      sequences.push_back({i, std::move(*name)});
    }
    std::stable_sort(sequences.begin(), sequences.end(),
                     [](const Named& a, const Named& b) { return NaturalLess(a.name, b.name); });
    for (const Named& s : sequences) combo->AddItem(ComboId(s.index), s.name);
  }
  combo->AddItem(ComboId(-1), "<no sequence>", true);
  combo->Fit(kListRows, true);
  ShowStored();
}

void MemberChangeListener::ShowStored() {
  switch (kind_) {
    case Kind::kInteger: {
      auto* box = static_cast<MemberTextBox*>(control_);
      box->SetText(std::to_string(membervalue::Read(member_, index_)));
      break;
    }
    case Kind::kNumber:
      static_cast<MemberTextBox*>(control_)->SetNumber(membervalue::Shown(member_, index_));
      break;
    case Kind::kBit:
      static_cast<Button*>(control_)->SetState(
          membervalue::ReadBit(member_, bit_) ? Button::kOn : Button::kUp, true);
      break;
    case Kind::kEnum: {
      const auto* member = static_cast<const EnumMember*>(member_.member);
      const int64_t value = membervalue::Read(member_, index_);
      const int entry = member->CurrentEntry(value);
      ComboBox* combo = Combo();
      if (entry >= 0) {
        combo->SelectById(ComboId(member->entries[static_cast<size_t>(entry)].value));
      } else if (!combo->SelectById(ComboId(value))) {
        // A value no entry names is shown as its number, and kept.
        combo->AddItem(ComboId(value), std::to_string(value), true);
        combo->SelectById(ComboId(value));
      }
      break;
    }
    case Kind::kTag: {
      const auto id = static_cast<uint32_t>(membervalue::ReadStored(member_, index_, true));
      ComboBox* combo = Combo();
      if (!combo->SelectById(id)) {
        // Not in the index: named by its four characters, and kept until the user chooses.
        const uint32_t group = static_cast<const TagMember*>(member_.member)->group;
        combo->AddItem(id, editor_->Choices().Label(group, id), true);
        combo->SelectById(id);
      }
      break;
    }
    case Kind::kSequence: {
      const int64_t value = membervalue::ReadStored(member_, index_, false);
      ComboBox* combo = Combo();
      if (!combo->SelectById(ComboId(value))) {
        // Past the collection's sequences (or no collection): the number, and kept.
        combo->AddItem(ComboId(value), "#" + std::to_string(value), true);
        combo->SelectById(ComboId(value));
      }
      break;
    }
  }
}

void MemberChangeListener::OnTextChanged(intptr_t) {
  auto* box = static_cast<MemberTextBox*>(control_);
  if (!box->Typing()) return;
  const int64_t was = membervalue::ReadStored(member_, index_, false);
  if (!before_typing_) before_typing_ = was;
  const std::string text = box->GetText();
  bool written = false;
  if (!HoldsNoValue(text)) {
    if (kind_ == Kind::kInteger) {
      int32_t value = 0;
      written = box->GetInteger(value) && membervalue::WriteInteger(member_, index_, value);
    } else {
      double value = 0;
      written = box->GetNumber(value) && membervalue::WriteEntered(member_, index_, value);
    }
  }
  // What is typed now is no value the member takes: the member holds what it held before the
  // typing began, not the last value that happened to fit on the way.
  if (!written) membervalue::WriteStored(member_, index_, *before_typing_);
  // A key that leaves the value as it was (a refused digit, a trailing point) changes nothing
  // the tag would save.
  if (membervalue::ReadStored(member_, index_, false) != was) editor_->NoteChanged();
}

void MemberChangeListener::OnFieldLeft(intptr_t) {
  before_typing_.reset();
  ShowStored();
}

void MemberChangeListener::OnSelectionChanged(intptr_t argument) {
  const auto* selection = reinterpret_cast<const ComboBox::Selection*>(argument);
  if (!selection || !selection->item) return;
  const int32_t value = ValueOfComboId(selection->id);
  switch (kind_) {
    case Kind::kEnum:
      membervalue::WriteInteger(member_, index_, value);
      break;
    case Kind::kTag:
      membervalue::WriteStored(member_, index_, static_cast<uint32_t>(value));
      editor_->TagChanged(member_);
      break;
    case Kind::kSequence:
      membervalue::WriteStored(member_, index_, value);
      break;
    default:
      return;
  }
  editor_->NoteChanged();
}

void MemberChangeListener::OnClicked(intptr_t) {
  const auto* button = static_cast<Button*>(control_);
  membervalue::WriteBit(member_, bit_, button->GetState() == Button::kOn);
  editor_->NoteChanged();
}
