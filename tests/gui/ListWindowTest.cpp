#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gui/Draw.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

class SignalLog : public has_slots<void> {
 public:
  void OnActivated(intptr_t item) { activated.push_back(reinterpret_cast<ListItem*>(item)); }
  void OnSelection(intptr_t) { ++selection_changes; }
  void OnDelete(intptr_t) { ++delete_requests; }
  void OnDropped(intptr_t drop) {
    drops.push_back(*reinterpret_cast<const ListWindow::Drop*>(drop));
  }
  std::vector<ListItem*> activated;
  int selection_changes = 0;
  int delete_requests = 0;
  std::vector<ListWindow::Drop> drops;
};

// Lists live in a plain window at screen (100, 100). Rows are 12 pixels high (the mono font's
// line height); a list 200 x 120 shows ten rows.
class ListTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    frame = Frame({100, 100, 700, 500}, 0);
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  ListWindow* Make(uint32_t style, const Rect& r = {0, 0, 200, 120}) {
    auto* list = new ListWindow(style, WindowFlag::Visible, frame);
    list->SetFrameRect(r);
    Connect<&SignalLog::OnActivated>(list->activated, &log);
    Connect<&SignalLog::OnSelection>(list->selection_changed, &log);
    Connect<&SignalLog::OnDelete>(list->delete_requested, &log);
    Connect<&SignalLog::OnDropped>(list->item_dropped, &log);
    Window::SetFocus(list, 0);
    Pump();
    return list;
  }
  // Text-ordered top-level items.
  std::vector<ListItem*> Fill(ListWindow* list, std::initializer_list<const char*> texts) {
    std::vector<ListItem*> items;
    uint64_t id = 1;
    for (const char* t : texts) {
      items.push_back(list->AddItem(nullptr, 0, ListItemFlag::TextOrdered, id++, t));
    }
    list->Refresh();
    return items;
  }
  std::vector<std::string> Rows(const ListWindow* list) {
    std::vector<std::string> rows;
    for (int32_t r = 0; r < list->ItemCount(); ++r) rows.push_back(list->ItemAtRow(r)->text);
    return rows;
  }
  // Screen point in the middle of a row's text (no header).
  Point RowPoint(const ListWindow* list, int32_t row) {
    const Rect& c = list->ClientRect();
    return {c.left + 40, c.top + list->HeaderHeight() + (row - list->FirstVisibleRow()) * 12 + 6};
  }
  void ClickRow(const ListWindow* list, int32_t row, int modifier = 0) {
    const Point p = RowPoint(list, row);
    if (modifier) Key(modifier, true);
    Click(p.x, p.y);
    if (modifier) Key(modifier, false);
    Pump();
  }
  void Keys(int key, int times = 1, int modifier = 0) {
    if (modifier) Key(modifier, true);
    for (int i = 0; i < times; ++i) Tap(key);
    if (modifier) Key(modifier, false);
    Pump();
  }
  void Type(std::string_view text) {
    for (char c : text) Char(static_cast<unsigned char>(c));
    Pump();
  }

  Font font{MonoFontData()};
  ProbeWindow* frame = nullptr;
  SignalLog log;
};

// ---------------------------------------------------------------------------------------
// Items, rows and the tree

using ListRowsTest = ListTest;

TEST_F(ListRowsTest, RowsFollowExpandedItemsDepthFirst) {
  ListWindow* list = Make(0);
  ListItem* a = list->AddItem(nullptr, 0, 0, 1, "a");
  ListItem* a1 = list->AddItem(a, 0, 0, 2, "a1");
  list->AddItem(a1, 0, 0, 3, "a1x");
  list->AddItem(a, 0, 0, 4, "a2");
  ListItem* b = list->AddItemAndRefresh(nullptr, 0, 0, 5, "b");
  EXPECT_EQ(list->ItemCount(), 2);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "b"}));
  list->Expand(a);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "a1", "a2", "b"}));
  list->Expand(a1);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "a1", "a1x", "a2", "b"}));
  EXPECT_EQ(a->open_descendants, 3u);
  EXPECT_EQ(a1->depth, 1u);
  EXPECT_EQ(list->RowOfItem(b), 4);
  EXPECT_EQ(list->ItemAtRow(5), nullptr);
  EXPECT_EQ(list->ItemAtRow(-1), nullptr);
  list->Collapse(a);
  EXPECT_EQ(list->ItemCount(), 2);
  EXPECT_EQ(list->RowOfItem(a1), -1);
  // Reopening keeps the inner expansion.
  list->Toggle(a);
  EXPECT_EQ(list->ItemCount(), 5);
}

