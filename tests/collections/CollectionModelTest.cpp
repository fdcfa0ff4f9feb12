#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "tests/collections/CollectionFixtures.h"

namespace {

using namespace collection_test;

// A sequence of `views` views whose view k shows a bitmap 40 wide at registration x = k.
Collection Mirrored(uint16_t views, uint32_t flags) {
  Collection c;
  c.AddOrReplaceBitmap("b", 0, Opaque(std::vector<uint8_t>(40, 1)), 40, 1, 2, nullptr);
  Sequence* s = c.AddSequence("turn");
  s->flags = flags;
  s->view_count = views;
  s->frames.assign(1, s->NewFrame());
  for (uint16_t k = 0; k < views; ++k) {
    s->frames[0].views[k].bitmap = c.BitmapAt(0);
    s->frames[0].views[k].registration_x = k;
    s->frames[0].views[k].key_x = static_cast<uint16_t>(100 + k);
  }
  return c;
}

Collection Reloaded(Collection& c) {
  Collection back;
  std::string error;
  EXPECT_TRUE(back.Load(Save(c), HeaderFor(c), true, error)) << error;
  return back;
}

TEST(CollectionMirroring, SecondHalfMirrorsTheFirst) {
  for (const auto& [views, pairs] :
       std::vector<std::pair<uint16_t, std::vector<std::pair<int, int>>>>{
           {8, {{5, 3}, {6, 2}, {7, 1}}}, {5, {{3, 2}, {4, 1}}}}) {
    Collection built = Mirrored(views, collection_layout::kSequenceMirroring);
    Collection c = Reloaded(built);
    const std::vector<FrameView>& v = c.SequenceAt(0)->frames[0].views;
    for (const auto& [mirror, source] : pairs) {
      EXPECT_EQ(v[mirror].key_x, 100 + source) << views << " views, view " << mirror;
      EXPECT_EQ(v[mirror].registration_x, 40 - source);
      EXPECT_EQ(v[mirror].flags & collection_layout::kViewMirrorX, 1u);
    }
    EXPECT_EQ(v[pairs.front().first - 1].key_x, 100 + pairs.front().first - 1);
    // Once mirrored, a collection loads and saves to the same bytes again.
    const std::vector<uint8_t> once = Save(c);
    Collection again;
    std::string error;
    ASSERT_TRUE(again.Load(once, HeaderFor(c), true, error));
    EXPECT_EQ(Save(again), once);
  }
}

TEST(CollectionMirroring, MirroringClearsNoRotationAndEmptyViewsCountAsWidthZero) {
  Collection built = Mirrored(4, collection_layout::kSequenceMirroring | 0x4);
  built.SequenceAt(0)->frames[0].views[1].bitmap = nullptr;
  Collection c = Reloaded(built);
  const Sequence& s = *c.SequenceAt(0);
  EXPECT_EQ(s.flags & 0x4, 0u);
  EXPECT_EQ(s.frames[0].views[3].registration_x, static_cast<uint16_t>(0 - 1));
  EXPECT_EQ(s.max_registration_x, 2);
  EXPECT_EQ(s.max_right, 40);
}

TEST(CollectionHueChanges, WrappingRangeAffectsRedsOnBothSidesOfZero) {
  Collection c;
  const uint8_t colours[][3] = {{255, 0, 40},    {255, 40, 0}, {0, 255, 0},
                                {128, 128, 128}, {0, 0, 255},  {255, 0, 0}};
  for (int i = 0; i < 6; ++i) {
    for (int k = 0; k < 3; ++k) c.palette[i * 3 + k] = colours[i][k];
  }
  HueChange* reds = c.AddHueChange("reds");
  reds->start_hue = 0xE000;
  reds->end_hue = 0x2000;
  reds->ComputeAffected(c.palette);
  const std::vector<bool> expected = {true, true, false, false, false, true};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(reds->Affects(i), expected[i]) << i;

  HueChange* blues = c.AddHueChange("blues");  // default range, a third to two thirds
  blues->ComputeAffected(c.palette);
  EXPECT_FALSE(blues->Affects(2));  // pure green sits at 0x5555, just below the default start
  EXPECT_TRUE(blues->Affects(4));
  EXPECT_FALSE(blues->Affects(0));
  blues->min_saturation = 0xFFFF;
  blues->ComputeAffected(c.palette);
  EXPECT_FALSE(blues->Affects(4));
}

TEST(CollectionHueChanges, SaveRewritesTheMask) {
  Collection c;
  c.palette[3 * 3] = 255;
  HueChange* reds = c.AddHueChange("reds");
  reds->start_hue = 0xF000;
  reds->end_hue = 0x1000;
  reds->affected.fill(0xFF);
  const std::vector<uint8_t> data = Save(c);
  const size_t mask = ArrayOffset(data, 1) + 68;
  EXPECT_EQ(data[mask], 0x08);
  for (size_t i = 1; i < 32; ++i) EXPECT_EQ(data[mask + i], 0) << i;
}

class CollectionLists : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b", "c", "d"}) {
      c.AddOrReplaceBitmap(name, 0, Opaque({1}), 1, 1, 2, nullptr);
    }
    Sequence* s = c.AddSequence("s");
    s->frames[0].views[0].bitmap = c.BitmapAt(1);
    s->frames[0].record.shadow = c.BitmapAt(3);
  }
  FrameView& View() { return c.SequenceAt(0)->frames[0].views[0]; }
  Collection c;
};

