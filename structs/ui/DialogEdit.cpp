#include "structs/ui/DialogEdit.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/SplitterWindow.h"
#include "gui/WindowManager.h"
#include "structs/ui/DialogView.h"
#include "structs/ui/EditControlDialog.h"
#include "tags/TagStream.h"

DialogEdit::DialogEdit(const TagHeader& header) : TagEdit(header) {
  splitter_ = new SplitterWindow(WindowFlag::Visible, this);
  splitter_->SetOrientation(SplitterWindow::kSideBySide);
  splitter_->SetMode(SplitterWindow::kUserPlaced);
  info_ = new ListWindow(ListStyle::KeepSelection, WindowFlag::Visible | WindowFlag::ThinFrame,
                         nullptr);
  info_->SetTypeAhead(false);
  view_ = new DialogView(this, nullptr);
  splitter_->SetPane(0, info_, kMinPane);
  splitter_->SetPane(1, view_, kMinPane);
  ::Connect<&DialogEdit::OnInfoSelection>(info_->selection_changed, this);
  ::Connect<&DialogEdit::OnInfoActivated>(info_->activated, this);
  ::Connect<&DialogEdit::OnInfoDelete>(info_->delete_requested, this);
  SetTabOrder({info_, view_});
  SetInitialFocus(info_);
  SetClientSize(kClientSize);
  OnResized();
  splitter_->SetDividerPosition(kClientSize.width / 3);
  RefreshInfo();
}

TagEdit* DialogEdit::Make(const TagHeader& header) {
  return new DialogEdit(header);
}

// ------------------------------------------------------------------------------ the tag

bool DialogEdit::ReadData(TagStream& stream, const TagHeader& header) {
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) {
    ReportLoadProblem(
        kLog, "its " + std::to_string(header.data_size) + " bytes of data could not be read");
    return false;
  }
  Dialog dialog;
  std::string error;
  if (!Dialog::Read(data, dialog, error)) {
    ReportLoadProblem(kLog, error);
    return false;
  }
  SetDialog(std::move(dialog));
  return true;
}

bool DialogEdit::WriteData(ByteWriter& out, TagHeader& /*header*/) {
  std::string error;
  if (!dialog_.Write(out, error)) {
    LogMessage(1, kLog, "%s: %s.\n", header().Name().c_str(), error.c_str());
    return false;
  }
  return true;
}

void DialogEdit::SetDialog(Dialog dialog) {
  dialog_ = std::move(dialog);
  selected_ = -1;
  zone_ = Dialog::Zone::kNone;
  RefreshInfo();
  view_->InvalidateClient();
}

// ------------------------------------------------------------------------------ window

void DialogEdit::OnResized() {
  TagEdit::OnResized();
  if (!splitter_) return;
  const Rect& client = ClientRect();
  splitter_->SetFrameRect({0, 0, client.Width(), client.Height()});
  const Rect& area = view_->ClientRect();
  view_->SetRanges(ScrollableWindow::kVerticalBar | ScrollableWindow::kHorizontalBar,
                   dialog_.ScrollWidth(), dialog_.ScrollHeight(), area.Width(), area.Height());
}

bool DialogEdit::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (TagEdit::HandleEvent(target, type, event)) return true;
  if (target == info_ && type == kEventKey && (event.flags & (kModShift | kModControl)) &&
      event.a != Key::Tab) {
    view_->HandleEvent(view_, type, event);
    return true;
  }
  return false;
}

void DialogEdit::set_view_mode(int32_t mode) {
  if (mode == view_mode_) return;
  view_mode_ = mode;
  view_->InvalidateClient();
}

// --------------------------------------------------------------------------- the list

int32_t DialogEdit::ControlOfRow(int32_t row) const {
  const ListItem* item = info_->ItemAtRow(row);
  if (!item || item->id == Dialog::kFactRow || item->id >= dialog_.controls.size()) return -1;
  return static_cast<int32_t>(item->id);
}

void DialogEdit::RefreshInfo() {
  refreshing_ = true;
  const int32_t row = info_->SelectedItem() ? info_->RowOfItem(info_->SelectedItem()) : -1;
  const std::vector<Dialog::InfoRow> rows = dialog_.InfoRows();
  if (info_->ItemCount() == static_cast<int32_t>(rows.size())) {
    // Same rows: only the texts that changed are set, and the list stays where it was.
    size_t i = 0;
    for (ListItem* item = info_->FirstItem(); item; item = item->next, ++i) {
      item->id = rows[i].id;
      if (item->text != rows[i].text) info_->SetItemText(item, rows[i].text);
    }
  } else {
    const int32_t first = info_->FirstVisibleRow();
    info_->Clear();
    for (const Dialog::InfoRow& r : rows) info_->AddItem(nullptr, 0, 0, r.id, r.text);
    info_->Refresh();
    info_->SetFirstVisibleRow(first);
  }
  if (row >= 0 && info_->ItemCount() > 0) {
    info_->Select(info_->ItemAtRow(std::min(row, info_->ItemCount() - 1)), false);
  }
  refreshing_ = false;
  selected_ = info_->SelectedItem() ? ControlOfRow(info_->RowOfItem(info_->SelectedItem())) : -1;
  const Rect& area = view_->ClientRect();
  view_->SetRanges(ScrollableWindow::kVerticalBar | ScrollableWindow::kHorizontalBar,
                   dialog_.ScrollWidth(), dialog_.ScrollHeight(), area.Width(), area.Height());
  view_->InvalidateClient();
}

