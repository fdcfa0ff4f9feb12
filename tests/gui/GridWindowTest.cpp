#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/GridWindow.h"
#include "support/MonoFont.h"
#include "support/RecordingPainter.h"
#include "support/WmHarness.h"

namespace {

using Cells = std::vector<int32_t>;

// A grid at screen (100, 100), 254 wide and 260 high, with 40 x 40 cells and no font (so no
// label): the pitch is 48 both ways and there are five columns with or without the vertical
// bar (254 / 48, and 240 / 48 with it). Its 23 cells fill five rows, 240 pixels: no bar. Cell i is
// at column i % 5 and row i / 5, its top-left corner at (100 + 48 × column, 100 + 48 × row);
// Centre(i) is 20 pixels in from there.
class GridTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    frame = Frame({100, 100, 700, 500}, 0);
    frame->consume_keys = true;
    grid = new GridWindow(GridStyle::MultiSelect, WindowFlag::Visible, frame);
    grid->SetFrameRect({0, 0, 254, 260});
    grid->SetCellSize(40, 40);
    grid->SetCellCount(23);
    for (int32_t i = 0; i < 23; ++i) grid->SetCellData(i, 1000 + i);
    Connect(
        grid->selection_changed,
        [](void* self, intptr_t) { ++static_cast<GridTest*>(self)->changes; }, this);
    grid->SetOpenCallback([this](int32_t i, uint64_t data) {
      opened.push_back(i);
      EXPECT_EQ(data, static_cast<uint64_t>(1000 + i));
    });
    grid->SetDragCallback([this](int32_t i, uint64_t data) {
      dragged.push_back(i);
      EXPECT_EQ(data, static_cast<uint64_t>(1000 + i));
    });
    grid->SetDeleteCallback([this] { ++deletes; });
    Window::SetFocus(grid, 0);
    Pump();
  }
  static Point Centre(int32_t i) { return {120 + 48 * (i % 5), 120 + 48 * (i / 5)}; }
  void ClickCell(int32_t i) {
    const Point p = Centre(i);
    Click(p.x, p.y);
    Pump();
  }
  // A click with a modifier key held.
  void ClickWith(int key, Point p) {
    Key(key, true);
    Click(p.x, p.y);
    Key(key, false);
    Pump();
  }
  void PressKey(int code, std::initializer_list<int> modifiers = {}) {
    for (int m : modifiers) Key(m, true);
    Tap(code);
    for (int m : modifiers) Key(m, false);
    Pump();
  }
  Cells Selected() const { return grid->SelectedCells(); }
  // How many presses of the key went on past the grid to its parent.
  int PassedOn(int code) const {
    int n = 0;
    for (const InputEvent& e : frame->keys) n += e.a == code && e.b == 1;
    return n;
  }
  void Reset() {
    changes = 0;
    opened.clear();
    dragged.clear();
  }

  ProbeWindow* frame = nullptr;
  GridWindow* grid = nullptr;
  int changes = 0;
  int deletes = 0;
  Cells opened;
  Cells dragged;
};

// ---------------------------------------------------------------------------------------------

using GridGeometry = GridTest;

TEST_F(GridGeometry, PointsInsideCellsFindThemAndEverythingElseFindsNone) {
  EXPECT_EQ(grid->ColumnCount(), 5);
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(grid->CellAt({100, 100}), 0);
  EXPECT_EQ(grid->CellAt({139, 139}), 0);
  EXPECT_EQ(grid->CellAt(Centre(7)), 7);
  EXPECT_EQ(grid->CellAt({140, 120}), -1) << "spacing right of a cell";
  EXPECT_EQ(grid->CellAt({120, 145}), -1) << "spacing below a cell";
  EXPECT_EQ(grid->CellAt(Centre(22)), 22);
  EXPECT_EQ(grid->CellAt({Centre(22).x + 48, Centre(22).y}), -1) << "past the cell count";
  EXPECT_EQ(grid->CellAt({99, 120}), -1) << "outside the window";
  grid->SetFixedColumnCount(3);
  EXPECT_EQ(grid->CellAt({120 + 3 * 48, 120}), -1) << "right of the last column";
  grid->SetFixedColumnCount(0);
  grid->SetCellCount(7);
  EXPECT_EQ(grid->CellAt({120 + 48, 168}), 6);
  EXPECT_EQ(grid->CellAt({120 + 96, 168}), -1) << "right of the last cell";
  EXPECT_EQ(grid->CellAt({120, 216}), -1) << "below the last cell";
}

