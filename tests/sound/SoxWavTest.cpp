// WAV files of encoded tones must read in sox with our rate, channels, depth and length, and
// sox must read back exactly our samples. Skipped without sox.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "sound/SoundTag.h"
#include "sound/WavFile.h"

namespace {

namespace fs = std::filesystem;

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

std::vector<int16_t> Tone(size_t frames, uint16_t channels, double hz, uint32_t rate) {
  std::vector<int16_t> out(frames * channels);
  for (size_t i = 0; i < frames; ++i)
    for (uint16_t c = 0; c < channels; ++c)
      out[i * channels + c] =
          int16_t(15000 * std::sin(2 * std::numbers::pi * hz * (c + 1) * double(i) / rate));
  return out;
}

TEST(SoxReadsOurWav, HeaderFieldsAndEverySample) {
  if (std::system("command -v sox >/dev/null 2>&1 && command -v soxi >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no sox";
  const fs::path dir = fs::temp_directory_path() / ("zarv_sox_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  struct Case {
    uint16_t channels;
    uint32_t rate;
    size_t frames;
  };
  for (const Case& c : {Case{1, 22050, 22050}, Case{2, 11025, 5000}}) {
    const SoundPermutation p =
        SoundTag::Encode("Tone", c.channels, c.rate, Tone(c.frames, c.channels, 440, c.rate));
    const fs::path path = dir / ("tone" + std::to_string(c.channels) + ".wav");
    std::string error;
    ASSERT_TRUE(WavFile::Write(path, p, error)) << error;
    const std::string q = "'" + path.string() + "'";
    EXPECT_EQ(Capture("soxi -r " + q), std::to_string(c.rate) + "\n");
    EXPECT_EQ(Capture("soxi -c " + q), std::to_string(c.channels) + "\n");
    EXPECT_EQ(Capture("soxi -b " + q), "16\n");
    EXPECT_EQ(Capture("soxi -s " + q), std::to_string(p.Frames() * 64) + "\n");
    const std::string raw = Capture("sox " + q + " -t raw -e signed-integer -b 16 -L -");
    ASSERT_EQ(raw.size(), p.samples.size() * 2);
    for (size_t i = 0; i < p.samples.size(); ++i) {
      const auto v = int16_t(uint8_t(raw[2 * i]) | uint8_t(raw[2 * i + 1]) << 8);
      ASSERT_EQ(v, p.samples[i]) << c.channels << " channels, sample " << i;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
