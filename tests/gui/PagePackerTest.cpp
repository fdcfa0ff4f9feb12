#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "gui/PagePacker.h"

namespace {

// The rectangle an image occupies in its page, with turned images counted turned.
Rect Footprint(const PackerInput& image, const PackerPlacement& placement) {
  const int32_t across = placement.transposed ? image.height : image.width;
  const int32_t down = placement.transposed ? image.width : image.height;
  return {placement.x, placement.y, placement.x + across, placement.y + down};
}

// Checks everything a layout of successfully packed images must satisfy, whatever the images:
// each one placed on an existing page, inside it, turned exactly when allowed and taller than
// wide, and no two overlapping.
void ExpectValidLayout(std::span<const PackerInput> images, const PackerLayout& layout,
                       int32_t max_side) {
  ASSERT_TRUE(layout.ok()) << layout.error;
  ASSERT_EQ(layout.placements.size(), images.size());
  const int32_t largest = std::max(max_side, PagePacker::kMinPageSide);
  for (const Size& page : layout.pages) {
    EXPECT_GE(page.width, PagePacker::kMinPageSide);
    EXPECT_GE(page.height, PagePacker::kMinPageSide);
    EXPECT_LE(page.width, largest);
    EXPECT_LE(page.height, largest);
  }
  std::vector<std::vector<size_t>> on_page(layout.pages.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const PackerPlacement& placement = layout.placements[i];
    ASSERT_TRUE(placement.placed) << "image " << i;
    ASSERT_LT(placement.page, layout.pages.size()) << "image " << i;
    EXPECT_EQ(placement.transposed, images[i].may_turn && images[i].height > images[i].width)
        << "image " << i;
    const Size page = layout.pages[placement.page];
    const Rect bounds = {0, 0, page.width, page.height};
    EXPECT_TRUE(bounds.Contains(Footprint(images[i], placement)))
        << "image " << i << " at " << placement.x << ", " << placement.y;
    on_page[placement.page].push_back(i);
  }
  for (size_t p = 0; p < on_page.size(); ++p) {
    EXPECT_FALSE(on_page[p].empty()) << "page " << p << " holds no image";
    for (size_t a = 0; a < on_page[p].size(); ++a) {
      const size_t i = on_page[p][a];
      const Rect first = Footprint(images[i], layout.placements[i]);
      for (size_t b = a + 1; b < on_page[p].size(); ++b) {
        const size_t j = on_page[p][b];
        EXPECT_FALSE(first.Intersects(Footprint(images[j], layout.placements[j])))
            << "images " << i << " and " << j << " overlap on page " << p;
      }
    }
  }
}

std::vector<PackerInput> RandomImages(std::mt19937& random, size_t count, int max_side,
                                      bool some_turn) {
  std::uniform_int_distribution<int> side(1, max_side);
  std::bernoulli_distribution turn(0.5);
  std::vector<PackerInput> images(count);
  for (PackerInput& image : images) {
    image.width = static_cast<uint16_t>(side(random));
    image.height = static_cast<uint16_t>(side(random));
    image.may_turn = some_turn && turn(random);
  }
  return images;
}

TEST(PagePackerLayout, OneSmallImageMakesOneMinimumPage) {
  const std::vector<PackerInput> images = {{16, 16, false}};
  const PackerLayout layout = PagePacker(1024).Pack(images);
  ASSERT_TRUE(layout.ok()) << layout.error;
  ASSERT_EQ(layout.pages.size(), 1u);
  EXPECT_EQ(layout.pages[0], (Size{128, 128}));
  EXPECT_TRUE(layout.placements[0].placed);
  EXPECT_EQ(layout.placements[0].page, 0u);
  EXPECT_EQ(layout.placements[0].x, 0);
  EXPECT_EQ(layout.placements[0].y, 0);
}

TEST(PagePackerLayout, NoImagesMakeNoPages) {
  const PackerLayout layout = PagePacker(1024).Pack({});
  EXPECT_TRUE(layout.ok()) << layout.error;
  EXPECT_TRUE(layout.pages.empty());
}

TEST(PagePackerLayout, RandomSetsArePlacedInsideTheirPagesWithoutOverlap) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const int32_t max_side = seed % 2 ? 1024 : 256;
    const std::vector<PackerInput> images =
        RandomImages(random, 20 + seed * 5, seed % 3 ? 40 : 120, seed % 4 != 0);
    ExpectValidLayout(images, PagePacker(max_side).Pack(images), max_side);
  }
}

TEST(PagePackerLayout, ImagesTooManyForOnePageSpreadOverSeveral) {
  // Forty 100 x 100 images cannot share a 256 x 256 page more than four at a time.
  const std::vector<PackerInput> images(40, PackerInput{100, 100, false});
  const PackerLayout layout = PagePacker(256).Pack(images);
  ExpectValidLayout(images, layout, 256);
  EXPECT_GE(layout.pages.size(), 10u);
}

