#include <gtest/gtest.h>

#include "base/ByteWriter.h"
#include "base/ClipboardBmp.h"

namespace {

// A bitmap as other programs write it: `file_header` false leaves the 14-byte header out.
std::vector<uint8_t> Bitmap(int32_t width, int32_t height, uint16_t bits,
                            const std::vector<uint8_t>& rows, bool file_header = true,
                            uint32_t offset = 54) {
  ByteWriter out;
  if (file_header) {
    out.WriteU8('B');
    out.WriteU8('M');
    out.WriteU32Le(static_cast<uint32_t>(54 + rows.size()));
    out.WriteU32Le(0);
    out.WriteU32Le(offset);
  }
  for (uint32_t v : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)}) {
    out.WriteU32Le(v);
  }
  out.WriteU16Le(1);
  out.WriteU16Le(bits);
  out.WriteZeros(24);
  out.WriteBytes(rows);
  return out.Take();
}

struct Decoded {
  bool ok = false;
  std::vector<uint8_t> rgb;
  int32_t width = 0, height = 0;
  std::string error;
};

Decoded Decode(const std::vector<uint8_t>& data) {
  Decoded d;
  d.ok = ClipboardBmp::Decode(data, d.rgb, d.width, d.height, d.error);
  return d;
}

// Two rows of 2 pixels, 8 bytes each stored: (1,2,3) (4,5,6) above (7,8,9) (10,11,12).
const std::vector<uint8_t> kTopRow = {3, 2, 1, 6, 5, 4, 0, 0};
const std::vector<uint8_t> kBottomRow = {9, 8, 7, 12, 11, 10, 0, 0};
const std::vector<uint8_t> kRgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ClipboardBmp, ThreeByOneHasTwelveByteRowsOfBlueGreenRed) {
  const uint8_t rgb[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  const std::vector<uint8_t> bmp = ClipboardBmp::Encode(rgb, 3, 1);
  ASSERT_EQ(bmp.size(), 14u + 40 + 12);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[10], 54);  // pixels right after the headers
  EXPECT_EQ(bmp[14], 40);  // information header size
  EXPECT_EQ(bmp[28], 24);  // bits a pixel
  EXPECT_EQ(bmp[34], 12);  // image size: one padded row
  const std::vector<uint8_t> row(bmp.begin() + 54, bmp.end());
  EXPECT_EQ(row, (std::vector<uint8_t>{30, 20, 10, 60, 50, 40, 90, 80, 70, 0, 0, 0}));
}

TEST(ClipboardBmp, RowsAreStoredBottomUpAndReadBack) {
  const std::vector<uint8_t> bmp = ClipboardBmp::Encode(kRgb.data(), 2, 2);
  EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54, bmp.end()), Join(kBottomRow, kTopRow));
  const Decoded d = Decode(bmp);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.width, 2);
  EXPECT_EQ(d.height, 2);
  EXPECT_EQ(d.rgb, kRgb);
}

TEST(ClipboardBmp, NegativeHeightIsTopDown) {
  const Decoded d = Decode(Bitmap(2, -2, 24, Join(kTopRow, kBottomRow)));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.height, 2);
  EXPECT_EQ(d.rgb, kRgb);
}

TEST(ClipboardBmp, BitmapWithoutFileHeaderReads) {
  const Decoded d = Decode(Bitmap(2, 2, 24, Join(kBottomRow, kTopRow), false));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.rgb, kRgb);
}

TEST(ClipboardBmp, SizesTheBytesDoNotBackAreRefused) {
  const std::vector<uint8_t> rows = Join(kBottomRow, kTopRow);
  std::vector<uint8_t> cut = Bitmap(2, 2, 24, rows);
  cut.pop_back();
  EXPECT_FALSE(Decode(cut).ok) << "one byte short";
  EXPECT_FALSE(Decode(Bitmap(2, 3, 24, rows)).ok) << "a row more than stored";
  // Sizes whose products overflow 32 bits.
  EXPECT_FALSE(Decode(Bitmap(0x55555556, 2, 24, rows)).ok);
  EXPECT_FALSE(Decode(Bitmap(2, INT32_MIN, 24, rows)).ok);
  EXPECT_FALSE(Decode(Bitmap(0x7FFFFFFF, 0x7FFFFFFF, 24, rows)).ok);
  EXPECT_FALSE(Decode(Bitmap(2, 2, 24, rows, true, 0xFFFFFFF0)).ok) << "pixels past the end";
  EXPECT_FALSE(Decode(Bitmap(2, 2, 24, rows, true, 20)).ok) << "pixels inside the header";
  EXPECT_FALSE(Decode(Bitmap(0, 2, 24, rows)).ok);
  EXPECT_FALSE(Decode(std::vector<uint8_t>(cut.begin(), cut.begin() + 30)).ok);
}

TEST(ClipboardBmp, OnlyTwentyFourBitsAreTaken) {
  const Decoded d = Decode(Bitmap(2, 2, 32, std::vector<uint8_t>(16, 0xFF)));
  EXPECT_FALSE(d.ok);
  EXPECT_NE(d.error.find("32 bits"), std::string::npos) << d.error;
  EXPECT_FALSE(Decode(Bitmap(2, 2, 8, std::vector<uint8_t>(1032, 0))).ok);
}

}  // namespace
