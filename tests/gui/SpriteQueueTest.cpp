#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "gui/Skin.h"
#include "gui/SkinIds.h"
#include "gui/SpriteQueue.h"
#include "gui/TexturePackFile.h"
#include "support/RecordingPainter.h"
#include "support/TracedImages.h"

// Skin images are never stored turned (only glyphs are), so LoadImages cannot produce a skin
// with a transposed piece. To check that sprites read such pieces correctly, the tests lay
// one out by hand through the skin's tables, reached with an explicit instantiation (which
// may name private members).
void PlacePieceByHand(Skin& skin, int32_t id, const SkinPiece& piece, Size page);

template <auto kPieces, auto kPageSizes, auto kLoaded>
struct SkinTables {
  friend void PlacePieceByHand(Skin& skin, int32_t id, const SkinPiece& piece, Size page) {
    (skin.*kPieces)[static_cast<size_t>(id)] = piece;
    (skin.*kPageSizes).assign(1, page);
    skin.*kLoaded = true;
  }
};
template struct SkinTables<&Skin::pieces_, &Skin::page_sizes_, &Skin::loaded_>;

namespace {

using Flag = uint32_t;
namespace SF = SpriteFlag;

// Which pixel of a width x height image shows at (dx, dy) of the displayed image: turned a
// quarter clockwise first, then mirrored.
Source Reference(int id, int width, int height, Flag flags, int dx, int dy) {
  const bool turned = flags & SF::Rotate;
  const int shown_w = turned ? height : width;
  const int shown_h = turned ? width : height;
  if (flags & SF::MirrorX) dx = shown_w - 1 - dx;
  if (flags & SF::MirrorY) dy = shown_h - 1 - dy;
  if (turned) return {id, dy, height - 1 - dx};
  return {id, dx, dy};
}

class SpriteQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_painter_ = CurrentPainter();
    SetCurrentPainter(&painter_);
  }
  void TearDown() override { SetCurrentPainter(previous_painter_); }

  void Load(const std::vector<TexturePackImage>& images, int32_t max_texture_size = 1024) {
    const std::string error = skin_.LoadImages(images, max_texture_size, pages_);
    ASSERT_EQ(error, "");
  }

  // The image pixels the quads show at destination pixel (x, y) of a page, one per quad
  // covering the pixel.
  std::vector<Source> ShownAt(const std::vector<TexturedQuad>& quads, int32_t page, int x,
                              int y) const {
    std::vector<Source> shown;
    const PageImage& image = pages_.at(static_cast<size_t>(page));
    for (const TexturedQuad& q : quads) {
      Point texel;
      if (!QuadTexel(q, static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f,
                     {image.width, image.height}, texel)) {
        continue;
      }
      if (texel.x < 0 || texel.y < 0 || texel.x >= image.width || texel.y >= image.height) {
        shown.push_back({});
        continue;
      }
      const size_t at = (static_cast<size_t>(texel.y) * image.width + texel.x) * 4;
      shown.push_back({image.pixels[at + 2], image.pixels[at], image.pixels[at + 1]});
    }
    return shown;
  }

  // Builds the quads of one sprite and checks every destination pixel against `expected`.
  template <class Expected>
  void ExpectShows(int32_t id, const Rect& dest, Flag flags, const Rect& source,
                   Expected expected) {
    std::vector<TexturedQuad> quads;
    SpriteQueue::BuildQuads(skin_, id, dest, flags, source, quads);
    ASSERT_FALSE(quads.empty());
    const int32_t page = skin_.Piece(id).page;
    for (int y = dest.top; y < dest.bottom; ++y) {
      for (int x = dest.left; x < dest.right; ++x) {
        const std::vector<Source> shown = ShownAt(quads, page, x, y);
        ASSERT_EQ(shown.size(), 1u) << "pixel (" << x << ", " << y << ") flags " << flags;
        ASSERT_EQ(shown[0], expected(x - dest.left, y - dest.top))
            << "pixel (" << x << ", " << y << ") flags " << flags;
      }
    }
  }

  Skin skin_;
  std::vector<PageImage> pages_;
  RecordingPainter painter_;
  Painter* previous_painter_ = nullptr;
};

constexpr int32_t kWide = kSkinSplitterBar;  // any ids will do; the images are the tests' own
constexpr int32_t kOther = kSkinSwatchChecker;
constexpr int32_t kSmall = kSkinMenuCheckMark;

// ---------------------------------------------------------------------------------------
// Tiling and stretching

