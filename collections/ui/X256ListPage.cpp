#include "collections/ui/X256ListPage.h"

#include <algorithm>
#include <cstdio>

#include "collections/CollectionChange.h"
#include "collections/ui/X256EditHost.h"
#include "gui/Menu.h"
#include "gui/MessageBoxWindow.h"
#include "gui/WindowManager.h"

namespace {

std::string Cut(std::string_view name) {
  return std::string(name.substr(0, X256ListPage::kMaxName));
}

}  // namespace

X256ListPage::X256ListPage(X256EditHost& host, Window* parent)
    : ListWindow(ListStyle::MultiSelect | ListStyle::Draggable, WindowFlag::Visible, parent),
      host_(host) {
  ::Connect<&X256ListPage::OnActivated>(activated, this);
  ::Connect<&X256ListPage::OnDeleteRequested>(delete_requested, this);
  ::Connect<&X256ListPage::OnDropped>(item_dropped, this);
}

void X256ListPage::Refresh() {
  const std::vector<void*> selected = SelectedRecords();
  const int32_t first_row = FirstVisibleRow();
  Clear();
  const int32_t count = RecordCount();
  for (int32_t i = 0; i < count; ++i) {
    void* record = RecordAt(i);
    AddItem(nullptr, 0, 0, reinterpret_cast<uintptr_t>(record), RecordName(record));
  }
  ListWindow::Refresh();
  for (void* record : selected) {
    if (ListItem* item = FindItemById(reinterpret_cast<uintptr_t>(record))) Select(item, true);
  }
  SetFirstVisibleRow(std::min(first_row, std::max(0, count - 1)));
  RecordsChanged();
  InvalidateClient();
}

std::vector<void*> X256ListPage::SelectedRecords() const {
  std::vector<void*> records;
  for (ListItem* item = FirstItem(); item; item = item->next) {
    if (item->IsSelected()) records.push_back(reinterpret_cast<void*>(item->id));
  }
  return records;
}

void X256ListPage::SelectRecord(const void* record) {
  ListItem* item = FindItemById(reinterpret_cast<uintptr_t>(record));
  Select(item, false);
  if (item) ScrollIntoView(item);
}

Menu* X256ListPage::BuildMenu() {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  const size_t selected = SelectedRecords().size();
  menu->AddItem(PageTexts().new_label, kNew, true);
  menu->AddItem("Duplicate", kDuplicate, selected > 0);
  menu->AddItem("Rename", kRename, selected == 1);
  menu->AddItem("Delete", kDelete, selected > 0);
  return menu;
}

void X256ListPage::RunCommand(int32_t id) {
  switch (id) {
    case kNew:
      NewRecord();
      break;
    case kDuplicate:
      DuplicateSelection();
      break;
    case kRename:
      RenameSelection();
      break;
    case kDelete:
      DeleteSelection();
      break;
    default:
      break;
  }
}

void X256ListPage::Finish(std::unique_ptr<CollectionChange> change) {
  host_.Commit(std::move(change), PageTexts().affects);
  Refresh();
}

void X256ListPage::NewRecord() {
  auto change = host_.BeginChange();
  void* record = AddRecord(PageTexts().new_name);
  Finish(std::move(change));
  SelectRecord(record);
  RenameSelection();
}

void X256ListPage::DuplicateSelection() {
  const std::vector<void*> sources = SelectedRecords();
  if (sources.empty()) return;
  auto change = host_.BeginChange();
  std::vector<void*> copies;
  for (void* source : sources) {
    void* copy = CopyRecord(source, Cut(RecordName(source) + " copy"));
    MoveRecord(copy, IndexOf(source) + 1);
    copies.push_back(copy);
  }
  Finish(std::move(change));
  Select(nullptr, false);
  for (void* copy : copies) {
    if (ListItem* item = FindItemById(reinterpret_cast<uintptr_t>(copy))) Select(item, true);
  }
}

void X256ListPage::RenameSelection() {
  const std::vector<void*> selected = SelectedRecords();
  if (selected.size() != 1) return;
  ListItem* item = FindItemById(reinterpret_cast<uintptr_t>(selected.front()));
  if (!EditCell(item, 0)) return;
  // The record may have gone while the edit ran (an undo in another window).
  item = FindItemById(reinterpret_cast<uintptr_t>(selected.front()));
  if (!item || IndexOf(selected.front()) < 0) return;
  const std::string name = Cut(item->text);
  if (name == RecordName(selected.front())) {
    SetItemText(item, name);
    return;
  }
  auto change = host_.BeginChange();
  SetRecordName(selected.front(), name);
  Finish(std::move(change));
}

void X256ListPage::DeleteSelection() {
  const std::vector<void*> selected = SelectedRecords();
  if (selected.empty()) return;
  const Texts& texts = PageTexts();
  char message[256];
  std::snprintf(message, sizeof message, texts.confirm, selected.size() > 1 ? "s" : "");
  if (MessageBoxWindow::Show(texts.confirm_title, message, {"Delete", "Cancel"}) != 0) return;
  for (void* record : selected) {
    if (!IsRecordOpen(record)) continue;
    std::snprintf(message, sizeof message, texts.open_refusal, RecordName(record).c_str());
    MessageBoxWindow::Show("Error", message, {"OK"});
    return;
  }
  auto change = host_.BeginChange();
  for (void* record : selected) RemoveRecord(record);
  Finish(std::move(change));
}

void X256ListPage::OnActivated(intptr_t item) {
  auto* it = reinterpret_cast<ListItem*>(item);
  if (it) OpenRecord(reinterpret_cast<void*>(it->id));
}

void X256ListPage::OnDeleteRequested(intptr_t) {
  DeleteSelection();
}

void X256ListPage::OnDropped(intptr_t drop) {
  const auto* d = reinterpret_cast<const Drop*>(drop);
  if (!d || !d->item) return;
  void* record = reinterpret_cast<void*>(d->item->id);
  const int32_t from = IndexOf(record);
  // Dropping into the gap just before or after the item leaves it where it is.
  if (from < 0 || d->row == from || d->row == from + 1) return;
  auto change = host_.BeginChange();
  MoveRecord(record, d->row);
  Finish(std::move(change));
  SelectRecord(record);
}

void X256ListPage::ShowMenu(Point screen_point) {
  const int32_t id = BuildMenu()->PopUpOnce(screen_point);
  RunCommand(id);
}

bool X256ListPage::OnKey(InputEvent& event) {
  if (event.b == 1 && !IsEditing()) {
    if (event.a == Key::Insert) {
      NewRecord();
      return true;
    }
    if (event.a == Key::F2) {
      RenameSelection();
      return true;
    }
  }
  return ListWindow::OnKey(event);
}

void X256ListPage::OnMouseButton(InputEvent& event) {
  const Point p{event.a, event.b};
  if (event.c != 1 || event.d != 1 || p.y < ClientRect().top + HeaderHeight()) {
    ListWindow::OnMouseButton(event);
    return;
  }
  // The menu acts on the selection: a press on a row outside it selects that row first.
  if (ListItem* item = ItemAt(p); item && !item->IsSelected()) Select(item, false);
  ShowMenu(p);
}
