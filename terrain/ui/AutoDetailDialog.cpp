#include "terrain/ui/AutoDetailDialog.h"

#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "terrain/ui/DetailAttributesDialog.h"

namespace {
constexpr uint32_t kDtex = tagcode::Make("dtex");
}  // namespace

AutoDetailDialog::AutoDetailDialog(const Rows& rows) : DialogWindow(kTitle), rows_(rows) {
  list_ = new ListWindow(ListStyle::Header | ListStyle::KeepSelection,
                         WindowFlag::Visible | WindowFlag::ThinFrame, this);
  list_->AddColumn("Terrain Type", "%s", ColumnType::String, sizeof(std::string), kColumnWidth, 0);
  list_->AddColumn("Detail Texture", "%s", ColumnType::String, sizeof(std::string), kColumnWidth,
                   0);
  for (size_t i = 0; i < rows_.size(); ++i) {
    cells_[i].type = terrain::kTerrainTypes[i].name;
    cells_[i].texture = rows_[i].name;
    list_->AddItem(nullptr, 0, 0, reinterpret_cast<uint64_t>(&cells_[i]), cells_[i].type);
  }
  list_->Refresh();
  list_->Select(list_->FirstItem(), false);
  ::Connect<&AutoDetailDialog::OnActivated>(list_->activated, this);
  SetClientSize(kSize);
  OnResized();
  SetTabOrder(list_);
  Window::SetFocus(list_, 0);
}

void AutoDetailDialog::OnResized() {
  DialogWindow::OnResized();
  if (list_) list_->SetFrameRect(ContentRect());
}

AutoDetailDialog::Rows AutoDetailDialog::DefaultRows() {
  Codex& codex = ProgramCodex();
  return fromterrain::DefaultRows([&codex](uint32_t tag_id, std::string& name) {
    CodexEntry* entry = codex.Find(kDtex, tag_id);
    if (!entry) return false;
    name = codex.EntryHeader(*entry).Name();
    return true;
  });
}

void AutoDetailDialog::OnActivated(intptr_t argument) {
  const auto* item = reinterpret_cast<const ListItem*>(argument);
  if (!item) return;
  for (size_t i = 0; i < cells_.size(); ++i) {
    if (item->id == reinterpret_cast<uint64_t>(&cells_[i])) EditRow(i);
  }
}

void AutoDetailDialog::EditRow(size_t index) {
  if (index >= rows_.size()) return;
  if (!DetailAttributesDialog::Edit(rows_[index])) return;
  cells_[index].texture = rows_[index].name;
  list_->InvalidateClient();
}

bool AutoDetailDialog::Run(Rows& rows) {
  auto* dialog = new AutoDetailDialog(rows);
  const bool ok = dialog->RunModal() == 1;
  if (ok) rows = dialog->rows();
  Window::Close(dialog);
  return ok;
}
