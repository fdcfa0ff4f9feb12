#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"
#include "terrain/DetailMap.h"

namespace {

using Bytes = std::vector<uint8_t>;

TagHeader MapHeader(uint16_t version) {
  TagHeader h = TagHeader::Fresh();
  h.group = tagcode::Make("dmap");
  h.version = version;
  return h;
}

bool Read(const Bytes& bytes, uint16_t version, DetailMap& map, std::string& error) {
  return DetailMap::Read(bytes, MapHeader(version), map, error);
}

void SlotRecord(ByteWriter& w, uint32_t dtex, uint8_t scale_byte, uint8_t r, uint8_t g, uint8_t b,
                std::string_view name) {
  w.WriteU32Be(dtex);
  w.WriteU8(scale_byte);
  w.WriteU8(r);
  w.WriteU8(g);
  w.WriteU8(b);
  w.WriteZeros(24);
  Bytes field(32, 0);
  std::copy(name.begin(), name.end(), field.begin());
  w.WriteBytes(field);
}

// A version-2 map laid out unlike the writer does: triangle runs first, then the vertex runs,
// then the slot table, each where the header says.
struct Version2Bytes {
  uint32_t width = 3, height = 2;
  Bytes vertex_runs{7, 2, 200, 2};            // 3 x 7, 3 x 200
  Bytes triangle_runs{1, 3, 255, 0, 130, 6};  // 4 x 1, 255, 7 x 130 (cut to 12)
  // The vertex runs at the very end of the data, after the slot table.
  bool vertex_runs_last = false;

