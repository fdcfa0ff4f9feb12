#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "models/Geometry.h"

namespace {

// A geometry written field by field, as the game lays it out: the header, then the arrays at
// the offsets given (relative to the data base). Every field the editor only carries holds a
// recognisable value, so losing one shows.
struct GeometryBytes {
  uint16_t materials = 2, vertices = 3, triangles = 1;
  uint32_t data_base = 128;
  // Offsets of the three arrays; by default one after another.
  uint32_t material_at = 0, vertex_at = 128, triangle_at = 146;
  // Sizes; by default count x record size.
  int64_t material_size = -1, vertex_size = -1, triangle_size = -1;
  uint16_t corner_vertex = 2;
  uint16_t material_index = 1;
  size_t padding = 0;     // bytes between the header and the arrays (data base past 128)
  size_t cut = 0;         // bytes removed from the end
  bool reversed = false;  // the arrays in the order triangles, vertices, materials

  std::vector<uint8_t> Make() const {
    ByteWriter w;
    w.WriteU32Be(0x01020304);  // flags
    w.WriteU32Be(0x636F7265);  // collection reference
    w.WriteU16Be(materials);
    w.WriteU16Be(vertices);
    w.WriteU16Be(triangles);
    w.WriteU16Be(0xBEEF);  // kept
    w.WriteU16Be(static_cast<uint16_t>(int16_t{-512}));
    w.WriteU16Be(256);
    w.WriteU16Be(static_cast<uint16_t>(int16_t{-1}));
    w.WriteZeros(6);
    const auto size = [](int64_t given, size_t natural) {
      return given < 0 ? static_cast<uint32_t>(natural) : static_cast<uint32_t>(given);
    };
    w.WriteU32Be(material_at);
    w.WriteU32Be(size(material_size, materials * 64u));
    w.WriteU32Be(0);
    w.WriteU32Be(vertex_at);
    w.WriteU32Be(size(vertex_size, vertices * 6u));
    w.WriteU32Be(0);
    w.WriteU32Be(triangle_at);
    w.WriteU32Be(size(triangle_size, triangles * 64u));
    w.WriteU32Be(0);
    w.WriteU32Be(0x11112222);  // reserved array, kept
    w.WriteU32Be(0x33334444);
    w.WriteU32Be(0x55556666);
    w.WriteU32Be(data_base);
    w.WriteU32Be(materials * 64u + vertices * 6u + triangles * 64u);
    w.WriteU32Be(0);
    for (int16_t b : {-1024, -2048, 0, 1024, 2048, 512}) w.WriteU16Be(static_cast<uint16_t>(b));
    for (uint16_t i = 0; i < 13; ++i) w.WriteU16Be(static_cast<uint16_t>(0x7000 + i));
    w.WriteZeros(2);
    EXPECT_EQ(w.size(), 128u);
    w.WriteZeros(padding);
    ByteWriter mw, vw, tw;
    Bodies(mw, vw, tw);
    for (const ByteWriter* body : reversed ? std::array{&tw, &vw, &mw} : std::array{&mw, &vw, &tw})
      w.WriteBytes(body->bytes());
    std::vector<uint8_t> bytes = w.Take();
    bytes.resize(bytes.size() - cut);
    return bytes;
  }

