#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Skin.h"
#include "gui/SkinIds.h"
#include "gui/SkinMetrics.h"
#include "gui/TexturePackFile.h"

namespace {

// An image whose pixels differ from those of every other image the tests make with another
// `seed`.
TexturePackImage MakeImage(uint32_t id, uint16_t width, uint16_t height, int seed = 0) {
  TexturePackImage image{id, width, height, {}};
  image.rgba.reserve(size_t{width} * height * 4);
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      image.rgba.insert(image.rgba.end(),
                        {static_cast<uint8_t>(c), static_cast<uint8_t>(r), static_cast<uint8_t>(id),
                         static_cast<uint8_t>(200 + seed)});
    }
  }
  return image;
}

// The pack the tests start from: the metric images 1, 2 and 52 at sizes other than the
// defaults, the background, a thin corner, and an id beyond the skin table.
std::vector<TexturePackImage> BasicPack() {
  return {MakeImage(kSkinBackground, 8, 8),         MakeImage(kSkinThickBorderEdge, 16, 5),
          MakeImage(kSkinThinBorderEdge, 16, 2),    MakeImage(kSkinThinBorderCorner, 1, 1),
          MakeImage(kSkinTitleButtonClose, 18, 15), MakeImage(200, 5, 5)};
}

// True when the image's pixels sit in `pages` where the skin says.
::testing::AssertionResult PiecePixelsMatch(const Skin& skin, const TexturePackImage& image,
                                            const std::vector<PageImage>& pages) {
  const SkinPiece& piece = skin.Piece(static_cast<int32_t>(image.id));
  if (!piece.present) return ::testing::AssertionFailure() << "no piece " << image.id;
  if (piece.page < 0 || static_cast<size_t>(piece.page) >= pages.size()) {
    return ::testing::AssertionFailure() << "piece " << image.id << " on page " << piece.page;
  }
  const PageImage& page = pages[static_cast<size_t>(piece.page)];
  if (piece.x < 0 || piece.y < 0 || piece.x + image.width > page.width ||
      piece.y + image.height > page.height) {
    return ::testing::AssertionFailure() << "piece " << image.id << " runs off its page";
  }
  for (int r = 0; r < image.height; ++r) {
    for (int c = 0; c < image.width; ++c) {
      for (int k = 0; k < 4; ++k) {
        const size_t in_page = ((static_cast<size_t>(piece.y + r) * page.width) + piece.x + c) * 4;
        const size_t in_image = (static_cast<size_t>(r) * image.width + c) * 4;
        if (page.pixels[in_page + k] != image.rgba[in_image + k]) {
          return ::testing::AssertionFailure()
                 << "piece " << image.id << " differs at (" << c << ", " << r << ")";
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(SkinPieces, EveryImageOfTheTableIsFoundByIdWithItsOwnPixels) {
  Skin skin;
  std::vector<PageImage> pages;
  const std::vector<TexturePackImage> images = BasicPack();
  ASSERT_EQ(skin.LoadImages(images, 1024, pages), "");
  EXPECT_TRUE(skin.IsLoaded());
  for (const TexturePackImage& image : images) {
    if (image.id >= static_cast<uint32_t>(kSkinImageCount)) continue;
    SCOPED_TRACE(image.id);
    const SkinPiece& piece = skin.Piece(static_cast<int32_t>(image.id));
    EXPECT_EQ(piece.width, image.width);
    EXPECT_EQ(piece.height, image.height);
    EXPECT_FALSE(piece.transposed) << "skin images are never turned";
    EXPECT_EQ(skin.ImageSize(static_cast<int32_t>(image.id)), (Size{image.width, image.height}));
    EXPECT_EQ(skin.PageSize(piece.page), (Size{pages[static_cast<size_t>(piece.page)].width,
                                               pages[static_cast<size_t>(piece.page)].height}));
    EXPECT_TRUE(PiecePixelsMatch(skin, image, pages));
  }
  for (const PageImage& page : pages) {
    EXPECT_EQ(page.bytes_per_pixel, 4);
    EXPECT_EQ(page.pixels.size(), static_cast<size_t>(page.width) * page.height * 4);
  }
}

TEST(SkinPieces, IdsThePackLacksOrOutsideTheTableAreAbsent) {
  Skin skin;
  std::vector<PageImage> pages;
  ASSERT_EQ(skin.LoadImages(BasicPack(), 1024, pages), "");
  for (int32_t id : {static_cast<int32_t>(kSkinButtonMiddle), -1, kSkinImageCount, 200}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(skin.Piece(id).present);
    EXPECT_EQ(skin.ImageSize(id), (Size{}));
  }
  EXPECT_EQ(skin.PageSize(static_cast<int32_t>(pages.size())), (Size{}));
  EXPECT_EQ(skin.PageSize(-1), (Size{}));
}

TEST(SkinPieces, ALaterImageWithTheSameIdWins) {
  Skin skin;
  std::vector<PageImage> pages;
  const TexturePackImage later = MakeImage(kSkinBackground, 6, 3, 1);
  ASSERT_EQ(skin.LoadImages({MakeImage(kSkinBackground, 8, 8), later}, 1024, pages), "");
  EXPECT_EQ(skin.ImageSize(kSkinBackground), (Size{6, 3}));
  EXPECT_TRUE(PiecePixelsMatch(skin, later, pages));
}

TEST(SkinPages, ASingleSmallImageMakesOneMinimumPage) {
  Skin skin;
  std::vector<PageImage> pages;
  ASSERT_EQ(skin.LoadImages({MakeImage(kSkinBackground, 16, 16)}, 4096, pages), "");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].width, 128);
  EXPECT_EQ(pages[0].height, 128);
  EXPECT_EQ(skin.PageSize(0), (Size{128, 128}));
}

TEST(SkinPages, PagesStayWithin1024WhateverTheDriverAllows) {
  Skin skin;
  std::vector<PageImage> pages;
  // Together they would fit a 2048 x 1024 page, which the driver would allow.
  ASSERT_EQ(skin.LoadImages({MakeImage(kSkinBackground, 1000, 1000),
                             MakeImage(kSkinTitleBarActive, 1000, 1000)},
                            8192, pages),
            "");
  ASSERT_EQ(pages.size(), 2u);
  for (const PageImage& page : pages) {
    EXPECT_LE(page.width, 1024);
    EXPECT_LE(page.height, 1024);
  }
  EXPECT_NE(skin.Piece(kSkinBackground).page, skin.Piece(kSkinTitleBarActive).page);
}

TEST(SkinMetricsFromPack, BordersComeFromImages1And2AndTitleButtonsFrom52) {
  Skin skin;
  std::vector<PageImage> pages;
  ASSERT_EQ(skin.LoadImages(BasicPack(), 1024, pages), "");
  const SkinMetrics& m = skin.Metrics();
  EXPECT_EQ(m.thick_border, 5);
  EXPECT_EQ(m.thin_border, 2);
  EXPECT_EQ(m.title_button, (Size{18, 15}));
  EXPECT_EQ(m.title_bar_height, SkinMetrics{}.title_bar_height) << "not taken from the pack";
}

TEST(SkinMetricsFromPack, APackWithoutThoseImagesKeepsTheDefaults) {
  Skin skin;
  std::vector<PageImage> pages;
  ASSERT_EQ(skin.LoadImages({MakeImage(kSkinBackground, 8, 8)}, 1024, pages), "");
  const SkinMetrics defaults;
  EXPECT_EQ(skin.Metrics().thick_border, defaults.thick_border);
  EXPECT_EQ(skin.Metrics().thin_border, defaults.thin_border);
  EXPECT_EQ(skin.Metrics().title_button, defaults.title_button);
}

// A failed load leaves everything as the previous load made it.
void ExpectBasicPackKept(const Skin& skin) {
  EXPECT_TRUE(skin.IsLoaded());
  EXPECT_EQ(skin.ImageSize(kSkinBackground), (Size{8, 8}));
  EXPECT_EQ(skin.ImageSize(kSkinTitleButtonClose), (Size{18, 15}));
  EXPECT_FALSE(skin.Piece(kSkinTitleBarActive).present);
  EXPECT_EQ(skin.Metrics().thick_border, 5);
  EXPECT_EQ(skin.Metrics().title_button, (Size{18, 15}));
}

TEST(SkinLoadFailure, AnImageTooLargeForA1024PageIsAnErrorAndTheOldSkinStays) {
  Skin skin;
  std::vector<PageImage> pages;
  ASSERT_EQ(skin.LoadImages(BasicPack(), 1024, pages), "");
  const Size first_page = skin.PageSize(0);
  // Too wide for the texture pack's pages even though the driver would take it.
  std::vector<PageImage> new_pages;
  const std::string error = skin.LoadImages(
      {MakeImage(kSkinTitleBarActive, 1100, 4), MakeImage(kSkinThickBorderEdge, 16, 9)}, 4096,
      new_pages);
  EXPECT_NE(error, "");
  ExpectBasicPackKept(skin);
  EXPECT_EQ(skin.PageSize(0), first_page);
}

TEST(SkinLoadFailure, PixelsOfTheWrongSizeAreAnErrorAndTheOldSkinStays) {
  Skin skin;
  std::vector<PageImage> pages;
  ASSERT_EQ(skin.LoadImages(BasicPack(), 1024, pages), "");
  TexturePackImage broken = MakeImage(kSkinTitleBarActive, 10, 10);
  broken.rgba.erase(broken.rgba.end() - 4, broken.rgba.end());
  std::vector<PageImage> new_pages;
  EXPECT_NE(skin.LoadImages({MakeImage(kSkinThickBorderEdge, 16, 9), broken}, 1024, new_pages), "");
  ExpectBasicPackKept(skin);
}

}  // namespace
