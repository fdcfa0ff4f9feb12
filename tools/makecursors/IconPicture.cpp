#include "tools/makecursors/IconPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

struct Point {
  double x, y;
};

// The outline is laid out on a 48-unit square.
constexpr double kUnits = 48.0;
constexpr double kCornerRadius = 8.0;
constexpr Point kLetter[] = {{12, 11}, {37, 11}, {37, 16}, {19, 32}, {37, 32},
                             {37, 37}, {11, 37}, {11, 32}, {29, 16}, {12, 16}};

bool InLetter(double x, double y) {
  bool inside = false;
  constexpr size_t n = std::size(kLetter);
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    const Point a = kLetter[i], b = kLetter[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

bool InSquare(double x, double y) {
  const double cx = std::clamp(x, kCornerRadius, kUnits - kCornerRadius);
  const double cy = std::clamp(y, kCornerRadius, kUnits - kCornerRadius);
  return std::hypot(x - cx, y - cy) <= kCornerRadius;
}

}  // namespace

CursorPicture DrawIcon(int side) {
  CursorPicture p;
  p.id = CursorPack::kIconId;
  p.width = p.height = static_cast<uint16_t>(side);
  p.rgba.resize(static_cast<size_t>(side) * side * 4);
  // 4 x 4 samples a pixel: a 16-pixel icon keeps a readable letter, a 256-pixel one smooth edges.
  constexpr int kSamples = 4;
  const double scale = kUnits / side;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      int covered = 0, letter = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double ux = (x + (sx + 0.5) / kSamples) * scale;
          const double uy = (y + (sy + 0.5) / kSamples) * scale;
          if (!InSquare(ux, uy)) continue;
          ++covered;
          if (InLetter(ux, uy)) ++letter;
        }
      }
      if (covered == 0) continue;
      uint8_t* px = &p.rgba[(static_cast<size_t>(y) * side + x) * 4];
      // The letter's share of the covered samples blends white over the blue.
      const auto mix = [&](int background) {
        return static_cast<uint8_t>((background * (covered - letter) + 255 * letter) / covered);
      };
      px[0] = mix(40);
      px[1] = mix(110);
      px[2] = mix(200);
      px[3] = static_cast<uint8_t>(255 * covered / (kSamples * kSamples));
    }
  }
  return p;
}