TEST_F(SpriteQueueTest, TilingCoversTheDestinationWithWholeTilesAndCutsTheLastOnes) {
  Load({MakeImage(kWide, 4, 3)});
  std::vector<TexturedQuad> quads;
  SpriteQueue::BuildQuads(skin_, kWide, {10, 20, 20, 27}, 0, {}, quads);
  ASSERT_EQ(quads.size(), 9u) << "3 columns (4, 4, 2) by 3 rows (3, 3, 1)";
  const float lefts[] = {10, 14, 18};
  const float rights[] = {14, 18, 20};
  const float tops[] = {20, 23, 26};
  const float bottoms[] = {23, 26, 27};
  for (size_t i = 0; i < quads.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(quads[i].x0, lefts[i % 3]);
    EXPECT_EQ(quads[i].x1, rights[i % 3]);
    EXPECT_EQ(quads[i].y0, tops[i / 3]);
    EXPECT_EQ(quads[i].y1, bottoms[i / 3]);
  }
}

TEST_F(SpriteQueueTest, EveryTileStartsAtTheImagesTopLeftAndCutTilesShowItsStart) {
  Load({MakeImage(kWide, 4, 3)});
  ExpectShows(kWide, {10, 20, 20, 27}, 0, {}, [](int dx, int dy) {
    return Source{kWide, dx % 4, dy % 3};
  });
}

TEST_F(SpriteQueueTest, AStretchedPieceIsOneQuadFromCornerToCorner) {
  Load({MakeImage(kWide, 5, 3)});
  std::vector<TexturedQuad> quads;
  SpriteQueue::BuildQuads(skin_, kWide, {0, 0, 10, 6}, SF::Stretch, {}, quads);
  ASSERT_EQ(quads.size(), 1u);
  EXPECT_EQ(quads[0].x1, 10);
  EXPECT_EQ(quads[0].y1, 6);
  // Twice the size: each image pixel covers 2 x 2 destination pixels.
  ExpectShows(kWide, {0, 0, 10, 6}, SF::Stretch, {}, [](int dx, int dy) {
    return Source{kWide, dx / 2, dy / 2};
  });
}

// ---------------------------------------------------------------------------------------
// Turning and mirroring

TEST_F(SpriteQueueTest, TurningShowsTheImageAQuarterClockwise) {
  Load({MakeImage(kWide, 5, 3)});
  // Turned, the 5 x 3 image is 3 wide and 5 high: its left column becomes the top row, read
  // from the bottom up, and its top row the right column.
  std::vector<TexturedQuad> quads;
  SpriteQueue::BuildQuads(skin_, kWide, {0, 0, 3, 5}, SF::Rotate, {}, quads);
  ASSERT_EQ(quads.size(), 1u);
  const int32_t page = skin_.Piece(kWide).page;
  EXPECT_EQ(ShownAt(quads, page, 0, 0), std::vector<Source>{Source({kWide, 0, 2})});
  EXPECT_EQ(ShownAt(quads, page, 2, 0), std::vector<Source>{Source({kWide, 0, 0})});
  EXPECT_EQ(ShownAt(quads, page, 2, 4), std::vector<Source>{Source({kWide, 4, 0})});
  EXPECT_EQ(ShownAt(quads, page, 0, 4), std::vector<Source>{Source({kWide, 4, 2})});
}

TEST_F(SpriteQueueTest, MirrorFlagsFlipLeftToRightAndTopToBottom) {
  Load({MakeImage(kWide, 5, 3)});
  std::vector<TexturedQuad> quads;
  const int32_t page = skin_.Piece(kWide).page;
  SpriteQueue::BuildQuads(skin_, kWide, {0, 0, 5, 3}, SF::MirrorX, {}, quads);
  EXPECT_EQ(ShownAt(quads, page, 0, 0), std::vector<Source>{Source({kWide, 4, 0})});
  EXPECT_EQ(ShownAt(quads, page, 4, 2), std::vector<Source>{Source({kWide, 0, 2})});
  quads.clear();
  SpriteQueue::BuildQuads(skin_, kWide, {0, 0, 5, 3}, SF::MirrorY, {}, quads);
  EXPECT_EQ(ShownAt(quads, page, 0, 0), std::vector<Source>{Source({kWide, 0, 2})});
  EXPECT_EQ(ShownAt(quads, page, 4, 2), std::vector<Source>{Source({kWide, 4, 0})});
}

TEST_F(SpriteQueueTest, EveryFlagCombinationTilesAndStretchesTheTurnedAndMirroredImage) {
  Load({MakeImage(kSmall, 8, 8), MakeImage(kWide, 5, 3)});
  for (Flag flags = 0; flags < 16; flags += SF::Rotate) {
    const bool turned = flags & SF::Rotate;
    const int shown_w = turned ? 3 : 5;
    const int shown_h = turned ? 5 : 3;
    // Tiled over two and a bit tiles each way.
    ExpectShows(
        kWide, {7, 9, 7 + 2 * shown_w + 2, 9 + 2 * shown_h + 1}, flags, {},
        [&](int dx, int dy) { return Reference(kWide, 5, 3, flags, dx % shown_w, dy % shown_h); });
    // Stretched to three times the size.
    ExpectShows(kWide, {0, 0, 3 * shown_w, 3 * shown_h}, flags | SF::Stretch, {},
                [&](int dx, int dy) { return Reference(kWide, 5, 3, flags, dx / 3, dy / 3); });
  }
}

