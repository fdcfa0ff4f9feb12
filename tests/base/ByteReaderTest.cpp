#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/ByteReader.h"

namespace {

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE, 0xFD, 0x80};

TEST(ByteReaderDecoding, LittleEndianPutsTheLowByteFirst) {
  ByteReader reader(kBytes);
  uint16_t u16 = 0;
  ASSERT_TRUE(reader.ReadU16Le(u16));
  EXPECT_EQ(u16, 0x0201);
  uint16_t u16b = 0;
  ASSERT_TRUE(reader.ReadU16Le(u16b));
  EXPECT_EQ(u16b, 0x0403);
  uint32_t u32 = 0;
  ASSERT_TRUE(reader.ReadU32Le(u32));
  EXPECT_EQ(u32, 0x80FDFEFFu);
  EXPECT_TRUE(reader.AtEnd());
}

TEST(ByteReaderDecoding, BigEndianPutsTheHighByteFirst) {
  ByteReader reader(kBytes);
  uint32_t u32 = 0;
  ASSERT_TRUE(reader.ReadU32Be(u32));
  EXPECT_EQ(u32, 0x01020304u);
  uint16_t u16 = 0;
  ASSERT_TRUE(reader.ReadU16Be(u16));
  EXPECT_EQ(u16, 0xFFFE);
  uint16_t u16b = 0;
  ASSERT_TRUE(reader.ReadU16Be(u16b));
  EXPECT_EQ(u16b, 0xFD80);
}

TEST(ByteReaderDecoding, SignedReadsExtendTheSign) {
  const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF,
                                      0xFF, 0x80, 0x80, 0x00, 0x00, 0x00};
  ByteReader reader(bytes);
  int16_t i16 = 0;
  ASSERT_TRUE(reader.ReadI16Le(i16));
  EXPECT_EQ(i16, -1);
  int32_t i32 = 0;
  ASSERT_TRUE(reader.ReadI32Le(i32));
  EXPECT_EQ(i32, -2);
  int16_t i16be = 0;
  ASSERT_TRUE(reader.ReadI16Be(i16be));
  EXPECT_EQ(i16be, -128);  // 0xFF80
  int32_t i32be = 0;
  ASSERT_TRUE(reader.ReadI32Be(i32be));
  EXPECT_EQ(i32be, std::numeric_limits<int32_t>::min());  // 0x80000000
  EXPECT_TRUE(reader.AtEnd());
}

