#include "terrain/TerrainTypes.h"

#include "tags/TagCode.h"

namespace terrain {
const std::array<TerrainType, kTerrainTypeCount> kTerrainTypes = {{
    {"dwarf depth media", tagcode::Make("wate"), 32, 32, 255},
    {"human depth media", tagcode::Make("wate"), 32, 32, 186},
    {"giant depth media", tagcode::Make("wate"), 32, 32, 144},
    {"deeper than giant depth media", tagcode::Make("wate"), 32, 32, 102},
    {"sloped", tagcode::Make("ston"), 192, 128, 128},
    {"steep", tagcode::Make("ston"), 255, 48, 48},
    {"grass", tagcode::Make("gras"), 255, 255, 255},
    {"desert", tagcode::Make("sand"), 255, 255, 128},
    {"rocky", tagcode::Make("dirt"), 144, 144, 144},
    {"marsh", tagcode::Make("gras"), 192, 160, 128},
    {"snow", tagcode::Make("snow"), 207, 207, 207},
    {"forest", tagcode::Make("gras"), 144, 184, 144},
    {"vantor special", 0, 255, 255, 255},
    {"unused", 0, 255, 255, 255},
    {"walking impassible", 0, 32, 144, 32},
    {"flying impassible", 0, 32, 255, 32},
}};
}  // namespace terrain
