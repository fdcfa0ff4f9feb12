#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "tests/collections/CollectionFixtures.h"

namespace {

namespace cl = collection_layout;
using namespace collection_test;

// Bitmaps "a" to "e"; one view shows "b" with "d" as its alternate, another "c" without one.
class CollectionAlternates : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b", "c", "d", "e"}) {
      c.AddOrReplaceBitmap(name, 0, Opaque({1}), 1, 1, 2, nullptr);
    }
    Sequence* s = c.AddSequence("s");
    s->view_count = 2;
    s->frames.assign(1, s->NewFrame());
    FrameView& with = s->frames[0].views[0];
    with.bitmap = c.BitmapAt(1);
    with.flags = cl::kViewHasAlternate;
    with.alternate = c.BitmapAt(3);
    with.alternate_index = 3;
    with.alternate_size_factor = 0x00050000;
    with.alternate_registration_x = 5;
    s->frames[0].views[1].bitmap = c.BitmapAt(2);
  }
  FrameView& With() { return c.SequenceAt(0)->frames[0].views[0]; }
  Collection Reloaded() {
    Collection back;
    std::string error;
    EXPECT_TRUE(back.Load(Save(c), HeaderFor(c), true, error)) << error;
    return back;
  }
  Collection c;
};

TEST_F(CollectionAlternates, LoadResolvesTheAlternateAndSavingWritesItsPlace) {
  c.MoveBitmap(c.BitmapAt(3), 0);  // "d" first: its index becomes 0
  EXPECT_EQ(With().alternate_index, 0);
  Collection back = Reloaded();
  const FrameView& view = back.SequenceAt(0)->frames[0].views[0];
  ASSERT_NE(view.alternate, nullptr);
  EXPECT_EQ(view.alternate->Name(), "d");
  EXPECT_EQ(view.alternate_index, 0);
  EXPECT_EQ(view.bitmap->Name(), "b");
  EXPECT_EQ(back.SequenceAt(0)->frames[0].views[1].alternate, nullptr);
}

TEST_F(CollectionAlternates, RemovingOtherBitmapsRenumbersAndRemovingItClearsTheFlag) {
  c.RemoveBitmap(c.BitmapAt(0));
  EXPECT_EQ(With().alternate_index, 2);
  EXPECT_EQ(Reloaded().SequenceAt(0)->frames[0].views[0].alternate->Name(), "d");

  c.RemoveBitmap(With().alternate);
  EXPECT_EQ(With().flags & cl::kViewHasAlternate, 0u);
  EXPECT_EQ(With().alternate, nullptr);
  EXPECT_EQ(With().alternate_size_factor, 0u);
  EXPECT_EQ(With().bitmap->Name(), "b");
  const FrameView back = Reloaded().SequenceAt(0)->frames[0].views[0];
  EXPECT_EQ(back.flags & cl::kViewHasAlternate, 0u);
  EXPECT_EQ(back.alternate_registration_x, 0);
}

TEST_F(CollectionAlternates, ReplacingAndMarkingFollowTheAlternate) {
  CollectionBitmap* d = c.BitmapAt(3);
  c.MarkUsedBitmaps();
  EXPECT_TRUE(d->in_use);
  EXPECT_FALSE(c.BitmapAt(4)->in_use);
  CollectionBitmap* made = c.AddOrReplaceBitmap("d2", 0, Opaque({2, 2}), 2, 1, 2, d);
  EXPECT_EQ(With().alternate, made);
  EXPECT_EQ(c.IndexOfBitmap(made), 3);
  // Without the flag a stale alternate pointer is neither followed nor counted.
  With().flags = 0;
  c.MarkUsedBitmaps();
  EXPECT_FALSE(made->in_use);
}

}  // namespace