TEST(PagePackerLayout, ImagesAsLargeAsTheLargestPageEachGetOne) {
  const std::vector<PackerInput> images(3, PackerInput{512, 512, false});
  const PackerLayout layout = PagePacker(512).Pack(images);
  ExpectValidLayout(images, layout, 512);
  ASSERT_EQ(layout.pages.size(), 3u);
  for (const Size& page : layout.pages) EXPECT_EQ(page, (Size{512, 512}));
}

TEST(PagePackerLayout, ZeroSizedImagesAreStillPlaced) {
  const std::vector<PackerInput> images = {
      {0, 0, false}, {0, 5, true}, {7, 0, false}, {3, 3, false}};
  ExpectValidLayout(images, PagePacker(1024).Pack(images), 1024);
}

TEST(PagePackerLayout, SpaceBelowAnImageIsFilledBeforeTheSpaceToItsRight) {
  // Sorted: 64 x 64, 64 x 32, 32 x 32 (area 7168, so a 128 x 64 page raised to 128 x 128).
  // After the first, the space below it (64 x 64) comes before the space to its right, so the
  // second goes under it; the strip left below the second then takes the third.
  const std::vector<PackerInput> images = {{32, 32, false}, {64, 32, false}, {64, 64, false}};
  const PackerLayout layout = PagePacker(1024).Pack(images);
  ASSERT_TRUE(layout.ok()) << layout.error;
  ASSERT_EQ(layout.pages.size(), 1u);
  EXPECT_EQ(layout.pages[0], (Size{128, 128}));
  EXPECT_EQ((Point{layout.placements[2].x, layout.placements[2].y}), (Point{0, 0}));
  EXPECT_EQ((Point{layout.placements[1].x, layout.placements[1].y}), (Point{0, 64}));
  EXPECT_EQ((Point{layout.placements[0].x, layout.placements[0].y}), (Point{0, 96}));
}

TEST(PagePackerLayout, WidestImagesArePlacedFirst) {
  // The widest image takes the top-left corner whatever its place in the input.
  const std::vector<PackerInput> images = {{10, 90, false}, {20, 5, false}, {90, 10, false}};
  const PackerLayout layout = PagePacker(1024).Pack(images);
  ASSERT_TRUE(layout.ok()) << layout.error;
  EXPECT_EQ((Point{layout.placements[2].x, layout.placements[2].y}), (Point{0, 0}));
}

TEST(PagePackerLayout, PageGrowsAfterFailedAttempts) {
  // 200 x 10 (area 2000) asks for a 64 x 64 page, raised to 128 x 128, too narrow. Each
  // failure doubles the area: 4000 and 8000 still give 128 x 128, 16000 gives 2^15 pixels as
  // 256 x 128, which holds it.
  const std::vector<PackerInput> images = {{200, 10, false}};
  const PackerLayout layout = PagePacker(1024).Pack(images);
  ASSERT_TRUE(layout.ok()) << layout.error;
  ASSERT_EQ(layout.pages.size(), 1u);
  EXPECT_EQ(layout.pages[0], (Size{256, 128}));
}

TEST(PagePackerTurning, OnlyTurnableImagesTallerThanWideAreTurned) {
  const std::vector<PackerInput> images = {
      {10, 20, true},   // turned
      {10, 20, false},  // not allowed
      {20, 10, true},   // already wide
      {15, 15, true},   // square
  };
  const PackerLayout layout = PagePacker(1024).Pack(images);
  ExpectValidLayout(images, layout, 1024);
  EXPECT_TRUE(layout.placements[0].transposed);
  EXPECT_FALSE(layout.placements[1].transposed);
  EXPECT_FALSE(layout.placements[2].transposed);
  EXPECT_FALSE(layout.placements[3].transposed);
}

TEST(PagePackerTurning, ATallTurnableImageFitsAPageItsHeightWouldNot) {
  // 20 x 200 turned is 200 x 20; the page grows in width first, so it fits a 256 x 128 page.
  const std::vector<PackerInput> images = {{20, 200, true}};
  const PackerLayout layout = PagePacker(1024).Pack(images);
  ExpectValidLayout(images, layout, 1024);
  ASSERT_EQ(layout.pages.size(), 1u);
  EXPECT_EQ(layout.pages[0], (Size{256, 128}));
}

TEST(PagePackerOversized, ImageWiderThanTheLargestPageIsAnError) {
  const std::vector<PackerInput> images = {{16, 16, false}, {1025, 8, false}};
  const PackerLayout layout = PagePacker(1024).Pack(images);
  EXPECT_FALSE(layout.ok());
  EXPECT_NE(layout.error.find("image 1"), std::string::npos) << layout.error;
  EXPECT_NE(layout.error.find("1025 x 8"), std::string::npos) << layout.error;
  for (const PackerPlacement& placement : layout.placements) {
    EXPECT_FALSE(placement.placed);
    EXPECT_FALSE(placement.transposed);
  }
}

