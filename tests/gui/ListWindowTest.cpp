#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gui/Draw.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "support/MonoFont.h"
#include "support/RecordingPainter.h"
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

TEST_F(ListRowsTest, DestroyingTheListReleasesEveryId) {
  std::vector<uint64_t> released;
  auto fill = [&](ListWindow* list) {
    list->SetReleaseCallback([&](uint64_t id) { released.push_back(id); });
    ListItem* a = list->AddItem(nullptr, 0, 0, 1, "a");  // collapsed: its rows are hidden
    list->AddItem(list->AddItem(a, 0, 0, 2, "a1"), 0, 0, 3, "a1x");
    list->AddItemAndRefresh(nullptr, 0, 0, 4, "b");
  };
  fill(Make(0));
  ListWindow* closed = Make(0);
  fill(closed);
  Window::Close(closed);
  Pump();
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (std::vector<uint64_t>{1, 2, 3, 4}));
  released.clear();
  Window::Close(frame);  // the other list goes with its parent
  Pump();
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (std::vector<uint64_t>{1, 2, 3, 4}));
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

// ---------------------------------------------------------------------------------------
// Columns and cells

// One field of every type, laid out as the columns' offsets add up (each column starts where
// the previous one ends).
struct Fields {
  std::string s;                              // 0
  uint32_t code = 0;                          // 32
  char name[8] = {};                          // 36
  uint32_t u32 = 0;                           // 44
  uint16_t u16 = 0;                           // 48
  uint8_t u8 = 0;                             // 50
  int8_t fx8 = 0;                             // 51
  int32_t fx32 = 0;                           // 52
  double d = 0;                               // 56
  float f = 0;                                // 64
  int16_t fx16 = 0;                           // 68
  unsigned char p[sizeof(const char*)] = {};  // 70: a const char*, unaligned
  void SetPointer(const char* text) { std::memcpy(p, &text, sizeof text); }
};

enum : int32_t { kS, kCode, kName, kU32, kU16, kU8, kFx8, kFx32, kD, kF, kFx16 };

class ListCellTest : public ListTest {
 protected:
  ListWindow* MakeColumns(uint32_t style = 0) {
    ListWindow* list = Make(style, {0, 0, 600, 120});
    EXPECT_TRUE(list->AddColumn("S", "%s", ColumnType::String, sizeof(std::string), 40, 0));
    EXPECT_TRUE(list->AddColumn("Code", "%s", ColumnType::FourCC, 4, 40, 0));
    EXPECT_TRUE(list->AddColumn("Name", "%s", ColumnType::CharArray, 8, 40, 0));
    EXPECT_TRUE(list->AddColumn("U32", "%u", ColumnType::Unsigned, 4, 40, 0));
    EXPECT_TRUE(list->AddColumn("U16", "%u", ColumnType::Unsigned, 2, 40, 0));
    EXPECT_TRUE(list->AddColumn("U8", "%u", ColumnType::Unsigned, 1, 40, 0));
    EXPECT_TRUE(list->AddColumn("Fx8", "%g", ColumnType::Fixed, 1, 40, 0));
    EXPECT_TRUE(list->AddColumn("Fx32", "%g", ColumnType::Fixed, 4, 40, 0));
    EXPECT_TRUE(list->AddColumn("D", "%.2f", ColumnType::Float, 8, 40, 0));
    EXPECT_TRUE(list->AddColumn("F", "%g", ColumnType::Float, 4, 40, 0));
    EXPECT_TRUE(list->AddColumn("Fx16", "%g", ColumnType::Fixed, 2, 40, 0));
    EXPECT_TRUE(list->AddColumn("P", "%s", ColumnType::TextPointer, sizeof(char*), 40, 0));
    return list;
  }
  ListItem* AddRecord(ListWindow* list, Fields& f, uint32_t flags = 0) {
    return list->AddItemAndRefresh(nullptr, 0, flags, reinterpret_cast<uintptr_t>(&f), "rec");
  }
};

TEST_F(ListCellTest, OffsetsAndPositionsFollowThePreviousColumns) {
  ListWindow* list = MakeColumns();
  Fields f;
  const auto at = [&](const void* field) {
    return static_cast<int32_t>(static_cast<const char*>(field) - reinterpret_cast<char*>(&f));
  };
  EXPECT_EQ(list->Column(kCode).offset, at(&f.code));
  EXPECT_EQ(list->Column(kName).offset, at(&f.name));
  EXPECT_EQ(list->Column(kFx32).offset, at(&f.fx32));
  EXPECT_EQ(list->Column(kFx16).offset, at(&f.fx16));
  EXPECT_EQ(list->Column(kFx16 + 1).offset, 70);
  EXPECT_EQ(list->Column(kU8).x, 200);
  EXPECT_EQ(list->Column(kU8).priority, kU8);
}

