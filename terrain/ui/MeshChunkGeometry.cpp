#include "terrain/ui/MeshChunkGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kChunk = Mesh::kChunkCells;
constexpr float kWireLift = 0.02f;
constexpr Color kWireColor = MakeColor(0, 0, 0, 140);
// The water layer over media cells lets the ground show through.
constexpr Color kMediaColor = MakeColor(255, 255, 255, 120);

// Light from above, a little from the low-x, low-y corner.
constexpr float kLightX = -0.4f, kLightY = -0.3f, kLightZ = 1.0f;

// Slopes facing away from the light darken; ground facing it as much as flat ground or more
// stays white.
uint8_t Shade(const MeshScene& scene, int x, int y) {
  const float nx = -(scene.VertexHeight(x + 1, y) - scene.VertexHeight(x - 1, y)) * 0.5f;
  const float ny = -(scene.VertexHeight(x, y + 1) - scene.VertexHeight(x, y - 1)) * 0.5f;
  const float length = std::sqrt(nx * nx + ny * ny + 1.0f);
  const float facing = (nx * kLightX + ny * kLightY + kLightZ) / (length * kLightZ);
  return static_cast<uint8_t>(std::lround(std::clamp(facing, 0.4f, 1.0f) * 255.0f));
}

bool UsableMap(const MeshScene& scene, const DetailMap* map) {
  const Mesh* mesh = scene.mesh();
  if (!map || !mesh) return false;
  const size_t cells = static_cast<size_t>(mesh->cellsWide()) * mesh->cellsHigh();
  return map->width == static_cast<uint32_t>(mesh->cellsWide()) &&
         map->height == static_cast<uint32_t>(mesh->cellsHigh()) && map->vertex.size() >= cells &&
         map->triangle.size() >= cells * 2;
}

}  // namespace

void MeshChunkGeometry::BuildSurface(const MeshScene& scene, const MeshScene::Chunk& chunk) {
  base.clear();
  wire.clear();
  media.clear();
  const Mesh* mesh = scene.mesh();
  if (!mesh) return;
  base.reserve(static_cast<size_t>(kChunk) * kChunk * 6);
  wire.reserve(static_cast<size_t>(kChunk) * kChunk * 6 + kChunk * 4);
  const int x0 = chunk.cx * kChunk;
  const int y0 = chunk.cy * kChunk;
  // Shades of the chunk's corners, one past its far edges.
  std::array<uint8_t, (kChunk + 1) * (kChunk + 1)> shades{};
  for (int y = 0; y <= kChunk; ++y) {
    for (int x = 0; x <= kChunk; ++x) {
      shades[static_cast<size_t>(y) * (kChunk + 1) + x] = Shade(scene, x0 + x, y0 + y);
    }
  }
  const float texel = 1.0f / kChunk;
  for (int y = 0; y < kChunk; ++y) {
    for (int x = 0; x < kChunk; ++x) {
      const int cx = x0 + x;
      const int cy = y0 + y;
      const bool is_media = mesh->cell(cx, cy).IsMedia();
      for (int t = 0; t < 2; ++t) {
        for (const MeshScene::Corner& c : MeshScene::TriangleCorners(cx, cy, t)) {
          const int vx = cx + c.dx;
          const int vy = cy + c.dy;
          const uint8_t s = shades[static_cast<size_t>(y + c.dy) * (kChunk + 1) + (x + c.dx)];
          Vertex3D v;
          v.x = static_cast<float>(vx);
          v.y = static_cast<float>(vy);
          v.z = scene.VertexHeight(vx, vy);
          v.u = static_cast<float>(x + c.dx) * texel;
          v.v = static_cast<float>(y + c.dy) * texel;
          v.color = MakeColor(s, s, s);
          base.push_back(v);
          if (is_media) {
            v.u = v.x;
            v.v = v.y;
            v.color = kMediaColor;
            media.push_back(v);
          }
        }
      }
      // The cell's top and left edges and its diagonal; the chunk's far edges below.
      auto corner = [&](int dx, int dy) {
        Vertex3D v;
        v.x = static_cast<float>(cx + dx);
        v.y = static_cast<float>(cy + dy);
        v.z = scene.VertexHeight(cx + dx, cy + dy) + kWireLift;
        v.color = kWireColor;
        return v;
      };
      wire.push_back(corner(0, 0));
      wire.push_back(corner(1, 0));
      wire.push_back(corner(0, 0));
      wire.push_back(corner(0, 1));
      if (MeshScene::SplitsMainDiagonal(cx, cy)) {
        wire.push_back(corner(0, 0));
        wire.push_back(corner(1, 1));
      } else {
        wire.push_back(corner(1, 0));
        wire.push_back(corner(0, 1));
      }
      if (x == kChunk - 1) {
        wire.push_back(corner(1, 0));
        wire.push_back(corner(1, 1));
      }
      if (y == kChunk - 1) {
        wire.push_back(corner(0, 1));
        wire.push_back(corner(1, 1));
      }
    }
  }
}

