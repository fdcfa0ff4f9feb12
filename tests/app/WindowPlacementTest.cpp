#include "app/Preferences.h"
#include "app/WindowPlacement.h"
#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "support/WmHarness.h"

namespace {

class WindowPlacementTest : public WmTest {
 protected:
  void SetUp() override {
    ClearPrefs();
    WmTest::SetUp();
  }
  void TearDown() override {
    WmTest::TearDown();
    ClearPrefs();
  }
  static std::string Stored(const char* key) {
    std::string text;
    EXPECT_TRUE(GetPrefString(key, &text));
    return text;
  }
  static constexpr uint32_t kResizable = WindowFlag::TitleBar | WindowFlag::Resizable;
};

TEST_F(WindowPlacementTest, NormalWindowRoundTrips) {
  auto* w = Frame({30, 40, 330, 240}, kResizable);
  SaveWindowPlacement(w, "P");
  EXPECT_EQ(Stored("P"), "0 30 40 330 240");
  w->SetFrameRect({0, 0, 200, 100});
  ASSERT_TRUE(LoadWindowPlacement(w, "P", false));
  EXPECT_EQ(w->FrameRectInParent(), (Rect{30, 40, 330, 240}));
  EXPECT_EQ(w->GetShowState(), kShowNormal);
}

TEST_F(WindowPlacementTest, MaximisedWindowStoresItsRestoreRectangleAndComesBackMaximised) {
  auto* w = Frame({30, 40, 330, 240}, kResizable);
  w->SetShowState(kShowMaximized);
  SaveWindowPlacement(w, "P");
  EXPECT_EQ(Stored("P"), "2 30 40 330 240");

  auto* other = Frame({0, 0, 100, 100}, kResizable);
  ASSERT_TRUE(LoadWindowPlacement(other, "P", false));
  EXPECT_EQ(other->GetShowState(), kShowMaximized);
  EXPECT_EQ(other->FrameRectInParent(), (Rect{0, 0, 800, 600}));
  other->SetShowState(kShowNormal);
  EXPECT_EQ(other->FrameRectInParent(), (Rect{30, 40, 330, 240}));
}

TEST_F(WindowPlacementTest, KeepOnScreenMovesWithoutResizing) {
  auto* w = Frame({0, 0, 100, 100}, kResizable);
  SetPrefString("P", "0 700 550 900 650");
  ASSERT_TRUE(LoadWindowPlacement(w, "P", true));
  EXPECT_EQ(w->FrameRectInParent(), (Rect{600, 500, 800, 600}));
  SetPrefString("P", "0 -50 -20 150 80");
  ASSERT_TRUE(LoadWindowPlacement(w, "P", true));
  EXPECT_EQ(w->FrameRectInParent(), (Rect{0, 0, 200, 100}));
}

TEST_F(WindowPlacementTest, LargerThanTheDesktopIsShrunkToLayer0) {
  auto* w = Frame({0, 0, 100, 100}, kResizable);
  SetPrefString("P", "0 10 10 2010 1510");
  ASSERT_TRUE(LoadWindowPlacement(w, "P", false));
  EXPECT_EQ(w->FrameRectInParent(), (Rect{0, 0, 800, 600}));
}

TEST_F(WindowPlacementTest, MissingOrMalformedPlacementChangesNothing) {
  auto* w = Frame({5, 6, 105, 106}, kResizable);
  EXPECT_FALSE(LoadWindowPlacement(w, "Missing", true));
  SetPrefInt("Number", 3);
  EXPECT_FALSE(LoadWindowPlacement(w, "Number", true));
  SetPrefString("Short", "0 1 2 3");
  EXPECT_FALSE(LoadWindowPlacement(w, "Short", true));
  EXPECT_EQ(w->FrameRectInParent(), (Rect{5, 6, 105, 106}));
}

TEST_F(WindowPlacementTest, CheckBoxStateIsSavedAndRestoredSilently) {
  auto* dialog = Frame({0, 0, 300, 200});
  auto* box = new CheckBox(dialog, "Invert", 1);
  int emitted = 0;
  Connect(
      box->clicked, [](void* count, intptr_t) { ++*static_cast<int*>(count); }, &emitted);
  box->SetState(Button::kOn, true);
  SyncControlPrefs("AutoCollectionDialog", true, {{"InvertAlphas", box}});
  int32_t stored = -1;
  ASSERT_TRUE(GetPrefInt("AutoCollectionDialog.InvertAlphas", &stored));
  EXPECT_EQ(stored, Button::kOn);

  box->SetState(Button::kUp, true);
  SyncControlPrefs("AutoCollectionDialog", false, {{"InvertAlphas", box}});
  EXPECT_EQ(box->GetState(), Button::kOn);
  EXPECT_EQ(emitted, 0);

  SetPrefInt("AutoCollectionDialog.InvertAlphas", 7);
  SyncControlPrefs("AutoCollectionDialog", false, {{"InvertAlphas", box}});
  EXPECT_EQ(box->GetState(), Button::kOn) << "values of 4 and above are ignored";
}

TEST_F(WindowPlacementTest, ControlsOfOtherClassesAreLeftAlone) {
  auto* dialog = Frame({0, 0, 300, 200});
  auto* button = new Button(dialog, "Go", 1);
  SyncControlPrefs("Owner", true, {{"Go", button}, {nullptr, nullptr}, {"After", button}});
  int32_t value = 0;
  EXPECT_FALSE(GetPrefInt("Owner.Go", &value));
  EXPECT_FALSE(GetPrefInt("Owner.After", &value));
}

}  // namespace
