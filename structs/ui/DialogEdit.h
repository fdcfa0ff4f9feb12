#pragma once
#include <cstdint>
#include <string_view>

#include "gui/UndoHistory.h"
#include "structs/Dialog.h"
#include "tags/ui/TagEdit.h"

class DialogView;
class ListWindow;
class SplitterWindow;

// The editor of interface dialogs (`bina`): the dialog's facts, the key help and one row per
// control on the left; the canvas on the right, where controls are added, removed, dragged,
// nudged and reordered. Every change is one step of the editor's undo history (a whole drag,
// a run of arrow-key nudges); the tag counts as modified while the history stands elsewhere
// than where it stood at the last load or save.
class DialogEdit : public TagEdit {
 public:
  static constexpr Size kClientSize{892, 528};
  static constexpr int32_t kMinPane = 200;
  static constexpr int32_t kFirstControlRow = 11;  // the facts and the help come first
  static constexpr const char* kLog = "DialogEdit";
  enum ViewMode : int32_t { kShowPosition = 1, kShowSize = 2 };

  explicit DialogEdit(const TagHeader& header);
  ~DialogEdit() override;
  static TagEdit* Make(const TagHeader& header);

  // --- TagEdit
  const char* GetClassName() const override { return "DialogEdit"; }
  // The info list's keys go to the canvas while Shift or Ctrl is held.
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  // Ctrl+Z and Ctrl+Y undo and redo.
  bool OnKey(InputEvent& event) override;
  void OnResized() override;
  // A drag on the canvas, in dialog coordinates.
  void OnTrackMouse(Point start, Point current, int32_t phase) override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool Save() override;
  bool Create(uint32_t group, std::string_view name) override;

  // --- Operations
  // Shows the dialog (a loaded tag's, or one a test builds) with an empty history.
  void SetDialog(Dialog dialog);
  // Both do nothing (and answer false) with nothing to undo or redo, or during a drag (as
  // adding, removing, reordering and nudging do not either).
  bool Undo();
  bool Redo();
  // Runs "Edit Control Data" on control `index`; on OK it takes the edit. True on OK.
  bool EditControl(int32_t index);
  // Ctrl+A at (x, y) in dialog coordinates: outside the dialog, or with no id free, it beeps.
  void AddControlAt(int32_t x, int32_t y);
  void RemoveSelected();
  void MoveSelectedEarlier();
  void MoveSelectedLater();
  // Selects control `index` (-1: none) on the canvas and in the list.
  void Select(int32_t index);
  // The press that starts a drag of the selected control.
  void BeginDrag(Dialog::Zone zone);
  // Moves the selected control's edges by one key step; resizing moves right and bottom.
  void Nudge(int32_t dx, int32_t dy, bool resize);
  // The canvas's key handling; true when the key was taken.
  bool CanvasKey(InputEvent& event);
  // Refills the info list, keeping the selected row, and resets the canvas's scroll range.
  void RefreshInfo();

  const Dialog& dialog() const { return dialog_; }
  int32_t selected() const { return selected_; }
  int32_t view_mode() const { return view_mode_; }
  void set_view_mode(int32_t mode);
  Dialog::Zone drag_zone() const { return zone_; }
  ListWindow* Info() const { return info_; }
  DialogView* View() const { return view_; }
  SplitterWindow* Splitter() const { return splitter_; }
  const UndoHistory& History() const { return history_; }

 private:
  class Action;
  class RectAction;
  class ControlAction;
  class PresenceAction;
  class SwapAction;

  // Does `action` (unless `done`) and records it; a run of nudges ends here.
  void Record(Action* action, bool done);
  // After a step of the history: the modified mark follows it, the list and the canvas show
  // the dialog, and `select` is the selected control.
  void Stepped(int32_t select);
  uint64_t CurrentStep() const;
  void EndNudgeRun() { nudge_run_ = false; }
  // While a drag moves the selected control no other change is made: the drag is one step
  // from the rectangle at its press, and it must go on moving the control it started on.
  bool Dragging() const { return zone_ != Dialog::Zone::kNone; }
  void OnInfoSelection(intptr_t);
  void OnInfoActivated(intptr_t item);
  void OnInfoDelete(intptr_t);
  int32_t ControlOfRow(int32_t row) const;

  Dialog dialog_;
  UndoHistory history_;
  uint64_t next_step_ = 1;
  uint64_t saved_step_ = 0;   // the step the tag on disk matches (0: as loaded)
  int32_t step_select_ = -1;  // the control the last done or undone action leaves selected
  bool nudge_run_ = false;    // the current action is a run of nudges still open
  DialogRect drag_start_;
  int32_t drag_index_ = -1;
  Dialog::Zone zone_ = Dialog::Zone::kNone;
  int32_t view_mode_ = kShowPosition;
  SplitterWindow* splitter_ = nullptr;
  ListWindow* info_ = nullptr;
  DialogView* view_ = nullptr;
  int32_t selected_ = -1;
  bool refreshing_ = false;
};