TEST(ByteReaderDecoding, SingleBytesAndCopies) {
  ByteReader reader(kBytes);
  uint8_t u8 = 0;
  ASSERT_TRUE(reader.ReadU8(u8));
  EXPECT_EQ(u8, 0x01);
  ASSERT_TRUE(reader.Skip(3));
  int8_t i8 = 0;
  ASSERT_TRUE(reader.ReadI8(i8));
  EXPECT_EQ(i8, -1);
  std::vector<uint8_t> copy(3);
  ASSERT_TRUE(reader.ReadBytes(copy));
  EXPECT_EQ(copy, (std::vector<uint8_t>{0xFE, 0xFD, 0x80}));
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST(ByteReaderDecoding, ViewsPointIntoTheBuffer) {
  ByteReader reader(kBytes);
  ASSERT_TRUE(reader.Skip(2));
  std::span<const uint8_t> view;
  ASSERT_TRUE(reader.ReadView(3, view));
  ASSERT_EQ(view.size(), 3u);
  EXPECT_EQ(view.data(), kBytes.data() + 2);
  EXPECT_EQ(reader.position(), 5u);
}

TEST(ByteReaderShortReads, FailWithoutMovingAndZeroTheOutput) {
  ByteReader reader(kBytes);
  ASSERT_TRUE(reader.Skip(6));
  uint32_t u32 = 1234;
  EXPECT_FALSE(reader.ReadU32Le(u32));
  EXPECT_EQ(u32, 0u);
  EXPECT_EQ(reader.position(), 6u);
  EXPECT_TRUE(reader.failed());
  // The two bytes that are there can still be read, but the failure stays on record.
  uint16_t u16 = 0;
  EXPECT_TRUE(reader.ReadU16Be(u16));
  EXPECT_EQ(u16, 0xFD80);
  EXPECT_TRUE(reader.failed());
}

TEST(ByteReaderShortReads, EveryFixedSizeReadFailsOnAnEmptyBuffer) {
  ByteReader reader(std::span<const uint8_t>{});
  uint8_t u8 = 0;
  int8_t i8 = 0;
  uint16_t u16 = 0;
  int16_t i16 = 0;
  uint32_t u32 = 0;
  int32_t i32 = 0;
  EXPECT_FALSE(reader.ReadU8(u8));
  EXPECT_FALSE(reader.ReadI8(i8));
  EXPECT_FALSE(reader.ReadU16Le(u16));
  EXPECT_FALSE(reader.ReadI16Le(i16));
  EXPECT_FALSE(reader.ReadU32Le(u32));
  EXPECT_FALSE(reader.ReadI32Le(i32));
  EXPECT_FALSE(reader.ReadU16Be(u16));
  EXPECT_FALSE(reader.ReadI16Be(i16));
  EXPECT_FALSE(reader.ReadU32Be(u32));
  EXPECT_FALSE(reader.ReadI32Be(i32));
  EXPECT_TRUE(reader.failed());
}

TEST(ByteReaderShortReads, ZeroLengthReadsSucceedEvenOnAnEmptyBuffer) {
  ByteReader reader(std::span<const uint8_t>{});
  std::span<const uint8_t> view;
  EXPECT_TRUE(reader.ReadView(0, view));
  EXPECT_TRUE(reader.Skip(0));
  EXPECT_TRUE(reader.ReadBytes(std::span<uint8_t>{}));
  EXPECT_FALSE(reader.failed());
}

TEST(ByteReaderShortReads, HugeCountsDoNotWrapAround) {
  ByteReader reader(kBytes);
  ASSERT_TRUE(reader.Skip(1));
  std::span<const uint8_t> view;
  EXPECT_FALSE(reader.ReadView(std::numeric_limits<size_t>::max(), view));
  EXPECT_TRUE(view.empty());
  EXPECT_FALSE(reader.Skip(std::numeric_limits<size_t>::max()));
  EXPECT_EQ(reader.position(), 1u);
}

TEST(ByteReaderShortReads, CopyPastTheEndZeroesTheTarget) {
  ByteReader reader(kBytes);
  std::vector<uint8_t> copy(kBytes.size() + 1, 0xAA);
  EXPECT_FALSE(reader.ReadBytes(copy));
  EXPECT_EQ(copy, std::vector<uint8_t>(kBytes.size() + 1, 0));
  EXPECT_EQ(reader.position(), 0u);
}

TEST(ByteReaderSeek, AllowsTheEndButNotBeyond) {
  ByteReader reader(kBytes);
  EXPECT_TRUE(reader.Seek(kBytes.size()));
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_FALSE(reader.failed());
  EXPECT_FALSE(reader.Seek(kBytes.size() + 1));
  EXPECT_TRUE(reader.failed());
  EXPECT_EQ(reader.position(), kBytes.size());
  ASSERT_TRUE(reader.Seek(4));
  uint8_t u8 = 0;
  ASSERT_TRUE(reader.ReadU8(u8));
  EXPECT_EQ(u8, kBytes[4]);
}

TEST(ByteReaderFixedChars, ForcesTheLastByteToZero) {
  const std::array<uint8_t, 5> bytes = {'a', 'b', 'c', 'd', 'e'};
  ByteReader reader(bytes);
  std::array<char, 4> field{};
  ASSERT_TRUE(reader.ReadFixedChars(field));
  EXPECT_EQ(std::string(field.data()), "abc");
  EXPECT_EQ(reader.position(), 4u);
}

TEST(ByteReaderFixedChars, ShortReadClearsTheField) {
  const std::array<uint8_t, 2> bytes = {'a', 'b'};
  ByteReader reader(bytes);
  std::array<char, 4> field = {'x', 'x', 'x', 'x'};
  EXPECT_FALSE(reader.ReadFixedChars(field));
  EXPECT_EQ(field, (std::array<char, 4>{}));
  EXPECT_EQ(reader.position(), 0u);
}

}  // namespace
