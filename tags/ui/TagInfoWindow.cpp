#include "tags/ui/TagInfoWindow.h"

#include <cstring>

#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagOperations.h"

namespace {
constexpr const char* kLabels[TagInfoWindow::kRowCount] = {
    "Tag Name:", "Tag Subgroup:", "Tag Group:", "Tag Size:", "Tag Location:"};
constexpr int32_t kMargin = 8;
constexpr int32_t kRowGap = 4;

// The header's name field as it would be stored: the text in 32 zero-filled bytes.
std::array<char, TagHeader::kNameSize> NameField(std::string_view text) {
  TagHeader h;
  h.SetName(text);
  return h.name;
}
}  // namespace

TagInfoWindow* TagInfoWindow::OpenTagInfo(CodexEntry* entry) {
  if (!entry) return nullptr;
  if (auto* open =
          static_cast<TagInfoWindow*>(ProgramCodex().FindAttachment(*entry, kAttachInfo))) {
    WM().BringToFront(open);
    Window::SetFocus(open, 0);
    return open;
  }
  auto* window = new TagInfoWindow(entry);
  window->Show();
  WM().BringToFront(window);
  Window::SetFocus(window, 0);
  return window;
}

TagInfoWindow::TagInfoWindow(CodexEntry* entry) : Window(kFlags, nullptr), entry_(entry) {
  ProgramCodex().Attach(entry_, kAttachInfo, this);
  for (int row = 0; row < kRowCount; ++row) {
    labels_[row] = new TextBox(TextBox::kLabel, this);
    labels_[row]->SetText(kLabels[row]);
    const bool editable = row == kNameRow || row == kSubgroupRow;
    boxes_[row] = new TextBox(editable ? TextBox::kLineField : TextBox::kLabel, this);
  }
  boxes_[kNameRow]->SetMaxLength(kNameLimit);
  boxes_[kSubgroupRow]->SetMaxLength(kSubgroupLimit);
  // Tag names and ids come from data: "|b" is two characters, not a style switch.
  for (TextBox* box : boxes_) box->SetLiteral(true);
  Window::SetTabOrder({boxes_[kNameRow], boxes_[kSubgroupRow]});
  for (int row : {kNameRow, kSubgroupRow}) {
    Connect<&TagInfoWindow::OnEdited>(boxes_[row]->text_changed, this);
    Connect<&TagInfoWindow::OnEnter>(boxes_[row]->enter, this);
  }
  Fill();

  const int32_t line = boxes_[kNameRow]->FrameRect().Height();
  Size frame;
  FrameSizeForClient(frame, {0, 0});
  const Point at = WM().NextCascadePosition();
  SetFrameRect({at.x, at.y, at.x + kWidth, at.y});
  SetClientSize({kWidth - frame.width, kRowCount * (line + kRowGap) - kRowGap + 2 * kMargin});
}

TagInfoWindow::~TagInfoWindow() {
  LeaveEntry();
}

void TagInfoWindow::LeaveEntry() {
  CodexEntry* entry = entry_;
  entry_ = nullptr;
  if (entry) ProgramCodex().Detach(entry, kAttachInfo, this);
}

void TagInfoWindow::Fill() {
  Codex& codex = ProgramCodex();
  const TagHeader header = codex.EntryHeader(*entry_);
  boxes_[kNameRow]->SetText(header.Name());
  boxes_[kSubgroupRow]->SetText(tagcode::Chars(entry_->tag_id()));
  boxes_[kGroupRow]->SetText(tagcode::Chars(entry_->group()));
  boxes_[kSizeRow]->SetFormattedText("%d", static_cast<int>(header.data_size));
  boxes_[kLocationRow]->SetText(codex.LocationName(*entry_));
  UpdateTitle();
}

bool TagInfoWindow::HasChanges() const {
  if (!entry_) return false;
  const TagHeader header = ProgramCodex().EntryHeader(*entry_);
  if (NameField(boxes_[kNameRow]->GetText()) != header.name) return true;
  // The subgroup as stored: its first four bytes, most significant first.
  return tagcode::Make(boxes_[kSubgroupRow]->GetText()) != entry_->tag_id();
}

