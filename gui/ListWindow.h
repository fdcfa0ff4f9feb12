#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "gui/ListItem.h"
#include "gui/ScrollableWindow.h"
#include "gui/Signal.h"

class TextBox;

// Styles of a list window.
namespace ListStyle {
constexpr uint32_t MultiSelect = 8;      // several items may be selected
constexpr uint32_t Header = 32;          // a header row with the column titles
constexpr uint32_t Draggable = 64;       // items may be dragged
constexpr uint32_t KeepSelection = 128;  // clicking never empties the selection
constexpr uint32_t PopUp = 256;          // the pointer moves the current item; a click activates
}  // namespace ListStyle

// What a column's cells hold, in the record an item's id points to.
namespace ColumnType {
constexpr int32_t FourCC = 1;       // four-character code, unsigned 32-bit
constexpr int32_t CharArray = 2;    // NUL-terminated text in data-size bytes
constexpr int32_t TextPointer = 3;  // const char*; not editable
constexpr int32_t String = 4;       // std::string
constexpr int32_t Unsigned = 5;     // unsigned integer of 1, 2 or 4 bytes
constexpr int32_t Float = 6;        // float or double (4 or 8 bytes)
constexpr int32_t Fixed = 7;        // 16.16 fixed point in 1, 2 or 4 bytes
}  // namespace ColumnType

namespace ColumnFlag {
constexpr uint32_t Hidden = 2;
constexpr uint32_t Descending = 4;
}  // namespace ColumnFlag

struct ListColumn {
  std::string title;
  std::string format;  // printf format of one cell value (see ListWindow::CellText)
  int32_t type = 0;
  int32_t size = 0;
  int32_t offset = 0;  // the previous column's offset plus its size
  int32_t x = 0;       // the previous visible column's x plus its width
  int32_t width = 0;
  uint32_t flags = 0;
  int32_t priority = -1;  // 0 is the primary sort key; -1 for a hidden column
};

// A scrolling tree list with columns: rows are the items in depth-first order, descending
// into expanded items only. Columns after the first describe fields of the record an item's
// id points to; the first column shows the item's text.
class ListWindow : public ScrollableWindow {
 public:
  // Compares the records of two items by one column: <0, 0 or >0. Without one the list
  // compares the fields the column describes.
  using CompareCallback = std::function<int(uint64_t a, uint64_t b, int32_t column)>;
  using ReleaseCallback = std::function<void(uint64_t id)>;
  using MayCollapseCallback = std::function<bool(const ListItem& item)>;
  using SelectCallback = std::function<void(ListItem& item)>;
  // Makes the payload of a drag starting on `item`, for lists whose items stand for things
  // other windows take (the window manager owns it); null drags nothing.
  using DragDataCallback = std::function<Window::DragDropData*(ListItem& item)>;
  // Takes a drop of a payload other than the list's own: the row it falls in front of, the
  // payload, and whether this is only a query; true accepts it.
  using ForeignDropCallback =
      std::function<bool(int32_t row, Window::DragDropData* data, bool query_only)>;
  // Takes the edited text of a cell; false refuses it.
  using CommitCallback = std::function<bool(ListItem& item, uint64_t id, int32_t column,
                                            void* context, const std::string& text)>;

  // Argument of item_dropped.
  struct Drop {
    ListItem* item = nullptr;
    int32_t row = 0;  // first visible row + the gap it was dropped in
  };

  // Payload of a drag of one of a list's items.
  struct ListItemDDData : Window::DragDropData {
    static constexpr uint32_t kTypeId = 0x4C495354;  // 'LIST'
    ListItemDDData() { type_id = kTypeId; }
    // Tells the source list that its drag is over (the window manager destroys the payload).
    ~ListItemDDData() override;
    ListItemDDData(const ListItemDDData&) = delete;
    ListItemDDData& operator=(const ListItemDDData&) = delete;
    ListWindow* source = nullptr;
    ListItem* item = nullptr;  // null once the item was removed: the drag drops nothing
    Point grab{};              // x from the list's left edge, y half a row
  };

  static constexpr double kTypeAheadReset = 0.5;  // seconds
  static constexpr double kAutoScrollStep = 1.0 / 30.0;
  static constexpr int32_t kDragDistance = 2;  // a drag starts beyond this many pixels
  static constexpr size_t kMaxEditText = 256;

  ListWindow(uint32_t style, uint32_t window_flags, Window* parent);
  ~ListWindow() override;