TEST_F(CollectionLists, MoveReportsTheFinalIndexAndRenumbersReferences) {
  CollectionBitmap* b = c.BitmapAt(1);
  EXPECT_EQ(c.MoveBitmap(b, 1), -1);
  EXPECT_EQ(c.MoveBitmap(b, 4), 3);  // after the last: one less, as b lay before
  EXPECT_EQ(c.IndexOfBitmap(b), 3);
  EXPECT_EQ(View().bitmap_index, 3);
  EXPECT_EQ(c.SequenceAt(0)->frames[0].record.shadow_index, 2);  // d shifted down
  EXPECT_EQ(c.MoveBitmap(b, 0), 0);
  EXPECT_EQ(c.BitmapAt(0)->Name(), "b");
  EXPECT_EQ(c.MoveSequence(c.SequenceAt(0), 0), -1);
  EXPECT_EQ(c.MoveHueChange(nullptr, 0), -1);
}

TEST_F(CollectionLists, RemovingABitmapClearsItsReferences) {
  c.RemoveBitmap(c.BitmapAt(1));
  EXPECT_EQ(View().bitmap, nullptr);
  EXPECT_EQ(View().bitmap_index, collection_layout::kNoIndex);
  EXPECT_EQ(c.SequenceAt(0)->frames[0].record.shadow_index, 2);
  EXPECT_EQ(c.BitmapAt(3), nullptr);
  EXPECT_EQ(c.IndexOfBitmap(nullptr), -1);
}

TEST_F(CollectionLists, ReplacingABitmapRedirectsItsReferences) {
  CollectionBitmap* old = c.BitmapAt(1);
  CollectionBitmap* made = c.AddOrReplaceBitmap("new", 0, Opaque({2, 3}), 2, 1, 2, old);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(c.BitmapAt(1), made);
  EXPECT_EQ(View().bitmap, made);
  EXPECT_EQ(c.bitmaps.size(), 4u);
  CollectionBitmap stranger;
  EXPECT_EQ(c.AddOrReplaceBitmap("x", 0, Opaque({1}), 1, 1, 2, &stranger), nullptr);
  EXPECT_EQ(c.AddOrReplaceBitmap("x", 0, Opaque({1}), 2, 1, 2, nullptr), nullptr);
}

TEST_F(CollectionLists, MarkUsedBitmapsFindsViewsAndShadows) {
  c.BitmapAt(0)->in_use = 1;
  c.MarkUsedBitmaps();
  EXPECT_EQ(c.BitmapAt(0)->in_use, 0u);
  EXPECT_EQ(c.BitmapAt(1)->in_use, 1u);
  EXPECT_EQ(c.BitmapAt(2)->in_use, 0u);
  EXPECT_EQ(c.BitmapAt(3)->in_use, 1u);
}

TEST_F(CollectionLists, NearestColourTakesTheFirstClosestEntry) {
  c.palette[5 * 3] = 10;
  c.palette[6 * 3] = 10;
  c.palette[9 * 3] = 200;
  EXPECT_EQ(c.NearestColor(1, 255, 12, 0, 0), 5);
  EXPECT_EQ(c.NearestColor(1, 255, 190, 0, 0), 9);
  EXPECT_EQ(c.NearestColor(6, 8, 190, 0, 0), 6);
  EXPECT_EQ(c.NearestColor(1, 255, 0, 0, 0), 1);
}

TEST_F(CollectionLists, NewSequencesAndHueChangesTakeTheirDefaults) {
  const Sequence& s = *c.SequenceAt(0);
  EXPECT_EQ(s.flags, 0x2u);
  EXPECT_EQ(s.first_sound, 0xFFFFFFFFu);
  ASSERT_EQ(s.frames.size(), 1u);
  EXPECT_EQ(s.frames[0].views[0].registration_x, 20);
  EXPECT_EQ(s.frames[0].views[0].registration_y, 60);
  const HueChange& h = *c.AddHueChange("h");
  EXPECT_EQ(h.start_hue, 0x5556);
  EXPECT_EQ(h.end_hue, 0xAAAB);
  EXPECT_EQ(h.median_hue, 0x8001);
}

}  // namespace
