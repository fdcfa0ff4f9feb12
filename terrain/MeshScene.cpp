#include "terrain/MeshScene.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "collections/Collection.h"
#include "terrain/TerrainTypes.h"

namespace {

constexpr int kChunk = Mesh::kChunkCells;
// The largest colour texture a chunk gets from its bitmap; bigger bitmaps are sampled down.
constexpr int kMaxTexture = 256;

int TextureSizeFor(int width, int height) {
  int size = kChunk;
  while (size < std::max(width, height) && size < kMaxTexture) size *= 2;
  return size;
}

// Nearest sampling of an indexed bitmap stretched over the texture.
void FillFromBitmap(const CollectionBitmap& bitmap, const std::array<uint8_t, 768>& palette,
                    MeshScene::Chunk& chunk) {
  const int size = TextureSizeFor(bitmap.width, bitmap.height);
  chunk.texture_size = size;
  chunk.color_rgb.resize(static_cast<size_t>(size) * size * 3);
  uint8_t* out = chunk.color_rgb.data();
  for (int ty = 0; ty < size; ++ty) {
    const size_t sy = static_cast<size_t>(ty) * bitmap.height / size;
    const uint8_t* line = bitmap.pixels.data() + sy * bitmap.width * 2;
    for (int tx = 0; tx < size; ++tx, out += 3) {
      const size_t sx = static_cast<size_t>(tx) * bitmap.width / size;
      const size_t index = line[sx * 2 + 1];
      out[0] = palette[index * 3];
      out[1] = palette[index * 3 + 1];
      out[2] = palette[index * 3 + 2];
    }
  }
}

// A texel a cell, in the cell's terrain colour.
void FillFromTerrain(const Mesh& mesh, MeshScene::Chunk& chunk) {
  chunk.texture_size = kChunk;
  chunk.color_rgb.resize(static_cast<size_t>(kChunk) * kChunk * 3);
  uint8_t* out = chunk.color_rgb.data();
  for (int y = 0; y < kChunk; ++y) {
    for (int x = 0; x < kChunk; ++x, out += 3) {
      const TerrainType& type = terrain::kTerrainTypes[static_cast<size_t>(
          mesh.cell(chunk.cx * kChunk + x, chunk.cy * kChunk + y).TerrainType())];
      out[0] = type.red;
      out[1] = type.green;
      out[2] = type.blue;
    }
  }
}

bool UsableBitmap(const CollectionBitmap* bitmap) {
  return bitmap && bitmap->IsIndexed() && bitmap->width > 0 && bitmap->height > 0 &&
         bitmap->pixels.size() >= static_cast<size_t>(bitmap->width) * bitmap->height * 2;
}

// Möller-Trumbore; the edges count as inside so that a ray down a shared edge still hits.
bool RayTriangle(const double o[3], const double d[3], const double a[3], const double b[3],
                 const double c[3], double& t) {
  const double e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const double e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  const double p[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2],
                       d[0] * e2[1] - d[1] * e2[0]};
  const double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
  if (std::fabs(det) < 1e-12) return false;
  const double inv = 1.0 / det;
  const double s[3] = {o[0] - a[0], o[1] - a[1], o[2] - a[2]};
  const double u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) * inv;
  constexpr double kEdge = 1e-9;
  if (u < -kEdge || u > 1 + kEdge) return false;
  const double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2],
                       s[0] * e1[1] - s[1] * e1[0]};
  const double v = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) * inv;
  if (v < -kEdge || u + v > 1 + kEdge) return false;
  t = (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) * inv;
  return t >= 0;
}

}  // namespace

std::array<MeshScene::Corner, 3> MeshScene::TriangleCorners(int x, int y, int t) {
  if (SplitsMainDiagonal(x, y)) {
    if (t == 0) return {{{0, 0}, {1, 1}, {0, 1}}};
    return {{{0, 0}, {1, 0}, {1, 1}}};
  }
  if (t == 0) return {{{0, 0}, {1, 0}, {0, 1}}};
  return {{{1, 0}, {1, 1}, {0, 1}}};
}