  void Bodies(ByteWriter& mw, ByteWriter& vw, ByteWriter& tw) const {
    for (uint16_t m = 0; m < materials; ++m) {
      std::string name = "skin" + std::to_string(m);
      mw.WriteFixedChars(name, 32);
      mw.WriteU16Be(static_cast<uint16_t>(m + 5));  // sequence
      mw.WriteU16Be(0xA001);
      mw.WriteU16Be(0xA002);
      mw.WriteU16Be(0xA003);
      mw.WriteZeros(24);
    }
    for (uint16_t v = 0; v < vertices; ++v) {
      vw.WriteU16Be(static_cast<uint16_t>(int16_t(-100 * v)));
      vw.WriteU16Be(static_cast<uint16_t>(200 * v));
      vw.WriteU16Be(static_cast<uint16_t>(300 + v));
    }
    for (uint16_t t = 0; t < triangles; ++t) {
      tw.WriteU16Be(0x0042);  // flags
      tw.WriteU16Be(0);
      tw.WriteU16Be(0);
      tw.WriteU16Be(static_cast<uint16_t>(int16_t{-16384}));
      tw.WriteU32Be(static_cast<uint32_t>(int32_t{-77}));
      for (uint8_t b = 0; b < 12; ++b) tw.WriteU8(static_cast<uint8_t>(0xC0 + b));
      tw.WriteU16Be(1000);  // transparency
      tw.WriteU16Be(material_index);
      for (uint16_t c = 0; c < 3; ++c) {
        tw.WriteU16Be(static_cast<uint16_t>(10 + c));  // v
        tw.WriteU16Be(static_cast<uint16_t>(20 + c));  // u
        tw.WriteU16Be(c == 2 ? corner_vertex : c);
        tw.WriteU16Be(static_cast<uint16_t>(0xD000 + c));
      }
      tw.WriteU16Be(0xE001);
      tw.WriteU16Be(0xE002);
      tw.WriteU16Be(0xE003);
      tw.WriteU16Be(0xE004);
      tw.WriteU16Be(0xE005);
      tw.WriteU16Be(0);
    }
  }
};

TEST(GeometryRead, ReadsEveryFieldAndWritesTheSameBytes) {
  const std::vector<uint8_t> bytes = GeometryBytes{}.Make();
  Geometry g;
  std::string error;
  ASSERT_TRUE(Geometry::Read(bytes, g, error)) << error;
  EXPECT_EQ(g.flags, 0x01020304u);
  EXPECT_EQ(g.collection_reference, 0x636F7265u);
  EXPECT_EQ(g.kept14, 0xBEEF);
  EXPECT_EQ(g.pivot, (std::array<int16_t, 3>{-512, 256, -1}));
  EXPECT_EQ(g.reserved_array, (std::array<uint32_t, 3>{0x11112222, 0x33334444, 0x55556666}));
  EXPECT_EQ(g.box, (std::array<int16_t, 6>{-1024, -2048, 0, 1024, 2048, 512}));
  EXPECT_EQ(g.kept100[0], 0x7000);
  EXPECT_EQ(g.kept100[12], 0x700C);
  ASSERT_EQ(g.materials.size(), 2u);
  EXPECT_EQ(g.materials[1].Name(), "skin1");
  EXPECT_EQ(g.materials[1].sequence, 6);
  EXPECT_EQ(g.materials[1].kept, (std::array<uint16_t, 3>{0xA001, 0xA002, 0xA003}));
  ASSERT_EQ(g.vertices.size(), 3u);
  EXPECT_EQ(g.vertices[2].x, -200);
  EXPECT_EQ(g.vertices[2].y, 400);
  EXPECT_EQ(g.vertices[2].z, 302);
  ASSERT_EQ(g.triangles.size(), 1u);
  const GeometryTriangle& t = g.triangles[0];
  EXPECT_EQ(t.flags, 0x42);
  EXPECT_EQ(t.normal, (std::array<int16_t, 3>{0, 0, -16384}));
  EXPECT_EQ(t.plane, -77);
  EXPECT_EQ(t.kept12[11], 0xCB);
  EXPECT_EQ(t.transparency, 1000);
  EXPECT_EQ(t.material, 1);
  EXPECT_EQ(t.corners[1].v, 11);
  EXPECT_EQ(t.corners[1].u, 21);
  EXPECT_EQ(t.corners[1].vertex, 1);
  EXPECT_EQ(t.corners[2].kept, 0xD002);
  EXPECT_EQ(t.kept52, (std::array<uint16_t, 3>{0xE001, 0xE002, 0xE003}));
  EXPECT_EQ(t.kept58, 0xE004);
  EXPECT_EQ(t.kept60, 0xE005);

  EXPECT_EQ(g.Write(), bytes);
}

TEST(GeometryRead, ArraysAnywhereInTheDataAreWrittenBackInOrder) {
  // Triangles first, then vertices, then materials, behind 16 bytes of padding.
  GeometryBytes moved;
  moved.padding = 16;
  moved.data_base = 144;
  moved.reversed = true;
  moved.triangle_at = 0;
  moved.vertex_at = 64;
  moved.material_at = 82;
  Geometry g;
  std::string error;
  ASSERT_TRUE(Geometry::Read(moved.Make(), g, error)) << error;
  EXPECT_EQ(g.materials[1].Name(), "skin1");
  EXPECT_EQ(g.vertices[2].z, 302);
  EXPECT_EQ(g.triangles[0].corners[2].vertex, 2);
  EXPECT_EQ(g.Write(), GeometryBytes{}.Make());
}

TEST(GeometryRead, EmptyGeometryRoundTrips) {
  GeometryBytes b;
  b.materials = b.vertices = b.triangles = 0;
  b.vertex_at = b.triangle_at = 0;
  const std::vector<uint8_t> bytes = b.Make();
  ASSERT_EQ(bytes.size(), 128u);
  Geometry g;
  std::string error;
  ASSERT_TRUE(Geometry::Read(bytes, g, error)) << error;
  EXPECT_TRUE(g.triangles.empty());
  EXPECT_EQ(g.Write(), bytes);
}

TEST(GeometryRead, AMaterialIndexPastTheMaterialsIsKept) {
  // Drawn and exported untextured later; not a reason to refuse the tag.
  GeometryBytes b;
  b.material_index = 9;
  Geometry g;
  std::string error;
  ASSERT_TRUE(Geometry::Read(b.Make(), g, error)) << error;
  EXPECT_EQ(g.triangles[0].material, 9);
}

struct Refusal {
  const char* what;
  GeometryBytes bytes;
  const char* message_part;
};

std::vector<Refusal> Refusals() {
  std::vector<Refusal> r;
  GeometryBytes b;
  b.cut = b.Make().size() - 127;
  r.push_back({"short header", b, "cut short"});
  b = {};
  b.data_base = 100000;
  r.push_back({"data base past the data", b, "data base"});
  b = {};
  b.vertex_size = 20;
  r.push_back({"vertex size not count x 6", b, "vertices array holds 20 bytes"});
  b = {};
  b.material_size = 0;
  r.push_back({"materials size zero with two materials", b, "materials"});
  b = {};
  b.triangle_at = 147;
  r.push_back({"triangles running past the end", b, "does not lie inside"});
  b = {};
  b.triangle_at = 0xFFFFFFF0u;
  r.push_back({"offset that would wrap", b, "does not lie inside"});
  b = {};
  b.cut = 1;
  r.push_back({"last triangle cut short", b, "triangles"});
  b = {};
  b.corner_vertex = 3;
  r.push_back({"corner naming a vertex past the vertices", b, "corner 2 names vertex 3 of 3"});
  b = {};
  b.vertices = 0;
  b.triangle_at = 128;
  b.corner_vertex = 0;
  r.push_back({"corners with no vertices at all", b, "names vertex 0 of 0"});
  return r;
}

TEST(GeometryRead, RefusesBrokenDataAndLeavesTheGeometryAlone) {
  for (const Refusal& r : Refusals()) {
    SCOPED_TRACE(r.what);
    Geometry g;
    g.flags = 99;
    g.vertices.resize(4);
    std::string error;
    EXPECT_FALSE(Geometry::Read(r.bytes.Make(), g, error));
    EXPECT_NE(error.find(r.message_part), std::string::npos) << error;
    EXPECT_EQ(g.flags, 99u);
    EXPECT_EQ(g.vertices.size(), 4u);
  }
}

TEST(GeometryRead, MaterialNameStopsAt31Characters) {
  GeometryMaterial m;
  m.name.fill('a');  // no terminator at all
  EXPECT_EQ(m.Name(), std::string(31, 'a'));
}

TEST(GeometrySetters, VerticesAreFixedPointTruncated) {
  Geometry g;
  g.SetVertexCount(2);
  std::string error;
  ASSERT_TRUE(g.SetVertex(0, 1.5f, -2.0f, 0.25f, error)) << error;
  EXPECT_EQ(g.vertices[0].x, 768);
  EXPECT_EQ(g.vertices[0].y, -1024);
  EXPECT_EQ(g.vertices[0].z, 128);
  // Truncation goes toward zero on both sides.
  ASSERT_TRUE(g.SetVertex(1, 0.0039f, -0.0039f, 63.999f, error)) << error;
  EXPECT_EQ(g.vertices[1].x, 1);
  EXPECT_EQ(g.vertices[1].y, -1);
  EXPECT_EQ(g.vertices[1].z, 32767);
}

TEST(GeometrySetters, ValuesThatWouldWrapAreRefusedByName) {
  Geometry g;
  g.SetVertexCount(3);
  std::string error;
  EXPECT_FALSE(g.SetVertex(1, 0.0f, 64.0f, 0.0f, error));
  EXPECT_NE(error.find("vertex 1 y"), std::string::npos) << error;
  EXPECT_FALSE(g.SetVertex(2, 0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN(), error));
  EXPECT_NE(error.find("vertex 2 z"), std::string::npos) << error;
  EXPECT_FALSE(g.SetVertex(0, -std::numeric_limits<float>::infinity(), 0, 0, error));
  EXPECT_FALSE(g.SetVertex(3, 0, 0, 0, error));  // past the count
  EXPECT_TRUE(g.SetVertex(0, -64.0f, 0, 0, error)) << error;
  EXPECT_EQ(g.vertices[0].x, -32768);

  error.clear();
  EXPECT_FALSE(g.SetHeader(0, 1, {0, 0, 0}, {1, 1, 1}, {0, 0, 100.0f}, error));
  EXPECT_NE(error.find("pivot z"), std::string::npos) << error;
  EXPECT_FALSE(g.SetHeader(0, 1, {-70, 0, 0}, {1, 1, 1}, {0, 0, 0}, error));
  EXPECT_NE(error.find("box minimum x"), std::string::npos) << error;
  EXPECT_EQ(g.collection_reference, 0u);  // nothing set by a refused header
}

TEST(GeometrySetters, HeaderSwapsPairsOutOfOrder) {
  Geometry g;
  std::string error;
  ASSERT_TRUE(g.SetHeader(7, 0x12345678, {1.0f, -1.0f, 2.0f}, {-1.0f, 1.0f, 0.5f},
                          {0.5f, 0.25f, -0.125f}, error))
      << error;
  EXPECT_EQ(g.flags, 7u);
  EXPECT_EQ(g.collection_reference, 0x12345678u);
  EXPECT_EQ(g.box, (std::array<int16_t, 6>{-512, -512, 256, 512, 512, 1024}));
  EXPECT_EQ(g.pivot, (std::array<int16_t, 3>{256, 128, -64}));
}

TEST(GeometrySetters, MaterialNamesAreCutTo31Characters) {
  Geometry g;
  g.SetMaterialCount(1);
  g.SetMaterial(0, std::string(40, 'x'), 3);
  EXPECT_EQ(g.materials[0].Name(), std::string(31, 'x'));
  EXPECT_EQ(g.materials[0].name[31], 0);
  EXPECT_EQ(g.materials[0].sequence, 3);
  g.SetMaterial(0, "ab", 4);
  EXPECT_EQ(g.materials[0].Name(), "ab");
  EXPECT_EQ(g.materials[0].name[5], 0);  // the longer name's rest is cleared
}

TEST(GeometryTexture, CoordinatesScaleWithAHundredthOfAStepAllowed) {
  Geometry g;
  g.SetTriangleCount(1);
  std::vector<std::string> warnings;
  g.SetTriangleCorner(0, 0, 0, 1.0f, 0.5f, warnings);
  EXPECT_EQ(g.triangles[0].corners[0].u, 65535);
  EXPECT_EQ(g.triangles[0].corners[0].v, 32767);
  g.SetTriangleCorner(0, 1, 0, 0.0f, 0.25f, warnings);
  EXPECT_EQ(g.triangles[0].corners[1].u, 0);
  EXPECT_EQ(g.triangles[0].corners[1].v, 16383);
  EXPECT_TRUE(warnings.empty());
  // Every stored value written out as stored / 65535 comes back unchanged.
  for (uint32_t s = 0; s <= 65535; ++s) {
    const float exported = static_cast<float>(s) / 65535.0f;
    g.SetTriangleCorner(0, 2, 0, exported, exported, warnings);
    ASSERT_EQ(g.triangles[0].corners[2].u, s);
  }
  EXPECT_TRUE(warnings.empty());
}

TEST(GeometryTexture, OutOfRangeValuesAreClampedWithAWarning) {
  Geometry g;
  g.SetTriangleCount(1);
  std::vector<std::string> warnings;
  g.SetTriangleCorner(0, 1, 0, -0.5f, 2.0f, warnings);
  EXPECT_EQ(g.triangles[0].corners[1].u, 0);
  EXPECT_EQ(g.triangles[0].corners[1].v, 65535);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("triangle 0 corner 1: texture u -0.5"), std::string::npos)
      << warnings[0];
  warnings.clear();
  g.SetTriangleCorner(0, 0, 0, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), warnings);
  EXPECT_EQ(g.triangles[0].corners[0].u, 0);
  EXPECT_EQ(g.triangles[0].corners[0].v, 65535);
  EXPECT_EQ(warnings.size(), 2u);
}

