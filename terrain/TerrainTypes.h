#pragma once
#include <array>
#include <cstdint>

// The sixteen terrain types a mesh cell carries in bits 4-7 of its flags, with the detail
// texture and highlight colour a new detail map made from the terrain offers for each.
struct TerrainType {
  const char* name;
  uint32_t default_dtex;  // tag id of the default detail texture; 0 for none
  uint8_t red, green, blue;
};

namespace terrain {
constexpr int kTerrainTypeCount = 16;
extern const std::array<TerrainType, kTerrainTypeCount> kTerrainTypes;
}  // namespace terrain