void MeshChunkGeometry::BuildDetail(const MeshScene& scene, const MeshScene::Chunk& chunk,
                                    const DetailMap* map) {
  detail.clear();
  ranges.clear();
  built_revision = chunk.detail_revision;
  if (!UsableMap(scene, map)) return;
  const Mesh& mesh = *scene.mesh();
  const int width = mesh.cellsWide();
  const int height = mesh.cellsHigh();
  const int x0 = chunk.cx * kChunk;
  const int y0 = chunk.cy * kChunk;
  auto vertex_value = [&](int x, int y) {
    x = std::min(x, width - 1);
    y = std::min(y, height - 1);
    return map->vertex[static_cast<size_t>(y) * static_cast<size_t>(width) + x];
  };
  auto triangle_value = [&](int x, int y, int t) {
    return map->triangle[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 2 + t];
  };

  // Count the triangles of each pass, then place each pass's triangles at its offset. Values of
  // 128 and above name no slot and make no pass.
  constexpr int kSlots = DetailMap::kSlotCount;
  std::array<uint32_t, kSlots * 2> counts{};
  for (int y = y0; y < y0 + kChunk; ++y) {
    for (int x = x0; x < x0 + kChunk; ++x) {
      for (int t = 0; t < 2; ++t) {
        const std::array<MeshScene::Corner, 3> corners = MeshScene::TriangleCorners(x, y, t);
        std::array<uint8_t, 3> values{};
        for (size_t i = 0; i < 3; ++i) {
          values[i] = vertex_value(x + corners[i].dx, y + corners[i].dy);
        }
        for (size_t i = 0; i < 3; ++i) {
          const uint8_t value = values[i];
          const bool first_of_value =
              (i < 1 || values[0] != value) && (i < 2 || values[1] != value);
          if (value < kSlots && first_of_value) ++counts[value];
        }
        const uint8_t value = triangle_value(x, y, t);
        if (value < kSlots) ++counts[kSlots + value];
      }
    }
  }
  std::array<uint32_t, kSlots * 2> next{};
  uint32_t total = 0;
  for (int i = 0; i < kSlots * 2; ++i) {
    if (counts[static_cast<size_t>(i)] == 0) continue;
    Range range;
    range.layer = i < kSlots ? DetailLayer::kVertex : DetailLayer::kTriangle;
    range.slot = static_cast<uint8_t>(i % kSlots);
    range.first = total;
    range.count = counts[static_cast<size_t>(i)] * 3;
    next[static_cast<size_t>(i)] = total;
    total += range.count;
    ranges.push_back(range);
  }
  detail.resize(total);

  auto corner_vertex = [&](int vx, int vy, uint8_t alpha) {
    Vertex3D v;
    v.x = static_cast<float>(vx);
    v.y = static_cast<float>(vy);
    v.z = scene.VertexHeight(vx, vy);
    v.u = v.x;
    v.v = v.y;
    v.color = MakeColor(255, 255, 255, alpha);
    return v;
  };
  for (int y = y0; y < y0 + kChunk; ++y) {
    for (int x = x0; x < x0 + kChunk; ++x) {
      for (int t = 0; t < 2; ++t) {
        const std::array<MeshScene::Corner, 3> corners = MeshScene::TriangleCorners(x, y, t);
        std::array<uint8_t, 3> values{};
        for (size_t i = 0; i < 3; ++i) {
          values[i] = vertex_value(x + corners[i].dx, y + corners[i].dy);
        }
        for (size_t i = 0; i < 3; ++i) {
          const uint8_t value = values[i];
          const bool first_of_value =
              (i < 1 || values[0] != value) && (i < 2 || values[1] != value);
          if (value >= kSlots || !first_of_value) continue;
          Vertex3D* out = &detail[next[value]];
          next[value] += 3;
          for (size_t k = 0; k < 3; ++k) {
            out[k] =
                corner_vertex(x + corners[k].dx, y + corners[k].dy, values[k] == value ? 255 : 0);
          }
        }
        const uint8_t value = triangle_value(x, y, t);
        if (value >= kSlots) continue;
        Vertex3D* out = &detail[next[kSlots + value]];
        next[kSlots + value] += 3;
        for (size_t k = 0; k < 3; ++k) {
          out[k] = corner_vertex(x + corners[k].dx, y + corners[k].dy, 255);
        }
      }
    }
  }
}

uint32_t MeshChunkGeometry::LargestRange() const {
  uint32_t largest = 0;
  for (const Range& range : ranges) largest = std::max(largest, range.count);
  return largest;
}
