#include <gtest/gtest.h>

#include <string>

#include "PageTestSupport.h"
#include "collections/ui/ColorBar.h"
#include "collections/ui/X256HueEdit.h"
#include "gui/CheckBox.h"
#include "gui/ColorButton.h"
#include "gui/ComboBox.h"
#include "gui/TextBox.h"

namespace {

class HueEditTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    hue = host.collection.AddHueChange("Reds");
    edit = new X256HueEdit(host, hue, nullptr);
    edit->SetFrameRect({10, 10, 10 + 420, 10 + 320});
  }
  // Types into "Min % Saturation:" and presses Enter there.
  void EnterSaturation(const char* text) {
    edit->SaturationBox()->SetText(text);
    edit->SaturationBox()->enter.Emit(1);
  }
  HueChange* hue = nullptr;
  X256HueEdit* edit = nullptr;
};

// ---------------------------------------------------------------------------------------
// "Min % Saturation:"

TEST_F(HueEditTest, ZeroPercentStoresOneAndShowsZero) {
  EnterSaturation("0");
  EXPECT_EQ(hue->min_saturation, 1);
  EXPECT_EQ(edit->SaturationBox()->GetText(), "0");
  EXPECT_EQ(host.Commits(), 1);
}

TEST_F(HueEditTest, ANegativePercentIsZero) {
  EnterSaturation("-25");
  EXPECT_EQ(hue->min_saturation, 1);
  EXPECT_EQ(edit->SaturationBox()->GetText(), "0");
}

TEST_F(HueEditTest, PercentagesScaleWithIntegerDivisionAndTopOutAt65535) {
  EXPECT_EQ(X256HueEdit::StoredSaturation(50), 50 * 65535 / 100 + 1);
  EXPECT_EQ(X256HueEdit::StoredSaturation(99), 64880);
  EXPECT_EQ(X256HueEdit::StoredSaturation(100), 65535);
  EXPECT_EQ(X256HueEdit::StoredSaturation(250), 65535);
  EXPECT_EQ(X256HueEdit::ShownSaturation(64880), 99);
  EXPECT_EQ(X256HueEdit::ShownSaturation(65535), 100);
  EnterSaturation("150");
  EXPECT_EQ(hue->min_saturation, 65535);
  EXPECT_EQ(edit->SaturationBox()->GetText(), "100");
}

TEST_F(HueEditTest, TheSameValueAgainIsNoChange) {
  EnterSaturation("40");
  EnterSaturation("40");
  EXPECT_EQ(host.Commits(), 1);
}

// ---------------------------------------------------------------------------------------
// Hues, flags and the replacement colour

TEST_F(HueEditTest, HueLabelsShowWholeDegreesAndTheDegreeSign) {
  // A new hue change: 0x5556, 0x8001, 0xAAAB.
  EXPECT_EQ(edit->HueLabel(0)->GetText(), "120\xA1");
  EXPECT_EQ(edit->HueLabel(1)->GetText(), "180\xA1");
  EXPECT_EQ(edit->HueLabel(2)->GetText(), "240\xA1");
  EXPECT_EQ(X256HueEdit::HueText(65535), "359\xA1");
}

TEST_F(HueEditTest, NameEditsRetitleTheWindow) {
  edit->NameBox()->SetText("Team colour");
  edit->NameBox()->enter.Emit(1);
  EXPECT_EQ(hue->Name(), "Team colour");
  EXPECT_STREQ(edit->GetTitle(), "Team colour");
}

TEST_F(HueEditTest, ANameBeingTypedSurvivesOtherEditsButNotARename) {
  Window::SetFocus(edit->NameBox(), 0);
  ASSERT_TRUE(edit->NameBox()->HasFocus());
  edit->NameBox()->SetText("Half typ");
  edit->ReversedBox()->SetState(Button::kOn, false);
  EXPECT_EQ(edit->NameBox()->GetText(), "Half typ");
  EXPECT_EQ(hue->Name(), "Reds");
  // Renamed elsewhere (the list, an undo): the field shows the new name.
  hue->SetName("Blues");
  edit->Refresh();
  EXPECT_EQ(edit->NameBox()->GetText(), "Blues");
}

TEST_F(HueEditTest, UseAsStoresTheChosenIndex) {
  EXPECT_EQ(edit->UseAsBox()->SelectedId(), HueChange::kNone);
  ComboBox::Selection s{edit->UseAsBox()->SelectedItem(), HueChange::kSecondary};
  edit->UseAsBox()->selection_changed.Emit(reinterpret_cast<intptr_t>(&s));
  EXPECT_EQ(hue->use_as, HueChange::kSecondary);
  EXPECT_EQ(edit->UseAsBox()->SelectedId(), HueChange::kSecondary);
}

TEST_F(HueEditTest, ReversedTouchesOnlyItsFlagBit) {
  hue->hue_flags = 0x0100;
  edit->Refresh();
  edit->ReversedBox()->SetState(Button::kOn, false);
  EXPECT_EQ(hue->hue_flags, 0x0101);
  edit->ReversedBox()->SetState(Button::kUp, false);
  EXPECT_EQ(hue->hue_flags, 0x0100);
}

