#include <gtest/gtest.h>

#include <string>

#include "base/MessageLog.h"
#include "gui/ListWindow.h"
#include "gui/MessageLogWindow.h"
#include "gui/SplitterWindow.h"
#include "gui/TextBox.h"
#include "support/WmHarness.h"

namespace {

// The editor's arrangement: the sink installed, the viewer's idle step in the idle hook.
class LogViewer : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    InstallLogViewerSink();
    wm->SetIdleHook(&LogViewerIdle);
  }
  void TearDown() override {
    WmTest::TearDown();
    RemoveLogViewerSink();
  }
  static MessageLogWindow* Viewer() { return MessageLogWindow::Instance(); }
  static std::string Text(const char* log) {
    MessageLogWindow* v = Viewer();
    return v ? v->LogText(v->FindLog(log))->GetText() : std::string();
  }
  static std::string SelectedName() {
    ListItem* item = Viewer()->NameList()->SelectedItem();
    return item ? item->text : std::string();
  }
  void CtrlW() {
    Key(Key::Control, true);
    Tap('W');
    Key(Key::Control, false);
    Pump();
  }
};

TEST_F(LogViewer, LinesToTwoLogsListTwoLogsEachWithItsOwnLines) {
  LogMessage(2, "a", "first %d\n", 1);
  LogMessage(2, "b", "second");
  LogMessage(2, "a", "third\n");
  Pump();
  ASSERT_NE(Viewer(), nullptr);
  ASSERT_EQ(Viewer()->LogCount(), 2);
  EXPECT_EQ(Viewer()->LogName(0), "a");
  EXPECT_EQ(Viewer()->LogName(1), "b");
  EXPECT_EQ(Text("a"), "first 1\nthird");
  EXPECT_EQ(Text("b"), "second");
  EXPECT_EQ(Viewer()->LogLines(0), 2);
  // The last line's log is the one shown, in the right pane, its row selected.
  EXPECT_EQ(Viewer()->ShownLog(), 0);
  EXPECT_EQ(Viewer()->Splitter()->Pane(1), Viewer()->LogText(0));
  EXPECT_FALSE(Viewer()->LogText(1)->IsVisible());
  // A hidden log is laid out for the pane it will show in.
  EXPECT_EQ(Viewer()->LogText(1)->FrameRect(), Viewer()->LogText(0)->FrameRect());
  EXPECT_EQ(SelectedName(), "a");
  EXPECT_EQ(Viewer()->NameList()->ItemCount(), 2);
}

TEST_F(LogViewer, ALogsTextIsShownAsItStands) {
  LogMessage(2, "a", "%s", "|bnot bold\r\nline two");
  Pump();
  EXPECT_TRUE(Viewer()->LogText(0)->IsLiteral());
  EXPECT_EQ(Text("a"), "|bnot bold\nline two");
  EXPECT_EQ(Viewer()->LogLines(0), 2);
}

TEST_F(LogViewer, LevelZeroLeavesTheViewerHiddenAndLevelOneShowsItOnItsLog) {
  LogMessage(0, "a", "an error");
  Pump();
  ASSERT_NE(Viewer(), nullptr);
  EXPECT_FALSE(Viewer()->IsVisible());
  EXPECT_EQ(Text("a"), "an error");
  Frame({300, 300, 400, 400}, WindowFlag::TitleBar, "other");
  LogMessage(1, "b", "a warning");
  Pump();
  EXPECT_TRUE(Viewer()->IsVisible());
  EXPECT_EQ(wm->Layer0()->FirstChild(), Viewer());
  EXPECT_EQ(Viewer()->ShownLog(), 1);
  EXPECT_EQ(SelectedName(), "b");
}

TEST_F(LogViewer, EveryLevelAboveZeroBringsTheViewerForward) {
  LogMessage(2, "a", "information");
  Pump();
  ASSERT_NE(Viewer(), nullptr);
  EXPECT_TRUE(Viewer()->IsVisible());
  Viewer()->Hide();
  LogMessage(0, "a", "an error");
  Pump();
  EXPECT_FALSE(Viewer()->IsVisible());
}

TEST_F(LogViewer, TheViewerOpensAt32By32With600By256ToShow) {
  MessageLogWindow* v = OpenLogViewer();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->GetTitle(), std::string("Log Viewer"));
  EXPECT_EQ(v->Flags() & ~WindowFlag::Visible, 7534u);
  EXPECT_EQ(v->FrameRectInParent().left, 32);
  EXPECT_EQ(v->FrameRectInParent().top, 32);
  EXPECT_EQ(v->ClientRect().Width(), 600);
  EXPECT_EQ(v->ClientRect().Height(), 256);
  EXPECT_EQ(v->Splitter()->FrameRect(), v->ClientRect());
  EXPECT_EQ(v->NameList()->FrameRect().Width(), 128);
  // The user asked for it: the keyboard goes there.
  EXPECT_TRUE(v->IsAncestorOf(wm->Focus()));
}