TEST_F(SpriteQueueTest, ASourceRectanglePicksPartOfTheTurnedImage) {
  Load({MakeImage(kWide, 5, 3)});
  // Turned, the image is 3 x 5; the source is its 2 x 2 block at (1, 2), tiled.
  const Rect source = {1, 2, 3, 4};
  ExpectShows(kWide, {0, 0, 5, 3}, SF::Rotate, source, [](int dx, int dy) {
    return Reference(kWide, 5, 3, SF::Rotate, 1 + dx % 2, 2 + dy % 2);
  });
  // A source reaching past the image is cut to it.
  std::vector<TexturedQuad> quads;
  SpriteQueue::BuildQuads(skin_, kWide, {0, 0, 4, 4}, SF::Rotate, {2, 3, 9, 9}, quads);
  ASSERT_EQ(quads.size(), 8u) << "4 x 2 tiles of the 1 x 2 part left inside the image";
  EXPECT_EQ(quads[0].x1 - quads[0].x0, 1);
  EXPECT_EQ(quads[0].y1 - quads[0].y0, 2);
}

TEST_F(SpriteQueueTest, ATransposedPageImageShowsTheSameAsAnUprightOne) {
  // The 5 x 3 image stored turned at (2, 1) of a 16 x 16 page: image pixel (c, r) at page
  // pixel (2 + r, 1 + c).
  constexpr Size kPage = {16, 16};
  PageImage page{kPage.width, kPage.height, 4,
                 std::vector<uint8_t>(static_cast<size_t>(kPage.width * kPage.height * 4))};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 5; ++c) {
      const size_t at = (static_cast<size_t>(1 + c) * kPage.width + 2 + r) * 4;
      page.pixels[at] = static_cast<uint8_t>(c);
      page.pixels[at + 1] = static_cast<uint8_t>(r);
      page.pixels[at + 2] = kWide;
      page.pixels[at + 3] = 255;
    }
  }
  pages_ = {page};
  PlacePieceByHand(skin_, kWide, {true, 0, 2, 1, 5, 3, true}, kPage);
  for (Flag flags = 0; flags < 16; flags += SF::Rotate) {
    const bool turned = flags & SF::Rotate;
    const int shown_w = turned ? 3 : 5;
    const int shown_h = turned ? 5 : 3;
    ExpectShows(kWide, {0, 0, shown_w + 2, shown_h + 1}, flags, {}, [&](int dx, int dy) {
      return Reference(kWide, 5, 3, flags, dx % shown_w, dy % shown_h);
    });
    ExpectShows(kWide, {0, 0, 2 * shown_w, 2 * shown_h}, flags | SF::Stretch, {},
                [&](int dx, int dy) { return Reference(kWide, 5, 3, flags, dx / 2, dy / 2); });
  }
}

// ---------------------------------------------------------------------------------------
// Queue and batches

class SpriteQueueBatches : public SpriteQueueTest {
 protected:
  void SetUp() override {
    SpriteQueueTest::SetUp();
    // With 128-texel pages two 100 x 100 images cannot share a page.
    Load({MakeImage(kWide, 100, 100), MakeImage(kOther, 100, 100)}, 128);
    ASSERT_NE(skin_.Piece(kWide).page, skin_.Piece(kOther).page);
  }
  // The left edges of the quads of a DrawQuads call: each test gives its sprites different
  // ones, so they tell the sprites apart.
  static std::vector<int> Lefts(const RecordingPainter::Call& call) {
    std::vector<int> lefts;
    for (const TexturedQuad& q : call.quads) lefts.push_back(static_cast<int>(q.x0));
    return lefts;
  }
  SpriteQueue queue_;
};