  Bytes Make() const {
    ByteWriter w;
    w.WriteZeros(256);
    const uint32_t triangle_at = static_cast<uint32_t>(w.size());
    w.WriteBytes(triangle_runs);
    w.WriteZeros(3);
    uint32_t vertex_at = static_cast<uint32_t>(w.size());
    if (!vertex_runs_last) w.WriteBytes(vertex_runs);
    const uint32_t slots_at = static_cast<uint32_t>(w.size());
    for (int i = 0; i < 128; ++i) {
      if (i == 2) {
        SlotRecord(w, tagcode::Make("gras"), 3, 10, 20, 30, "Grass");
      } else {
        SlotRecord(w, 0xFFFFFFFF, 0, 0, 0, 0, "");
      }
    }
    if (vertex_runs_last) {
      vertex_at = static_cast<uint32_t>(w.size());
      w.WriteBytes(vertex_runs);
    }
    EXPECT_TRUE(w.PatchU32Be(0, width) && w.PatchU32Be(4, height) && w.PatchU32Be(8, vertex_at) &&
                w.PatchU32Be(16, triangle_at) && w.PatchU32Be(24, slots_at));
    return w.Take();
  }
};

TEST(DetailMapReadVersion2, FollowsTheThreeOffsetsWhereverTheyPoint) {
  DetailMap map;
  std::string error;
  ASSERT_TRUE(Read(Version2Bytes{}.Make(), 2, map, error)) << error;
  EXPECT_EQ(map.width, 3u);
  EXPECT_EQ(map.height, 2u);
  EXPECT_EQ(map.vertex, (Bytes{7, 7, 7, 200, 200, 200}));
  EXPECT_EQ(map.triangle, (Bytes{1, 1, 1, 1, 255, 130, 130, 130, 130, 130, 130, 130}));
  const DetailSlot& slot = map.slots[2];
  EXPECT_EQ(slot.dtex, tagcode::Make("gras"));
  EXPECT_EQ(slot.Scale(), 4);
  EXPECT_EQ(slot.red, 10);
  EXPECT_EQ(slot.green, 20);
  EXPECT_EQ(slot.blue, 30);
  EXPECT_EQ(slot.Name(), "Grass");
  EXPECT_FALSE(map.slots[3].HasTexture());
}

TEST(DetailMapReadVersion2, ValuesOver127AreKeptAndNameNoSlot) {
  DetailMap map;
  std::string error;
  ASSERT_TRUE(Read(Version2Bytes{}.Make(), 2, map, error)) << error;
  EXPECT_EQ(map.vertex[4], 200);
  EXPECT_EQ(map.triangle[4], 255);
  EXPECT_EQ(map.SlotOf(200), nullptr);
  EXPECT_EQ(map.SlotOf(128), nullptr);
  EXPECT_EQ(map.SlotOf(127), &map.slots[127]);
}

TEST(DetailMapReadVersion2, RunsMayEndOnAnyValueAndTheLastIsCutAtTheEnd) {
  Version2Bytes m;
  // Six vertex values as runs of 1, 4 and a run of 256 of which one value is used.
  m.vertex_runs = {9, 0, 8, 3, 5, 255};
  DetailMap map;
  std::string error;
  ASSERT_TRUE(Read(m.Make(), 2, map, error)) << error;
  EXPECT_EQ(map.vertex, (Bytes{9, 8, 8, 8, 8, 5}));
}

TEST(DetailMapReadVersion2, RunsThatEndEarlyFailTheRead) {
  Version2Bytes m;
  m.vertex_runs_last = true;
  DetailMap map;
  std::string error;
  m.vertex_runs = {9, 4};  // five of the six values
  EXPECT_FALSE(Read(m.Make(), 2, map, error));
  EXPECT_NE(error.find("vertex slot runs end"), std::string::npos) << error;
  m.vertex_runs = {9, 4, 5};  // a value byte without its run byte
  EXPECT_FALSE(Read(m.Make(), 2, map, error));
  m.vertex_runs = {9, 4, 5, 0};
  EXPECT_TRUE(Read(m.Make(), 2, map, error)) << error;
  EXPECT_EQ(map.vertex, (Bytes{9, 9, 9, 9, 9, 5}));
}

TEST(DetailMapReadVersion2, DecodeRunsStopsAtTheEndOfTheData) {
  Bytes out(10, 0xEE);
  EXPECT_FALSE(DetailMap::DecodeRuns(Bytes{1, 3, 2, 3, 3}, 0, out));
  EXPECT_TRUE(DetailMap::DecodeRuns(Bytes{1, 3, 2, 3, 3, 1}, 0, out));
  EXPECT_EQ(out, (Bytes{1, 1, 1, 1, 2, 2, 2, 2, 3, 3}));
  EXPECT_FALSE(DetailMap::DecodeRuns(Bytes{1, 3}, 3, out));
  Bytes none;
  EXPECT_TRUE(DetailMap::DecodeRuns(Bytes{}, 0, none));
}

TEST(DetailMapReadVersion2, OffsetsOutsideTheDataAreRefused) {
  for (auto [field, what] : {std::pair{8u, "vertex"}, {16u, "triangle"}, {24u, "slot table"}}) {
    Bytes bytes = Version2Bytes{}.Make();
    const uint32_t at = static_cast<uint32_t>(bytes.size() + 1);
    bytes[field] = static_cast<uint8_t>(at >> 24);
    bytes[field + 1] = static_cast<uint8_t>(at >> 16);
    bytes[field + 2] = static_cast<uint8_t>(at >> 8);
    bytes[field + 3] = static_cast<uint8_t>(at);
    DetailMap map;
    std::string error;
    EXPECT_FALSE(Read(bytes, 2, map, error)) << "field at " << field;
    EXPECT_NE(error.find(what), std::string::npos) << error;
  }
}

TEST(DetailMapReadVersion2, ASlotTableReachingPastTheEndIsRefused) {
  Bytes bytes = Version2Bytes{}.Make();
  bytes.pop_back();
  DetailMap map;
  std::string error;
  EXPECT_FALSE(Read(bytes, 2, map, error));
  EXPECT_NE(error.find("slot table"), std::string::npos) << error;
}

TEST(DetailMapReadVersion2, DimensionsBeyondWhatTheDataCanHoldAreRefusedUnallocated) {
  // 65536 x 65536 is 0 in 32 bits; 2^32 - 1 squared would be 16 exabytes.
  for (auto [w, h] :
       {std::pair{65536u, 65536u}, std::pair{0xFFFFFFFFu, 0xFFFFFFFFu}, std::pair{4096u, 4096u}}) {
    Version2Bytes m;
    m.width = w;
    m.height = h;
    DetailMap map;
    std::string error;
    EXPECT_FALSE(Read(m.Make(), 2, map, error)) << w << " x " << h;
    EXPECT_NE(error.find("cannot hold"), std::string::npos) << error;
    EXPECT_TRUE(map.vertex.empty());
  }
}

TEST(DetailMapReadVersion2, AHeaderCutShortIsRefused) {
  DetailMap map;
  std::string error;
  EXPECT_FALSE(Read(Bytes(255, 0), 2, map, error));
  EXPECT_FALSE(error.empty());
}

TEST(DetailMapReadVersion2, TheLastNameByteIsAlwaysZero) {
  Version2Bytes m;
  Bytes bytes = m.Make();
  const size_t name_at = bytes.size() - 128 * 64 + 5 * 64 + 32;
  for (size_t i = 0; i < 32; ++i) bytes[name_at + i] = 'A' + static_cast<uint8_t>(i % 26);
  DetailMap map;
  std::string error;
  ASSERT_TRUE(Read(bytes, 2, map, error)) << error;
  EXPECT_EQ(map.slots[5].Name(), "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDE");
  EXPECT_EQ(map.slots[5].name[31], '\0');
}

TEST(DetailMapRead, OtherVersionsAreRefused) {
  DetailMap map;
  std::string error;
  const Bytes bytes = Version2Bytes{}.Make();
  EXPECT_FALSE(Read(bytes, 3, map, error));
  EXPECT_NE(error.find("version 3"), std::string::npos) << error;
  EXPECT_FALSE(Read(bytes, 0, map, error));
}

TEST(DetailMapRead, AFailedReadLeavesTheMapAsItWas) {
  DetailMap map;
  map.Reset(5, 4);
  map.vertex[3] = 9;
  Version2Bytes m;
  m.vertex_runs = {1, 1};
  std::string error;
  Bytes bytes = m.Make();
  bytes.pop_back();
  EXPECT_FALSE(Read(bytes, 2, map, error));
  EXPECT_EQ(map.width, 5u);
  EXPECT_EQ(map.vertex[3], 9);
}

// Version 1: width, height, 8 zero bytes, 128 texture ids, 128 scale bytes, 8 skipped bytes,
// then the vertex values as they are.
Bytes Version1(uint32_t width, uint32_t height, const std::vector<std::pair<int, uint8_t>>& scales,
               const Bytes& vertex) {
  ByteWriter w;
  w.WriteU32Be(width);
  w.WriteU32Be(height);
  w.WriteZeros(8);
  for (uint32_t i = 0; i < 128; ++i) w.WriteU32Be(i == 1 ? tagcode::Make("ston") : 0xFFFFFFFF);
  Bytes scale_bytes(128, 0);
  for (auto [slot, b] : scales) scale_bytes[static_cast<size_t>(slot)] = b;
  w.WriteBytes(scale_bytes);
  w.WriteBytes(Bytes(8, 0x77));
  w.WriteBytes(vertex);
  return w.Take();
}

TEST(DetailMapReadVersion1, ScaleBytesZeroAndOneGiveScaleOneAndFiveGivesFive) {
  DetailMap map;
  std::string error;
  ASSERT_TRUE(
      Read(Version1(2, 2, {{0, 0}, {1, 1}, {2, 5}, {3, 2}, {4, 255}}, {1, 2, 3, 4}), 1, map, error))
      << error;
  EXPECT_EQ(map.slots[0].Scale(), 1);
  EXPECT_EQ(map.slots[1].Scale(), 1);
  EXPECT_EQ(map.slots[2].Scale(), 5);
  EXPECT_EQ(map.slots[3].Scale(), 2);
  EXPECT_EQ(map.slots[4].Scale(), 255);
}

TEST(DetailMapReadVersion1, VerticesAsStoredTrianglesZeroNoColoursOrNames) {
  DetailMap map;
  std::string error;
  ASSERT_TRUE(Read(Version1(3, 2, {}, {0, 1, 127, 128, 200, 255}), 1, map, error)) << error;
  EXPECT_EQ(map.width, 3u);
  EXPECT_EQ(map.vertex, (Bytes{0, 1, 127, 128, 200, 255}));
  EXPECT_EQ(map.triangle, Bytes(12, 0));
  EXPECT_EQ(map.slots[1].dtex, tagcode::Make("ston"));
  EXPECT_FALSE(map.slots[2].HasTexture());
  for (const DetailSlot& slot : map.slots) {
    EXPECT_EQ(slot.red | slot.green | slot.blue, 0);
    EXPECT_EQ(slot.Name(), "");
  }
}

TEST(DetailMapReadVersion1, VertexBytesCutShortOrOversizedDimensionsAreRefused) {
  DetailMap map;
  std::string error;
  EXPECT_FALSE(Read(Version1(3, 2, {}, {0, 1, 2, 3, 4}), 1, map, error));
  EXPECT_FALSE(Read(Version1(65536, 65536, {}, {0, 1, 2, 3}), 1, map, error));
  EXPECT_TRUE(map.vertex.empty());
  Bytes header_only = Version1(0, 0, {}, {});
  header_only.pop_back();
  EXPECT_FALSE(Read(header_only, 1, map, error));
}

TEST(DetailMapRuns, ANewPairAtEveryChangeAndAfter256Copies) {
  Bytes values(300, 4);
  values.push_back(4 + 128);
  values.push_back(4);
  Bytes runs;
  DetailMap::EncodeRuns(values, runs);
  EXPECT_EQ(runs, (Bytes{4, 255, 4, 43, 132, 0, 4, 0}));
  Bytes exactly(256, 9);
  runs.clear();
  DetailMap::EncodeRuns(exactly, runs);
  EXPECT_EQ(runs, (Bytes{9, 255}));
  runs.assign({1, 2});
  DetailMap::EncodeRuns({}, runs);
  EXPECT_EQ(runs, (Bytes{1, 2}));  // appends, and nothing for no values
}

DetailMap Sample() {
  DetailMap map;
  map.Reset(3, 2);
  map.vertex = {5, 5, 5, 5, 140, 0};
  map.triangle = {1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3};
  map.slots[1].dtex = tagcode::Make("wate");
  map.slots[1].scale_minus_one = 7;
  map.slots[1].red = 32;
  map.slots[1].green = 33;
  map.slots[1].blue = 255;
  map.slots[1].SetName("Water");
  return map;
}

TEST(DetailMapWrite, WritesVersion2ExactlyAsLaidOut) {
  TagHeader header = MapHeader(1);
  const Bytes bytes = Sample().Write(header);
  EXPECT_EQ(header.version, 2);
  const size_t vertex_at = 256 + 128 * 64;
  ASSERT_EQ(bytes.size(), vertex_at + 6 + 6);
  ByteWriter head;
  for (uint32_t word : {3u, 2u, uint32_t(vertex_at), 0u, uint32_t(vertex_at + 6), 0u, 256u, 0u})
    head.WriteU32Be(word);
  head.WriteZeros(256 - 32);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 256), head.bytes());
  ByteWriter slot1;
  SlotRecord(slot1, tagcode::Make("wate"), 7, 32, 33, 255, "Water");
  EXPECT_EQ(Bytes(bytes.begin() + 256 + 64, bytes.begin() + 256 + 128), slot1.bytes());
  ByteWriter empty_slot;
  SlotRecord(empty_slot, 0xFFFFFFFF, 0, 0, 0, 0, "");
  EXPECT_EQ(Bytes(bytes.begin() + 256, bytes.begin() + 256 + 64), empty_slot.bytes());
  EXPECT_EQ(Bytes(bytes.begin() + 256 + 127 * 64, bytes.begin() + vertex_at), empty_slot.bytes());
  EXPECT_EQ(Bytes(bytes.begin() + vertex_at, bytes.end()),
            (Bytes{5, 3, 140, 0, 0, 0, 1, 1, 2, 8, 3, 0}));
}