void MeshScene::Build(const Mesh& mesh, const Collection* color_map) {
  mesh_ = &mesh;
  chunks_.clear();
  if (mesh.cells.size() < static_cast<size_t>(mesh.cellsWide()) * mesh.cellsHigh()) {
    // Not a mesh as read; nothing to draw rather than reading past the cells.
    mesh_ = nullptr;
    return;
  }
  chunks_.resize(static_cast<size_t>(mesh.chunks_wide) * mesh.chunks_high);
  min_z_ = std::numeric_limits<float>::max();
  max_z_ = std::numeric_limits<float>::lowest();
  for (int cy = 0; cy < mesh.chunks_high; ++cy) {
    for (int cx = 0; cx < mesh.chunks_wide; ++cx) {
      const size_t index = static_cast<size_t>(cy) * mesh.chunks_wide + static_cast<size_t>(cx);
      Chunk& chunk = chunks_[index];
      chunk.cx = cx;
      chunk.cy = cy;
      chunk.detail_revision = 1;
      float low = std::numeric_limits<float>::max();
      float high = std::numeric_limits<float>::lowest();
      for (int y = cy * kChunk; y <= (cy + 1) * kChunk; ++y) {
        for (int x = cx * kChunk; x <= (cx + 1) * kChunk; ++x) {
          const float z = VertexHeight(x, y);
          low = std::min(low, z);
          high = std::max(high, z);
        }
      }
      chunk.min_z = low;
      chunk.max_z = high;
      min_z_ = std::min(min_z_, low);
      max_z_ = std::max(max_z_, high);
      const CollectionBitmap* bitmap = color_map && index < color_map->bitmaps.size()
                                           ? color_map->bitmaps[index].get()
                                           : nullptr;
      if (UsableBitmap(bitmap)) {
        FillFromBitmap(*bitmap, color_map->palette, chunk);
      } else {
        FillFromTerrain(mesh, chunk);
      }
    }
  }
}

void MeshScene::DetailChanged(const CellRect& rect) {
  if (!mesh_ || rect.empty()) return;
  // A cell's triangles also take the values of the vertices on its right and lower edge, which
  // belong to the next cells: a chunk shows the values one vertex past its own.
  const int x0 = std::max(0, rect.x0 - 1) / kChunk;
  const int y0 = std::max(0, rect.y0 - 1) / kChunk;
  const int x1 = std::min(rect.x1, mesh_->cellsWide() - 1) / kChunk;
  const int y1 = std::min(rect.y1, mesh_->cellsHigh() - 1) / kChunk;
  for (int cy = y0; cy <= y1; ++cy) {
    for (int cx = x0; cx <= x1; ++cx) {
      ++chunks_[static_cast<size_t>(cy) * mesh_->chunks_wide + static_cast<size_t>(cx)]
            .detail_revision;
    }
  }
}

void MeshScene::AllDetailChanged() {
  for (Chunk& chunk : chunks_) ++chunk.detail_revision;
}

float MeshScene::VertexHeight(int x, int y) const {
  if (!mesh_) return 0;
  return mesh_->Height(std::clamp(x, 0, mesh_->cellsWide() - 1),
                       std::clamp(y, 0, mesh_->cellsHigh() - 1));
}

float MeshScene::SurfaceHeight(float x, float y) const {
  if (!mesh_) return 0;
  const float w = static_cast<float>(mesh_->cellsWide());
  const float h = static_cast<float>(mesh_->cellsHigh());
  x = std::clamp(x, 0.0f, w);
  y = std::clamp(y, 0.0f, h);
  const int cx = std::min(static_cast<int>(x), mesh_->cellsWide() - 1);
  const int cy = std::min(static_cast<int>(y), mesh_->cellsHigh() - 1);
  const float u = x - static_cast<float>(cx);
  const float v = y - static_cast<float>(cy);
  const float h00 = VertexHeight(cx, cy);
  const float h10 = VertexHeight(cx + 1, cy);
  const float h01 = VertexHeight(cx, cy + 1);
  const float h11 = VertexHeight(cx + 1, cy + 1);
  if (SplitsMainDiagonal(cx, cy)) {
    if (u >= v) return h00 + u * (h10 - h00) + v * (h11 - h10);
    return h00 + v * (h01 - h00) + u * (h11 - h01);
  }
  if (u + v <= 1) return h00 + u * (h10 - h00) + v * (h01 - h00);
  return h11 + (1 - u) * (h01 - h11) + (1 - v) * (h10 - h11);
}