// One triangle over three vertices given in world units.
Geometry OneTriangle(std::array<float, 3> a, std::array<float, 3> b, std::array<float, 3> c) {
  Geometry g;
  std::string error;
  g.SetVertexCount(3);
  EXPECT_TRUE(g.SetVertex(0, a[0], a[1], a[2], error));
  EXPECT_TRUE(g.SetVertex(1, b[0], b[1], b[2], error));
  EXPECT_TRUE(g.SetVertex(2, c[0], c[1], c[2], error));
  g.SetTriangleCount(1);
  std::vector<std::string> warnings;
  for (int corner = 0; corner < 3; ++corner) {
    g.SetTriangleCorner(0, corner, static_cast<uint16_t>(corner), 0, 0, warnings);
  }
  return g;
}

TEST(GeometryTriangle, NormalAndPlaneFollowTheCorners) {
  Geometry g = OneTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  g.triangles[0].kept52 = {1, 2, 3};
  g.triangles[0].kept60 = 4;
  std::vector<std::string> warnings;
  g.FinishTriangle(0, 0, 2, 1.0f, warnings);
  const GeometryTriangle& t = g.triangles[0];
  EXPECT_EQ(t.normal, (std::array<int16_t, 3>{0, 0, -16384}));
  EXPECT_EQ(t.plane, 0);
  EXPECT_EQ(t.material, 2);
  EXPECT_EQ(t.transparency, 0);
  EXPECT_EQ(t.kept52, (std::array<uint16_t, 3>{0xFFFF, 0xFFFF, 0xFFFF}));
  EXPECT_EQ(t.kept60, 0xFFFF);
  EXPECT_TRUE(warnings.empty());

  // Raised one unit: -(normal . A) = -(-16384 x 512).
  Geometry raised = OneTriangle({0, 0, 1}, {1, 0, 1}, {0, 1, 1});
  raised.FinishTriangle(0, 0, 0, 1.0f, warnings);
  EXPECT_EQ(raised.triangles[0].plane, 16384 * 512);

  // A slanted face: the normal is unit length (within truncation) and the plane holds for
  // every corner.
  Geometry slant = OneTriangle({1, 0, 0}, {0, 2, 0}, {0, 0, 3});
  slant.FinishTriangle(0, 0, 0, 1.0f, warnings);
  const GeometryTriangle& s = slant.triangles[0];
  const double length = std::hypot(s.normal[0], s.normal[1], s.normal[2]);
  EXPECT_NEAR(length, 16384.0, 2.0);
  // (C - A) x (B - A) = (-6, -3, -2), length 7, scaled and truncated toward zero.
  EXPECT_EQ(s.normal, (std::array<int16_t, 3>{-14043, -7021, -4681}));
  EXPECT_EQ(s.plane, 14043 * 512);
  for (const GeometryVertex& v : slant.vertices) {
    const double d =
        s.normal[0] * double(v.x) + s.normal[1] * double(v.y) + s.normal[2] * double(v.z) + s.plane;
    EXPECT_NEAR(d, 0.0, 3.0 * 512);
  }
}

