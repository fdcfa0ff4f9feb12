#include <gtest/gtest.h>

#include <array>

#include "collections/Collection.h"
#include "collections/CollectionDisplay.h"
#include "collections/CollectionLayout.h"

namespace {

namespace cl = collection_layout;

std::array<uint8_t, 3> Entry(const CollectionDisplay::Palette& palette, int i) {
  return {palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]};
}

// Entry 1 pure red, 2 pure green, 3 mid grey, 4 pure blue.
Collection Primaries() {
  Collection c;
  const uint8_t colours[][3] = {{255, 0, 0}, {0, 255, 0}, {128, 128, 128}, {0, 0, 255}};
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < 3; ++k) c.palette[(i + 1) * 3 + k] = colours[i][k];
  }
  return c;
}

HueChange* Reds(Collection& c, uint16_t r, uint16_t g, uint16_t b) {
  HueChange* reds = c.AddHueChange("reds");
  reds->start_hue = 0xE000;
  reds->end_hue = 0x2000;
  reds->median_hue = 0;
  reds->replacement = {r, g, b};
  reds->replacement_mode = HueChange::kReplacementEnabled;
  return reds;
}

using Rgb = std::array<uint8_t, 3>;

// The expected colours are worked out by hand: red is hue 0, saturation 65535, value 65280 on
// the 16-bit scale; the replacement's hue is added, saturation and value are multiplied
// (x · y >> 16) and the colour is turned back into RGB, keeping the high bytes.
TEST(DisplayPalette, ReplacementShiftsHueAndScalesSaturationAndValue) {
  Collection c = Primaries();
  HueChange* reds = Reds(c, 0, 0xFF00, 0);
  // Red turned green: value 65280 · 65280 >> 16 = 65025, high byte 254.
  EXPECT_EQ(Entry(CollectionDisplay::DisplayPalette(c), 1), (Rgb{0, 254, 0}));
  // A paler replacement halves the saturation: (254, 127, 127).
  reds->replacement = {0xFF00, 0x8000, 0x8000};
  const CollectionDisplay::Palette pale = CollectionDisplay::DisplayPalette(c);
  EXPECT_EQ(Entry(pale, 1), (Rgb{254, 127, 127}));
  // Outside the range, and greys (no saturation), keep their colour; so does entry 0.
  EXPECT_EQ(Entry(pale, 2), (Rgb{0, 255, 0}));
  EXPECT_EQ(Entry(pale, 3), (Rgb{128, 128, 128}));
  EXPECT_EQ(Entry(pale, 0), (Rgb{0, 0, 0}));
  // The collection itself is not changed.
  EXPECT_EQ(c.palette[3], 255);
  EXPECT_EQ(c.palette[4], 0);
}

TEST(DisplayPalette, ReversedChangeMirrorsTheHueAroundTheMedian) {
  Collection c = Primaries();
  HueChange* reds = Reds(c, 0xFF00, 0, 0);
  reds->median_hue = 0x1000;
  // Hue 0 − 0x1000 wraps to 0xF000: towards magenta, (254, 0, 95).
  EXPECT_EQ(Entry(CollectionDisplay::DisplayPalette(c), 1), (Rgb{254, 0, 95}));
  // Reversed: 0x1000 − 0 = 0x1000, towards orange, (254, 95, 0).
  reds->hue_flags = HueChange::kReversed;
  EXPECT_EQ(Entry(CollectionDisplay::DisplayPalette(c), 1), (Rgb{254, 95, 0}));
}

TEST(DisplayPalette, ChangesApplyInOrderButSelectByTheStoredPalette) {
  Collection c = Primaries();
  Reds(c, 0, 0xFF00, 0);
  HueChange* greens = c.AddHueChange("greens");
  greens->start_hue = 0x4000;
  greens->end_hue = 0x6000;
  greens->median_hue = 21845;
  greens->replacement = {0, 0, 0xFF00};
  greens->replacement_mode = HueChange::kReplacementEnabled | HueChange::kReplaceWithSolid;
  // Without a replacement mode a hue change is not drawn at all.
  HueChange* off = Reds(c, 0, 0, 0xFF00);
  off->replacement_mode = 0;

  const CollectionDisplay::Palette display = CollectionDisplay::DisplayPalette(c);
  // Red became green under the first change but was red in the stored palette, so the second
  // one leaves it; the stored green becomes blue.
  EXPECT_EQ(Entry(display, 1), (Rgb{0, 254, 0}));
  EXPECT_EQ(Entry(display, 2), (Rgb{0, 0, 254}));

  // Two changes on the same entry compose on the working colour: red → green → the second
  // replacement (red, hue 0) keeps the working hue and scales the value once more.
  Collection twice = Primaries();
  Reds(twice, 0, 0xFF00, 0);
  Reds(twice, 0xFF00, 0, 0);
  EXPECT_EQ(Entry(CollectionDisplay::DisplayPalette(twice), 1), (Rgb{0, 253, 0}));
}

TEST(DisplayAlternates, ShowingAlternatesPicksTheAlternateOnlyForViewsThatHaveOne) {
  Collection c;
  CollectionBitmap* low =
      c.AddOrReplaceBitmap("low", 0, std::vector<uint8_t>(2, 255), 1, 1, 2, nullptr);
  CollectionBitmap* high =
      c.AddOrReplaceBitmap("high", 0, std::vector<uint8_t>(8, 255), 2, 2, 2, nullptr);
  FrameView view;
  view.bitmap = low;
  view.registration_x = static_cast<uint16_t>(-3);
  view.registration_y = 4;
  view.alternate = high;
  view.alternate_registration_x = 7;
  view.alternate_registration_y = 8;
  view.alternate_size_factor = 0x00028000;

  // Without the flag the alternate fields mean nothing.
  CollectionDisplay::Shown shown = CollectionDisplay::ShownView(c, view, true);
  EXPECT_EQ(shown.bitmap, low);
  EXPECT_EQ(shown.registration_x, -3);
  EXPECT_EQ(shown.size_factor, cl::kStandardSizeFactor);

  view.flags = cl::kViewHasAlternate;
  shown = CollectionDisplay::ShownView(c, view, true);
  EXPECT_EQ(shown.bitmap, high);
  EXPECT_EQ(shown.registration_x, 7);
  EXPECT_EQ(shown.registration_y, 8);
  EXPECT_EQ(shown.size_factor, 0x00028000u);

  shown = CollectionDisplay::ShownView(c, view, false);
  EXPECT_EQ(shown.bitmap, low);
  EXPECT_EQ(shown.registration_y, 4);
}

}  // namespace
