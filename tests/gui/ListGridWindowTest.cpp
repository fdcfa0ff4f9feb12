#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gui/Button.h"
#include "gui/Draw.h"
#include "gui/GridWindow.h"
#include "gui/ListGridWindow.h"
#include "gui/ListWindow.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

// A list-grid frame at screen (100, 100), 300 × 200, inside a borderless frame; plain windows
// stand in for the two views.
class ListGridTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    frame = Frame({100, 100, 600, 500}, 0);
    lg = new ListGridWindow(WindowFlag::Visible, frame);
    lg->SetFrameRect({0, 0, 300, 200});
    list = new ProbeWindow(0, nullptr, "list");
    grid = new ProbeWindow(0, nullptr, "grid");
    Connect(
        lg->view_changed,
        [](void* self, intptr_t view) {
          static_cast<ListGridTest*>(self)->changed.push_back(reinterpret_cast<Window*>(view));
        },
        this);
    Pump();
  }
  void SetBoth() {
    lg->SetListView(list);
    lg->SetGridView(grid);
  }
  std::string Label() const {
    const char* title = lg->ToggleButton()->GetTitle();
    return title ? title : "";
  }
  // Clicks the toggle from the keyboard, as a user tabbing to it would.
  void PressToggle() {
    Window::SetFocus(lg->ToggleButton(), 0);
    Tap(' ');
    Pump();
  }

  ProbeWindow* frame = nullptr;
  ListGridWindow* lg = nullptr;
  ProbeWindow* list = nullptr;
  ProbeWindow* grid = nullptr;
  std::vector<Window*> changed;
};

// ---------------------------------------------------------------------------------------------

using ListGridLayout = ListGridTest;

TEST_F(ListGridLayout, TheFirstViewSetShowsBelowTheStrip) {
  lg->SetGridView(grid);
  EXPECT_EQ(lg->ShownView(), grid);
  EXPECT_TRUE(grid->IsVisible());
  EXPECT_EQ(grid->Parent(), lg);
  EXPECT_EQ(grid->FrameRect(), (Rect{100, 132, 400, 300}));
  EXPECT_EQ(Label(), "Grid") << "the label names the view shown";
  lg->SetListView(list);
  EXPECT_EQ(lg->ShownView(), grid) << "the second view waits hidden";
  EXPECT_FALSE(list->IsVisible());
  EXPECT_TRUE(changed.empty());
}

TEST_F(ListGridLayout, TheButtonSitsAtTheRightOfTheStripAndFollowsResizes) {
  SetBoth();
  const Rect b = lg->ToggleButton()->FrameRect();
  EXPECT_EQ(b.right, 400 - ListGridWindow::kButtonMargin);
  EXPECT_EQ(b.top, 103);
  EXPECT_GT(b.Width(), 0);
  lg->SetFrameRect({0, 0, 360, 240});
  EXPECT_EQ(lg->ToggleButton()->FrameRect().right, 460 - ListGridWindow::kButtonMargin);
  EXPECT_EQ(list->FrameRect(), (Rect{100, 132, 460, 340}));
}

// ---------------------------------------------------------------------------------------------

using ListGridToggle = ListGridTest;

TEST_F(ListGridToggle, TogglingTwiceReturnsToTheFirstViewAndEmitsTwice) {
  SetBoth();
  PressToggle();
  EXPECT_EQ(lg->ShownView(), grid);
  EXPECT_TRUE(grid->IsVisible());
  EXPECT_FALSE(list->IsVisible());
  EXPECT_EQ(grid->FrameRect(), (Rect{100, 132, 400, 300}));
  EXPECT_EQ(Label(), "Grid");
  EXPECT_EQ(wm->Focus(), grid) << "the view shown takes the focus";
  PressToggle();
  EXPECT_EQ(lg->ShownView(), list);
  EXPECT_TRUE(list->IsVisible());
  EXPECT_FALSE(grid->IsVisible());
  EXPECT_EQ(Label(), "List");
  EXPECT_EQ(changed, (std::vector<Window*>{grid, list}));
}

TEST_F(ListGridToggle, WithOneViewThereIsNothingToToggleTo) {
  lg->SetListView(list);
  lg->Toggle();
  EXPECT_EQ(lg->ShownView(), list);
  EXPECT_TRUE(changed.empty());
}

