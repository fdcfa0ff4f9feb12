#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "terrain/DtexCodec.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Packs a string of '0' and '1' most significant bit first into 32-bit words stored
// little-endian, padding the last word with zeros; spaces are ignored.
Bytes Pack(const std::string& text) {
  std::string bits;
  for (char c : text)
    if (c == '0' || c == '1') bits += c;
  while (bits.size() % 32) bits += '0';
  Bytes out;
  for (size_t i = 0; i < bits.size(); i += 32) {
    const uint32_t word = static_cast<uint32_t>(std::stoul(bits.substr(i, 32), nullptr, 2));
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(word >> (8 * b)));
  }
  return out;
}

std::string Bits12(uint32_t v) {
  std::string s;
  for (int i = 11; i >= 0; --i) s += (v >> i) & 1 ? '1' : '0';
  return s;
}

Bytes Random(uint32_t width, uint32_t height, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes rgb(static_cast<size_t>(width) * height * 3);
  for (uint8_t& b : rgb) b = static_cast<uint8_t>(random());
  return rgb;
}

// Gradients with a little noise and a hard edge: what a real texture looks like to the
// predictors, residuals mostly small with some large ones.
Bytes Smooth(uint32_t width, uint32_t height, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes rgb(static_cast<size_t>(width) * height * 3);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      const int edge = x > width / 2 ? 90 : 0;
      p[0] = static_cast<uint8_t>(x * 3 + edge + random() % 5);
      p[1] = static_cast<uint8_t>(y * 2 + x + random() % 3);
      p[2] = static_cast<uint8_t>(200 - y - edge + random() % 7);
    }
  }
  return rgb;
}

DtexCodec::Decoded MustDecode(const Bytes& payload) {
  DtexCodec::Decoded decoded;
  std::string error;
  EXPECT_TRUE(DtexCodec::Decode(payload, decoded, error)) << error;
  return decoded;
}

std::string DecodeError(const Bytes& payload) {
  DtexCodec::Decoded decoded;
  std::string error;
  if (DtexCodec::Decode(payload, decoded, error)) return "<decoded>";
  EXPECT_FALSE(error.empty());
  return error;
}

// --------------------------------------------------------------------- the layout, by hand

// A 2 x 2 image in mode 0 with k = (3, 7, 0): pixel (0, 0) as it is; (1, 0) from the left
// neighbour; (0, 1) from the one above; (1, 1) from all three, its green through a difference
// predictor with a negative value that the arithmetic shift rounds down (-1713 >> 3 = -215).
const char* const kTwoByTwo =
    "000000000010 000000000010 00"
    "011 111 000"
    "10010 110"  // (10, 0, 2)
    "0101 110"   // e = 5, 0, 2: (13, 4, 5)
    "0100 0"     // e = 4, 0, 0: (8, 254, 0)
    "0011 10";   // e = 3, 0, 1: (13, 227, 5)

TEST(DtexCodecLayout, AHandMadeStreamDecodesToTheExpectedPixels) {
  const Bytes payload = Pack(kTwoByTwo);
  // The first word as stored: bits 31..24 of it come last.
  ASSERT_EQ(payload, (Bytes{0x1f, 0x02, 0x20, 0x00, 0x70, 0x90, 0xcb, 0x12}));
  const DtexCodec::Decoded d = MustDecode(payload);
  EXPECT_EQ(d.width, 2u);
  EXPECT_EQ(d.height, 2u);
  EXPECT_EQ(d.mode, 0);
  EXPECT_EQ(d.rgb, (Bytes{10, 0, 2, 13, 4, 5, 8, 254, 0, 13, 227, 5}));
}

TEST(DtexCodecLayout, TheFirstRowUsesTheFirstModesChannelsWhateverTheMode) {
  for (const char* mode : {"00", "01", "10"}) {
    const Bytes payload =
        Pack(std::string("000000000010 000000000001 ") + mode + "011 111 000 10010 110 0101 110");
    const DtexCodec::Decoded d = MustDecode(payload);
    EXPECT_EQ(d.rgb, (Bytes{10, 0, 2, 13, 4, 5})) << "mode bits " << mode;
  }
}