TEST_F(SpriteQueueBatches, ASortedFlushDrawsEachPageOnceWithItsSpritesInQueueOrder) {
  queue_.Queue(skin_, kWide, {0, 0, 10, 10}, SF::Stretch);
  queue_.Queue(skin_, kOther, {1, 0, 11, 10}, SF::Stretch);
  queue_.Queue(skin_, kWide, {2, 0, 12, 10}, SF::Stretch);
  queue_.Queue(skin_, kOther, {3, 0, 13, 10}, SF::Stretch);
  EXPECT_EQ(queue_.Pending(), 4);
  queue_.Flush(skin_, &painter_, true);
  EXPECT_EQ(queue_.Pending(), 0);
  const auto draws = painter_.Calls(RecordingPainter::Op::kDrawQuads);
  ASSERT_EQ(draws.size(), 2u);
  const bool wide_first = skin_.Piece(kWide).page < skin_.Piece(kOther).page;
  const auto* wide = draws[wide_first ? 0 : 1];
  const auto* other = draws[wide_first ? 1 : 0];
  EXPECT_EQ(wide->set, PageSet::kSkin);
  EXPECT_EQ(wide->page, skin_.Piece(kWide).page);
  EXPECT_EQ(Lefts(*wide), (std::vector<int>{0, 2}));
  EXPECT_EQ(other->page, skin_.Piece(kOther).page);
  EXPECT_EQ(Lefts(*other), (std::vector<int>{1, 3}));
}

TEST_F(SpriteQueueBatches, AnUnsortedFlushDrawsOncePerRunOfOnePage) {
  queue_.Queue(skin_, kWide, {0, 0, 10, 10}, SF::Stretch);
  queue_.Queue(skin_, kWide, {1, 0, 11, 10}, SF::Stretch);
  queue_.Queue(skin_, kOther, {2, 0, 12, 10}, SF::Stretch);
  queue_.Queue(skin_, kWide, {3, 0, 13, 10}, SF::Stretch);
  queue_.Flush(skin_, &painter_, false);
  const auto draws = painter_.Calls(RecordingPainter::Op::kDrawQuads);
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0]->page, skin_.Piece(kWide).page);
  EXPECT_EQ(Lefts(*draws[0]), (std::vector<int>{0, 1}));
  EXPECT_EQ(draws[1]->page, skin_.Piece(kOther).page);
  EXPECT_EQ(Lefts(*draws[1]), (std::vector<int>{2}));
  EXPECT_EQ(draws[2]->page, skin_.Piece(kWide).page);
  EXPECT_EQ(Lefts(*draws[2]), (std::vector<int>{3}));
}

TEST_F(SpriteQueueBatches, TheSixtyFifthSpriteFlushesTheFullQueueFirst) {
  for (int i = 0; i < SpriteQueue::kCapacity; ++i) {
    queue_.Queue(skin_, kWide, {i, 0, i + 10, 10}, SF::Stretch);
  }
  EXPECT_EQ(queue_.Pending(), 64);
  EXPECT_EQ(painter_.Count(RecordingPainter::Op::kDrawQuads), 0u) << "nothing drawn yet";
  queue_.Queue(skin_, kWide, {64, 0, 74, 10}, SF::Stretch);
  EXPECT_EQ(queue_.Pending(), 1);
  const auto draws = painter_.Calls(RecordingPainter::Op::kDrawQuads);
  ASSERT_EQ(draws.size(), 1u);
  ASSERT_EQ(draws[0]->quads.size(), 64u);
  EXPECT_EQ(draws[0]->quads.front().x0, 0);
  EXPECT_EQ(draws[0]->quads.back().x0, 63);
  queue_.Flush(skin_, &painter_, true);
  ASSERT_EQ(painter_.Count(RecordingPainter::Op::kDrawQuads), 2u);
  EXPECT_EQ(painter_.calls.back().quads.at(0).x0, 64) << "the 65th sprite comes in the next batch";
}

TEST_F(SpriteQueueBatches, UnknownAndAbsentIdsAndEmptyDestinationsAreIgnored) {
  for (int32_t id : {-1, kSkinImageCount, 1000, static_cast<int32_t>(kSkinBackground)}) {
    queue_.Queue(skin_, id, {0, 0, 10, 10}, 0);
    std::vector<TexturedQuad> quads;
    SpriteQueue::BuildQuads(skin_, id, {0, 0, 10, 10}, 0, {}, quads);
    EXPECT_TRUE(quads.empty()) << "id " << id;
  }
  queue_.Queue(skin_, kWide, {5, 5, 5, 20}, 0);
  queue_.Queue(skin_, kWide, {5, 5, 20, 4}, 0);
  EXPECT_EQ(queue_.Pending(), 0);
  queue_.Flush(skin_, &painter_, true);
  EXPECT_TRUE(painter_.calls.empty());
}

TEST_F(SpriteQueueBatches, AFlushWithoutAPainterEmptiesTheQueue) {
  queue_.Queue(skin_, kWide, {0, 0, 10, 10}, 0);
  queue_.Flush(skin_, nullptr, true);
  EXPECT_EQ(queue_.Pending(), 0);
  queue_.Flush(skin_, &painter_, true);
  EXPECT_TRUE(painter_.calls.empty()) << "the sprite is not drawn later either";
}

}  // namespace
