#include "terrain/ui/DetailAttributesDialog.h"

#include "gui/ColorButton.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"

namespace {
constexpr uint32_t kDtex = tagcode::Make("dtex");
constexpr int32_t kLabelWidth = 112;
constexpr int32_t kRow = 24;
}  // namespace

DetailAttributesDialog::DetailAttributesDialog(const TerrainRow& start)
    : DialogWindow(kTitle), result_(start) {
  Codex& codex = ProgramCodex();
  textures_.push_back({DetailSlot::kNoTexture, kNoTag});
  for (CodexEntry* entry : codex.Combined()) {
    const TagHeader header = codex.EntryHeader(*entry);
    if (header.group == kDtex) textures_.push_back({header.tag_id, header.Name()});
  }
  list_ =
      new ListWindow(ListStyle::KeepSelection, WindowFlag::Visible | WindowFlag::ThinFrame, this);
  ListItem* chosen = nullptr;
  for (size_t i = 0; i < textures_.size(); ++i) {
    ListItem* item = list_->AddItem(nullptr, 0, 0, i, textures_[i].name);
    if (textures_[i].dtex == start.dtex && !chosen) chosen = item;
  }
  list_->Refresh();
  color_label_ = new TextBox(TextBox::kLabel, this);
  color_label_->SetText("Highlight Color:");
  color_ = new ColorButton(this);
  color_->SetColor(MakeColor(start.red, start.green, start.blue));
  description_label_ = new TextBox(TextBox::kLabel, this);
  description_label_->SetText("Description:");
  description_ = new TextBox(TextBox::kLineField, this);
  description_->SetMaxLength(kMaxDescription);
  description_->SetText(start.name == kNoTag ? std::string() : start.name);
  proposed_ = description_->GetText();
  if (chosen) {
    list_->Select(chosen, false);
    list_->ScrollIntoView(chosen);
  } else {
    list_->Select(list_->FirstItem(), false);
  }
  ::Connect<&DetailAttributesDialog::OnSelection>(list_->selection_changed, this);
  SetClientSize(kSize);
  OnResized();
  Window::SetTabOrder({list_, color_, description_});
  SetTabOrder(description_);
  Window::SetFocus(list_, 0);
}

void DetailAttributesDialog::OnResized() {
  DialogWindow::OnResized();
  if (!list_) return;
  const Rect content = ContentRect();
  const int32_t fields_top = content.bottom - 2 * kRow - 8;
  list_->SetFrameRect({content.left, content.top, content.right, fields_top - 8});
  color_label_->SetFrameRect(
      {content.left, fields_top + 4, content.left + kLabelWidth, fields_top + kRow});
  color_->SetFrameRect(
      {content.left + kLabelWidth, fields_top, content.left + kLabelWidth + 48, fields_top + 20});
  const int32_t second = fields_top + kRow + 4;
  description_label_->SetFrameRect(
      {content.left, second + 4, content.left + kLabelWidth, second + kRow});
  description_->SetFrameRect({content.left + kLabelWidth, second, content.right, second + 20});
}

void DetailAttributesDialog::OnSelection(intptr_t) {
  const ListItem* item = list_->SelectedItem();
  if (!item || item->id >= textures_.size()) return;
  const Texture& texture = textures_[item->id];
  const std::string current = description_->GetText();
  // A description the user wrote stays; one we proposed follows the texture.
  if (current.empty() || current == proposed_) {
    proposed_ = texture.dtex == DetailSlot::kNoTexture ? std::string() : texture.name;
    if (proposed_.size() > static_cast<size_t>(kMaxDescription)) proposed_.resize(kMaxDescription);
    description_->SetText(proposed_);
  }
}

bool DetailAttributesDialog::Accept() {
  const ListItem* item = list_->SelectedItem();
  const Texture& texture = textures_[item && item->id < textures_.size() ? item->id : 0];
  result_.dtex = texture.dtex;
  std::string name = description_->GetText();
  if (name.empty() && texture.dtex != DetailSlot::kNoTexture) name = texture.name;
  if (name.size() > static_cast<size_t>(kMaxDescription)) name.resize(kMaxDescription);
  result_.name = texture.dtex == DetailSlot::kNoTexture && name.empty() ? kNoTag : name;
  const Color c = color_->GetColor();
  result_.red = ColorRed(c);
  result_.green = ColorGreen(c);
  result_.blue = ColorBlue(c);
  return true;
}

bool DetailAttributesDialog::Edit(TerrainRow& row) {
  auto* dialog = new DetailAttributesDialog(row);
  const bool ok = dialog->RunModal() == 1;
  if (ok) row = dialog->result();
  Window::Close(dialog);
  return ok;
}