TEST(DetailMapWrite, AFullNameKeepsItsLastByteZero) {
  DetailMap map = Sample();
  map.slots[0].name.fill('x');  // bypassing SetName
  TagHeader header = MapHeader(2);
  const Bytes bytes = map.Write(header);
  EXPECT_EQ(bytes[256 + 63], 0);
  EXPECT_EQ(bytes[256 + 62], 'x');
}

TEST(DetailMapWrite, ReadingWhatWasWrittenGivesTheSameMap) {
  std::mt19937 random(17);
  DetailMap map;
  map.Reset(128, 96);
  // Long runs with the odd change, values over 127 among them.
  uint8_t value = 0;
  for (auto* layer : {&map.vertex, &map.triangle}) {
    for (uint8_t& v : *layer) {
      if (random() % 97 == 0) value = static_cast<uint8_t>(random());
      v = value;
    }
  }
  for (size_t i = 0; i < map.slots.size(); i += 3) {
    DetailSlot& slot = map.slots[i];
    slot.dtex = static_cast<uint32_t>(random());
    slot.scale_minus_one = static_cast<uint8_t>(random());
    slot.red = static_cast<uint8_t>(random());
    slot.green = static_cast<uint8_t>(random());
    slot.blue = static_cast<uint8_t>(random());
    slot.SetName("slot " + std::to_string(i) + " with a name longer than thirty-one bytes");
  }
  TagHeader header = MapHeader(1);
  const Bytes bytes = map.Write(header);
  DetailMap back;
  std::string error;
  ASSERT_TRUE(DetailMap::Read(bytes, header, back, error)) << error;
  EXPECT_EQ(back.width, map.width);
  EXPECT_EQ(back.height, map.height);
  EXPECT_TRUE(back.slots == map.slots);
  EXPECT_TRUE(back.vertex == map.vertex);
  EXPECT_TRUE(back.triangle == map.triangle);
  EXPECT_EQ(back.Write(header), bytes);
}

