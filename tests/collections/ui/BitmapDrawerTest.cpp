#include <gtest/gtest.h>

#include <vector>

#include "collections/CollectionBitmap.h"
#include "collections/ui/BitmapDrawer.h"
#include "gui/Painter.h"
#include "support/RecordingPainter.h"

namespace {

using Op = RecordingPainter::Op;

// A palette whose entry i is (i, 255 - i, i / 2).
CollectionDisplay::Palette RampPalette() {
  CollectionDisplay::Palette p{};
  for (int i = 0; i < 256; ++i) {
    p[static_cast<size_t>(i) * 3] = static_cast<uint8_t>(i);
    p[static_cast<size_t>(i) * 3 + 1] = static_cast<uint8_t>(255 - i);
    p[static_cast<size_t>(i) * 3 + 2] = static_cast<uint8_t>(i / 2);
  }
  return p;
}

// Pixel (x, y) has index (x + y) % 256 and alpha 255, except alpha x % 256 on row 0.
CollectionBitmap Bitmap(uint16_t width, uint16_t height) {
  CollectionBitmap b;
  b.width = width;
  b.height = height;
  b.pixels.resize(static_cast<size_t>(width) * height * 2);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 2;
      b.pixels[at] = static_cast<uint8_t>(y == 0 ? x % 256 : 255);
      b.pixels[at + 1] = static_cast<uint8_t>((x + y) % 256);
    }
  }
  return b;
}

class BitmapDrawerTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCurrentPainter(&painter_); }
  void TearDown() override { SetCurrentPainter(nullptr); }

  // The colour the recorded frame shows at a destination point: the scratch texel under it.
  Color Shown(float x, float y) const {
    for (const RecordingPainter::Call* c : painter_.Calls(Op::kDrawScratchQuads)) {
      for (const TexturedQuad& q : c->quads) {
        Point texel;
        if (QuadTexel(q, x, y, {Painter::kScratchSize, Painter::kScratchSize}, texel))
          return painter_.ScratchTexel(texel.x, texel.y);
      }
    }
    return 0;
  }

  RecordingPainter painter_;
  BitmapDrawer drawer_;
  CollectionDisplay::Palette palette_ = RampPalette();
};

TEST_F(BitmapDrawerTest, PixelsShowTheirPaletteColourAndTheirOwnAlpha) {
  const CollectionBitmap b = Bitmap(20, 10);
  drawer_.Draw(b, palette_, {100, 50, 120, 60});
  EXPECT_EQ(painter_.Count(Op::kUploadScratch), 1u);
  ASSERT_EQ(painter_.Count(Op::kDrawScratchQuads), 1u);
  // Pixel (3, 4): index 7, opaque.
  EXPECT_EQ(Shown(103.5f, 54.5f), MakeColor(7, 248, 3, 255));
  // Pixel (5, 0): index 5, alpha 5.
  EXPECT_EQ(Shown(105.5f, 50.5f), MakeColor(5, 250, 2, 5));
  // Drawn untinted, and the caller's colour is back afterwards.
  EXPECT_EQ(painter_.Calls(Op::kDrawScratchQuads)[0]->color, kWhite);
}

TEST_F(BitmapDrawerTest, LargeBitmapsGoInTilesOfTheTextureSize) {
  const CollectionBitmap b = Bitmap(600, 520);
  drawer_.Draw(b, palette_, {0, 0, 600, 520});
  // 2 x 2 tiles, none larger than the texture.
  ASSERT_EQ(painter_.Count(Op::kUploadScratch), 4u);
  for (const RecordingPainter::Call* c : painter_.Calls(Op::kUploadScratch)) {
    EXPECT_LE(c->rect.Width(), Painter::kScratchSize);
    EXPECT_LE(c->rect.Height(), Painter::kScratchSize);
  }
  // The last tile drawn is still in the texture: pixel (590, 515), index (1105 % 256) = 81.
  EXPECT_EQ(Shown(590.5f, 515.5f), MakeColor(81, 174, 40, 255));
}

TEST_F(BitmapDrawerTest, ADrawingSmallerThanTheBitmapUploadsOnlyWhatShows) {
  const CollectionBitmap b = Bitmap(1024, 1024);
  drawer_.Draw(b, palette_, {0, 0, 128, 128});
  ASSERT_EQ(painter_.Count(Op::kUploadScratch), 1u);
  EXPECT_EQ(painter_.Calls(Op::kUploadScratch)[0]->rect.Width(), 128);
  // Sample (10, 20) is source pixel (80, 160): index 240.
  EXPECT_EQ(Shown(10.5f, 20.5f), MakeColor(240, 15, 120, 255));
}

TEST_F(BitmapDrawerTest, MirrorFlagsFlipTheDrawing) {
  const CollectionBitmap b = Bitmap(20, 10);
  drawer_.Draw(b, palette_, {0, 0, 20, 10},
               BitmapDrawer::kMirrorHorizontal | BitmapDrawer::kMirrorVertical);
  // Destination (0, 0) shows source pixel (19, 9): index 28.
  EXPECT_EQ(Shown(0.5f, 0.5f), MakeColor(28, 227, 14, 255));
  // Destination (19, 9) shows source (0, 0): index 0, alpha 0.
  EXPECT_EQ(Shown(19.5f, 9.5f), MakeColor(0, 255, 0, 0));
}

TEST_F(BitmapDrawerTest, SuccessiveTilesTakeDifferentPlacesOfTheTexture) {
  // Three different pictures: index (x + y + 100 i) in picture i.
  std::vector<CollectionBitmap> pictures(3, Bitmap(100, 100));
  for (size_t i = 0; i < pictures.size(); ++i) {
    for (size_t p = 1; p < pictures[i].pixels.size(); p += 2)
      pictures[i].pixels[p] = static_cast<uint8_t>(pictures[i].pixels[p] + 100 * i);
    const int32_t left = static_cast<int32_t>(i) * 100;
    drawer_.Draw(pictures[i], palette_, {left, 0, left + 100, 100});
  }
  const auto uploads = painter_.Calls(Op::kUploadScratch);
  ASSERT_EQ(uploads.size(), 3u);
  EXPECT_FALSE(uploads[0]->rect.Intersects(uploads[1]->rect));
  EXPECT_FALSE(uploads[1]->rect.Intersects(uploads[2]->rect));
  // Once all three are drawn each quad still finds its own picture: (3, 4) has index 7 + 100 i.
  EXPECT_EQ(Shown(3.5f, 4.5f), MakeColor(7, 248, 3, 255));
  EXPECT_EQ(Shown(103.5f, 4.5f), MakeColor(107, 148, 53, 255));
  EXPECT_EQ(Shown(203.5f, 4.5f), MakeColor(207, 48, 103, 255));
}

TEST_F(BitmapDrawerTest, BitmapsWithoutIndexedPixelsDrawAsACheckerboard) {
  CollectionBitmap b = Bitmap(16, 16);
  b.bytes_per_pixel = 8;
  b.pixels.assign(16 * 16 * 8, 0);
  drawer_.Draw(b, palette_, {0, 0, 16, 16});
  EXPECT_NE(Shown(1.5f, 1.5f), Shown(9.5f, 1.5f));
  EXPECT_EQ(ColorAlpha(Shown(1.5f, 1.5f)), 255);
}

}  // namespace
