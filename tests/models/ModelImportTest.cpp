#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "collections/DataFile.h"
#include "models/Geometry.h"
#include "models/ModelImport.h"
#include "support/TagOpsFixture.h"
#include "tags/TagCode.h"
#include "tests/models/LightWaveBytes.h"

namespace {

using namespace tagops_test;

constexpr uint32_t kGeom = tagcode::Make("geom");

// A triangle on surface "skin" (textured by clip `texture` when given) and, when `quad`, a quad.
LwoBytes Object(const std::string& texture, bool quad = false, bool second_layer = false) {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("skin"));
  c.Chunk("LAYR", L().U16(0).U16(0).Vec(0, 0, 0).Str(""));
  c.Chunk("PNTS", L().Vec(1, 2, 3).Vec(2, 2, 3).Vec(1, 3, 3).Vec(2, 3, 3));
  c.Chunk("VMAP", L().Id("TXUV").U16(2).Str("uv").Uv(0, 0, 0).Uv(1, 1, 0).Uv(2, 0, 1));
  LwoBytes pols = L().Id("FACE").U16(3).Vx(0).Vx(1).Vx(2);
  if (quad) pols.U16(4).Vx(0).Vx(1).Vx(3).Vx(2);
  c.Chunk("POLS", pols);
  c.Chunk("PTAG", L().Id("SURF").Vx(0).U16(0));
  if (second_layer) {
    c.Chunk("LAYR", L().U16(1).U16(0).Vec(0, 0, 0).Str("spare"));
  }
  if (!texture.empty()) {
    c.Chunk("CLIP", L().U32(1).Sub("STIL", L().Str(texture)));
    c.Chunk("SURF", Surface("skin", L().Sub("BLOK", ImageBlock("COLR", 5, 1, "uv"))));
  }
  return c;
}

class ModelImportTest : public TagOpsTest {
 protected:
  void SetUp() override {
    TagOpsTest::SetUp();
    Open();
    fs::create_directories(root_ / "art");
  }
  fs::path WriteObject(const LwoBytes& chunks, const std::string& name = "crate.lwo") {
    Spit(root_ / "art" / name, chunks.Form());
    return root_ / "art" / name;
  }
  void WriteTexture(const std::string& name, ImageFormat format) {
    Image image;
    std::vector<uint8_t> pixels(4 * 4 * BytesPerPixel(format), 3);
    ASSERT_TRUE(image.setSize(4, 4, format, pixels.data()));
    if (format == ImageFormat::kIndexed) {
      std::vector<uint8_t> palette(768);
      for (size_t i = 0; i < 768; ++i) palette[i] = uint8_t(255 - i % 251);
      image.setPalette(256, palette.data());
    }
    std::string error;
    ASSERT_TRUE(DataFile::saveImage(root_ / "art" / name, image, DataFile::kPng, error)) << error;
  }
};

TEST_F(ModelImportTest, ATexturedTriangleBecomesTheFourTags) {
  WriteTexture("skin.png", ImageFormat::kIndexed);
  const fs::path before = fs::current_path();
  MessageCapture log;
  CodexEntry* geometry = ImportModel(codex_, WriteObject(Object("C:/art/skin.png")), "crate");
  ASSERT_NE(geometry, nullptr) << log.text();
  EXPECT_EQ(fs::current_path(), before);
  EXPECT_EQ(log.text().find("Beginning import of 'crate.lwo' ...\n"), 0u) << log.text();
  EXPECT_NE(log.text().find("Import Successful.\n\n"), std::string::npos) << log.text();
  EXPECT_EQ(log.text().find("could not be loaded"), std::string::npos) << log.text();
  const std::string data = ReadData(geometry);
  Geometry g;
  std::string error;
  ASSERT_TRUE(Geometry::Read(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()),
                             g, error))
      << error;
  // A LightWave point (1, 2, 3) is stored as the vertex (512, 1536, 1024).
  ASSERT_EQ(g.vertices.size(), 4u);
  EXPECT_EQ(g.vertices[0].x, 512);
  EXPECT_EQ(g.vertices[0].y, 1536);
  EXPECT_EQ(g.vertices[0].z, 1024);
  ASSERT_EQ(g.triangles.size(), 1u);
  EXPECT_EQ(g.triangles[0].corners[0].vertex, 2);
  EXPECT_EQ(g.triangles[0].corners[0].v, 0);  // LightWave v 1 flipped
}

TEST_F(ModelImportTest, BadObjectsFailAndLeaveNoTag) {
  const Snapshot before = Take();
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* line;
  };
  std::vector<uint8_t> cut = Object("").Form();
  cut[7] += 4;
  WriteTexture("rgb.png", ImageFormat::kRgb);
  const std::vector<Case> cases = {
      {"a quad", Object("", true).Form(), "only triangles"},
      {"a cut object", cut, "FORM"},
      {"a texture not paletted", Object("rgb.png").Form(), "Texture 'rgb.png' was not 8-bit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Spit(root_ / "art/bad.lwo", c.bytes);
    MessageCapture log;
    EXPECT_EQ(ImportModel(codex_, root_ / "art/bad.lwo", "crate"), nullptr);
    EXPECT_NE(log.text().find(c.line), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("Import Failed.\n\n"), std::string::npos) << log.text();
    EXPECT_EQ(codex_.FindAny(kGeom, tagcode::Make("crat")), nullptr);
  }
  fs::remove(root_ / "art/bad.lwo");
  fs::remove(root_ / "art/rgb.png");
  EXPECT_EQ(Take().index, before.index);
}

TEST_F(ModelImportTest, AMissingTextureAndIgnoredLayersOnlyWarn) {
  MessageCapture log;
  EXPECT_NE(ImportModel(codex_, WriteObject(Object("gone.png", false, true)), "crate"), nullptr)
      << log.text();
  EXPECT_NE(log.text().find("Texture 'gone.png' could not be loaded.\n"), std::string::npos)
      << log.text();
  EXPECT_NE(log.text().find("Layer 1 'spare' is ignored"), std::string::npos) << log.text();
  EXPECT_NE(log.text().find("Import Successful."), std::string::npos) << log.text();
}

TEST_F(ModelImportTest, ATakenNameFailsTheConversion) {
  ASSERT_NE(ImportModel(codex_, WriteObject(Object("")), "crate"), nullptr);
  MessageCapture log;
  EXPECT_EQ(ImportModel(codex_, WriteObject(Object("")), "crate"), nullptr);
  EXPECT_NE(log.text().find("LWO -> Model conversion failed."), std::string::npos) << log.text();
  EXPECT_NE(log.text().find("Import Failed."), std::string::npos) << log.text();
}

}  // namespace