TEST_F(ListRowsTest, ChildAddedUnderCollapsedParentAddsNoRow) {
  ListWindow* list = Make(0);
  ListItem* a = list->AddItem(nullptr, 0, 0, 1, "a");
  list->AddItem(a, 0, 0, 2, "a1");
  EXPECT_EQ(list->ItemCount(), 1);
  list->Expand(a);
  list->AddItem(a, 0, 0, 3, "a2");
  EXPECT_EQ(list->ItemCount(), 3);
  EXPECT_EQ(list->ItemAtRow(2)->text, "a2");
}

TEST_F(ListRowsTest, RemoveReleasesEveryIdOfTheSubtree) {
  ListWindow* list = Make(0);
  std::vector<uint64_t> released;
  list->SetReleaseCallback([&](uint64_t id) { released.push_back(id); });
  ListItem* a = list->AddItem(nullptr, 0, ListItemFlag::Expanded, 1, "a");
  ListItem* a1 = list->AddItem(a, 0, 0, 2, "a1");
  list->AddItem(a1, 0, 0, 3, "a1x");
  list->AddItem(nullptr, 0, 0, 4, "b");
  list->Refresh();
  EXPECT_EQ(list->ItemCount(), 3);
  list->RemoveItem(a);
  EXPECT_EQ(released, (std::vector<uint64_t>{1, 2, 3}));
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"b"}));
  list->Clear();
  EXPECT_EQ(released.size(), 4u);
  EXPECT_EQ(list->ItemCount(), 0);
  EXPECT_EQ(list->FirstItem(), nullptr);
}

TEST_F(ListRowsTest, ClearReturnsToTheTop) {
  ListWindow* list = Make(0);
  for (int i = 0; i < 50; ++i) list->AddItem(nullptr, 0, 0, i, "x");
  list->Refresh();
  list->SetFirstVisibleRow(30);
  EXPECT_EQ(list->FirstVisibleRow(), 30);
  list->Clear();
  EXPECT_EQ(list->FirstVisibleRow(), 0);
  EXPECT_EQ(list->CurrentItem(), nullptr);
}

TEST_F(ListRowsTest, FindByIdTakesTheFirstInRowOrder) {
  ListWindow* list = Make(0);
  ListItem* a = list->AddItem(nullptr, 0, ListItemFlag::Expanded, 1, "a");
  ListItem* inner = list->AddItem(a, 0, 0, 7, "inner");
  list->AddItem(nullptr, 0, 0, 7, "outer");
  EXPECT_EQ(list->FindItemById(7), inner);
  EXPECT_EQ(list->FindItemById(99), nullptr);
}

TEST_F(ListRowsTest, RowAtMapsPointsAndSkipsTheHeader) {
  ListWindow* list = Make(ListStyle::Header);
  Fill(list, {"a", "b", "c"});
  const Rect& c = list->ClientRect();
  const int32_t hh = list->HeaderHeight();
  EXPECT_GT(hh, 0);
  EXPECT_EQ(list->RowAt({c.left + 5, c.top + 2}), -1);
  EXPECT_EQ(list->RowAt({c.left + 5, c.top + hh + 1}), 0);
  EXPECT_EQ(list->RowAt({c.left + 5, c.top + hh + 25}), 2);
  EXPECT_EQ(list->RowAt({c.left + 5, c.top + hh + 37}), -1);  // past the last row
}

