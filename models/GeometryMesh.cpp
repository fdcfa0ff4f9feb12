#include "models/GeometryMesh.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

#include "collections/Collection.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"

namespace {

constexpr uint32_t kCore = tagcode::Make("core");
constexpr uint32_t kCollection = tagcode::Make(".256");

std::string Id(uint32_t tag_id) {
  return "'" + tagcode::Display(tag_id) + "'";
}

bool ReadTag(Codex& codex, CodexEntry* entry, std::vector<uint8_t>& out) {
  TagStream* stream = codex.OpenData(entry);
  const bool ok = stream && stream->ReadRest(out);
  codex.CloseData(entry);
  return ok;
}

// The collection the geometry's collection reference names, or none with one warning.
std::unique_ptr<Collection> ReferencedCollection(Codex& codex, uint32_t reference,
                                                 std::vector<std::string>& warnings) {
  CodexEntry* core = codex.Find(kCore, reference);
  if (!core) {
    warnings.push_back("the collection reference " + Id(reference) + " cannot be found");
    return nullptr;
  }
  std::vector<uint8_t> record;
  if (!ReadTag(codex, core, record) || record.size() < 4) {
    warnings.push_back("the collection reference " + Id(reference) + " cannot be read");
    return nullptr;
  }
  const uint32_t collection_id = uint32_t{record[0]} << 24 | uint32_t{record[1]} << 16 |
                                 uint32_t{record[2]} << 8 | uint32_t{record[3]};
  CodexEntry* entry = codex.Find(kCollection, collection_id);
  std::vector<uint8_t> data;
  if (!entry || !ReadTag(codex, entry, data)) {
    warnings.push_back("the collection " + Id(collection_id) + " of the collection reference " +
                       Id(reference) + " cannot be " + (entry ? "read" : "found"));
    return nullptr;
  }
  auto collection = std::make_unique<Collection>();
  std::string error;
  if (!collection->Load(data, codex.EntryHeader(*entry), true, error)) {
    warnings.push_back("the collection " + Id(collection_id) + " cannot be read: " + error);
    return nullptr;
  }
  return collection;
}

// Frame 0, view 0 of the sequence as an indexed image with the collection's palette.
bool Texture(const Collection& collection, size_t material, uint16_t sequence_index,
             ModelMesh::Material& out, std::vector<std::string>& warnings) {
  const std::string which = "material " + std::to_string(material) + ": ";
  const Sequence* sequence = collection.SequenceAt(sequence_index);
  if (!sequence) {
    warnings.push_back(which + "the collection has no sequence " + std::to_string(sequence_index));
    return false;
  }
  const CollectionBitmap* bitmap = nullptr;
  if (!sequence->frames.empty() && !sequence->frames[0].views.empty())
    bitmap = sequence->frames[0].views[0].bitmap;
  if (!bitmap) {
    warnings.push_back(which + "sequence " + std::to_string(sequence_index) + " shows no bitmap");
    return false;
  }
  if (!bitmap->IsIndexed() || bitmap->pixels.size() != size_t{bitmap->width} * bitmap->height * 2) {
    warnings.push_back(which + "bitmap '" + bitmap->Name() + "' has no colour indices");
    return false;
  }
  std::vector<uint8_t> indices(size_t{bitmap->width} * bitmap->height);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = bitmap->pixels[i * 2 + 1];
  if (!out.texture.setSize(bitmap->width, bitmap->height, ImageFormat::kIndexed, indices.data())) {
    warnings.push_back(which + "bitmap '" + bitmap->Name() + "' cannot be made an image");
    return false;
  }
  out.texture.setPalette(256, collection.palette.data());
  out.texture_name = bitmap->Name();
  out.has_texture = true;
  return true;
}

}  // namespace

ModelMesh MeshFromGeometry(const Geometry& geometry, Codex* codex,
                           std::vector<std::string>& warnings) {
  constexpr float kNormal = 16384.0f;
  ModelMesh mesh;
  for (size_t a = 0; a < 3; ++a) mesh.pivot[a] = geometry.pivot[a] / Geometry::kUnit;
  mesh.vertices.reserve(geometry.vertices.size());
  for (const GeometryVertex& v : geometry.vertices) {
    mesh.vertices.push_back({v.x / Geometry::kUnit, v.y / Geometry::kUnit, v.z / Geometry::kUnit});
  }
  if (mesh.vertices.empty()) {
    mesh.box_min = mesh.box_max = {0, 0, 0};
  } else {
    mesh.box_min = mesh.box_max = mesh.vertices[0];
    for (const auto& p : mesh.vertices) {
      for (size_t a = 0; a < 3; ++a) {
        mesh.box_min[a] = std::min(mesh.box_min[a], p[a]);
        mesh.box_max[a] = std::max(mesh.box_max[a], p[a]);
      }
    }
  }
  mesh.triangles.reserve(geometry.triangles.size());
  for (const GeometryTriangle& t : geometry.triangles) {
    ModelMesh::Triangle out;
    out.material = t.material;
    out.transparency = t.transparency;
    out.normal = {t.normal[0] / kNormal, t.normal[1] / kNormal, t.normal[2] / kNormal};
    for (size_t c = 0; c < 3; ++c) {
      out.corners[c].vertex = t.corners[c].vertex;
      out.corners[c].u = t.corners[c].u / 65535.0f;
      out.corners[c].v = t.corners[c].v / 65535.0f;
      out.corners[c].normal = out.normal;
    }
    mesh.triangles.push_back(out);
  }
  mesh.materials.resize(geometry.materials.size());
  for (size_t i = 0; i < geometry.materials.size(); ++i)
    mesh.materials[i].name = geometry.materials[i].Name();
  if (!codex || geometry.materials.empty()) return mesh;
  const std::unique_ptr<Collection> collection =
      ReferencedCollection(*codex, geometry.collection_reference, warnings);
  if (!collection) return mesh;
  for (size_t i = 0; i < geometry.materials.size(); ++i)
    Texture(*collection, i, geometry.materials[i].sequence, mesh.materials[i], warnings);
  return mesh;
}
