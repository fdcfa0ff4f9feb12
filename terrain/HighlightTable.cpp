#include "terrain/HighlightTable.h"

#include <cmath>
#include <set>

#include "terrain/TerrainTypes.h"

namespace terrain {

namespace {

uint8_t Channel(double value) {
  return static_cast<uint8_t>(std::lround(value * 255.0));
}

// Hue in turns; saturation and value 0..1.
uint32_t FromHsv(double hue, double saturation, double value) {
  const double h = (hue - std::floor(hue)) * 6.0;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = value * (1 - saturation);
  const double q = value * (1 - saturation * f);
  const double t = value * (1 - saturation * (1 - f));
  double r = value, g = t, b = p;
  switch (sector) {
    case 1:
      r = q, g = value, b = p;
      break;
    case 2:
      r = p, g = value, b = t;
      break;
    case 3:
      r = p, g = q, b = value;
      break;
    case 4:
      r = t, g = p, b = value;
      break;
    case 5:
      r = value, g = p, b = q;
      break;
    default:
      break;
  }
  return uint32_t{Channel(r)} << 16 | uint32_t{Channel(g)} << 8 | Channel(b);
}

}  // namespace

HighlightTable DefaultHighlightTable() {
  HighlightTable table{};
  std::set<uint32_t> used = {0};
  for (int t = 0; t < kTerrainTypeCount; ++t) {
    const TerrainType& type = kTerrainTypes[static_cast<size_t>(t)];
    table[size_t(t + 1) * 3] = type.red;
    table[size_t(t + 1) * 3 + 1] = type.green;
    table[size_t(t + 1) * 3 + 2] = type.blue;
    used.insert(uint32_t{type.red} << 16 | uint32_t{type.green} << 8 | type.blue);
  }
  // Hues a golden ratio of a turn apart never line up, so neighbouring slots look unlike each
  // other; saturation and brightness cycle through three steps so that the 239 colours also
  // differ from those with nearby hues.
  constexpr double kGolden = 0.6180339887498949;
  constexpr double kSaturation[] = {0.85, 0.55, 1.0};
  constexpr double kValue[] = {0.95, 0.75, 0.55};
  int step = 0;
  for (size_t entry = kTerrainTypeCount + 1; entry < 256; ++entry) {
    uint32_t colour = 0;
    do {
      colour = FromHsv(step * kGolden, kSaturation[step % 3], kValue[(step / 3) % 3]);
      ++step;
    } while (!used.insert(colour).second);
    table[entry * 3] = static_cast<uint8_t>(colour >> 16);
    table[entry * 3 + 1] = static_cast<uint8_t>(colour >> 8);
    table[entry * 3 + 2] = static_cast<uint8_t>(colour);
  }
  return table;
}

}  // namespace terrain
