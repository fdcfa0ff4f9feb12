#include "base/MacRoman.h"

#include <algorithm>
#include <utility>

namespace {

// (code point, 8-bit code) for the upper half, sorted by code point so that the reverse
// direction is a binary search rather than a scan of the table on every character.
constexpr std::array<std::pair<uint16_t, uint8_t>, 128> MakeReverseTable() {
  std::array<std::pair<uint16_t, uint8_t>, 128> table{};
  for (int i = 0; i < 128; ++i) {
    table[i] = {kMacRomanToUnicode[0x80 - kMacRomanFirstPrintable + i],
                static_cast<uint8_t>(0x80 + i)};
  }
  std::sort(table.begin(), table.end());
  return table;
}

constexpr auto kReverseTable = MakeReverseTable();

}  // namespace

char32_t MacRomanToUnicode(uint8_t code) {
  if (code < kMacRomanFirstPrintable) return code;
  return kMacRomanToUnicode[code - kMacRomanFirstPrintable];
}

std::optional<uint8_t> UnicodeToMacRoman(char32_t code_point) {
  if (code_point < 0x80) return static_cast<uint8_t>(code_point);
  if (code_point > 0xFFFF) return std::nullopt;
  const auto it = std::lower_bound(
      kReverseTable.begin(), kReverseTable.end(), code_point,
      [](const std::pair<uint16_t, uint8_t>& entry, char32_t cp) { return entry.first < cp; });
  if (it == kReverseTable.end() || it->first != code_point) return std::nullopt;
  return it->second;
}