TEST(DtexCodecLayout, TheFirstColumnUsesTheModesChannels) {
  // Mode 2: blue is the base, green the first difference and red the second.
  const Bytes payload = Pack(
      "000000000001 000000000010 10"
      "010 010 010"
      "1000 001 1010"   // (4, 1, 6)
      "010 011 1000");  // e = 2, 3, 4
  EXPECT_EQ(MustDecode(payload).rgb, (Bytes{4, 1, 6, 5, 254, 5}));
  // The same residuals in mode 0 mean something else.
  Bytes mode0 = Pack(
      "000000000001 000000000010 00"
      "010 010 010 1000 001 1010 010 011 1000");
  EXPECT_NE(MustDecode(mode0).rgb, (Bytes{4, 1, 6, 5, 254, 5}));
}

TEST(DtexCodecLayout, RunsOfOnesAcrossWholeWordsDecode) {
  // One pixel with k = 0 for red: 200 ones, more than six whole words of them.
  const std::string ones(200, '1');
  const Bytes payload = Pack("000000000001 000000000001 00 000 111 111" + ones + "0");
  EXPECT_EQ(MustDecode(payload).rgb, (Bytes{200, 0, 0}));
  EXPECT_EQ(DtexCodec::EncodeWith(1, 1, Bytes{200, 0, 0}, 0, Bytes{0, 7, 7}), payload);
}

// ------------------------------------------------------------------------------ encoder

TEST(DtexCodecEncoder, AllZeroChannelsTakeSevenAndCostNoBits) {
  const Bytes black(8 * 8 * 3, 0);
  const Bytes payload = DtexCodec::Encode(8, 8, black);
  EXPECT_EQ(payload, Pack("000000001000 000000001000 00 111 111 111"));
}

TEST(DtexCodecEncoder, EachBlocksKIsTheCheapestAndTheSmallerOnATie) {
  // A red value of 1 costs 2 bits with k = 0 ("10") and with k = 1 ("01"): k = 0 wins.
  EXPECT_EQ(DtexCodec::Encode(1, 1, Bytes{1, 0, 0}),
            Pack("000000000001 000000000001 00 000 111 111 10"));
  // 40 costs 41, 22, 13 and 9 bits with k = 0 to 3, and 7 bits with each of 4 ("110 1000"),
  // 5 and 6: k = 4.
  EXPECT_EQ(DtexCodec::Encode(1, 1, Bytes{40, 0, 0}),
            Pack("000000000001 000000000001 00 100 111 111 110 1000"));
}

TEST(DtexCodecEncoder, TheModeIsTheSmallestAndTheLowerOnATie) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    const uint32_t w = 5 + seed * 3, h = 3 + seed * 2;
    Bytes rgb = Smooth(w, h, seed);
    // Some images lean on one channel so that each mode gets to win somewhere.
    for (size_t i = 0; i < rgb.size(); i += 3) rgb[i + seed % 3] = static_cast<uint8_t>(i % 251);
    size_t best = SIZE_MAX;
    int best_mode = -1;
    for (int mode = 0; mode < 3; ++mode) {
      const size_t size = DtexCodec::EncodeMode(w, h, rgb, mode).size();
      if (size < best) {
        best = size;
        best_mode = mode;
      }
    }
    int used = -1;
    const Bytes payload = DtexCodec::Encode(w, h, rgb, &used);
    EXPECT_EQ(used, best_mode) << "seed " << seed;
    EXPECT_EQ(payload.size(), best);
    EXPECT_EQ(MustDecode(payload).mode, best_mode);
  }
  // A grey image codes the same in every mode: mode 0.
  int used = -1;
  DtexCodec::Encode(16, 16, Bytes(16 * 16 * 3, 77), &used);
  EXPECT_EQ(used, 0);
}

