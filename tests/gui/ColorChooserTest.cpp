#include "gui/Button.h"
#include "gui/Choosers.h"
#include "gui/ColorChooserDialog.h"
#include "gui/TextBox.h"
#include "support/WmHarness.h"

namespace {

class ColorChooserTest : public WmTest {
 protected:
  ColorChooserDialog* Dialog() { return dynamic_cast<ColorChooserDialog*>(wm->TopModalWindow()); }
  // Once the chooser is up, runs `act` with it.
  void WhenOpen(std::function<void(ColorChooserDialog&)> act) {
    platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Choose Colour"); });
    platform.Then([this, act](FakePlatform&) {
      act(*Dialog());
      return true;
    });
  }
  void Type(const std::string& text) {
    for (char c : text) Char(static_cast<unsigned char>(c));
  }
};

TEST_F(ColorChooserTest, TypedChannelsAreTheResultAndEscapeKeepsTheOldColour) {
  WhenOpen([this](ColorChooserDialog& d) {
    // Red starts focused with its text selected: typing replaces it; Tab moves on.
    EXPECT_TRUE(d.Field(0)->HasFocus());
    Type("200");
    Tap(Key::Tab);
    Type("7");
    Tap(Key::Enter);
  });
  uint8_t rgb[3] = {10, 20, 30};
  EXPECT_TRUE(ChooseColor(rgb));
  EXPECT_EQ(rgb[0], 200);
  EXPECT_EQ(rgb[1], 7);
  EXPECT_EQ(rgb[2], 30);

  WhenOpen([this](ColorChooserDialog&) {
    Type("1");
    Tap(Key::Escape);
  });
  EXPECT_FALSE(ChooseColor(rgb));
  EXPECT_EQ(rgb[0], 200);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(ColorChooserTest, OkWithAValueOutOfRangeBeepsAndStays) {
  WhenOpen([this](ColorChooserDialog&) {
    Type("256");
    Tap(Key::Enter);
  });
  platform.Then([this](FakePlatform&) {
    EXPECT_EQ(platform.beeps, 1);
    EXPECT_NE(Dialog(), nullptr);  // still open
    Tap(Key::Backspace);
    Tap(Key::Enter);  // 25 reads
    return true;
  });
  uint8_t rgb[3] = {1, 2, 3};
  EXPECT_TRUE(ChooseColor(rgb));
  EXPECT_EQ(rgb[0], 25);
}

TEST_F(ColorChooserTest, CustomColoursLastForTheRun) {
  ColorChooserDialog::CustomColors().fill(0xFFFFFF);
  WhenOpen([this](ColorChooserDialog& d) {
    Type("12");  // red 12, green and blue as given
    Window* add = FindByTitle(&d, "Add to Custom Colours");
    ASSERT_NE(add, nullptr);
    Click((add->FrameRect().left + add->FrameRect().right) / 2, add->FrameRect().top + 5);
    Tap(Key::Escape);
  });
  uint8_t rgb[3] = {1, 34, 56};
  EXPECT_FALSE(ChooseColor(rgb));
  EXPECT_EQ(ColorChooserDialog::CustomColors()[0], 0x0C2238u);

  // A later chooser shows it; a click on it takes it.
  rgb[0] = rgb[1] = rgb[2] = 0;
  WhenOpen([this](ColorChooserDialog& d) {
    const Rect swatch = ColorChooserDialog::CustomRect(0);
    Click(d.ClientRect().left + swatch.left + 3, d.ClientRect().top + swatch.top + 3);
  });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Enter);
    return true;
  });
  EXPECT_TRUE(ChooseColor(rgb));
  EXPECT_EQ(rgb[0], 12);
  EXPECT_EQ(rgb[1], 34);
  EXPECT_EQ(rgb[2], 56);
}

}  // namespace
