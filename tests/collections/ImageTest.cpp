#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

#include "collections/ColorQuantiser.h"
#include "collections/Image.h"

namespace {

Image Make(uint32_t w, uint32_t h, ImageFormat format, std::vector<uint8_t> pixels) {
  Image image;
  EXPECT_TRUE(image.setSize(w, h, format, pixels.data()));
  return image;
}

TEST(ImageEditing, OpaqueBoundsOfATransparentImageIsTheEmptySentinel) {
  Image image = Make(3, 2, ImageFormat::kRgba, std::vector<uint8_t>(24, 200));
  image.fillChannel(3, 0);
  EXPECT_EQ(image.opaqueBounds(), (Image::Rect{0x7FFFFFFF, 0x7FFFFFFF, 0, 0}));
  image.mutablePixels()[(1 * 3 + 2) * 4 + 3] = 1;  // pixel (2, 1)
  EXPECT_EQ(image.opaqueBounds(), (Image::Rect{2, 1, 2, 1}));
}

TEST(ImageEditing, CropKeepsTheInclusiveRectangle) {
  Image image = Make(3, 3, ImageFormat::kGreyscale, {0, 1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(image.crop(1, 1, 2, 2));
  EXPECT_EQ(std::vector<uint8_t>(image.pixels().begin(), image.pixels().end()),
            (std::vector<uint8_t>{4, 5, 7, 8}));
  EXPECT_FALSE(image.crop(0, 0, 2, 0));  // outside the 2 x 2 image now
}

TEST(ImageEditing, EqualsSeesADifferenceAnywhereAndTrustsDifferentHashes) {
  Image a = Make(2, 3, ImageFormat::kGreyscale, {1, 2, 3, 4, 5, 6});
  Image b = a;
  EXPECT_TRUE(a.equals(b));
  b.mutablePixels()[0] = 9;  // the first row, compared last
  EXPECT_FALSE(a.equals(b));
  b = a;
  a.computeHash();
  b.computeHash();
  EXPECT_TRUE(a.equals(b));
  EXPECT_NE(a.contentHash(), 0u);
}

TEST(ImageEditing, SizeBeyondTheLimitIsRefusedWithoutChange) {
  Image image = Make(1, 1, ImageFormat::kRgb, {1, 2, 3});
  EXPECT_FALSE(image.setSize(70000, 70000, ImageFormat::kRgba));
  EXPECT_FALSE(image.setSize(1, 1, 0x2000u));
  EXPECT_EQ(image.width(), 1u);
  EXPECT_TRUE(image.setSize(2, 1, 7u));  // raw layout of 7 bytes per pixel
  EXPECT_EQ(image.pixels().size(), 14u);
}

TEST(ImageConversion, GreyscaleTakesTheAlphaOfRgbaAndIndexedWithAlpha) {
  Image rgba = Make(2, 1, ImageFormat::kRgba, {1, 2, 3, 40, 5, 6, 7, 250});
  ASSERT_TRUE(rgba.convert(ImageFormat::kGreyscale));
  EXPECT_EQ(rgba.pixels()[0], 40);
  EXPECT_EQ(rgba.pixels()[1], 250);
  Image rgb = Make(1, 1, ImageFormat::kRgb, {1, 2, 3});
  EXPECT_FALSE(rgb.convert(ImageFormat::kGreyscale));
  EXPECT_TRUE(rgb.is(ImageFormat::kRgb));
}

TEST(ImageConversion, GreyscaleToRgbaIsWhiteWithTheGreyAsAlpha) {
  Image grey = Make(1, 1, ImageFormat::kGreyscale, {77});
  ASSERT_TRUE(grey.convert(ImageFormat::kRgba));
  EXPECT_EQ(std::vector<uint8_t>(grey.pixels().begin(), grey.pixels().end()),
            (std::vector<uint8_t>{255, 255, 255, 77}));
}

TEST(ImageConversion, IndexedLayoutsKeepPaletteAndIndices) {
  Image image = Make(2, 1, ImageFormat::kIndexed, {3, 1});
  const uint8_t palette[12] = {0, 0, 0, 10, 20, 30, 0, 0, 0, 40, 50, 60};
  image.setPalette(4, palette);
  ASSERT_TRUE(image.convert(ImageFormat::kIndexedAlpha));
  EXPECT_EQ(std::vector<uint8_t>(image.pixels().begin(), image.pixels().end()),
            (std::vector<uint8_t>{255, 3, 255, 1}));
  EXPECT_FALSE(image.convert(ImageFormat::kRgb));  // only plain indexed looks colours up
  ASSERT_TRUE(image.convert(ImageFormat::kIndexed));
  ASSERT_TRUE(image.convert(ImageFormat::kRgb));
  EXPECT_EQ(std::vector<uint8_t>(image.pixels().begin(), image.pixels().end()),
            (std::vector<uint8_t>{40, 50, 60, 10, 20, 30}));
  EXPECT_FALSE(image.hasPalette());
}

TEST(ImageConversion, RgbaToIndexedWithAlphaKeepsTheAlphaBesideEachIndex) {
  Image image = Make(2, 1, ImageFormat::kRgba, {9, 8, 7, 0, 1, 2, 3, 128});
  ASSERT_TRUE(image.convert(ImageFormat::kIndexedAlpha));
  EXPECT_EQ(image.pixels()[0], 0);
  EXPECT_EQ(image.pixels()[2], 128);
  const auto pal = image.palette();
  EXPECT_EQ(pal[image.pixels()[1] * 3], 9);
  EXPECT_EQ(pal[image.pixels()[3] * 3], 1);
}

TEST(Quantiser, FewColoursKeepTheirExactValues) {
  // 200 colours crowded into 25 histogram cells: Wu's boxes alone would merge them.
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 200; ++i) rgb.insert(rgb.end(), {uint8_t(i), uint8_t(i), 7});
  Image image = Make(200, 1, ImageFormat::kRgb, rgb);
  ASSERT_TRUE(image.convert(ImageFormat::kIndexed));
  EXPECT_EQ(image.paletteCount(), 200u);
  for (int i = 0; i < 200; ++i) {
    const uint8_t* c = &image.palette()[image.pixels()[i] * 3];
    EXPECT_EQ(c[0], i);
    EXPECT_EQ(c[2], 7);
  }
}

TEST(Quantiser, ManyColoursGiveAFullPaletteCloseToTheImage) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x)
      rgb.insert(rgb.end(), {uint8_t(x * 2), uint8_t(y * 2), uint8_t((x + y) & 255)});
  }
  ColorQuantiser::Palette palette;
  EXPECT_EQ(ColorQuantiser::BuildPalette(rgb, 256, palette), 256u);
  std::vector<uint8_t> indices(128 * 128);
  ColorQuantiser::MapWithDiffusion(rgb, 128, 128, palette, 256, indices.data(), 1);
  double error = 0;
  for (size_t i = 0; i < indices.size(); ++i) {
    for (int c = 0; c < 3; ++c) error += std::abs(rgb[i * 3 + c] - palette[indices[i] * 3 + c]);
  }
  EXPECT_LT(error / (indices.size() * 3), 12.0);
}

