#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/Collection.h"
#include "models/Geometry.h"
#include "models/GeometryMesh.h"
#include "models/ModelTags.h"
#include "support/TagOpsFixture.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"

namespace {

using namespace tagops_test;

constexpr uint32_t kGeom = tagcode::Make("geom");
constexpr uint32_t kColl = tagcode::Make(".256");
constexpr uint32_t kCore = tagcode::Make("core");

// A collection of two bitmaps and three sequences: the first shows "red.bmp", the second
// nothing, the third "blue.bmp"; palette entry i is (i, 2i, 3i).
Bytes CollectionData() {
  Collection c;
  for (size_t i = 0; i < 256; ++i) {
    c.palette[i * 3] = static_cast<uint8_t>(i);
    c.palette[i * 3 + 1] = static_cast<uint8_t>(2 * i);
    c.palette[i * 3 + 2] = static_cast<uint8_t>(3 * i);
  }
  const std::vector<uint8_t> red = {255, 5, 255, 6, 255, 7, 255, 8};  // 2 x 2
  const std::vector<uint8_t> blue = {255, 9};
  CollectionBitmap* r = c.AddOrReplaceBitmap("red.bmp", 0, red, 2, 2, 2, nullptr);
  CollectionBitmap* b = c.AddOrReplaceBitmap("blue.bmp", 0, blue, 1, 1, 2, nullptr);
  c.AddSequence("first")->frames[0].views[0].bitmap = r;
  c.AddSequence("none");
  c.AddSequence("third")->frames[0].views[0].bitmap = b;
  c.RenumberBitmapReferences();
  ByteWriter w;
  TagHeader h = TagHeader::Fresh();
  std::string error;
  EXPECT_TRUE(c.Save(w, h, error)) << error;
  return w.Take();
}

Bytes CoreData(uint32_t collection) {
  ByteWriter w;
  w.WriteU32Be(collection);
  w.WriteU16Be(1);
  w.WriteZeros(384 - 6);
  return w.Take();
}

// Vertices at 1.5, -2 and 0.25 units; materials naming sequences 2, 1, 0 and 7.
Geometry SampleGeometry(uint32_t reference) {
  Geometry g;
  g.collection_reference = reference;
  g.pivot = {256, -512, 0};
  g.vertices = {{768, -1024, 128}, {0, 0, 0}, {-512, 512, 1024}};
  g.materials.resize(4);
  const uint16_t sequences[4] = {2, 1, 0, 7};
  for (size_t i = 0; i < 4; ++i) g.materials[i].sequence = sequences[i];
  g.triangles.resize(2);
  GeometryTriangle& t = g.triangles[0];
  t.material = 0;
  t.transparency = 32768;
  t.normal = {0, 0, -16384};
  t.corners[0] = {32767, 65535, 2, 0};  // v, u, vertex
  t.corners[1] = {0, 0, 1, 0};
  t.corners[2] = {65535, 16384, 0, 0};
  g.triangles[1] = t;
  g.triangles[1].material = 9;  // past the materials: untextured, but kept
  return g;
}

class GeometryMeshTest : public TagOpsTest {};

TEST_F(GeometryMeshTest, PositionsCornersAndBoxComeFromTheStoredValues) {
  std::vector<std::string> warnings;
  const ModelMesh mesh = MeshFromGeometry(SampleGeometry(0), nullptr, warnings);
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(mesh.vertices.size(), 3u);
  EXPECT_EQ(mesh.vertices[0], (std::array<float, 3>{1.5f, -2.0f, 0.25f}));
  EXPECT_EQ(mesh.box_min, (std::array<float, 3>{-1.0f, -2.0f, 0.0f}));
  EXPECT_EQ(mesh.box_max, (std::array<float, 3>{1.5f, 1.0f, 2.0f}));
  EXPECT_EQ(mesh.pivot, (std::array<float, 3>{0.5f, -1.0f, 0.0f}));
  ASSERT_EQ(mesh.triangles.size(), 2u);
  const ModelMesh::Triangle& t = mesh.triangles[0];
  EXPECT_EQ(t.corners[0].vertex, 2u);
  EXPECT_FLOAT_EQ(t.corners[0].u, 1.0f);
  EXPECT_NEAR(t.corners[0].v, 0.5f, 1e-4);
  EXPECT_NEAR(t.corners[2].u, 0.25f, 1e-4);
  EXPECT_EQ(t.normal, (std::array<float, 3>{0, 0, -1.0f}));
  EXPECT_EQ(t.corners[1].normal, t.normal);
  EXPECT_EQ(t.transparency, 32768);
  EXPECT_EQ(mesh.triangles[1].material, 9);
  ASSERT_EQ(mesh.materials.size(), 4u);
  for (const auto& m : mesh.materials) EXPECT_FALSE(m.has_texture);

  Geometry empty;
  const ModelMesh none = MeshFromGeometry(empty, nullptr, warnings);
  EXPECT_EQ(none.box_min, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(none.box_max, (std::array<float, 3>{0, 0, 0}));
}

TEST_F(GeometryMeshTest, TexturesComeFromTheReferencedCollection) {
  // The collection and its reference in an archive, the geometry only in memory.
  Archive({{kColl, tagcode::Make("skin"), "Skin", CollectionData()},
           {kCore, tagcode::Make("skrf"), "Skin ref", CoreData(tagcode::Make("skin"))}});
  Open();
  codex_.SetWorkingSet({codex_.ArchiveAt(0)});
  std::vector<std::string> warnings;
  const ModelMesh mesh = MeshFromGeometry(SampleGeometry(tagcode::Make("skrf")), &codex_, warnings);
  ASSERT_EQ(mesh.materials.size(), 4u);
  // Material 0 names sequence 2: blue.bmp, 1 x 1, index 9.
  const ModelMesh::Material& blue = mesh.materials[0];
  ASSERT_TRUE(blue.has_texture);
  EXPECT_EQ(blue.texture_name, "blue.bmp");
  EXPECT_TRUE(blue.texture.is(ImageFormat::kIndexed));
  EXPECT_EQ(blue.texture.width(), 1u);
  EXPECT_EQ(blue.texture.pixels()[0], 9);
  EXPECT_EQ(blue.texture.palette()[9 * 3 + 2], 27);
  // Material 2 names sequence 0: red.bmp with its four indices in order.
  const ModelMesh::Material& red = mesh.materials[2];
  ASSERT_TRUE(red.has_texture);
  EXPECT_EQ(red.texture_name, "red.bmp");
  EXPECT_EQ(std::vector<uint8_t>(red.texture.pixels().begin(), red.texture.pixels().end()),
            (std::vector<uint8_t>{5, 6, 7, 8}));
  // Sequence 1 shows nothing, sequence 7 does not exist: one line each.
  EXPECT_FALSE(mesh.materials[1].has_texture);
  EXPECT_FALSE(mesh.materials[3].has_texture);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("material 1: sequence 1 shows no bitmap"), std::string::npos);
  EXPECT_NE(warnings[1].find("material 3: the collection has no sequence 7"), std::string::npos);
}

TEST_F(GeometryMeshTest, MissingReferenceOrCollectionLeavesEveryMaterialUntextured) {
  Archive({{kCore, tagcode::Make("lost"), "Lost", CoreData(tagcode::Make("gone"))},
           {kCore, tagcode::Make("shrt"), "Short", Bytes(2, 0)}});
  Open();
  codex_.SetWorkingSet({codex_.ArchiveAt(0)});
  for (const auto& [reference, message] : std::vector<std::pair<uint32_t, std::string>>{
           {tagcode::Make("none"), "collection reference 'none' cannot be found"},
           {tagcode::Make("lost"), "collection 'gone' of the collection reference 'lost'"},
           {tagcode::Make("shrt"), "collection reference 'shrt' cannot be read"}}) {
    SCOPED_TRACE(message);
    std::vector<std::string> warnings;
    const ModelMesh mesh = MeshFromGeometry(SampleGeometry(reference), &codex_, warnings);
    for (const auto& m : mesh.materials) EXPECT_FALSE(m.has_texture);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(message), std::string::npos) << warnings[0];
  }
}

