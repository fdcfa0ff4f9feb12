#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sound/SoundTag.h"
#include "sound/WavFile.h"

namespace {

namespace fs = std::filesystem;

class WavFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zarv_wav_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::vector<uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
  }
  static uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
  }
  static std::string Text(const std::vector<uint8_t>& b, size_t at) {
    return std::string(b.begin() + long(at), b.begin() + long(at) + 4);
  }

  fs::path dir_;
};

TEST_F(WavFileTest, HundredMonoBlocksMake12800BytesOfDataInA12836ByteRiff) {
  SoundPermutation p;
  p.blocks = 100;
  p.channels = 1;
  p.rate = 22050u << 16;
  p.samples.resize(6400);
  for (size_t i = 0; i < p.samples.size(); ++i) p.samples[i] = int16_t(i * 37 - 30000);
  std::string error;
  ASSERT_TRUE(WavFile::Write(dir_ / "mono.wav", p, error)) << error;
  const std::vector<uint8_t> b = Bytes(dir_ / "mono.wav");
  ASSERT_EQ(b.size(), 44u + 12800);
  EXPECT_EQ(Text(b, 0), "RIFF");
  EXPECT_EQ(U32(b, 4), 12836u);
  EXPECT_EQ(Text(b, 8), "WAVE");
  EXPECT_EQ(Text(b, 12), "fmt ");
  EXPECT_EQ(U32(b, 16), 16u);
  EXPECT_EQ(U16(b, 20), 1);  // PCM
  EXPECT_EQ(U16(b, 22), 1);
  EXPECT_EQ(U32(b, 24), 22050u);
  EXPECT_EQ(U32(b, 28), 44100u);
  EXPECT_EQ(U16(b, 32), 2);
  EXPECT_EQ(U16(b, 34), 16);
  EXPECT_EQ(Text(b, 36), "data");
  EXPECT_EQ(U32(b, 40), 12800u);
  // Little-endian samples, past the first chunk of the writer too.
  for (size_t i : {size_t{0}, size_t{1}, size_t{4095}, size_t{4096}, size_t{6399}})
    EXPECT_EQ(int16_t(U16(b, 44 + 2 * i)), p.samples[i]) << i;
}

TEST_F(WavFileTest, StereoFramesAreInterleavedWithTheirBlockAlign) {
  // Left rises, right falls: the tag's blocks go left, right, left, right.
  std::vector<int16_t> stereo(2 * 128);
  for (size_t i = 0; i < 128; ++i) {
    stereo[2 * i] = int16_t(100 * i);
    stereo[2 * i + 1] = int16_t(-100 * int(i));
  }
  const SoundPermutation p = SoundTag::Encode("Both", 2, 44100, stereo);
  ASSERT_EQ(p.blocks, 4u);
  std::string error;
  ASSERT_TRUE(WavFile::Write(dir_ / "stereo.wav", p, error)) << error;
  const std::vector<uint8_t> b = Bytes(dir_ / "stereo.wav");
  ASSERT_EQ(b.size(), 44u + 4 * 64 * 2);
  EXPECT_EQ(U16(b, 22), 2);
  EXPECT_EQ(U32(b, 28), 44100u * 4);
  EXPECT_EQ(U16(b, 32), 4);
  for (size_t i = 0; i < p.samples.size(); ++i)
    ASSERT_EQ(int16_t(U16(b, 44 + 2 * i)), p.samples[i]) << i;
  // The decoded frames follow the two channels apart.
  EXPECT_GT(int16_t(U16(b, 44 + 4 * 120)), 8000);
  EXPECT_LT(int16_t(U16(b, 44 + 4 * 120 + 2)), -8000);
}

TEST_F(WavFileTest, RefusalsGiveAReasonAndLeaveAnOldFileAlone) {
  const fs::path path = dir_ / "old.wav";
  { std::ofstream(path) << "old contents"; }
  const std::vector<uint8_t> old = Bytes(path);
  SoundPermutation p = SoundTag::Encode("Slow", 1, 8000, std::vector<int16_t>(64, 5));
  p.rate = 0xFFFF;  // under 1 Hz
  std::string error;
  EXPECT_FALSE(WavFile::Write(path, p, error));
  EXPECT_NE(error.find("1 Hz"), std::string::npos) << error;
  SoundPermutation empty;
  error.clear();
  EXPECT_FALSE(WavFile::Write(path, empty, error));
  EXPECT_FALSE(error.empty());
  // A folder that does not exist: nothing is written anywhere.
  p.rate = 8000u << 16;
  error.clear();
  EXPECT_FALSE(WavFile::Write(dir_ / "missing" / "x.wav", p, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Bytes(path), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  // And a good write replaces it whole.
  ASSERT_TRUE(WavFile::Write(path, p, error)) << error;
  EXPECT_EQ(Bytes(path).size(), 44u + 128);
}

TEST_F(WavFileTest, RefusesMoreDataThanTheRiffSizeCanCount) {
  // 4 GiB of address space, never touched: the refusal must come before any sample is read.
  const size_t largest = size_t{WavFile::kMaxDataSize / 2};
  const size_t bytes = (largest + 1) * 2;
  void* map = ::mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(map, MAP_FAILED);
  const std::span<const int16_t> samples(static_cast<const int16_t*>(map), largest + 1);
  std::string error;
  EXPECT_FALSE(WavFile::Write(dir_ / "huge.wav", 22050, 1, samples, error));
  EXPECT_NE(error.find("more than"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(dir_ / "huge.wav"));
  ::munmap(map, bytes);
  EXPECT_EQ(WavFile::kMaxDataSize, (uint64_t{1} << 32) - 37);
  EXPECT_EQ(U32(WavFile::Header(16, 1, 1, uint32_t(WavFile::kMaxDataSize)), 4), 0xFFFFFFFFu);
}

TEST(WavExportNames, StayInTheFolderAndNumberRepeats) {
  const std::vector<std::string> names = {"Dup", "Dup",   "a/b",       "..",
                                          "",    "Dup 2", "../tags/x", "Dup"};
  EXPECT_EQ(
      WavFile::ExportNames(names),
      (std::vector<std::string>{"Dup.wav", "Dup 2.wav", "a_b.wav", "_.wav", "Permutation 4.wav",
                                "Dup 2 2.wav", ".._tags_x.wav", "Dup 3.wav"}));
}

}  // namespace