  // Columns. False, and no column, when the size is not one the type allows.
  bool AddColumn(const char* title, const char* format, int32_t type, int32_t size, int32_t width,
                 uint32_t flags);
  int32_t ColumnCount() const { return static_cast<int32_t>(columns_.size()); }
  const ListColumn& Column(int32_t index) const { return columns_[static_cast<size_t>(index)]; }
  // What a click on the column's title does: direction or priority, then a sort.
  void ClickColumn(int32_t index);
  // The cell formatted by the column's format, from at most the column's size of the record.
  std::string CellText(const ListItem& item, int32_t column) const;
  // Hides or shows a column; its cells keep their data. The first column holds the items'
  // texts and always shows: false for it and for indexes out of range. A shown column goes
  // to the end of the sort keys.
  bool SetColumnHidden(int32_t index, bool hidden);
  // The header's context menu (a right press on the header opens it): one item per column,
  // checked while it shows; choosing one hides or shows it.
  void ShowColumnMenu(Point screen_point);

  // Items. `parent` null adds a top-level item.
  ListItem* AddItem(ListItem* parent, uint32_t icon, uint32_t flags, uint64_t id,
                    std::string_view text);
  ListItem* AddItemAndRefresh(ListItem* parent, uint32_t icon, uint32_t flags, uint64_t id,
                              std::string_view text);
  // With its subtree; the release callback runs for each id.
  void RemoveItem(ListItem* item);
  // Every item; the scroll position returns to the top. Destroying the list removes its items
  // as well: the release callback must outlive the list.
  void Clear();
  void SetItemText(ListItem* item, std::string_view text);
  void SetItemDisabled(ListItem* item, bool disabled);
  // Moves an item (with its subtree) under `new_parent` (null: top level) before `before`
  // (null: last). Refuses a move into the item's own subtree.
  bool MoveItem(ListItem* item, ListItem* new_parent, ListItem* before);
  // The move a drop handler makes: the item ends up at `row` among the rows as they were,
  // as a sibling of the item that was there.
  bool MoveItemToRow(ListItem* item, int32_t row);
  // Recomputes the scroll range.
  void Refresh();

  // Sorts every level; collapsed parents are only marked to be sorted when they open.
  void Sort();
  void Expand(ListItem* item);
  void Collapse(ListItem* item);
  void Toggle(ListItem* item);

  // Selection. `item` null selects nothing (refused with KeepSelection). False when refused.
  bool Select(ListItem* item, bool extend);
  void SelectAll();
  ListItem* CurrentItem() const { return current_; }
  const std::vector<ListItem*>& SelectedItems() const { return selected_; }
  ListItem* SelectedItem() const { return selected_.empty() ? nullptr : selected_.front(); }
  std::vector<uint64_t> SelectedIds() const;
  int32_t ItemCount() const;  // rows
  ListItem* RootItem() { return &root_; }
  ListItem* FirstItem() const { return root_.first_child; }
  ListItem* FindItemById(uint64_t id) const;      // first in row order
  ListItem* ItemAtRow(int32_t row) const;         // null outside the rows
  int32_t RowOfItem(const ListItem* item) const;  // -1 when not shown
  int32_t RowAt(Point screen_point) const;        // -1 on the header or past the last row
  ListItem* ItemAt(Point screen_point) const;
  void ScrollIntoView(const ListItem* item);
  int32_t FirstVisibleRow() const;
  virtual void SetFirstVisibleRow(int32_t row);

  // Type-ahead search, on unless turned off. FindTyped is its match: the item whose text
  // begins with `typed` found from the current item on, or null.
  void SetTypeAhead(bool on) { type_ahead_on_ = on; }
  bool TypeAhead() const { return type_ahead_on_; }
  const std::string& TypedText() const { return typed_; }
  ListItem* FindTyped(std::string_view typed) const;

  // Edits a cell in place over its rectangle; returns whether a text was taken.
  bool EditCell(ListItem* item, int32_t column, CommitCallback commit = {},
                void* context = nullptr);
  // Stores text into the item's record as the column's type reads it; false, and the record
  // unchanged, when it does not read or does not fit.
  bool StoreCell(ListItem& item, int32_t column, std::string_view text);
  bool IsEditing() const { return editing_ != nullptr; }

  void SetCompareCallback(CompareCallback callback) { compare_ = std::move(callback); }
  void SetReleaseCallback(ReleaseCallback callback) { release_ = std::move(callback); }
  void SetMayCollapseCallback(MayCollapseCallback callback) { may_collapse_ = std::move(callback); }
  void SetSelectCallback(SelectCallback callback) { on_select_ = std::move(callback); }
  void SetDragDataCallback(DragDataCallback callback) { make_drag_data_ = std::move(callback); }
  void SetForeignDropCallback(ForeignDropCallback callback) { foreign_drop_ = std::move(callback); }

