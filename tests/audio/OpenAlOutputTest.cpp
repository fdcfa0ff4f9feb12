// Playback through OpenAL Soft's file-writing backend: what the device would have sounded is
// read back from its WAV (32-bit float, stereo, at the device's own rate) and compared with the
// permutation's samples, resampled: the same length and, lined up, the same waveform.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "sound/OpenAlOutput.h"
#include "sound/SoundTag.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// What the wave backend wrote: its channels and rate, and the first channel in -1 ... 1.
struct Written {
  uint16_t channels = 0;
  uint32_t rate = 0;
  std::vector<float> left;
};

// Reads the fmt chunk and the data chunk of 32-bit float samples (all there is of the data
// chunk: the writer may leave an unfinished one's size unset).
bool ReadWritten(const fs::path& path, Written& out) {
  std::ifstream in(path, std::ios::binary);
  const std::string b((std::istreambuf_iterator<char>(in)), {});
  const size_t fmt = b.find("fmt "), data = b.find("data");
  if (fmt == std::string::npos || data == std::string::npos || data < fmt) return false;
  uint16_t bits = 0;
  std::memcpy(&out.channels, &b[fmt + 10], 2);
  std::memcpy(&out.rate, &b[fmt + 12], 4);
  std::memcpy(&bits, &b[fmt + 22], 2);
  if (bits != 32 || out.channels == 0) return false;
  for (size_t p = data + 8; p + 4u * out.channels <= b.size(); p += 4u * out.channels) {
    float v;
    std::memcpy(&v, &b[p], 4);
    out.left.push_back(v);
  }
  return !out.left.empty();
}

// The first and one past the last sample louder than `threshold`.
std::pair<size_t, size_t> Sounding(const std::vector<float>& v, float threshold) {
  size_t first = v.size(), last = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    if (std::fabs(v[i]) > threshold) {
      first = std::min(first, i);
      last = i + 1;
    }
  }
  return {first, last};
}

// `samples` (mono) taken to `rate` by linear interpolation, scaled to -1 ... 1.
std::vector<float> Resample(const std::vector<int16_t>& samples, uint32_t from, uint32_t rate) {
  const size_t n = samples.size() * rate / from;
  std::vector<float> out(n);
  for (size_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i) * from / rate;
    const size_t k = static_cast<size_t>(x);
    const double f = x - static_cast<double>(k);
    const double a = samples[k], b = k + 1 < samples.size() ? samples[k + 1] : 0;
    out[i] = static_cast<float>((a + (b - a) * f) / 32768.0);
  }
  return out;
}

// Normalised correlation of `ref` with `v` starting at `at`.
double Correlation(const std::vector<float>& ref, const std::vector<float>& v, size_t at) {
  double xy = 0, xx = 0, yy = 0;
  for (size_t i = 0; i < ref.size() && at + i < v.size(); ++i) {
    xy += ref[i] * v[at + i];
    xx += ref[i] * ref[i];
    yy += v[at + i] * v[at + i];
  }
  return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
}

// Two tones under a soft envelope, so the clip starts and ends near silence.
std::vector<int16_t> Chord(uint32_t rate, double seconds) {
  const size_t n = static_cast<size_t>(rate * seconds);
  std::vector<int16_t> v(n);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double envelope = std::sin(std::numbers::pi * t / seconds);
    const double s =
        std::sin(2 * std::numbers::pi * 440 * t) + 0.5 * std::sin(2 * std::numbers::pi * 1250 * t);
    v[i] = static_cast<int16_t>(std::lround(envelope * s * 14000));
  }
  return v;
}

