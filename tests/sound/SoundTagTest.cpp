#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "sound/Ima4.h"
#include "sound/SoundTag.h"

namespace {

// One permutation as its descriptor says it, with the bytes of its blocks.
struct PermBytes {
  std::string name = "Tone";
  uint32_t flags = 1;
  uint16_t bits = 16;
  uint16_t channels = 1;
  uint32_t rate = 22050u << 16;
  uint32_t blocks = 0;
  std::vector<uint8_t> data;  // written as is, whatever `blocks` says
};

PermBytes Encoded(std::string name, uint16_t channels, const std::vector<int16_t>& samples) {
  PermBytes p;
  p.name = std::move(name);
  p.channels = channels;
  p.data = Ima4::Encode(samples, channels);
  p.blocks = static_cast<uint32_t>(p.data.size() / Ima4::kBlockBytes);
  return p;
}

std::vector<int16_t> Ramp(size_t count, int from, int by) {
  std::vector<int16_t> out(count);
  for (size_t i = 0; i < count; ++i) out[i] = int16_t(from + by * int(i % 200));
  return out;
}

// Sound data laid out field by field: the header, then `gap` bytes of 0xEE, then the
// descriptors and the blocks, and the names at the end; `count` overrides the permutation count
// and the offsets can be moved anywhere.
struct SoundBytes {
  std::vector<PermBytes> perms;
  size_t gap = 0;
  int64_t count = -1;
  int64_t names_at = -1, descriptors_at = -1;

  std::vector<uint8_t> Make() const {
    const size_t n = perms.size();
    size_t blocks = 0;
    for (const PermBytes& p : perms) blocks += p.data.size();
    const uint32_t desc = uint32_t(64 + gap);
    const uint32_t names = uint32_t(desc + 32 * n + blocks);
    ByteWriter w;
    w.WriteU32Be(0xFFFFFFFF);  // flags and parameters this reader ignores
    for (int i = 0; i < 8; ++i) w.WriteU16Be(0xABCD);
    w.WriteU32Be(descriptors_at >= 0 ? uint32_t(descriptors_at) : desc);
    w.WriteU32Be(7);
    w.WriteU32Be(9);
    w.WriteU16Be(1);
    w.WriteU16Be(0xFFFF);
    w.WriteU32Be(count >= 0 ? uint32_t(count) : uint32_t(n));
    w.WriteU32Be(names_at >= 0 ? uint32_t(names_at) : names);
    while (w.size() < 64) w.WriteU8(0x55);
    for (size_t i = 0; i < gap; ++i) w.WriteU8(0xEE);
    for (const PermBytes& p : perms) {
      w.WriteU32Be(p.flags);
      w.WriteU16Be(p.bits);
      w.WriteU16Be(0x1111);
      w.WriteU16Be(p.channels);
      w.WriteU16Be(0x2222);
      w.WriteU32Be(p.rate);
      w.WriteU32Be(p.blocks);
      w.WriteU32Be(0x33333333);
      w.WriteU32Be(0x44444444);
      w.WriteU32Be(0xDEADBEEF);  // the sample pointer slot
    }
    for (const PermBytes& p : perms) w.WriteBytes(p.data);
    for (const PermBytes& p : perms) {
      w.WriteU16Be(1);
      w.WriteU16Be(2);
      w.WriteU16Be(3);
      // Raw, so a 26-character name fills the field up to byte 31.
      std::string field = p.name;
      field.resize(26, '\0');
      w.WriteBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(field.data()), 26));
    }
    return w.Take();
  }
};

