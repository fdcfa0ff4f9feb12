#pragma once
#include <array>
#include <cstdint>

// The highlight colours shipped as res/dtex.act, which detail maps fall back on for slot
// numbers past their own slots: entry 0 black, entries 1 to 16 the colours of the terrain types
// (so a map made from the terrain, whose slot t + 1 holds type t, is coloured the same either
// way), and distinct, well spread colours for the rest.
namespace terrain {
using HighlightTable = std::array<uint8_t, 768>;
HighlightTable DefaultHighlightTable();
}  // namespace terrain
