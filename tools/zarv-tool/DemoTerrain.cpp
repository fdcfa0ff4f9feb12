#include "tools/zarv-tool/DemoTerrain.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "collections/Collection.h"
#include "tags/TagCode.h"
#include "terrain/DetailMap.h"
#include "terrain/Mesh.h"
#include "terrain/TerrainTypes.h"

namespace demoterrain {

namespace {

enum class Shape { kHills, kValley, kIsland, kLake };

struct DemoMesh {
  std::string_view id;
  uint16_t chunks_wide;
  uint16_t chunks_high;
  Shape shape;
  bool has_detail_map;
};

// Hills is 4 x 3 chunks, the size a detail map of 128 x 96 vertices belongs to.
constexpr std::array<DemoMesh, 4> kMeshes = {{
    {"hill", 4, 3, Shape::kHills, true},
    {"vall", 3, 2, Shape::kValley, false},
    {"isle", 2, 2, Shape::kIsland, false},
    {"lake", 2, 2, Shape::kLake, false},
}};

const DemoMesh* Find(std::string_view id) {
  for (const DemoMesh& m : kMeshes)
    if (m.id == id) return &m;
  return nullptr;
}

// Terrain type numbers.
constexpr int kShallow = 0, kDeepest = 3, kSloped = 4, kSteep = 5, kGrass = 6, kDesert = 7,
              kRocky = 8, kMarsh = 9, kSnow = 10, kForest = 11, kWalkingImpassible = 14;

// Smooth value noise in 0..1 from a hash of the lattice corners, so the demo is the same on
// every run and every host.
double Lattice(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^
               seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return (h & 0xFFFF) / 65535.0;
}

double Noise(double x, double y, uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double top =
      Lattice(x0, y0, seed) + (Lattice(x0 + 1, y0, seed) - Lattice(x0, y0, seed)) * sx;
  const double bottom =
      Lattice(x0, y0 + 1, seed) + (Lattice(x0 + 1, y0 + 1, seed) - Lattice(x0, y0 + 1, seed)) * sx;
  return top + (bottom - top) * sy;
}

double Bump(double x, double y, double cx, double cy, double radius, double height) {
  const double d2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (radius * radius);
  return height * std::exp(-d2);
}

// Ground height in cell widths at cell (x, y) of a mesh w x h cells; the water surface is at 4.
constexpr double kWaterLevel = 4.0;

double Ground(Shape shape, double x, double y, double w, double h) {
  const double rough = 1.5 * Noise(x / 9, y / 9, 7) + 0.6 * Noise(x / 3.5, y / 3.5, 11);
  switch (shape) {
    case Shape::kHills:
      // Three hills, the highest snow-capped, a steep crag and a pond between them.
      return 5.5 + rough + Bump(x, y, 30, 30, 16, 9) + Bump(x, y, 92, 40, 20, 14) +
             Bump(x, y, 60, 78, 14, 6) + Bump(x, y, 108, 78, 5, 9) - Bump(x, y, 58, 42, 13, 6);
    case Shape::kValley: {
      // A river winding from left to right between two ridges.
      const double river = h / 2 + 8 * std::sin(x / 12);
      const double d = std::abs(y - river);
      return 2.5 + rough + std::min(d * 0.35, 9.0) + Bump(x, y, w * 0.8, 6, 10, 5);
    }
    case Shape::kIsland: {
      // Ground falling away from the middle into the sea.
      const double d = std::hypot(x - w / 2, y - h / 2) / (w / 2);
      return 9 * (1 - d * d) + 2 * rough + Bump(x, y, w * 0.4, h * 0.45, 6, 4);
    }
    case Shape::kLake:
      // A bowl with a lake in it.
      return 7 + rough + 0.004 * ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2)) -
             Bump(x, y, w / 2, h / 2, 18, 6);
  }
  return kWaterLevel;
}

struct Cell {
  double ground;
  int type;
};

