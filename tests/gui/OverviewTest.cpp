#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "gui/WindowManager.h"
#include "support/WmHarness.h"

namespace {

constexpr uint32_t kFramed = WindowFlag::TitleBar | WindowFlag::ThickFrame;

Point Centre(const Rect& r) {
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool Settled(const WindowManager& wm) {
  return (wm.RedrawFlags() & WindowManager::kOverviewSettled) != 0;
}
bool Closing(const WindowManager& wm) {
  return (wm.RedrawFlags() & WindowManager::kOverviewClosing) != 0;
}

class OverviewTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    a = Frame({40, 40, 340, 240}, kFramed, "A");
    b = Frame({200, 150, 600, 450}, kFramed, "B");  // created last: on top
    Window::SetFocus(b, 0);
    Pump();
  }
  // Opens the overview with F10 and returns the time the animation started at.
  double Open() {
    Tap(Key::F10);
    Pump();
    EXPECT_TRUE(wm->OverviewShown());
    return platform.now;  // the pump drew, so the clock did not move after the F10
  }
  // Pumps until the animation has settled (or the budget runs out).
  void PumpUntilSettled() {
    for (int i = 0; i < 1000 && !Settled(*wm); ++i) Pump();
    ASSERT_TRUE(Settled(*wm));
  }
  void PumpUntilClosed() {
    for (int i = 0; i < 1000 && wm->OverviewShown(); ++i) Pump();
    ASSERT_FALSE(wm->OverviewShown());
  }

  ProbeWindow* a = nullptr;
  ProbeWindow* b = nullptr;
};

TEST_F(OverviewTest, F10OpensItAndItTakesEveryOtherEvent) {
  Open();
  Key('K', true);
  Char('k');
  Click(Centre(b->ClientRect()).x, Centre(b->ClientRect()).y);
  Pump();
  EXPECT_TRUE(b->keys.empty());
  EXPECT_TRUE(b->chars.empty());
  EXPECT_TRUE(b->buttons.empty());
  EXPECT_TRUE(wm->OverviewShown()) << "the release of the opening F10 did not close it";
}

TEST_F(OverviewTest, F10DoesNotOpenItWhileAModalLoopRuns) {
  platform.Then([this](FakePlatform& p) {
    if (p.wm->TopModalWindow() != b) return false;
    Tap(Key::F10);
    return true;
  });
  platform.Then([this](FakePlatform&) {
    wm->EndModal(b, 0);
    return true;
  });
  wm->RunModal(b, WindowManager::kModalKeys);
  EXPECT_FALSE(wm->OverviewShown());
  for (const InputEvent& e : b->keys) {
    EXPECT_FALSE(e.a == Key::F10 && e.b == 1) << "the press is consumed either way";
  }
}

TEST_F(OverviewTest, TheProgressEasesInOverAQuarterOfASecond) {
  const double start = Open();
  EXPECT_EQ(wm->OverviewProgress(), 0.0f);
  float previous = 0;
  while (!Settled(*wm) && platform.now - start < 1.0) {
    Pump();
    const double t = std::min(1.0, (platform.now - start) / 0.25);
    const double expected = (1 - std::cos(t * std::numbers::pi)) * 0.5 * t;
    ASSERT_NEAR(wm->OverviewProgress(), expected, 1e-5) << "at t = " << t;
    ASSERT_GE(wm->OverviewProgress(), previous);
    previous = wm->OverviewProgress();
  }
  EXPECT_TRUE(Settled(*wm));
  EXPECT_NEAR(platform.now - start, 0.25, 0.0015);
  EXPECT_EQ(wm->OverviewProgress(), 1.0f);
}

TEST_F(OverviewTest, HalfWayThroughTheProgressIsAQuarter) {
  const double start = Open();
  platform.now = start + 0.125;
  wm->AdvanceOverview();
  EXPECT_NEAR(wm->OverviewProgress(), 0.25, 1e-6);
  platform.now = start + 0.0625;  // a quarter of the way: (1 - cos 45°) / 8
  wm->AdvanceOverview();
  EXPECT_NEAR(wm->OverviewProgress(), (1 - std::sqrt(0.5)) / 8, 1e-6);
}

TEST_F(OverviewTest, EveryAnimatedFrameIsAFullRedrawAndASettledOverviewDrawsNothingMore) {
  Open();
  int animated = 0;
  while (!Settled(*wm)) {
    const int frames = renderer.frames;
    Pump();
    ASSERT_EQ(renderer.frames, frames + 1) << "after " << animated << " animated frames";
    ++animated;
  }
  EXPECT_GE(animated, 240);
  const int frames = renderer.frames;
  Pump(20);
  EXPECT_EQ(renderer.frames, frames);
}