TEST(SoundTagRead, DecodesEveryPermutationFromTheBlocksAfterTheLastDescriptor) {
  const std::vector<int16_t> mono = Ramp(640, -5000, 50);
  const std::vector<int16_t> stereo = Ramp(256, 3000, -40);
  SoundBytes s;
  s.perms = {Encoded("Low", 1, mono), Encoded("Wide", 2, stereo), PermBytes{}};
  s.perms[2].name = "Empty";
  s.perms[2].channels = 7;  // no blocks: any channel count will do
  s.gap = 40;
  SoundTag tag;
  std::string error;
  ASSERT_TRUE(SoundTag::Read(s.Make(), tag, error)) << error;
  ASSERT_EQ(tag.permutations.size(), 3u);
  const SoundPermutation& low = tag.permutations[0];
  EXPECT_EQ(low.name, "Low");
  EXPECT_EQ(low.RateHz(), 22050u);
  EXPECT_EQ(low.blocks, 10u);
  EXPECT_EQ(low.samples, Ima4::Decode(s.perms[0].data, 10, 1));
  const SoundPermutation& wide = tag.permutations[1];
  EXPECT_EQ(wide.channels, 2);
  EXPECT_EQ(wide.samples, Ima4::Decode(s.perms[1].data, 4, 2));
  EXPECT_EQ(wide.samples.size(), 256u);
  EXPECT_TRUE(tag.permutations[2].samples.empty());
  EXPECT_EQ(tag.permutations[2].ChannelsText(), "7");
}

TEST(SoundTagRead, KeepsAtMost25CharactersOfAName) {
  SoundBytes s;
  s.perms = {PermBytes{}};
  s.perms[0].name = std::string(26, 'N');
  SoundTag tag;
  std::string error;
  ASSERT_TRUE(SoundTag::Read(s.Make(), tag, error)) << error;
  EXPECT_EQ(tag.permutations[0].name, std::string(25, 'N'));
}

TEST(SoundTagRead, AnOddStereoBlockIsSkippedButTheNextPermutationStartsAfterIt) {
  SoundBytes s;
  s.perms = {Encoded("Odd", 2, Ramp(384, 0, 30)), Encoded("Next", 1, Ramp(64, 900, 7))};
  ASSERT_EQ(s.perms[0].blocks, 6u);
  // Three frames and one lone block that belongs to no frame.
  s.perms[0].data.resize(7 * Ima4::kBlockBytes, 0x77);
  s.perms[0].blocks = 7;
  SoundTag tag;
  std::string error;
  ASSERT_TRUE(SoundTag::Read(s.Make(), tag, error)) << error;
  EXPECT_EQ(tag.permutations[0].samples.size(), 3u * 2 * 64);
  EXPECT_EQ(tag.permutations[0].Frames(), 3u);
  EXPECT_EQ(tag.permutations[1].samples, Ima4::Decode(s.perms[1].data, 1, 1));
}