TEST_F(HueEditTest, SolidReplacementLastsOnlyWhileReplacementIsOn) {
  EXPECT_FALSE(edit->SolidBox()->IsEnabled());
  edit->ReplacementBox()->SetState(Button::kOn, false);
  EXPECT_EQ(hue->replacement_mode, HueChange::kReplacementEnabled);
  EXPECT_TRUE(edit->SolidBox()->IsEnabled());
  edit->SolidBox()->SetState(Button::kOn, false);
  EXPECT_EQ(hue->replacement_mode, HueChange::kReplacementEnabled | HueChange::kReplaceWithSolid);
  edit->ReplacementBox()->SetState(Button::kUp, false);
  EXPECT_EQ(hue->replacement_mode, 0);
  EXPECT_EQ(edit->SolidBox()->GetState(), Button::kUp);
}

TEST_F(HueEditTest, TheReplacementColourIsStoredInTheHighBytes) {
  edit->ReplacementColor()->color_changed.Emit(static_cast<intptr_t>(MakeColor(0x12, 0x34, 0x56)));
  EXPECT_EQ(hue->replacement[0], 0x1200);
  EXPECT_EQ(hue->replacement[1], 0x3400);
  EXPECT_EQ(hue->replacement[2], 0x5600);
}

// ---------------------------------------------------------------------------------------
// The colour bar

TEST_F(HueEditTest, DraggingPastTheEndStores65535AsOneChange) {
  ColorBar* bar = edit->Bar();
  const int32_t y = bar->ClientRect().top + ColorBar::kBarHeight + 2;
  const int32_t x = bar->MarkerX(ColorBar::kEnd);
  Press(x, y);
  Move(x + 40, y);
  Move(bar->ClientRect().right + 200, y);
  Pump(3);
  EXPECT_EQ(bar->DraggedMarker(), ColorBar::kEnd);
  EXPECT_EQ(hue->end_hue, 65535);
  EXPECT_EQ(host.Commits(), 0) << "committed before the release";
  EXPECT_EQ(edit->HueLabel(2)->GetText(), "359\xA1");
  Release(bar->ClientRect().right + 200, y);
  Pump(2);
  EXPECT_EQ(host.begun, 1);
  ASSERT_EQ(host.Commits(), 1);
  EXPECT_EQ(host.affected[0], X256EditHost::kHueChanges);
  host.Undo();
  EXPECT_EQ(hue->end_hue, 0xAAAB);
}

TEST_F(HueEditTest, DraggingBelowZeroStopsAtZero) {
  ColorBar* bar = edit->Bar();
  const int32_t y = bar->ClientRect().top + 4;
  const int32_t x = bar->MarkerX(ColorBar::kStart);
  Press(x, y);
  Move(bar->ClientRect().left - 100, y);
  Release(bar->ClientRect().left - 100, y);
  Pump(3);
  EXPECT_EQ(hue->start_hue, 0);
  EXPECT_EQ(host.Commits(), 1);
}

TEST(ColorBarMarkers, ThreeHundredSixtyDegreesIsTheLastValueNotZero) {
  EXPECT_EQ(ColorBar::StoredHue(360), 65535);
  EXPECT_EQ(ColorBar::StoredHue(400), 65535);
  EXPECT_EQ(ColorBar::StoredHue(-5), 0);
  EXPECT_EQ(ColorBar::StoredHue(180), 32768);
}

TEST(ColorBarMarkers, StartOrEndPullTheMedianBackIntoTheRange) {
  HueChange hc;  // 120, 180, 240 degrees
  EXPECT_TRUE(ColorBar::MoveMarker(hc, ColorBar::kStart, 200));
  EXPECT_EQ(hc.median_hue, hc.start_hue);
  hc = HueChange();
  EXPECT_TRUE(ColorBar::MoveMarker(hc, ColorBar::kEnd, 150));
  EXPECT_EQ(hc.median_hue, ColorBar::StoredHue(150));
}

TEST(ColorBarMarkers, ARangeThroughZeroKeepsAMedianOnEitherSide) {
  HueChange hc;
  hc.start_hue = ColorBar::StoredHue(300);
  hc.end_hue = ColorBar::StoredHue(60);
  hc.median_hue = ColorBar::StoredHue(10);
  // End moves, the range still runs 300..360..40 and holds 10.
  EXPECT_TRUE(ColorBar::MoveMarker(hc, ColorBar::kEnd, 40));
  EXPECT_EQ(hc.median_hue, ColorBar::StoredHue(10));
  // Start moves past 10 the short way round: 20..40 no longer holds it.
  EXPECT_TRUE(ColorBar::MoveMarker(hc, ColorBar::kStart, 20));
  EXPECT_EQ(hc.median_hue, ColorBar::StoredHue(20));
}

TEST(ColorBarMarkers, TheMedianStaysInsideTheRange) {
  HueChange hc;  // 120..240
  EXPECT_FALSE(ColorBar::MoveMarker(hc, ColorBar::kMedian, 300));
  EXPECT_EQ(hc.median_hue, 0x8001);
  EXPECT_TRUE(ColorBar::MoveMarker(hc, ColorBar::kMedian, 200));
  EXPECT_EQ(hc.median_hue, ColorBar::StoredHue(200));
  hc.start_hue = ColorBar::StoredHue(300);
  hc.end_hue = ColorBar::StoredHue(60);
  EXPECT_TRUE(ColorBar::MoveMarker(hc, ColorBar::kMedian, 350));
  EXPECT_EQ(hc.median_hue, ColorBar::StoredHue(350));
}

}  // namespace
