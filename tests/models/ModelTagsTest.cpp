#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "models/Geometry.h"
#include "models/Model.h"
#include "models/ModelTags.h"
#include "support/TagOpsFixture.h"
#include "tags/TagCode.h"

namespace {

using namespace tagops_test;

constexpr uint32_t kGeom = tagcode::Make("geom");
constexpr uint32_t kColl = tagcode::Make(".256");
constexpr uint32_t kCore = tagcode::Make("core");
constexpr uint32_t kMode = tagcode::Make("mode");

constexpr uint8_t kPalette[] = {10, 20, 30, 40, 50, 60, 70, 80, 90};

ModelMesh::Material Textured(const std::string& file, std::vector<uint8_t> pixels,
                             const uint8_t* palette = kPalette, uint32_t colors = 3) {
  ModelMesh::Material m;
  m.texture_name = file;
  m.has_texture = true;
  EXPECT_TRUE(m.texture.setSize(static_cast<uint32_t>(pixels.size()), 1, ImageFormat::kIndexed,
                                pixels.data()));
  m.texture.setPalette(colors, palette);
  return m;
}

// Four vertices, three triangles, materials: textured, untextured, textured.
ModelMesh SmallMesh() {
  ModelMesh mesh;
  mesh.box_min = {-0.5f, -1.5f, 0.0f};
  mesh.box_max = {1.0f, 1.0f, 0.5f};
  mesh.pivot = {0.25f, 0.0f, 0.0f};
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0.5f}};
  const auto tri = [](int32_t material, uint32_t a, uint32_t b, uint32_t c) {
    ModelMesh::Triangle t;
    t.material = material;
    t.corners[0] = {a, 0.0f, 0.5f, {}};
    t.corners[1] = {b, 1.0f, 0.0f, {}};
    t.corners[2] = {c, 0.25f, 1.0f, {}};
    return t;
  };
  mesh.triangles = {tri(0, 0, 1, 2), tri(1, 1, 3, 2), tri(2, 0, 2, 3)};
  ModelMesh::Material plain;
  plain.name = "plain";
  mesh.materials = {Textured("a.bmp", {1, 2}), plain, Textured("b.bmp", {2, 1, 1})};
  return mesh;
}

class MeshToTagsTest : public TagOpsTest {
 protected:
  void SetUp() override {
    TagOpsTest::SetUp();
    Open();
  }

  std::vector<uint8_t> DataOf(uint32_t group, const std::string& name,
                              TagHeader* header = nullptr) {
    CodexEntry* entry = codex_.Find(group, tagcode::Make(name.substr(0, 4)));
    EXPECT_NE(entry, nullptr) << tagcode::Display(group);
    if (!entry) return {};
    EXPECT_TRUE(entry->has_local_copy());
    if (header) *header = codex_.EntryHeader(*entry);
    const std::string text = ReadData(entry);
    return std::vector<uint8_t>(text.begin(), text.end());
  }

  // Nothing under local/ and no entry left over.
  void ExpectNothingMade(const Snapshot& before) {
    EXPECT_EQ(Take(), before);
    EXPECT_EQ(Take().index, FreshIndex());
    for (uint32_t group : {kGeom, kColl, kCore, kMode})
      EXPECT_EQ(codex_.FindAny(group, tagcode::Make("crat")), nullptr);
  }
};