TEST_F(GridGeometry, ScrollingShiftsThePointsByPixels) {
  grid->SetCellCount(60);  // 12 rows, 576 pixels
  EXPECT_EQ(grid->VerticalRange(), 12 * 48);
  grid->SetVerticalPosition(50);
  EXPECT_EQ(grid->CellAt({120, 92}), -1) << "content y 42 lies in the spacing below row 0";
  EXPECT_EQ(grid->CellAt({120, 100}), 5);
  EXPECT_EQ(grid->CellRect(5), (Rect{100, 98, 140, 138}));
}

TEST_F(GridGeometry, ColumnsFollowTheWidthTheZoomAndAFixedCount) {
  grid->SetZoom(2.0);  // 80-pixel cells, pitch 88
  EXPECT_EQ(grid->ZoomedCellSize(), (Size{80, 80}));
  EXPECT_EQ(grid->ColumnCount(), 2);
  EXPECT_EQ(grid->CellAt({100 + 88 + 79, 100}), 1);
  grid->SetZoom(1.0);
  grid->SetFixedColumnCount(7);
  EXPECT_EQ(grid->ColumnCount(), 7);
  EXPECT_TRUE(grid->ShownBars() & ScrollableWindow::kHorizontalBar) << "7 columns need 336 pixels";
  grid->SetFixedColumnCount(0);
  grid->SetFrameRect({0, 0, 30, 200});
  EXPECT_EQ(grid->ColumnCount(), 1) << "at least one column however narrow";
}

TEST_F(GridGeometry, TheLabelTakesThreeLinesOfTheFontUnderTheCell) {
  Font font(MonoFontData(6, 12));
  grid->SetFont(&font);
  grid->SetCellSize(40, 40);  // lays the grid out again for the font
  EXPECT_EQ(grid->LabelHeight(), 36);
  EXPECT_EQ(grid->VerticalPitch(), 40 + 36 + 8);
  EXPECT_EQ(grid->CellAt({120, 100 + 75}), 0) << "the label is part of its cell";
  EXPECT_EQ(grid->CellAt({120, 100 + 77}), -1);
  EXPECT_EQ(grid->CellAt({120, 100 + 84}), 5);
  grid->SetFont(nullptr);
}

// ---------------------------------------------------------------------------------------------

using GridCellCount = GridTest;

TEST_F(GridCellCount, ASmallerCountForgetsTheCellsPastIt) {
  grid->Select(3, false);
  grid->Select(15, true);
  grid->Select(17, true);
  ASSERT_EQ(grid->CurrentCell(), 17);
  Reset();
  grid->SetCellCount(10);
  EXPECT_EQ(grid->CurrentCell(), -1);
  EXPECT_EQ(Selected(), (Cells{3}));
  EXPECT_EQ(grid->SelectedCount(), 1);
  EXPECT_EQ(changes, 1);
  grid->SetCellCount(20);
  EXPECT_FALSE(grid->IsSelected(15)) << "cells that come back start afresh";
  EXPECT_EQ(grid->CellData(15), 0u);
  EXPECT_EQ(grid->SelectedCount(), 1);
}