ColorQuantiser::Palette BlackAndWhite() {
  ColorQuantiser::Palette palette{};
  palette[3] = palette[4] = palette[5] = 255;
  return palette;
}

TEST(Quantiser, DiffusionSpreadsTheErrorAlongARow) {
  const std::vector<uint8_t> rgb(4 * 3, 128);
  std::vector<uint8_t> out(4);
  ColorQuantiser::MapWithDiffusion(rgb, 4, 1, BlackAndWhite(), 2, out.data(), 1);
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 0, 1, 0}));
}

TEST(Quantiser, DiffusionPassesOnThreeQuartersOfTheError) {
  // With full Floyd-Steinberg weights the carried error would reach white; with three
  // quarters it settles below the midpoint, both along a row (21/64) and down a column (15/64).
  std::vector<uint8_t> out(8);
  ColorQuantiser::MapWithDiffusion(std::vector<uint8_t>(8 * 3, 80), 8, 1, BlackAndWhite(), 2,
                                   out.data(), 1);
  EXPECT_EQ(out, std::vector<uint8_t>(8, 0));
  ColorQuantiser::MapWithDiffusion(std::vector<uint8_t>(8 * 3, 97), 1, 8, BlackAndWhite(), 2,
                                   out.data(), 1);
  EXPECT_EQ(out, std::vector<uint8_t>(8, 0));
}

