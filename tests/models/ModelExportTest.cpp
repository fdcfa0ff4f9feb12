#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "collections/DataFile.h"
#include "models/Geometry.h"
#include "models/GeometryMesh.h"
#include "models/LightWaveMesh.h"
#include "models/LightWaveObject.h"
#include "models/ModelImport.h"
#include "models/ModelTags.h"
#include "support/TagOpsFixture.h"
#include "tests/models/LightWaveBytes.h"

namespace {

using namespace tagops_test;

// A palette that is no grey ramp, so that the textures stay indexed when read back.
std::vector<uint8_t> Palette() {
  std::vector<uint8_t> palette(768);
  for (size_t i = 0; i < 768; ++i) palette[i] = uint8_t((i * 37 + 11) % 256);
  return palette;
}

// A 3 x 2 indexed texture whose pixels depend on `seed`.
Image Texture(uint8_t seed) {
  std::vector<uint8_t> pixels(6);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(seed + i * 7 + 1);
  Image image;
  image.setSize(3, 2, ImageFormat::kIndexed, pixels.data());
  image.setPalette(256, Palette().data());
  return image;
}

std::vector<uint8_t> Pixels(const Image& image) {
  return {image.pixels().begin(), image.pixels().end()};
}

// Four triangles on three surfaces: "skin" and "wood" textured through the map "uv", "bare"
// not. Point 1 has its own coordinates on the "wood" triangle (a per-polygon entry).
LwoBytes Crate() {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("skin").Str("wood").Str("bare"));
  c.Chunk("LAYR", L().U16(0).U16(0).Vec(0.5f, 0.25f, -1).Str(""));
  c.Chunk("PNTS",
          L().Vec(0, 0, 0).Vec(1, 0, 0).Vec(0, 1, 0).Vec(1, 1, 0.5f).Vec(-2, 0, 1).Vec(1, 0.5f, 2));
  c.Chunk("VMAP", L().Id("TXUV")
                      .U16(2)
                      .Str("uv")
                      .Uv(0, 0, 0)
                      .Uv(1, 1, 0)
                      .Uv(2, 0, 1)
                      .Uv(3, 0.5f, 0.125f)
                      .Uv(4, 0.3f, 0.7f));
  c.Chunk("POLS", L().Id("FACE")
                      .U16(3)
                      .Vx(0)
                      .Vx(1)
                      .Vx(2)
                      .U16(3)
                      .Vx(1)
                      .Vx(3)
                      .Vx(2)
                      .U16(3)
                      .Vx(0)
                      .Vx(4)
                      .Vx(1)
                      .U16(3)
                      .Vx(4)
                      .Vx(5)
                      .Vx(1));
  c.Chunk("PTAG", L().Id("SURF").Vx(0).U16(0).Vx(1).U16(1).Vx(2).U16(0).Vx(3).U16(2));
  c.Chunk("VMAD", L().Id("TXUV").U16(2).Str("uv").Vx(1).Uv(1, 0.25f, 0.75f));
  c.Chunk("CLIP", L().U32(1).Sub("STIL", L().Str("skin.png")));
  c.Chunk("CLIP", L().U32(2).Sub("STIL", L().Str("wood.bmp")));
  c.Chunk("SURF", Surface("skin", L().Sub("BLOK", ImageBlock("COLR", 5, 1, "uv"))));
  c.Chunk("SURF", Surface("wood", L().Sub("BLOK", ImageBlock("COLR", 5, 2, "uv"))));
  c.Chunk("SURF", Surface("bare", L()));
  return c;
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class ModelExportTest : public TagOpsTest {
 protected:
  void SetUp() override {
    TagOpsTest::SetUp();
    Open();
    fs::create_directories(root_ / "art");
    fs::create_directories(root_ / "out");
  }

  Geometry Read(CodexEntry* entry) {
    const std::string data = ReadData(entry);
    Geometry g;
    std::string error;
    EXPECT_TRUE(Geometry::Read(
        std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()), g, error))
        << error;
    return g;
  }

  // Imports Crate() with its two textures as "crate".
  CodexEntry* ImportCrate() {
    std::string error;
    EXPECT_TRUE(DataFile::saveImage(root_ / "art/skin.png", Texture(10), DataFile::kPng, error))
        << error;
    EXPECT_TRUE(DataFile::saveImage(root_ / "art/wood.bmp", Texture(90), DataFile::kBmp, error))
        << error;
    Spit(root_ / "art/crate.lwo", Crate().Form());
    MessageCapture log;
    CodexEntry* entry = ImportModel(codex_, root_ / "art/crate.lwo", "crate");
    EXPECT_NE(entry, nullptr) << log.text();
    EXPECT_EQ(log.text().find("could not be loaded"), std::string::npos) << log.text();
    return entry;
  }
};

