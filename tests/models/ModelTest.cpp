#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "models/Model.h"

namespace {

// A model written field by field: 64-byte header, 8 zero bytes, then the three arrays.
struct ModelBytes {
  uint16_t values = 3, records = 1, cells = 2;
  uint32_t data_base = 72;
  int64_t value_size = -1;
  uint32_t cell_at = 0;  // 0: right after the records
  size_t cut = 0;

  std::vector<uint8_t> Make() const {
    ByteWriter w;
    w.WriteU32Be(0x0000000F);  // flags
    w.WriteU32Be(0x67656F6D);  // geometry
    w.WriteU16Be(0);
    w.WriteU16Be(values);
    w.WriteU16Be(records);
    w.WriteU16Be(cells);
    const uint32_t sizes[3] = {value_size < 0 ? values * 4u : static_cast<uint32_t>(value_size),
                               records * 64u, cells * 8u};
    const uint32_t offsets[3] = {0, values * 4u, cell_at ? cell_at : values * 4u + records * 64u};
    for (int i = 0; i < 3; ++i) {
      w.WriteU32Be(offsets[i]);
      w.WriteU32Be(sizes[i]);
      w.WriteU32Be(0);
    }
    w.WriteU32Be(data_base);
    w.WriteU32Be(values * 4u + records * 64u + cells * 8u);
    w.WriteU32Be(0);
    w.WriteZeros(8);
    for (uint16_t i = 0; i < values; ++i) w.WriteU32Be(0x10000000u + i);
    for (uint16_t i = 0; i < records; ++i) {
      w.WriteU16Be(0x0101);
      w.WriteFixedChars("record", 32);
      for (uint8_t b = 0; b < 30; ++b) w.WriteU8(b);
    }
    for (uint16_t i = 0; i < cells; ++i) {
      w.WriteU16Be(static_cast<uint16_t>(int16_t(-1 + i)));
      w.WriteU16Be(7);
      w.WriteU16Be(2);
      w.WriteU16Be(0x0A0A);
    }
    std::vector<uint8_t> bytes = w.Take();
    bytes.resize(bytes.size() - cut);
    return bytes;
  }
};

TEST(ModelRead, ReadsTheArraysAndWritesTheSameBytes) {
  const std::vector<uint8_t> bytes = ModelBytes{}.Make();
  Model m;
  std::string error;
  ASSERT_TRUE(Model::Read(bytes, m, error)) << error;
  EXPECT_EQ(m.flags, 15u);
  EXPECT_EQ(m.geometry, 0x67656F6Du);
  EXPECT_EQ(m.vertex_values, (std::vector<uint32_t>{0x10000000, 0x10000001, 0x10000002}));
  ASSERT_EQ(m.records.size(), 1u);
  EXPECT_EQ(m.records[0].reserved, 0x0101);
  EXPECT_STREQ(m.records[0].text.data(), "record");
  EXPECT_EQ(m.records[0].kept[29], 29);
  ASSERT_EQ(m.cells.size(), 2u);
  EXPECT_EQ(m.cells[0].x, 0xFFFF);
  EXPECT_EQ(m.cells[1].x, 0);
  EXPECT_EQ(m.cells[1].y, 7);
  EXPECT_EQ(m.cells[1].value, 2);
  EXPECT_EQ(m.cells[1].reserved, 0x0A0A);
  EXPECT_EQ(m.Write(), bytes);
}

TEST(ModelRead, EmptyModelIsTheHeaderAndEightZeros) {
  Model m;
  m.geometry = 5;
  const std::vector<uint8_t> bytes = m.Write();
  ASSERT_EQ(bytes.size(), 72u);
  EXPECT_EQ(bytes[55], 72);  // data base
  Model back;
  std::string error;
  ASSERT_TRUE(Model::Read(bytes, back, error)) << error;
  EXPECT_EQ(back.geometry, 5u);
}

TEST(ModelRead, RefusesBrokenDataAndLeavesTheModelAlone) {
  struct Case {
    const char* what;
    ModelBytes bytes;
    const char* message_part;
  };
  std::vector<Case> cases;
  ModelBytes b;
  b.cut = b.Make().size() - 63;
  cases.push_back({"short header", b, "cut short"});
  b = {};
  b.data_base = 5000;
  cases.push_back({"data base past the data", b, "data base"});
  b = {};
  b.value_size = 16;
  cases.push_back({"values size not count x 4", b, "vertex values array holds 16 bytes"});
  b = {};
  b.cut = 1;
  cases.push_back({"last cell cut short", b, "cells"});
  b = {};
  b.cell_at = 0xFFFFFFFCu;
  cases.push_back({"cells at an offset that would wrap", b, "does not lie inside"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Model m;
    m.geometry = 77;
    std::string error;
    EXPECT_FALSE(Model::Read(c.bytes.Make(), m, error));
    EXPECT_NE(error.find(c.message_part), std::string::npos) << error;
    EXPECT_EQ(m.geometry, 77u);
  }
}

}  // namespace
