#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collections/BitmapEdits.h"
#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/CollectionLayout.h"
#include "tests/collections/CollectionFixtures.h"

namespace {

namespace cl = collection_layout;
using namespace collection_test;

// An opaque block of index `index` at [x0, x1] × [y0, y1] in a transparent width × height.
std::vector<uint8_t> Block(int width, int height, int x0, int y0, int x1, int y1, uint8_t index) {
  std::vector<uint8_t> indices(static_cast<size_t>(width) * height, 0);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) indices[y * width + x] = index;
  }
  return Opaque(indices);
}

// Something of every kind: cropped and uncropped sprites, a soft one, a duplicate, an unused
// one, a fully transparent one, a shadow, alternates, hue changes and two sequences.
Collection Everything() {
  Collection c;
  for (int i = 0; i < 768; ++i) c.palette[i] = static_cast<uint8_t>(i * 5);
  c.AddOrReplaceBitmap("sprite", cl::kBitmapRle, Block(8, 6, 2, 1, 5, 3, 7), 8, 6, 2, nullptr);
  c.AddOrReplaceBitmap("twin", cl::kBitmapRle, Block(8, 6, 2, 1, 5, 3, 7), 8, 6, 2, nullptr);
  c.AddOrReplaceBitmap("soft", 0, std::vector<uint8_t>{136, 3, 255, 4, 0, 0, 255, 5}, 2, 2, 2,
                       nullptr);
  c.AddOrReplaceBitmap("high", cl::kBitmapRle, Block(16, 12, 4, 2, 11, 7, 9), 16, 12, 2, nullptr);
  c.AddOrReplaceBitmap("shade", cl::kBitmapShadow | cl::kBitmapRle, Block(6, 6, 1, 1, 3, 3, 1), 6,
                       6, 2, nullptr);
  c.AddOrReplaceBitmap("unused", 0, Block(3, 3, 0, 0, 2, 2, 2), 3, 3, 2, nullptr);
  c.AddOrReplaceBitmap("clear", 0, Block(4, 4, 0, 0, -1, -1, 0), 4, 4, 2, nullptr);
  HueChange* tint = c.AddHueChange("tint");
  tint->replacement = {0x1200, 0x3400, 0x5600};
  tint->replacement_mode = 1;
  c.AddHueChange("other");

  Sequence* walk = c.AddSequence("walk");
  walk->flags |= cl::kSequenceMirroring;
  walk->view_count = 3;
  walk->frames.assign(2, walk->NewFrame());
  FrameView& first = walk->frames[0].views[0];
  first.bitmap = c.BitmapAt(0);
  first.flags = cl::kViewHasAlternate | cl::kViewMirrorX;
  first.alternate = c.BitmapAt(3);
  first.alternate_size_factor = 0x00050000;
  first.alternate_registration_x = 8;
  walk->frames[0].views[1].bitmap = c.BitmapAt(1);
  walk->frames[1].views[0].bitmap = c.BitmapAt(2);
  walk->frames[1].views[2].bitmap = c.BitmapAt(6);
  walk->frames[0].record.shadow = c.BitmapAt(4);
  walk->frames[0].record.shadow_offset_x = 10240;
  c.AddSequence("idle")->frames[0].views[0].bitmap = c.BitmapAt(1);
  // As loaded: every reference carries its bitmap's index.
  c.RenumberBitmapReferences();
  return c;
}

CollectionBitmap* Named(Collection& c, const std::string& name) {
  for (const auto& b : c.bitmaps) {
    if (b->Name() == name) return b.get();
  }
  ADD_FAILURE() << "no bitmap " << name;
  return nullptr;
}

// "" when the two saves are the same, else where they part (the bytes themselves would flood
// the log).
std::string Difference(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want) {
  if (got == want) return "";
  size_t at = 0;
  while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
  return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size()) +
         ", first difference at byte " + std::to_string(at);
}

struct Edit {
  const char* what;
  std::function<void(Collection&)> make;
};