TEST(SoundTagRead, RefusesBadTagsWithAReasonAndLeavesTheOutputAlone) {
  const auto base = [] {
    SoundBytes s;
    s.perms = {Encoded("A", 1, Ramp(128, 0, 10)), Encoded("B", 2, Ramp(256, 0, 10))};
    return s;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  {
    std::vector<uint8_t> b = base().Make();
    b.resize(63);
    cases.push_back({"shorter than the header", b});
  }
  {
    SoundBytes s = base();
    s.count = 0x08000000;  // x 32 wraps to 0 in 32 bits
    cases.push_back({"count that wraps", s.Make()});
  }
  {
    SoundBytes s = base();
    s.count = 3;  // one descriptor more than there is room for before the end
    s.names_at = 64;
    std::vector<uint8_t> b = s.Make();
    b.resize(64 + 3 * 32 - 1);
    cases.push_back({"descriptors past the end", b});
  }
  {
    SoundBytes s = base();
    s.names_at = 0xFFFFFFF0;
    cases.push_back({"names past the end", s.Make()});
  }
  {
    SoundBytes s = base();
    s.descriptors_at = 0xFFFFFFE0;
    cases.push_back({"descriptors offset past the end", s.Make()});
  }
  {
    SoundBytes s = base();
    s.perms[1].blocks = 0x80000000;  // x 34 and x 128 both wrap to 0 in 32 bits
    cases.push_back({"block count that wraps", s.Make()});
  }
  {
    SoundBytes s = base();
    s.perms[0].blocks = 0x80000000;
    s.perms[1].blocks = 0x80000000;  // the sum wraps in 32 bits
    cases.push_back({"block counts whose sum wraps", s.Make()});
  }
  {
    // The names in the gap before the descriptors, so only the last block's final byte is cut.
    SoundBytes s = base();
    s.gap = 64;
    s.names_at = 64;
    std::vector<uint8_t> b = s.Make();
    b.resize(64 + 64 + 2 * 32 + 5 * 34 - 1);
    cases.push_back({"blocks cut short", b});
  }
  {
    SoundBytes s = base();
    s.perms[1].bits = 8;
    cases.push_back({"8-bit samples", s.Make()});
  }
  {
    SoundBytes s = base();
    s.perms[0].flags = 0xFFFFFFFE;
    cases.push_back({"compressed flag cleared", s.Make()});
  }
  {
    SoundBytes s = base();
    s.perms[1].channels = 3;
    cases.push_back({"three channels with blocks", s.Make()});
  }
  {
    SoundBytes s = base();
    s.perms.push_back(PermBytes{});
    s.perms.back().channels = 0;
    cases.push_back({"no channels without blocks", s.Make()});
  }
  {
    SoundBytes s = base();
    s.perms.push_back(PermBytes{});
    s.perms.back().bits = 24;
    cases.push_back({"24-bit without blocks", s.Make()});
  }
  for (const Case& c : cases) {
    SoundTag tag;
    tag.permutations.resize(1);
    tag.permutations[0].name = "kept";
    std::string error;
    EXPECT_FALSE(SoundTag::Read(c.bytes, tag, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    ASSERT_EQ(tag.permutations.size(), 1u) << c.what;
    EXPECT_EQ(tag.permutations[0].name, "kept") << c.what;
  }
  // The same tag without the faults reads.
  SoundTag tag;
  std::string error;
  EXPECT_TRUE(SoundTag::Read(base().Make(), tag, error)) << error;
  // An uncompressed permutation without blocks has nothing to decode and is fine.
  SoundBytes s = base();
  s.perms.push_back(PermBytes{});
  s.perms.back().flags = 0;
  EXPECT_TRUE(SoundTag::Read(s.Make(), tag, error)) << error;
}

TEST(SoundTagWrite, ReadsBackTheSamePermutations) {
  SoundTag tag;
  tag.permutations.push_back(SoundTag::Encode("Hum", 1, 11025, Ramp(300, -100, 3)));
  tag.permutations.push_back(SoundTag::Encode("Both", 2, 44100, Ramp(500, 20, -9)));
  tag.permutations.push_back(SoundPermutation{});
  tag.permutations.back().name = "Silent";
  SoundTag back;
  std::string error;
  ASSERT_TRUE(SoundTag::Read(tag.Write(), back, error)) << error;
  ASSERT_EQ(back.permutations.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.permutations[i].name, tag.permutations[i].name);
    EXPECT_EQ(back.permutations[i].channels, tag.permutations[i].channels);
    EXPECT_EQ(back.permutations[i].rate, tag.permutations[i].rate);
    EXPECT_EQ(back.permutations[i].blocks, tag.permutations[i].blocks);
    EXPECT_EQ(back.permutations[i].samples, tag.permutations[i].samples);
  }
  EXPECT_EQ(back.permutations[1].blocks, 8u);  // 250 frames: 4 blocks a channel
}

TEST(SoundPermutationRows, DurationsInWholeSeconds) {
  SoundPermutation p;
  p.channels = 1;
  p.blocks = 100;
  p.rate = 22050u << 16;
  EXPECT_EQ(p.DurationText(), "00:00");  // 6400 samples
  p.blocks = 21018;                      // 61.005 s
  EXPECT_EQ(p.DurationText(), "01:01");
  p.blocks = 1256850;  // 3648 s exactly
  EXPECT_EQ(p.DurationText(), "01:00:48");
  p.blocks -= 1;
  EXPECT_EQ(p.DurationText(), "01:00:47");
  // Stereo counts frames: 200 blocks are 100 frames of 64 at 100 Hz.
  p.channels = 2;
  p.blocks = 200;
  p.rate = (100u << 16) | 0xFFFF;  // the fraction is ignored
  EXPECT_EQ(p.DurationText(), "01:04");
  p.rate = 0xFFFF;  // under 1 Hz
  EXPECT_EQ(p.DurationText(), "00:00");
  EXPECT_EQ(SoundPermutation::FormatDuration(uint64_t{0xFFFFFFFF}, 1), "76354974:08:00");
}

}  // namespace
