#include "tools/zarv-tool/DemoSounds.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sound/SoundTag.h"

namespace demosounds {
namespace {

constexpr uint16_t kRate = 22050;

int16_t Clamp(double v) {
  return static_cast<int16_t>(std::lround(std::clamp(v, -32767.0, 32767.0)));
}

// A struck bell: a few inharmonic partials dying away exponentially.
std::vector<int16_t> Bell(double pitch, double seconds) {
  const size_t n = static_cast<size_t>(seconds * kRate);
  std::vector<int16_t> out(n);
  constexpr double kPartials[][2] = {{1.0, 1.0}, {2.76, 0.5}, {5.4, 0.25}};
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0;
    for (const auto& [ratio, gain] : kPartials)
      v += gain * std::sin(2 * std::numbers::pi * pitch * ratio * t) * std::exp(-t * 3 * ratio);
    out[i] = Clamp(v * 14000);
  }
  return out;
}

// A horn in stereo: odd harmonics with a soft attack, the right channel a fifth above the left.
std::vector<int16_t> Horn(double pitch, double seconds) {
  const size_t n = static_cast<size_t>(seconds * kRate);
  std::vector<int16_t> out(2 * n);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double envelope = std::min(1.0, t * 20) * std::min(1.0, (seconds - t) * 10);
    for (int c = 0; c < 2; ++c) {
      const double f = pitch * (c == 0 ? 1.0 : 1.5);
      double v = 0;
      for (int h = 1; h <= 7; h += 2) v += std::sin(2 * std::numbers::pi * f * h * t) / h;
      out[2 * i + c] = Clamp(v * envelope * 12000);
    }
  }
  return out;
}

// Rain and wind: noise from a fixed generator (the demo is the same on every run), low-passed;
// the smaller `smoothing` the darker.
std::vector<int16_t> Noise(uint32_t seed, double smoothing, double seconds, double gain) {
  const size_t n = static_cast<size_t>(seconds * kRate);
  std::vector<int16_t> out(n);
  uint32_t state = seed;
  double low = 0;
  for (size_t i = 0; i < n; ++i) {
    state = state * 1664525u + 1013904223u;
    const double white = static_cast<double>(state >> 8) / (1u << 23) - 1.0;
    low += smoothing * (white - low);
    const double t = static_cast<double>(i) / kRate;
    const double swell = 0.6 + 0.4 * std::sin(2 * std::numbers::pi * 0.7 * t);
    out[i] = Clamp(low * swell * gain);
  }
  return out;
}

}  // namespace

bool Makes(std::string_view group, std::string_view id) {
  return group == "soun" && (id == "bell" || id == "horn" || id == "rain" || id == "wind");
}

std::vector<uint8_t> Data(std::string_view id, std::string_view name) {
  SoundTag tag;
  const bool local = name.find("local") != std::string_view::npos;
  const bool remastered = name.find("remastered") != std::string_view::npos;
  if (id == "bell") {
    const double pitch = local ? 660 : 880;
    tag.permutations.push_back(SoundTag::Encode("Ring", 1, kRate, Bell(pitch, 0.8)));
    tag.permutations.push_back(SoundTag::Encode("Ring low", 1, kRate, Bell(pitch / 2, 1.0)));
  } else if (id == "horn") {
    tag.permutations.push_back(
        SoundTag::Encode("Call", 2, kRate, Horn(remastered ? 196 : 220, 0.6)));
  } else if (id == "rain") {
    tag.permutations.push_back(SoundTag::Encode("Drizzle", 1, kRate, Noise(7, 0.6, 1.0, 6000)));
    tag.permutations.push_back(SoundTag::Encode("Downpour", 1, kRate, Noise(11, 0.9, 1.0, 12000)));
  } else if (id == "wind") {
    tag.permutations.push_back(SoundTag::Encode("Gust", 1, kRate, Noise(3, 0.05, 1.2, 30000)));
  }
  return tag.Write();
}

}  // namespace demosounds