TEST_F(ModelExportTest, ExportThenImportGivesTheSameGeometry) {
  CodexEntry* first = ImportCrate();
  ASSERT_NE(first, nullptr);
  const Geometry before = Read(first);
  MessageCapture log;
  ASSERT_TRUE(ExportModel(codex_, before, "crate", root_ / "out")) << log.text();
  EXPECT_NE(log.text().find("Material 2 has no bitmap; it is exported untextured.\n"),
            std::string::npos)
      << log.text();
  EXPECT_NE(log.text().find("Export Successful.\n\n"), std::string::npos) << log.text();
  // The bitmap "wood.bmp" is written as a PNG and named so.
  EXPECT_EQ(Names(root_ / "out"), (std::vector<std::string>{"crate.lwo", "skin.png", "wood.png"}));

  CodexEntry* second = ImportModel(codex_, root_ / "out/crate.lwo", "again");
  ASSERT_NE(second, nullptr) << log.text();
  const Geometry after = Read(second);

  EXPECT_EQ(after.box, before.box);
  EXPECT_EQ(after.pivot, before.pivot);
  ASSERT_EQ(after.vertices.size(), before.vertices.size());
  for (size_t i = 0; i < before.vertices.size(); ++i) {
    SCOPED_TRACE("vertex " + std::to_string(i));
    EXPECT_EQ(after.vertices[i].x, before.vertices[i].x);
    EXPECT_EQ(after.vertices[i].y, before.vertices[i].y);
    EXPECT_EQ(after.vertices[i].z, before.vertices[i].z);
  }
  ASSERT_EQ(after.triangles.size(), before.triangles.size());
  for (size_t t = 0; t < before.triangles.size(); ++t) {
    SCOPED_TRACE("triangle " + std::to_string(t));
    EXPECT_EQ(after.triangles[t].material, before.triangles[t].material);
    EXPECT_EQ(after.triangles[t].normal, before.triangles[t].normal);
    for (size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(after.triangles[t].corners[c].vertex, before.triangles[t].corners[c].vertex);
      EXPECT_EQ(after.triangles[t].corners[c].u, before.triangles[t].corners[c].u);
      EXPECT_EQ(after.triangles[t].corners[c].v, before.triangles[t].corners[c].v);
    }
  }
  // The per-polygon coordinates of point 1 survived as such.
  EXPECT_NE(before.triangles[1].corners[2].u, before.triangles[0].corners[1].u);

  std::vector<std::string> warnings;
  const ModelMesh a = MeshFromGeometry(before, &codex_, warnings);
  const ModelMesh b = MeshFromGeometry(after, &codex_, warnings);
  // Only the untextured material lacks a bitmap, in both.
  ASSERT_EQ(warnings.size(), 2u);
  for (const std::string& w : warnings) EXPECT_EQ(w.find("material 2:"), 0u) << w;
  ASSERT_EQ(a.materials.size(), 3u);
  ASSERT_EQ(b.materials.size(), a.materials.size());
  const std::vector<std::string> names_after = {"skin.png", "wood.png", ""};
  for (size_t m = 0; m < a.materials.size(); ++m) {
    SCOPED_TRACE("material " + std::to_string(m));
    EXPECT_EQ(after.materials[m].sequence, before.materials[m].sequence);
    EXPECT_EQ(b.materials[m].has_texture, a.materials[m].has_texture);
    EXPECT_EQ(b.materials[m].texture_name, names_after[m]);
    EXPECT_EQ(Pixels(b.materials[m].texture), Pixels(a.materials[m].texture));
    EXPECT_TRUE(std::equal(
        a.materials[m].texture.palette().begin(), a.materials[m].texture.palette().end(),
        b.materials[m].texture.palette().begin(), b.materials[m].texture.palette().end()));
  }
  EXPECT_EQ(Pixels(b.materials[1].texture), Pixels(Texture(90)));
}

