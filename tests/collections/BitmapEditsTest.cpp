#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collections/BitmapEdits.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "tests/collections/CollectionFixtures.h"

namespace {

namespace cl = collection_layout;
using namespace collection_test;

// A width × height bitmap, transparent but for the rectangle [x0, x1] × [y0, y1], whose pixel
// (x, y) there has index 1 + x + y * width (so a misplaced copy shows).
CollectionBitmap* Framed(Collection& c, const char* name, uint16_t flags, int width, int height,
                         int x0, int y0, int x1, int y1) {
  std::vector<uint8_t> indices(static_cast<size_t>(width) * height, 0);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) indices[y * width + x] = static_cast<uint8_t>(1 + x + y * width);
  }
  return c.AddOrReplaceBitmap(name, flags, Opaque(indices), static_cast<uint16_t>(width),
                              static_cast<uint16_t>(height), 2, nullptr);
}

// One sequence, one frame, a view per entry of `flags`, each showing `bitmap` at registration
// (10, 20) and key (30, 40).
Sequence* ShowIn(Collection& c, CollectionBitmap* bitmap, std::vector<uint32_t> flags) {
  Sequence* s = c.AddSequence("s");
  s->view_count = static_cast<uint16_t>(flags.size());
  s->frames.assign(1, s->NewFrame());
  for (size_t v = 0; v < flags.size(); ++v) {
    FrameView& view = s->frames[0].views[v];
    view.bitmap = bitmap;
    view.flags = flags[v];
    view.registration_x = 10;
    view.registration_y = 20;
    view.key_x = 30;
    view.key_y = 40;
  }
  return s;
}

CollectionBitmap* Placeholder(Collection& c) {
  CollectionBitmap* b =
      c.AddOrReplaceBitmap("lost", cl::kBitmapRle, Opaque({0, 1, 0, 0}), 2, 2, 2, nullptr);
  b->placeholder = true;
  b->kept_block = {1, 2, 3};
  return b;
}

TEST(BitmapCrop, RemovesMarginsAndMovesEachViewFromTheSideItMeasuresFrom) {
  Collection c;
  // 6 × 5 with the opaque part at columns 1-3, rows 2-3: left 1, right 2, top 2, bottom 1.
  CollectionBitmap* b = Framed(c, "b", cl::kBitmapRle, 6, 5, 1, 2, 3, 3);
  Sequence* s =
      ShowIn(c, b, {0, cl::kViewMirrorX, cl::kViewMirrorY, cl::kViewMirrorX | cl::kViewMirrorY});
  EXPECT_EQ(BitmapEdits::CropTransparency(c, *b), 30 - 6);
  EXPECT_EQ(b->width, 3);
  EXPECT_EQ(b->height, 2);
  EXPECT_EQ(b->pixels, Opaque({14, 15, 16, 20, 21, 22}));
  const std::vector<FrameView>& v = s->frames[0].views;
  const int expected[4][2] = {{1, 2}, {2, 2}, {1, 1}, {2, 1}};  // columns, rows subtracted
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(v[k].registration_x, 10 - expected[k][0]) << "view " << k;
    EXPECT_EQ(v[k].key_x, 30 - expected[k][0]) << "view " << k;
    EXPECT_EQ(v[k].registration_y, 20 - expected[k][1]) << "view " << k;
    EXPECT_EQ(v[k].key_y, 40 - expected[k][1]) << "view " << k;
  }
  // Nothing left to take.
  EXPECT_EQ(BitmapEdits::CropTransparency(c, *b), 0);
}

TEST(BitmapCrop, AlternateRegistrationFollowsWhenTheCroppedBitmapIsAnAlternate) {
  Collection c;
  CollectionBitmap* main = Framed(c, "main", 0, 2, 2, 0, 0, 1, 1);
  CollectionBitmap* high = Framed(c, "high", cl::kBitmapRle, 8, 8, 3, 2, 5, 4);
  Sequence* s = ShowIn(c, main, {cl::kViewHasAlternate | cl::kViewMirrorX});
  FrameView& view = s->frames[0].views[0];
  view.alternate = high;
  view.alternate_registration_x = 50;
  view.alternate_registration_y = 60;
  EXPECT_EQ(BitmapEdits::CropTransparency(c, *high), 64 - 9);
  EXPECT_EQ(view.alternate_registration_x, 50 - 2);  // mirrored: the right margin
  EXPECT_EQ(view.alternate_registration_y, 60 - 2);
  EXPECT_EQ(view.registration_x, 10);  // the view's own bitmap did not change
}