TEST(DetailMapWrite, AVersion1MapIsWrittenAsVersion2) {
  DetailMap map;
  std::string error;
  ASSERT_TRUE(Read(Version1(2, 1, {{1, 4}}, {1, 130}), 1, map, error)) << error;
  TagHeader header = MapHeader(1);
  const Bytes bytes = map.Write(header);
  DetailMap back;
  ASSERT_TRUE(DetailMap::Read(bytes, header, back, error)) << error;
  EXPECT_EQ(back.vertex, (Bytes{1, 130}));
  EXPECT_EQ(back.triangle, Bytes(4, 0));
  EXPECT_EQ(back.slots[1].Scale(), 4);
  EXPECT_EQ(back.slots[1].dtex, tagcode::Make("ston"));
}

TEST(DetailSlotName, HoldsAtMost31BytesUpToANul) {
  DetailSlot slot;
  slot.SetName(std::string(40, 'n'));
  EXPECT_EQ(slot.Name(), std::string(31, 'n'));
  EXPECT_EQ(slot.name[31], '\0');
  slot.SetName(std::string_view("ab\0cd", 5));
  EXPECT_EQ(slot.Name(), "ab");
  EXPECT_EQ(slot.name[3], '\0');
}

TEST(DetailMapReset, ZeroFilledArraysAndSlotsWithoutTexture) {
  DetailMap map = Sample();
  map.Reset(4, 3);
  EXPECT_EQ(map.vertex, Bytes(12, 0));
  EXPECT_EQ(map.triangle, Bytes(24, 0));
  EXPECT_EQ(map.RowLength(DetailLayer::kTriangle), 8u);
  for (const DetailSlot& slot : map.slots) EXPECT_TRUE(slot == DetailSlot{});
}

}  // namespace
