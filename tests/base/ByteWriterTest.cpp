#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ByteWriterEncoding, BigAndLittleEndianOrderTheBytes) {
  ByteWriter w;
  w.WriteU16Be(0x0102);
  w.WriteU32Be(0x03040506);
  w.WriteU16Le(0x0102);
  w.WriteU32Le(0x03040506);
  w.WriteI32Be(-2);
  w.WriteU8(0xAB);
  EXPECT_EQ(w.bytes(), (Bytes{1, 2, 3, 4, 5, 6, 2, 1, 6, 5, 4, 3, 0xFF, 0xFF, 0xFF, 0xFE, 0xAB}));
}

TEST(ByteWriterEncoding, ReaderGetsBackWhatWasWritten) {
  ByteWriter w;
  w.WriteI32Le(-123456);
  w.WriteU32Be(0xDEADBEEF);
  ByteReader r(w.bytes());
  int32_t a = 0;
  uint32_t b = 0;
  ASSERT_TRUE(r.ReadI32Le(a));
  ASSERT_TRUE(r.ReadU32Be(b));
  EXPECT_EQ(a, -123456);
  EXPECT_EQ(b, 0xDEADBEEFu);
}

TEST(ByteWriterFixedChars, PadsWithZerosAndForcesTheLastByte) {
  ByteWriter w;
  w.WriteFixedChars("ab", 4);
  w.WriteFixedChars("abcdef", 4);
  EXPECT_EQ(w.bytes(), (Bytes{'a', 'b', 0, 0, 'a', 'b', 'c', 0}));
}

TEST(ByteWriterPatch, OverwritesInPlace) {
  ByteWriter w;
  w.WriteZeros(8);
  ASSERT_TRUE(w.PatchU32Be(2, 0x11223344));
  ASSERT_TRUE(w.PatchU16Le(6, 0xAABB));
  EXPECT_EQ(w.bytes(), (Bytes{0, 0, 0x11, 0x22, 0x33, 0x44, 0xBB, 0xAA}));
}

TEST(ByteWriterPatch, RefusesToReachPastTheEnd) {
  ByteWriter w;
  w.WriteZeros(4);
  EXPECT_FALSE(w.PatchU32Be(1, 0xFFFFFFFF));
  EXPECT_FALSE(w.PatchU8(4, 1));
  EXPECT_FALSE(w.PatchU8(SIZE_MAX, 1));
  EXPECT_EQ(w.bytes(), Bytes(4, 0));
}

}  // namespace