TEST(BitmapCrop, PowerOfTwoRawIsKeptButRleIsCroppedAndEmptyIsReported) {
  Collection c;
  CollectionBitmap* raw = Framed(c, "raw", 0, 64, 64, 10, 10, 20, 20);
  EXPECT_EQ(BitmapEdits::CropTransparency(c, *raw), 0);
  EXPECT_EQ(raw->width, 64);
  raw->flags |= cl::kBitmapRle;
  EXPECT_EQ(BitmapEdits::CropTransparency(c, *raw), 64 * 64 - 11 * 11);
  EXPECT_EQ(raw->width, 11);

  CollectionBitmap* empty = c.AddOrReplaceBitmap("empty", 0, Opaque({0, 0, 0}), 3, 1, 2, nullptr);
  EXPECT_EQ(BitmapEdits::CropTransparency(c, *empty), -1);
  EXPECT_EQ(empty->width, 3);
}

TEST(BitmapUncrop, CentresTheBitmapAndMovesViewsByTheMarginTheirMirrorMeasuresFrom) {
  Collection c;
  CollectionBitmap* b = c.AddOrReplaceBitmap("b", 0, Opaque({1, 2, 3}), 3, 1, 2, nullptr);
  Sequence* s = ShowIn(c, b, {0, cl::kViewMirrorX | cl::kViewMirrorY});
  ASSERT_TRUE(BitmapEdits::UncropTransparency(c, *b, 6));
  // Left margin 1, right 2, top 2, bottom 3.
  std::vector<uint8_t> expected(36, 0);
  expected[2 * 6 + 1] = 1;
  expected[2 * 6 + 2] = 2;
  expected[2 * 6 + 3] = 3;
  EXPECT_EQ(b->pixels, Opaque(expected));
  EXPECT_EQ(b->width, 6);
  const FrameView& plain = s->frames[0].views[0];
  const FrameView& mirrored = s->frames[0].views[1];
  EXPECT_EQ(plain.registration_x, 11);
  EXPECT_EQ(plain.key_y, 42);
  EXPECT_EQ(mirrored.registration_x, 12);
  EXPECT_EQ(mirrored.key_x, 32);
  EXPECT_EQ(mirrored.registration_y, 23);
}

TEST(BitmapUncrop, LargerOrSameSizedBitmapsAndSizesOutOfRangeChangeNothing) {
  Collection c;
  CollectionBitmap* wide = Framed(c, "wide", 0, 40, 20, 0, 0, 39, 19);
  const std::vector<uint8_t> before = wide->pixels;
  EXPECT_FALSE(BitmapEdits::UncropTransparency(c, *wide, 32));
  EXPECT_FALSE(BitmapEdits::UncropTransparency(c, *wide, 4097));
  EXPECT_FALSE(BitmapEdits::UncropTransparency(c, *wide, 0));
  EXPECT_EQ(wide->pixels, before);
  CollectionBitmap* square = Framed(c, "square", 0, 8, 8, 0, 0, 7, 7);
  EXPECT_FALSE(BitmapEdits::UncropTransparency(c, *square, 8));
  EXPECT_TRUE(BitmapEdits::UncropTransparency(c, *wide, 4096));
  EXPECT_EQ(wide->height, 4096);
}