TEST_F(LogViewer, ClosingOnlyHidesTheViewerAndReopeningKeepsTheLogs) {
  LogMessage(1, "a", "kept");
  LogMessage(2, "b", "kept too");
  MessageLogWindow* v = OpenLogViewer();
  CtrlW();
  EXPECT_EQ(Viewer(), v);
  EXPECT_FALSE(v->IsVisible());
  EXPECT_FALSE(Window::TryClose(v, true));  // the close button's way
  Pump();
  EXPECT_EQ(OpenLogViewer(), v);
  EXPECT_TRUE(v->IsVisible());
  EXPECT_EQ(v->LogCount(), 2);
  EXPECT_EQ(Text("a"), "kept");
  EXPECT_EQ(Text("b"), "kept too");
}

TEST_F(LogViewer, ChoosingARowShowsItsLogAndTheFocusStaysInTheList) {
  LogMessage(2, "a", "in a");
  LogMessage(2, "b", "in b");
  OpenLogViewer();
  Window::SetFocus(Viewer()->NameList(), 0);
  Tap(Key::Up);
  Pump();
  EXPECT_EQ(Viewer()->ShownLog(), 0);
  EXPECT_EQ(Viewer()->Splitter()->Pane(1), Viewer()->LogText(0));
  EXPECT_TRUE(Viewer()->LogText(0)->IsVisible());
  EXPECT_FALSE(Viewer()->LogText(1)->IsVisible());
  EXPECT_EQ(wm->Focus(), Viewer()->NameList());
}

TEST_F(LogViewer, LinesWrittenBeforeTheWindowManagerExistedReachTheViewer) {
  wm.reset();
  RemoveLogViewerSink();
  InstallLogViewerSink();
  LogMessage(1, "early", "before any window");
  EXPECT_EQ(MessageLogWindow::Instance(), nullptr);
  WmTest::SetUp();
  wm->SetIdleHook(&LogViewerIdle);
  Pump();
  ASSERT_NE(Viewer(), nullptr);
  EXPECT_EQ(Text("early"), "before any window");
  EXPECT_TRUE(Viewer()->IsVisible());
}

TEST_F(LogViewer, LinesOfAViewerNotYetMadeAppearWhenItOpens) {
  wm->SetIdleHook(nullptr);  // a program that never runs the viewer's idle step
  LogMessage(0, "a", "waiting");
  Pump(3);
  EXPECT_EQ(Viewer(), nullptr);
  OpenLogViewer();
  EXPECT_EQ(Text("a"), "waiting");
}

// Logs a line while the frame is drawn and notes what the viewer looked like meanwhile.
class LoggingRenderer : public Renderer {
 public:
  bool Render(WindowManager& wm) override {
    if (log_next) {
      log_next = false;
      MessageLogWindow* v = MessageLogWindow::Instance();
      const int32_t logs_before = v ? v->LogCount() : -1;
      LogMessage(1, "draw", "logged while drawing");
      v = MessageLogWindow::Instance();
      changed_mid_draw = (v ? v->LogCount() : -1) != logs_before || (v && v->IsVisible());
      logged = true;
    }
    wm.ClearRedraw();
    return true;
  }
  bool log_next = false;
  bool logged = false;
  bool changed_mid_draw = false;
};

TEST_F(LogViewer, ALineLoggedWhileDrawingChangesTheViewerAtTheNextIdleStep) {
  LogMessage(0, "a", "made the viewer");
  Pump();
  ASSERT_NE(Viewer(), nullptr);
  LoggingRenderer drawing;
  wm->SetRenderer(&drawing);
  drawing.log_next = true;
  wm->RequestFullRedraw();
  Pump();
  ASSERT_TRUE(drawing.logged);
  EXPECT_FALSE(drawing.changed_mid_draw);
  EXPECT_EQ(Viewer()->LogCount(), 1);
  Pump();
  EXPECT_EQ(Viewer()->LogCount(), 2);
  EXPECT_EQ(Text("draw"), "logged while drawing");
  EXPECT_TRUE(Viewer()->IsVisible());
  wm->SetRenderer(&renderer);
}

TEST_F(LogViewer, AfterTheViewerIsGoneLinesGoToTheSinkBefore) {
  RemoveLogViewerSink();
  MessageCapture capture;  // stands in for standard error
  InstallLogViewerSink();
  OpenLogViewer();
  LogMessage(2, "a", "shown");
  Pump();
  EXPECT_EQ(capture.lines(), 0);
  LogMessage(0, "a", "stored, never shown");
  // The quit flow may close the viewer for good.
  ASSERT_TRUE(Viewer()->RequestClose(false));
  Window::Close(Viewer());
  Pump();
  EXPECT_EQ(MessageLogWindow::Instance(), nullptr);
  EXPECT_EQ(capture.text(), "stored, never shown");
  LogMessage(0, "a", " and after");
  Pump();
  EXPECT_EQ(MessageLogWindow::Instance(), nullptr);
  EXPECT_EQ(capture.text(), "stored, never shown and after");
  // So do the lines after the window manager itself is gone.
  wm.reset();
  LogMessage(1, "a", "; at exit");
  EXPECT_EQ(capture.text(), "stored, never shown and after; at exit");
  RemoveLogViewerSink();
}