TEST_F(ListRowsTest, FitHeightAndScrollIntoView) {
  ListWindow* list = Make(0);
  list->FitHeight(5);
  EXPECT_EQ(list->ClientRect().Height(), 60);
  EXPECT_EQ(list->PageRows(), 5);
  std::vector<ListItem*> items;
  for (int i = 0; i < 20; ++i) items.push_back(list->AddItem(nullptr, 0, 0, i, "x"));
  list->ScrollIntoView(items[12]);
  EXPECT_EQ(list->FirstVisibleRow(), 8);
  list->ScrollIntoView(items[3]);
  EXPECT_EQ(list->FirstVisibleRow(), 3);
  list->ScrollIntoView(items[5]);
  EXPECT_EQ(list->FirstVisibleRow(), 3);
}

TEST_F(ListRowsTest, MoveRefusesTheItemsOwnSubtree) {
  ListWindow* list = Make(0);
  ListItem* a = list->AddItem(nullptr, 0, ListItemFlag::Expanded, 1, "a");
  ListItem* a1 = list->AddItem(a, 0, ListItemFlag::Expanded, 2, "a1");
  ListItem* a1x = list->AddItem(a1, 0, 0, 3, "a1x");
  ListItem* b = list->AddItem(nullptr, 0, 0, 4, "b");
  EXPECT_FALSE(list->MoveItem(a, a1, nullptr));
  EXPECT_FALSE(list->MoveItem(a, a, nullptr));
  EXPECT_FALSE(list->MoveItemToRow(a, 2));  // the row of a1x, inside a
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "a1", "a1x", "b"}));
  EXPECT_TRUE(list->MoveItem(b, a1, a1x));
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "a1", "b", "a1x"}));
  EXPECT_EQ(b->depth, 2u);
  // Moving a1 (with its subtree) to the top level renumbers the depths below it.
  EXPECT_TRUE(list->MoveItem(a1, nullptr, nullptr));
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "a1", "b", "a1x"}));
  EXPECT_EQ(a1->depth, 0u);
  EXPECT_EQ(a1x->depth, 1u);
  EXPECT_EQ(a->child_count, 0u);
  // A drop handler's move: to row 0, before a, as its sibling.
  EXPECT_TRUE(list->MoveItemToRow(a1x, 0));
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a1x", "a", "a1", "b"}));
  EXPECT_EQ(a1x->depth, 0u);
  EXPECT_TRUE(list->MoveItemToRow(a, 4));  // past the last row
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a1x", "a1", "b", "a"}));
  EXPECT_EQ(a->depth, 1u);  // a sibling of b, the last row
}

// ---------------------------------------------------------------------------------------
// Order

using ListSortTest = ListTest;

TEST_F(ListSortTest, NaturalOrderOfTexts) {
  ListWindow* list = Make(0);
  Fill(list, {"Item 10", "item 9", "Item 9a"});
  list->Sort();
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"item 9", "Item 9a", "Item 10"}));
}

TEST_F(ListSortTest, LongDigitRunsAndStability) {
  ListWindow* list = Make(0);
  Fill(list, {"n 900000000000000000000000000001", "n 2", "N 02", "n 100000000000000000000000000000",
              "n 2"});
  list->ItemAtRow(1)->id = 100;  // the first "n 2"
  list->Sort();
  EXPECT_EQ(Rows(list),
            (std::vector<std::string>{"n 2", "N 02", "n 2", "n 100000000000000000000000000000",
                                      "n 900000000000000000000000000001"}));
  EXPECT_EQ(list->ItemAtRow(0)->id, 100u);  // equal texts keep their order
}

TEST_F(ListSortTest, PinnedItemStaysAtTheTop) {
  ListWindow* list = Make(0);
  Fill(list, {"beta", "alpha", "10", "!bang"});
  list->Sort();
  list->AddItemAndRefresh(nullptr, 0, ListItemFlag::TextOrdered | ListItemFlag::Pinned, 0,
                          "<no tag>");
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"<no tag>", "!bang", "alpha", "beta", "10"}));
  list->Sort();
  EXPECT_EQ(list->ItemAtRow(0)->text, "<no tag>");
}

