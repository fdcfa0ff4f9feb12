#include "models/LightWaveMesh.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "collections/DataFile.h"

namespace {

constexpr uint32_t kTxuv = LightWaveId("TXUV");
constexpr uint32_t kSurf = LightWaveId("SURF");
constexpr uint32_t kColr = LightWaveId("COLR");
constexpr int32_t kUvProjection = 5;
constexpr const char* kUvMapName = "UVMap";

using Vec3 = std::array<float, 3>;

// LightWave is y up, the game z up: exchanging y and z is the whole change, and its own
// inverse. (x keeps its sign: negating it as well would mirror every model left to right.)
Vec3 Swapped(const Vec3& p) {
  return {p[0], p[2], p[1]};
}

Vec3 PolygonNormal(const Vec3& a, const Vec3& b, const Vec3& c) {
  const Vec3 e1{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const Vec3 e2{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  const Vec3 n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
               e1[0] * e2[1] - e1[1] * e2[0]};
  const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(length > 0) || !std::isfinite(length)) return {0, 0, 0};
  return {n[0] / length, n[1] / length, n[2] / length};
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// A UV map's values per point and per (polygon, point), built once per map name.
struct UvLookup {
  const LightWaveVertexMap* points = nullptr;
  std::vector<int32_t> point_entry;  // entry of each point in `points`, -1 for none
  const LightWaveVertexMap* corners = nullptr;
  std::unordered_map<uint64_t, uint32_t> corner_entry;

  UvLookup(const LightWaveLayer& layer, const std::string& name) {
    points = layer.FindMap(kTxuv, name, false);
    corners = layer.FindMap(kTxuv, name, true);
    if (points != nullptr) {
      point_entry.assign(layer.points.size(), -1);
      // The first entry of a point counts, as for a per-polygon one below.
      for (size_t i = points->size(); i-- > 0;) point_entry[points->points[i]] = int32_t(i);
    }
    if (corners != nullptr) {
      corner_entry.reserve(corners->size());
      for (size_t i = 0; i < corners->size(); ++i) {
        corner_entry.emplace(uint64_t{corners->polygons[i]} << 32 | corners->points[i],
                             uint32_t(i));
      }
    }
  }

  // LightWave's (u, v) of a corner; (0, 0) when neither map has it.
  std::array<float, 2> At(uint32_t polygon, uint32_t point) const {
    if (corners != nullptr) {
      const auto it = corner_entry.find(uint64_t{polygon} << 32 | point);
      if (it != corner_entry.end()) {
        return {corners->values[size_t{it->second} * 2],
                corners->values[size_t{it->second} * 2 + 1]};
      }
    }
    if (points != nullptr && point < point_entry.size() && point_entry[point] >= 0) {
      const size_t e = size_t(point_entry[point]);
      return {points->values[e * 2], points->values[e * 2 + 1]};
    }
    return {0, 0};
  }
};

}  // namespace

std::string ClipFileName(std::string_view path) {
  const size_t cut = path.find_last_of(":/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::filesystem::path FindFileInFolder(const std::filesystem::path& folder, std::string_view name) {
  if (name.empty()) return {};
  std::error_code ec;
  const std::filesystem::path exact = folder / std::filesystem::path(std::string(name));
  if (std::filesystem::is_regular_file(exact, ec)) return exact;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (SameIgnoringCase(it->path().filename().string(), name) && it->is_regular_file(ec)) {
      return it->path();
    }
  }
  return {};
}

LightWaveSurfaceTexture SurfaceTexture(const LightWaveObject& object,
                                       const LightWaveSurface& surface) {
  LightWaveSurfaceTexture texture;
  // Layers are applied in the order of their ordinal strings; equal ones keep file order.
  const LightWaveBlock* first = nullptr;
  for (const LightWaveBlock& block : surface.blocks) {
    if (block.channel != kColr) continue;
    if (first == nullptr || block.ordinal < first->ordinal) first = &block;
  }
  if (first == nullptr || first->type != LightWaveId("IMAP") ||
      first->projection != kUvProjection) {
    return texture;
  }
  texture.textured = true;
  texture.uv_map = first->uv_map;
  if (const LightWaveClip* clip = object.FindClip(first->image)) {
    texture.clip_path = clip->still;
    texture.file_name = ClipFileName(clip->still);
  }
  return texture;
}

bool ObjectToMesh(const LightWaveObject& object, const std::filesystem::path& folder,
                  ModelMesh& out, std::string& error) {
  if (object.layers.empty()) {
    error = "the object has no layer";
    return false;
  }
  const LightWaveLayer& layer = object.layers.front();
  for (size_t i = 0; i < layer.polygons.size(); ++i) {
    if (layer.polygons[i].count != 3) {
      error = "polygon " + std::to_string(i) + " of the first layer has " +
              std::to_string(layer.polygons[i].count) + " corners; only triangles can be imported";
      return false;
    }
  }
  if (layer.polygons.empty()) {
    error = "the first layer has no triangles";
    return false;
  }

  ModelMesh mesh;
  Vec3 lo{}, hi{};
  if (layer.has_box) {
    lo = layer.box_min;
    hi = layer.box_max;
  } else if (!layer.points.empty()) {
    lo = hi = layer.points.front();
    for (const Vec3& p : layer.points) {
      for (int k = 0; k < 3; ++k) {
        lo[size_t(k)] = std::min(lo[size_t(k)], p[size_t(k)]);
        hi[size_t(k)] = std::max(hi[size_t(k)], p[size_t(k)]);
      }
    }
  }
  mesh.box_min = Swapped(lo);
  mesh.box_max = Swapped(hi);
  mesh.pivot = Swapped(layer.pivot);
  mesh.vertices.reserve(layer.points.size());
  for (const Vec3& p : layer.points) mesh.vertices.push_back(Swapped(p));

  // The surface tag of each polygon, -1 for none.
  std::vector<int32_t> polygon_tag(layer.polygons.size(), -1);
  if (const LightWavePolygonTags* tags = layer.FindPolygonTags(kSurf)) {
    for (size_t i = 0; i < tags->polygons.size(); ++i) {
      polygon_tag[tags->polygons[i]] = tags->tags[i];
    }
  }

  struct MaterialSource {
    int32_t material = -1;
    int32_t uv = -1;  // index into `lookups`, -1 untextured
  };
  std::unordered_map<std::string, MaterialSource> by_surface;
  MaterialSource untagged;
  std::vector<UvLookup> lookups;
  std::unordered_map<std::string, int32_t> lookup_of_map;

  const auto material_for = [&](int32_t tag) -> MaterialSource {
    MaterialSource* source = &untagged;
    const std::string* surface_name = nullptr;
    if (tag >= 0) {
      surface_name = &object.tags[size_t(tag)];
      source = &by_surface[*surface_name];
    }
    if (source->material >= 0) return *source;
    source->material = int32_t(mesh.materials.size());
    ModelMesh::Material& material = mesh.materials.emplace_back();
    const LightWaveSurface* surface =
        surface_name != nullptr ? object.FindSurface(*surface_name) : nullptr;
    if (surface == nullptr) return *source;
    const LightWaveSurfaceTexture texture = SurfaceTexture(object, *surface);
    if (!texture.textured) return *source;
    material.texture_name =
        texture.file_name.empty() ? "(no clip for " + surface->name + ")" : texture.file_name;
    const std::filesystem::path file = FindFileInFolder(folder, texture.file_name);
    std::string load_error;
    if (!file.empty() && DataFile::loadImage(file, material.texture, load_error)) {
      material.has_texture = true;
    }
    const auto [it, added] = lookup_of_map.emplace(texture.uv_map, int32_t(lookups.size()));
    if (added) lookups.emplace_back(layer, texture.uv_map);
    source->uv = it->second;
    return *source;
  };

  mesh.triangles.reserve(layer.polygons.size());
  for (size_t i = 0; i < layer.polygons.size(); ++i) {
    const LightWavePolygon& polygon = layer.polygons[i];
    const MaterialSource source = material_for(polygon_tag[i]);
    const uint32_t* points = &layer.corners[polygon.first];
    // The normal the geometry will store for these corners, normalize((C - A) x (B - A)), so
    // that the mesh and the tags made from it agree.
    const Vec3 normal =
        PolygonNormal(mesh.vertices[points[2]], mesh.vertices[points[0]], mesh.vertices[points[1]]);
    ModelMesh::Triangle& triangle = mesh.triangles.emplace_back();
    triangle.material = source.material;
    triangle.normal = normal;
    for (int k = 0; k < 3; ++k) {
      // Reversed: exchanging y and z is a reflection, which turns the winding around; the
      // reversal keeps (B - A) x (C - A) pointing where LightWave's normal points.
      const uint32_t point = points[2 - k];
      ModelMesh::Corner& corner = triangle.corners[size_t(k)];
      corner.vertex = point;
      corner.normal = normal;
      if (source.uv >= 0) {
        const std::array<float, 2> uv = lookups[size_t(source.uv)].At(uint32_t(i), point);
        corner.u = uv[0];
        corner.v = 1.0f - uv[1];
      }
    }
  }
  out = std::move(mesh);
  return true;
}

LightWaveObject MeshToObject(const ModelMesh& mesh, std::span<const std::string> texture_files) {
  LightWaveObject object;
  const size_t count = mesh.materials.size();
  bool needs_spare = false;
  for (const ModelMesh::Triangle& t : mesh.triangles) {
    needs_spare = needs_spare || t.material < 0 || size_t(t.material) >= count;
  }
  // Surface names must differ; imported materials have none at all.
  std::unordered_set<std::string> used;
  const auto unique = [&](std::string name) {
    std::string candidate = name;
    for (int n = 2; !used.insert(candidate).second; ++n) {
      candidate = name + " " + std::to_string(n);
    }
    return candidate;
  };
  for (size_t m = 0; m < count; ++m) {
    const std::string& name = mesh.materials[m].name;
    object.tags.push_back(unique(name.empty() ? "Material " + std::to_string(m) : name));
  }
  if (needs_spare) object.tags.push_back(unique("Untextured"));

  LightWaveLayer& layer = object.layers.emplace_back();
  layer.name = "Layer 1";
  layer.pivot = Swapped(mesh.pivot);
  layer.has_box = true;
  layer.box_min = Swapped(mesh.box_min);
  layer.box_max = Swapped(mesh.box_max);
  layer.points.reserve(mesh.vertices.size());
  for (const Vec3& v : mesh.vertices) layer.points.push_back(Swapped(v));

  const auto textured = [&](int32_t m) {
    return m >= 0 && size_t(m) < count && size_t(m) < texture_files.size() &&
           !texture_files[size_t(m)].empty();
  };
  LightWaveVertexMap point_uv{kTxuv, 2, kUvMapName, false, {}, {}, {}};
  LightWaveVertexMap corner_uv{kTxuv, 2, kUvMapName, true, {}, {}, {}};
  std::vector<int32_t> point_entry(mesh.vertices.size(), -1);
  LightWavePolygonTags& surfaces = layer.polygon_tags.emplace_back();
  surfaces.type = kSurf;
  layer.polygons.reserve(mesh.triangles.size());
  layer.corners.reserve(mesh.triangles.size() * 3);
  for (size_t i = 0; i < mesh.triangles.size(); ++i) {
    const ModelMesh::Triangle& t = mesh.triangles[i];
    layer.polygons.push_back({LightWaveId("FACE"), 0, uint32_t(layer.corners.size()), 3});
    for (int k = 2; k >= 0; --k) layer.corners.push_back(t.corners[size_t(k)].vertex);
    const bool in_range = t.material >= 0 && size_t(t.material) < count;
    surfaces.polygons.push_back(uint32_t(i));
    surfaces.tags.push_back(uint16_t(in_range ? size_t(t.material) : count));
    if (!textured(t.material)) continue;
    for (int k = 2; k >= 0; --k) {
      const ModelMesh::Corner& c = t.corners[size_t(k)];
      const float u = c.u, v = 1.0f - c.v;
      if (c.vertex >= point_entry.size()) continue;
      int32_t& entry = point_entry[c.vertex];
      if (entry < 0) {
        // The first corner met on a point gives the point its coordinates; corners that differ
        // get their own.
        entry = int32_t(point_uv.points.size());
        point_uv.points.push_back(c.vertex);
        point_uv.values.insert(point_uv.values.end(), {u, v});
      } else if (point_uv.values[size_t(entry) * 2] != u ||
                 point_uv.values[size_t(entry) * 2 + 1] != v) {
        corner_uv.points.push_back(c.vertex);
        corner_uv.polygons.push_back(uint32_t(i));
        corner_uv.values.insert(corner_uv.values.end(), {u, v});
      }
    }
  }
  if (point_uv.size() > 0) layer.maps.push_back(std::move(point_uv));
  if (corner_uv.size() > 0) layer.maps.push_back(std::move(corner_uv));

  for (size_t m = 0; m < object.tags.size(); ++m) {
    LightWaveSurface& surface = object.surfaces.emplace_back();
    surface.name = object.tags[m];
    surface.has_color = true;
    surface.color = {0.78f, 0.78f, 0.78f};
    surface.sides = 1;  // the game draws one side
    if (!textured(int32_t(m))) continue;
    LightWaveClip& clip = object.clips.emplace_back();
    clip.index = uint32_t(object.clips.size());
    clip.still = texture_files[m];
    LightWaveBlock& block = surface.blocks.emplace_back();
    block.type = LightWaveId("IMAP");
    block.ordinal = "\x80";
    block.channel = kColr;
    block.projection = kUvProjection;
    block.axis = 2;
    block.image = clip.index;
    block.uv_map = kUvMapName;
  }
  return object;
}