TEST_F(GridCellCount, ASmallerCountCancelsTheArmedDragOfADroppedCell) {
  const Point p = Centre(12);
  Press(p.x, p.y);
  Pump();
  ASSERT_TRUE(grid->IsDragArmed());
  grid->SetCellCount(10);
  EXPECT_FALSE(grid->IsDragArmed());
  Move(p.x + 10, p.y + 10);
  Release(p.x + 10, p.y + 10);
  Pump();
  EXPECT_TRUE(dragged.empty());
  // A cell that stays keeps its drag.
  const Point q = Centre(4);
  Press(q.x, q.y);
  Pump();
  grid->SetCellCount(8);
  Move(q.x + 10, q.y);
  Pump();
  EXPECT_EQ(dragged, (Cells{4}));
}

TEST_F(GridCellCount, RemovingACellMovesTheLaterOnesUp) {
  grid->Select(5, false);
  grid->Select(9, true);
  Reset();
  grid->RemoveCell(5);
  EXPECT_EQ(grid->CellCount(), 22);
  EXPECT_EQ(Selected(), (Cells{8}));
  EXPECT_EQ(grid->CurrentCell(), 8);
  EXPECT_EQ(grid->CellData(8), 1009u);
  EXPECT_EQ(changes, 1);
  grid->RemoveCell(8);
  EXPECT_EQ(grid->CurrentCell(), -1);
  EXPECT_EQ(grid->SelectedCount(), 0);
}

// ---------------------------------------------------------------------------------------------

using GridMouse = GridTest;

TEST_F(GridMouse, AClickSelectsACellAloneAndCtrlTogglesIt) {
  ClickCell(2);
  EXPECT_EQ(Selected(), (Cells{2}));
  EXPECT_EQ(grid->CurrentCell(), 2);
  EXPECT_EQ(changes, 1);
  ClickWith(Key::Control, Centre(4));
  EXPECT_EQ(Selected(), (Cells{2, 4}));
  ClickWith(Key::Control, Centre(2));
  EXPECT_EQ(Selected(), (Cells{4}));
  EXPECT_EQ(grid->CurrentCell(), 2);
  ClickCell(8);
  EXPECT_EQ(Selected(), (Cells{8}));
}