TEST(BitmapFormatAndAlpha, ChangeOnlyWhatDiffersAndSkipWhatHasNoIndexedPixels) {
  Collection c;
  CollectionBitmap* soft =
      c.AddOrReplaceBitmap("soft", 0, std::vector<uint8_t>{136, 5, 0, 0, 255, 0}, 3, 1, 2, nullptr);
  soft->NormaliseAlpha();
  ASSERT_TRUE(soft->flags & cl::kBitmapPartialAlpha);
  EXPECT_TRUE(BitmapEdits::RemoveAlpha(c, *soft));
  // An opaque pixel of index 0 becomes transparent: alpha follows the index.
  EXPECT_EQ(soft->pixels, (std::vector<uint8_t>{255, 5, 0, 0, 0, 0}));
  EXPECT_FALSE(soft->flags & cl::kBitmapPartialAlpha);
  EXPECT_FALSE(BitmapEdits::RemoveAlpha(c, *soft));

  EXPECT_TRUE(BitmapEdits::SetRle(*soft, true));
  EXPECT_FALSE(BitmapEdits::SetRle(*soft, true));
  EXPECT_TRUE(BitmapEdits::SetRle(*soft, false));

  CollectionBitmap* lost = Placeholder(c);
  CollectionBitmap* eight =
      c.AddOrReplaceBitmap("eight", 0, std::vector<uint8_t>(8 * 2, 0), 2, 1, 8, nullptr);
  for (CollectionBitmap* b : {lost, eight}) {
    const CollectionBitmap before = *b;
    EXPECT_FALSE(BitmapEdits::Editable(*b));
    EXPECT_FALSE(BitmapEdits::SetRle(*b, !b->IsRle()));
    EXPECT_EQ(BitmapEdits::CropTransparency(c, *b), 0);
    EXPECT_FALSE(BitmapEdits::UncropTransparency(c, *b, 64));
    b->flags |= cl::kBitmapPartialAlpha;
    EXPECT_FALSE(BitmapEdits::RemoveAlpha(c, *b));
    EXPECT_EQ(b->pixels, before.pixels);
    EXPECT_EQ(b->width, before.width);
  }
}

TEST(BitmapMerge, RedirectsEveryReferenceToTheFirstIdenticalBitmap) {
  Collection c;
  CollectionBitmap* a = Framed(c, "a", cl::kBitmapRle, 3, 3, 0, 0, 1, 1);
  CollectionBitmap* shadow =
      Framed(c, "shade", cl::kBitmapRle | cl::kBitmapShadow, 3, 3, 0, 0, 1, 1);
  CollectionBitmap* copy = Framed(c, "copy", cl::kBitmapRle, 3, 3, 0, 0, 1, 1);
  CollectionBitmap* other = Framed(c, "other", cl::kBitmapRle, 3, 3, 0, 0, 2, 1);
  CollectionBitmap* copy2 = Framed(c, "copy2", cl::kBitmapRle, 3, 3, 0, 0, 1, 1);
  Sequence* s = ShowIn(c, copy, {0, cl::kViewHasAlternate});
  s->frames[0].views[1].bitmap = other;
  s->frames[0].views[1].alternate = copy2;
  s->frames[0].record.shadow = copy;

  int skipped = -1;
  EXPECT_EQ(BitmapEdits::MergeIdentical(c, &skipped), 2);
  EXPECT_EQ(skipped, 0);
  ASSERT_EQ(c.bitmaps.size(), 3u);
  EXPECT_EQ(c.BitmapAt(0), a);
  EXPECT_EQ(c.BitmapAt(1), shadow);  // differs only in the shadow flag: kept
  EXPECT_EQ(c.BitmapAt(2), other);
  const FrameView& main = s->frames[0].views[0];
  const FrameView& alt = s->frames[0].views[1];
  EXPECT_EQ(main.bitmap, a);
  EXPECT_EQ(main.bitmap_index, 0);
  EXPECT_EQ(alt.alternate, a);
  EXPECT_EQ(alt.alternate_index, 0);
  EXPECT_TRUE(alt.flags & cl::kViewHasAlternate);
  EXPECT_EQ(alt.bitmap_index, 2);
  EXPECT_EQ(s->frames[0].record.shadow, a);
}

TEST(BitmapMerge, PlaceholdersAreNeverMergedAndAreCounted) {
  Collection c;
  CollectionBitmap* one = Placeholder(c);
  CollectionBitmap* two = Placeholder(c);
  two->kept_block = {9, 9};
  int skipped = 0;
  EXPECT_EQ(BitmapEdits::MergeIdentical(c, &skipped), 0);
  EXPECT_EQ(skipped, 2);
  EXPECT_EQ(c.BitmapAt(0), one);
  EXPECT_EQ(c.BitmapAt(1), two);
  EXPECT_EQ(BitmapEdits::MergeReport(0, skipped),
            "0 bitmaps were deleted after merging.\n" + BitmapEdits::Skipped(2));
}

