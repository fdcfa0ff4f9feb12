#include "models/ModelTags.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "models/Geometry.h"
#include "models/Model.h"
#include "models/ModelImport.h"
#include "tags/Codex.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tags/TagOperations.h"

namespace {

constexpr uint32_t kGeom = tagcode::Make("geom");
constexpr uint32_t kCollection = tagcode::Make(".256");
constexpr uint32_t kCore = tagcode::Make("core");
constexpr uint32_t kMode = tagcode::Make("mode");
constexpr size_t kCoreSize = 384;

void Warn(const std::string& text) {
  LogMessage(1, kModelImportLog, "%s\n", text.c_str());
}

// The first textured material's palette is the collection's; a texture with another palette is
// mapped onto it colour by colour (nearest), which the log says.
bool MakeCollection(const ModelMesh& mesh, Collection& collection, std::string& error) {
  const ModelMesh::Material* first = nullptr;
  for (const ModelMesh::Material& m : mesh.materials) {
    if (m.has_texture) {
      first = &m;
      break;
    }
  }
  uint32_t colors = 0;
  if (first) {
    colors = std::min<uint32_t>(first->texture.paletteCount(), 256);
    std::copy_n(first->texture.palette().begin(),
                std::min<size_t>(colors * 3, first->texture.palette().size()),
                collection.palette.begin());
  }
  for (size_t i = 0; i < mesh.materials.size(); ++i) {
    const ModelMesh::Material& m = mesh.materials[i];
    Sequence* sequence = collection.AddSequence(m.name);
    if (!m.has_texture) continue;
    const Image& t = m.texture;
    if (!t.is(ImageFormat::kIndexed)) {
      error = "texture '" + m.texture_name + "' is not 8-bit paletted";
      return false;
    }
    if (t.width() == 0 || t.height() == 0 || t.width() > 0xFFFF || t.height() > 0xFFFF) {
      error = "texture '" + m.texture_name + "' is " + std::to_string(t.width()) + " x " +
              std::to_string(t.height()) + " pixels, which a bitmap cannot hold";
      return false;
    }
    // Index -> index in the collection's palette, the identity when the palettes agree.
    std::array<uint8_t, 256> map{};
    const std::span<const uint8_t> own = t.palette();
    bool remapped = false;
    for (size_t c = 0; c < 256; ++c) {
      map[c] = static_cast<uint8_t>(c);
      if (c * 3 + 2 >= own.size()) continue;
      const uint8_t r = own[c * 3], g = own[c * 3 + 1], b = own[c * 3 + 2];
      const bool same = c < colors && collection.palette[c * 3] == r &&
                        collection.palette[c * 3 + 1] == g && collection.palette[c * 3 + 2] == b;
      if (same) continue;
      map[c] = static_cast<uint8_t>(
          collection.NearestColor(0, std::max<int>(0, static_cast<int>(colors) - 1), r, g, b));
      remapped = true;
    }
    std::vector<uint8_t> pixels;
    pixels.reserve(size_t{t.width()} * t.height() * 2);
    bool used_zero = false;
    bool remap_used = false;
    for (uint8_t p : t.pixels()) {
      if (p < t.paletteCount() && map[p] != p) remap_used = true;
      const uint8_t index = map[p];
      used_zero = used_zero || index == 0;
      pixels.push_back(255);
      pixels.push_back(index);
    }
    if (remapped && remap_used) {
      Warn("Texture '" + m.texture_name +
           "' has another palette than the first texture; its colours were mapped to the "
           "nearest ones.");
    }
    if (used_zero) {
      Warn("Texture '" + m.texture_name + "' uses colour 0, which the game may draw transparent.");
    }
    CollectionBitmap* bitmap =
        collection.AddOrReplaceBitmap(m.texture_name, 0, pixels, static_cast<uint16_t>(t.width()),
                                      static_cast<uint16_t>(t.height()), 2, nullptr);
    if (!bitmap) {
      error = "cannot make the bitmap of texture '" + m.texture_name + "'";
      return false;
    }
    sequence->frames[0].views[0].bitmap = bitmap;
  }
  collection.RenumberBitmapReferences();
  return true;
}

std::vector<uint8_t> CoreRecord(uint32_t collection_tag) {
  ByteWriter w;
  w.WriteU32Be(collection_tag);
  w.WriteU16Be(1);
  w.WriteU16Be(0);
  for (size_t offset = 8; offset <= 330; offset += 2) w.WriteU16Be(0xFFFF);
  w.WriteZeros(kCoreSize - w.size());
  return w.Take();
}

bool MakeGeometry(const ModelMesh& mesh, uint32_t core_tag, Geometry& g, std::string& error) {
  const auto too_many = [&](size_t count, const char* what) {
    if (count <= Geometry::kMaxCount) return false;
    error = std::to_string(count) + " " + what + " are more than the 65535 a geometry can hold";
    return true;
  };
  if (too_many(mesh.vertices.size(), "vertices") || too_many(mesh.triangles.size(), "triangles") ||
      too_many(mesh.materials.size(), "materials")) {
    return false;
  }
  if (!g.SetHeader(0, core_tag, mesh.box_min, mesh.box_max, mesh.pivot, error)) return false;
  g.SetMaterialCount(mesh.materials.size());
  for (size_t i = 0; i < mesh.materials.size(); ++i) {
    g.SetMaterial(i, mesh.materials[i].name, static_cast<uint16_t>(i));
  }
  g.SetVertexCount(mesh.vertices.size());
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const auto& v = mesh.vertices[i];
    if (!g.SetVertex(i, v[0], v[1], v[2], error)) return false;
  }
  g.SetTriangleCount(mesh.triangles.size());
  std::vector<std::string> warnings;
  for (size_t t = 0; t < mesh.triangles.size(); ++t) {
    const ModelMesh::Triangle& tri = mesh.triangles[t];
    if (tri.material < 0 || tri.material > 0xFFFF) {
      error = "triangle " + std::to_string(t) + " has material " + std::to_string(tri.material);
      return false;
    }
    for (int c = 0; c < 3; ++c) {
      const ModelMesh::Corner& corner = tri.corners[static_cast<size_t>(c)];
      if (corner.vertex >= mesh.vertices.size()) {
        error = "triangle " + std::to_string(t) + " corner " + std::to_string(c) +
                " names vertex " + std::to_string(corner.vertex) + " of " +
                std::to_string(mesh.vertices.size());
        return false;
      }
      g.SetTriangleCorner(t, c, static_cast<uint16_t>(corner.vertex), corner.u, corner.v, warnings);
    }
    g.FinishTriangle(t, 0, static_cast<uint16_t>(tri.material), 1.0f, warnings);
  }
  for (const std::string& w : warnings) Warn(w);
  return true;
}

