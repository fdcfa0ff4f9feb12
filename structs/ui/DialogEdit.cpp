#include "structs/ui/DialogEdit.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/SplitterWindow.h"
#include "gui/TextBox.h"
#include "gui/WindowManager.h"
#include "structs/ui/DialogView.h"
#include "structs/ui/EditControlDialog.h"
#include "tags/TagStream.h"

// One step of the history. It holds only what it changes; "do" makes the change (the first
// time too, unless the editor made it already, as a drag does) and both ways leave the
// editor the control to select.
class DialogEdit::Action : public UndoableAction {
 public:
  Action(DialogEdit& editor, uint64_t step) : editor_(editor), step_(step) {}
  bool Do() final {
    editor_.step_select_ = Apply(editor_.dialog_, false);
    return true;
  }
  void Undo() final { editor_.step_select_ = Apply(editor_.dialog_, true); }
  uint64_t step() const { return step_; }

 protected:
  // Makes the change, or with `back` takes it back; answers the control to select.
  virtual int32_t Apply(Dialog& dialog, bool back) = 0;

 private:
  DialogEdit& editor_;
  uint64_t step_;
};

// A drag, or a run of nudges, of one control.
class DialogEdit::RectAction : public DialogEdit::Action {
 public:
  RectAction(DialogEdit& editor, uint64_t step, int32_t index, DialogRect before, DialogRect after)
      : Action(editor, step), index_(index), before_(before), after_(after) {}
  int32_t index() const { return index_; }
  // The next nudge of the run, already made.
  void Extend(const DialogRect& after) { after_ = after; }

 protected:
  int32_t Apply(Dialog& dialog, bool back) override {
    dialog.controls[static_cast<size_t>(index_)].rect = back ? before_ : after_;
    return index_;
  }

 private:
  int32_t index_;
  DialogRect before_;
  DialogRect after_;
};

// "Edit Control Data" taken with OK.
class DialogEdit::ControlAction : public DialogEdit::Action {
 public:
  ControlAction(DialogEdit& editor, uint64_t step, int32_t index, DialogControl before,
                DialogControl after)
      : Action(editor, step), index_(index), before_(std::move(before)), after_(std::move(after)) {}

 protected:
  int32_t Apply(Dialog& dialog, bool back) override {
    dialog.controls[static_cast<size_t>(index_)] = back ? before_ : after_;
    return index_;
  }

 private:
  int32_t index_;
  DialogControl before_;
  DialogControl after_;
};

// A control added (Ctrl+A) or removed (Delete) at `index`.
class DialogEdit::PresenceAction : public DialogEdit::Action {
 public:
  PresenceAction(DialogEdit& editor, uint64_t step, int32_t index, DialogControl control,
                 bool added)
      : Action(editor, step), index_(index), control_(std::move(control)), added_(added) {}

 protected:
  int32_t Apply(Dialog& dialog, bool back) override {
    if (added_ == back) return dialog.Remove(index_);
    dialog.controls.insert(dialog.controls.begin() + index_, control_);
    return index_;
  }

 private:
  int32_t index_;
  DialogControl control_;
  bool added_;
};

// A control moved one place earlier or later: it and its neighbour trade places.
class DialogEdit::SwapAction : public DialogEdit::Action {
 public:
  SwapAction(DialogEdit& editor, uint64_t step, int32_t from, int32_t to)
      : Action(editor, step), from_(from), to_(to) {}

 protected:
  int32_t Apply(Dialog& dialog, bool back) override {
    std::swap(dialog.controls[static_cast<size_t>(from_)],
              dialog.controls[static_cast<size_t>(to_)]);
    return back ? from_ : to_;
  }

 private:
  int32_t from_;
  int32_t to_;
};

namespace {

bool IsShiftOrControl(int32_t key) {
  return key == Key::LeftShift || key == Key::RightShift || key == Key::Shift ||
         key == Key::LeftControl || key == Key::RightControl || key == Key::Control;
}

}  // namespace

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

DialogEdit::~DialogEdit() = default;

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

bool DialogEdit::Save() {
  if (!TagEdit::Save()) return false;
  saved_step_ = CurrentStep();
  // A nudge after the save is a change of its own, or undoing it could not reach the save.
  EndNudgeRun();
  return true;
}

bool DialogEdit::Create(uint32_t group, std::string_view name) {
  if (!TagEdit::Create(group, name)) return false;
  SetDialog(Dialog());
  // Nothing is on disk yet: no step of the history is the saved one.
  saved_step_ = ~uint64_t{0};
  return true;
}

void DialogEdit::SetDialog(Dialog dialog) {
  dialog_ = std::move(dialog);
  history_.Clear();
  saved_step_ = CurrentStep();
  EndNudgeRun();
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
  // The release of the last modifier goes along too: the canvas's cursor and nudging follow it.
  if (target == info_ && type == kEventKey &&
      ((event.flags & (kModShift | kModControl)) || IsShiftOrControl(event.a)) &&
      event.a != Key::Tab) {
    view_->HandleEvent(view_, type, event);
    return true;
  }
  return false;
}