TEST(DtexCodecEncoder, EqualPixelsGiveEqualBytes) {
  const Bytes a = Smooth(37, 29, 5);
  const Bytes b = a;
  EXPECT_EQ(DtexCodec::Encode(37, 29, a), DtexCodec::Encode(37, 29, b));
}

TEST(DtexCodecEncoder, RefusesSizesItCannotCode) {
  EXPECT_TRUE(DtexCodec::Encode(0, 4, Bytes{}).empty());
  EXPECT_TRUE(DtexCodec::Encode(4096, 1, Bytes(4096 * 3)).empty());
  EXPECT_TRUE(DtexCodec::Encode(2, 2, Bytes(11)).empty()) << "too few pixel bytes";
  EXPECT_TRUE(DtexCodec::EncodeWith(1, 1, Bytes{1, 0, 0}, 0, Bytes{7, 7, 7}).empty())
      << "k = 7 cannot code a value that is not 0";
  EXPECT_FALSE(DtexCodec::Encode(4095, 1, Bytes(4095 * 3)).empty());
}

// --------------------------------------------------------------------------- round trips

TEST(DtexCodecRoundTrip, EveryModeAtEdgeSizes) {
  const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {1, 13},  {17, 1}, {8, 8},
                                                 {9, 7}, {15, 17}, {64, 3}, {2, 33}};
  uint32_t seed = 0;
  for (const auto& [w, h] : sizes) {
    for (const Bytes& rgb : {Random(w, h, ++seed), Smooth(w, h, ++seed)}) {
      for (int mode = 0; mode < 3; ++mode) {
        const DtexCodec::Decoded d = MustDecode(DtexCodec::EncodeMode(w, h, rgb, mode));
        EXPECT_EQ(d.width, w);
        EXPECT_EQ(d.height, h);
        EXPECT_EQ(d.mode, mode);
        EXPECT_EQ(d.rgb, rgb) << w << " x " << h << " in mode " << mode;
      }
    }
  }
}

TEST(DtexCodecRoundTrip, AnyChoiceOfKDecodes) {
  std::mt19937 random(99);
  for (int round = 0; round < 40; ++round) {
    const uint32_t w = 1 + random() % 30, h = 1 + random() % 30;
    const Bytes rgb = round % 2 ? Random(w, h, round) : Smooth(w, h, round);
    Bytes ks(DtexCodec::BlockCount(w, h) * 3);
    for (uint8_t& k : ks) k = static_cast<uint8_t>(random() % 7);
    const int mode = static_cast<int>(random() % 3);
    const Bytes payload = DtexCodec::EncodeWith(w, h, rgb, mode, ks);
    ASSERT_FALSE(payload.empty());
    EXPECT_EQ(MustDecode(payload).rgb, rgb) << "round " << round;
  }
}

TEST(DtexCodecRoundTrip, TheSmallestPayloadOfTheModesDecodes) {
  const Bytes rgb = Smooth(256, 128, 3);
  const Bytes payload = DtexCodec::Encode(256, 128, rgb);
  EXPECT_EQ(MustDecode(payload).rgb, rgb);
  EXPECT_LT(payload.size(), rgb.size()) << "a smooth texture takes less than its pixels";
}

// --------------------------------------------------------------------------- bad streams

TEST(DtexCodecMalformed, ZeroSidesModeThreeAndPartialWordsAreRefused) {
  EXPECT_NE(DecodeError(Pack("000000000000 000000000001 00 111 111 111")), "<decoded>");
  EXPECT_NE(DecodeError(Pack("000000000001 000000000000 00 111 111 111")), "<decoded>");
  EXPECT_NE(DecodeError(Pack("000000000001 000000000001 11 111 111 111")).find("mode 3"),
            std::string::npos);
  Bytes partial = Pack("000000000001 000000000001 00 111 111 111");
  partial.push_back(0);
  EXPECT_NE(DecodeError(partial), "<decoded>");
  EXPECT_NE(DecodeError(Bytes{}), "<decoded>");
}

