#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "tests/collections/CollectionFixtures.h"

namespace {

using namespace collection_test;

// A collection touching every record kind and every field the writer carries along.
Collection Rich() {
  Collection c;
  c.header_word = 0xCAFEF00D;
  c.usage = 0x8021;
  for (int i = 0; i < 768; ++i) c.palette[i] = static_cast<uint8_t>(i * 7);
  c.AddOrReplaceBitmap("rle", 0x0004, Opaque({0, 1, 2, 0, 3, 0}), 3, 2, 2, nullptr);
  c.AddOrReplaceBitmap("raw", 0x8000, Opaque({4, 5, 6, 7}), 2, 2, 2, nullptr);
  c.AddOrReplaceBitmap("soft", 0x0084, std::vector<uint8_t>{0x88, 9, 0, 0, 255, 1, 17, 2}, 4, 1, 2,
                       nullptr);
  std::vector<uint8_t> wide(2 * 8, 0);
  wide[3] = 0x1F;
  wide[0] = 0x42;
  c.AddOrReplaceBitmap("eight", 0x4000, wide, 2, 1, 8, nullptr);
  HueChange* hue = c.AddHueChange("tint");
  hue->use_as = HueChange::kSecondary;
  hue->replacement = {0x1200, 0x3400, 0x5600};
  hue->replacement_mode = 3;
  hue->tail = {1, 2, 3, 4, 5, 6, 7};
  Sequence* walk = c.AddSequence("walk");
  walk->flags = 0x2 | 0x4;
  walk->view_count = 3;
  walk->carried_fixed_4 = 0x12345678;
  walk->carried_18 = {1, 2, 3};
  walk->carried_fixed_44 = 0xABCDEF01;
  walk->carried_52 = {4, 5, 6};
  walk->first_sound = 0x736E6431;
  walk->frames.assign(2, walk->NewFrame());
  walk->frames[1].carried = {7, 8, 9};
  walk->frames[1].record.shadow = c.BitmapAt(2);
  walk->frames[1].record.shadow_offset_x = -10240;
  FrameView& view = walk->frames[0].views[1];
  view.bitmap = c.BitmapAt(0);
  view.flags = collection_layout::kViewHasAlternate;
  view.alternate_index = 1;
  view.alternate_size_factor = 0x00028000;
  view.alternate_registration_x = 33;
  walk->frames[1].views[0].bitmap = c.BitmapAt(1);
  c.AddSequence("idle");
  return c;
}

TEST(CollectionSaveAndLoad, SavingWhatWasLoadedGivesTheSameBytes) {
  Collection built = Rich();
  const std::vector<uint8_t> first = Save(built);
  Collection loaded;
  std::string error;
  ASSERT_TRUE(loaded.Load(first, HeaderFor(built), true, error)) << error;
  EXPECT_EQ(Save(loaded), first);
}

TEST(CollectionSaveAndLoad, CarriedFieldsAndOrderSurvive) {
  Collection built = Rich();
  const std::vector<uint8_t> data = Save(built);
  Collection c;
  std::string error;
  ASSERT_TRUE(c.Load(data, HeaderFor(built), true, error)) << error;
  EXPECT_EQ(c.header_word, 0xCAFEF00D);
  EXPECT_EQ(c.palette, built.palette);
  ASSERT_EQ(c.bitmaps.size(), 4u);
  EXPECT_EQ(c.BitmapAt(2)->Name(), "soft");
  EXPECT_EQ(c.BitmapAt(2)->flags, 0x00D4);  // RLE, padded rows, partial alpha, shadow
  EXPECT_EQ(c.BitmapAt(2)->pixels, (std::vector<uint8_t>{136, 9, 0, 0, 255, 1, 17, 2}));
  EXPECT_EQ(c.BitmapAt(1)->flags, 0x8000);
  EXPECT_EQ(c.BitmapAt(3)->pixels, built.BitmapAt(3)->pixels);
  EXPECT_EQ(c.HueChangeAt(0)->tail, built.HueChangeAt(0)->tail);
  const Sequence& walk = *c.SequenceAt(0);
  EXPECT_EQ(walk.carried_fixed_4, 0x12345678u);
  EXPECT_EQ(walk.carried_18, (std::array<uint16_t, 3>{1, 2, 3}));
  EXPECT_EQ(walk.carried_fixed_44, 0xABCDEF01u);
  EXPECT_EQ(walk.carried_52, (std::array<uint16_t, 3>{4, 5, 6}));
  EXPECT_EQ(walk.first_sound, 0x736E6431u);
  EXPECT_EQ(walk.frames[1].carried, (std::array<uint16_t, 3>{7, 8, 9}));
  EXPECT_EQ(walk.frames[1].record.shadow, c.BitmapAt(2));
  EXPECT_EQ(walk.frames[1].record.shadow_offset_x, -10240);
  const FrameView& view = walk.frames[0].views[1];
  EXPECT_EQ(view.bitmap, c.BitmapAt(0));
  EXPECT_EQ(view.alternate_index, 1);
  EXPECT_EQ(view.alternate_size_factor, 0x00028000u);
  EXPECT_EQ(view.alternate_registration_x, 33);
  // Derived on save: a RAW 2 × 2 bitmap has power-of-two sides; the soft shadow partial alpha.
  EXPECT_EQ(walk.frames[1].views[0].flags, collection_layout::kViewRawPowerOfTwo);
}

TEST(CollectionSaveAndLoad, HeaderTakesGroupVersionAndUsage) {
  Collection c = Rich();
  ByteWriter out;
  TagHeader header = TagHeader::Fresh();
  std::string error;
  ASSERT_TRUE(c.Save(out, header, error));
  EXPECT_EQ(header.group, collection_layout::kGroup);
  EXPECT_EQ(header.version, 4);
  EXPECT_EQ(header.user_data, 0x8021u);
  EXPECT_EQ(Be32(out.bytes(), 248), 320u);
  EXPECT_EQ(Be32(out.bytes(), 252), out.size() - 320);
}

TEST(CollectionPlaceholders, UndecodableBlockIsShownAsCheckerboardAndSavedUnchanged) {
  Collection built = Rich();
  std::vector<uint8_t> data = Save(built);
  const size_t block = BitmapBlock(data, 1);
  data[block] = data[block + 1] = 0;  // width 0
  Collection c;
  std::string error;
  MessageCapture log;
  ASSERT_TRUE(c.Load(data, HeaderFor(built), true, error)) << error;
  EXPECT_NE(log.text().find("bitmap 1 'raw' cannot be decoded"), std::string::npos) << log.text();
  const CollectionBitmap& placeholder = *c.BitmapAt(1);
  EXPECT_TRUE(placeholder.placeholder);
  EXPECT_EQ(placeholder.Name(), "raw");
  EXPECT_EQ(placeholder.width, 256);
  EXPECT_EQ(placeholder.pixels[1], c.NearestColor(1, 255, 255, 255, 255));
  EXPECT_EQ(placeholder.pixels[16 * 2 + 1], c.NearestColor(1, 255, 0, 0, 0));
  EXPECT_EQ(c.SequenceAt(0)->frames[1].views[0].bitmap, &placeholder);
  EXPECT_EQ(Save(c), data);
}

TEST(CollectionPlaceholders, ColourMapsMarkEveryOddBitmapAsShadow) {
  Collection built = Rich();
  built.usage = collection_layout::kUsageColorMap;
  const std::vector<uint8_t> data = Save(built);
  Collection c;
  std::string error;
  ASSERT_TRUE(c.Load(data, HeaderFor(built), true, error)) << error;
  for (int i = 0; i < 4; ++i) EXPECT_EQ((c.BitmapAt(i)->flags & 0x0080) != 0, i % 2 == 1) << i;
}

TEST(CollectionSaveAndLoad, LoadWithoutBitmapsRefusesToSave) {
  Collection built = Rich();
  const std::vector<uint8_t> data = Save(built);
  Collection c;
  std::string error;
  ASSERT_TRUE(c.Load(data, HeaderFor(built), false, error)) << error;
  EXPECT_TRUE(c.bitmaps.empty());
  EXPECT_EQ(c.SequenceAt(0)->frames[0].views[1].bitmap_index, 0);
  ByteWriter out;
  TagHeader header = TagHeader::Fresh();
  EXPECT_FALSE(c.Save(out, header, error));
  EXPECT_EQ(out.size(), 0u);
}

TEST(CollectionSaveAndLoad, LegacyHeaderTakesUsageFromTheCollection) {
  Collection built = Rich();
  const std::vector<uint8_t> data = Save(built);
  TagHeader legacy = TagHeader::Fresh();
  legacy.signature = TagHeader::kLegacySignature;
  Collection c;
  std::string error;
  ASSERT_TRUE(c.Load(data, legacy, true, error)) << error;
  EXPECT_EQ(c.usage, 0x8021u);
}

// Each entry corrupts a saved collection and names a word of the refusal.
struct Corruption {
  const char* what;
  void (*apply)(std::vector<uint8_t>&);
  const char* expected;
};

const Corruption kCorruptions[] = {
    {"no colour table", [](std::vector<uint8_t>& d) { PutBe32(d, 64, 0); }, "no colour table"},
    {"count the data cannot hold", [](std::vector<uint8_t>& d) { PutBe32(d, 64 + 16, 0x10000); },
     "outside"},
    {"array past the end", [](std::vector<uint8_t>& d) { PutBe32(d, 64 + 48 + 4, 0xFFFFFF00); },
     "outside"},
    {"data base past the end", [](std::vector<uint8_t>& d) { PutBe32(d, 248, 0xFFFFFFF0); },
     "outside"},
    {"bitmap block past the end",
     [](std::vector<uint8_t>& d) { PutBe32(d, ArrayOffset(d, 2) + 68, 0xFFFFFFFF); }, "outside"},
    {"frames past the end of the sequence block",
     [](std::vector<uint8_t>& d) { d[320 + Be32(d, ArrayOffset(d, 4) + 64) + 10] = 0x7F; },
     "'walk': 32514 frames of 3 views need"},
    {"header cut short", [](std::vector<uint8_t>& d) { d.resize(300); }, "shorter"},
};

TEST(CollectionMalformed, StructuralFaultsAreRefusedWithAReason) {
  Collection built = Rich();
  const std::vector<uint8_t> good = Save(built);
  for (const Corruption& corruption : kCorruptions) {
    std::vector<uint8_t> data = good;
    corruption.apply(data);
    Collection c;
    std::string error;
    EXPECT_FALSE(c.Load(data, HeaderFor(built), true, error)) << corruption.what;
    EXPECT_NE(error.find(corruption.expected), std::string::npos)
        << corruption.what << ": " << error;
    EXPECT_TRUE(c.bitmaps.empty() && c.sequences.empty()) << corruption.what;
  }
}

}  // namespace