TEST_F(ListCellTest, SizesTheTypeDoesNotAllowAreRefused) {
  ListWindow* list = Make(0);
  EXPECT_FALSE(list->AddColumn("", "", ColumnType::Unsigned, 3, 10, 0));
  EXPECT_FALSE(list->AddColumn("", "", ColumnType::Unsigned, 8, 10, 0));
  EXPECT_FALSE(list->AddColumn("", "", ColumnType::Fixed, 8, 10, 0));
  EXPECT_FALSE(list->AddColumn("", "", ColumnType::Float, 2, 10, 0));
  EXPECT_FALSE(list->AddColumn("", "", ColumnType::FourCC, 2, 10, 0));
  EXPECT_FALSE(list->AddColumn("", "", ColumnType::CharArray, 0, 10, 0));
  EXPECT_FALSE(list->AddColumn("", "", ColumnType::TextPointer, 4, 10, 0));
  EXPECT_FALSE(list->AddColumn("", "", ColumnType::String, 8, 10, 0));
  EXPECT_FALSE(list->AddColumn("", "", 9, 4, 10, 0));
  EXPECT_EQ(list->ColumnCount(), 0);
  EXPECT_TRUE(list->AddColumn("", "", ColumnType::CharArray, 1, 10, 0));
  EXPECT_TRUE(list->AddColumn("", "", ColumnType::Float, 8, 10, ColumnFlag::Hidden));
  EXPECT_EQ(list->Column(1).priority, -1);
}

TEST_F(ListCellTest, CellsAreFormattedWithinTheirSize) {
  ListWindow* list = MakeColumns();
  Fields f;
  f.s = "str";
  f.code = Code("ab\0d");
  std::memcpy(f.name, "12345678", 8);  // no NUL: the next field must not be read
  f.u32 = 4000000000u;
  f.u16 = 65535;
  f.fx32 = -98304;
  f.d = 2.5;
  f.SetPointer("pointed");
  ListItem* item = AddRecord(list, f);
  EXPECT_EQ(list->CellText(*item, kS), "str");
  EXPECT_EQ(list->CellText(*item, kCode), "ab d");
  EXPECT_EQ(list->CellText(*item, kName), "12345678");
  EXPECT_EQ(list->CellText(*item, kU32), "4000000000");
  EXPECT_EQ(list->CellText(*item, kU16), "65535");
  EXPECT_EQ(list->CellText(*item, kFx32), "-1.5");
  EXPECT_EQ(list->CellText(*item, kD), "2.50");
  EXPECT_EQ(list->CellText(*item, kFx16 + 1), "pointed");
}

TEST_F(ListCellTest, AFormatThatWouldReadTheWrongTypeFallsBack) {
  ListWindow* list = Make(0);
  ASSERT_TRUE(list->AddColumn("a", "%s%s", ColumnType::Unsigned, 4, 10, 0));
  ASSERT_TRUE(list->AddColumn("b", "%lu", ColumnType::Unsigned, 4, 10, 0));
  ASSERT_TRUE(list->AddColumn("c", "%n", ColumnType::Float, 4, 10, 0));
  ASSERT_TRUE(list->AddColumn("d", "#%05u", ColumnType::Unsigned, 4, 10, 0));
  EXPECT_EQ(list->Column(0).format, "%u");
  EXPECT_EQ(list->Column(1).format, "%u");
  EXPECT_EQ(list->Column(2).format, "%g");
  EXPECT_EQ(list->Column(3).format, "#%05u");
  struct {
    uint32_t a = 7, b = 8;
    float c = 0.5f;
    uint32_t d = 42;
  } rec;
  ListItem* item = list->AddItem(nullptr, 0, 0, reinterpret_cast<uintptr_t>(&rec), "r");
  EXPECT_EQ(list->CellText(*item, 0), "7");
  EXPECT_EQ(list->CellText(*item, 2), "0.5");
  EXPECT_EQ(list->CellText(*item, 3), "#00042");
}

