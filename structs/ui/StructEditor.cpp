#include "structs/ui/StructEditor.h"

#include <tinyxml.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/ComboBox.h"
#include "gui/FocusKeeper.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"
#include "structs/CollectionCache.h"
#include "structs/StructDefinition.h"
#include "structs/StructInstance.h"
#include "structs/StructRegistry.h"
#include "structs/TagMember.h"
#include "structs/VornStructMember.h"
#include "structs/ui/MemberChangeListener.h"
#include "structs/ui/MemberTextBox.h"
#include "structs/ui/SubStructArrayEdit.h"
#include "structs/ui/Table.h"
#include "structs/ui/TagChoices.h"
#include "tags/Codex.h"

namespace {
constexpr int32_t kFieldWidth = 64;
constexpr int32_t kLabelHeight = 21;
constexpr uint32_t kPanelFlags = WindowFlag::TitleBar | WindowFlag::ThickFrame |
                                 WindowFlag::BackgroundA | WindowFlag::DropShadow |
                                 WindowFlag::CloseButton;

// A whole decimal number; none for anything else.
std::optional<uint32_t> ReadIndex(const char* text) {
  if (!text) return std::nullopt;
  uint32_t value = 0;
  const char* end = text + std::strlen(text);
  const auto [ptr, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string TextOf(const TiXmlElement& element, const char* name) {
  const char* text = element.Attribute(name);
  return text ? text : "";
}

void SetWidth(Window* w, int32_t width) {
  const Rect r = w->FrameRectInParent();
  w->SetFrameRect({r.left, r.top, r.left + width, r.bottom});
}
}  // namespace

// What a substruct button or a panel button opens.
struct StructEditor::Opener : CleanHeapObject<has_slots<void>> {
  StructEditor* editor = nullptr;
  MemberRef member;
  std::string title;
  Table* panel = nullptr;

  void OnClicked(intptr_t) {
    if (panel) {
      // The panel belongs to its editor, which destroys it; while it shows it is lifted into
      // the top layer, centred over everything.
      const FocusKeeper focus;
      panel->SetParent(WM().Layer1());
      panel->CenterInParent();
      panel->Show();
      WM().BringToFront(panel);
      WM().RunModal(panel, WindowManager::kModalKeys | WindowManager::kModalDim);
      panel->Hide();
      panel->SetParent(editor);
      focus.Restore();
      return;
    }
    auto* nested = new StructEditor(*editor, *member.instance, *member.member, 0, title);
    nested->RunModal();
  }
};

StructEditor::StructEditor(const StructDefinition& definition, const StructRegistry& registry,
                           Window* parent)
    : Window(WindowFlag::Visible, parent),
      definition_(&definition),
      registry_(&registry),
      instance_(std::make_unique<StructInstance>(definition)) {}

StructEditor::StructEditor(StructEditor& enclosing, StructInstance& record,
                           const StructMember& member, uint32_t index, const std::string& title)
    : Window(kNestedFlags, nullptr),
      definition_(member.nested),
      registry_(enclosing.registry_),
      instance_(std::make_unique<StructInstance>(record, member, index)),
      enclosing_(&enclosing) {
  SetTitle(title.c_str());
  backup_ = instance_->Snapshot();
  Connect<&StructEditor::OnNestedChanged>(changed, &enclosing);
  Build();
}

StructEditor::~StructEditor() {
  // The listeners go before their controls' signals could reach them again.
  listeners_.clear();
  openers_.clear();
  CollectionCache& cache = ProgramCollectionCache();
  for (const auto& [id, collection] : collections_) cache.Release(id);
}

StructEditor& StructEditor::Top() {
  StructEditor* e = this;
  while (e->enclosing_) e = e->enclosing_;
  return *e;
}

TagChoices& StructEditor::Choices() {
  StructEditor& top = Top();
  if (!top.choices_) top.choices_ = std::make_unique<TagChoices>(ProgramCodex());
  return *top.choices_;
}

bool StructEditor::Build() {
  const TiXmlElement* layout = registry_->FindLayout(definition_->name());
  if (layout) {
    table_ = Table::Build(*layout, *this, this);
  } else {
    table_ = new Table(this);
    table_->LayOut();
  }
  table_->SetExtraHeight(kButtonRow);
  Rect frame = table_->FrameRectInParent();
  // Both buttons fit however narrow the table.
  const int32_t width = std::max(frame.Width(), 2 * kButtonWidth + 16);
  const int32_t height = frame.Height();
  table_->SetFrameRect({0, 0, width, height});

  ok_ = new Button(table_, "OK", 1);
  cancel_ = new Button(table_, "Cancel", 0);
  const int32_t button_height = Button::Height();
  ok_->SetFrameRect({width - 208, height - kButtonRow, width - 208 + kButtonWidth,
                     height - kButtonRow + button_height});
  cancel_->SetFrameRect({width - 104, height - kButtonRow, width - 104 + kButtonWidth,
                         height - kButtonRow + button_height});
  ok_->Show();
  cancel_->Show();
  Connect<&StructEditor::OnOk>(ok_->clicked, this);
  Connect<&StructEditor::OnCancel>(cancel_->clicked, this);
  controls_.emplace_back("OK", ok_);
  controls_.emplace_back("Cancel", cancel_);
  tab_chain_.push_back(ok_);
  tab_chain_.push_back(cancel_);
  Window::SetTabOrder(tab_chain_);

  if (enclosing_) {
    SetClientSize({width, height});
  } else {
    const Rect at = FrameRectInParent();
    SetFrameRect({at.left, at.top, at.left + width, at.top + height});
  }
  return layout != nullptr;
}

Window* StructEditor::MakeChild(const TiXmlElement& element, Window* parent) {
  const char* name = element.Value();
  if (std::strcmp(name, "item") == 0) return MakeItem(element, parent);
  if (std::strcmp(name, "structedit") == 0) return MakePanelButton(element, parent);
  if (std::strcmp(name, "label") == 0) {
    auto* label = new TextBox(TextBox::kLabel, parent);
    const std::string text = TextOf(element, "text");
    label->SetText(text);
    const int32_t width = MeasureTextWidth(label->GetFont(), text, 0) + 1;
    label->SetFrameRect({0, 0, width, kLabelHeight});
    label->Show();
    return label;
  }
  return nullptr;
}

Window* StructEditor::MakePanelButton(const TiXmlElement& element, Window* parent) {
  // The panel's controls form a Tab ring of their own: it shows apart from the editor.
  std::vector<Window*> outer_chain;
  outer_chain.swap(tab_chain_);
  Table* panel = Table::Build(element, *this, this);
  std::vector<Window*> panel_chain;
  panel_chain.swap(tab_chain_);
  tab_chain_.swap(outer_chain);
  if (!panel_chain.empty()) Window::SetTabOrder(panel_chain);

  const Rect size = panel->FrameRectInParent();
  const std::string caption = TextOf(element, "caption");
  panel->SetTitle(caption.c_str());
  panel->SetFlags(kPanelFlags);
  panel->SetClientSize({size.Width(), size.Height()});
  panels_.push_back(panel);

  auto opener = std::make_unique<Opener>();
  opener->panel = panel;
  Button* button = MakeOpenerButton(caption, std::move(opener), parent);
  AddControl("panel:" + caption, button);
  return button;
}

Button* StructEditor::MakeOpenerButton(const std::string& label, std::unique_ptr<Opener> opener,
                                       Window* parent) {
  auto* button = new Button(parent, label.c_str(), 0);
  button->SizeToFit();
  button->Show();
  opener->editor = this;
  Connect<&Opener::OnClicked>(button->clicked, opener.get());
  openers_.push_back(std::move(opener));
  return button;
}

Window* StructEditor::MakeItem(const TiXmlElement& element, Window* parent) {
  const char* target = element.Attribute("target");
  if (!target) return nullptr;
  const MemberRef ref = membervalue::Resolve(*instance_, target);
  if (!ref) return nullptr;
  const StructMember& member = *ref.member;

  std::string key = target;
  uint32_t index = 0;
  if (element.Attribute("index")) {
    const std::optional<uint32_t> read = ReadIndex(element.Attribute("index"));
    // An element past the member's count has nothing to show.
    if (!read || *read >= member.count) return nullptr;
    index = *read;
    key += "[" + std::to_string(index) + "]";
  }
  std::optional<uint32_t> bit;
  if (element.Attribute("bit")) {
    bit = ReadIndex(element.Attribute("bit"));
    if (!bit) return nullptr;
  }
  const std::string text = TextOf(element, "text");
  using Kind = MemberChangeListener::Kind;

  switch (member.type) {
    case MemberType::kSubstruct: {
      if (!member.nested) return nullptr;
      const auto& vorn = static_cast<const VornStructMember&>(member);
      const MemberRef runtime = vorn.runtime_count.empty()
                                    ? MemberRef{}
                                    : membervalue::Resolve(*instance_, vorn.runtime_count);
      if (member.count == 1 && !runtime) {
        auto opener = std::make_unique<Opener>();
        opener->member = ref;
        opener->title = text;
        Button* button = MakeOpenerButton(text, std::move(opener), parent);
        AddControl(key, button);
        return button;
      }
      auto* array =
          new SubStructArrayEdit(*this, ref, runtime, TextOf(element, "text_target"), parent);
      AddControl(key, array->List());
      AddControl(key + "/Add", array->AddButton());
      AddControl(key + "/Delete", array->DeleteButton());
      AddControl(key + "/Duplicate", array->DuplicateButton());
      return array;
    }
    case MemberType::kTag:
    case MemberType::kShortEnum:
    case MemberType::kByteEnum: {
      auto* combo = new ComboBox(parent, 0);
      combo->Show();
      const Kind kind = member.type == MemberType::kTag ? Kind::kTag : Kind::kEnum;
      Listen(ref, static_cast<int>(kind), combo, element, index, 0);
      AddControl(key, combo);
      return combo;
    }
    case MemberType::kSequenceIndex: {
      auto* combo = new ComboBox(parent, 0);
      combo->Show();
      MemberChangeListener* listener =
          Listen(ref, static_cast<int>(Kind::kSequence), combo, element, index, 0);
      const std::string tag_name = TextOf(element, "tag");
      const MemberRef tag =
          tag_name.empty() ? MemberRef{} : membervalue::Resolve(*instance_, tag_name);
      if (tag && tag.member->type == MemberType::kTag) listener->SetCollectionMember(tag);
      listener->RefillSequences();
      AddControl(key, combo);
      return combo;
    }
    case MemberType::kPadding:
    case MemberType::kColor:
      return nullptr;
    default:
      break;
  }
  if (IsIntegerType(member.type) && bit) {
    auto* box = new CheckBox(parent, text.c_str(), 0);
    box->SizeToFit();
    box->Show();
    Listen(ref, static_cast<int>(Kind::kBit), box, element, index, *bit);
    AddControl(key + ":" + std::to_string(*bit), box);
    return box;
  }
  if (IsIntegerType(member.type) || IsScaledType(member.type)) {
    const bool integer = IsIntegerType(member.type);
    auto* box = new MemberTextBox(integer ? TextBox::kIntegerField : TextBox::kNumberField, parent);
    SetWidth(box, kFieldWidth);
    box->Show();
    Listen(ref, static_cast<int>(integer ? Kind::kInteger : Kind::kNumber), box, element, index, 0);
    AddControl(key, box);
    return box;
  }
  return nullptr;
}

MemberChangeListener* StructEditor::Listen(MemberRef member, int kind, Window* control,
                                           const TiXmlElement& element, uint32_t index,
                                           uint32_t bit) {
  auto listener = std::make_unique<MemberChangeListener>(
      *this, member, static_cast<MemberChangeListener::Kind>(kind), control,
      TextOf(element, "name"), index, bit);
  MemberChangeListener* raw = listener.get();
  listeners_.push_back(std::move(listener));
  if (raw->kind() != MemberChangeListener::Kind::kSequence) raw->ShowStored();
  return raw;
}

void StructEditor::AddControl(std::string key, Window* control) {
  controls_.emplace_back(std::move(key), control);
  tab_chain_.push_back(control);
}

Window* StructEditor::FindControl(const std::string& key) const {
  for (const auto& [name, control] : controls_) {
    if (name == key) return control;
  }
  return nullptr;
}

void StructEditor::NoteChanged() {
  changed.Emit(0);
}

void StructEditor::OnNestedChanged(intptr_t) {
  NoteChanged();
}

void StructEditor::TagChanged(const MemberRef& tag) {
  for (const auto& listener : listeners_) {
    if (listener->kind() != MemberChangeListener::Kind::kSequence) continue;
    const MemberRef& source = listener->CollectionMember();
    if (source.member != tag.member || source.instance != tag.instance) continue;
    membervalue::WriteStored(listener->member(), listener->index(), -1);
    listener->RefillSequences();
  }
}

const Collection* StructEditor::CollectionFor(const MemberRef& tag) {
  if (!tag || tag.member->type != MemberType::kTag) return nullptr;
  const auto* member = static_cast<const TagMember*>(tag.member);
  const auto id = static_cast<uint32_t>(membervalue::ReadStored(tag, 0, true));
  const std::optional<uint32_t> collection_id =
      CollectionCache::CollectionIdFor(ProgramCodex(), member->group, id);
  if (!collection_id) return nullptr;
  for (const auto& [held, collection] : collections_) {
    if (held == *collection_id) return collection;
  }
  const CollectionCache::Acquired acquired = ProgramCollectionCache().Acquire(*collection_id);
  if (!acquired.held) return nullptr;
  collections_.emplace_back(*collection_id, acquired.collection);
  return acquired.collection;
}

int32_t StructEditor::RunModal() {
  WindowManager& wm = WM();
  const FocusKeeper focus;
  CenterInParent();
  Window::Show();
  modal_ = true;
  const int32_t result = wm.RunModal(this, WindowManager::kModalKeys | WindowManager::kModalDim);
  modal_ = false;
  Window::Close(this);
  focus.Restore();
  return result;
}

FocusGain StructEditor::OnFocusGained(Window* /*old_focus*/, int32_t /*reason*/) {
  FocusGain gain;
  if (enclosing_ && ok_ && !ok_->IsBeingDestroyed()) gain.redirect = ok_;
  return gain;
}

bool StructEditor::RequestClose(bool forced) {
  // Closing a nested editor's window is its "Cancel".
  if (enclosing_ && modal_) {
    Finish(0);
    return false;
  }
  return Window::RequestClose(forced);
}

void StructEditor::Finish(int32_t result) {
  if (result == 0 && backup_) instance_->Restore(*backup_);
  if (modal_) WM().EndModal(this, result);
  if (result == 1) NoteChanged();
}

void StructEditor::OnOk(intptr_t) {
  if (enclosing_) {
    Finish(1);
    return;
  }
  accepted.Emit(0);
}

void StructEditor::OnCancel(intptr_t) {
  if (enclosing_) {
    Finish(0);
    return;
  }
  cancelled.Emit(0);
}