std::vector<Edit> EveryEdit() {
  return {
      {"palette", [](Collection& c) { c.palette[30] ^= 0xFF; }},
      {"usage flags", [](Collection& c) { c.usage = (c.usage & ~0x3Fu) | 0x21; }},
      {"rename", [](Collection& c) { Named(c, "soft")->SetName("renamed"); }},
      {"move", [](Collection& c) { c.MoveBitmap(Named(c, "sprite"), 5); }},
      {"delete",
       [](Collection& c) {
         c.RemoveBitmap(c.BitmapAt(c.IndexOfBitmap(c.SequenceAt(0)->frames[0].views[0].alternate)));
       }},
      {"import",
       [](Collection& c) {
         c.AddOrReplaceBitmap("new", 0, Block(2, 2, 0, 0, 1, 0, 6), 2, 2, 2, nullptr);
       }},
      {"replace",
       [](Collection& c) {
         c.AddOrReplaceBitmap("sprite2", cl::kBitmapRle, Block(5, 5, 1, 1, 3, 3, 8), 5, 5, 2,
                              Named(c, "twin"));
       }},
      {"crop", [](Collection& c) { BitmapEdits::CropTransparency(c, *Named(c, "sprite")); }},
      {"uncrop",
       [](Collection& c) { BitmapEdits::UncropTransparency(c, *Named(c, "sprite2"), 12); }},
      {"format", [](Collection& c) { BitmapEdits::SetRle(*Named(c, "unused"), true); }},
      {"remove alpha",
       [](Collection& c) {
         for (const auto& b : c.bitmaps) BitmapEdits::RemoveAlpha(c, *b);
       }},
      {"merge",
       [](Collection& c) {
         const CollectionBitmap& sprite = *Named(c, "sprite");
         c.AddOrReplaceBitmap("copy", sprite.flags, sprite.pixels, sprite.width, sprite.height, 2,
                              nullptr);
         c.SequenceAt(1)->frames[0].views[0].bitmap = c.bitmaps.back().get();
         BitmapEdits::MergeIdentical(c);
       }},
      {"delete unused", [](Collection& c) { BitmapEdits::DeleteUnused(c); }},
      {"crop all", [](Collection& c) { BitmapEdits::CropAll(c); }},
      {"auto rename", [](Collection& c) { BitmapEdits::AutoRename(c); }},
      {"hue change add", [](Collection& c) { c.AddHueChange("New Hue Change"); }},
      {"hue change rename", [](Collection& c) { c.HueChangeAt(0)->SetName("tinted"); }},
      {"hue change delete", [](Collection& c) { c.RemoveHueChange(c.HueChangeAt(0)); }},
      {"sequence add", [](Collection& c) { c.AddSequence("New Sequence"); }},
      {"sequence duplicate",
       [](Collection& c) {
         auto copy = std::make_unique<Sequence>(*c.SequenceAt(0));
         copy->SetName(c.SequenceAt(0)->Name() + " copy");
         c.sequences.insert(c.sequences.begin() + 1, std::move(copy));
       }},
      {"sequence move", [](Collection& c) { c.MoveSequence(c.SequenceAt(0), 3); }},
      {"sequence delete", [](Collection& c) { c.RemoveSequence(c.SequenceAt(1)); }},
      {"frame view edit", [](Collection& c) { c.SequenceAt(0)->frames[0].views[0].key_x = 77; }},
  };
}

TEST(CollectionUndo, EveryEditUndoesToTheSavedBytesAndRedoesToTheEditedOnes) {
  Collection c = Everything();
  std::vector<std::vector<uint8_t>> states{Save(c)};
  std::vector<std::unique_ptr<CollectionChange>> history;
  for (const Edit& edit : EveryEdit()) {
    SCOPED_TRACE(edit.what);
    const std::vector<CollectionBitmap*> bitmaps_before = [&] {
      std::vector<CollectionBitmap*> list;
      for (const auto& b : c.bitmaps) list.push_back(b.get());
      return list;
    }();
    auto change = std::make_unique<CollectionChange>(c);
    edit.make(c);
    ASSERT_TRUE(change->Finish());
    const std::vector<uint8_t> after = Save(c);
    ASSERT_NE(after, states.back());
    change->Revert();
    EXPECT_EQ(Difference(Save(c), states.back()), "");
    // The same objects come back, so open windows keep showing them.
    ASSERT_EQ(c.bitmaps.size(), bitmaps_before.size());
    for (size_t i = 0; i < bitmaps_before.size(); ++i)
      EXPECT_EQ(c.BitmapAt(static_cast<int>(i)), bitmaps_before[i]);
    change->Apply();
    EXPECT_EQ(Difference(Save(c), after), "");
    states.push_back(after);
    history.push_back(std::move(change));
  }
  // The whole history, back to the start and forward again.
  for (size_t i = history.size(); i-- > 0;) {
    history[i]->Revert();
    EXPECT_EQ(Difference(Save(c), states[i]), "") << EveryEdit()[i].what;
  }
  for (size_t i = 0; i < history.size(); ++i) {
    history[i]->Apply();
    EXPECT_EQ(Difference(Save(c), states[i + 1]), "") << EveryEdit()[i].what;
  }
}