TEST_F(ModelExportTest, FileAndSurfaceNamesAreSafeAndDistinct) {
  // Bitmap names that climb out of the folder, differ only in case or are equal, two
  // materials of one name, and a material without texture.
  const std::vector<std::string> textures = {"../up.bmp",
                                             "skin.bmp",
                                             "Skin.bmp",
                                             "skin.bmp",
                                             "a\x01"
                                             "b",
                                             ""};
  ModelMesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.box_max = {1, 1, 0};
  for (size_t m = 0; m < textures.size(); ++m) {
    ModelMesh::Material& material = mesh.materials.emplace_back();
    material.name = m < 2 ? "hide" : "";
    material.texture_name = textures[m];
    material.has_texture = !textures[m].empty();
    if (material.has_texture) material.texture = Texture(uint8_t(m * 20));
    ModelMesh::Triangle& t = mesh.triangles.emplace_back();
    t.material = int32_t(m);
    t.corners = {{{0, 0, 0, {}}, {1, 1, 0, {}}, {2, 0, 1, {}}}};
  }
  std::string error;
  CodexEntry* entry = MeshToTags(codex_, mesh, "names", error);
  ASSERT_NE(entry, nullptr) << error;
  const fs::path folder = root_ / "out/inner";
  fs::create_directories(folder);
  MessageCapture log;
  ASSERT_TRUE(ExportModel(codex_, Read(entry), "../x\n/..", folder)) << log.text();

  EXPECT_EQ(Names(root_ / "out"), std::vector<std::string>{"inner"});
  const std::vector<std::string> files = Names(folder);
  ASSERT_EQ(files.size(), 6u) << log.text();  // the object and five textures
  std::set<std::string> folded;
  fs::path object_file;
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    EXPECT_NE(name[0], '.');
    EXPECT_TRUE(std::none_of(name.begin(), name.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x20; }));
    std::string lower = name;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(folded.insert(lower).second);
    if (lower.ends_with(".lwo"))
      object_file = folder / name;
    else
      EXPECT_TRUE(lower.ends_with(".png"));
  }
  ASSERT_FALSE(object_file.empty());

  LightWaveObject object;
  ASSERT_TRUE(ReadLightWaveObject(object_file, object, error)) << error;
  EXPECT_EQ(std::set<std::string>(object.tags.begin(), object.tags.end()).size(),
            object.tags.size());
  ASSERT_EQ(object.layers.size(), 1u);
  const LightWavePolygonTags* surfaces = object.layers[0].FindPolygonTags(LightWaveId("SURF"));
  ASSERT_NE(surfaces, nullptr);
  ASSERT_EQ(surfaces->tags.size(), textures.size());
  for (size_t m = 0; m < textures.size(); ++m) {
    SCOPED_TRACE("material " + std::to_string(m));
    const LightWaveSurface* surface = object.FindSurface(object.tags[surfaces->tags[m]]);
    ASSERT_NE(surface, nullptr);
    const LightWaveSurfaceTexture texture = SurfaceTexture(object, *surface);
    ASSERT_EQ(texture.textured, !textures[m].empty());
    if (!texture.textured) continue;
    // Each clip names the file holding this material's own pixels.
    Image image;
    ASSERT_TRUE(DataFile::loadImage(folder / texture.file_name, image, error)) << error;
    EXPECT_EQ(Pixels(image), Pixels(Texture(uint8_t(m * 20))));
  }
  EXPECT_NE(log.text().find("Material 5 has no bitmap"), std::string::npos) << log.text();
}

TEST_F(ModelExportTest, AFailedExportLeavesNothingBehind) {
  CodexEntry* entry = ImportCrate();
  ASSERT_NE(entry, nullptr);
  const Geometry geometry = Read(entry);
  {
    // The textures go in first; the object then cannot replace a folder of its name.
    fs::create_directories(root_ / "out/crate.lwo");
    MessageCapture log;
    EXPECT_FALSE(ExportModel(codex_, geometry, "crate", root_ / "out"));
    EXPECT_NE(log.text().find("Export Failed.\n\n"), std::string::npos) << log.text();
    EXPECT_EQ(Names(root_ / "out"), std::vector<std::string>{"crate.lwo"});
    EXPECT_TRUE(fs::is_empty(root_ / "out/crate.lwo"));
  }
  {
    MessageCapture log;
    EXPECT_FALSE(ExportModel(codex_, geometry, "crate", root_ / "missing"));
    EXPECT_NE(log.text().find("is not a folder"), std::string::npos) << log.text();
    EXPECT_FALSE(fs::exists(root_ / "missing"));
  }
}

}  // namespace
