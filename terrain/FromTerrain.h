#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "terrain/DetailBrush.h"
#include "terrain/DetailMap.h"
#include "terrain/Mesh.h"
#include "terrain/TerrainTypes.h"

// "New Detail Map (From Terrain)": slots 1 to 16 from the rows (one per terrain type), and
// every vertex slot (its cell's terrain type + 1) unless its current slot is protected.
struct TerrainRow {
  uint32_t dtex = DetailSlot::kNoTexture;
  std::string name;  // the texture's name, or "<no tag>"
  uint8_t red = 255, green = 255, blue = 255;
};

namespace fromterrain {
// The rows as offered: each terrain type's default texture looked up with `find_name`
// (returns false when no visible `dtex` has the id) and default colour.
template <class FindName>
std::array<TerrainRow, terrain::kTerrainTypeCount> DefaultRows(FindName find_name);
// Applies rows to `map` (already reset to the mesh's dimensions): slots 1..16 take each row's
// texture, name and colour (their scales stay), and every vertex its cell's terrain type + 1.
// False, changing nothing, when the map's dimensions are not the mesh's cell grid.
bool Apply(const Mesh& mesh, const std::array<TerrainRow, terrain::kTerrainTypeCount>& rows,
           DetailMap& map, const SlotProtection& protection, bool override);
}  // namespace fromterrain

template <class FindName>
std::array<TerrainRow, terrain::kTerrainTypeCount> fromterrain::DefaultRows(FindName find_name) {
  std::array<TerrainRow, terrain::kTerrainTypeCount> rows;
  for (int t = 0; t < terrain::kTerrainTypeCount; ++t) {
    const TerrainType& type = terrain::kTerrainTypes[t];
    TerrainRow& row = rows[t];
    row.red = type.red, row.green = type.green, row.blue = type.blue;
    std::string name;
    if (type.default_dtex != 0 && find_name(type.default_dtex, name)) {
      row.dtex = type.default_dtex;
      row.name = name;
    } else {
      row.name = "<no tag>";
    }
  }
  return rows;
}