TEST_F(ListCellTest, StoreReadsEachTypeAndRefusesWhatDoesNotFit) {
  ListWindow* list = MakeColumns();
  Fields f;
  ListItem* item = AddRecord(list, f);
  struct Case {
    int32_t column;
    const char* text;
    bool stored;
  };
  const Case cases[] = {
      {kCode, "abcd", true},        {kCode, "abc", false},      {kCode, "abcde", false},
      {kName, "toolongname", true}, {kU32, "4294967295", true}, {kU32, "4294967296", false},
      {kU32, "-1", false},          {kU32, "12a", false},       {kU32, "", false},
      {kU16, "65536", false},       {kU16, "65535", true},      {kU8, "300", false},
      {kU8, "255", true},           {kFx8, "0.001", true},      {kFx8, "1", false},
      {kFx32, "-2.25", true},       {kFx32, "40000", false},    {kD, "2.5", true},
      {kD, "abc", false},           {kD, "1e400", false},       {kD, "nan", false},
      {kF, "1e39", false},          {kF, "0.25", true},         {kFx16, "0.25", true},
      {kFx16, "0.5", false},        {kFx16 + 1, "text", false}, {kS, "any text", true},
  };
  for (const Case& c : cases) {
    const Fields before = f;
    const int beeps = platform.beeps;
    EXPECT_EQ(list->StoreCell(*item, c.column, c.text), c.stored) << c.column << " " << c.text;
    EXPECT_EQ(platform.beeps, beeps + (c.stored ? 0 : 1)) << c.text;
    if (!c.stored) {
      EXPECT_EQ(std::memcmp(&before.code, &f.code, offsetof(Fields, p) - offsetof(Fields, code)), 0)
          << c.text;
    }
  }
  EXPECT_EQ(f.code, Code("abcd"));
  EXPECT_STREQ(f.name, "toolong");  // seven characters and the NUL
  EXPECT_EQ(f.u32, 4294967295u);
  EXPECT_EQ(f.u16, 65535);
  EXPECT_EQ(f.u8, 255);
  EXPECT_EQ(f.fx8, 65);  // 0.001 x 65536, truncated
  EXPECT_EQ(f.fx32, -147456);
  EXPECT_EQ(f.d, 2.5);
  EXPECT_EQ(f.f, 0.25f);
  EXPECT_EQ(f.fx16, 16384);
  EXPECT_EQ(f.s, "any text");
}

TEST_F(ListCellTest, FieldOrderComparesValuesNotDifferences) {
  ListWindow* list = Make(0);
  ASSERT_TRUE(list->AddColumn("Code", "%s", ColumnType::FourCC, 4, 40, 0));
  uint32_t codes[] = {0xF0000000u, 0x10000000u, 0x80000001u, 0x7FFFFFFFu};
  for (uint32_t& c : codes) {
    list->AddItem(nullptr, 0, 0, reinterpret_cast<uintptr_t>(&c), std::to_string(c));
  }
  list->Sort();
  std::vector<uint32_t> sorted;
  for (int32_t r = 0; r < 4; ++r) {
    sorted.push_back(*reinterpret_cast<uint32_t*>(list->ItemAtRow(r)->id));
  }
  EXPECT_EQ(sorted, (std::vector<uint32_t>{0x10000000u, 0x7FFFFFFFu, 0x80000001u, 0xF0000000u}));
}

TEST_F(ListCellTest, SortingSurvivesAnyCompareCallback) {
  ListWindow* list = Make(0);
  ASSERT_TRUE(list->AddColumn("a", "", ColumnType::Unsigned, 4, 40, 0));
  ASSERT_TRUE(list->AddColumn("b", "", ColumnType::Unsigned, 4, 40, ColumnFlag::Descending));
  uint32_t seed = 1;
  list->SetCompareCallback([&](uint64_t, uint64_t, int32_t) {
    seed = seed * 1103515245u + 12345u;
    const int picks[] = {INT32_MIN, -1, 0, 1, INT32_MAX};
    return picks[(seed >> 16) % 5];
  });
  std::vector<ListItem*> items;
  for (int i = 0; i < 300; ++i) {
    // Text-ordered and column-ordered siblings mixed.
    items.push_back(list->AddItem(nullptr, 0, i % 3 ? ListItemFlag::TextOrdered : 0, i,
                                  "n" + std::to_string(i % 17)));
  }
  for (int round = 0; round < 5; ++round) list->Sort();
  ASSERT_EQ(list->ItemCount(), 300);
  std::vector<ListItem*> rows;
  for (int32_t r = 0; r < 300; ++r) rows.push_back(list->ItemAtRow(r));
  std::sort(rows.begin(), rows.end());
  std::sort(items.begin(), items.end());
  EXPECT_EQ(rows, items);  // every item once, none lost or doubled
}