TEST_F(ListSortTest, CollapsedParentsSortWhenTheyOpen) {
  ListWindow* list = Make(0);
  ListItem* a = list->AddItem(nullptr, 0, ListItemFlag::TextOrdered, 1, "a");
  list->AddItem(a, 0, ListItemFlag::TextOrdered, 2, "z");
  list->AddItem(a, 0, ListItemFlag::TextOrdered, 3, "y");
  list->Sort();
  EXPECT_TRUE(a->flags & ListItemFlag::NeedsSort);
  EXPECT_EQ(a->first_child->text, "z");
  list->Expand(a);
  EXPECT_FALSE(a->flags & ListItemFlag::NeedsSort);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "y", "z"}));
}

constexpr uint32_t Code(const char (&c)[5]) {
  return uint32_t{static_cast<uint8_t>(c[0])} << 24 | uint32_t{static_cast<uint8_t>(c[1])} << 16 |
         uint32_t{static_cast<uint8_t>(c[2])} << 8 | static_cast<uint8_t>(c[3]);
}

struct Rec {
  uint32_t code;
  uint32_t size;
};

TEST_F(ListSortTest, ColumnsByPriorityAndDirection) {
  ListWindow* list = Make(ListStyle::Header);
  ASSERT_TRUE(list->AddColumn("Code", "%s", ColumnType::FourCC, 4, 60, 0));
  ASSERT_TRUE(list->AddColumn("Size", "%u", ColumnType::Unsigned, 4, 60, 0));
  std::vector<Rec> recs = {
      {Code("bbbb"), 3}, {Code("aaaa"), 3}, {Code("aaaa"), 1}, {Code("cccc"), 2}};
  for (size_t i = 0; i < recs.size(); ++i) {
    list->AddItem(nullptr, 0, 0, reinterpret_cast<uintptr_t>(&recs[i]), std::to_string(i));
  }
  list->Sort();
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"2", "1", "0", "3"}));
  list->ClickColumn(1);  // size first, descending
  EXPECT_EQ(list->Column(1).priority, 0);
  EXPECT_EQ(list->Column(0).priority, 1);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"1", "0", "3", "2"}));
  list->ClickColumn(1);  // only the direction changes
  EXPECT_EQ(list->Column(1).priority, 0);
  EXPECT_EQ(list->Column(0).priority, 1);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"2", "3", "1", "0"}));
  EXPECT_EQ(list->CellText(*list->ItemAtRow(0), 0), "aaaa");
  EXPECT_EQ(list->CellText(*list->ItemAtRow(0), 1), "1");
}

// ---------------------------------------------------------------------------------------
// Selection

using ListSelectionTest = ListTest;

TEST_F(ListSelectionTest, SelectMakesCurrentAndRefusesDisabledItems) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"a", "b", "c"});
  std::vector<std::string> selected_by_callback;
  list->SetSelectCallback([&](ListItem& item) { selected_by_callback.push_back(item.text); });
  EXPECT_TRUE(list->Select(items[1], false));
  EXPECT_EQ(list->CurrentItem(), items[1]);
  EXPECT_EQ(log.selection_changes, 1);
  EXPECT_TRUE(list->Select(items[1], false));  // nothing changes: no signal
  EXPECT_EQ(log.selection_changes, 1);
  list->SetItemDisabled(items[2], true);
  EXPECT_EQ(items[2]->text_color, 0xFF808080u);
  EXPECT_FALSE(list->Select(items[2], false));
  EXPECT_EQ(list->SelectedItem(), items[1]);
  // Without the multiple-selection style, extending still selects one item.
  EXPECT_TRUE(list->Select(items[0], true));
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[0]}));
  EXPECT_EQ(selected_by_callback, (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(list->Select(nullptr, false));
  EXPECT_TRUE(list->SelectedItems().empty());
}

TEST_F(ListSelectionTest, KeepSelectionRefusesSelectingNothing) {
  ListWindow* list = Make(ListStyle::KeepSelection);
  auto items = Fill(list, {"a", "b"});
  list->Select(items[0], false);
  EXPECT_FALSE(list->Select(nullptr, false));
  // A click below the last row leaves the selection.
  const Rect& c = list->ClientRect();
  Click(c.left + 20, c.top + 100);
  Pump();
  EXPECT_EQ(list->SelectedItem(), items[0]);
}

TEST_F(ListSelectionTest, ClickOnEmptySpaceClearsTheSelection) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"a", "b"});
  ClickRow(list, 1);
  EXPECT_EQ(list->SelectedItem(), items[1]);
  const int changes = log.selection_changes;
  const Rect& c = list->ClientRect();
  Click(c.left + 20, c.top + 100);
  Pump();
  EXPECT_TRUE(list->SelectedItems().empty());
  EXPECT_EQ(log.selection_changes, changes + 1);
}

