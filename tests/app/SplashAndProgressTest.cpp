#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ProgressWindow.h"
#include "app/ZarvSplashScreen.h"
#include "collections/DataFile.h"
#include "collections/Image.h"
#include "gui/Button.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

namespace fs = std::filesystem;

class SplashAndProgressTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    picture = fs::temp_directory_path() / ("zarv-splash-" + std::to_string(::getpid()) + ".bmp");
    Image image;
    std::vector<uint8_t> rgb(40 * 30 * 3, 90);
    image.setSize(40, 30, ImageFormat::kRgb, rgb.data());
    std::string error;
    ASSERT_TRUE(DataFile::saveImage(picture, image, DataFile::kBmp, error)) << error;
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
    fs::remove(picture);
  }
  // Clicks the middle of the top modal window once it is `class_name`.
  void ClickModalWhenShown(const char* class_name) {
    platform.Then([class_name](FakePlatform& p) {
      Window* w = p.wm->TopModalWindow();
      return w && std::string(w->GetClassName()) == class_name;
    });
    platform.Then([this](FakePlatform& p) {
      const Rect& r = p.wm->TopModalWindow()->ClientRect();
      Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      return true;
    });
  }

  Font font{MonoFontData()};
  fs::path picture;
};

TEST_F(SplashAndProgressTest, AboutClosesOnAClickAndTheSplashRunsItsCourse) {
  ZarvSplashScreen& splash = ZarvSplashScreen::Instance(picture.c_str());
  ASSERT_TRUE(splash.HasPicture());
  double start = platform.now;
  ClickModalWhenShown("ZarvSplashScreen");
  splash.ShowSplash();
  EXPECT_GE(platform.now - start,
            ZarvSplashScreen::kSplashHoldSeconds + ZarvSplashScreen::kFadeSeconds);
  EXPECT_FALSE(splash.IsVisible());
  EXPECT_EQ(splash.ClientRect().Width(), 40);

  start = platform.now;
  ClickModalWhenShown("ZarvSplashScreen");
  splash.ShowAbout();
  EXPECT_LT(platform.now - start, 0.5);
  EXPECT_STREQ(splash.GetTitle(), "About Zarv");
  EXPECT_EQ(splash.ClientRect().Width(), 40 + ZarvSplashScreen::kTextColumnWidth);
  EXPECT_EQ(wm->ModalDepth(), 0);

  EXPECT_EQ(ZarvSplashScreen::FadeAlpha(0, 1), 255);
  EXPECT_EQ(ZarvSplashScreen::FadeAlpha(0.5, 1), 128);
  EXPECT_EQ(ZarvSplashScreen::FadeAlpha(2, 1), 0);
}

TEST_F(SplashAndProgressTest, WithoutItsPictureTheSplashIsSkippedAndAboutStillShowsText) {
  ZarvSplashScreen& splash = ZarvSplashScreen::Instance("no/such/zarv.bmp");
  EXPECT_FALSE(splash.HasPicture());
  const int polls = platform.polls;
  splash.ShowSplash();
  EXPECT_LT(platform.polls - polls, 3);
  ClickModalWhenShown("ZarvSplashScreen");
  splash.ShowAbout();
  EXPECT_EQ(splash.ClientRect().Width(), ZarvSplashScreen::kTextColumnWidth);
  EXPECT_EQ(wm->ModalDepth(), 0);
}

// Each piece of work takes 20 ms of the clock.
struct Work {
  FakePlatform& platform;
  CountingRenderer& renderer;
  int pieces = 0;
  int total = 12;
  std::vector<int> frames;  // frames drawn when each piece began
  bool Step() {
    frames.push_back(renderer.frames);
    platform.now += 0.02;
    return ++pieces < total;
  }
};

TEST_F(SplashAndProgressTest, TheProgressWindowTakesAllInputWhileTheWorkRunsInSlices) {
  ProbeWindow* other = Frame({10, 10, 200, 200}, WindowFlag::TitleBar, "Other");
  Window::SetFocus(other, 0);
  Work work{platform, renderer, 0, 12, {}};
  const ProgressWindow::Step step = [&work](ProgressWindow& progress) {
    progress.SetDetail(std::to_string(work.pieces));
    return work.Step();
  };
  const int frames_before = renderer.frames;
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Working"); });
  platform.Then([this](FakePlatform&) {
    Click(50, 50);
    Char('x');
    Tap(Key::Enter);
    return true;
  });
  EXPECT_TRUE(ProgressWindow::Run("Working", step, false));
  EXPECT_EQ(work.pieces, work.total);
  EXPECT_TRUE(other->buttons.empty());
  EXPECT_TRUE(other->chars.empty());
  EXPECT_TRUE(other->keys.empty());
  ASSERT_FALSE(work.frames.empty());
  EXPECT_GT(work.frames.front(), frames_before) << "no frame showed the window before the work";
  // At most two 20 ms pieces in a 30 ms slice, a frame after every slice.
  EXPECT_GE(work.frames.back() - work.frames.front(), work.total / 2 - 1);
  EXPECT_EQ(wm->Focus(), other);
}

TEST_F(SplashAndProgressTest, CancelStopsTheWorkAfterThePieceUnderWay) {
  Work work{platform, renderer, 0, 12, {}};
  work.total = 1000;
  int pieces_at_click = -1;
  const ProgressWindow::Step step = [&work](ProgressWindow&) { return work.Step(); };
  platform.Then([&work](FakePlatform&) { return work.pieces >= 5; });
  platform.Then([this, &work, &pieces_at_click](FakePlatform& p) {
    auto* progress = dynamic_cast<ProgressWindow*>(p.wm->TopModalWindow());
    if (!progress) return false;
    const Rect& r = progress->CancelButton()->FrameRect();
    pieces_at_click = work.pieces;
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
  });
  EXPECT_FALSE(ProgressWindow::Run("Working", step, true));
  EXPECT_EQ(work.pieces, pieces_at_click);
  EXPECT_EQ(wm->ModalDepth(), 0);
}

}  // namespace