TEST_F(GeometryMeshTest, MeshToTagsThenBackGivesTheMesh) {
  Open();
  ModelMesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0.5f}};
  mesh.box_min = {0, 0, 0};
  mesh.box_max = {1, 1, 0.5f};
  ModelMesh::Triangle t;
  t.corners[0] = {0, 0.0f, 1.0f, {}};
  t.corners[1] = {1, 0.3f, 0.7f, {}};
  t.corners[2] = {2, 1.0f, 0.0f, {}};
  mesh.triangles = {t};
  ModelMesh::Material m;
  m.texture_name = "wood.bmp";
  m.has_texture = true;
  const uint8_t pixels[] = {1, 2, 3, 4, 5, 6};
  const uint8_t palette[] = {0, 0, 0, 200, 100, 50, 10, 20, 30, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9};
  ASSERT_TRUE(m.texture.setSize(3, 2, ImageFormat::kIndexed, pixels));
  m.texture.setPalette(7, palette);
  mesh.materials = {m};
  std::string error;
  CodexEntry* entry = MeshToTags(codex_, mesh, "wood", error);
  ASSERT_NE(entry, nullptr) << error;
  const std::string data = ReadData(entry);
  Geometry g;
  ASSERT_TRUE(Geometry::Read(std::vector<uint8_t>(data.begin(), data.end()), g, error)) << error;
  std::vector<std::string> warnings;
  const ModelMesh back = MeshFromGeometry(g, &codex_, warnings);
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  EXPECT_EQ(back.vertices, mesh.vertices);
  EXPECT_EQ(back.box_max, mesh.box_max);
  for (size_t c = 0; c < 3; ++c) {
    EXPECT_NEAR(back.triangles[0].corners[c].u, mesh.triangles[0].corners[c].u, 1.0 / 65535);
    EXPECT_NEAR(back.triangles[0].corners[c].v, mesh.triangles[0].corners[c].v, 1.0 / 65535);
  }
  ASSERT_TRUE(back.materials[0].has_texture);
  EXPECT_EQ(back.materials[0].texture_name, "wood.bmp");
  EXPECT_EQ(std::vector<uint8_t>(back.materials[0].texture.pixels().begin(),
                                 back.materials[0].texture.pixels().end()),
            std::vector<uint8_t>(std::begin(pixels), std::end(pixels)));
  EXPECT_TRUE(std::equal(palette, palette + 21, back.materials[0].texture.palette().begin()));
}

}  // namespace