TEST(GeometryTriangle, OpacityBecomesTransparency) {
  Geometry g = OneTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  std::vector<std::string> warnings;
  g.FinishTriangle(0, 0, 0, 0.0f, warnings);
  EXPECT_EQ(g.triangles[0].transparency, 65535);
  g.FinishTriangle(0, 0, 0, 0.5f, warnings);
  EXPECT_EQ(g.triangles[0].transparency, 65535 - 32767);
  EXPECT_TRUE(warnings.empty());
  g.FinishTriangle(0, 0, 0, 3.0f, warnings);
  EXPECT_EQ(g.triangles[0].transparency, 0);
  EXPECT_EQ(warnings.size(), 1u);
}

TEST(GeometryTriangle, DegenerateTrianglesGetNoNormalAndAWarning) {
  for (const auto& corners :
       {std::array<std::array<float, 3>, 3>{{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}},
        std::array<std::array<float, 3>, 3>{{{1, 2, 3}, {1, 2, 3}, {0, 0, 0}}}}) {
    Geometry g = OneTriangle(corners[0], corners[1], corners[2]);
    g.triangles[0].normal = {5, 5, 5};
    g.triangles[0].plane = 5;
    std::vector<std::string> warnings;
    g.FinishTriangle(0, 0, 0, 1.0f, warnings);
    EXPECT_EQ(g.triangles[0].normal, (std::array<int16_t, 3>{0, 0, 0}));
    EXPECT_EQ(g.triangles[0].plane, 0);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("triangle 0"), std::string::npos);
  }
  // A corner naming a vertex that is not there is treated the same way.
  Geometry g = OneTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  g.triangles[0].corners[1].vertex = 7;
  std::vector<std::string> warnings;
  g.FinishTriangle(0, 0, 0, 1.0f, warnings);
  EXPECT_EQ(g.triangles[0].normal, (std::array<int16_t, 3>{0, 0, 0}));
  EXPECT_EQ(warnings.size(), 1u);
}