TEST_F(ListGridToggle, ReplacingTheShownViewShowsItsSuccessor) {
  SetBoth();
  auto* other = new ProbeWindow(0, nullptr, "other list");
  Window* previous = lg->SetListView(other);
  EXPECT_EQ(previous, list);
  EXPECT_NE(list->Parent(), lg);
  EXPECT_FALSE(list->InTabOrder()) << "the old view no longer leads Tab back here";
  EXPECT_EQ(lg->ShownView(), other);
  EXPECT_TRUE(other->IsVisible());
  EXPECT_EQ(lg->ToggleButton()->NextInTabOrder(), other);
  Window::Close(list);
  Pump();
  EXPECT_EQ(lg->ToggleButton()->NextInTabOrder(), other) << "its end leaves the ring alone";
}

TEST_F(ListGridToggle, WhenTheShownViewGoesTheOtherOneShows) {
  SetBoth();
  Window::Close(list);
  Pump();
  EXPECT_EQ(lg->ListView(), nullptr);
  EXPECT_EQ(lg->ShownView(), grid);
  EXPECT_TRUE(grid->IsVisible());
  EXPECT_EQ(Label(), "Grid");
}

// ---------------------------------------------------------------------------------------------

using ListGridFocus = ListGridTest;

TEST_F(ListGridFocus, TheFrameHandsTheFocusToTheShownView) {
  SetBoth();
  Window::SetFocus(lg, 0);
  EXPECT_EQ(wm->Focus(), list);
}

TEST_F(ListGridFocus, TabGoesFromTheButtonToTheListAndTheGridSkippingTheHiddenOne) {
  SetBoth();
  Window* button = lg->ToggleButton();
  Window::SetFocus(button, 0);
  Tap(Key::Tab);
  Pump();
  EXPECT_EQ(wm->Focus(), list);
  Tap(Key::Tab);
  Pump();
  EXPECT_EQ(wm->Focus(), button) << "the hidden grid is skipped";
  PressToggle();
  Window::SetFocus(button, 0);
  Tap(Key::Tab);
  Pump();
  EXPECT_EQ(wm->Focus(), grid);
}

// ---------------------------------------------------------------------------------------------

// The frame holding the toolkit's own list and grid, switched with the mouse. The frame has
// the font before the list-grid is made, so the toggle button sizes itself to its label.
class ListGridRealViews : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    frame = Frame({100, 100, 600, 500}, 0);
    frame->SetFont(&font);
    lg = new ListGridWindow(WindowFlag::Visible, frame);
    lg->SetFrameRect({0, 0, 300, 200});
    Connect(
        lg->view_changed,
        [](void* self, intptr_t view) {
          static_cast<ListGridRealViews*>(self)->changed.push_back(reinterpret_cast<Window*>(view));
        },
        this);
    list = new ListWindow(0, WindowFlag::Visible, nullptr);
    for (const char* t : {"a", "b", "c"}) list->AddItem(nullptr, 0, 0, 0, t);
    list->Refresh();
    grid = new GridWindow(0, WindowFlag::Visible, nullptr);
    grid->SetCellSize(32, 32);
    grid->SetCellCount(4);
    lg->SetListView(list);
    lg->SetGridView(grid);
    Pump();
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  void ClickToggle() {
    const Rect b = lg->ToggleButton()->FrameRect();
    ASSERT_FALSE(b.IsEmpty());
    Click((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    Pump();
  }

  Font font{MonoFontData()};
  ProbeWindow* frame = nullptr;
  ListGridWindow* lg = nullptr;
  ListWindow* list = nullptr;
  GridWindow* grid = nullptr;
  std::vector<Window*> changed;
};

TEST_F(ListGridRealViews, TogglingTwiceReturnsToTheListAndTheKeysFollowTheShownView) {
  list->Select(list->ItemAtRow(0), false);
  ClickToggle();
  EXPECT_EQ(lg->ShownView(), grid);
  EXPECT_FALSE(list->IsVisible());
  EXPECT_EQ(grid->FrameRect(), (Rect{100, 132, 400, 300}));
  EXPECT_EQ(wm->Focus(), grid);
  Tap(Key::Right);  // from no current cell the move starts at cell 0
  Pump();
  EXPECT_EQ(grid->CurrentCell(), 1);
  EXPECT_EQ(list->CurrentItem(), list->ItemAtRow(0));

  ClickToggle();
  EXPECT_EQ(lg->ShownView(), list);
  EXPECT_FALSE(grid->IsVisible());
  EXPECT_EQ(list->FrameRect(), (Rect{100, 132, 400, 300}));
  EXPECT_EQ(wm->Focus(), list);
  EXPECT_STREQ(lg->ToggleButton()->GetTitle(), "List");
  Tap(Key::Down);
  Pump();
  EXPECT_EQ(list->CurrentItem(), list->ItemAtRow(1));
  EXPECT_EQ(grid->CurrentCell(), 1) << "the hidden grid hears nothing";
  EXPECT_EQ(changed, (std::vector<Window*>{grid, list}));
}

}  // namespace
