#include <gtest/gtest.h>

#include "gui/ScrollableWindow.h"
#include "support/WmHarness.h"

namespace {

// A scrollable window at screen (100, 100)-(200, 328): its vertical bar is x 186..200 with the
// arrows at y 100..114 and 314..328 and a 200-pixel track between. With range 100 and page 10
// the thumb is 20 long and travels 180 pixels, so position p puts it at y 114 + 2p.
class ScrollBars : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    ProbeWindow* frame = Frame({100, 100, 500, 500}, 0);
    view = new ScrollableWindow(WindowFlag::Visible, frame);
    view->SetFrameRect({0, 0, 100, 228});
    view->SetRanges(ScrollableWindow::kVerticalBar, 0, 100, 0, 10);
    Pump();
  }
  void Later(double seconds) {
    platform.now += seconds;
    Pump();
  }
  ScrollableWindow* view = nullptr;
};

TEST_F(ScrollBars, ClientLosesTheBarAndPositionsClampToTheRange) {
  EXPECT_EQ(view->ClientRect(), (Rect{100, 100, 186, 328}));
  view->SetVerticalPosition(95);
  EXPECT_EQ(view->VerticalPosition(), 90);
  view->SetVerticalPosition(-3);
  EXPECT_EQ(view->VerticalPosition(), 0);
  view->SetRanges(ScrollableWindow::kVerticalBar, 0, 5, 0, 10);  // shorter than a page
  view->SetVerticalPosition(3);
  EXPECT_EQ(view->VerticalPosition(), 0);
  view->SetRanges(0, 0, 100, 0, 10);
  EXPECT_EQ(view->ClientRect(), (Rect{100, 100, 200, 328}));
}

TEST_F(ScrollBars, DraggingTheThumbFollowsTheFreeTrack) {
  EXPECT_EQ(view->BarPartAt({193, 124}), ScrollPart::VerticalThumb);
  Press(193, 124);
  Move(193, 174);  // 50 of 180 pixels
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 25);
  Move(193, 1000);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 90);
  Move(193, 0);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 0);
  Release(193, 0);
  Pump();
  EXPECT_EQ(view->PressedPart(), ScrollPart::None);
}

TEST_F(ScrollBars, AThumbWithNoRoomToTravelCannotBeDragged) {
  view->SetFrameRect({0, 0, 100, 30});  // a track of 2 pixels, all thumb
  ASSERT_EQ(view->BarPartAt({193, 115}), ScrollPart::VerticalThumb);
  Press(193, 115);
  Move(193, 165);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 0);
  Release(193, 165);
  view->SetFrameRect({0, 0, 100, 20});  // shorter than both arrows: the halves are arrows
  EXPECT_EQ(view->BarPartAt({193, 105}), ScrollPart::Up);
  Click(193, 115);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 1);
}

TEST_F(ScrollBars, AnArrowScrollsOnThePressAndRepeatsOnceAFrameAtMost) {
  Press(193, 320);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 1) << "the press itself scrolls";
  Later(1.0);
  EXPECT_EQ(view->VerticalPosition(), 2) << "a long frame still repeats once";
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 2) << "not before 1/30 s";
  Later(1.0 / 30);
  EXPECT_EQ(view->VerticalPosition(), 3);
  Move(193, 200);  // off the arrow: no repeats
  Later(1.0);
  EXPECT_EQ(view->VerticalPosition(), 3);
  Move(193, 320);
  Later(1.0);
  EXPECT_EQ(view->VerticalPosition(), 4);
  Release(193, 320);
  Later(1.0);
  EXPECT_EQ(view->VerticalPosition(), 4);
  Click(193, 105);  // the up arrow
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 3);
}

TEST_F(ScrollBars, APageAreaRepeatsEveryFifthOfASecondUntilTheThumbReachesThePointer) {
  Press(193, 200);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 10);
  Later(0.1);
  EXPECT_EQ(view->VerticalPosition(), 10);
  Later(0.11);
  EXPECT_EQ(view->VerticalPosition(), 20);
  for (int i = 0; i < 10; ++i) Later(0.25);
  EXPECT_EQ(view->VerticalPosition(), 40) << "the thumb (194..214) now lies under the pointer";
  Release(193, 200);
  Pump();
  Click(193, 150);  // page up
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 30);
}

TEST_F(ScrollBars, TheWheelMovesTowardsTheStartWhenTurnedForward) {
  view->SetRanges(ScrollableWindow::kVerticalBar | ScrollableWindow::kHorizontalBar, 300, 100, 50,
                  10);
  view->SetVerticalPosition(50);
  view->SetHorizontalPosition(20);
  Move(150, 200);
  Wheel(0, 2);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 48);
  Wheel(2, -1);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 51);
  Wheel(0, 1, true);
  Pump();
  EXPECT_EQ(view->HorizontalPosition(), 19);
  EXPECT_EQ(view->VerticalPosition(), 51);
  Move(193, 200);  // on the bar
  Wheel(-1, -5);
  Pump();
  EXPECT_EQ(view->VerticalPosition(), 55);
}

TEST_F(ScrollBars, TheSizeBoxResizesTheWindow) {
  view->SetRanges(ScrollableWindow::kVerticalBar | ScrollableWindow::kHorizontalBar, 300, 100, 50,
                  10);
  view->ShowSizeBox();
  ASSERT_EQ(view->BarPartAt({193, 321}), ScrollPart::SizeBox);
  Press(193, 321);
  Move(223, 301);
  Release(223, 301);
  Pump();
  EXPECT_EQ(view->FrameRect(), (Rect{100, 100, 230, 308}));
}

}  // namespace