TEST_F(ListSelectionTest, ShiftSelectsARangeCtrlToggles) {
  ListWindow* list = Make(ListStyle::MultiSelect);
  auto items = Fill(list, {"a", "b", "c", "d", "e"});
  ClickRow(list, 1);
  ClickRow(list, 3, Key::Shift);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[1], items[2], items[3]}));
  EXPECT_EQ(list->CurrentItem(), items[3]);
  ClickRow(list, 2, Key::Control);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[1], items[3]}));
  ClickRow(list, 4, Key::Control);
  EXPECT_EQ(list->SelectedIds(), (std::vector<uint64_t>{2, 4, 5}));
  // Shift from the anchor of the last plain or Ctrl click.
  ClickRow(list, 0);
  ClickRow(list, 2, Key::Shift);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[0], items[1], items[2]}));
}

TEST_F(ListSelectionTest, ShiftClickWithoutCurrentItemSelectsItAlone) {
  ListWindow* list = Make(ListStyle::MultiSelect);
  auto items = Fill(list, {"a", "b", "c", "d"});
  ClickRow(list, 2, Key::Shift);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[2]}));
}

TEST_F(ListSelectionTest, SelectAllEmitsOnceAndSkipsDisabledItems) {
  ListWindow* list = Make(ListStyle::MultiSelect);
  std::vector<ListItem*> items;
  for (int i = 0; i < 500; ++i) items.push_back(list->AddItem(nullptr, 0, 0, i, "x"));
  list->SetItemDisabled(items[7], true);
  const int changes = log.selection_changes;
  Keys('A', 1, Key::Control);
  EXPECT_EQ(list->SelectedItems().size(), 499u);
  EXPECT_FALSE(items[7]->IsSelected());
  EXPECT_EQ(log.selection_changes, changes + 1);
}

TEST_F(ListSelectionTest, CtrlAIsNotHandledInSingleSelectionList) {
  ListWindow* list = Make(0);
  Fill(list, {"a", "b"});
  frame->consume_keys = true;
  Keys('A', 1, Key::Control);
  EXPECT_TRUE(list->SelectedItems().empty());
  bool passed_on = false;
  for (const InputEvent& e : frame->keys) passed_on = passed_on || (e.a == 'A' && e.b == 1);
  EXPECT_TRUE(passed_on);
}

// ---------------------------------------------------------------------------------------
// Keys and activation

using ListKeysTest = ListTest;

TEST_F(ListKeysTest, ArrowsHomeEndAndPages) {
  ListWindow* list = Make(0);
  std::vector<ListItem*> items;
  for (int i = 0; i < 30; ++i) {
    items.push_back(list->AddItem(nullptr, 0, 0, i, "row " + std::to_string(i)));
  }
  list->Refresh();
  Keys(Key::Down);
  EXPECT_EQ(list->CurrentItem(), items[0]);
  Keys(Key::Down, 2);
  EXPECT_EQ(list->CurrentItem(), items[2]);
  Keys(Key::Up);
  EXPECT_EQ(list->CurrentItem(), items[1]);
  Keys(Key::PageDown);
  EXPECT_EQ(list->CurrentItem(), items[11]);
  EXPECT_EQ(list->FirstVisibleRow(), 2);
  Keys(Key::End);
  EXPECT_EQ(list->CurrentItem(), items[29]);
  EXPECT_EQ(list->FirstVisibleRow(), 20);
  Keys(Key::PageUp);
  EXPECT_EQ(list->CurrentItem(), items[19]);
  Keys(Key::Home);
  EXPECT_EQ(list->CurrentItem(), items[0]);
  EXPECT_EQ(list->FirstVisibleRow(), 0);
  Keys(Key::Up);
  EXPECT_EQ(list->CurrentItem(), items[0]);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[0]}));
}