TEST(BitmapDeleteUnused, KeepsAlternatesAndShadowsAndRenumbersWhatIsLeft) {
  Collection c;
  Framed(c, "unused0", 0, 1, 1, 0, 0, 0, 0);
  CollectionBitmap* main = Framed(c, "main", 0, 1, 1, 0, 0, 0, 0);
  Framed(c, "unused2", 0, 1, 1, 0, 0, 0, 0);
  CollectionBitmap* high = Framed(c, "high", 0, 2, 2, 0, 0, 1, 1);
  CollectionBitmap* shade = Framed(c, "shade", cl::kBitmapShadow, 1, 1, 0, 0, 0, 0);
  Framed(c, "unused5", 0, 1, 1, 0, 0, 0, 0);
  Sequence* s = ShowIn(c, main, {cl::kViewHasAlternate});
  FrameView& view = s->frames[0].views[0];
  view.alternate = high;
  view.alternate_index = 3;
  s->frames[0].record.shadow = shade;

  EXPECT_EQ(BitmapEdits::DeleteUnused(c), 3);
  ASSERT_EQ(c.bitmaps.size(), 3u);
  EXPECT_EQ(c.BitmapAt(0), main);
  EXPECT_EQ(c.BitmapAt(1), high);
  EXPECT_EQ(view.bitmap_index, 0);
  EXPECT_EQ(view.alternate_index, 1);
  EXPECT_EQ(s->frames[0].record.shadow_index, 2);
  EXPECT_EQ(BitmapEdits::DeleteUnusedReport(3), "3 unused bitmaps were removed.");
  EXPECT_EQ(BitmapEdits::DeleteUnusedReport(1), "1 unused bitmap was removed.");
}

TEST(BitmapCropAll, RemovesTransparentBitmapsAndLeavesShadowsAndPlaceholdersAlone) {
  Collection c;
  CollectionBitmap* sprite = Framed(c, "sprite", cl::kBitmapRle, 4, 4, 1, 1, 2, 2);
  Framed(c, "empty", 0, 5, 2, 0, 0, -1, -1);
  CollectionBitmap* shade =
      Framed(c, "shade", cl::kBitmapRle | cl::kBitmapShadow, 4, 4, 1, 1, 1, 1);
  CollectionBitmap* blank_shade = Framed(c, "blank", cl::kBitmapShadow, 3, 3, 0, 0, -1, -1);
  CollectionBitmap* lost = Placeholder(c);
  Sequence* s = ShowIn(c, sprite, {0});
  s->frames[0].record.shadow = shade;

  const BitmapEdits::CropAllResult result = BitmapEdits::CropAll(c);
  EXPECT_EQ(result.cropped, 1);
  EXPECT_EQ(result.removed, 1);
  EXPECT_EQ(result.pixels, 12 + 10);
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(c.bitmaps.size(), 4u);
  EXPECT_EQ(sprite->width, 2);
  EXPECT_EQ(shade->width, 4);
  EXPECT_EQ(c.IndexOfBitmap(blank_shade), 2);
  EXPECT_EQ(c.IndexOfBitmap(lost), 3);
  EXPECT_EQ(s->frames[0].views[0].registration_x, 9);
  EXPECT_EQ(BitmapEdits::CropAllReport(result),
            "1 bitmap was cropped (22 pixels removed).\n Additionally, 1 bitmap was removed due "
            "to being completely transparent.\n" +
                BitmapEdits::Skipped(1));
  EXPECT_EQ(BitmapEdits::CropAllReport({3, 0, 9, 0}), "3 bitmaps were cropped (9 pixels removed).");
}