TEST_F(ListCellTest, HeaderClickMovesOnlyTheColumnsAheadOfIt) {
  ListWindow* list = Make(ListStyle::Header, {0, 0, 400, 120});
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(list->AddColumn("c", "", ColumnType::Unsigned, 4, 50, 0));
  list->ClickColumn(2);
  EXPECT_EQ(list->Column(0).priority, 1);
  EXPECT_EQ(list->Column(1).priority, 2);
  EXPECT_EQ(list->Column(2).priority, 0);
  EXPECT_EQ(list->Column(3).priority, 3);
  EXPECT_TRUE(list->Column(2).flags & ColumnFlag::Descending);
  // Through the mouse: a press and release on the same title.
  const Rect& c = list->ClientRect();
  Click(c.left + 160, c.top + 4);
  Pump();
  EXPECT_EQ(list->Column(3).priority, 0);
  EXPECT_EQ(list->Column(2).priority, 1);
  EXPECT_EQ(list->Column(0).priority, 2);
  EXPECT_EQ(list->Column(1).priority, 3);
  // Released over another title: nothing.
  Press(c.left + 10, c.top + 4);
  Release(c.left + 60, c.top + 4);
  Pump();
  EXPECT_EQ(list->Column(0).priority, 2);
}

// ---------------------------------------------------------------------------------------
// In-place editing

class ListEditTest : public ListCellTest {
 protected:
  bool InPopup() {
    Window* top = wm->TopModalWindow();
    return top && std::string_view(top->GetClassName()) == "TextPopup";
  }
  // Once the pop-up runs: `before` (if any), then the keys typed and Enter (or Escape).
  void Script(std::string text, bool enter = true, std::function<void()> before = {}) {
    platform.Then([this, text, enter, before](FakePlatform&) {
      if (!InPopup()) return false;
      if (before) before();
      for (char c : text) Char(static_cast<unsigned char>(c));
      Tap(enter ? Key::Enter : Key::Escape);
      return true;
    });
  }
};

TEST_F(ListEditTest, TextOrderedItemEditsItsTextInTheFirstColumnOnly) {
  ListWindow* list = MakeColumns();
  Fields f;
  ListItem* item = AddRecord(list, f, ListItemFlag::TextOrdered);
  Script("renamed");
  EXPECT_TRUE(list->EditCell(item, 0));
  EXPECT_EQ(item->text, "renamed");
  EXPECT_EQ(f.s, "");
  Script("77");
  EXPECT_TRUE(list->EditCell(item, kU8));
  EXPECT_EQ(f.u8, 77);
  EXPECT_EQ(item->text, "renamed");
  EXPECT_FALSE(list->IsEditing());
}

TEST_F(ListEditTest, EachTypeThroughThePopUp) {
  ListWindow* list = MakeColumns();
  Fields f;
  f.u16 = 5;
  ListItem* item = AddRecord(list, f);
  const int beeps = platform.beeps;
  Script("300");
  EXPECT_FALSE(list->EditCell(item, kU8));
  EXPECT_EQ(f.u8, 0);
  Script("wxyz");
  EXPECT_TRUE(list->EditCell(item, kCode));
  EXPECT_EQ(f.code, Code("wxyz"));
  Script("-0.5");
  EXPECT_TRUE(list->EditCell(item, kFx32));
  EXPECT_EQ(f.fx32, -32768);
  Script("abc");
  EXPECT_FALSE(list->EditCell(item, kD));
  Script("12");
  EXPECT_TRUE(list->EditCell(item, kS));  // column 0 of a record-ordered item: the record
  EXPECT_EQ(f.s, "12");
  Script("999", false);  // Escape
  EXPECT_FALSE(list->EditCell(item, kU16));
  EXPECT_EQ(f.u16, 5);
  EXPECT_EQ(platform.beeps, beeps + 2);
  EXPECT_FALSE(list->EditCell(item, kFx16 + 1));  // text pointers are not editable
  EXPECT_EQ(wm->ModalDepth(), 0);
}

TEST_F(ListEditTest, TheEditStartsFromTheFormattedValue) {
  ListWindow* list = MakeColumns();
  Fields f;
  f.u32 = 1234;
  ListItem* item = AddRecord(list, f);
  std::string shown;
  platform.Then([&](FakePlatform&) {
    if (!InPopup()) return false;
    auto* box = dynamic_cast<TextBox*>(wm->Focus());
    if (box) shown = box->GetText();
    Tap(Key::Enter);
    return true;
  });
  EXPECT_TRUE(list->EditCell(item, kU32));
  EXPECT_EQ(shown, "1234");
  EXPECT_EQ(f.u32, 1234u);
}