class OpenAlOutputTest : public ::testing::Test {
 protected:
  // OpenAL Soft reads its configuration once per process: every test writes to the same file,
  // each after the previous one closed its device.
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("zarv_openal_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "alsoft.conf")
        << "[general]\ndrivers=wave\n[wave]\nfile=" << (dir_ / "out.wav").string() << "\n";
    ::setenv("ALSOFT_CONF", (dir_ / "alsoft.conf").c_str(), 1);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  // Waits (at most `limit` seconds) for the clip to end.
  static bool WaitForEnd(AudioOutput& out, double limit) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(limit);
    while (out.IsPlaying()) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  static inline fs::path dir_;
};

TEST_F(OpenAlOutputTest, ThePlayedPermutationReachesTheDeviceResampled) {
  constexpr uint32_t kRate = 22050;
  const SoundPermutation p = SoundTag::Encode("Chord", 1, kRate, Chord(kRate, 0.5));
  std::string why;
  std::unique_ptr<OpenAlOutput> out = OpenAlOutput::Open(why);
  ASSERT_NE(out, nullptr) << why;
  std::string error;
  ASSERT_TRUE(out->Play(p.samples, p.channels, p.RateHz(), error)) << error;
  // Play only starts it: the clip sounds on while the caller goes on.
  EXPECT_TRUE(out->IsPlaying());
  ASSERT_TRUE(WaitForEnd(*out, 10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  out.reset();  // closing the device finishes the file

  Written w;
  ASSERT_TRUE(ReadWritten(dir_ / "out.wav", w));
  EXPECT_EQ(w.channels, 2);
  ASSERT_GE(w.rate, 8000u);
  const std::vector<float> ref = Resample(p.samples, kRate, w.rate);
  const auto [first, last] = Sounding(w.left, 0.01f);
  ASSERT_LT(first, last) << "the device wrote only silence";
  const auto [ref_first, ref_last] = Sounding(ref, 0.01f);
  // The same length within 2 %, give or take the resampler's edges.
  EXPECT_NEAR(static_cast<double>(last - first), static_cast<double>(ref_last - ref_first),
              0.02 * static_cast<double>(ref.size()));
  // Lined up on the onset (searched a little either way), the waveforms agree.
  const size_t start = first > ref_first ? first - ref_first : 0;
  double best = 0;
  for (size_t at = start > 64 ? start - 64 : 0; at <= start + 64; ++at) {
    best = std::max(best, Correlation(ref, w.left, at));
  }
  EXPECT_GT(best, 0.95);
  // Loudness: a mono source panned to two channels keeps between a quarter and all its energy.
  double ref_energy = 0, energy = 0;
  for (float v : ref) ref_energy += v * v;
  for (float v : w.left) energy += v * v;
  EXPECT_GT(energy, 0.25 * ref_energy);
  EXPECT_LT(energy, 1.1 * ref_energy);
}

TEST_F(OpenAlOutputTest, StopSilencesTheClipAndBadClipsAreRefused) {
  constexpr uint32_t kRate = 11025;
  const SoundPermutation p = SoundTag::Encode("Long", 2, kRate, Chord(kRate, 8.0));
  std::string why;
  std::unique_ptr<OpenAlOutput> out = OpenAlOutput::Open(why);
  ASSERT_NE(out, nullptr) << why;
  std::string error;
  ASSERT_TRUE(out->Play(p.samples, p.channels, p.RateHz(), error)) << error;
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_TRUE(out->IsPlaying());
  out->Stop();
  EXPECT_FALSE(out->IsPlaying());
  EXPECT_FALSE(out->Play(p.samples, p.channels, 0, error));
  EXPECT_NE(error.find("0 Hz"), std::string::npos) << error;
  EXPECT_FALSE(out->Play(p.samples, 3, kRate, error));
  EXPECT_FALSE(out->IsPlaying());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  out.reset();

  Written w;
  ASSERT_TRUE(ReadWritten(dir_ / "out.wav", w));
  const auto [first, last] = Sounding(w.left, 0.01f);
  ASSERT_LT(first, last) << "the device wrote only silence";
  // Eight seconds were asked for; well under half of them sounded.
  EXPECT_LT(static_cast<double>(last - first) / w.rate, 3.0);
}

}  // namespace