TEST_F(ListKeysTest, MovesStepOverDisabledRows) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"a", "b", "c", "d"});
  list->SetItemDisabled(items[1], true);
  list->SetItemDisabled(items[3], true);
  list->Select(items[0], false);
  Keys(Key::Down);
  EXPECT_EQ(list->CurrentItem(), items[2]);
  Keys(Key::End);  // the last row is disabled: the nearest one above it
  EXPECT_EQ(list->CurrentItem(), items[2]);
}

TEST_F(ListKeysTest, ShiftExtendsInMultiSelection) {
  ListWindow* list = Make(ListStyle::MultiSelect);
  auto items = Fill(list, {"a", "b", "c", "d"});
  list->Select(items[1], false);
  Keys(Key::Down, 2, Key::Shift);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[1], items[2], items[3]}));
  Keys(Key::Up);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[2]}));
}

TEST_F(ListKeysTest, EnterActivatesEverySelectedItemOnceNotOnRepeat) {
  ListWindow* list = Make(ListStyle::MultiSelect);
  auto items = Fill(list, {"a", "b", "c"});
  list->Select(items[0], false);
  list->Select(items[2], true);
  Key(Key::Enter, true);
  Key(Key::Enter, true);  // auto-repeat
  Key(Key::Enter, false);
  Pump();
  EXPECT_EQ(log.activated, (std::vector<ListItem*>{items[0], items[2]}));
}

TEST_F(ListKeysTest, GroupItemsOpenInsteadOfActivating) {
  ListWindow* list = Make(0);
  ListItem* g = list->AddItem(nullptr, 0, ListItemFlag::Group, 1, "group");
  list->AddItem(g, 0, 0, 2, "inside");
  list->Refresh();
  list->Select(g, false);
  Keys(Key::Enter);
  EXPECT_TRUE(g->IsExpanded());
  EXPECT_TRUE(log.activated.empty());
  const Point p = RowPoint(list, 0);
  Click(p.x, p.y);
  wm->QueueEvent({p.x, p.y, 0, 0, 0, 1, kEventDoubleClick});
  Release(p.x, p.y);
  Pump();
  EXPECT_FALSE(g->IsExpanded());
  EXPECT_TRUE(log.activated.empty());
}

TEST_F(ListKeysTest, LeftAndRightCloseAndOpenTheSelection) {
  ListWindow* list = Make(0);
  ListItem* a = list->AddItem(nullptr, 0, 0, 1, "a");
  list->AddItem(a, 0, 0, 2, "a1");
  list->Refresh();
  list->Select(a, false);
  Keys(Key::Right);
  EXPECT_TRUE(a->IsExpanded());
  Keys(Key::KpSubtract);
  EXPECT_FALSE(a->IsExpanded());
  Keys(Key::KpAdd);
  EXPECT_TRUE(a->IsExpanded());
  bool allow = false;
  list->SetMayCollapseCallback([&](const ListItem&) { return allow; });
  Keys(Key::Left);
  EXPECT_TRUE(a->IsExpanded());
  allow = true;
  Keys(Key::Left);
  EXPECT_FALSE(a->IsExpanded());
}

TEST_F(ListKeysTest, DeleteRequestsOnlyWithASelection) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"a"});
  Keys(Key::Delete);
  EXPECT_EQ(log.delete_requests, 0);
  list->Select(items[0], false);
  Keys(Key::Backspace);
  Keys(Key::Delete);
  EXPECT_EQ(log.delete_requests, 2);
}

TEST_F(ListKeysTest, DoubleClickActivatesTheItemUnderThePointer) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"a", "b"});
  const Point p = RowPoint(list, 1);
  Click(p.x, p.y);
  Pump();
  EXPECT_TRUE(log.activated.empty());
  wm->QueueEvent({p.x, p.y, 0, 0, 0, 1, kEventDoubleClick});
  Release(p.x, p.y);
  Pump();
  EXPECT_EQ(log.activated, (std::vector<ListItem*>{items[1]}));
}

// Pop-up lists (the combo box's): the pointer moves the current item, a click activates.
using ListPopUpTest = ListTest;

