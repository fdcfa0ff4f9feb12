#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gui/Button.h"
#include "gui/ListGridWindow.h"
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

}  // namespace
