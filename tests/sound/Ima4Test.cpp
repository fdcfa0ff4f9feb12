#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sound/Ima4.h"

namespace {

// A block with this header and these codes (in playing order), the rest of the codes 0.
std::array<uint8_t, Ima4::kBlockBytes> Block(uint16_t header, std::vector<uint8_t> codes) {
  std::array<uint8_t, Ima4::kBlockBytes> b{};
  b[0] = static_cast<uint8_t>(header >> 8);
  b[1] = static_cast<uint8_t>(header);
  for (size_t i = 0; i < codes.size(); ++i) b[2 + i / 2] |= uint8_t(codes[i] << (i % 2 ? 4 : 0));
  return b;
}

std::vector<int16_t> DecodeOne(const std::array<uint8_t, Ima4::kBlockBytes>& block) {
  std::vector<int16_t> out(64);
  Ima4::DecodeBlock(block, out.data(), 1);
  return out;
}

TEST(Ima4DecodeBlock, FollowsTheStepsFromTheHeadersPredictorAndIndex) {
  // From predictor 0 and index 0 (step 7), worked by hand: +7 (index 2, step 9), +10 (index 4,
  // step 11), +8 (index 3, step 10), -8 (index 2), then code 0 adds step/8 until the step is 7.
  const std::vector<int16_t> out = DecodeOne(Block(0x0000, {4, 4, 3, 11}));
  const std::vector<int16_t> start(out.begin(), out.begin() + 7);
  EXPECT_EQ(start, (std::vector<int16_t>{7, 17, 25, 17, 18, 19, 19}));
  EXPECT_EQ(out[63], 19);
}

TEST(Ima4DecodeBlock, HeaderKeepsTheTopNineBitsAsASignedPredictor) {
  // 0x92B4: predictor 0x9280 (-28032), index 0x34 = 52 (step 1060); code 0 adds 1060 / 8.
  EXPECT_EQ(DecodeOne(Block(0x92B4, {}))[0], -28032 + 132);
  // The low nibble of each byte plays first: code 4 then code 0 at step 7.
  const std::vector<int16_t> out = DecodeOne(Block(0x0000, {4, 0}));
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[1], 8);  // index 2, step 9: +1
}

TEST(Ima4DecodeBlock, ClampsThePredictorAtBothEnds) {
  // Index 88 (step 32767): code 7 adds 61436, code 15 takes it away again.
  const std::vector<int16_t> out = DecodeOne(Block(0x7F80 | 88, {7, 7, 15, 15}));
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], 32767);
  EXPECT_EQ(out[2], 32767 - 61436);
  EXPECT_EQ(out[3], -32768);
  // From the bottom: code 9 at step 7 takes 1 below -32768.
  EXPECT_EQ(DecodeOne(Block(0x8000, {9}))[0], -32768);
}

TEST(Ima4DecodeBlock, ClampsAHeaderIndexAbove88) {
  const std::vector<int16_t> at88 = DecodeOne(Block(88, {1, 2, 12, 5}));
  EXPECT_EQ(at88[0], 4095 + 8191);
  for (uint16_t index : {89, 100, 127}) {
    EXPECT_EQ(DecodeOne(Block(index, {1, 2, 12, 5})), at88) << "header index " << index;
  }
}

TEST(Ima4Decode, InterleavesStereoFramesAndDropsAnUnfinishedFrame) {
  // Code 0 at step 7 adds nothing, so every block plays its predictor.
  std::vector<uint8_t> data;
  for (uint16_t header : {0x1000, 0xF000, 0x2000, 0xE000, 0x3000}) {
    const auto b = Block(header, {});
    data.insert(data.end(), b.begin(), b.end());
  }
  const std::vector<int16_t> out = Ima4::Decode(data, 5, 2);
  ASSERT_EQ(out.size(), 2u * 2 * 64);
  for (size_t k = 0; k < 128; ++k) {
    const int frame = k < 64 ? 1 : 2;
    ASSERT_EQ(out[2 * k], 4096 * frame) << k;
    ASSERT_EQ(out[2 * k + 1], -4096 * frame) << k;
  }
  EXPECT_EQ(Ima4::Decode(data, 5, 1).size(), 5u * 64);
}

double Snr(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t offset,
           size_t stride, size_t count) {
  double signal = 0, noise = 0;
  for (size_t i = 0; i < count; ++i) {
    const double x = a[offset + i * stride], y = b[offset + i * stride];
    signal += x * x;
    noise += (x - y) * (x - y);
  }
  return 10 * std::log10(signal / std::max(noise, 1.0));
}

TEST(Ima4Encode, TonesDecodeCloseToTheOriginalPerChannel) {
  const size_t frames = 1000;  // not a whole number of blocks
  std::vector<int16_t> stereo(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    stereo[2 * i] = int16_t(12000 * std::sin(2 * M_PI * 440 * double(i) / 22050));
    stereo[2 * i + 1] = int16_t(-20000 * std::sin(2 * M_PI * 660 * double(i) / 22050));
  }
  const std::vector<uint8_t> blocks = Ima4::Encode(stereo, 2);
  ASSERT_EQ(blocks.size(), 16u * 2 * Ima4::kBlockBytes);
  const std::vector<int16_t> back = Ima4::Decode(blocks, 32, 2);
  ASSERT_EQ(back.size(), 16u * 64 * 2);
  // Past the first block, where the step has adapted from its smallest.
  EXPECT_GT(Snr(stereo, back, 128, 2, frames - 64), 25.0);
  EXPECT_GT(Snr(stereo, back, 129, 2, frames - 64), 25.0);
  // The padding after the last frame is silence, reached from the tone's last sample.
  EXPECT_LT(std::abs(back.back()), 400);
}

TEST(Ima4Encode, SilenceAndFullScaleSurvive) {
  EXPECT_EQ(Ima4::Decode(Ima4::Encode(std::vector<int16_t>(64, 0), 1), 1, 1),
            std::vector<int16_t>(64, 0));
  // A square wave at full scale: the clamped predictor must still follow it.
  std::vector<int16_t> square(640);
  for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 160) % 2 ? -32768 : 32767;
  const std::vector<int16_t> back = Ima4::Decode(Ima4::Encode(square, 1), 10, 1);
  for (size_t i : {100, 150, 260, 310, 420, 470, 580, 630})
    EXPECT_NEAR(back[i], square[i], 2000) << i;
}

}  // namespace
