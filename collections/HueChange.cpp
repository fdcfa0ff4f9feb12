#include "collections/HueChange.h"

#include <algorithm>
#include <cstring>

std::string HueChange::Name() const {
  return std::string(name.data(), strnlen(name.data(), name.size()));
}

void HueChange::SetName(std::string_view text) {
  name.fill('\0');
  const size_t length = std::min({text.find('\0'), text.size(), name.size() - 1});
  std::memcpy(name.data(), text.data(), length);
}

void HueChange::HueSaturation(uint8_t red, uint8_t green, uint8_t blue, uint16_t& hue,
                              uint16_t& saturation) {
  // The palette's 8-bit components are the high bytes of the 16-bit ones in the file; the
  // game measures them on the 16-bit scale, so white comes out just below 1.0.
  const double r = red * 256.0 / 65535.0;
  const double g = green * 256.0 / 65535.0;
  const double b = blue * 256.0 / 65535.0;
  const double max = std::max({r, g, b});
  const double min = std::min({r, g, b});
  const double delta = max - min;
  double h = 0.0;
  if (delta > 0.0) {
    if (max == r) {
      h = (g - b) / delta;
      if (h < 0.0) h += 6.0;
    } else if (max == g) {
      h = (b - r) / delta + 2.0;
    } else {
      h = (r - g) / delta + 4.0;
    }
    h /= 6.0;
  }
  const double s = max > 0.0 ? delta / max : 0.0;
  // h lies in [0, 1); the clamp only guards against rounding right below a full turn.
  hue = static_cast<uint16_t>(std::min(h * 65536.0, 65535.0));
  saturation = static_cast<uint16_t>(std::min(s * 65535.0, 65535.0));
}

void HueChange::ComputeAffected(std::span<const uint8_t, 768> palette) {
  affected.fill(0);
  for (int i = 0; i < 256; ++i) {
    uint16_t hue = 0, saturation = 0;
    HueSaturation(palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2], hue, saturation);
    if (Selects(hue, saturation)) affected[i >> 3] |= static_cast<uint8_t>(1u << (i & 7));
  }
}