class LogViewerFocus : public LogViewer {};

TEST_F(LogViewerFocus, ALineNeverTakesTheFocusFromAnotherWindow) {
  ProbeWindow* other = Frame({300, 300, 500, 500}, WindowFlag::TitleBar, "other");
  Window::SetFocus(other, 0);
  LogMessage(1, "a", "warning");
  Pump();
  LogMessage(0, "b", "error in another log");
  Pump();
  EXPECT_TRUE(Viewer()->IsVisible());
  EXPECT_EQ(Viewer()->ShownLog(), 1);
  EXPECT_EQ(wm->Focus(), other);
}

TEST_F(LogViewerFocus, TheFocusInTheShownTextGoesOnToTheTextOfTheNewLog) {
  LogMessage(2, "a", "first");
  OpenLogViewer();
  ASSERT_EQ(wm->Focus(), Viewer()->LogText(0));
  LogMessage(2, "b", "second");
  Pump();
  EXPECT_EQ(Viewer()->ShownLog(), 1);
  EXPECT_EQ(wm->Focus(), Viewer()->LogText(1));
}

TEST_F(LogViewerFocus, AWarningDuringAModalLoopShowsTheViewerBelowTheModalWindow) {
  ProbeWindow* dialog = Frame({200, 200, 400, 300}, WindowFlag::TitleBar, "dialog");
  bool below = false;
  Window* focus_then = nullptr;
  platform.Then([&](FakePlatform&) {
    LogMessage(1, "a", "during the loop");
    return true;
  });
  platform.Then([&](FakePlatform& p) {
    if (!MessageLogWindow::Instance() || !MessageLogWindow::Instance()->IsVisible()) {
      return p.polls > 200;  // gives up, and the checks below fail
    }
    below = wm->Layer0()->FirstChild() == dialog &&
            dialog->NextSibling() == MessageLogWindow::Instance();
    focus_then = wm->Focus();
    wm->EndModal(dialog, 0);
    return true;
  });
  wm->RunModal(dialog, WindowManager::kModalKeys | WindowManager::kModalMouse);
  EXPECT_TRUE(below);
  EXPECT_EQ(focus_then, dialog);
}

class LogViewerCap : public LogViewer {
 protected:
  static constexpr int64_t kKept = MessageLogWindow::kKeptLines;
  static constexpr int64_t kOver = kKept + MessageLogWindow::kDropBatch + 1;
  void CheckCapped(int64_t logged) {
    MessageLogWindow* v = Viewer();
    ASSERT_NE(v, nullptr);
    TextBox* box = v->LogText(0);
    const int64_t dropped = logged - v->LogLines(0);
    EXPECT_GE(v->LogLines(0), kKept);
    EXPECT_LE(v->LogLines(0), kKept + MessageLogWindow::kDropBatch);
    EXPECT_EQ(v->DroppedLines(0), dropped);
    ASSERT_EQ(box->LineCount(), v->LogLines(0) + 1);
    EXPECT_EQ(box->LineText(0), "(" + std::to_string(dropped) + " older lines dropped)");
    // Whole lines went, the oldest first; the newest is there.
    EXPECT_EQ(box->LineText(1), "line " + std::to_string(dropped));
    EXPECT_EQ(box->LineText(box->LineCount() - 1), "line " + std::to_string(logged - 1));
  }
};

TEST_F(LogViewerCap, ALogShownAsItGrowsDropsItsOldestLinesWithANote) {
  OpenLogViewer();
  for (int64_t i = 0; i < kOver; ++i) {
    LogMessage(2, "big", "line %lld\n", static_cast<long long>(i));
    if (i % 5000 == 0) Pump();
  }
  Pump();
  CheckCapped(kOver);
  EXPECT_EQ(Viewer()->LogLines(0), kKept);
  // A later drop counts on from the note.
  for (int64_t i = kOver; i < kOver + kOver; ++i) {
    LogMessage(2, "big", "line %lld", static_cast<long long>(i));
  }
  Pump();
  CheckCapped(2 * kOver);
}

TEST_F(LogViewerCap, LinesWaitingForTheViewerAreCappedAsWell) {
  wm->SetIdleHook(nullptr);
  LogMessage(2, "big", "line 0");
  OpenLogViewer();
  wm->SetIdleHook(nullptr);
  // The viewer exists, but these wait until its next idle step, and more than a log keeps.
  for (int64_t i = 1; i < kOver + 5; ++i) {
    LogMessage(2, "big", "line %lld", static_cast<long long>(i));
  }
  Pump();
  CheckCapped(kOver + 5);
}

}  // namespace