TEST(Quantiser, EqualDistancesPickTheLowestIndex) {
  ColorQuantiser::Palette palette{};
  palette[0] = 100;  // entries 0 and 2 equal, entry 1 as far the other way
  palette[3] = 120;
  palette[6] = 100;
  std::vector<uint8_t> out(1);
  ColorQuantiser::MapWithDiffusion(std::vector<uint8_t>{110, 0, 0}, 1, 1, palette, 3, out.data(),
                                   1);
  EXPECT_EQ(out[0], 0);
}

// The mapping written the plain way: nearest colour by exhaustive search, each share added
// and clamped on its own, divisions truncating toward zero.
std::vector<uint8_t> ReferenceMapping(const std::vector<uint8_t>& rgb, int w, int h,
                                      const ColorQuantiser::Palette& palette, int count) {
  std::vector<int> work(rgb.begin(), rgb.end());
  std::vector<uint8_t> out(size_t(w) * h);
  const auto add = [&](int x, int y, int ch, int share) {
    if (x < 0 || x >= w || y >= h) return;
    int& v = work[(size_t(y) * w + x) * 3 + ch];
    v = std::clamp(v + share, 0, 255);
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int* p = &work[(size_t(y) * w + x) * 3];
      int best = 0, best_d = 1 << 30;
      for (int i = 0; i < count; ++i) {
        const int dr = p[0] - palette[i * 3], dg = p[1] - palette[i * 3 + 1];
        const int db = p[2] - palette[i * 3 + 2];
        if (dr * dr + dg * dg + db * db < best_d) best_d = dr * dr + dg * dg + db * db, best = i;
      }
      out[size_t(y) * w + x] = static_cast<uint8_t>(best);
      int error[3];
      for (int ch = 0; ch < 3; ++ch) error[ch] = p[ch] - palette[best * 3 + ch];
      for (int ch = 0; ch < 3; ++ch) {
        add(x + 1, y, ch, error[ch] * 21 / 64);
        add(x - 1, y + 1, ch, error[ch] * 9 / 64);
        add(x, y + 1, ch, error[ch] * 15 / 64);
        add(x + 1, y + 1, ch, error[ch] * 3 / 64);
      }
    }
  }
  return out;
}

TEST(Quantiser, DiffusionMatchesThePlainFormExactly) {
  // Noise over the whole range with a sparse palette: errors of both signs, large enough to
  // push neighbours past 0 and 255, and many pixels far from every colour.
  std::mt19937 random(11);
  for (const auto& [w, h, count] :
       {std::tuple{37, 23, 9}, std::tuple{64, 2, 256}, std::tuple{1, 17, 3}}) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (uint8_t& v : rgb) v = static_cast<uint8_t>(random() % 256);
    ColorQuantiser::Palette palette{};
    for (int i = 0; i < count * 3; ++i) palette[i] = static_cast<uint8_t>(random() % 256);
    std::vector<uint8_t> out(size_t(w) * h * 2, 0xEE);
    ColorQuantiser::MapWithDiffusion(rgb, w, h, palette, count, out.data() + 1, 2);
    const std::vector<uint8_t> expected = ReferenceMapping(rgb, w, h, palette, count);
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(out[i * 2 + 1], expected[i]) << w << "x" << h << " pixel " << i;
      ASSERT_EQ(out[i * 2], 0xEE) << "the stride's other bytes were written";
    }
  }
}

}  // namespace
