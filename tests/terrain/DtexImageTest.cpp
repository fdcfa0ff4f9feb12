#include <gtest/gtest.h>

#include <vector>

#include "terrain/DtexImage.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(DtexImageChecks, OnlyRgbImagesWithPowerOfTwoSidesUpTo2048Pass) {
  EXPECT_EQ(dteximage::CheckImage(true, 256, 128), "");
  EXPECT_EQ(dteximage::CheckImage(true, 1, 2048), "");
  EXPECT_EQ(dteximage::CheckImage(true, 200, 200),
            "The texture must have dimensions that are powers of two.");
  EXPECT_EQ(dteximage::CheckImage(true, 0, 64),
            "The texture must have dimensions that are powers of two.");
  EXPECT_EQ(dteximage::CheckImage(false, 256, 256), "Image must be 24 bit RGB.");
  // 4096 is a power of two, but a side the codec cannot hold.
  EXPECT_EQ(dteximage::CheckImage(true, 4096, 64), dteximage::kTooLargeMessage);
  EXPECT_EQ(dteximage::CheckDimensions(64, 4096), dteximage::kTooLargeMessage);
}

TEST(DtexImagePixels, TheCheckerboardHasBlackWhereBitFourOfXAndYAgree) {
  uint32_t w = 0, h = 0;
  const Bytes rgb = dteximage::Checkerboard(w, h);
  ASSERT_EQ(w, 256u);
  ASSERT_EQ(h, 256u);
  ASSERT_EQ(rgb.size(), 256u * 256 * 3);
  const auto at = [&](uint32_t x, uint32_t y) { return rgb[(y * 256 + x) * 3 + 1]; };
  EXPECT_EQ(at(0, 0), 0);
  EXPECT_EQ(at(15, 15), 0);
  EXPECT_EQ(at(16, 0), 255);
  EXPECT_EQ(at(0, 16), 255);
  EXPECT_EQ(at(16, 16), 0);
  EXPECT_EQ(at(255, 0), 255);
  EXPECT_EQ(at(40, 100), 0) << "bit 4 is clear in both";
  EXPECT_EQ(at(48, 100), 255);
}

TEST(DtexImagePixels, ShiftingByHalfMovesEachPixelAndTwiceRestores) {
  // 4 x 2: pixel (x, y) holds (x, y, 9).
  Bytes rgb;
  for (uint8_t y = 0; y < 2; ++y)
    for (uint8_t x = 0; x < 4; ++x) rgb.insert(rgb.end(), {x, y, 9});
  const Bytes original = rgb;
  dteximage::ShiftHalf(4, 2, rgb);
  // Pixel (0, 0) now shows what was at (2, 1).
  EXPECT_EQ(Bytes(rgb.begin(), rgb.begin() + 3), (Bytes{2, 1, 9}));
  EXPECT_EQ(Bytes(rgb.begin() + 3 * 5, rgb.begin() + 3 * 6), (Bytes{3, 0, 9}))
      << "pixel (1, 1) came from (3, 0)";
  dteximage::ShiftHalf(4, 2, rgb);
  EXPECT_EQ(rgb, original);
}

TEST(DtexImagePixels, MeanCenterRgbMovesEachChannelsMeanTo128) {
  // Red's mean is (90 + 110 + 255 + 0) / 4 = 113, green's 255, blue's 0; results clamp.
  Bytes rgb = {90, 255, 0, 110, 255, 0, 255, 255, 0, 0, 255, 0};
  dteximage::MeanCenterRgb(rgb);
  EXPECT_EQ(rgb, (Bytes{105, 128, 128, 125, 128, 128, 255, 128, 128, 15, 128, 128}));

  Bytes even = {90, 0, 0, 110, 0, 0};
  dteximage::MeanCenterRgb(even);
  EXPECT_EQ(even, (Bytes{118, 128, 128, 138, 128, 128})) << "red mean 100: 28 added";
  Bytes top = {255, 1, 1, 145, 1, 1};  // red mean 200: 72 taken off
  dteximage::MeanCenterRgb(top);
  EXPECT_EQ(top[0], 183);
  EXPECT_EQ(top[3], 73);
}

TEST(DtexImagePixels, MeanCenterLumaShiftsEveryChannelAlike) {
  Bytes grey(256 * 3, 100);
  ASSERT_TRUE(dteximage::MeanCenterLuma(grey));
  EXPECT_EQ(grey, Bytes(256 * 3, 128));
  // (77 x 250 + 151 x 10 + 28 x 0) / 256 = 81 per pixel; 81 x 512 / 255 / 2 = 81: +47.
  Bytes mixed;
  for (int i = 0; i < 512; ++i) mixed.insert(mixed.end(), {250, 10, 0});
  ASSERT_TRUE(dteximage::MeanCenterLuma(mixed));
  EXPECT_EQ(Bytes(mixed.begin(), mixed.begin() + 3), (Bytes{255, 57, 47}));
}

TEST(DtexImagePixels, MeanCenterLumaLeavesImagesUnder256PixelsAlone) {
  Bytes small(255 * 3, 30);
  EXPECT_FALSE(dteximage::MeanCenterLuma(small));
  EXPECT_EQ(small, Bytes(255 * 3, 30));
}

}  // namespace
