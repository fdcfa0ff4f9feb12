#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "collections/DataFile.h"
#include "models/LightWaveMesh.h"
#include "tests/models/LightWaveBytes.h"
#include "tests/support/TagFiles.h"

namespace {

namespace fs = std::filesystem;
using Vec3 = std::array<float, 3>;

LightWaveObject Read(const LwoBytes& chunks) {
  LightWaveObject object;
  std::string error;
  EXPECT_TRUE(ReadLightWaveObject(chunks.Form(), object, error)) << error;
  return object;
}

ModelMesh Convert(const LightWaveObject& object, const fs::path& folder = {}) {
  ModelMesh mesh;
  std::string error;
  EXPECT_TRUE(ObjectToMesh(object, folder, mesh, error)) << error;
  return mesh;
}

LwoBytes Layer(const std::vector<Vec3>& points) {
  LwoBytes c;
  c.Chunk("LAYR", L().U16(0).U16(0).Vec(0, 0, 0).Str(""));
  LwoBytes p;
  for (const Vec3& v : points) p.Vec(v[0], v[1], v[2]);
  c.Chunk("PNTS", p);
  return c;
}

// Polygons of three corners each, from `corners`.
LwoBytes Triangles(const std::vector<uint32_t>& corners) {
  LwoBytes p = L().Id("FACE");
  for (size_t i = 0; i < corners.size(); i += 3) {
    p.U16(3).Vx(corners[i]).Vx(corners[i + 1]).Vx(corners[i + 2]);
  }
  return p;
}

LwoBytes SurfaceTags(const std::vector<uint16_t>& tags) {
  LwoBytes p = L().Id("SURF");
  for (size_t i = 0; i < tags.size(); ++i) p.Vx(uint32_t(i)).U16(tags[i]);
  return p;
}

// (C - A) x (B - A), normalised: how the geometry computes a triangle's normal.
Vec3 GeometryNormal(const ModelMesh& mesh, const ModelMesh::Triangle& t) {
  const Vec3 &a = mesh.vertices[t.corners[0].vertex], &b = mesh.vertices[t.corners[1].vertex],
             &c = mesh.vertices[t.corners[2].vertex];
  const Vec3 e1{c[0] - a[0], c[1] - a[1], c[2] - a[2]}, e2{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  Vec3 n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
         e1[0] * e2[1] - e1[1] * e2[0]};
  const float l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  return {n[0] / l, n[1] / l, n[2] / l};
}

TEST(LightWaveToMesh, ExchangesYAndZAndKeepsX) {
  LwoBytes c;
  c.Chunk("LAYR", L().U16(0).U16(0).Vec(1, 2, 3).Str(""));
  c.Chunk("PNTS", L().Vec(1, 2, 3).Vec(4, 2, 3).Vec(1, 5, 3));
  c.Chunk("BBOX", L().Vec(-1, -2, -3).Vec(4, 5, 6));
  c.Chunk("POLS", Triangles({0, 1, 2}));
  const ModelMesh mesh = Convert(Read(c));
  ASSERT_EQ(mesh.vertices.size(), 3u);
  EXPECT_EQ(mesh.vertices[0], (Vec3{1, 3, 2}));
  EXPECT_EQ(mesh.vertices[1], (Vec3{4, 3, 2}));
  EXPECT_EQ(mesh.vertices[2], (Vec3{1, 3, 5}));
  EXPECT_EQ(mesh.pivot, (Vec3{1, 3, 2}));
  EXPECT_EQ(mesh.box_min, (Vec3{-1, -3, -2}));
  EXPECT_EQ(mesh.box_max, (Vec3{4, 6, 5}));
}

TEST(LightWaveToMesh, WithoutABoxThePointsGiveIt) {
  LwoBytes c = Layer({{0, 0, 0}, {2, -1, 0}, {0, 3, 5}});
  c.Chunk("POLS", Triangles({0, 1, 2}));
  const ModelMesh mesh = Convert(Read(c));
  EXPECT_EQ(mesh.box_min, (Vec3{0, 0, -1}));
  EXPECT_EQ(mesh.box_max, (Vec3{2, 5, 3}));
}

TEST(LightWaveToMesh, CornersAreReversedAndTheNormalIsTheGeometrys) {
  // A floor triangle seen from above (+y) in LightWave, clockwise as LightWave's front faces are.
  LwoBytes c = Layer({{0, 0, 0}, {0, 0, 1}, {1, 0, 0}});
  c.Chunk("POLS", Triangles({0, 1, 2}));
  const ModelMesh mesh = Convert(Read(c));
  ASSERT_EQ(mesh.triangles.size(), 1u);
  const ModelMesh::Triangle& t = mesh.triangles[0];
  EXPECT_EQ(t.corners[0].vertex, 2u);
  EXPECT_EQ(t.corners[1].vertex, 1u);
  EXPECT_EQ(t.corners[2].vertex, 0u);
  EXPECT_EQ(t.unused, -1);
  // The mesh carries the normal the geometry computes from these corners, (C - A) x (B - A):
  // with y and z exchanged and the corners reversed that is the opposite of LightWave's (+y).
  const Vec3 g = GeometryNormal(mesh, t);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(g[size_t(k)], t.normal[size_t(k)], 1e-6f);
  EXPECT_NEAR(t.normal[2], -1.0f, 1e-6f);
  EXPECT_NEAR(std::abs(t.normal[0]) + std::abs(t.normal[1]), 0.0f, 1e-6f);
  EXPECT_EQ(t.corners[1].normal, t.normal);
}

TEST(LightWaveToMesh, OnlyTrianglesOfTheFirstLayerAreTaken) {
  {
    LwoBytes c = Layer({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    c.Chunk("POLS", L().Id("FACE").U16(3).Vx(0).Vx(1).Vx(2).U16(4).Vx(0).Vx(1).Vx(2).Vx(3));
    ModelMesh mesh;
    std::string error;
    EXPECT_FALSE(ObjectToMesh(Read(c), {}, mesh, error));
    EXPECT_NE(error.find("polygon 1"), std::string::npos) << error;
    EXPECT_NE(error.find("4 corners"), std::string::npos) << error;
  }
  {
    LwoBytes c = Layer({{0, 0, 0}});
    ModelMesh mesh;
    std::string error;
    EXPECT_FALSE(ObjectToMesh(Read(c), {}, mesh, error));
    EXPECT_NE(error.find("no triangles"), std::string::npos) << error;
    EXPECT_FALSE(ObjectToMesh(LightWaveObject{}, {}, mesh, error));
  }
  {
    // A quad in a second layer does not matter.
    LwoBytes c = Layer({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    c.Chunk("POLS", Triangles({0, 1, 2}));
    c.Append(Layer({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {9, 9, 9}}));
    c.Chunk("POLS", L().Id("FACE").U16(4).Vx(0).Vx(1).Vx(2).Vx(3));
    const ModelMesh mesh = Convert(Read(c));
    EXPECT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(mesh.triangles.size(), 1u);
  }
}

TEST(LightWaveToMesh, MaterialsComeInFirstUseOrder) {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("a").Str("b").Str("c"));
  c.Append(Layer({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  c.Chunk("POLS", Triangles({0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2}));
  // Polygon 4 has no surface tag.
  c.Chunk("PTAG", SurfaceTags({2, 0, 2, 1}));
  const ModelMesh mesh = Convert(Read(c));
  ASSERT_EQ(mesh.triangles.size(), 5u);
  std::vector<int32_t> materials;
  for (const auto& t : mesh.triangles) materials.push_back(t.material);
  EXPECT_EQ(materials, (std::vector<int32_t>{0, 1, 0, 2, 3}));
  ASSERT_EQ(mesh.materials.size(), 4u);
  for (const auto& m : mesh.materials) {
    EXPECT_TRUE(m.name.empty());
    EXPECT_FALSE(m.has_texture);
  }
}

TEST(LightWaveToMesh, PolygonsWithoutASurfaceShareOneMaterial) {
  LwoBytes c = Layer({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  c.Chunk("POLS", Triangles({0, 1, 2, 2, 1, 0}));
  const ModelMesh mesh = Convert(Read(c));
  ASSERT_EQ(mesh.materials.size(), 1u);
  EXPECT_EQ(mesh.triangles[0].material, 0);
  EXPECT_EQ(mesh.triangles[1].material, 0);
}

// One textured-looking surface per case, with the object around it.
LightWaveObject WithSurface(const LwoBytes& sub_chunks) {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("s"));
  c.Append(Layer({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  c.Chunk("VMAP", L().Id("TXUV").U16(2).Str("uv").Uv(0, 0.25f, 0.5f));
  c.Chunk("POLS", Triangles({0, 1, 2}));
  c.Chunk("PTAG", SurfaceTags({0}));
  c.Chunk("CLIP", L().U32(1).Sub("STIL", L().Str("t.bmp")));
  c.Chunk("SURF", Surface("s", sub_chunks));
  return Read(c);
}

TEST(LightWaveToMesh, OnlyAUvImageMapOnTheColourChannelTextures) {
  const auto texture_of = [](const LwoBytes& subs) {
    const LightWaveObject o = WithSurface(subs);
    return SurfaceTexture(o, o.surfaces.at(0));
  };
  const LightWaveSurfaceTexture good = texture_of(L().Sub("BLOK", ImageBlock("COLR", 5, 1, "uv")));
  EXPECT_TRUE(good.textured);
  EXPECT_EQ(good.file_name, "t.bmp");
  EXPECT_EQ(good.uv_map, "uv");
  EXPECT_FALSE(texture_of(L().Sub("BLOK", ImageBlock("DIFF", 5, 1, "uv"))).textured);
  EXPECT_FALSE(texture_of(L().Sub("BLOK", ImageBlock("COLR", 0, 1, "uv"))).textured);
  EXPECT_FALSE(texture_of(L()).textured);
  // An image map on another channel does not hide the colour one.
  EXPECT_TRUE(texture_of(L().Sub("BLOK", ImageBlock("BUMP", 5, 1, "uv"))
                             .Sub("BLOK", ImageBlock("COLR", 5, 1, "uv")))
                  .textured);
  // The first colour layer decides: a procedural one ordered before the image map untextures.
  LwoBytes procedural = L().Sub("PROC", L().Str("\x70").Sub("CHAN", L().Id("COLR")));
  EXPECT_FALSE(
      texture_of(L().Sub("BLOK", ImageBlock("COLR", 5, 1, "uv", "\x80")).Sub("BLOK", procedural))
          .textured);

  // An untextured surface's corners get (0, 0).
  const ModelMesh mesh = Convert(WithSurface(L().Sub("BLOK", ImageBlock("DIFF", 5, 1, "uv"))));
  EXPECT_EQ(mesh.triangles[0].corners[2].u, 0.0f);
  EXPECT_EQ(mesh.triangles[0].corners[2].v, 0.0f);
  EXPECT_TRUE(mesh.materials[0].texture_name.empty());
}

TEST(LightWaveToMesh, ClipPathsAreCutAtEverySeparator) {
  EXPECT_EQ(ClipFileName("C:/art/skin.bmp"), "skin.bmp");
  EXPECT_EQ(ClipFileName("C:\\art\\skin.bmp"), "skin.bmp");
  EXPECT_EQ(ClipFileName("Textures:skin.bmp"), "skin.bmp");
  EXPECT_EQ(ClipFileName("a/b\\c:d.png"), "d.png");
  EXPECT_EQ(ClipFileName("plain.bmp"), "plain.bmp");
}

TEST(LightWaveToMesh, PerPolygonCoordinatesWinOverPerPointOnesAndVIsFlipped) {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("s"));
  c.Append(Layer({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  c.Chunk("VMAP", L().Id("TXUV").U16(2).Str("uv").Uv(0, 0.25f, 0.125f).Uv(1, 1, 0).Uv(2, 0.5f, 1));
  // Another map of the same name but another type must not be taken.
  c.Chunk("VMAP", L().Id("WGHT").U16(1).Str("uv").Vx(1).F32(0.9f));
  c.Chunk("POLS", Triangles({0, 1, 2, 2, 1, 0}));
  c.Chunk("PTAG", SurfaceTags({0, 0}));
  // Point 1 in polygon 1 only has its own coordinates.
  c.Chunk("VMAD", L().Id("TXUV").U16(2).Str("uv").Vx(1).Uv(1, 0.75f, 0.25f));
  c.Chunk("CLIP", L().U32(1).Sub("STIL", L().Str("t.bmp")));
  c.Chunk("SURF", Surface("s", L().Sub("BLOK", ImageBlock("COLR", 5, 1, "uv"))));
  const ModelMesh mesh = Convert(Read(c));
  // Polygon 0 = (0, 1, 2): corners reversed to points 2, 1, 0.
  const auto& t0 = mesh.triangles[0].corners;
  EXPECT_EQ(t0[2].vertex, 0u);
  EXPECT_EQ(t0[2].u, 0.25f);
  EXPECT_EQ(t0[2].v, 0.875f);
  EXPECT_EQ(t0[1].u, 1.0f);  // point 1 from the per-point map here
  EXPECT_EQ(t0[1].v, 1.0f);
  EXPECT_EQ(t0[0].v, 0.0f);
  const auto& t1 = mesh.triangles[1].corners;
  EXPECT_EQ(t1[1].vertex, 1u);
  EXPECT_EQ(t1[1].u, 0.75f);
  EXPECT_EQ(t1[1].v, 0.75f);
  EXPECT_EQ(t1[2].vertex, 2u);
  EXPECT_EQ(t1[2].u, 0.5f);  // no per-polygon entry: the per-point one
}

class LightWaveTextures : public tagfiles::TempFolderTest {
 protected:
  void WriteTexture(const std::string& name, uint8_t index) {
    Image image;
    std::vector<uint8_t> pixels(4 * 2, index);
    ASSERT_TRUE(image.setSize(4, 2, ImageFormat::kIndexed, pixels.data()));
    std::vector<uint8_t> palette(768);
    for (size_t i = 0; i < 768; ++i) palette[i] = uint8_t(i * 7);
    image.setPalette(256, palette.data());
    std::string error;
    ASSERT_TRUE(DataFile::saveImage(root_ / name, image, DataFile::kPng, error)) << error;
  }
  LightWaveObject WithClip(const std::string& path) {
    LwoBytes c;
    c.Chunk("TAGS", L().Str("s"));
    c.Append(Layer({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    c.Chunk("POLS", Triangles({0, 1, 2}));
    c.Chunk("PTAG", SurfaceTags({0}));
    c.Chunk("CLIP", L().U32(7).Sub("STIL", L().Str(path)));
    c.Chunk("SURF", Surface("s", L().Sub("BLOK", ImageBlock("COLR", 5, 7, "uv"))));
    return Read(c);
  }
};

TEST_F(LightWaveTextures, AreLoadedFromTheObjectsFolderWithoutChangingTheWorkingFolder) {
  WriteTexture("skin.png", 5);
  const fs::path before = fs::current_path();
  ModelMesh mesh = Convert(WithClip("C:/art/skin.png"), root_);
  EXPECT_EQ(fs::current_path(), before);
  ASSERT_EQ(mesh.materials.size(), 1u);
  EXPECT_TRUE(mesh.materials[0].has_texture);
  EXPECT_EQ(mesh.materials[0].texture_name, "skin.png");
  EXPECT_EQ(mesh.materials[0].texture.width(), 4u);
  EXPECT_TRUE(mesh.materials[0].texture.is(ImageFormat::kIndexed));
  EXPECT_EQ(mesh.materials[0].texture.pixels()[0], 5);

  // A Windows path in another case still finds it.
  mesh = Convert(WithClip("D:\\Art\\SKIN.PNG"), root_);
  EXPECT_TRUE(mesh.materials[0].has_texture);
  EXPECT_EQ(mesh.materials[0].texture_name, "SKIN.PNG");
}

TEST_F(LightWaveTextures, AnExactNameWinsOverOneInAnotherCase) {
  WriteTexture("Skin.png", 1);
  WriteTexture("skin.png", 2);
  EXPECT_EQ(FindFileInFolder(root_, "skin.png").filename(), "skin.png");
  EXPECT_EQ(FindFileInFolder(root_, "Skin.png").filename(), "Skin.png");
  EXPECT_TRUE(FindFileInFolder(root_, "none.png").empty());
  EXPECT_TRUE(FindFileInFolder(root_, "").empty());
}

TEST_F(LightWaveTextures, AMissingTextureKeepsItsNameButNoPixels) {
  const ModelMesh mesh = Convert(WithClip("gone.png"), root_);
  EXPECT_FALSE(mesh.materials[0].has_texture);
  EXPECT_EQ(mesh.materials[0].texture_name, "gone.png");
}

TEST_F(LightWaveTextures, ExportThenImportGivesTheSameMesh) {
  WriteTexture("a.png", 3);
  WriteTexture("b.png", 4);
  ModelMesh mesh;
  mesh.vertices = {{0, 0, 0}, {1.5f, 0, 0}, {0, -2, 0.25f}, {1, 1, 1}};
  mesh.box_min = {0, -2, 0};
  mesh.box_max = {1.5f, 1, 1};
  mesh.pivot = {0.5f, 0.25f, -1};
  mesh.materials.resize(3);
  mesh.materials[0].texture_name = "a.png";
  mesh.materials[2].texture_name = "b.png";
  const auto corner = [](uint32_t vertex, float u, float v) {
    ModelMesh::Corner c;
    c.vertex = vertex;
    c.u = u;
    c.v = v;
    return c;
  };
  mesh.triangles.resize(4);
  mesh.triangles[0].material = 0;
  mesh.triangles[0].corners = {corner(0, 0, 1), corner(1, 1, 1), corner(2, 0.3f, 0.1f)};
  mesh.triangles[1].material = 1;  // untextured
  mesh.triangles[1].corners = {corner(1, 0, 0), corner(3, 0, 0), corner(2, 0, 0)};
  mesh.triangles[2].material = 2;
  // Point 1 again, with other coordinates than in triangle 0.
  mesh.triangles[2].corners = {corner(3, 0.5f, 0.5f), corner(1, 0.2f, 0.7f), corner(0, 0, 1)};
  mesh.triangles[3].material = 0;
  mesh.triangles[3].corners = {corner(2, 0.3f, 0.1f), corner(1, 0.9f, 0.05f), corner(3, 1, 0)};

  const std::vector<std::string> files = {"a.png", "", "b.png"};
  LightWaveObject object;
  std::string error;
  ASSERT_TRUE(ReadLightWaveObject(WriteLightWaveObject(MeshToObject(mesh, files)), object, error))
      << error;
  const ModelMesh back = Convert(object, root_);

  EXPECT_EQ(back.vertices, mesh.vertices);
  EXPECT_EQ(back.box_min, mesh.box_min);
  EXPECT_EQ(back.box_max, mesh.box_max);
  EXPECT_EQ(back.pivot, mesh.pivot);
  ASSERT_EQ(back.triangles.size(), mesh.triangles.size());
  for (size_t i = 0; i < mesh.triangles.size(); ++i) {
    SCOPED_TRACE("triangle " + std::to_string(i));
    EXPECT_EQ(back.triangles[i].material, mesh.triangles[i].material);
    for (size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(back.triangles[i].corners[k].vertex, mesh.triangles[i].corners[k].vertex);
      EXPECT_NEAR(back.triangles[i].corners[k].u, mesh.triangles[i].corners[k].u, 1e-6f);
      EXPECT_NEAR(back.triangles[i].corners[k].v, mesh.triangles[i].corners[k].v, 1e-6f);
    }
  }
  ASSERT_EQ(back.materials.size(), 3u);
  EXPECT_EQ(back.materials[0].texture_name, "a.png");
  EXPECT_TRUE(back.materials[0].has_texture);
  EXPECT_FALSE(back.materials[1].has_texture);
  EXPECT_TRUE(back.materials[1].texture_name.empty());
  EXPECT_EQ(back.materials[2].texture.pixels()[0], 4);
}

TEST(LightWaveFromMesh, SurfaceNamesAreUniqueAndStrayMaterialsGetAnUntexturedOne) {
  ModelMesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.materials.resize(4);
  mesh.materials[1].name = "stone";
  mesh.materials[2].name = "stone";
  mesh.materials[3].name = "Material 0";  // what the unnamed first one would be called
  mesh.triangles.resize(2);
  mesh.triangles[0].material = 1;
  mesh.triangles[1].material = 9;  // names no material
  const LightWaveObject o = MeshToObject(mesh, {});
  ASSERT_EQ(o.tags.size(), 5u);
  std::set<std::string> names(o.tags.begin(), o.tags.end());
  EXPECT_EQ(names.size(), 5u);
  EXPECT_EQ(o.tags[1], "stone");
  EXPECT_EQ(o.surfaces.size(), 5u);
  EXPECT_TRUE(o.clips.empty());
  const LightWavePolygonTags* tags = o.layers[0].FindPolygonTags(LightWaveId("SURF"));
  ASSERT_NE(tags, nullptr);
  EXPECT_EQ(tags->tags, (std::vector<uint16_t>{1, 4}));
  EXPECT_TRUE(o.layers[0].maps.empty());
}

}  // namespace
