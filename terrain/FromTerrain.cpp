#include "terrain/FromTerrain.h"

#include <algorithm>

bool fromterrain::Apply(const Mesh& mesh,
                        const std::array<TerrainRow, terrain::kTerrainTypeCount>& rows,
                        DetailMap& map, const SlotProtection& protection, bool override) {
  const uint64_t cells = uint64_t(mesh.cellsWide()) * uint64_t(mesh.cellsHigh());
  if (map.width != uint32_t(mesh.cellsWide()) || map.height != uint32_t(mesh.cellsHigh()) ||
      mesh.cells.size() < cells || map.vertex.size() < cells) {
    return false;
  }
  for (int t = 0; t < terrain::kTerrainTypeCount; ++t) {
    const TerrainRow& row = rows[size_t(t)];
    DetailSlot& slot = map.slots[size_t(t) + 1];
    slot.dtex = row.dtex;
    slot.red = row.red, slot.green = row.green, slot.blue = row.blue;
    // The record keeps 31 bytes and a terminating 0. "<no tag>" only labels the dialog's row:
    // a slot without a texture has no texture name.
    slot.name.fill(0);
    if (row.dtex != DetailSlot::kNoTexture) {
      std::copy_n(row.name.begin(), std::min(row.name.size(), slot.name.size() - 1),
                  slot.name.begin());
    }
  }
  for (size_t i = 0; i < cells; ++i) {
    uint8_t& value = map.vertex[i];
    if (!override && value < DetailMap::kSlotCount && protection[value]) continue;
    value = static_cast<uint8_t>(mesh.cells[i].TerrainType() + 1);
  }
  return true;
}