// One grid cell (x, y, 2) for every whole unit the box covers, y in the outer loop. Negative
// positions are stored in two's complement.
void MakeModel(const Geometry& g, uint32_t geometry_tag, Model& m) {
  m.flags = 0;
  m.geometry = geometry_tag;
  m.vertex_values.assign(g.vertices.size(), 0);
  m.records.assign(1, ModelRecord{});
  const auto low = [&](size_t a) {
    return static_cast<int>(std::floor(g.box[a] / double{Geometry::kUnit}));
  };
  const auto high = [&](size_t a) {
    return static_cast<int>(std::ceil(g.box[a + 3] / double{Geometry::kUnit}));
  };
  for (int y = low(1); y < high(1); ++y) {
    for (int x = low(0); x < high(0); ++x) {
      m.cells.push_back({static_cast<uint16_t>(x), static_cast<uint16_t>(y), 2, 0});
    }
  }
}

struct NewTag {
  tagops::CreatedTag made;
  bool saved = false;
};

// Removes what the conversion has made so far: saved tags lose their file, the rest their entry.
void Discard(Codex& codex, std::vector<NewTag>& tags) {
  for (NewTag& t : tags) {
    if (!t.made.entry) continue;
    if (t.saved) {
      std::string reason;
      if (!tagops::DeleteLocalCopy(codex, t.made.entry, &reason)) {
        LogMessage(0, kModelImportLog, "'%s' could not be removed again: %s\n",
                   t.made.header.Name().c_str(), reason.c_str());
      }
    } else {
      codex.ForgetIfUnused(t.made.entry);
    }
  }
}

// Saves the data into the new tag as the editors save a new tag.
template <typename Fill>
bool Save(Codex& codex, NewTag& tag, Fill fill, std::string& error) {
  TagHeader header = tag.made.header;
  LooseTagWriter* writer = codex.BeginWrite(tag.made.entry, header);
  if (!writer) {
    error = "'" + header.Name() + "' could not be written";
    return false;
  }
  const bool filled = fill(writer->data(), header);
  if (!codex.EndWrite(tag.made.entry, header, filled) || !filled) {
    if (error.empty()) error = "'" + header.Name() + "' could not be written";
    return false;
  }
  tag.saved = true;
  return true;
}

}  // namespace

CodexEntry* MeshToTags(Codex& codex, const ModelMesh& mesh, std::string_view name,
                       std::string& error) {
  error.clear();
  // Everything that can be refused is made before any tag exists.
  Collection collection;
  if (!MakeCollection(mesh, collection, error)) return nullptr;

  std::vector<NewTag> tags(4);
  NewTag& geom = tags[0];
  NewTag& collection_tag = tags[1];
  NewTag& core = tags[2];
  NewTag& mode = tags[3];
  const uint32_t groups[4] = {kGeom, kCollection, kCore, kMode};
  for (size_t i = 0; i < 4; ++i) {
    std::string reason;
    tags[i].made = tagops::CreateTag(codex, groups[i], tagcode::kNone, name, false, &reason);
    if (!tags[i].made.entry) {
      error = "the " + tagcode::Display(groups[i]) + " tag '" + std::string(name) +
              "' cannot be created: " + reason;
      Discard(codex, tags);
      return nullptr;
    }
  }
  Geometry geometry;
  Model model;
  if (!MakeGeometry(mesh, core.made.header.tag_id, geometry, error)) {
    Discard(codex, tags);
    return nullptr;
  }
  MakeModel(geometry, geom.made.header.tag_id, model);

  const bool saved =
      Save(
          codex, collection_tag,
          [&](ByteWriter& out, TagHeader& header) { return collection.Save(out, header, error); },
          error) &&
      Save(
          codex, core,
          [&](ByteWriter& out, TagHeader& header) {
            header.version = 1;
            out.WriteBytes(CoreRecord(collection_tag.made.header.tag_id));
            return true;
          },
          error) &&
      Save(
          codex, geom,
          [&](ByteWriter& out, TagHeader&) {
            out.WriteBytes(geometry.Write());
            return true;
          },
          error) &&
      Save(
          codex, mode,
          [&](ByteWriter& out, TagHeader&) {
            out.WriteBytes(model.Write());
            return true;
          },
          error);
  if (!saved) {
    Discard(codex, tags);
    return nullptr;
  }
  return codex.Find(kGeom, geom.made.header.tag_id);
}