TEST(PagePackerOversized, ImageTallerThanTheLargestPageIsAnErrorEvenIfItMayTurn) {
  const std::vector<PackerInput> images = {{4, 3000, true}};
  EXPECT_FALSE(PagePacker(2048).Pack(images).ok());
}

TEST(PagePackerOversized, LimitBelowTheMinimumPageStillAllowsTheMinimumPage) {
  // Pages are raised to 128 even when the limit is smaller, so 128 fits and 129 does not.
  const std::vector<PackerInput> fits = {{128, 128, false}};
  const std::vector<PackerInput> too_big = {{129, 1, false}};
  EXPECT_EQ(PagePacker(64).LargestPageSide(), 128);
  ExpectValidLayout(fits, PagePacker(64).Pack(fits), 64);
  EXPECT_FALSE(PagePacker(64).Pack(too_big).ok());
}

TEST(PagePackerOversized, LargestSizeThatFitsIsAccepted) {
  const std::vector<PackerInput> images = {{1024, 1024, false}, {1, 1, false}};
  ExpectValidLayout(images, PagePacker(1024).Pack(images), 1024);
}

TEST(PagePackerOversized, NonPositiveLimitIsAnError) {
  const std::vector<PackerInput> images = {{1, 1, false}};
  EXPECT_FALSE(PagePacker(0).Pack(images).ok());
  EXPECT_FALSE(PagePacker(-5).Pack(images).ok());
}

TEST(PagePackerPageSize, SmallAreasGetTheMinimumPage) {
  // 256: the first power of two with a sixteenth spare is 2^9 (512 - 32 >= 256), 32 x 16.
  EXPECT_EQ(PagePacker(1024).PageSizeFor(256, 0), (Size{128, 128}));
  EXPECT_EQ(PagePacker(1024).PageSizeFor(0, 0), (Size{128, 128}));
}

TEST(PagePackerPageSize, WidthTakesTheLargerHalfOfTheExponent) {
  // 100000: 2^16 - 2^12 = 61440 is too small, 2^17 - 2^13 = 122880 is enough; 2^17 - 100000
  // is well under 1024 * 1024 / 4, so the page is 2^9 x 2^8.
  EXPECT_EQ(PagePacker(1024).PageSizeFor(100000, 0), (Size{512, 256}));
}

TEST(PagePackerPageSize, TooMuchSpareAreaShrinksThePage) {
  // 1000000 needs 2^21 for its spare sixteenth, but 2^21 - 1000000 = 1097152 exceeds
  // 1024 * 1024 / 4, so the page drops to 2^20: 1024 x 1024.
  EXPECT_EQ(PagePacker(1024).PageSizeFor(1000000, 0), (Size{1024, 1024}));
  // With a 512 limit the same area stops at 2^20 too, capped to 512 on both sides.
  EXPECT_EQ(PagePacker(512).PageSizeFor(1000000, 0), (Size{512, 512}));
}

TEST(PagePackerPageSize, EachFailureDoublesTheArea) {
  // 256 << 6 = 16384: 2^14 - 2^10 is too small, 2^15 - 2^11 is enough: 2^8 x 2^7.
  EXPECT_EQ(PagePacker(1024).PageSizeFor(256, 6), (Size{256, 128}));
  EXPECT_EQ(PagePacker(1024).PageSizeFor(16384, 0), PagePacker(1024).PageSizeFor(256, 6));
}

TEST(PagePackerPageSize, HugeAreasAndFailureCountsDoNotOverflow) {
  const PagePacker packer(1024);
  const uint64_t huge = std::numeric_limits<uint64_t>::max();
  EXPECT_EQ(packer.PageSizeFor(huge, 0), (Size{1024, 1024}));
  EXPECT_EQ(packer.PageSizeFor(1, 63), (Size{1024, 1024}));
  EXPECT_EQ(packer.PageSizeFor(1, 64), (Size{1024, 1024}));
  EXPECT_EQ(packer.PageSizeFor(12345, std::numeric_limits<uint32_t>::max()), (Size{1024, 1024}));
  EXPECT_EQ(PagePacker(std::numeric_limits<int32_t>::max()).PageSizeFor(huge, 1000).width,
            std::numeric_limits<int32_t>::max());
}