TEST_F(GridMouse, ShiftSelectsTheCellsFromTheCurrentOne) {
  ClickCell(3);
  ClickWith(Key::Shift, Centre(11));
  EXPECT_EQ(Selected(), (Cells{3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(grid->CurrentCell(), 11);
  ClickWith(Key::Shift, Centre(9));
  EXPECT_EQ(Selected(), (Cells{9, 10, 11}));
}

TEST_F(GridMouse, ShiftWithoutACurrentCellSelectsTheCellAlone) {
  ASSERT_EQ(grid->CurrentCell(), -1);
  ClickWith(Key::Shift, Centre(6));
  EXPECT_EQ(Selected(), (Cells{6}));
  EXPECT_EQ(grid->CurrentCell(), 6);
}

TEST_F(GridMouse, ASingleSelectionGridNeverHoldsTwoCells) {
  grid->SetStyle(0);
  ClickCell(1);
  ClickWith(Key::Control, Centre(3));
  EXPECT_EQ(Selected(), (Cells{3}));
  ClickWith(Key::Shift, Centre(7));
  EXPECT_EQ(Selected(), (Cells{7}));
  PressKey('A', {Key::Control});
  EXPECT_EQ(Selected(), (Cells{7}));
  EXPECT_EQ(PassedOn('A'), 1) << "Ctrl+A goes on to the parent";
}

TEST_F(GridMouse, PressingASelectedCellKeepsTheSelectionUntilTheRelease) {
  ClickCell(1);
  ClickWith(Key::Control, Centre(2));
  const Point p = Centre(1);
  Press(p.x, p.y);
  Pump();
  EXPECT_EQ(Selected(), (Cells{1, 2}));
  Release(p.x, p.y);
  Pump();
  EXPECT_EQ(Selected(), (Cells{1}));
}

TEST_F(GridMouse, PressingEmptySpaceClearsTheSelection) {
  ClickCell(1);
  ClickWith(Key::Control, Centre(2));
  Reset();
  ClickWith(Key::Shift, {142, 120});  // spacing: modifiers keep the selection
  EXPECT_EQ(Selected(), (Cells{1, 2}));
  Click(142, 120);
  Pump();
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(changes, 1);
}

TEST_F(GridMouse, ADoubleClickOpensTheCellUnderThePointer) {
  ClickCell(5);
  const Point p = Centre(7);
  Move(p.x, p.y);
  wm->QueueEvent({p.x, p.y, 0, 0, 0, 1, kEventDoubleClick});
  Pump();
  EXPECT_EQ(opened, (Cells{7}));
  EXPECT_EQ(Selected(), (Cells{7}));
}

// ---------------------------------------------------------------------------------------------

using GridRubberBand = GridTest;

TEST_F(GridRubberBand, ReleaseTogglesEveryCoveredCellAndEmitsOnce) {
  ClickCell(7);
  Reset();
  // From the spacing between cells 0, 1, 5 and 6 to inside cell 12: columns 1-2, rows 1-2.
  Key(Key::Control, true);
  Press(144, 144);
  Key(Key::Control, false);
  Move(180, 180);
  Pump();
  EXPECT_TRUE(grid->IsBanding());
  EXPECT_EQ(Selected(), (Cells{7})) << "nothing changes before the release";
  Release(205, 205);
  Pump();
  EXPECT_FALSE(grid->IsBanding());
  EXPECT_EQ(Selected(), (Cells{6, 11, 12}));
  EXPECT_EQ(changes, 1);
}

TEST_F(GridRubberBand, WithoutModifiersTheBandStartsFromNothing) {
  ClickCell(7);
  Reset();
  Press(144, 144);
  Release(205, 160);  // rows 1 only: cells 6 and 7
  Pump();
  EXPECT_EQ(Selected(), (Cells{6, 7}));
  EXPECT_EQ(changes, 2) << "once for the press that cleared, once for the band";
}

TEST_F(GridRubberBand, ABandOutsideTheCellsTouchesNothing) {
  Press(144, 144);
  Pump();
  Reset();
  Release(146, 190);  // within the spacing column between columns 0 and 1
  Pump();
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(changes, 0);
  // Dragged beyond the window up and left, it stops at the first row and column.
  Press(144, 144);
  Release(20, 20);
  Pump();
  EXPECT_EQ(Selected(), (Cells{0}));
}

TEST_F(GridRubberBand, TheBandReachesOnlyExistingCells) {
  // Row 4 holds cells 20 to 22; columns 3 and 4 of it are past the count.
  Press(142, 100 + 4 * 48 - 2);
  Release(350, 299);
  Pump();
  EXPECT_EQ(Selected(), (Cells{21, 22}));
}

TEST_F(GridRubberBand, ASingleSelectionGridDrawsNoBand) {
  grid->SetStyle(0);
  Press(144, 144);
  Move(200, 200);
  Pump();
  EXPECT_FALSE(grid->IsBanding());
  Release(200, 200);
  Pump();
  EXPECT_TRUE(Selected().empty());
}

// ---------------------------------------------------------------------------------------------

using GridKeys = GridTest;

TEST_F(GridKeys, ArrowsMoveByRowsAndWithinTheRow) {
  PressKey(Key::Right);
  EXPECT_EQ(grid->CurrentCell(), 1) << "from no cell the move starts at cell 0";
  PressKey(Key::Down);
  EXPECT_EQ(grid->CurrentCell(), 6);
  EXPECT_EQ(Selected(), (Cells{6}));
  PressKey(Key::Left);
  PressKey(Key::Left);
  EXPECT_EQ(grid->CurrentCell(), 5) << "Left stops at the row's start";
  PressKey(Key::Up);
  PressKey(Key::Up);
  EXPECT_EQ(grid->CurrentCell(), 0);
  grid->Select(18, false);
  PressKey(Key::Down);
  EXPECT_EQ(grid->CurrentCell(), 18) << "no cell below in the last row";
}

TEST_F(GridKeys, RightOnTheLastCellOfARowDoesNothing) {
  grid->Select(4, false);
  Reset();
  PressKey(Key::Right);
  EXPECT_EQ(grid->CurrentCell(), 4);
  EXPECT_EQ(Selected(), (Cells{4}));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(PassedOn(Key::Right), 0) << "the key is the grid's all the same";
  grid->Select(22, false);
  PressKey(Key::Right);
  EXPECT_EQ(grid->CurrentCell(), 22) << "the last cell of a short last row";
}

TEST_F(GridKeys, AltGoesToTheRowsEndsAndShiftSelectsThePassedCells) {
  grid->Select(6, false);
  PressKey(Key::Right, {Key::Alt});
  EXPECT_EQ(grid->CurrentCell(), 9);
  EXPECT_EQ(Selected(), (Cells{9}));
  PressKey(Key::Left, {Key::Alt, Key::Shift});
  EXPECT_EQ(grid->CurrentCell(), 5);
  EXPECT_EQ(Selected(), (Cells{5, 6, 7, 8, 9}));
  grid->Select(20, false);
  PressKey(Key::Right, {Key::Alt});
  EXPECT_EQ(grid->CurrentCell(), 22);
}

TEST_F(GridKeys, ShiftAddsTheCellMovedTo) {
  grid->Select(1, false);
  PressKey(Key::Down, {Key::Shift});
  PressKey(Key::Right, {Key::Shift});
  EXPECT_EQ(Selected(), (Cells{1, 6, 7}));
  EXPECT_EQ(grid->CurrentCell(), 7);
}

TEST_F(GridKeys, MovingScrollsTheCellIntoView) {
  grid->SetCellCount(60);
  grid->Select(5, false);
  for (int i = 0; i < 4; ++i) PressKey(Key::Down);
  EXPECT_EQ(grid->CurrentCell(), 25);
  EXPECT_EQ(grid->VerticalPosition(), 5 * 48 + 40 - 260);
  for (int i = 0; i < 5; ++i) PressKey(Key::Up);
  EXPECT_EQ(grid->VerticalPosition(), 0);
}

TEST_F(GridKeys, CtrlASelectsEveryCellAndEmitsOnce) {
  PressKey('A', {Key::Control});
  EXPECT_EQ(grid->SelectedCount(), 23);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(PassedOn('A'), 0);
  PressKey('A');
  EXPECT_EQ(PassedOn('A'), 1) << "a plain A is not the grid's";
}

TEST_F(GridKeys, EnterOpensEachSelectedCellOncePerPress) {
  grid->Select(2, false);
  grid->Select(14, true);
  Key(Key::Enter, true);
  Key(Key::Enter, true);  // held: a repeat
  Key(Key::Enter, false);
  Pump();
  EXPECT_EQ(opened, (Cells{2, 14}));
}

TEST_F(GridKeys, BackspaceAndDeleteAskTheClientToDelete) {
  PressKey(Key::Backspace);
  PressKey(Key::Delete);
  EXPECT_EQ(deletes, 2);
  EXPECT_EQ(PassedOn(Key::Backspace) + PassedOn(Key::Delete), 0);
  PressKey(Key::Home);
  EXPECT_EQ(PassedOn(Key::Home), 1) << "keys the grid has no use for go on";
}

// ---------------------------------------------------------------------------------------------

using GridDrag = GridTest;

TEST_F(GridDrag, ADragStartsOnlyBeyondThreePixels) {
  const Point p = Centre(3);
  Press(p.x, p.y);
  Move(p.x + 2, p.y + 1);
  Pump();
  EXPECT_TRUE(dragged.empty()) << "3 pixels are not yet a drag";
  Move(p.x + 2, p.y + 2);
  Pump();
  EXPECT_EQ(dragged, (Cells{3}));
  Move(p.x + 20, p.y + 20);
  Release(p.x + 20, p.y + 20);
  Pump();
  EXPECT_EQ(dragged, (Cells{3})) << "one drag per press";
}

TEST_F(GridDrag, TheWholeSelectionStaysForTheDragOfOneOfItsCells) {
  ClickCell(1);
  ClickWith(Key::Control, Centre(2));
  const Point p = Centre(2);
  Press(p.x, p.y);
  Move(p.x - 6, p.y);
  Pump();
  EXPECT_EQ(dragged, (Cells{2}));
  Release(p.x - 6, p.y);
  Pump();
  EXPECT_EQ(Selected(), (Cells{1, 2}));
}

TEST_F(GridDrag, AMoveAfterTheReleaseStartsNothing) {
  const Point p = Centre(3);
  Click(p.x, p.y);
  Move(p.x + 30, p.y);
  Pump();
  EXPECT_TRUE(dragged.empty());
}

// ---------------------------------------------------------------------------------------------

// Drawing straight into a recording painter, the grid being laid out by the window manager.
class GridDrawing : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    grid->SetDrawCallback([this](int32_t i, uint64_t, const Rect& r, bool selected) {
      drawn.push_back(i);
      rects.push_back(r);
      if (selected) drawn_selected.push_back(i);
    });
    SetCurrentPainter(&painter);
  }
  void TearDown() override {
    SetCurrentPainter(nullptr);
    FlushSprites();
    GridTest::TearDown();
  }
  void Draw() {
    drawn.clear();
    rects.clear();
    drawn_selected.clear();
    painter.Clear();
    grid->Draw();
    FlushSprites();
  }
  RecordingPainter painter;
  Cells drawn;
  Cells drawn_selected;
  std::vector<Rect> rects;
};

TEST_F(GridDrawing, OnlyTheVisibleRowsOfALargeGridAreDrawn) {
  grid->SetCellCount(50000);
  Draw();
  ASSERT_EQ(drawn.size(), 30u) << "rows 0 to 5 of five cells: 260 pixels show six rows";
  EXPECT_EQ(drawn.front(), 0);
  EXPECT_EQ(drawn.back(), 29);
  EXPECT_EQ(rects[6], (Rect{48, 48, 88, 88}));
  grid->SetVerticalPosition(48 * 1000 + 30);
  Draw();
  ASSERT_EQ(drawn.size(), 35u) << "rows 1000 to 1006";
  EXPECT_EQ(drawn.front(), 5000);
  EXPECT_EQ(rects.front(), (Rect{0, -30, 40, 10}));
}

TEST_F(GridDrawing, SelectedCellsAreDrawnAsSelected) {
  grid->Select(3, false);
  grid->Select(9, true);
  Draw();
  EXPECT_EQ(drawn_selected, (Cells{3, 9}));
}

TEST_F(GridDrawing, LabelsAreDrawnAsTheyStand) {
  Font font(MonoFontData(6, 12));
  // One page for every glyph, so that each glyph drawn makes one quad.
  for (int g = 0; g < kFontGlyphCount; ++g) {
    if (font.GetGlyph(0, static_cast<uint8_t>(kFontFirstChar + g)).HasBitmap()) {
      font.GetGlyph(0, static_cast<uint8_t>(kFontFirstChar + g)).page = 0;
    }
  }
  font.pages().push_back({256, 256, 1});
  grid->SetFont(&font);
  grid->SetCellCount(2);
  grid->SetCellLabel(0, "a|bc");
  std::string second = "x|iy";
  grid->SetLabelCallback([&](int32_t i, uint64_t) {
    return i == 1 ? std::string_view(second) : std::string_view(grid->Cell(i)->label);
  });
  Draw();
  EXPECT_EQ(painter.AllQuads(PageSet::kFont).size(), 8u) << "both bars and style letters show";
  grid->SetFont(nullptr);
}

}  // namespace