void DialogEdit::OnInfoSelection(intptr_t) {
  if (refreshing_) return;
  const ListItem* item = info_->SelectedItem();
  const int32_t index = item ? ControlOfRow(info_->RowOfItem(item)) : -1;
  if (index == selected_) return;
  selected_ = index;
  view_->InvalidateClient();
}

void DialogEdit::OnInfoActivated(intptr_t item) {
  const auto* activated = reinterpret_cast<const ListItem*>(item);
  if (!activated || activated->id == Dialog::kFactRow) return;
  EditControl(ControlOfRow(info_->RowOfItem(activated)));
}

void DialogEdit::OnInfoDelete(intptr_t) {
  RemoveSelected();
}

// ------------------------------------------------------------------------- operations

void DialogEdit::Changed() {
  MarkDirty(true);
  RefreshInfo();
}

void DialogEdit::Select(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= dialog_.controls.size()) index = -1;
  ListItem* item = index < 0 ? nullptr : info_->ItemAtRow(kFirstControlRow + index);
  refreshing_ = true;
  if (item) {
    info_->Select(item, false);
    info_->ScrollIntoView(item);
  }
  refreshing_ = false;
  selected_ = index;
  view_->InvalidateClient();
}

bool DialogEdit::EditControl(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= dialog_.controls.size()) return false;
  DialogControl control = dialog_.controls[static_cast<size_t>(index)];
  if (!EditControlDialog::Edit(control)) return false;
  dialog_.controls[static_cast<size_t>(index)] = std::move(control);
  Changed();
  return true;
}

void DialogEdit::AddControlAt(int32_t x, int32_t y) {
  std::optional<DialogControl> control = dialog_.NewControlAt(x, y);
  if (!control) {
    WM().Beep();
    return;
  }
  if (!EditControlDialog::Edit(*control)) return;
  dialog_.controls.push_back(std::move(*control));
  Changed();
  Select(static_cast<int32_t>(dialog_.controls.size()) - 1);
}

void DialogEdit::RemoveSelected() {
  if (selected_ < 0) return;
  const int32_t next = dialog_.Remove(selected_);
  MarkDirty(true);
  RefreshInfo();
  Select(next);
}

void DialogEdit::MoveSelectedEarlier() {
  if (!dialog_.MoveEarlier(selected_)) return;
  const int32_t moved = selected_ - 1;
  Changed();
  Select(moved);
}

void DialogEdit::MoveSelectedLater() {
  if (!dialog_.MoveLater(selected_)) return;
  const int32_t moved = selected_ + 1;
  Changed();
  Select(moved);
}

void DialogEdit::BeginDrag(Dialog::Zone zone) {
  if (selected_ < 0) return;
  zone_ = zone;
  drag_start_ = dialog_.controls[static_cast<size_t>(selected_)].rect;
}

void DialogEdit::OnTrackMouse(Point start, Point current, int32_t phase) {
  if (selected_ < 0 || zone_ == Dialog::Zone::kNone) return;
  if (phase == kTrackMove) {
    DialogRect& rect = dialog_.controls[static_cast<size_t>(selected_)].rect;
    const DialogRect moved =
        Dialog::Dragged(drag_start_, zone_, current.x - start.x, current.y - start.y);
    set_view_mode(zone_ == Dialog::Zone::kMove ? kShowPosition : kShowSize);
    if (moved != rect) {
      rect = moved;
      Changed();
    }
  }
  if (phase == kTrackEnd) zone_ = Dialog::Zone::kNone;
}

void DialogEdit::Nudge(int32_t dx, int32_t dy, bool resize) {
  if (selected_ < 0) return;
  DialogRect& rect = dialog_.controls[static_cast<size_t>(selected_)].rect;
  rect = Dialog::Dragged(rect, resize ? Dialog::Zone::kBottomRight : Dialog::Zone::kMove, dx, dy);
  set_view_mode(resize ? kShowSize : kShowPosition);
  Changed();
}

bool DialogEdit::CanvasKey(InputEvent& event) {
  const bool shift = (event.flags & kModShift) != 0;
  const bool ctrl = (event.flags & kModControl) != 0;
  if (event.a == Key::LeftShift || event.a == Key::RightShift || event.a == Key::Shift ||
      event.a == Key::LeftControl || event.a == Key::RightControl || event.a == Key::Control) {
    // The readout follows the modifiers held: Shift shows the size, Ctrl the position.
    if (shift) {
      set_view_mode(kShowSize);
    } else if (ctrl) {
      set_view_mode(kShowPosition);
    }
    return false;
  }
  if (event.b != 1 || !(shift || ctrl)) return false;
  if (ctrl && !shift && (event.a == '-' || event.a == Key::KpSubtract)) {
    MoveSelectedEarlier();
    return true;
  }
  if (ctrl && !shift && (event.a == '=' || event.a == Key::KpAdd)) {
    MoveSelectedLater();
    return true;
  }
  if (ctrl && !shift && event.a == 'A') {
    if (event.flags & kKeyRepeatFlag) return true;
    const Point p = view_->ToDialog(WM().MousePosition());
    AddControlAt(p.x, p.y);
    return true;
  }
  int32_t dx = 0, dy = 0;
  switch (event.a) {
    case Key::Up:
      dy = -1;
      break;
    case Key::Down:
      dy = 1;
      break;
    case Key::Left:
      dx = -1;
      break;
    case Key::Right:
      dx = 1;
      break;
    default:
      return false;
  }
  if (selected_ >= 0) Nudge(dx, dy, shift);
  return true;
}
