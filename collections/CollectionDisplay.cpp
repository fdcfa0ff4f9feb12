#include "collections/CollectionDisplay.h"

#include <algorithm>

#include "collections/Collection.h"
#include "collections/CollectionLayout.h"

namespace {

// Hue as a fraction of a turn × 65536, saturation and value × 65535, of a colour whose
// components run from 0 to 65535.
struct Hsv {
  uint32_t h = 0;
  uint32_t s = 0;
  uint32_t v = 0;
};

Hsv ToHsv(uint32_t r, uint32_t g, uint32_t b) {
  const uint32_t max = std::max({r, g, b});
  const uint32_t min = std::min({r, g, b});
  const uint32_t delta = max - min;
  Hsv out;
  out.v = max;
  if (max == 0 || delta == 0) return out;
  out.s = delta * 65535u / max;
  double h = 0.0;
  if (max == r) {
    h = (static_cast<double>(g) - b) / delta;
    if (h < 0.0) h += 6.0;
  } else if (max == g) {
    h = (static_cast<double>(b) - r) / delta + 2.0;
  } else {
    h = (static_cast<double>(r) - g) / delta + 4.0;
  }
  out.h = std::min<uint32_t>(static_cast<uint32_t>(h / 6.0 * 65536.0), 65535);
  return out;
}

// The inverse, in integers: the hue picks one of six sectors and the fraction through it.
void ToRgb(const Hsv& hsv, uint16_t rgb[3]) {
  const uint32_t scaled = hsv.h * 6;
  const uint32_t sector = (scaled >> 16) % 6;
  const uint32_t fraction = scaled & 0xFFFF;
  const uint32_t v = hsv.v;
  const uint32_t p = v * (65535 - hsv.s) / 65535;
  const uint32_t q = v * (65535 - hsv.s * fraction / 65536) / 65535;
  const uint32_t t = v * (65535 - hsv.s * (65536 - fraction) / 65536) / 65535;
  const uint32_t table[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
  for (int c = 0; c < 3; ++c) rgb[c] = static_cast<uint16_t>(table[sector][c]);
}

}  // namespace

CollectionDisplay::Palette CollectionDisplay::DisplayPalette(const Collection& collection) {
  const std::array<uint8_t, 768>& original = collection.palette;
  std::array<uint16_t, 768> working;
  for (size_t i = 0; i < working.size(); ++i) working[i] = static_cast<uint16_t>(original[i] << 8);

  for (const auto& hue_change : collection.hue_changes) {
    const HueChange& change = *hue_change;
    if (change.replacement_mode == 0) continue;
    const Hsv replacement =
        ToHsv(change.replacement[0], change.replacement[1], change.replacement[2]);
    for (size_t i = 0; i < 256; ++i) {
      // Which entries a hue change takes is decided on the palette as stored, so that one
      // change cannot move colours into or out of the range of the next.
      uint16_t hue = 0, saturation = 0;
      HueChange::HueSaturation(original[i * 3], original[i * 3 + 1], original[i * 3 + 2], hue,
                               saturation);
      if (!change.Selects(hue, saturation)) continue;
      uint16_t* colour = &working[i * 3];
      Hsv hsv = ToHsv(colour[0], colour[1], colour[2]);
      const uint32_t median = change.median_hue;
      hsv.h = (change.hue_flags & HueChange::kReversed) ? (median - hsv.h + replacement.h) & 0xFFFF
                                                        : (hsv.h - median + replacement.h) & 0xFFFF;
      hsv.s = (hsv.s * replacement.s) >> 16;
      hsv.v = (hsv.v * replacement.v) >> 16;
      ToRgb(hsv, colour);
    }
  }

  Palette display;
  for (size_t i = 0; i < display.size(); ++i) display[i] = static_cast<uint8_t>(working[i] >> 8);
  return display;
}

CollectionDisplay::Shown CollectionDisplay::ShownView(const Collection&, const FrameView& view,
                                                      bool alternates) {
  if (alternates && (view.flags & collection_layout::kViewHasAlternate)) {
    return {view.alternate, static_cast<int16_t>(view.alternate_registration_x),
            static_cast<int16_t>(view.alternate_registration_y), view.alternate_size_factor};
  }
  return {view.bitmap, static_cast<int16_t>(view.registration_x),
          static_cast<int16_t>(view.registration_y), view.size_factor};
}