TEST_F(OverviewTest, VisibleWindowsOfLayer0GetSlotsInsideIt) {
  ProbeWindow* hidden = Frame({100, 300, 200, 400}, kFramed, "hidden");
  hidden->Hide();
  ProbeWindow* left_out = Frame({400, 50, 500, 120}, kFramed | WindowFlag::NoOverview, "out");
  Pump();
  Open();
  const Rect area = wm->Layer0()->ClientRect();
  const Rect slot_a = a->OverviewRect();
  const Rect slot_b = b->OverviewRect();
  EXPECT_FALSE(slot_a.IsEmpty());
  EXPECT_FALSE(slot_b.IsEmpty());
  EXPECT_TRUE(area.Contains(slot_a));
  EXPECT_TRUE(area.Contains(slot_b));
  EXPECT_FALSE(slot_a.Intersects(slot_b));
  EXPECT_TRUE(hidden->OverviewRect().IsEmpty());
  EXPECT_TRUE(left_out->OverviewRect().IsEmpty());
}

TEST_F(OverviewTest, F10AgainClosesItOnceSettledAndTheProgressRunsBackToZero) {
  Open();
  Tap(Key::F10);  // still opening: ignored
  Pump();
  EXPECT_FALSE(Closing(*wm));
  PumpUntilSettled();
  EXPECT_TRUE(wm->OverviewShown());

  Tap(Key::F10);
  Pump();
  EXPECT_TRUE(Closing(*wm));
  float previous = wm->OverviewProgress();
  EXPECT_LE(previous, 1.0f);
  while (wm->OverviewShown()) {
    Pump();
    ASSERT_LE(wm->OverviewProgress(), previous);
    previous = wm->OverviewProgress();
  }
  EXPECT_EQ(wm->OverviewProgress(), 0.0f);

  // Events reach the windows again.
  Tap('K');
  Pump();
  ASSERT_EQ(b->keys.size(), 2u);
  EXPECT_EQ(b->keys[0].a, 'K');
}

TEST_F(OverviewTest, ALoneF10ReleaseClosesItToo) {
  Open();
  PumpUntilSettled();
  Key(Key::F10, false);
  Pump();
  EXPECT_TRUE(Closing(*wm));
  PumpUntilClosed();
}

TEST_F(OverviewTest, AClickInAWindowsSlotBringsItToTheFrontFocusesItAndCloses) {
  Open();
  PumpUntilSettled();
  ASSERT_EQ(wm->Layer0()->FirstChild(), b);
  const Point in_a = Centre(a->OverviewRect());
  ASSERT_FALSE(b->OverviewRect().Contains(in_a));
  Click(in_a.x, in_a.y);
  Pump();
  EXPECT_EQ(wm->Layer0()->FirstChild(), a);
  EXPECT_EQ(wm->Focus(), a);
  EXPECT_TRUE(Closing(*wm));
  EXPECT_TRUE(a->buttons.empty()) << "the click itself goes no further";
  PumpUntilClosed();
}

TEST_F(OverviewTest, AClickOutsideEverySlotChangesNothing) {
  Open();
  PumpUntilSettled();
  Point outside = {2, 2};
  ASSERT_FALSE(a->OverviewRect().Contains(outside));
  ASSERT_FALSE(b->OverviewRect().Contains(outside));
  Click(outside.x, outside.y);
  Pump();
  EXPECT_TRUE(wm->OverviewShown());
  EXPECT_FALSE(Closing(*wm));
  EXPECT_EQ(wm->Layer0()->FirstChild(), b);
}

bool g_overview_shown_at_quit_check = true;
int g_quit_checks = 0;

TEST_F(OverviewTest, ACloseRequestClosesTheOverviewBeforeTheQuitCheck) {
  g_overview_shown_at_quit_check = true;
  g_quit_checks = 0;
  wm->SetQuitCheck([] {
    ++g_quit_checks;
    g_overview_shown_at_quit_check = WM().OverviewShown();
    return false;  // keep running
  });
  Open();
  wm->PostCloseRequest();  // while the overview is still opening
  Pump();
  EXPECT_EQ(g_quit_checks, 1);
  EXPECT_FALSE(g_overview_shown_at_quit_check);
  EXPECT_FALSE(wm->OverviewShown());
  EXPECT_TRUE(wm->IsRunning());
  EXPECT_FALSE(platform.budget_exhausted);
}

}  // namespace
