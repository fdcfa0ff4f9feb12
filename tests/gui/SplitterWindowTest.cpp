#include <gtest/gtest.h>

#include "gui/SplitterWindow.h"
#include "support/WmHarness.h"

namespace {

// A splitter at screen (0, 0)-(300, 200) with two panes; the divider bar is 4 pixels.
class Splitter : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    frame = Frame({0, 0, 600, 400}, 0);
    splitter = new SplitterWindow(WindowFlag::Visible, frame);
    splitter->SetFrameRect({0, 0, 300, 200});
    first = new ProbeWindow(0, nullptr);
    second = new ProbeWindow(0, nullptr);
    splitter->SetPane(0, first, 100);
    splitter->SetPane(1, second, 100);
  }
  ProbeWindow* frame = nullptr;
  SplitterWindow* splitter = nullptr;
  ProbeWindow* first = nullptr;
  ProbeWindow* second = nullptr;
};

TEST_F(Splitter, ADraggedDividerStaysBetweenTheMinimumSizes) {
  splitter->SetDividerPosition(150);
  EXPECT_EQ(first->FrameRect(), (Rect{0, 0, 150, 200}));
  EXPECT_EQ(second->FrameRect(), (Rect{154, 0, 300, 200}));
  Press(151, 50);
  Move(51, 50);
  Pump();
  EXPECT_EQ(splitter->DividerPosition(), 100);
  Move(351, 60);
  Pump();
  EXPECT_EQ(splitter->DividerPosition(), 200);
  EXPECT_EQ(second->FrameRect(), (Rect{204, 0, 300, 200}));
  Release(351, 60);
  Pump();
  EXPECT_EQ(splitter->GetTitle(), std::string("SplitterWindow"));
}

TEST_F(Splitter, TooNarrowForBothMinimumsItSplitsInHalf) {
  splitter->SetFrameRect({0, 0, 150, 200});
  EXPECT_EQ(splitter->DividerPosition(), 75);
  // However small, no pane gets a negative size.
  splitter->SetFrameRect({0, 0, 3, 200});
  EXPECT_EQ(splitter->DividerPosition(), 1);
  EXPECT_EQ(first->FrameRect().Width(), 1);
  EXPECT_EQ(second->FrameRect().Width(), 0);
  EXPECT_GE(second->FrameRect().left, first->FrameRect().right);
}

TEST_F(Splitter, FixedModesKeepOnePaneAtItsMinimumAndCannotBeDragged) {
  splitter->SetPane(1, second, 80);
  splitter->SetMode(SplitterWindow::kSecondFixed);
  EXPECT_EQ(splitter->DividerPosition(), 220);
  splitter->SetFrameRect({0, 0, 400, 200});
  EXPECT_EQ(splitter->DividerPosition(), 320);
  Press(321, 50);
  Move(250, 50);
  Release(250, 50);
  Pump();
  EXPECT_EQ(splitter->DividerPosition(), 320);
  splitter->SetMode(SplitterWindow::kFirstFixed);
  EXPECT_EQ(splitter->DividerPosition(), 100);
  splitter->SetOrientation(SplitterWindow::kStacked);
  EXPECT_EQ(first->FrameRect(), (Rect{0, 0, 400, 100}));
  EXPECT_EQ(second->FrameRect(), (Rect{0, 104, 400, 200}));
}

TEST_F(Splitter, ReplacingAPaneHandsBackTheOldOneAndAloneAPaneFillsTheSplitter) {
  auto* third = new ProbeWindow(0, nullptr);
  EXPECT_EQ(splitter->SetPane(1, third, 10), second);
  EXPECT_EQ(second->Parent(), nullptr);
  EXPECT_EQ(third->Parent(), splitter);
  delete second;
  delete third;  // a pane that goes away leaves the other alone
  EXPECT_EQ(splitter->Pane(1), nullptr);
  EXPECT_EQ(first->FrameRect(), (Rect{0, 0, 300, 200}));
}

}  // namespace
