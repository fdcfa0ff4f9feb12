#pragma once
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "models/LightWaveObject.h"
#include "models/ModelMesh.h"

// The texture the import takes for a surface: textured when the first texture layer of its
// colour channel is an image map with UV projection. `file_name` is the clip's path after its
// last ':', '/' or '\'; `uv_map` the map the layer names.
struct LightWaveSurfaceTexture {
  bool textured = false;
  std::string clip_path;
  std::string file_name;
  std::string uv_map;
};
LightWaveSurfaceTexture SurfaceTexture(const LightWaveObject& object,
                                       const LightWaveSurface& surface);

// The part of a clip path after its last ':', '/' or '\'.
std::string ClipFileName(std::string_view path);
// `name` in `folder`: the exact name when it exists, otherwise the first entry whose name
// matches without regard to ASCII case; empty when there is none.
std::filesystem::path FindFileInFolder(const std::filesystem::path& folder, std::string_view name);

// The first layer of an object as a mesh in the game's axes: y and z exchanged, each
// triangle's corners reversed, texture coordinates (u, 1 - v) from the per-polygon map of the
// image map's name where the corner has an entry, else from the per-point map. Materials come in
// the order the triangles first use their surfaces (polygons without a surface share one
// untextured material); textures are loaded from `folder`. A textured surface whose texture
// does not load keeps its file name with has_texture false. False, with `error`, when the layer
// has a polygon other than a triangle or no triangles at all.
[[nodiscard]] bool ObjectToMesh(const LightWaveObject& object, const std::filesystem::path& folder,
                                ModelMesh& out, std::string& error);

// The reverse for the export: one layer, the axes and corner order undone, v flipped back,
// one uniquely named surface per material (a name made from the index when it has none), and a
// UV image map on clip `texture_files[m]` for every material with a non-empty entry there.
// Triangles naming no material get an extra untextured surface.
LightWaveObject MeshToObject(const ModelMesh& mesh, std::span<const std::string> texture_files);