TEST(CollectionUndo, RemovedObjectsComeBackAsThemselvesWithTheirReferences) {
  Collection c = Everything();
  CollectionBitmap* sprite = c.BitmapAt(0);
  HueChange* tint = c.HueChangeAt(0);
  Sequence* walk = c.SequenceAt(0);
  CollectionChange change(c);
  c.RemoveBitmap(sprite);
  c.RemoveHueChange(tint);
  c.RemoveSequence(walk);
  change.Revert();  // without Finish, as a command that fails half way does
  EXPECT_EQ(c.BitmapAt(0), sprite);
  EXPECT_EQ(c.HueChangeAt(0), tint);
  EXPECT_EQ(c.SequenceAt(0), walk);
  EXPECT_EQ(walk->frames[0].views[0].bitmap, sprite);
  EXPECT_EQ(walk->frames[0].views[0].bitmap_index, 0);
  EXPECT_TRUE(walk->frames[0].views[0].flags & cl::kViewHasAlternate);
  EXPECT_EQ(sprite->Name(), "sprite");
}

TEST(CollectionUndo, NothingChangedIsNotAChangeAndHoldsNothing) {
  Collection c = Everything();
  CollectionChange change(c);
  c.BitmapAt(0)->SetName("sprite");
  BitmapEdits::SetRle(*c.BitmapAt(0), true);  // already RLE
  change.Touch(c.BitmapAt(2));                // touched but left as it was
  c.RemoveBitmap(c.AddOrReplaceBitmap("gone", 0, Opaque({1}), 1, 1, 2, nullptr));
  EXPECT_FALSE(change.Finish());
  EXPECT_LT(change.MemoryBytes(), 1024u);
}

TEST(CollectionUndo, AChangeHoldsOnlyWhatItChanged) {
  Collection c = Everything();
  for (int i = 0; i < 500; ++i) {
    c.AddOrReplaceBitmap("filler", 0, std::vector<uint8_t>(64 * 64 * 2, 255), 64, 64, 2, nullptr);
  }
  CollectionChange rename(c);
  c.BitmapAt(3)->SetName("big");
  ASSERT_TRUE(rename.Finish());
  EXPECT_LT(rename.MemoryBytes(), 1024u);

  // A crop keeps the old pixels of the one bitmap it cropped, not the others'.
  CollectionChange crop(c);
  ASSERT_GT(BitmapEdits::CropTransparency(c, *c.BitmapAt(3)), 0);
  ASSERT_TRUE(crop.Finish());
  EXPECT_GE(crop.MemoryBytes(), 16u * 12 * 2);
  EXPECT_LT(crop.MemoryBytes(), 16u * 12 * 2 + 2048);

  // Once finished, the change no longer takes what the collection removes.
  const size_t held = crop.MemoryBytes();
  c.RemoveBitmap(c.BitmapAt(10));
  EXPECT_EQ(crop.MemoryBytes(), held);
  EXPECT_EQ(c.CurrentKeeper(), nullptr);
}

}  // namespace

namespace {

TEST(CollectionUndo, UndoingOutOfOrderIsRefusedWithoutTouchingTheLists) {
  Collection c;
  for (const char* name : {"a", "b", "c"})
    c.AddOrReplaceBitmap(name, 0, Opaque({1}), 1, 1, 2, nullptr);
  CollectionBitmap* a = c.BitmapAt(0);
  CollectionBitmap* b = c.BitmapAt(1);
  CollectionChange move(c);
  c.MoveBitmap(a, 3);
  ASSERT_TRUE(move.Finish());
  CollectionChange remove(c);
  c.RemoveBitmap(b);
  ASSERT_TRUE(remove.Finish());

  EXPECT_FALSE(move.Revert());
  ASSERT_EQ(c.bitmaps.size(), 2u);
  EXPECT_EQ(c.BitmapAt(1), a);
  EXPECT_TRUE(remove.Revert());
  EXPECT_TRUE(move.Revert());
  EXPECT_EQ(c.BitmapAt(0), a);
  EXPECT_EQ(c.BitmapAt(1), b);
}

}  // namespace
