#include "structs/ui/SubStructArrayEdit.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "gui/Button.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "structs/CollectionCache.h"
#include "structs/StructDefinition.h"
#include "structs/StructInstance.h"
#include "structs/StructMember.h"
#include "structs/TagMember.h"
#include "structs/ui/StructEditor.h"
#include "structs/ui/TagChoices.h"

SubStructArrayEdit::SubStructArrayEdit(StructEditor& editor, MemberRef array,
                                       MemberRef runtime_count, const std::string& text_target,
                                       Window* parent)
    : Window(WindowFlag::Visible, parent),
      element_(array.member->nested),
      editor_(&editor),
      array_(array),
      runtime_count_(runtime_count) {
  if (!text_target.empty()) text_target_ = element_->FindMember(text_target);
  list_ = new ListWindow(0, WindowFlag::Visible | WindowFlag::ThinFrame, this);
  add_ = new Button(this, "Add", 0);
  delete_ = new Button(this, "Delete", 1);
  duplicate_ = new Button(this, "Duplicate", 2);
  int32_t x = 0;
  for (Button* b : {add_, delete_, duplicate_}) {
    b->SizeToFit();
    const Rect r = b->FrameRectInParent();
    b->SetFrameRect({x, kButtonTop, x + r.Width(), kButtonTop + r.Height()});
    b->Show();
    x += r.Width() + kButtonGap;
  }
  const int32_t buttons = x - kButtonGap;
  list_->SetFrameRect({0, 0, buttons + 16, kListHeight});
  SetFrameRect({0, 0, buttons + 16, kButtonTop + add_->FrameRect().Height()});
  add_->Show(runtime_count_.member != nullptr);

  Connect<&SubStructArrayEdit::OnAdd>(add_->clicked, this);
  Connect<&SubStructArrayEdit::OnDelete>(delete_->clicked, this);
  Connect<&SubStructArrayEdit::OnDuplicate>(duplicate_->clicked, this);
  Connect<&SubStructArrayEdit::OnDelete>(list_->delete_requested, this);
  Connect<&SubStructArrayEdit::OnSelectionChanged>(list_->selection_changed, this);
  Connect<&SubStructArrayEdit::OnActivated>(list_->activated, this);
  Refresh();
}

uint32_t SubStructArrayEdit::Capacity() const {
  return array_.member->count;
}

uint32_t SubStructArrayEdit::UsedCount() const {
  return membervalue::UsedCount(*array_.instance, *array_.member);
}

uint8_t* SubStructArrayEdit::Element(uint32_t index) const {
  return array_.instance->bytes().data() + array_.member->offset +
         size_t{index} * array_.member->width;
}

void SubStructArrayEdit::SetUsedCount(uint32_t count) {
  if (runtime_count_.member) {
    membervalue::WriteInteger(runtime_count_, 0, std::min(Capacity(), count));
  }
}

std::string SubStructArrayEdit::RowText(uint32_t index) {
  const std::string fallback = element_->name() + " #" + std::to_string(index + 1);
  if (!text_target_) return fallback;
  StructInstance element(*array_.instance, *array_.member, index);
  const MemberRef target{text_target_, &element};
  if (text_target_->type == MemberType::kTag) {
    const auto id = static_cast<uint32_t>(membervalue::ReadStored(target, 0, true));
    const uint32_t group = static_cast<const TagMember*>(text_target_)->group;
    // A tag the index does not hold is listed by its id: the element stays reachable.
    return editor_->Choices().Label(group, id);
  }
  if (text_target_->type == MemberType::kSequenceIndex) {
    const int64_t sequence = membervalue::ReadStored(target, 0, false);
    const MemberRef collection = membervalue::Resolve(element, "collection");
    if (const Collection* c = editor_->CollectionFor(collection)) {
      const std::optional<std::string> name = CollectionCache::SequenceName(*c, sequence);
      if (name && !name->empty()) return *name;
    }
    return "Sequence #" + std::to_string(index + 1);
  }
  return fallback;
}

void SubStructArrayEdit::Refresh() {
  const ListItem* selected = list_->SelectedItem();
  const uint64_t selected_id = selected ? selected->id : ~uint64_t{0};
  list_->Clear();
  const uint32_t used = UsedCount();
  for (uint32_t i = 0; i < used; ++i) list_->AddItem(nullptr, 0, 0, i, RowText(i));
  list_->Refresh();
  if (ListItem* again = list_->FindItemById(selected_id)) list_->Select(again, false);
  UpdateButtons();
}

void SubStructArrayEdit::UpdateButtons() {
  const uint32_t used = UsedCount();
  add_->SetEnabled(used < Capacity());
  delete_->SetEnabled(list_->ItemCount() > 0);
  duplicate_->SetEnabled(list_->SelectedItem() != nullptr && used < Capacity());
}

int32_t SubStructArrayEdit::OpenElement(uint32_t index, const std::string& title) {
  auto* nested = new StructEditor(*editor_, *array_.instance, *array_.member, index, title);
  return nested->RunModal();
}

void SubStructArrayEdit::AddElement() {
  if (!runtime_count_.member) return;
  const uint32_t n = UsedCount();
  if (n >= Capacity()) return;
  SetUsedCount(n + 1);
  const std::string title = element_->name() + " #" + std::to_string(n + 1);
  if (OpenElement(n, title) == 0) SetUsedCount(n);
  Refresh();
}

void SubStructArrayEdit::DuplicateSelected() {
  const ListItem* item = list_->SelectedItem();
  const uint32_t n = UsedCount();
  if (!item || n >= Capacity()) return;
  const auto source = static_cast<uint32_t>(item->id);
  const size_t width = array_.member->width;
  // Element n as it was, for a cancel: the nested editor's own backup is taken after the copy.
  std::vector<uint8_t> before(Element(n), Element(n) + width);
  std::memmove(Element(n), Element(source), width);
  SetUsedCount(n + 1);
  const std::string title = element_->name() + " #" + std::to_string(n + 1);
  if (OpenElement(n, title) == 0) {
    std::memcpy(Element(n), before.data(), width);
    SetUsedCount(n);
  }
  Refresh();
}

void SubStructArrayEdit::DeleteSelected() {
  const ListItem* item = list_->SelectedItem();
  if (!item) return;
  const uint32_t n = UsedCount();
  const auto index = static_cast<uint32_t>(item->id);
  if (index >= n) return;
  const size_t width = array_.member->width;
  std::memmove(Element(index), Element(index + 1), (n - index - 1) * width);
  const uint32_t used = n > 0 ? n - 1 : 0;
  SetUsedCount(used);
  std::memset(Element(used), 0, (Capacity() - used) * width);
  list_->Select(nullptr, false);
  Refresh();
  editor_->NoteChanged();
}

void SubStructArrayEdit::OnActivated(intptr_t argument) {
  const auto* item = reinterpret_cast<const ListItem*>(argument);
  if (!item) return;
  const auto index = static_cast<uint32_t>(item->id);
  const std::string title = item->text;
  OpenElement(index, title);
  Refresh();
}