std::vector<Cell> MakeCells(const DemoMesh& demo) {
  const int w = demo.chunks_wide * Mesh::kChunkCells, h = demo.chunks_high * Mesh::kChunkCells;
  std::vector<double> ground(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ground[size_t(y) * size_t(w) + size_t(x)] = Ground(demo.shape, x, y, w, h);
  const auto at = [&](int x, int y) {
    return ground[size_t(std::clamp(y, 0, h - 1)) * size_t(w) + size_t(std::clamp(x, 0, w - 1))];
  };
  std::vector<Cell> cells(ground.size());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double g = at(x, y);
      const double slope = std::hypot(at(x + 1, y) - at(x - 1, y), at(x, y + 1) - at(x, y - 1)) / 2;
      int type = kGrass;
      if (g < kWaterLevel) {
        const double depth = kWaterLevel - g;
        type = depth < 0.6 ? kShallow : depth < 1.4 ? 1 : depth < 2.4 ? 2 : kDeepest;
      } else if (slope > 1.1) {
        type = kSteep;
      } else if (slope > 0.55) {
        type = kSloped;
      } else if (g > 16) {
        type = kSnow;
      } else if (g > 13) {
        type = kRocky;
      } else if (g < kWaterLevel + 0.5) {
        type = demo.shape == Shape::kIsland ? kDesert : kMarsh;
      } else if (Noise(x / 6.0, y / 6.0, 23) > 0.62) {
        type = kForest;
      } else if (demo.shape == Shape::kIsland && Noise(x / 5.0, y / 5.0, 31) > 0.7) {
        type = kDesert;
      }
      // The Hills are fenced on their outer cells.
      if (demo.shape == Shape::kHills && (x == 0 || y == 0 || x == w - 1 || y == h - 1) &&
          g >= kWaterLevel)
        type = kWalkingImpassible;
      cells[size_t(y) * size_t(w) + size_t(x)] = {g, type};
    }
  }
  return cells;
}

uint16_t Units(double cell_widths) {
  return static_cast<uint16_t>(std::clamp(std::lround(cell_widths * 512), 0L, 65535L));
}

bool WriteMesh(const DemoMesh& demo, ByteWriter& out, TagHeader& header) {
  Mesh mesh;
  mesh.color_map = tagcode::Make(demo.id);
  mesh.chunks_wide = demo.chunks_wide;
  mesh.chunks_high = demo.chunks_high;
  for (const Cell& c : MakeCells(demo)) {
    MeshCell cell;
    cell.value0 = Units(c.ground);
    const bool water = c.type <= kDeepest;
    // The second value is the water surface above a media cell.
    cell.value1 = water ? Units(kWaterLevel) : 0;
    cell.flags = static_cast<uint16_t>(c.type << 4 | (water ? MeshCell::kMediaFeed : 0));
    mesh.cells.push_back(cell);
  }
  out.WriteBytes(mesh.Write(header));
  return true;
}

// What each terrain type looks like from above, darkest shade to lightest.
constexpr std::array<std::array<uint8_t, 3>, terrain::kTerrainTypeCount> kGroundColours = {{
    {70, 140, 210},
    {50, 110, 190},
    {35, 80, 160},
    {20, 50, 120},
    {130, 120, 90},
    {115, 105, 100},
    {85, 150, 60},
    {220, 200, 140},
    {145, 140, 130},
    {95, 115, 70},
    {240, 242, 250},
    {45, 105, 45},
    {160, 160, 160},
    {160, 160, 160},
    {100, 95, 80},
    {120, 120, 120},
}};
constexpr int kShades = 16;