TEST(DtexCodecMalformed, ARunLongerThanAByteValueIsRefused) {
  // k = 0: 256 ones already stand for more than 255.
  EXPECT_NE(
      DecodeError(Pack("000000000001 000000000001 00 000 111 111" + std::string(256, '1') + "0")),
      "<decoded>");
  // k = 6: four ones are 256.
  EXPECT_NE(DecodeError(Pack("000000000001 000000000001 00 110 111 111 11110 000000")),
            "<decoded>");
  // Three are 192, with r = 63 the largest byte value.
  EXPECT_EQ(MustDecode(Pack("000000000001 000000000001 00 110 111 111 1110 111111")).rgb,
            (Bytes{255, 0, 0}));
  // Ones that run to the very end of the data (35 + 61 bits: three whole words).
  EXPECT_NE(DecodeError(Pack("000000000001 000000000001 00 000 111 111" + std::string(61, '1'))),
            "<decoded>");
}

TEST(DtexCodecMalformed, EveryCutOfAValidStreamIsRefused) {
  const Bytes payload = DtexCodec::Encode(13, 11, Smooth(13, 11, 8));
  for (size_t size = 0; size < payload.size(); size += 4) {
    const Bytes cut(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_NE(DecodeError(cut), "<decoded>") << size << " bytes";
  }
}

TEST(DtexCodecMalformed, ALargeSizeInATinyStreamAllocatesNothing) {
  const std::string error = DecodeError(Pack(Bits12(4095) + Bits12(4095) + "00 111 111 111"));
  EXPECT_NE(error.find("block parameters"), std::string::npos) << error;
}

// ------------------------------------------------------------------------------ tag data

Bytes TagData(uint32_t width, uint32_t height, const Bytes& payload, uint32_t length) {
  Bytes out;
  for (uint32_t v : {width, height, 0u})
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
  for (int s = 0; s < 32; s += 8) out.push_back(static_cast<uint8_t>(length >> s));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

TEST(DtexDataFormat, WritesABigEndianHeaderAndALittleEndianLength) {
  const Bytes rgb = Smooth(4, 2, 1);
  const Bytes payload = DtexCodec::Encode(4, 2, rgb);
  const Bytes data = DtexData::Write(4, 2, rgb);
  EXPECT_EQ(data, TagData(4, 2, payload, static_cast<uint32_t>(payload.size())));
  EXPECT_EQ(data[12], payload.size());
  EXPECT_EQ(data[15], 0);
  DtexCodec::Decoded d;
  std::string error;
  ASSERT_TRUE(DtexData::Read(data, d, error)) << error;
  EXPECT_EQ(d.rgb, rgb);
}

TEST(DtexDataFormat, TheLengthIsCheckedAgainstTheDataAndTheSidesAgainstThePayload) {
  const Bytes payload = Pack(kTwoByTwo);
  DtexCodec::Decoded d;
  d.rgb = {1, 2, 3};
  std::string error;
  EXPECT_FALSE(DtexData::Read(TagData(2, 2, payload, 12), d, error));
  EXPECT_NE(error.find("claims 12 bytes"), std::string::npos) << error;
  // A big-endian length reads as a huge one.
  EXPECT_FALSE(DtexData::Read(TagData(2, 2, payload, 0x08000000), d, error));
  EXPECT_FALSE(DtexData::Read(TagData(4, 2, payload, 8), d, error));
  EXPECT_NE(error.find("2 x 2"), std::string::npos) << error;
  EXPECT_FALSE(DtexData::Read(Bytes(15, 0), d, error));
  EXPECT_EQ(d.rgb, (Bytes{1, 2, 3})) << "a failed read leaves the output alone";
  // Bytes after the payload are not part of it.
  Bytes padded = TagData(2, 2, payload, 8);
  padded.insert(padded.end(), {9, 9, 9, 9});
  ASSERT_TRUE(DtexData::Read(padded, d, error)) << error;
  EXPECT_EQ(d.rgb, (Bytes{10, 0, 2, 13, 4, 5, 8, 254, 0, 13, 227, 5}));
}

}  // namespace