TEST_F(ListEditTest, CommitCallbackTakesTheText) {
  ListWindow* list = MakeColumns();
  Fields f;
  ListItem* item = AddRecord(list, f);
  int context = 0;
  std::string got;
  Script("hello");
  EXPECT_FALSE(list->EditCell(
      item, kName,
      [&](ListItem& it, uint64_t id, int32_t column, void* ctx, const std::string& text) {
        got = text;
        EXPECT_EQ(&it, item);
        EXPECT_EQ(id, item->id);
        EXPECT_EQ(column, kName);
        EXPECT_EQ(ctx, &context);
        return false;
      },
      &context));
  EXPECT_EQ(got, "hello");
  EXPECT_STREQ(f.name, "");  // the callback stores, or refuses
}

TEST_F(ListEditTest, ItemRemovedDuringTheEditIsNotWritten) {
  ListWindow* list = MakeColumns();
  Fields f;
  ListItem* item = AddRecord(list, f);
  std::vector<uint64_t> released;
  list->SetReleaseCallback([&](uint64_t id) { released.push_back(id); });
  platform.Then([&](FakePlatform&) {
    if (!InPopup()) return false;
    Char('4');
    return true;
  });
  // A folder watcher removes the row while the pop-up is open: the pop-up closes by itself.
  platform.Then([&](FakePlatform&) {
    list->RemoveItem(item);
    return true;
  });
  EXPECT_FALSE(list->EditCell(item, kU8));
  EXPECT_FALSE(InPopup());
  EXPECT_EQ(f.u8, 0);
  EXPECT_EQ(released.size(), 1u);
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->ItemCount(), 0);
}

// The list goes while its pop-up is open: the edit ends unwritten, the pop-up with it, and
// nothing touches the list again. Each way of going is one case.
class ListEditDestroyedTest : public ListEditTest, public ::testing::WithParamInterface<int> {
 protected:
  void Go(ListWindow* list) {
    switch (GetParam()) {
      case 0:
        Window::Close(list);
        break;
      case 1:
        wm->DeleteLater(list);
        break;
      default:
        Window::Close(frame);
        break;
    }
  }
};

TEST_P(ListEditDestroyedTest, TheEditEndsUnwrittenAndThePopupGoes) {
  ListWindow* list = MakeColumns();
  Fields f;
  ListItem* item = AddRecord(list, f);
  std::vector<uint64_t> released;
  list->SetReleaseCallback([&](uint64_t id) { released.push_back(id); });
  platform.Then([&](FakePlatform&) {
    if (!InPopup()) return false;
    Char('4');
    Go(list);
    return true;
  });
  // Had the edit survived, this would write 42 into the record.
  platform.Then([&](FakePlatform&) {
    Char('2');
    Tap(Key::Enter);
    return true;
  });
  EXPECT_FALSE(list->EditCell(item, kU8));
  Pump(3);
  EXPECT_EQ(f.u8, 0);
  EXPECT_EQ(released, (std::vector<uint64_t>{reinterpret_cast<uintptr_t>(&f)}));
  EXPECT_FALSE(InPopup());
  EXPECT_EQ(wm->ModalDepth(), 0);
  EXPECT_EQ(wm->Layer1()->FirstChild(), nullptr) << "the pop-up and its box are gone";
  // Input goes on as usual.
  Tap(Key::Down);
  Click(50, 50);
  Pump();
}

INSTANTIATE_TEST_SUITE_P(ListClosedDeletedOrOrphaned, ListEditDestroyedTest,
                         ::testing::Values(0, 1, 2));

// ---------------------------------------------------------------------------------------
// Dragging items

class ListDragTest : public ListTest {
 protected:
  void Drag(const Point& from, int dx, int dy) {
    Press(from.x, from.y);
    Pump();
    Move(from.x + dx, from.y + dy);
    Pump();
  }
};

TEST_F(ListDragTest, StartsOnlyBeyondTwoPixels) {
  ListWindow* list = Make(ListStyle::Draggable);
  Fill(list, {"a", "b", "c"});
  const Point p = RowPoint(list, 1);
  Drag(p, 1, 1);
  EXPECT_FALSE(list->IsDraggingItem());
  EXPECT_FALSE(wm->IsDragging());
  Move(p.x + 2, p.y + 1);
  Pump();
  EXPECT_TRUE(list->IsDraggingItem());
  EXPECT_TRUE(wm->IsDragging());
  Release(p.x + 2, p.y + 1);
  Pump();
  EXPECT_FALSE(list->IsDraggingItem());
}

TEST_F(ListDragTest, WithoutTheStyleNothingDrags) {
  ListWindow* list = Make(0);
  Fill(list, {"a", "b"});
  Drag(RowPoint(list, 0), 10, 10);
  EXPECT_FALSE(wm->IsDragging());
}