// One 32 x 32 bitmap per chunk, row by row of chunks, one pixel per cell: the ground colour
// of the cell's type, lit from the upper left.
bool WriteColorMap(const DemoMesh& demo, ByteWriter& out, TagHeader& header, std::string& error) {
  Collection collection;
  for (int type = 0; type < terrain::kTerrainTypeCount; ++type) {
    for (int shade = 0; shade < kShades; ++shade) {
      const double light = 0.55 + 0.6 * shade / (kShades - 1);
      for (int c = 0; c < 3; ++c) {
        collection.palette[size_t(type * kShades + shade) * 3 + size_t(c)] =
            static_cast<uint8_t>(std::min(255.0, kGroundColours[size_t(type)][size_t(c)] * light));
      }
    }
  }
  const int w = demo.chunks_wide * Mesh::kChunkCells, h = demo.chunks_high * Mesh::kChunkCells;
  const std::vector<Cell> cells = MakeCells(demo);
  const auto ground = [&](int x, int y) {
    return cells[size_t(std::clamp(y, 0, h - 1)) * size_t(w) + size_t(std::clamp(x, 0, w - 1))]
        .ground;
  };
  for (int cy = 0; cy < demo.chunks_high; ++cy) {
    for (int cx = 0; cx < demo.chunks_wide; ++cx) {
      std::vector<uint8_t> pixels;  // alpha, index per pixel
      for (int py = 0; py < Mesh::kChunkCells; ++py) {
        for (int px = 0; px < Mesh::kChunkCells; ++px) {
          const int x = cx * Mesh::kChunkCells + px, y = cy * Mesh::kChunkCells + py;
          const Cell& cell = cells[size_t(y) * size_t(w) + size_t(x)];
          // Water is flat; the ground is lit by how it faces the upper left.
          const double facing =
              cell.type <= kDeepest
                  ? 0.0
                  : (ground(x - 1, y) - ground(x + 1, y) + ground(x, y - 1) - ground(x, y + 1));
          const int shade =
              std::clamp(static_cast<int>(std::lround(kShades / 2 + facing * 3)), 0, kShades - 1);
          pixels.push_back(255);
          pixels.push_back(static_cast<uint8_t>(cell.type * kShades + shade));
        }
      }
      const std::string name = "chunk " + std::to_string(cx) + "," + std::to_string(cy);
      if (!collection.AddOrReplaceBitmap(name, 0, pixels, Mesh::kChunkCells, Mesh::kChunkCells, 2,
                                         nullptr)) {
        error = "cannot make the colour map bitmap " + name;
        return false;
      }
    }
  }
  return collection.Save(out, header, error);
}

// The names the demo's detail textures have.
std::string_view TextureName(uint32_t dtex) {
  constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kNames = {{
      {"wate", "Water"},
      {"ston", "Stone"},
      {"gras", "Grass"},
      {"sand", "Sand"},
      {"dirt", "Dirt"},
      {"snow", "Snow"},
  }};
  for (const auto& [id, name] : kNames)
    if (tagcode::Make(id) == dtex) return name;
  return "";
}

// Slot t + 1 for terrain type t, with its default texture at 16 texture pixels a cell and the
// type's highlight colour; every vertex and both triangles of every cell take their cell's slot.
bool WriteDetailMap(const DemoMesh& demo, ByteWriter& out, TagHeader& header) {
  const int w = demo.chunks_wide * Mesh::kChunkCells, h = demo.chunks_high * Mesh::kChunkCells;
  DetailMap map;
  map.Reset(static_cast<uint32_t>(w), static_cast<uint32_t>(h));
  for (int t = 0; t < terrain::kTerrainTypeCount; ++t) {
    const TerrainType& type = terrain::kTerrainTypes[size_t(t)];
    DetailSlot& slot = map.slots[size_t(t) + 1];
    if (type.default_dtex != 0) {
      slot.dtex = type.default_dtex;
      slot.SetName(TextureName(type.default_dtex));
    }
    slot.scale_minus_one = 15;
    slot.red = type.red;
    slot.green = type.green;
    slot.blue = type.blue;
  }
  const std::vector<Cell> cells = MakeCells(demo);
  for (size_t i = 0; i < cells.size(); ++i) {
    const uint8_t slot = static_cast<uint8_t>(cells[i].type + 1);
    map.vertex[i] = slot;
    map.triangle[i * 2] = slot;
    map.triangle[i * 2 + 1] = slot;
  }
  out.WriteBytes(map.Write(header));
  return true;
}

}  // namespace

bool Makes(std::string_view group, std::string_view id) {
  const DemoMesh* demo = Find(id);
  if (!demo) return false;
  return group == "mesh" || group == ".256" || (group == "dmap" && demo->has_detail_map);
}

bool WriteTag(std::string_view group, std::string_view id, ByteWriter& out, TagHeader& header,
              std::string& error) {
  const DemoMesh* demo = Find(id);
  if (!demo || !Makes(group, id)) {
    error = "no demo terrain tag " + std::string(group) + " " + std::string(id);
    return false;
  }
  if (group == "mesh") return WriteMesh(*demo, out, header);
  if (group == "dmap") return WriteDetailMap(*demo, out, header);
  return WriteColorMap(*demo, out, header, error);
}

}  // namespace demoterrain