// Page pixels of a layout, checked pixel by pixel against the images they came from.
class PagePackerCompose : public ::testing::Test {
 protected:
  // Every pixel of every image has its own value, so a pixel written in the wrong place or
  // with its bytes mixed up is caught.
  void MakePixels(int32_t bytes_per_pixel) {
    buffers_.clear();
    for (size_t i = 0; i < images_.size(); ++i) {
      std::vector<uint8_t> buffer(size_t{images_[i].width} * images_[i].height *
                                  static_cast<size_t>(bytes_per_pixel));
      for (size_t k = 0; k < buffer.size(); ++k) {
        buffer[k] = static_cast<uint8_t>(1 + (k * 7 + i * 53) % 255);
      }
      buffers_.push_back(std::move(buffer));
    }
    views_.assign(buffers_.begin(), buffers_.end());
  }

  void ExpectPagesMatch(int32_t bytes_per_pixel) {
    const PackerLayout layout = PagePacker(1024).Pack(images_);
    ASSERT_TRUE(layout.ok()) << layout.error;
    const auto bpp = static_cast<size_t>(bytes_per_pixel);
    for (uint32_t p = 0; p < layout.pages.size(); ++p) {
      std::vector<uint8_t> page;
      const std::string error =
          PagePacker::ComposePage(layout, p, images_, views_, bytes_per_pixel, page);
      ASSERT_EQ(error, "");
      const size_t page_width = static_cast<size_t>(layout.pages[p].width);
      ASSERT_EQ(page.size(), page_width * static_cast<size_t>(layout.pages[p].height) * bpp);
      std::vector<bool> covered(page.size() / bpp, false);
      for (size_t i = 0; i < images_.size(); ++i) {
        const PackerPlacement& placement = layout.placements[i];
        if (placement.page != p) continue;
        for (size_t row = 0; row < images_[i].height; ++row) {
          for (size_t column = 0; column < images_[i].width; ++column) {
            const size_t x =
                static_cast<size_t>(placement.x) + (placement.transposed ? row : column);
            const size_t y =
                static_cast<size_t>(placement.y) + (placement.transposed ? column : row);
            covered[y * page_width + x] = true;
            for (size_t c = 0; c < bpp; ++c) {
              ASSERT_EQ(page[(y * page_width + x) * bpp + c],
                        buffers_[i][(row * images_[i].width + column) * bpp + c])
                  << "image " << i << " pixel " << column << ", " << row << " byte " << c;
            }
          }
        }
      }
      for (size_t k = 0; k < covered.size(); ++k) {
        if (covered[k]) continue;
        for (size_t c = 0; c < bpp; ++c) ASSERT_EQ(page[k * bpp + c], 0) << "pixel " << k;
      }
    }
  }

  std::vector<PackerInput> images_ = {{5, 3, false}, {2, 7, true},  {3, 9, false},
                                      {1, 1, true},  {12, 4, true}, {4, 12, true}};
  std::vector<std::vector<uint8_t>> buffers_;
  std::vector<std::span<const uint8_t>> views_;
};

TEST_F(PagePackerCompose, RgbaImagesLandWhereTheLayoutSays) {
  MakePixels(4);
  ExpectPagesMatch(4);
}

TEST_F(PagePackerCompose, AlphaImagesTurnedAreWrittenTransposed) {
  MakePixels(1);
  ExpectPagesMatch(1);
}

TEST_F(PagePackerCompose, ImagesOnSeveralPagesEachGoToTheirOwn) {
  images_.assign(12, PackerInput{300, 200, false});
  images_.push_back({30, 400, true});
  MakePixels(1);
  ExpectPagesMatch(1);
}

TEST_F(PagePackerCompose, PixelBufferOfTheWrongSizeIsAnError) {
  MakePixels(4);
  const PackerLayout layout = PagePacker(1024).Pack(images_);
  ASSERT_TRUE(layout.ok());
  buffers_[2].pop_back();
  views_.assign(buffers_.begin(), buffers_.end());
  std::vector<uint8_t> page(10, 1);
  const std::string error = PagePacker::ComposePage(layout, 0, images_, views_, 4, page);
  EXPECT_NE(error.find("image 2"), std::string::npos) << error;
  EXPECT_TRUE(page.empty());
}

TEST_F(PagePackerCompose, MissingPageOrMismatchedListsAreErrors) {
  MakePixels(4);
  const PackerLayout layout = PagePacker(1024).Pack(images_);
  ASSERT_TRUE(layout.ok());
  std::vector<uint8_t> page;
  const auto page_count = static_cast<uint32_t>(layout.pages.size());
  EXPECT_NE(PagePacker::ComposePage(layout, page_count, images_, views_, 4, page), "");
  const std::span<const std::span<const uint8_t>> fewer(views_.data(), views_.size() - 1);
  EXPECT_NE(PagePacker::ComposePage(layout, 0, images_, fewer, 4, page), "");
  EXPECT_NE(PagePacker::ComposePage(layout, 0, images_, views_, 0, page), "");
  EXPECT_NE(PagePacker::ComposePage(layout, 0, images_, views_, 3, page), "");
}

}  // namespace