TEST(GeometryWrite, SettersProduceDataThatReadsBack) {
  Geometry g = OneTriangle({1.5f, -2, 0.25f}, {1, 0, 0}, {0, 1, 0});
  std::string error;
  ASSERT_TRUE(g.SetHeader(0, 42, {-2, -2, 0}, {2, 2, 1}, {0, 0, 0}, error));
  g.SetMaterialCount(1);
  g.SetMaterial(0, "", 0);
  std::vector<std::string> warnings;
  g.FinishTriangle(0, 0, 0, 1.0f, warnings);
  const std::vector<uint8_t> bytes = g.Write();
  ASSERT_EQ(bytes.size(), 128u + 64 + 18 + 64);
  // Data base 128 and the total of the arrays.
  EXPECT_EQ(bytes[79], 128);
  EXPECT_EQ(bytes[82] << 8 | bytes[83], 64 + 18 + 64);
  // The first vertex right after the material: (768, -1024, 128).
  EXPECT_EQ(bytes[192] << 8 | bytes[193], 768);
  EXPECT_EQ(bytes[194] << 8 | bytes[195], 0xFC00);
  EXPECT_EQ(bytes[196] << 8 | bytes[197], 128);
  Geometry back;
  ASSERT_TRUE(Geometry::Read(bytes, back, error)) << error;
  EXPECT_EQ(back.Write(), bytes);
  EXPECT_EQ(back.triangles[0].normal, g.triangles[0].normal);
}

}  // namespace