TEST(BitmapAutoRename, NamesRealViewsOfMirroredSequencesAndSparesShadowsAndAlternates) {
  Collection c;
  Sequence* walk = c.AddSequence("walk");
  walk->flags |= cl::kSequenceMirroring;
  walk->view_count = 8;
  walk->frames.assign(4, walk->NewFrame());
  for (int f = 0; f < 4; ++f) {
    for (int v = 0; v < 8; ++v) {
      walk->frames[f].views[v].bitmap =
          Framed(c, ("old" + std::to_string(f * 8 + v)).c_str(), 0, 1, 1, 0, 0, 0, 0);
    }
  }
  CollectionBitmap* shade = Framed(c, "shade", cl::kBitmapShadow, 1, 1, 0, 0, 0, 0);
  walk->frames[0].record.shadow = shade;
  CollectionBitmap* high = Framed(c, "high", 0, 1, 1, 0, 0, 0, 0);
  walk->frames[0].views[0].flags = cl::kViewHasAlternate;
  walk->frames[0].views[0].alternate = high;
  // A shadow shown in a view keeps its name too.
  walk->frames[3].views[4].bitmap = shade;

  EXPECT_EQ(BitmapEdits::AutoRename(c), 19);
  EXPECT_EQ(walk->frames[0].views[0].bitmap->Name(), "walk 00~00");
  EXPECT_EQ(walk->frames[2].views[3].bitmap->Name(), "walk 02~03");
  EXPECT_EQ(walk->frames[3].views[3].bitmap->Name(), "walk 03~03");
  EXPECT_EQ(walk->frames[1].views[5].bitmap->Name(), "old13");
  EXPECT_EQ(shade->Name(), "shade");
  EXPECT_EQ(high->Name(), "high");
  EXPECT_EQ(BitmapEdits::AutoRenameReport(19), "19 Bitmaps Renamed.");
}

TEST(BitmapAutoRename, NameFollowsTheShapeOfTheSequenceAndTheFirstViewWins) {
  Collection c;
  CollectionBitmap* shared = Framed(c, "shared", 0, 1, 1, 0, 0, 0, 0);
  CollectionBitmap* second = Framed(c, "second", 0, 1, 1, 0, 0, 0, 0);
  CollectionBitmap* third = Framed(c, "third", 0, 1, 1, 0, 0, 0, 0);
  c.AddSequence("single")->frames[0].views[0].bitmap = shared;
  Sequence* frames = c.AddSequence("frames");
  frames->frames.assign(2, frames->NewFrame());
  frames->frames[0].views[0].bitmap = shared;  // already named by "single"
  frames->frames[1].views[0].bitmap = second;
  Sequence* views = c.AddSequence(std::string(60, 'x'));
  views->view_count = 2;
  views->frames.assign(1, views->NewFrame());
  views->frames[0].views[1].bitmap = third;

  EXPECT_EQ(BitmapEdits::AutoRename(c), 3);
  EXPECT_EQ(shared->Name(), "single");
  EXPECT_EQ(second->Name(), "frames 01");
  EXPECT_EQ(third->Name(), std::string(60, 'x') + " 01");  // 63 characters at most
}

TEST(BitmapRuntimeSize, SumsIn64BitsAndRoundsEachSideUp) {
  Collection c;
  for (uint16_t side : {3, 64}) Framed(c, "b", 0, side, side + 2, 0, 0, 0, 0);
  BitmapEdits::RuntimeSize size = BitmapEdits::GetRuntimeSize(c);
  EXPECT_EQ(size.area, 3u * 5 + 64 * 66);
  EXPECT_EQ(size.po2_area, 4u * 8 + 64 * 128);
  // The sizes alone count; three bitmaps of 65535 × 65535 overflow 32 bits.
  Collection big;
  for (int i = 0; i < 3; ++i) {
    auto b = std::make_unique<CollectionBitmap>();
    b->width = b->height = 65535;
    big.bitmaps.push_back(std::move(b));
  }
  size = BitmapEdits::GetRuntimeSize(big);
  EXPECT_EQ(size.area, 3ull * 65535 * 65535);
  EXPECT_EQ(size.po2_area, 3ull << 32);
  EXPECT_EQ(BitmapEdits::RuntimeSizeReport({1048576, 524288}),
            "Approximate texture cache consumption, by format:\n16 bit po2 => 1.00 MB\n16 bit "
            "npo2 => 2.00 MB\n32 bit po2 => 2.00 MB\n32 bit npo2 => 4.00 MB\n");
}

}  // namespace