bool MeshScene::IntersectCell(int cx, int cy, const double origin[3], const double direction[3],
                              double& t) const {
  bool hit = false;
  for (int triangle = 0; triangle < 2; ++triangle) {
    double corners[3][3];
    const std::array<Corner, 3> offsets = TriangleCorners(cx, cy, triangle);
    for (size_t i = 0; i < 3; ++i) {
      const int x = cx + offsets[i].dx;
      const int y = cy + offsets[i].dy;
      corners[i][0] = x;
      corners[i][1] = y;
      corners[i][2] = VertexHeight(x, y);
    }
    double candidate = 0;
    if (RayTriangle(origin, direction, corners[0], corners[1], corners[2], candidate) &&
        (!hit || candidate < t)) {
      t = candidate;
      hit = true;
    }
  }
  return hit;
}

bool MeshScene::Intersect(const float origin[3], const float direction[3], float& x,
                          float& y) const {
  if (!mesh_ || chunks_.empty()) return false;
  const double o[3] = {origin[0], origin[1], origin[2]};
  const double d[3] = {direction[0], direction[1], direction[2]};
  if (d[0] == 0 && d[1] == 0 && d[2] == 0) return false;
  const int width = mesh_->cellsWide();
  const int height = mesh_->cellsHigh();

  // The part of the ray inside the mesh's box.
  const double low[3] = {0, 0, double(min_z_) - 1e-3};
  const double high[3] = {double(width), double(height), double(max_z_) + 1e-3};
  double t_enter = 0;
  double t_exit = std::numeric_limits<double>::infinity();
  for (int axis = 0; axis < 3; ++axis) {
    if (d[axis] == 0) {
      if (o[axis] < low[axis] || o[axis] > high[axis]) return false;
      continue;
    }
    double t0 = (low[axis] - o[axis]) / d[axis];
    double t1 = (high[axis] - o[axis]) / d[axis];
    if (t0 > t1) std::swap(t0, t1);
    t_enter = std::max(t_enter, t0);
    t_exit = std::min(t_exit, t1);
  }
  if (t_enter > t_exit) return false;

  // Walk the cells the ray crosses, nearest first; the first cell it hits holds the answer.
  const double start_x = o[0] + d[0] * t_enter;
  const double start_y = o[1] + d[1] * t_enter;
  int cx = std::clamp(static_cast<int>(std::floor(start_x)), 0, width - 1);
  int cy = std::clamp(static_cast<int>(std::floor(start_y)), 0, height - 1);
  const int step_x = d[0] > 0 ? 1 : -1;
  const int step_y = d[1] > 0 ? 1 : -1;
  constexpr double kNever = std::numeric_limits<double>::infinity();
  const double delta_x = d[0] != 0 ? 1.0 / std::fabs(d[0]) : kNever;
  const double delta_y = d[1] != 0 ? 1.0 / std::fabs(d[1]) : kNever;
  double next_x = d[0] != 0 ? ((d[0] > 0 ? cx + 1 : cx) - o[0]) / d[0] : kNever;
  double next_y = d[1] != 0 ? ((d[1] > 0 ? cy + 1 : cy) - o[1]) / d[1] : kNever;
  const int max_steps = width + height + 2;
  for (int steps = 0; steps < max_steps; ++steps) {
    double t = 0;
    if (IntersectCell(cx, cy, o, d, t)) {
      x = static_cast<float>(o[0] + d[0] * t);
      y = static_cast<float>(o[1] + d[1] * t);
      return true;
    }
    if (std::min(next_x, next_y) > t_exit) break;
    if (next_x < next_y) {
      cx += step_x;
      next_x += delta_x;
    } else {
      cy += step_y;
      next_y += delta_y;
    }
    if (cx < 0 || cy < 0 || cx >= width || cy >= height) break;
  }
  return false;
}