TEST_F(MeshToTagsTest, WritesTheFourTags) {
  std::string error;
  CodexEntry* made = MeshToTags(codex_, SmallMesh(), "crate", error);
  ASSERT_NE(made, nullptr) << error;
  EXPECT_EQ(made->group(), kGeom);

  // The collection: the first texture's palette, a bitmap per textured material, a sequence
  // per material.
  TagHeader header;
  const std::vector<uint8_t> collection_data = DataOf(kColl, "crate", &header);
  Collection collection;
  ASSERT_TRUE(collection.Load(collection_data, header, true, error)) << error;
  EXPECT_TRUE(std::equal(std::begin(kPalette), std::end(kPalette), collection.palette.begin()));
  EXPECT_TRUE(std::all_of(collection.palette.begin() + 9, collection.palette.end(),
                          [](uint8_t b) { return b == 0; }));
  ASSERT_EQ(collection.bitmaps.size(), 2u);
  EXPECT_EQ(collection.bitmaps[0]->Name(), "a.bmp");
  EXPECT_EQ(collection.bitmaps[0]->pixels, (std::vector<uint8_t>{255, 1, 255, 2}));
  EXPECT_EQ(collection.bitmaps[1]->Name(), "b.bmp");
  EXPECT_EQ(collection.bitmaps[1]->width, 3);
  ASSERT_EQ(collection.sequences.size(), 3u);
  EXPECT_EQ(collection.sequences[1]->Name(), "plain");
  for (const auto& s : collection.sequences) {
    ASSERT_EQ(s->frames.size(), 1u);
    ASSERT_EQ(s->frames[0].views.size(), 1u);
  }
  EXPECT_EQ(collection.sequences[0]->frames[0].views[0].bitmap, collection.bitmaps[0].get());
  EXPECT_EQ(collection.sequences[1]->frames[0].views[0].bitmap, nullptr);
  EXPECT_EQ(collection.sequences[2]->frames[0].views[0].bitmap, collection.bitmaps[1].get());

  // The collection reference.
  const std::vector<uint8_t> core = DataOf(kCore, "crate", &header);
  ASSERT_EQ(core.size(), 384u);
  EXPECT_EQ(header.version, 1);
  const uint32_t collection_id = tagcode::Make("crat");
  EXPECT_EQ(core[0] << 24 | core[1] << 16 | core[2] << 8 | core[3], int(collection_id));
  EXPECT_EQ(core[4] << 8 | core[5], 1);
  EXPECT_EQ(core[6] << 8 | core[7], 0);
  for (size_t i = 8; i < 332; ++i) ASSERT_EQ(core[i], 0xFF) << i;
  for (size_t i = 332; i < 384; ++i) ASSERT_EQ(core[i], 0) << i;

  // The geometry: sequence index = material index, the corners as given.
  Geometry g;
  ASSERT_TRUE(Geometry::Read(DataOf(kGeom, "crate"), g, error)) << error;
  EXPECT_EQ(g.collection_reference, tagcode::Make("crat"));
  EXPECT_EQ(g.box, (std::array<int16_t, 6>{-256, -768, 0, 512, 512, 256}));
  EXPECT_EQ(g.pivot, (std::array<int16_t, 3>{128, 0, 0}));
  ASSERT_EQ(g.materials.size(), 3u);
  for (uint16_t i = 0; i < 3; ++i) EXPECT_EQ(g.materials[i].sequence, i);
  EXPECT_EQ(g.materials[1].Name(), "plain");
  ASSERT_EQ(g.vertices.size(), 4u);
  EXPECT_EQ(g.vertices[3].z, 256);
  ASSERT_EQ(g.triangles.size(), 3u);
  EXPECT_EQ(g.triangles[2].material, 2);
  EXPECT_EQ(g.triangles[1].corners[1].vertex, 3);
  EXPECT_EQ(g.triangles[0].corners[0].v, 32767);
  EXPECT_EQ(g.triangles[0].corners[1].u, 65535);
  EXPECT_EQ(g.triangles[0].transparency, 0);
  EXPECT_EQ(g.triangles[0].normal, (std::array<int16_t, 3>{0, 0, -16384}));

  // The model: one zero per vertex, one record, a cell for each unit of the box, y outside.
  Model m;
  ASSERT_TRUE(Model::Read(DataOf(kMode, "crate"), m, error)) << error;
  EXPECT_EQ(m.geometry, tagcode::Make("crat"));
  EXPECT_EQ(m.vertex_values, (std::vector<uint32_t>(4, 0)));
  EXPECT_EQ(m.records.size(), 1u);
  std::vector<std::array<int, 3>> cells;
  for (const ModelCell& c : m.cells) cells.push_back({int16_t(c.x), int16_t(c.y), c.value});
  EXPECT_EQ(cells, (std::vector<std::array<int, 3>>{
                       {-1, -2, 2}, {0, -2, 2}, {-1, -1, 2}, {0, -1, 2}, {-1, 0, 2}, {0, 0, 2}}));
}

