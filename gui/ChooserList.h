#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/ChooserModel.h"
#include "gui/ScrollableWindow.h"
#include "gui/Signal.h"

// The rows of a chooser: the folders and files of the folder shown, one per row, scrolled by
// rows. One row is current (the keyboard's); with multiple selection Ctrl toggles a row and
// Shift selects the rows from the anchor to the one clicked or moved to.
class ChooserList : public ScrollableWindow {
 public:
  ChooserList(Window* parent, bool multiple);

  // `shown` is each entry's name in the program's 8-bit text; nothing is selected after it.
  void SetEntries(std::vector<ChooserEntry> entries, std::vector<std::string> shown);
  const std::vector<ChooserEntry>& Entries() const { return entries_; }
  const std::string& ShownName(int32_t row) const { return shown_[static_cast<size_t>(row)]; }
  int32_t RowCount() const { return static_cast<int32_t>(entries_.size()); }
  int32_t Current() const { return current_; }
  bool IsSelected(int32_t row) const;
  int32_t SelectedCount() const { return selected_count_; }
  std::vector<int32_t> SelectedRows() const;
  // The one selected entry, or null when none or several are selected.
  const ChooserEntry* SingleSelection() const;
  // Selects as a click with these modifiers would; -1 clears the selection.
  void Select(int32_t row, int32_t mods);
  int32_t RowAt(Point screen_point) const;
  int32_t RowHeight() const;
  void ScrollIntoView(int32_t row);

  Signal selection_changed;  // argument: the current row
  Signal activated;          // argument: the row double-clicked

  const char* GetClassName() const override { return "ChooserList"; }
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void OnDoubleClick(InputEvent& event) override;
  void OnResized() override;
  void Draw() override;

 private:
  void UpdateRanges();
  int32_t PageRows() const;

  bool multiple_ = false;
  std::vector<ChooserEntry> entries_;
  std::vector<std::string> shown_;
  std::vector<uint8_t> selected_;
  int32_t selected_count_ = 0;
  int32_t current_ = -1;
  int32_t anchor_ = -1;
};