bool DialogEdit::OnKey(InputEvent& event) {
  if ((event.flags & kModControl) && (event.a == 'Z' || event.a == 'Y')) {
    // A text box keeps its own Ctrl+Z and Ctrl+Y for its text.
    if (dynamic_cast<TextBox*>(WM().Focus()) == nullptr) {
      if (event.b == 1) {
        if (event.a == 'Z') {
          Undo();
        } else {
          Redo();
        }
      }
      return true;
    }
  }
  return TagEdit::OnKey(event);
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
  EndNudgeRun();
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

uint64_t DialogEdit::CurrentStep() const {
  const auto* action = dynamic_cast<const Action*>(history_.Current());
  return action ? action->step() : 0;
}

void DialogEdit::Record(Action* action, bool done) {
  EndNudgeRun();
  step_select_ = selected_;
  if (history_.Add(action, done)) Stepped(step_select_);
}

void DialogEdit::Stepped(int32_t select) {
  MarkDirty(CurrentStep() != saved_step_);
  RefreshInfo();
  Select(select);
}

bool DialogEdit::Undo() {
  if (Dragging() || !history_.Undo()) return false;
  EndNudgeRun();
  Stepped(step_select_);
  return true;
}

bool DialogEdit::Redo() {
  if (Dragging() || !history_.Redo()) return false;
  EndNudgeRun();
  Stepped(step_select_);
  return true;
}

void DialogEdit::Select(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= dialog_.controls.size()) index = -1;
  if (index != selected_) EndNudgeRun();
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
  const DialogControl& before = dialog_.controls[static_cast<size_t>(index)];
  DialogControl control = before;
  if (!EditControlDialog::Edit(control)) return false;
  // OK on an unchanged control is no step: the history and the modified mark stay.
  if (control != before) {
    Record(new ControlAction(*this, next_step_++, index, before, std::move(control)), false);
  }
  return true;
}

void DialogEdit::AddControlAt(int32_t x, int32_t y) {
  if (Dragging()) return;
  std::optional<DialogControl> control = dialog_.NewControlAt(x, y);
  if (!control) {
    WM().Beep();
    return;
  }
  if (!EditControlDialog::Edit(*control)) return;
  const auto at = static_cast<int32_t>(dialog_.controls.size());
  Record(new PresenceAction(*this, next_step_++, at, std::move(*control), true), false);
}

void DialogEdit::RemoveSelected() {
  if (selected_ < 0 || Dragging()) return;
  Record(new PresenceAction(*this, next_step_++, selected_,
                            dialog_.controls[static_cast<size_t>(selected_)], false),
         false);
}

void DialogEdit::MoveSelectedEarlier() {
  if (selected_ <= 0 || Dragging()) return;
  Record(new SwapAction(*this, next_step_++, selected_, selected_ - 1), false);
}

void DialogEdit::MoveSelectedLater() {
  if (selected_ < 0 || static_cast<size_t>(selected_) + 1 >= dialog_.controls.size() ||
      Dragging()) {
    return;
  }
  Record(new SwapAction(*this, next_step_++, selected_, selected_ + 1), false);
}

void DialogEdit::BeginDrag(Dialog::Zone zone) {
  if (selected_ < 0) return;
  zone_ = zone;
  drag_index_ = selected_;
  drag_start_ = dialog_.controls[static_cast<size_t>(selected_)].rect;
}

void DialogEdit::OnTrackMouse(Point start, Point current, int32_t phase) {
  if (zone_ == Dialog::Zone::kNone) return;
  // The control pressed on, whatever the list selects meanwhile.
  DialogRect& rect = dialog_.controls[static_cast<size_t>(drag_index_)].rect;
  if (phase == kTrackMove) {
    const DialogRect moved =
        Dialog::Dragged(drag_start_, zone_, current.x - start.x, current.y - start.y);
    set_view_mode(zone_ == Dialog::Zone::kMove ? kShowPosition : kShowSize);
    if (moved != rect) {
      rect = moved;
      MarkDirty(true);
      RefreshInfo();
    }
  }
  if (phase == kTrackEnd) {
    zone_ = Dialog::Zone::kNone;
    // The whole drag is one step, recorded once it is over; one that ends where it started
    // is none.
    if (rect != drag_start_) {
      Select(drag_index_);
      Record(new RectAction(*this, next_step_++, drag_index_, drag_start_, rect), true);
    } else {
      MarkDirty(CurrentStep() != saved_step_);
    }
  }
}

void DialogEdit::Nudge(int32_t dx, int32_t dy, bool resize) {
  if (selected_ < 0 || Dragging()) return;
  DialogRect& rect = dialog_.controls[static_cast<size_t>(selected_)].rect;
  const DialogRect before = rect;
  const DialogRect after =
      Dialog::Dragged(rect, resize ? Dialog::Zone::kBottomRight : Dialog::Zone::kMove, dx, dy);
  set_view_mode(resize ? kShowSize : kShowPosition);
  auto* run = nudge_run_ ? dynamic_cast<RectAction*>(history_.Current()) : nullptr;
  if (run && run->index() == selected_) {
    rect = after;
    run->Extend(after);
    Stepped(selected_);
    return;
  }
  Record(new RectAction(*this, next_step_++, selected_, before, after), false);
  nudge_run_ = true;
}

bool DialogEdit::CanvasKey(InputEvent& event) {
  const bool shift = (event.flags & kModShift) != 0;
  const bool ctrl = (event.flags & kModControl) != 0;
  if (IsShiftOrControl(event.a)) {
    // The readout follows the modifiers held: Shift shows the size, Ctrl the position.
    if (shift) {
      set_view_mode(kShowSize);
    } else if (ctrl) {
      set_view_mode(kShowPosition);
    } else {
      // Letting go of both ends a run of nudges: the next one is a step of its own.
      EndNudgeRun();
    }
    // The zone under a pointer that stays still changes with the modifiers too.
    view_->ShowZoneCursor(WM().MousePosition(), event.flags);
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
