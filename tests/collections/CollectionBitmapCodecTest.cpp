#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "collections/BitmapCodec.h"
#include "collections/CollectionBitmap.h"
#include "collections/CollectionLayout.h"
#include "tests/collections/CollectionFixtures.h"

namespace {

using collection_test::Be16;
using collection_test::Opaque;

const std::array<uint8_t, 768> kPalette{};

CollectionBitmap Bitmap(uint16_t width, uint16_t height, std::vector<uint8_t> pixels,
                        uint16_t flags = 0) {
  CollectionBitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.flags = flags;
  bitmap.pixels = std::move(pixels);
  bitmap.NormaliseAlpha();
  return bitmap;
}

std::vector<uint8_t> Encode(const CollectionBitmap& bitmap) {
  ByteWriter out;
  BitmapCodec::Encode(bitmap, out);
  return out.Take();
}

// A block header (52 bytes) and, for one-row bitmaps, no row slots.
std::vector<uint8_t> Block(uint16_t width, uint16_t height, uint16_t flags, uint16_t bits,
                           uint16_t log2, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> block = {static_cast<uint8_t>(width >> 8),
                                static_cast<uint8_t>(width),
                                static_cast<uint8_t>(height >> 8),
                                static_cast<uint8_t>(height),
                                0,
                                0,
                                static_cast<uint8_t>(flags >> 8),
                                static_cast<uint8_t>(flags),
                                0,
                                static_cast<uint8_t>(bits),
                                0,
                                0,
                                0,
                                0,
                                0,
                                static_cast<uint8_t>(log2)};
  block.resize(52, 0);
  block.resize(block.size() + (height - 1) * 4u, 0);
  block.insert(block.end(), data.begin(), data.end());
  return block;
}

bool Decode(const std::vector<uint8_t>& block, CollectionBitmap& out) {
  std::string error;
  const bool ok = BitmapCodec::Decode(block, kPalette, out, error);
  EXPECT_EQ(ok, error.empty()) << error;
  return ok;
}

TEST(CollectionRleRows, OddEightBitRowIsPaddedEvenRowIsNot) {
  const std::vector<uint8_t> three = Encode(Bitmap(5, 1, Opaque({0, 7, 8, 9, 0}), 0x0004));
  EXPECT_EQ(Be16(three, 6), 0x0044);  // RLE, rows padded
  EXPECT_EQ(Be16(three, 8), 8);
  EXPECT_EQ(std::vector<uint8_t>(three.begin() + 52, three.end()),
            (std::vector<uint8_t>{0, 1, 0, 3, 0, 1, 0, 4, 7, 8, 9, 0}));
  const std::vector<uint8_t> four = Encode(Bitmap(5, 1, Opaque({1, 2, 0, 3, 4}), 0x0004));
  EXPECT_EQ(std::vector<uint8_t>(four.begin() + 52, four.end()),
            (std::vector<uint8_t>{0, 2, 0, 4, 0, 0, 0, 2, 0, 3, 0, 5, 1, 2, 3, 4}));
}

TEST(CollectionRleRows, SixteenBitRowIsNeverPadded) {
  std::vector<uint8_t> pixels = Opaque({5, 0, 0});
  pixels[0] = 0x88;  // alpha 136, 16-bit
  const std::vector<uint8_t> block = Encode(Bitmap(3, 1, pixels, 0x0004));
  EXPECT_EQ(Be16(block, 6), 0x0054);
  EXPECT_EQ(Be16(block, 8), 16);
  EXPECT_EQ(std::vector<uint8_t>(block.begin() + 52, block.end()),
            (std::vector<uint8_t>{0, 1, 0, 1, 0, 0, 0, 1, 7, 5}));
}

TEST(CollectionRleRows, DecodesRunsAndLeavesGapsTransparent) {
  CollectionBitmap bitmap;
  ASSERT_TRUE(Decode(
      Block(6, 2, 0x0044, 8, 0, {0, 2, 0, 3, 0, 0, 0, 1, 0, 4, 0, 6, 9, 3, 4, 0,  // row 0, padded
                                 0, 0, 0, 0}),                                    // row 1 empty
      bitmap));
  EXPECT_EQ(bitmap.pixels, Opaque({9, 0, 0, 0, 3, 4, 0, 0, 0, 0, 0, 0}));
}

TEST(CollectionRleRows, MalformedRowsFailToDecode) {
  const std::vector<std::vector<uint8_t>> rows = {
      {0, 1, 0, 3, 0, 2, 0, 5},                    // run ends past the width of 4
      {0, 1, 0, 2, 0, 0, 0, 3, 1, 2, 3},           // two pixels stated, three in the run
      {0, 1, 0, 3, 0, 0, 0, 3, 1},                 // pixel bytes beyond the block
      {0, 2, 0, 2, 0, 2, 0, 3, 0, 1, 0, 2, 1, 2},  // runs out of order
      {0, 1, 0, 1, 0, 1, 0, 2, 7},                 // pad byte missing at the end
  };
  for (const std::vector<uint8_t>& row : rows) {
    CollectionBitmap bitmap;
    std::string error;
    EXPECT_FALSE(BitmapCodec::Decode(Block(4, 1, 0x0044, 8, 0, row), kPalette, bitmap, error));
    EXPECT_NE(error.find("RLE row 0"), std::string::npos) << error;
  }
}

TEST(CollectionPixels, TransparencyNibbleGivesAlpha) {
  CollectionBitmap bitmap;
  ASSERT_TRUE(Decode(Block(3, 1, 0x0010, 16, 1, {0x00, 5, 0x0F, 6, 0x07, 7}), bitmap));
  EXPECT_EQ(bitmap.pixels, (std::vector<uint8_t>{255, 5, 0, 0, 136, 7}));
  EXPECT_TRUE(bitmap.flags & collection_layout::kBitmapPartialAlpha);
}

// Rows long enough for the wide paths of the expansion as well as their leftovers.
TEST(CollectionPixels, LongRowsExpandLikeShortOnes) {
  std::vector<uint8_t> indices, nibbles, expected8, expected16;
  for (int i = 0; i < 45; ++i) {
    const uint8_t index = static_cast<uint8_t>(i % 5 * 60);
    indices.push_back(index);
    expected8.insert(expected8.end(), {static_cast<uint8_t>(index ? 255 : 0), index});
    const uint8_t level = static_cast<uint8_t>(15 - i % 16);
    nibbles.insert(nibbles.end(),
                   {static_cast<uint8_t>(0xA0 | (i % 16)), static_cast<uint8_t>(i + 1)});
    expected16.insert(expected16.end(),
                      {static_cast<uint8_t>(level * 17), static_cast<uint8_t>(level ? i + 1 : 0)});
  }
  CollectionBitmap bitmap;
  ASSERT_TRUE(Decode(Block(45, 1, 0, 8, 0, indices), bitmap));
  EXPECT_EQ(bitmap.pixels, expected8);
  EXPECT_FALSE(bitmap.flags & collection_layout::kBitmapPartialAlpha);
  ASSERT_TRUE(Decode(Block(45, 1, 0, 16, 1, nibbles), bitmap));
  EXPECT_EQ(bitmap.pixels, expected16);
  EXPECT_TRUE(bitmap.flags & collection_layout::kBitmapPartialAlpha);
  // Nibbles of only 0 and 15 are stored as 16 bits but hold no partial alpha.
  for (size_t i = 0; i < nibbles.size(); i += 2) nibbles[i] = (i / 2) % 3 ? 0x0F : 0x00;
  ASSERT_TRUE(Decode(Block(45, 1, 0x0010, 16, 1, nibbles), bitmap));
  EXPECT_FALSE(bitmap.flags & collection_layout::kBitmapPartialAlpha);
}

TEST(CollectionPixels, StoredDepthFollowsPartialAlpha) {
  CollectionBitmap solid = Bitmap(2, 1, Opaque({3, 0}), 0x0010);
  EXPECT_FALSE(solid.flags & 0x0010);
  std::vector<uint8_t> block = Encode(solid);
  EXPECT_EQ(Be16(block, 8), 8);
  EXPECT_EQ(Be16(block, 14), 0);

  CollectionBitmap soft = Bitmap(2, 1, {128, 3, 255, 4});
  block = Encode(soft);
  EXPECT_EQ(Be16(block, 8), 16);
  EXPECT_EQ(Be16(block, 14), 1);
  EXPECT_EQ(std::vector<uint8_t>(block.begin() + 52, block.end()),
            (std::vector<uint8_t>{0x07, 3, 0x00, 4}));
}

TEST(CollectionPixels, AlphaFromColourTakesBrightness) {
  std::array<uint8_t, 768> palette{};
  palette[2 * 3 + 1] = 0x99;
  CollectionBitmap bitmap;
  std::string error;
  ASSERT_TRUE(BitmapCodec::Decode(Block(2, 1, 0x0800, 8, 0, {2, 0}), palette, bitmap, error));
  EXPECT_EQ(bitmap.pixels, (std::vector<uint8_t>{0x99, 2, 0, 0}));
  EXPECT_EQ(bitmap.flags & 0x0800, 0);
}

TEST(CollectionPixels, BadHeadersFailToDecode) {
  CollectionBitmap bitmap;
  std::string error;
  EXPECT_FALSE(BitmapCodec::Decode(std::vector<uint8_t>(51, 0), kPalette, bitmap, error));
  EXPECT_FALSE(BitmapCodec::Decode(Block(0, 1, 0, 8, 0, {}), kPalette, bitmap, error));
  EXPECT_FALSE(BitmapCodec::Decode(Block(1, 1, 0, 8, 1, {0, 0}), kPalette, bitmap, error));
  EXPECT_FALSE(BitmapCodec::Decode(Block(4, 4, 0, 8, 0, {1, 2, 3}), kPalette, bitmap, error));
  // A few header bytes asking for gigabytes of pixels are refused before anything is allocated.
  EXPECT_FALSE(
      BitmapCodec::Decode(Block(0xFFFF, 0xFFFF, 0x0004, 8, 0, {}), kPalette, bitmap, error));
  EXPECT_EQ(error, "too many pixels");
}

TEST(CollectionEightBytePixels, StreamRoundTripsRunsAndLiterals) {
  CollectionBitmap bitmap;
  bitmap.width = 300;
  bitmap.height = 2;
  bitmap.bytes_per_pixel = 8;
  bitmap.pixels.assign(600 * 8, 0);
  // 260 opaque pixels with colours (a run longer than 255), then literals and a padded colour.
  for (size_t i = 10; i < 270; ++i) {
    bitmap.pixels[i * 8 + 3] = 0x3F;
    bitmap.pixels[i * 8 + 0] = static_cast<uint8_t>(i);
  }
  bitmap.pixels[280 * 8 + 3] = 0x05;
  bitmap.pixels[280 * 8 + 2] = 0x01;  // bit 0 of b2 brings b4-b7 along
  bitmap.pixels[280 * 8 + 7] = 0xEE;
  bitmap.pixels[281 * 8 + 3] = 0x40;  // control 0 in its low bits: no colour
  const std::vector<uint8_t> block = Encode(bitmap);
  EXPECT_EQ(Be16(block, 6), 0x4020);
  EXPECT_EQ(block.back(), 0);

  CollectionBitmap back;
  ASSERT_TRUE(Decode(block, back));
  EXPECT_EQ(back.bytes_per_pixel, 8);
  EXPECT_EQ(back.pixels, bitmap.pixels);
  EXPECT_EQ(Encode(back), block);

  const std::vector<uint8_t> cut(block.begin(), block.begin() + 70);
  std::string error;
  EXPECT_FALSE(BitmapCodec::Decode(cut, kPalette, back, error));
}

// Eight-byte pixels are laid out by their stream alone; the bits field is not theirs to check.
TEST(CollectionEightBytePixels, AnyBitsPerPixelDecodesFromTheStream) {
  // Run of 0, a literal 0x1F with colour b2 b1 b0, then a run of 1 repeating 0x1F whose colour
  // has bit 0 of b2 set and so brings b6 b5 b4 b7.
  const std::vector<uint8_t> stream = {0, 0x1F, 0x00, 0x22, 0x33, 1, 0x01, 0x44, 0x55, 6, 5, 4, 7};
  for (uint16_t bits : {32, 0, 64}) {
    std::vector<uint8_t> block = Block(2, 1, 0x4020, bits, 0, stream);
    block[17] = 1;  // pixel type
    CollectionBitmap bitmap;
    ASSERT_TRUE(Decode(block, bitmap)) << bits;
    EXPECT_EQ(bitmap.bytes_per_pixel, 8);
    EXPECT_EQ(bitmap.pixels, (std::vector<uint8_t>{0x33, 0x22, 0, 0x1F, 0, 0, 0, 0, 0x55, 0x44, 1,
                                                   0x1F, 4, 5, 6, 7}));
  }
  std::vector<uint8_t> block = Block(2, 1, 0x4020, 64, 0, stream);
  block[17] = 2;
  CollectionBitmap bitmap;
  std::string error;
  EXPECT_FALSE(BitmapCodec::Decode(block, kPalette, bitmap, error));
  block[17] = 1;
  block.pop_back();  // the last colour byte
  EXPECT_FALSE(BitmapCodec::Decode(block, kPalette, bitmap, error));
}

}  // namespace
