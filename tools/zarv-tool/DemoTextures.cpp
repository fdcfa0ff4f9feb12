#include "tools/zarv-tool/DemoTextures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"
#include "terrain/DtexCodec.h"

namespace demotextures {

namespace {

constexpr uint32_t kSide = 128;

// A lattice value from 0 to 1 for integer point (x, y) of a lattice `period` cells wide.
float Lattice(uint32_t x, uint32_t y, uint32_t period, uint32_t seed) {
  uint32_t h = (x % period) * 73856093u ^ (y % period) * 19349663u ^ seed * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return static_cast<float>(h & 0xFFFF) / 65535.0f;
}

// Value noise on a lattice whose period divides the tile, so the tile wraps without a seam.
float Noise(float u, float v, uint32_t period, uint32_t seed) {
  const float x = u * static_cast<float>(period), y = v * static_cast<float>(period);
  const auto x0 = static_cast<uint32_t>(x), y0 = static_cast<uint32_t>(y);
  const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
  const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const float a = Lattice(x0, y0, period, seed), b = Lattice(x0 + 1, y0, period, seed);
  const float c = Lattice(x0, y0 + 1, period, seed), d = Lattice(x0 + 1, y0 + 1, period, seed);
  return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

// Octaves from coarse to fine, 0 to 1.
float Fractal(float u, float v, uint32_t seed, uint32_t first_period = 4, int octaves = 4) {
  float sum = 0, weight = 0, amplitude = 1;
  uint32_t period = first_period;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * Noise(u, v, period, seed + static_cast<uint32_t>(i));
    weight += amplitude;
    amplitude *= 0.5f;
    period *= 2;
  }
  return sum / weight;
}

uint8_t Byte(float value) {
  return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f));
}

}  // namespace

const std::vector<Texture>& Textures() {
  static const std::vector<Texture> textures = {
      {"wate", "Water"}, {"ston", "Stone"}, {"gras", "Grass"},
      {"sand", "Sand"},  {"dirt", "Dirt"},  {"snow", "Snow"},
  };
  return textures;
}

std::vector<uint8_t> Pixels(std::string_view id, uint32_t side) {
  std::vector<uint8_t> rgb(static_cast<size_t>(side) * side * 3);
  const float two_pi = 2 * std::numbers::pi_v<float>;
  for (uint32_t y = 0; y < side; ++y) {
    for (uint32_t x = 0; x < side; ++x) {
      const float u = static_cast<float>(x) / static_cast<float>(side);
      const float v = static_cast<float>(y) / static_cast<float>(side);
      float r = 0, g = 0, b = 0;
      if (id == "wate") {
        // Swell along a diagonal with ripples over it; whole waves fit the tile.
        const float wave = std::sin(two_pi * (2 * u + 3 * v) + 4 * Fractal(u, v, 1));
        const float n = Fractal(u, v, 2, 8, 3);
        r = 20 + 25 * n;
        g = 70 + 30 * wave + 40 * n;
        b = 140 + 35 * wave + 50 * n;
      } else if (id == "ston") {
        const float n = Fractal(u, v, 3);
        // Cracks where the fine noise crosses the middle.
        const float crack = std::abs(Fractal(u, v, 4, 8, 2) - 0.5f) < 0.02f ? -45.0f : 0.0f;
        r = g = b = 70 + 110 * n + crack;
        b += 8;
      } else if (id == "gras") {
        const float n = Fractal(u, v, 5, 8, 4);
        const float blade = Noise(u, v, 64, 6);
        r = 40 + 40 * n;
        g = 90 + 70 * n + 40 * blade;
        b = 20 + 25 * blade;
      } else if (id == "sand") {
        const float ripple = std::sin(two_pi * (4 * v + 0.6f * std::sin(two_pi * u)));
        const float grain = Noise(u, v, 64, 7);
        r = 200 + 12 * ripple + 30 * grain;
        g = 175 + 10 * ripple + 25 * grain;
        b = 120 + 8 * ripple + 20 * grain;
      } else if (id == "dirt") {
        const float n = Fractal(u, v, 8);
        const float pebble = Noise(u, v, 32, 9) > 0.82f ? 35.0f : 0.0f;
        r = 90 + 60 * n + pebble;
        g = 60 + 40 * n + pebble;
        b = 35 + 25 * n + pebble;
      } else {
        const float n = Fractal(u, v, 10, 4, 3);
        const float sparkle = Noise(u, v, 128, 11) > 0.95f ? 20.0f : 0.0f;
        r = 215 + 25 * n + sparkle;
        g = 222 + 22 * n + sparkle;
        b = 235 + 20 * n + sparkle;
      }
      uint8_t* p = &rgb[(static_cast<size_t>(y) * side + x) * 3];
      p[0] = Byte(r);
      p[1] = Byte(g);
      p[2] = Byte(b);
    }
  }
  return rgb;
}

bool Write(const std::filesystem::path& local_folder, std::string& error) {
  for (const Texture& texture : Textures()) {
    TagHeader caller = TagHeader::Fresh();
    caller.SetName(texture.name);
    LooseTagWriter writer;
    if (!writer.Begin(local_folder, caller, tagcode::Make("dtex"), tagcode::Make(texture.id), {},
                      error)) {
      return false;
    }
    const std::vector<uint8_t> data = DtexData::Write(kSide, kSide, Pixels(texture.id, kSide));
    writer.data().WriteBytes(data);
    if (!writer.End(caller, !data.empty(), error)) {
      if (error.empty()) error = "cannot write the detail texture " + std::string(texture.name);
      return false;
    }
  }
  return true;
}

}  // namespace demotextures