  void FitHeight(int32_t rows);  // row height × rows
  int32_t RowHeight() const;
  int32_t HeaderHeight() const;  // 0 without the header row
  int32_t PageRows() const;      // whole rows that fit below the header
  // The screen rectangle of an item's cell (column -1: the whole row); empty when not shown.
  Rect CellRect(const ListItem* item, int32_t column) const;
  uint32_t Style() const { return style_; }
  void SetStyle(uint32_t style) { style_ = style; }
  int32_t DropGap() const { return drop_gap_; }  // -1 for none
  // Removing the dragged item (or an ancestor of it) cancels the drag.
  bool IsDraggingItem() const { return drag_ != nullptr && drag_->item != nullptr; }

  Signal activated;          // argument: the ListItem*
  Signal selection_changed;  // argument unused
  Signal delete_requested;   // argument unused
  Signal item_dropped;       // argument: a const Drop*

  const char* GetClassName() const override { return "ListWindow"; }
  void OnIdle() override;
  void OnResized() override;
  void Draw() override;
  bool OnKey(InputEvent& event) override;
  void OnChar(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void OnDoubleClick(InputEvent& event) override;
  void OnMouseMove(InputEvent& event) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;
  int32_t AcceptDrop(Point point, bool query_only, DragDropData* data) override;

 private:
  void DragDataGone(ListItemDDData* data);
  ListItem* NewItem(ListItem* parent, uint32_t icon, uint32_t flags, uint64_t id,
                    std::string_view text);
  void Link(ListItem* item, ListItem* parent, ListItem* before);
  void Unlink(ListItem* item);
  void AddOpenRows(ListItem* parent, int64_t delta);
  bool IsShown(const ListItem* item) const;  // every ancestor expanded
  void RowsChanged();
  void EnsureRows() const;
  void ForgetRemoved(bool whole_list);
  bool DeselectAll();
  void SetCurrent(ListItem* item);
  void SelectRange(ListItem* from, ListItem* to);
  void ToggleSelected(ListItem* item);
  void Activate(ListItem* item);
  void ActivateSelection();
  void MoveCurrentTo(int32_t row, int32_t direction, bool shift);
  void ExpandSelection(bool expand);
  void SortLevel(ListItem* parent);
  void SortSubtree(ListItem* top);
  int CompareItems(const ListItem& a, const ListItem& b) const;
  int CompareFields(const ListItem& a, const ListItem& b, int32_t column) const;
  void RebuildSortOrder();
  size_t FormatCell(const ListItem& item, int32_t column, char* out, size_t capacity) const;
  int32_t ColumnAtX(int32_t client_x) const;
  void LayOutColumns();
  int32_t ColumnRight(int32_t index) const;
  void DrawHeader(int32_t width);
  void DrawRow(const ListItem& item, int32_t y, int32_t width);
  // The gap between visible rows nearest to a screen point, 0 above the first.
  int32_t DropGapAt(Point point) const;
  void AutoScroll();
  static void TrackDrag(Window* window, Point start, Point current, int32_t phase);

  mutable std::vector<ListItem*> rows_;  // the shown items in row order, rebuilt lazily
  mutable bool rows_stale_ = false;
  mutable const ListItem* row_hint_item_ = nullptr;  // the last RowOfItem answer
  mutable int32_t row_hint_ = -1;
  std::vector<ListItem*> sort_scratch_;
  std::vector<ListItem*> sort_buffer_;
  struct KeyedItem {
    uint32_t key;
    ListItem* item;
  };
  std::vector<KeyedItem> keyed_scratch_;
  std::vector<KeyedItem> keyed_buffer_;
  std::vector<int32_t> sort_order_;   // visible columns by priority
  ListItem* anchor_ = nullptr;        // where Shift ranges start
  ListItem* pressed_item_ = nullptr;  // the press that may still start a drag or activate
  Point press_point_{};
  bool pressed_ = false;
  bool press_kept_selection_ = false;  // release without a drag then selects it alone
  int32_t header_pressed_ = -1;
  double typed_time_ = 0;
  double last_auto_scroll_ = 0;
  bool edit_dropped_ = false;
  bool* alive_ = nullptr;        // cleared if the list is destroyed while its column menu runs
  TextBox* edit_box_ = nullptr;  // while a cell is edited
  bool* edit_alive_ = nullptr;   // cleared if the list is destroyed while a cell is edited
  uint64_t removals_ = 0;        // counts removals, so loops over copied pointers can tell
  char cell_buffer_[kMaxEditText * 2] = {};

  uint32_t style_ = 0;
  ListItem root_;
  std::vector<ListColumn> columns_;
  ListItem* current_ = nullptr;
  std::vector<ListItem*> selected_;
  std::string typed_;
  bool type_ahead_on_ = true;
  int32_t drop_gap_ = -1;
  ListItemDDData* drag_ = nullptr;
  ListItem* editing_ = nullptr;
  CompareCallback compare_;
  ReleaseCallback release_;
  MayCollapseCallback may_collapse_;
  SelectCallback on_select_;
  DragDataCallback make_drag_data_;
  ForeignDropCallback foreign_drop_;
};