void TagInfoWindow::UpdateTitle() {
  std::string title = "Tag Info: " + boxes_[kNameRow]->GetText();
  if (HasChanges()) title += '*';
  SetTitle(title.c_str());
}

void TagInfoWindow::OnEdited(intptr_t) {
  UpdateTitle();
}

void TagInfoWindow::OnEnter(intptr_t down) {
  if (down) Apply();
}

bool TagInfoWindow::Apply() {
  if (!entry_) return false;
  Codex& codex = ProgramCodex();
  const TagHeader header = codex.EntryHeader(*entry_);
  if (entry_->attachment_count() > 1) {
    MessageBoxWindow::ShowError(
        "Tag information for '%s' could not be updated because the tag is still in use.",
        header.Name().c_str());
    return false;
  }
  const std::string subgroup = boxes_[kSubgroupRow]->GetText();
  if (subgroup.size() != 4) {
    MessageBoxWindow::ShowError("The subgroup id must be exactly 4 characters long.");
    return false;
  }
  const std::string name = boxes_[kNameRow]->GetText();
  if (name.empty()) {
    MessageBoxWindow::ShowError("The name field must not be empty.");
    return false;
  }
  const uint32_t new_id = tagcode::Make(subgroup);
  if (new_id != entry_->tag_id()) {
    const CodexEntry* other = codex.FindAny(entry_->group(), new_id);
    if (other && other->has_local_copy()) {
      MessageBoxWindow::ShowError(
          "A tag with the specified group and subgroup combination already exists in the local "
          "folder.");
      return false;
    }
  }
  const bool renamed = NameField(name) != header.name;
  CodexEntry* result =
      tagops::ChangeTagInfo(codex, entry_, new_id != entry_->tag_id() ? new_id : tagcode::kNone,
                            renamed ? std::optional<std::string_view>(name) : std::nullopt);
  if (!result) {
    MessageBoxWindow::ShowError("The tag information could not be changed because of an error.");
    return false;
  }
  if (result != entry_) {
    // Attached to the new entry first, so that the old one may go when this was its last hold.
    codex.Attach(result, kAttachInfo, this);
    CodexEntry* old = entry_;
    entry_ = result;
    codex.Detach(old, kAttachInfo, this);
  }
  Fill();
  return true;
}

bool TagInfoWindow::RequestClose(bool forced) {
  if (HasChanges()) {
    switch (MessageBoxWindow::Show("Save?", "Do you wish to save your changes to the tag?",
                                   {"Save", "Discard", "Cancel"})) {
      case 0:
        if (!Apply()) return false;
        break;
      case 1:
        break;
      default:
        return false;
    }
  }
  return Window::RequestClose(forced);
}

void TagInfoWindow::OnClose() {
  LeaveEntry();
  Window::OnClose();
}

bool TagInfoWindow::OnKey(InputEvent& event) {
  if (event.a == 'S' && (event.flags & kModControl)) {
    if (event.b == 1) Apply();
    return true;
  }
  return Window::OnKey(event);
}

void TagInfoWindow::OnResized() {
  const Rect& client = ClientRect();
  const int32_t line = boxes_[kNameRow]->FrameRect().Height();
  const int32_t box_left = kMargin + kLabelWidth;
  const int32_t box_width = std::max(0, client.Width() - box_left - kMargin);
  for (int row = 0; row < kRowCount; ++row) {
    const int32_t top = kMargin + row * (line + kRowGap);
    labels_[row]->SetFrameRect({kMargin, top, kMargin + kLabelWidth, top + line});
    boxes_[row]->SetFrameRect({box_left, top, box_left + box_width, top + line});
  }
}

FocusGain TagInfoWindow::OnFocusGained(Window* /*old_focus*/, int32_t /*reason*/) {
  FocusGain gain;
  gain.redirect = boxes_[kNameRow];
  return gain;
}