TEST_F(ListDragTest, DropReportsTheGapAndTheClientMoves) {
  ListWindow* list = Make(ListStyle::Draggable);
  auto items = Fill(list, {"a", "b", "c", "d", "e"});
  const Point p = RowPoint(list, 1);
  Drag(p, 0, 5);
  ASSERT_TRUE(list->IsDraggingItem());
  Rect image;
  ASSERT_NE(wm->DragImage(&image), nullptr);
  EXPECT_EQ(image.Height(), list->RowHeight());
  EXPECT_EQ(image.Width(), 6 + 2 * 3);  // one character and the padding
  const Rect& c = list->ClientRect();
  Move(p.x, c.top + 3 * 12 + 2);  // upper half of row 3
  Pump();
  EXPECT_EQ(list->DropGap(), 3);
  Move(p.x, c.top + 3 * 12 + 8);  // lower half
  Pump();
  EXPECT_EQ(list->DropGap(), 4);
  Move(p.x, c.top + 100);  // below the rows: limited to the last boundary
  Pump();
  EXPECT_EQ(list->DropGap(), 5);
  Move(p.x, c.top + 3 * 12 + 8);
  list->item_dropped.Disconnect(&log);
  ListWindow::Drop seen;
  struct Mover : has_slots<void> {
    ListWindow* list = nullptr;
    ListWindow::Drop* seen = nullptr;
    void OnDrop(intptr_t arg) {
      *seen = *reinterpret_cast<const ListWindow::Drop*>(arg);
      list->MoveItemToRow(seen->item, seen->row);
    }
  } mover;
  mover.list = list;
  mover.seen = &seen;
  Connect<&Mover::OnDrop>(list->item_dropped, &mover);
  Release(p.x, c.top + 3 * 12 + 8);
  Pump();
  EXPECT_EQ(seen.item, items[1]);
  EXPECT_EQ(seen.row, 4);
  EXPECT_EQ(list->DropGap(), -1);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "c", "d", "b", "e"}));
}

TEST_F(ListDragTest, OtherDragsAreRefused) {
  ListWindow* list = Make(ListStyle::Draggable);
  ListWindow* other = Make(ListStyle::Draggable, {300, 0, 500, 120});
  Fill(list, {"a"});
  ListWindow::ListItemDDData foreign;
  foreign.source = other;
  foreign.item = other->AddItem(nullptr, 0, 0, 1, "x");
  EXPECT_EQ(list->AcceptDrop(RowPoint(list, 0), true, &foreign), 0);
  Window::DragDropData plain;
  EXPECT_EQ(list->AcceptDrop(RowPoint(list, 0), true, &plain), 0);
  foreign.source = nullptr;
}

TEST_F(ListDragTest, AutoScrollsOneRowPerStepAtTheEdges) {
  ListWindow* list = Make(ListStyle::Draggable);
  for (int i = 0; i < 40; ++i) list->AddItem(nullptr, 0, 0, i, "r" + std::to_string(i));
  list->Refresh();
  list->SetFirstVisibleRow(10);
  const Point p = RowPoint(list, 12);
  Drag(p, 0, 4);
  ASSERT_TRUE(list->IsDraggingItem());
  const Rect& c = list->ClientRect();
  Move(p.x, c.top + 2);  // the top gap
  Pump();
  EXPECT_EQ(list->DropGap(), 0);
  const int32_t first = list->FirstVisibleRow();
  platform.now += ListWindow::kAutoScrollStep + 0.001;
  Pump();
  EXPECT_EQ(list->FirstVisibleRow(), first - 1);
  Pump();  // too soon for another row
  EXPECT_EQ(list->FirstVisibleRow(), first - 1);
  platform.now += 1.0;  // a long frame still moves one row
  Pump();
  EXPECT_EQ(list->FirstVisibleRow(), first - 2);
  Move(p.x, c.top + 9 * 12 + 2);  // the last visible row
  Pump();
  platform.now += ListWindow::kAutoScrollStep + 0.001;
  Pump();
  EXPECT_EQ(list->FirstVisibleRow(), first - 1);
  Move(p.x, c.top + 5 * 12 + 2);  // the middle: no scrolling
  Pump();
  platform.now += 1.0;
  Pump();
  EXPECT_EQ(list->FirstVisibleRow(), first - 1);
  Release(p.x, c.top + 5 * 12 + 2);
  Pump();
}

