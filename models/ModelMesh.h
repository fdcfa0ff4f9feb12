#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "collections/Image.h"

// The mesh between a LightWave object and the game's tags, shared by the import, the export and
// the geometry viewer. Positions are in world units with the game's axes (x, y horizontal, z up);
// texture coordinates are as the geometry stores them (v already flipped).
struct ModelMesh {
  struct Corner {
    uint32_t vertex = 0;
    float u = 0, v = 0;
    std::array<float, 3> normal{};
  };
  struct Triangle {
    int32_t material = 0;  // index into materials; out of range: drawn and exported untextured
    int32_t unused = -1;
    std::array<Corner, 3> corners{};
    std::array<float, 3> normal{};
    // 0 opaque ... 65535 fully transparent, as the geometry stores it (the import writes 0).
    uint16_t transparency = 0;
  };
  struct Material {
    std::string name;          // empty when imported
    std::string texture_name;  // the texture's file name (import) or bitmap name (geometry)
    bool has_texture = false;  // `texture` holds the material's pixels
    Image texture;             // 8-bit indexed when it came from a collection or a valid import
  };

  std::array<float, 3> box_min{}, box_max{};
  std::array<float, 3> pivot{};
  std::vector<std::array<float, 3>> vertices;
  std::vector<Triangle> triangles;
  std::vector<Material> materials;
};
