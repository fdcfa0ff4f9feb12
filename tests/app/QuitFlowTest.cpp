#include "app/QuitCheck.h"
#include "gui/MessageBoxWindow.h"
#include "support/WmHarness.h"

namespace {

class QuitFlowTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    wm->SetQuitCheck(&StandardQuitCheck);
  }
  // Answers the quit box by keyboard: Tab moves to the wanted button, Enter presses it.
  void AnswerQuitBox(int button_index) {
    platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Really Quit Zarv?"); });
    platform.Then([this, button_index](FakePlatform&) {
      for (int i = 0; i < button_index; ++i) Tap(Key::Tab);
      Tap(Key::Enter);
      return true;
    });
  }
};

TEST_F(QuitFlowTest, QuitClosesEveryWindowAndEndsTheMainLoop) {
  auto* a = Frame({10, 10, 200, 200});
  auto* b = Frame({50, 50, 300, 300});
  // Both windows are destroyed by the quit: count their closing from outside.
  int closed = 0;
  Connect(
      a->closed, [](void* n, intptr_t) { ++*static_cast<int*>(n); }, &closed);
  Connect(
      b->closed, [](void* n, intptr_t) { ++*static_cast<int*>(n); }, &closed);
  AnswerQuitBox(0);
  wm->PostCloseRequest();
  wm->RunMainLoop();
  EXPECT_FALSE(wm->IsRunning());
  EXPECT_EQ(closed, 2);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(QuitFlowTest, DontQuitKeepsEveryWindow) {
  auto* a = Frame({10, 10, 200, 200});
  AnswerQuitBox(1);
  wm->PostCloseRequest();
  // The main loop would run forever after "Don't Quit"; stop it once the box is gone.
  platform.Then([](FakePlatform& p) {
    if (p.wm->ModalDepth() > 0) return false;
    p.wm->Quit();
    return true;
  });
  wm->RunMainLoop();
  EXPECT_EQ(a->close_requests, 0);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(QuitFlowTest, EscapeInTheQuitBoxKeepsRunning) {
  auto* a = Frame({10, 10, 200, 200});
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Really Quit Zarv?"); });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Escape);
    return true;
  });
  wm->PostCloseRequest();
  platform.Then([](FakePlatform& p) {
    if (p.wm->ModalDepth() > 0) return false;
    p.wm->Quit();
    return true;
  });
  wm->RunMainLoop();
  EXPECT_EQ(a->close_requests, 0) << "no window was asked: the quit was declined";
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(QuitFlowTest, RefusingWindowCancelsTheQuit) {
  auto* keeper = Frame({10, 10, 200, 200});
  keeper->refuse_close = true;
  auto* other = Frame({50, 50, 300, 300});  // topmost: asked first, agrees and closes
  (void)other;
  AnswerQuitBox(0);
  wm->PostCloseRequest();
  platform.Then([](FakePlatform& p) {
    if (p.wm->ModalDepth() > 0) return false;
    p.wm->Quit();
    return true;
  });
  wm->RunMainLoop();
  EXPECT_EQ(keeper->close_requests, 1);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1);
  EXPECT_EQ(wm->Layer0()->FirstChild(), keeper);
}

TEST_F(QuitFlowTest, CloseRequestDuringAPlainModalLoopBeepsAndKeepsRunning) {
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Question"); });
  platform.Then([](FakePlatform& p) {
    p.wm->PostCloseRequest();
    return true;
  });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Enter);
    return true;
  });
  const int32_t result = MessageBoxWindow::Show("Question", "Go on?", {"Yes", "No"});
  EXPECT_EQ(result, 0);
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_TRUE(platform.steps.empty());
}

TEST_F(QuitFlowTest, MessageBoxReturnsTheIndexOfThePressedButton) {
  for (int index = 0; index < 3; ++index) {
    platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Pick"); });
    platform.Then([this, index](FakePlatform&) {
      for (int i = 0; i < index; ++i) Tap(Key::Tab);
      Tap(Key::Enter);
      return true;
    });
    EXPECT_EQ(MessageBoxWindow::Show("Pick", nullptr, {"A", "B", "C"}), index);
    Pump(2);
    EXPECT_EQ(wm->Layer1()->ChildCount(), 0) << "the box is deleted after its loop";
  }
}

}  // namespace
