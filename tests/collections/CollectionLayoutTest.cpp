#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "collections/CollectionReader.h"
#include "tests/collections/CollectionFixtures.h"

// Collection tag data laid out byte by byte at the offsets of the format, so that the reader is
// checked against the format rather than against this program's writer.
namespace {

using namespace collection_test;

constexpr size_t kBase = 336;  // field 248: the arrays start 16 bytes after the header

struct Laid {
  std::vector<uint8_t> d;
  // Where each part starts (absolute).
  size_t bitmaps = 0, block0 = 0, block1 = 0, records = 0, sequences = 0, block = 0, views = 0,
         hues = 0, colors = 0;

  size_t Add(size_t size) {
    d.resize(d.size() + size, 0);
    return d.size() - size;
  }
  void U16(size_t at, uint16_t v) {
    d[at] = static_cast<uint8_t>(v >> 8);
    d[at + 1] = static_cast<uint8_t>(v);
  }
  void U32(size_t at, uint32_t v) {
    U16(at, static_cast<uint16_t>(v >> 16));
    U16(at + 2, static_cast<uint16_t>(v));
  }
  void Fill(size_t at, size_t size, uint8_t v) { std::fill_n(d.begin() + at, size, v); }
  void Text(size_t at, const std::string& text) { std::copy(text.begin(), text.end(), &d[at]); }
  void Array(size_t index, uint32_t count, size_t at, uint32_t record_size) {
    U32(64 + 16 * index, count);
    U32(64 + 16 * index + 4, static_cast<uint32_t>(at - kBase));
    U32(64 + 16 * index + 8, count * record_size);
  }
};

// Two bitmaps, one hue change and one sequence of one frame of two views, with the arrays in an
// order of their own and garbage in reserved fields and in fields that are to be ignored.
Laid HandLaid() {
  Laid l;
  l.Add(kBase);
  l.U32(0, 0x11223344);
  l.U32(4, 0x00000021);
  l.U32(248, kBase);

  l.bitmaps = l.Add(2 * 128);
  l.block0 = l.Add(52 + 4 + 8);  // 2 x 2, 16-bit RAW, one row slot
  l.U16(l.block0 + 0, 2);
  l.U16(l.block0 + 2, 2);
  l.U16(l.block0 + 4, 4);
  l.U16(l.block0 + 6, 0x0090);  // partial alpha, shadow
  l.U16(l.block0 + 8, 16);
  l.U16(l.block0 + 14, 1);
  l.U16(l.block0 + 16, 5);  // pixel type, ignored without flag 0x4000
  l.Fill(l.block0 + 52, 4, 0xEE);
  const uint8_t pixels[] = {0x00, 5, 0x0F, 6, 0x07, 7, 0x00, 8};
  std::copy(std::begin(pixels), std::end(pixels), &l.d[l.block0 + 56]);
  l.block1 = l.Add(52 + 3);  // 3 x 1, 8-bit RAW
  l.U16(l.block1 + 0, 3);
  l.U16(l.block1 + 2, 1);
  l.U16(l.block1 + 8, 8);
  l.d[l.block1 + 53] = 2;
  l.d[l.block1 + 54] = 9;
  const size_t blocks[][4] = {{l.block0, 64, 2, 2}, {l.block1, 55, 3, 1}};
  const char* names[] = {"body", "tip"};
  for (size_t i = 0; i < 2; ++i) {
    const size_t at = l.bitmaps + 128 * i;
    l.Text(at, names[i]);
    l.U32(at + 64, static_cast<uint32_t>(blocks[i][0] - kBase));
    l.U32(at + 68, static_cast<uint32_t>(blocks[i][1]));
    l.U16(at + 76, static_cast<uint16_t>(blocks[i][2]));
    l.U16(at + 78, static_cast<uint16_t>(blocks[i][3]));
  }

  l.records = l.Add(32);
  l.U32(l.records + 0, 0x05);
  l.U32(l.records + 4, static_cast<uint32_t>(-20480));
  l.U32(l.records + 8, 10240);
  l.U16(l.records + 12, 0);
  l.Fill(l.records + 14, 18, 0xEE);

  l.sequences = l.Add(128);
  l.block = l.Add(64 + 46 + 2 * 2);
  l.Text(l.sequences, "walk");
  l.U32(l.sequences + 64, static_cast<uint32_t>(l.block - kBase));
  l.U32(l.sequences + 68, 114);
  const size_t q = l.block;
  l.U32(q + 0, 0x6);
  l.U32(q + 4, 0x00018000);
  l.U16(q + 8, 2);
  l.U16(q + 10, 1);
  for (size_t k = 0; k < 6; ++k) l.U16(q + 12 + 2 * k, static_cast<uint16_t>(3 + k));  // 12-23
  l.U32(q + 24, 0x736E6431);
  l.U32(q + 28, 0xFFFFFFFF);
  l.U32(q + 32, 0x736E6432);
  l.U16(q + 36, 2);
  l.U16(q + 38, 30);
  l.U32(q + 40, 0x00150000);
  l.U32(q + 44, 0xFFF50000);
  l.U32(q + 48, 0x003D0000);
  for (size_t k = 0; k < 3; ++k) l.U16(q + 52 + 2 * k, static_cast<uint16_t>(0x0D + k));
  l.Fill(q + 58, 6, 0xEE);
  l.U16(q + 64, 0);  // frame record 0
  for (size_t k = 0; k < 3; ++k) l.U16(q + 66 + 2 * k, static_cast<uint16_t>(0x21 + k));
  l.Fill(q + 72, 38, 0xEE);
  l.U16(q + 110, 1);  // view 0 shows frame view 1, view 1 frame view 0
  l.U16(q + 112, 0);

  l.views = l.Add(2 * 64);
  const size_t v0 = l.views, v1 = l.views + 64;
  l.U32(v0 + 0, 0x01);
  l.Fill(v0 + 4, 8, 0xEE);
  l.U16(v0 + 12, 7);
  l.U16(v0 + 14, 8);
  l.U16(v0 + 24, 9);
  l.U16(v0 + 26, 10);
  l.U16(v0 + 28, 1);
  l.U16(v0 + 30, 0x4444);  // alternate fields without flag 0x20
  l.U32(v0 + 32, 0x55555555);
  l.U32(v1 + 0, 0x20);
  l.U16(v1 + 12, 1);
  l.U16(v1 + 14, 2);
  l.U16(v1 + 24, 3);
  l.U16(v1 + 26, 4);
  l.U16(v1 + 28, 0);
  l.U16(v1 + 30, 1);
  l.U32(v1 + 32, 0x00028000);
  l.U16(v1 + 36, 11);
  l.U16(v1 + 38, 12);

  l.hues = l.Add(128);
  const size_t h = l.hues;
  l.Text(h, "tint");
  l.U16(h + 64, 0xE000);
  l.U16(h + 66, 0x2000);
  l.U16(h + 100, 0x1234);
  l.U16(h + 102, 0x0101);
  l.U16(h + 104, 2);
  l.Fill(h + 106, 6, 0xEE);
  l.U16(h + 112, 0x1200);
  l.U16(h + 114, 0x3400);
  l.U16(h + 116, 0x5600);
  l.U16(h + 118, 1);
  l.d[h + 120] = 3;
  for (size_t k = 0; k < 7; ++k) l.d[h + 121 + k] = static_cast<uint8_t>(k + 1);

  l.colors = l.Add(2080);
  l.U32(l.colors, 256);
  l.U16(l.colors + 32 + 8 + 0, 0x12FF);  // entry 1: only the high bytes count
  l.U16(l.colors + 32 + 8 + 2, 0x3401);
  l.U16(l.colors + 32 + 8 + 4, 0x5680);
  l.U16(l.colors + 32 + 8 + 6, 0xFFFF);
  l.U16(l.colors + 32 + 255 * 8 + 4, 0xEF00);

  l.Array(0, 1, l.colors, 2080);
  l.Array(1, 1, l.hues, 128);
  l.Array(2, 2, l.bitmaps, 128);
  l.Array(3, 2, l.views, 64);
  l.Array(4, 1, l.sequences, 128);
  l.Array(5, 1, l.records, 32);
  l.U32(252, static_cast<uint32_t>(l.d.size() - 320));
  return l;
}

TagHeader Header() {
  TagHeader header = TagHeader::Fresh();
  header.user_data = 0x21;
  return header;
}

bool Load(const std::vector<uint8_t>& data, Collection& c, std::string& error) {
  return c.Load(data, Header(), true, error);
}

TEST(CollectionLayout, EveryRecordIsReadFromItsPlace) {
  Collection c;
  std::string error;
  ASSERT_TRUE(Load(HandLaid().d, c, error)) << error;
  EXPECT_EQ(c.header_word, 0x11223344u);
  EXPECT_EQ(c.palette[3], 0x12);
  EXPECT_EQ(c.palette[4], 0x34);
  EXPECT_EQ(c.palette[5], 0x56);
  EXPECT_EQ(c.palette[767], 0xEF);

  ASSERT_EQ(c.hue_changes.size(), 1u);
  const HueChange& hue = *c.HueChangeAt(0);
  EXPECT_EQ(hue.Name(), "tint");
  EXPECT_EQ(hue.start_hue, 0xE000);
  EXPECT_EQ(hue.end_hue, 0x2000);
  EXPECT_EQ(hue.min_saturation, 0x1234);
  EXPECT_EQ(hue.median_hue, 0x0101);
  EXPECT_EQ(hue.use_as, HueChange::kSecondary);
  EXPECT_EQ(hue.replacement, (std::array<uint16_t, 3>{0x1200, 0x3400, 0x5600}));
  EXPECT_EQ(hue.hue_flags, HueChange::kReversed);
  EXPECT_EQ(hue.replacement_mode, 3);
  EXPECT_EQ(hue.tail, (std::array<uint8_t, 7>{1, 2, 3, 4, 5, 6, 7}));

  ASSERT_EQ(c.bitmaps.size(), 2u);
  const CollectionBitmap& body = *c.BitmapAt(0);
  EXPECT_EQ(body.Name(), "body");
  EXPECT_EQ(body.flags, 0x0090);
  EXPECT_EQ(body.pixels, (std::vector<uint8_t>{255, 5, 0, 0, 136, 7, 255, 8}));
  EXPECT_EQ(c.BitmapAt(1)->Name(), "tip");
  EXPECT_EQ(c.BitmapAt(1)->pixels, Opaque({0, 2, 9}));

  ASSERT_EQ(c.sequences.size(), 1u);
  const Sequence& s = *c.SequenceAt(0);
  EXPECT_EQ(s.Name(), "walk");
  EXPECT_EQ(s.flags, 0x6u);
  EXPECT_EQ(s.carried_fixed_4, 0x00018000u);
  EXPECT_EQ(s.view_count, 2);
  EXPECT_EQ(s.ticks_per_frame, 3);
  EXPECT_EQ(s.key_frame, 4);
  EXPECT_EQ(s.loop_frame, 5);
  EXPECT_EQ(s.carried_18, (std::array<uint16_t, 3>{6, 7, 8}));
  EXPECT_EQ(s.first_sound, 0x736E6431u);
  EXPECT_EQ(s.key_sound, 0xFFFFFFFFu);
  EXPECT_EQ(s.last_sound, 0x736E6432u);
  EXPECT_EQ(s.transfer_mode, 2);
  EXPECT_EQ(s.transfer_period, 30);
  EXPECT_EQ(s.registration_x_fixed, 0x00150000u);
  EXPECT_EQ(s.carried_fixed_44, 0xFFF50000u);
  EXPECT_EQ(s.registration_y_fixed, 0x003D0000u);
  EXPECT_EQ(s.carried_52, (std::array<uint16_t, 3>{0x0D, 0x0E, 0x0F}));

  ASSERT_EQ(s.frames.size(), 1u);
  const SequenceFrame& frame = s.frames[0];
  EXPECT_EQ(frame.carried, (std::array<uint16_t, 3>{0x21, 0x22, 0x23}));
  EXPECT_EQ(frame.record.flags, 0x05u);
  EXPECT_EQ(frame.record.shadow_offset_x, -20480);
  EXPECT_EQ(frame.record.shadow_offset_y, 10240);
  EXPECT_EQ(frame.record.shadow, &body);

  ASSERT_EQ(frame.views.size(), 2u);
  const FrameView& alternate = frame.views[0];
  EXPECT_EQ(alternate.flags, 0x20u);
  EXPECT_EQ(alternate.registration_x, 1);
  EXPECT_EQ(alternate.registration_y, 2);
  EXPECT_EQ(alternate.key_x, 3);
  EXPECT_EQ(alternate.key_y, 4);
  EXPECT_EQ(alternate.bitmap, &body);
  EXPECT_EQ(alternate.alternate_index, 1);
  EXPECT_EQ(alternate.alternate_size_factor, 0x00028000u);
  EXPECT_EQ(alternate.alternate_registration_x, 11);
  EXPECT_EQ(alternate.alternate_registration_y, 12);
  const FrameView& plain = frame.views[1];
  EXPECT_EQ(plain.flags, 0x01u);
  EXPECT_EQ(plain.registration_x, 7);
  EXPECT_EQ(plain.load_registration_y, 8);
  EXPECT_EQ(plain.key_x, 9);
  EXPECT_EQ(plain.key_y, 10);
  EXPECT_EQ(plain.bitmap, c.BitmapAt(1));
  EXPECT_EQ(plain.load_bitmap_index, 1);
  EXPECT_EQ(plain.alternate_index, 0);
  EXPECT_EQ(plain.alternate_size_factor, 0u);
}

// The records the writer lays out again are the ones read, with their reserved bytes zero.
TEST(CollectionLayout, RecordsAreWrittenBackWithReservedFieldsCleared) {
  Laid l = HandLaid();
  Collection c;
  std::string error;
  ASSERT_TRUE(Load(l.d, c, error)) << error;
  const std::vector<uint8_t> saved = Save(c);
  auto bytes = [](const std::vector<uint8_t>& d, size_t at, size_t size) {
    return std::vector<uint8_t>(d.begin() + at, d.begin() + at + size);
  };
  l.Fill(l.records + 14, 18, 0);
  EXPECT_EQ(bytes(saved, ArrayOffset(saved, 5), 32), bytes(l.d, l.records, 32));
  l.Fill(l.block + 58, 6, 0);
  l.Fill(l.block + 72, 38, 0);
  l.U16(l.block + 110, 0);  // frame views are saved in the order the sequence shows them
  l.U16(l.block + 112, 1);
  const size_t block = 320 + Be32(saved, ArrayOffset(saved, 4) + 64);
  EXPECT_EQ(bytes(saved, block, 114), bytes(l.d, l.block, 114));
  l.Fill(l.hues + 106, 6, 0);
  const size_t hue = ArrayOffset(saved, 1);
  EXPECT_EQ(bytes(saved, hue, 68), bytes(l.d, l.hues, 68));
  EXPECT_EQ(bytes(saved, hue + 100, 28), bytes(l.d, l.hues + 100, 28));
  const size_t directory = ArrayOffset(saved, 2) + 128;
  EXPECT_EQ(bytes(saved, directory, 64), bytes(l.d, l.bitmaps + 128, 64));
  EXPECT_EQ(Be32(saved, directory + 72), 0u);
  EXPECT_EQ(Be32(saved, directory + 76), 0x00030001u);  // width 3, height 1
}

TEST(CollectionArraySizes, StatedSizesAreNotConsulted) {
  const Laid laid = HandLaid();
  Collection reference;
  std::string error;
  ASSERT_TRUE(Load(laid.d, reference, error)) << error;
  const std::vector<uint8_t> expected = Save(reference);
  // Sizes left 0, and sizes of the records in memory (88-byte frame views, 40-byte frames).
  for (const std::vector<uint32_t>& sizes :
       {std::vector<uint32_t>{0, 0, 0, 0, 0, 0}, {2080, 128, 256, 176, 128, 40}}) {
    Laid l = laid;
    for (size_t i = 0; i < 6; ++i) l.U32(64 + 16 * i + 8, sizes[i]);
    Collection c;
    ASSERT_TRUE(Load(l.d, c, error)) << error;
    EXPECT_EQ(Save(c), expected);
  }
  // A count the data cannot hold is still refused.
  Laid l = laid;
  l.U32(64 + 16 * 1, 0x00010000);
  Collection c;
  EXPECT_FALSE(Load(l.d, c, error));
  EXPECT_NE(error.find("hue change array of 65536 records"), std::string::npos) << error;
  EXPECT_NE(error.find("outside"), std::string::npos) << error;
}

struct BadCell {
  const char* what;
  void (*apply)(Laid&);
  const char* warning;
  void (*check)(const Sequence&, const Collection&);
};

const BadCell kBadCells[] = {
    {"no views", [](Laid& l) { l.U16(l.block + 8, 0); }, "'walk' has no views",
     [](const Sequence& s, const Collection& c) {
       EXPECT_EQ(s.view_count, 1);
       ASSERT_EQ(s.frames[0].views.size(), 1u);
       EXPECT_EQ(s.frames[0].views[0].bitmap, nullptr);
       EXPECT_EQ(s.frames[0].record.shadow, c.BitmapAt(0));
     }},
    {"no frames", [](Laid& l) { l.U16(l.block + 10, 0); }, "'walk' has no frames",
     [](const Sequence& s, const Collection&) {
       ASSERT_EQ(s.frames.size(), 1u);
       ASSERT_EQ(s.frames[0].views.size(), 2u);
       EXPECT_EQ(s.frames[0].views[1].bitmap, nullptr);
       EXPECT_EQ(s.frames[0].record.shadow, nullptr);
     }},
    {"frame record out of range", [](Laid& l) { l.U16(l.block + 64, 9); },
     "'walk': a frame record index past the 1 frame records",
     [](const Sequence& s, const Collection& c) {
       EXPECT_EQ(s.frames[0].record.shadow, nullptr);
       EXPECT_EQ(s.frames[0].record.flags, 0u);
       EXPECT_EQ(s.frames[0].views[1].bitmap, c.BitmapAt(1));
     }},
    {"frame view out of range", [](Laid& l) { l.U16(l.block + 110, 0x40); },
     "'walk': a frame view index past the 2 frame views",
     [](const Sequence& s, const Collection& c) {
       EXPECT_EQ(s.frames[0].views[0].bitmap, nullptr);
       EXPECT_EQ(s.frames[0].views[0].key_x, 0);
       EXPECT_EQ(s.frames[0].views[1].bitmap, c.BitmapAt(1));
       EXPECT_EQ(s.frames[0].record.shadow, c.BitmapAt(0));
     }},
};

TEST(CollectionBadIndices, SequenceIsLoadedWithEmptyCellsAndAWarning) {
  for (const BadCell& bad : kBadCells) {
    Laid l = HandLaid();
    bad.apply(l);
    Collection c;
    std::string error;
    {
      MessageCapture log;
      ASSERT_TRUE(Load(l.d, c, error)) << bad.what << ": " << error;
      EXPECT_NE(log.text().find(bad.warning), std::string::npos) << bad.what << ": " << log.text();
    }
    bad.check(*c.SequenceAt(0), c);
    // What was loaded saves as a well-formed sequence, which loads quietly and saves the same.
    const std::vector<uint8_t> saved = Save(c);
    Collection again;
    MessageCapture log;
    ASSERT_TRUE(Load(saved, again, error)) << bad.what << ": " << error;
    EXPECT_EQ(log.lines(), 0) << bad.what << ": " << log.text();
    EXPECT_EQ(Save(again), saved) << bad.what;
  }
}

// The caps on what a load may allocate count every bitmap and every sequence cell; one past a
// cap refuses the whole load and leaves nothing behind.
TEST(CollectionLimits, LoadPastACapIsRefused) {
  const Laid l = HandLaid();  // two small bitmaps, one frame of two views
  const TagHeader header = TagHeader::Fresh();
  Collection whole;
  std::string error;
  ASSERT_TRUE(CollectionReader::Read(l.d, header, true, whole, error)) << error;
  uint64_t pixels = 0;
  for (const auto& bitmap : whole.bitmaps) pixels += bitmap->pixels.size();
  ASSERT_GT(pixels, 0u);
  struct Case {
    CollectionLimits limits;
    bool loads;
    const char* reason;
  } cases[] = {
      {{.decoded_bytes = pixels, .sequence_views = 2}, true, ""},
      {{.decoded_bytes = pixels - 1, .sequence_views = 2}, false, "bitmaps decode to more than"},
      {{.decoded_bytes = pixels, .sequence_views = 1},
       false,
       "sequences hold more than 1 frame views"},
  };
  for (const Case& c : cases) {
    Collection collection;
    collection.AddSequence("left over");
    EXPECT_EQ(CollectionReader::Read(l.d, header, true, collection, error, c.limits), c.loads)
        << c.reason;
    if (c.loads) {
      EXPECT_EQ(collection.bitmaps.size(), 2u);
    } else {
      EXPECT_NE(error.find(c.reason), std::string::npos) << error;
      EXPECT_TRUE(collection.bitmaps.empty() && collection.sequences.empty());
    }
  }
}

}  // namespace