TEST_F(ListDragTest, RemovingTheDraggedItemCancelsTheDrop) {
  ListWindow* list = Make(ListStyle::Draggable);
  auto items = Fill(list, {"a", "b", "c"});
  const Point p = RowPoint(list, 1);
  Drag(p, 0, 4);
  Move(p.x, RowPoint(list, 2).y);
  Pump();
  ASSERT_TRUE(list->IsDraggingItem());
  ASSERT_EQ(platform.cursor, Cursor::DropAllowed);
  list->RemoveItem(items[1]);  // a folder watcher removes it mid-drag
  EXPECT_FALSE(list->IsDraggingItem());
  EXPECT_FALSE(wm->IsDragging()) << "the drag ends at once, not at the release";
  EXPECT_EQ(wm->DragImage(nullptr), nullptr);
  EXPECT_EQ(platform.cursor, Cursor::Arrow);
  EXPECT_EQ(list->DropGap(), -1);
  Move(p.x, RowPoint(list, 0).y);
  Pump();
  EXPECT_EQ(list->DropGap(), -1);
  Release(p.x, RowPoint(list, 0).y);
  Pump();
  EXPECT_TRUE(log.drops.empty());
  EXPECT_FALSE(wm->IsDragging());
}

TEST_F(ListDragTest, RemovingAnAncestorOrClearingCancelsTooButOtherRowsDoNot) {
  ListWindow* list = Make(ListStyle::Draggable);
  auto items = Fill(list, {"a", "b", "c"});
  ListItem* child = list->AddItem(items[1], 0, 0, 7, "b1");
  list->Expand(items[1]);
  list->Refresh();
  const Point p = RowPoint(list, 2);  // b1
  Drag(p, 0, 4);
  ASSERT_TRUE(list->IsDraggingItem());
  list->RemoveItem(items[0]);
  EXPECT_TRUE(wm->IsDragging()) << "a row that is not dragged goes quietly";
  list->RemoveItem(items[1]);
  EXPECT_FALSE(wm->IsDragging()) << "the dragged row went with its parent";
  Release(p.x, p.y + 4);
  Pump();

  child = list->AddItemAndRefresh(nullptr, 0, 0, 8, "d");
  const Point q = RowPoint(list, list->RowOfItem(child));
  Drag(q, 0, 4);
  ASSERT_TRUE(list->IsDraggingItem());
  list->Clear();
  EXPECT_FALSE(wm->IsDragging());
  EXPECT_FALSE(list->IsDraggingItem());
  Release(q.x, q.y + 4);
  Pump();
  EXPECT_TRUE(log.drops.empty());
}

TEST_F(ListDragTest, PressOnASelectedItemKeepsTheSelectionForTheDrag) {
  ListWindow* list = Make(ListStyle::Draggable | ListStyle::MultiSelect);
  auto items = Fill(list, {"a", "b", "c"});
  list->Select(items[0], false);
  list->Select(items[2], true);
  const Point p = RowPoint(list, 0);
  Drag(p, 0, 4);
  EXPECT_EQ(list->SelectedItems().size(), 2u);
  EXPECT_TRUE(list->IsDraggingItem());
  Release(p.x, p.y + 4);
  Pump();
  // A click without a drag selects the item alone.
  ClickRow(list, 2);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[2]}));
}

// ---------------------------------------------------------------------------------------
// Removal

using ListRemovalTest = ListTest;

TEST_F(ListRemovalTest, RemovingClearsEveryReferenceToTheItem) {
  ListWindow* list = Make(ListStyle::MultiSelect);
  auto items = Fill(list, {"a", "b", "c"});
  ListItem* child = list->AddItem(items[1], 0, 0, 9, "b1");
  list->Expand(items[1]);
  list->Select(items[0], false);
  list->Select(child, true);
  Type("b");  // "b1" itself matches: the current item stays in the subtree
  ASSERT_EQ(list->CurrentItem(), child);
  ASSERT_EQ(list->TypedText(), "b");
  const int changes = log.selection_changes;
  list->RemoveItem(items[1]);
  EXPECT_EQ(list->CurrentItem(), nullptr);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{}));
  EXPECT_EQ(list->TypedText(), "");
  EXPECT_EQ(log.selection_changes, changes + 1);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"a", "c"}));
  // Shift from the removed anchor: nothing dangles.
  ClickRow(list, 1, Key::Shift);
  EXPECT_EQ(list->SelectedItems(), (std::vector<ListItem*>{items[2]}));
}

TEST_F(ListRemovalTest, RemovingScrolledRowsKeepsTheFirstRowInRange) {
  ListWindow* list = Make(0);
  std::vector<ListItem*> items;
  for (int i = 0; i < 30; ++i) items.push_back(list->AddItem(nullptr, 0, 0, i, "x"));
  list->Refresh();
  list->SetFirstVisibleRow(20);
  for (int i = 29; i >= 5; --i) list->RemoveItem(items[static_cast<size_t>(i)]);
  EXPECT_EQ(list->FirstVisibleRow(), 0);
  EXPECT_EQ(list->ItemCount(), 5);
}

// ---------------------------------------------------------------------------------------
// Drawing