TEST_F(MeshToTagsTest, PaletteComesFromTheFirstTexturedMaterial) {
  ModelMesh mesh = SmallMesh();
  std::swap(mesh.materials[0], mesh.materials[1]);  // untextured first
  // The last texture has its own palette: its colour 0 is the first texture's colour 2.
  const uint8_t other[] = {70, 80, 90, 10, 20, 31};
  mesh.materials[2] = Textured("odd.bmp", {0, 1}, other, 2);
  MessageCapture log;
  std::string error;
  ASSERT_NE(MeshToTags(codex_, mesh, "crate", error), nullptr) << error;
  TagHeader header;
  Collection collection;
  ASSERT_TRUE(collection.Load(DataOf(kColl, "crate", &header), header, true, error)) << error;
  EXPECT_TRUE(std::equal(std::begin(kPalette), std::end(kPalette), collection.palette.begin()));
  ASSERT_EQ(collection.bitmaps.size(), 2u);
  EXPECT_EQ(collection.sequences[0]->frames[0].views[0].bitmap, nullptr);
  EXPECT_EQ(collection.bitmaps[1]->Name(), "odd.bmp");
  EXPECT_EQ(collection.bitmaps[1]->pixels, (std::vector<uint8_t>{255, 2, 255, 0}));
  EXPECT_NE(log.text().find("'odd.bmp' has another palette"), std::string::npos) << log.text();
  EXPECT_NE(log.text().find("'odd.bmp' uses colour 0"), std::string::npos) << log.text();
  EXPECT_EQ(log.text().find("'a.bmp'"), std::string::npos) << log.text();
}

TEST_F(MeshToTagsTest, RefusedMeshesLeaveNoTag) {
  const Snapshot before = Take();
  struct Case {
    const char* what;
    ModelMesh mesh;
    const char* message_part;
  };
  std::vector<Case> cases;
  ModelMesh m = SmallMesh();
  m.vertices[2][1] = 64.5f;
  cases.push_back({"vertex beyond 64 units", m, "vertex 2 y"});
  m = SmallMesh();
  m.box_max[2] = std::numeric_limits<float>::infinity();
  cases.push_back({"box not finite", m, "box maximum z"});
  m = SmallMesh();
  m.triangles[1].corners[2].vertex = 4;
  cases.push_back({"corner past the vertices", m, "corner 2 names vertex 4 of 4"});
  m = SmallMesh();
  m.vertices.resize(65536);
  cases.push_back({"too many vertices", m, "65536 vertices"});
  m = SmallMesh();
  m.materials[2].texture.setSize(1, 1, ImageFormat::kRgba);
  cases.push_back({"texture not paletted", m, "'b.bmp' is not 8-bit paletted"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_EQ(MeshToTags(codex_, c.mesh, "crate", error), nullptr);
    EXPECT_NE(error.find(c.message_part), std::string::npos) << error;
    ExpectNothingMade(before);
  }
}

TEST_F(MeshToTagsTest, ANameTakenInOneGroupMakesNoTag) {
  // A local core tag named "crate" already: the core tag cannot be created.
  Spit(root_ / "local/collection references/crate",
       LooseBytes({kCore, tagcode::Make("zzzz"), "crate", Bytes(384, 0)}));
  codex_.Poll(true);
  const Snapshot before = Take();
  std::string error;
  EXPECT_EQ(MeshToTags(codex_, SmallMesh(), "crate", error), nullptr);
  EXPECT_NE(error.find("core"), std::string::npos) << error;
  EXPECT_EQ(Take(), before);
  for (uint32_t group : {kGeom, kColl, kMode})
    EXPECT_EQ(codex_.FindAny(group, tagcode::Make("crat")), nullptr);
}

TEST_F(MeshToTagsTest, AFailingSaveRemovesTheTagsAlreadyWritten) {
  // Every file step in turn fails, the third save's among them; each time no tag may be left.
  const Snapshot before = Take();
  int step = 1;
  for (;; ++step) {
    SCOPED_TRACE("failing step " + std::to_string(step));
    std::string error;
    CodexEntry* made = nullptr;
    bool failed = false;
    {
      FailingFileSystem failing(step);
      made = MeshToTags(codex_, SmallMesh(), "crate", error);
      failed = failing.failed();
    }
    if (!failed) {
      ASSERT_NE(made, nullptr) << error;
      break;
    }
    EXPECT_EQ(made, nullptr);
    EXPECT_FALSE(error.empty());
    ExpectNothingMade(before);
    ASSERT_LT(step, 200);
    if (HasFailure()) return;
  }
  // Four saves took place, so the steps of the third one were among those failed.
  EXPECT_GE(step - 1, 4 * 3);
  for (uint32_t group : {kGeom, kColl, kCore, kMode})
    EXPECT_NE(codex_.Find(group, tagcode::Make("crat")), nullptr);
}

}  // namespace
