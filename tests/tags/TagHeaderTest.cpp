#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"

namespace {

using Bytes = std::vector<uint8_t>;

TagHeader Sample() {
  TagHeader h;
  h.identifier = 0x1234;
  h.flags = 0x56;
  h.type = 7;
  h.SetName("Dark Knight");
  h.group = tagcode::Make("unit");
  h.tag_id = tagcode::Make("DaKn");
  h.data_offset = 0x01020304;
  h.data_size = 0x05060708;
  h.user_data = 0x090A0B0C;
  h.version = 0x0D0E;
  h.foundation_index = 0x0F;
  h.owner_index = 0x10;
  return h;
}

Bytes Write(const TagHeader& h) {
  ByteWriter w;
  h.Write(w);
  return w.Take();
}

bool Read(const Bytes& bytes, TagHeader& out, std::string& error) {
  ByteReader r(bytes);
  return TagHeader::Read(r, out, error);
}

TEST(TagHeaderCurrentLayout, WritesEveryFieldBigEndianAtItsOffset) {
  const Bytes b = Write(Sample());
  ASSERT_EQ(b.size(), 64u);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{0x12, 0x34, 0x56, 7}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[4])), "Dark Knight");
  EXPECT_EQ(Bytes(b.begin() + 36, b.end()),
            (Bytes{'u', 'n', 'i', 't', 'D', 'a', 'K', 'n', 1,  2,  3,   4,   5,   6,
                   7,   8,   9,   10,  11,  12,  13,  14,  15, 16, 'v', 'r', 'n', '2'}));
}

TEST(TagHeaderCurrentLayout, RoundTripsEveryField) {
  const TagHeader h = Sample();
  TagHeader back;
  std::string error;
  ASSERT_TRUE(Read(Write(h), back, error)) << error;
  EXPECT_EQ(Write(back), Write(h));
  EXPECT_EQ(back.Name(), "Dark Knight");
  EXPECT_EQ(back.version, 0x0D0E);
  EXPECT_FALSE(back.IsLegacy());
}

TEST(TagHeaderNames, FortyCharactersKeepTheFirstThirtyOne) {
  TagHeader h;
  const std::string forty(40, 'x');
  h.SetName(forty);
  EXPECT_EQ(h.Name(), forty.substr(0, 31));
  const Bytes b = Write(h);
  EXPECT_EQ(b[4 + 30], 'x');
  EXPECT_EQ(b[35], 0);
}

TEST(TagHeaderNames, ThirtyOneCharactersFitExactly) {
  TagHeader h;
  const std::string name(31, 'n');
  h.SetName(name);
  TagHeader back;
  std::string error;
  ASSERT_TRUE(Read(Write(h), back, error));
  EXPECT_EQ(back.Name(), name);
}

TEST(TagHeaderNames, ByteThirtyFiveIsForcedToZeroOnReadAndWrite) {
  Bytes b = Write(Sample());
  std::fill(b.begin() + 4, b.begin() + 36, 'z');
  TagHeader h;
  std::string error;
  ASSERT_TRUE(Read(b, h, error));
  EXPECT_EQ(h.Name(), std::string(31, 'z'));
  h.name.back() = 'q';  // even a header changed in memory is written terminated
  EXPECT_EQ(Write(h)[35], 0);
}

TEST(TagHeaderLegacyLayout, IsConvertedAndKeepsItsSignature) {
  Bytes b(64, 0);
  std::copy_n("Old Bell", 8, b.begin());
  const Bytes rest = {'s',  'o',  'u',  'n',  'B',  'e',  'l', 'l', 0x00, 0x05, 0x00,
                      0x02, 0xAA, 0xAA, 0xBB, 0xBB, 0,    0,   0,   64,   0,    0,
                      1,    0,    0xCC, 0xCC, 0xCC, 0xCC, 'v', 'o', 'r',  'n'};
  std::copy(rest.begin(), rest.end(), b.begin() + 32);
  TagHeader h;
  std::string error;
  ASSERT_TRUE(Read(b, h, error)) << error;
  EXPECT_TRUE(h.IsLegacy());
  EXPECT_EQ(h.Name(), "Old Bell");
  EXPECT_EQ(h.group, tagcode::Make("soun"));
  EXPECT_EQ(h.tag_id, tagcode::Make("Bell"));
  EXPECT_EQ(h.version, 2);
  EXPECT_EQ(h.data_offset, 64u);
  EXPECT_EQ(h.data_size, 256u);
  EXPECT_EQ(h.identifier, 0);
  EXPECT_EQ(h.user_data, 0u);
  EXPECT_EQ(h.foundation_index, 0);
  EXPECT_EQ(h.owner_index, 0);

  // Written back, it takes the current layout.
  const Bytes written = Write(h);
  EXPECT_EQ(std::string(written.end() - 4, written.end()), "vrn2");
  TagHeader again;
  ASSERT_TRUE(Read(written, again, error));
  EXPECT_FALSE(again.IsLegacy());
  EXPECT_EQ(again.Name(), "Old Bell");
  EXPECT_EQ(again.data_size, 256u);
}

TEST(TagHeaderLegacyLayout, NameIsTerminatedAtByteThirtyOne) {
  Bytes b(64, 'w');
  std::copy_n("vorn", 4, b.end() - 4);
  TagHeader h;
  std::string error;
  ASSERT_TRUE(Read(b, h, error));
  EXPECT_EQ(h.Name(), std::string(31, 'w'));
}

TEST(TagHeaderRejection, UnknownSignatureOrShortInputFails) {
  Bytes b = Write(Sample());
  b[63] = '3';
  TagHeader h = Sample();
  h.SetName("untouched");
  std::string error;
  EXPECT_FALSE(Read(b, h, error));
  EXPECT_NE(error.find("signature"), std::string::npos);
  EXPECT_EQ(h.Name(), "untouched");

  error.clear();
  EXPECT_FALSE(Read(Bytes(63, 0), h, error));
  EXPECT_NE(error.find("63 of 64"), std::string::npos);
}

TEST(TagHeaderFresh, HasTheDefaultsOfANewTag) {
  const Bytes b = Write(TagHeader::Fresh());
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[56], 0);
  EXPECT_EQ(b[57], 1);
  EXPECT_EQ(b[59], 0xFF);
}

}  // namespace