class ListDrawTest : public ListTest {
 protected:
  void SetUp() override {
    ListTest::SetUp();
    SetCurrentPainter(&painter);
  }
  void TearDown() override {
    SetCurrentPainter(nullptr);
    ListTest::TearDown();
  }
  int Glyphs(ListWindow* list) {
    CurrentDrawStats() = {};
    painter.Clear();
    list->Draw();
    return CurrentDrawStats().glyphs;
  }
  bool Colored(Color color) {
    for (const RecordingPainter::Call* c : painter.Calls(RecordingPainter::Op::kSetColor)) {
      if (c->color == color) return true;
    }
    return false;
  }
  RecordingPainter painter;
};

TEST_F(ListDrawTest, TextsFromDataAreDrawnLiterally) {
  ListWindow* list = Make(0);
  Fill(list, {"|b"});
  EXPECT_EQ(Glyphs(list), 2);
}

TEST_F(ListDrawTest, OnlyTheVisibleRowsAreDrawn) {
  ListWindow* list = Make(0);
  for (int i = 0; i < 1000; ++i) list->AddItem(nullptr, 0, 0, i, "ab");
  list->Refresh();
  const int top = Glyphs(list);
  EXPECT_GT(top, 0);
  EXPECT_LE(top, 2 * 12);
  list->SetFirstVisibleRow(500);
  EXPECT_EQ(Glyphs(list), top);
}

TEST_F(ListDrawTest, WithTheTextColumnHiddenHeadingsShowTheirTextAndRecordsTheirCells) {
  ListWindow* list = Make(0);
  ASSERT_TRUE(list->AddColumn("Id", "%d", ColumnType::Unsigned, 4, 40, ColumnFlag::Hidden));
  ASSERT_TRUE(list->AddColumn("Name", "%s", ColumnType::CharArray, 8, 80, 0));
  struct Record {
    uint32_t id;
    char name[8];
  } record{7, "abc"};
  ListItem* head = list->AddItem(nullptr, 0, ListItemFlag::Expanded, 0, "Head");
  list->AddItem(head, 0, 0, reinterpret_cast<uintptr_t>(&record), "zzzzz");
  list->Refresh();
  // "Head" and "abc": neither the record item's own text nor its hidden id.
  EXPECT_EQ(Glyphs(list), 7);
}

TEST_F(ListDrawTest, DisabledItemsAreGreyAndTheGapIsDrawn) {
  ListWindow* list = Make(0);
  auto items = Fill(list, {"a", "b"});
  Glyphs(list);
  EXPECT_FALSE(Colored(0xFF808080u));
  list->SetItemDisabled(items[1], true);
  Glyphs(list);
  EXPECT_TRUE(Colored(0xFF808080u));
}

TEST_F(ListDrawTest, TheDragImageIsTheItemsTextLiterallyOnAPlateAtThePointer) {
  ListWindow* list = Make(ListStyle::Draggable);
  auto items = Fill(list, {"a", "|b|i", "c"});
  list->SetItemText(items[2], std::string(40, 'w'));
  for (ListItem* dragged : {items[1], items[2]}) {
    const Point p = RowPoint(list, list->RowOfItem(dragged));
    Press(p.x, p.y);
    Move(p.x, p.y + 4);
    Pump();
    ASSERT_TRUE(list->IsDraggingItem());
    Rect image;
    const WindowManager::DragImagePainter* painter_of_drag = wm->DragImage(&image);
    ASSERT_NE(painter_of_drag, nullptr);
    // As wide as the text measured literally plus a pad each side, one row high.
    const int32_t text_width = static_cast<int32_t>(dragged->text.size()) * 6;
    EXPECT_EQ(image, (Rect{p.x, p.y + 4, p.x + text_width + 6, p.y + 4 + list->RowHeight()}));
    CurrentDrawStats() = {};
    painter.Clear();
    painter_of_drag->draw(*wm->DragData());
    FlushSprites();
    EXPECT_EQ(CurrentDrawStats().glyphs, static_cast<int32_t>(dragged->text.size()))
        << "style codes in the text are drawn as they stand";
    ASSERT_FALSE(painter.Calls(RecordingPainter::Op::kFillRect).empty());
    EXPECT_EQ(painter.Calls(RecordingPainter::Op::kFillRect).front()->rect,
              (Rect{0, 0, text_width + 6, list->RowHeight()}))
        << "the plate fills the measured area";
    EXPECT_TRUE(Colored(dragged->text_color));
    Release(p.x, p.y + 4);
    Pump();
    EXPECT_EQ(wm->DragImage(nullptr), nullptr);
  }
}

}  // namespace
