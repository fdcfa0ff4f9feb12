#include <gtest/gtest.h>

#include <memory>

#include "gui/Draw.h"
#include "gui/TabWindow.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

// Three pages "One", "Two" and "Three" in a tab window at screen (0, 0)-(400, 300). With
// 6-pixel characters the tabs span x 8..46, 38..76 and 68..118 (20 pixels of caps each,
// neighbours overlapping by 8).
class Tabs : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    frame = Frame({0, 0, 600, 400}, 0);
    tabs = new TabWindow(WindowFlag::Visible, frame);
    tabs->SetFrameRect({0, 0, 400, 300});
    for (const char* title : {"One", "Two", "Three"})
      pages.push_back(new ProbeWindow(0, tabs, title));
    Pump();
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  void CtrlKey(int key, bool shift = false) {
    Key(Key::Control, true);
    if (shift) Key(Key::Shift, true);
    Tap(key);
    if (shift) Key(Key::Shift, false);
    Key(Key::Control, false);
    Pump();
  }
  Font font{MonoFontData()};
  ProbeWindow* frame = nullptr;
  TabWindow* tabs = nullptr;
  std::vector<ProbeWindow*> pages;
};

TEST_F(Tabs, TheFirstPageShowsBelowTheTabsAndTheOthersHide) {
  EXPECT_EQ(tabs->CurrentTab(), 0);
  EXPECT_TRUE(pages[0]->IsVisible());
  EXPECT_FALSE(pages[1]->IsVisible());
  EXPECT_FALSE(pages[2]->IsVisible());
  EXPECT_EQ(pages[0]->FrameRect(), (Rect{0, 24, 400, 300}));
  EXPECT_EQ(tabs->TabRect(1), (Rect{38, 0, 76, 20}));
  EXPECT_EQ(tabs->TabRect(2), (Rect{68, 0, 118, 20}));
}

TEST_F(Tabs, APressSelectsTheTabUnderItTheCurrentOneWinningWhereTabsOverlap) {
  Click(60, 10);
  Pump();
  EXPECT_EQ(tabs->CurrentTab(), 1);
  EXPECT_TRUE(pages[1]->IsVisible());
  EXPECT_FALSE(pages[0]->IsVisible());
  EXPECT_EQ(wm->Focus(), pages[1]);
  Click(42, 10);  // on both "One" and "Two"
  Pump();
  EXPECT_EQ(tabs->CurrentTab(), 1);
  tabs->Select(0);
  Click(42, 10);
  Pump();
  EXPECT_EQ(tabs->CurrentTab(), 0);
}

TEST_F(Tabs, ControlKeysStepThroughTheTabsWrappingAround) {
  Window::SetFocus(pages[0], 0);
  CtrlKey(Key::Tab);
  EXPECT_EQ(tabs->CurrentTab(), 1);
  EXPECT_EQ(wm->Focus(), pages[1]);
  CtrlKey(Key::Right);
  CtrlKey(Key::Tab);
  EXPECT_EQ(tabs->CurrentTab(), 0) << "Ctrl+Tab on the last tab selects the first";
  CtrlKey(Key::Tab, true);
  EXPECT_EQ(tabs->CurrentTab(), 2);
  CtrlKey(Key::Left);
  EXPECT_EQ(tabs->CurrentTab(), 1);
  for (const ProbeWindow* page : pages) {
    for (const InputEvent& e : page->keys) {
      EXPECT_TRUE(e.b == 0 || (e.a != Key::Tab && e.a != Key::Left && e.a != Key::Right)) << e.a;
    }
  }
}

TEST_F(Tabs, RemovingPagesKeepsASensibleCurrentPage) {
  tabs->Select(2);
  delete pages[0];  // before the current one: "Three" stays current
  EXPECT_EQ(tabs->CurrentTab(), 1);
  EXPECT_EQ(tabs->CurrentPage(), pages[2]);
  delete pages[2];  // the current one: the one before it takes over
  EXPECT_EQ(tabs->CurrentPage(), pages[1]);
  EXPECT_TRUE(pages[1]->IsVisible());
  auto* four = new ProbeWindow(0, tabs, "Four");
  EXPECT_FALSE(four->IsVisible());
  delete pages[1];  // the current first page: the new first page takes over
  EXPECT_EQ(tabs->CurrentPage(), four);
  EXPECT_TRUE(four->IsVisible());
  delete four;  // the only page: nothing is shown
  EXPECT_EQ(tabs->CurrentTab(), -1);
  EXPECT_EQ(tabs->TabCount(), 0);
  Window::SetFocus(tabs, 0);
  CtrlKey(Key::Tab);  // without tabs: nothing to step through
  EXPECT_EQ(tabs->CurrentTab(), -1);
}

}  // namespace
