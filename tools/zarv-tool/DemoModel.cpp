#include "tools/zarv-tool/DemoModel.h"

#include <array>

#include "models/ModelTags.h"
#include "tags/Codex.h"

namespace demomodel {

namespace {

using Vec = std::array<float, 3>;

struct Face {
  const char* name;
  Vec normal, e1, e2;  // e1 x e2 = normal
  std::array<uint8_t, 3> colour;
};

// −y first: the face a camera looking along +y sees.
constexpr std::array<Face, 6> kFaces = {{
    {"south", {0, -1, 0}, {1, 0, 0}, {0, 0, 1}, {200, 40, 40}},
    {"north", {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {40, 170, 40}},
    {"west", {-1, 0, 0}, {0, 0, 1}, {0, 1, 0}, {40, 60, 210}},
    {"east", {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {220, 200, 40}},
    {"bottom", {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {90, 90, 90}},
    {"top", {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {230, 230, 230}},
}};

constexpr uint32_t kTextureSize = 4;

// Corners of the cube: bit 0 x, bit 1 y, bit 2 z on the positive side.
uint32_t CornerIndex(const Vec& p) {
  return (p[0] > 0 ? 1u : 0u) | (p[1] > 0 ? 2u : 0u) | (p[2] > 0.5f ? 4u : 0u);
}

}  // namespace

ModelMesh CrateMesh() {
  ModelMesh mesh;
  mesh.box_min = {-0.5f, -0.5f, 0.0f};
  mesh.box_max = {0.5f, 0.5f, 1.0f};
  for (uint32_t i = 0; i < 8; ++i) {
    mesh.vertices.push_back({i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 1.0f : 0.0f});
  }
  std::array<uint8_t, 7 * 3> palette{};
  for (size_t f = 0; f < kFaces.size(); ++f) {
    for (size_t c = 0; c < 3; ++c) palette[(f + 1) * 3 + c] = kFaces[f].colour[c];
  }
  for (size_t f = 0; f < kFaces.size(); ++f) {
    const Face& face = kFaces[f];
    // The quad counter-clockwise seen from outside: centre -e1 -e2, +e1 -e2, +e1 +e2, -e1 +e2.
    std::array<uint32_t, 4> quad{};
    constexpr float kSigns[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (size_t k = 0; k < 4; ++k) {
      Vec p{};
      for (size_t a = 0; a < 3; ++a) {
        const float centre = (a == 2 ? 0.5f : 0.0f) + 0.5f * face.normal[a];
        p[a] = centre + 0.5f * (kSigns[k][0] * face.e1[a] + kSigns[k][1] * face.e2[a]);
      }
      quad[k] = CornerIndex(p);
    }
    // (A, B, C) = (P0, P2, P1) and (P0, P3, P2): (C - A) x (B - A) points out of the cube.
    for (const std::array<size_t, 3>& corners :
         {std::array<size_t, 3>{0, 2, 1}, std::array<size_t, 3>{0, 3, 2}}) {
      ModelMesh::Triangle t;
      t.material = static_cast<int32_t>(f);
      t.normal = face.normal;
      for (size_t c = 0; c < 3; ++c) {
        const size_t k = corners[c];
        t.corners[c].vertex = quad[k];
        t.corners[c].u = kSigns[k][0] > 0 ? 1.0f : 0.0f;
        t.corners[c].v = kSigns[k][1] > 0 ? 0.0f : 1.0f;
        t.corners[c].normal = face.normal;
      }
      mesh.triangles.push_back(t);
    }
    ModelMesh::Material material;
    material.name = face.name;
    material.texture_name = std::string("crate ") + face.name + ".bmp";
    material.has_texture = true;
    const std::vector<uint8_t> pixels(kTextureSize * kTextureSize, static_cast<uint8_t>(f + 1));
    material.texture.setSize(kTextureSize, kTextureSize, ImageFormat::kIndexed, pixels.data());
    material.texture.setPalette(7, palette.data());
    mesh.materials.push_back(std::move(material));
  }
  return mesh;
}

bool Write(const std::filesystem::path& local_folder, std::string& error) {
  Codex codex;
  codex.SetLocalFolder(local_folder.string());
  return MeshToTags(codex, CrateMesh(), "Crate", error) != nullptr;
}

}  // namespace demomodel