TEST_F(ListPopUpTest, HoverMovesCurrentAndClickActivates) {
  ListWindow* list = Make(ListStyle::PopUp);
  auto items = Fill(list, {"a", "b", "c"});
  const Point p = RowPoint(list, 2);
  Move(p.x, p.y);
  Pump();
  EXPECT_EQ(list->CurrentItem(), items[2]);
  EXPECT_TRUE(list->SelectedItems().empty());
  EXPECT_TRUE(log.activated.empty());
  Click(p.x, p.y);
  Pump();
  EXPECT_EQ(log.activated, (std::vector<ListItem*>{items[2]}));
  // Enter activates the current item.
  const Point q = RowPoint(list, 0);
  Move(q.x, q.y);
  Pump();
  Keys(Key::Enter);
  EXPECT_EQ(log.activated, (std::vector<ListItem*>{items[2], items[0]}));
}

TEST_F(ListPopUpTest, ReleaseWithoutPressInTheListActivatesNothing) {
  ListWindow* list = Make(ListStyle::PopUp);
  Fill(list, {"a", "b"});
  const Point p = RowPoint(list, 1);
  Release(p.x, p.y);
  Pump();
  EXPECT_TRUE(log.activated.empty());
}

// ---------------------------------------------------------------------------------------
// Type-ahead

using ListTypeAheadTest = ListTest;

TEST_F(ListTypeAheadTest, QuickKeysExtendTheSearch) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"aa", "ab", "b"});
  Type("ab");
  EXPECT_EQ(list->CurrentItem(), items[1]);
  EXPECT_EQ(list->SelectedItem(), items[1]);
  EXPECT_EQ(list->TypedText(), "ab");
}

TEST_F(ListTypeAheadTest, APauseStartsANewSearch) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"aa", "ab", "b"});
  Type("a");
  EXPECT_EQ(list->CurrentItem(), items[0]);
  platform.now += 1.0;
  Type("b");
  EXPECT_EQ(list->CurrentItem(), items[2]);
  EXPECT_EQ(list->TypedText(), "b");
  // Every frame forgets it once half a second has passed.
  platform.now += 0.6;
  Pump();
  EXPECT_EQ(list->TypedText(), "");
}

TEST_F(ListTypeAheadTest, RepeatedLetterStepsThroughItsItems) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"ant", "bat", "bee", "bog", "cat"});
  Type("b");
  EXPECT_EQ(list->CurrentItem(), items[1]);
  Type("b");
  EXPECT_EQ(list->CurrentItem(), items[2]);
  Type("b");
  EXPECT_EQ(list->CurrentItem(), items[3]);
  Type("b");  // and round again
  EXPECT_EQ(list->CurrentItem(), items[1]);
}

TEST_F(ListTypeAheadTest, ClosestLengthInTheFirstRunWinsFirstOfEquals) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"x", "tag 12", "tag", "tags", "tag2", "other", "tag"});
  EXPECT_EQ(list->FindTyped("TAG"), items[2]);
  // "tag" matches "tagz" over its own three letters; "tags" differs in the fourth.
  EXPECT_EQ(list->FindTyped("tagz"), items[2]);
  // An empty text never matches, however short.
  list->SetItemText(items[0], "");
  EXPECT_EQ(list->FindTyped("o"), items[5]);
  EXPECT_EQ(list->FindTyped("q"), nullptr);
}

TEST_F(ListTypeAheadTest, SearchStartsAtTheCurrentItemAndWraps) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"cat", "dog", "cow"});
  list->Select(items[1], false);
  EXPECT_EQ(list->FindTyped("c"), items[2]);
  list->Select(items[2], false);
  EXPECT_EQ(list->FindTyped("ca"), items[0]);
}

TEST_F(ListTypeAheadTest, OffOrWithCtrlTypesNothing) {
  ListWindow* list = Make(0);
  Fill(list, {"a", "b"});
  list->SetTypeAhead(false);
  EXPECT_FALSE(list->TypeAhead());
  Type("b");
  EXPECT_EQ(list->CurrentItem(), nullptr);
  EXPECT_EQ(list->TypedText(), "");
}

}  // namespace
