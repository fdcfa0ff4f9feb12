#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "models/LightWaveObject.h"
#include "tests/models/LightWaveBytes.h"

namespace {

// Two triangles over four points with surface "skin" (an image map on clip 1 through "uv") and
// surface "bare"; the second triangle's corner on point 2 has its own texture coordinates.
LwoBytes TwoTriangles() {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("skin").Str("bare"));
  c.Chunk("LAYR", L().U16(0).U16(0).Vec(0.5f, 1, 2).Str("Layer 1"));
  c.Chunk("PNTS", L().Vec(0, 0, 0).Vec(1, 0, 0).Vec(1, 1, 0).Vec(0, 1, 0));
  c.Chunk("BBOX", L().Vec(0, 0, 0).Vec(1, 1, 0));
  c.Chunk("VMAP", L().Id("TXUV").U16(2).Str("uv").Uv(0, 0, 0).Uv(1, 1, 0).Uv(2, 1, 1).Uv(3, 0, 1));
  c.Chunk("POLS", L().Id("FACE").U16(3).Vx(0).Vx(1).Vx(2).U16(3).Vx(0).Vx(2).Vx(3));
  c.Chunk("PTAG", L().Id("SURF").Vx(0).U16(0).Vx(1).U16(1));
  c.Chunk("VMAD", L().Id("TXUV").U16(2).Str("uv").Vx(2).Uv(1, 0.25f, 0.75f));
  c.Chunk("CLIP", L().U32(1).Sub("STIL", L().Str("C:/art/skin.bmp")));
  c.Chunk("SURF", Surface("skin", L().Sub("COLR", L().Vec(0.5f, 0.25f, 1).Vx(0))
                                      .Sub("SIDE", L().U16(3))
                                      .Sub("BLOK", ImageBlock("COLR", 5, 1, "uv"))));
  c.Chunk("SURF", Surface("bare", L().Sub("COLR", L().Vec(1, 1, 1).Vx(0))));
  return c;
}

LightWaveObject MustRead(const std::vector<uint8_t>& bytes) {
  LightWaveObject object;
  std::string error;
  EXPECT_TRUE(ReadLightWaveObject(bytes, object, error)) << error;
  return object;
}

TEST(LightWaveRead, TakesEveryChunkTheImportUses) {
  const LightWaveObject o = MustRead(TwoTriangles().Form());
  EXPECT_EQ(o.tags, (std::vector<std::string>{"skin", "bare"}));
  ASSERT_EQ(o.layers.size(), 1u);
  const LightWaveLayer& layer = o.layers[0];
  EXPECT_EQ(layer.name, "Layer 1");
  EXPECT_EQ(layer.pivot, (std::array<float, 3>{0.5f, 1, 2}));
  EXPECT_EQ(layer.parent, -1);
  ASSERT_EQ(layer.points.size(), 4u);
  EXPECT_EQ(layer.points[2], (std::array<float, 3>{1, 1, 0}));
  EXPECT_TRUE(layer.has_box);
  EXPECT_EQ(layer.box_max, (std::array<float, 3>{1, 1, 0}));

  ASSERT_EQ(layer.polygons.size(), 2u);
  EXPECT_EQ(layer.polygons[1].type, LightWaveId("FACE"));
  EXPECT_EQ(layer.polygons[1].count, 3);
  EXPECT_EQ(layer.corners, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(layer.polygons[1].first, 3u);

  const LightWavePolygonTags* surf = layer.FindPolygonTags(LightWaveId("SURF"));
  ASSERT_NE(surf, nullptr);
  EXPECT_EQ(surf->polygons, (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(surf->tags, (std::vector<uint16_t>{0, 1}));

  const LightWaveVertexMap* vmap = layer.FindMap(LightWaveId("TXUV"), "uv", false);
  ASSERT_NE(vmap, nullptr);
  EXPECT_EQ(vmap->size(), 4u);
  EXPECT_EQ(vmap->values[5], 1.0f);  // v of point 2
  const LightWaveVertexMap* vmad = layer.FindMap(LightWaveId("TXUV"), "uv", true);
  ASSERT_NE(vmad, nullptr);
  EXPECT_EQ(vmad->points, (std::vector<uint32_t>{2}));
  EXPECT_EQ(vmad->polygons, (std::vector<uint32_t>{1}));
  EXPECT_EQ(vmad->values, (std::vector<float>{0.25f, 0.75f}));

  ASSERT_EQ(o.clips.size(), 1u);
  EXPECT_EQ(o.FindClip(1)->still, "C:/art/skin.bmp");
  const LightWaveSurface* skin = o.FindSurface("skin");
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->sides, 3);
  EXPECT_EQ(skin->color, (std::array<float, 3>{0.5f, 0.25f, 1}));
  ASSERT_EQ(skin->blocks.size(), 1u);
  const LightWaveBlock& b = skin->blocks[0];
  EXPECT_EQ(b.type, LightWaveId("IMAP"));
  EXPECT_EQ(b.channel, LightWaveId("COLR"));
  EXPECT_EQ(b.projection, 5);
  EXPECT_EQ(b.image, 1u);
  EXPECT_EQ(b.uv_map, "uv");
  EXPECT_TRUE(o.FindSurface("bare")->blocks.empty());
}

TEST(LightWaveRead, LongIndicesNameTheSamePointsAsShortOnes) {
  LwoBytes c;
  c.Chunk("LAYR", L().U16(0).U16(0).Vec(0, 0, 0).Str(""));
  c.Chunk("PNTS", L().Vec(0, 0, 0).Vec(1, 0, 0).Vec(0, 1, 0));
  c.Chunk("POLS", L().Id("FACE").U16(3).Vx(0, true).Vx(1).Vx(2, true));
  c.Chunk("VMAP", L().Id("WGHT").U16(1).Str("w").Vx(2, true).F32(0.5f));
  const LightWaveObject o = MustRead(c.Form());
  EXPECT_EQ(o.layers[0].corners, (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(o.layers[0].maps[0].points, (std::vector<uint32_t>{2}));
}

TEST(LightWaveRead, PointsPastTheShortFormRoundTripThroughTheWriter) {
  // 0xFF00 and above cannot be written in two bytes: the writer must switch forms.
  LightWaveObject o;
  o.tags = {"s"};
  LightWaveLayer& layer = o.layers.emplace_back();
  for (uint32_t i = 0; i < 0xFF10; ++i) layer.points.push_back({float(i), 0, 0});
  layer.polygons.push_back({LightWaveId("FACE"), 0, 0, 3});
  layer.corners = {0xFEFF, 0xFF00, 0xFF0F};
  layer.polygon_tags.push_back({LightWaveId("SURF"), {0}, {0}});
  const LightWaveObject back = MustRead(WriteLightWaveObject(o));
  ASSERT_EQ(back.layers.size(), 1u);
  EXPECT_EQ(back.layers[0].points.size(), 0xFF10u);
  EXPECT_EQ(back.layers[0].corners, layer.corners);
}

TEST(LightWaveRead, OddSizesArePaddedAndUnknownChunksSkipped) {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("a"));
  c.Chunk("ZZZZ", L().Raw({1, 2, 3}));  // odd: a pad byte follows
  c.Chunk("LAYR", L().U16(7).U16(0).Vec(0, 0, 0).Str("x").U16(3));
  c.Chunk("PNTS", L().Vec(0, 0, 0).Vec(1, 0, 0).Vec(0, 1, 0));
  c.Chunk("POLS", L().Id("FACE").U16(3).Vx(0).Vx(1).Vx(2));
  c.Chunk("PTAG", L().Id("SURF").Vx(0).U16(0));
  LwoBytes block = ImageBlock("COLR", 5, 1, "uv");
  block.Sub("XXXX", L().Raw({9}));  // unknown, odd, inside BLOK
  c.Chunk(
      "SURF",
      Surface(
          "a",
          L().Sub("ODD!", L().Raw({1, 2, 3, 4, 5})).Sub("BLOK", block).Sub("SIDE", L().U16(1))));
  c.Chunk("CLIP", L().U32(1).Sub("FLAG", L().Raw({0})).Sub("STIL", L().Str("t.bmp")));
  // The last chunk's pad byte may be missing at the end of the form.
  c.Chunk("END!", L().Raw({1}), /*pad=*/false);
  const LightWaveObject o = MustRead(c.Form());
  EXPECT_EQ(o.layers[0].number, 7);
  EXPECT_EQ(o.layers[0].parent, 3);
  ASSERT_EQ(o.surfaces.size(), 1u);
  EXPECT_EQ(o.surfaces[0].sides, 1);
  ASSERT_EQ(o.surfaces[0].blocks.size(), 1u);
  EXPECT_EQ(o.surfaces[0].blocks[0].uv_map, "uv");
  EXPECT_EQ(o.FindClip(1)->still, "t.bmp");
}

TEST(LightWaveRead, TagsAndMapsCountPolygonsFromTheirOwnPolsChunk) {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("a").Str("b"));
  c.Chunk("LAYR", L().U16(0).U16(0).Vec(0, 0, 0).Str(""));
  c.Chunk("PNTS", L().Vec(0, 0, 0).Vec(1, 0, 0).Vec(0, 1, 0));
  c.Chunk("POLS", L().Id("FACE").U16(3).Vx(0).Vx(1).Vx(2).U16(3).Vx(2).Vx(1).Vx(0));
  c.Chunk("PTAG", L().Id("SURF").Vx(1).U16(0));
  c.Chunk("POLS", L().Id("PTCH").U16(3).Vx(0).Vx(1).Vx(2));
  c.Chunk("PTAG", L().Id("SURF").Vx(0).U16(1));
  c.Chunk("VMAD", L().Id("TXUV").U16(2).Str("uv").Vx(1).Uv(0, 1, 0));
  const LightWaveObject o = MustRead(c.Form());
  const LightWaveLayer& layer = o.layers[0];
  ASSERT_EQ(layer.polygons.size(), 3u);
  EXPECT_EQ(layer.polygons[2].type, LightWaveId("PTCH"));
  EXPECT_EQ(layer.FindPolygonTags(LightWaveId("SURF"))->polygons, (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(layer.FindMap(LightWaveId("TXUV"), "uv", true)->polygons, (std::vector<uint32_t>{2}));

  // The writer splits the runs the same way.
  const LightWaveObject back = MustRead(WriteLightWaveObject(o));
  EXPECT_EQ(back.layers[0].FindPolygonTags(LightWaveId("SURF"))->polygons,
            (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(back.layers[0].FindMap(LightWaveId("TXUV"), "uv", true)->polygons,
            (std::vector<uint32_t>{2}));
  EXPECT_EQ(back.layers[0].polygons[2].type, LightWaveId("PTCH"));
}

TEST(LightWaveWrite, WrittenObjectsReadBackTheSame) {
  const LightWaveObject o = MustRead(TwoTriangles().Form());
  const LightWaveObject back = MustRead(WriteLightWaveObject(o));
  EXPECT_EQ(back.tags, o.tags);
  ASSERT_EQ(back.layers.size(), 1u);
  const LightWaveLayer &a = o.layers[0], &b = back.layers[0];
  EXPECT_EQ(b.name, a.name);
  EXPECT_EQ(b.pivot, a.pivot);
  EXPECT_EQ(b.points, a.points);
  EXPECT_EQ(b.box_min, a.box_min);
  EXPECT_EQ(b.corners, a.corners);
  ASSERT_EQ(b.maps.size(), a.maps.size());
  for (size_t i = 0; i < a.maps.size(); ++i) {
    EXPECT_EQ(b.maps[i].name, a.maps[i].name);
    EXPECT_EQ(b.maps[i].per_polygon, a.maps[i].per_polygon);
    EXPECT_EQ(b.maps[i].points, a.maps[i].points);
    EXPECT_EQ(b.maps[i].polygons, a.maps[i].polygons);
    EXPECT_EQ(b.maps[i].values, a.maps[i].values);
  }
  EXPECT_EQ(b.polygon_tags[0].tags, a.polygon_tags[0].tags);
  ASSERT_EQ(back.clips.size(), 1u);
  EXPECT_EQ(back.clips[0].still, o.clips[0].still);
  ASSERT_EQ(back.surfaces.size(), 2u);
  const LightWaveBlock &x = o.surfaces[0].blocks[0], &y = back.surfaces[0].blocks.at(0);
  EXPECT_EQ(y.type, x.type);
  EXPECT_EQ(y.channel, x.channel);
  EXPECT_EQ(y.projection, x.projection);
  EXPECT_EQ(y.image, x.image);
  EXPECT_EQ(y.uv_map, x.uv_map);
  EXPECT_EQ(back.surfaces[0].sides, 3);
  EXPECT_EQ(back.surfaces[1].color, o.surfaces[1].color);
}

// Each case: the chunks of a bad object and a chunk name the error must give.
struct BadObject {
  const char* what;
  std::vector<uint8_t> bytes;
  const char* names;
};

LwoBytes Base() {
  LwoBytes c;
  c.Chunk("TAGS", L().Str("a"));
  c.Chunk("LAYR", L().U16(0).U16(0).Vec(0, 0, 0).Str(""));
  c.Chunk("PNTS", L().Vec(0, 0, 0).Vec(1, 0, 0).Vec(0, 1, 0));
  return c;
}

LwoBytes With(LwoBytes c, std::string_view id, const LwoBytes& body) {
  c.Chunk(id, body);
  return c;
}

LwoBytes Face() {
  return L().Id("FACE").U16(3).Vx(0).Vx(1).Vx(2);
}

std::vector<BadObject> BadObjects() {
  std::vector<BadObject> cases;
  const auto add = [&](const char* what, std::vector<uint8_t> bytes, const char* names) {
    cases.push_back({what, std::move(bytes), names});
  };
  {
    std::vector<uint8_t> b = Base().Form();
    b[7] += 2;  // FORM size two past the file
    add("form larger than the file", b, "FORM");
  }
  {
    std::vector<uint8_t> b = Base().Form();
    b[11] = 'B';
    add("another form type", b, "LWO2");
  }
  {
    LwoBytes c = Base();
    c.Chunk("POLS", Face(), true, 40);
    add("chunk past the form", c.Form(), "POLS");
  }
  add("tag without its NUL", With(Base(), "TAGS", L().Raw({'a', 'b', 'c', 'd'})).Form(), "TAGS");
  add("points not a multiple of 12", With(Base(), "PNTS", L().Vec(0, 0, 0).U16(1)).Form(), "PNTS");
  add("short box", With(Base(), "BBOX", L().Vec(0, 0, 0)).Form(), "BBOX");
  add("layer name unterminated",
      With(L(), "LAYR", L().U16(0).U16(0).Vec(0, 0, 0).Raw({'n', 'm'})).Form(), "LAYR");
  add("corner past the points",
      With(Base(), "POLS", L().Id("FACE").U16(3).Vx(0).Vx(1).Vx(3)).Form(), "POLS");
  add("long corner past the points",
      With(Base(), "POLS", L().Id("FACE").U16(3).Vx(0).Vx(1).Vx(0x10000, true)).Form(), "POLS");
  add("more corners than bytes", With(Base(), "POLS", L().Id("FACE").U16(900).Vx(0)).Form(),
      "POLS");
  add("polygon cut in its index", With(Base(), "POLS", L().Id("FACE").U16(1).U8(0xFF)).Form(),
      "POLS");
  add("map entry past the points",
      With(Base(), "VMAP", L().Id("TXUV").U16(2).Str("uv").Uv(3, 0, 0)).Form(), "VMAP");
  add("map entry cut short",
      With(Base(), "VMAP", L().Id("TXUV").U16(2).Str("uv").Vx(0).F32(0)).Form(), "VMAP");
  add("texture map of one dimension",
      With(Base(), "VMAP", L().Id("TXUV").U16(1).Str("uv").Vx(0).F32(0)).Form(), "VMAP");
  add("map name unterminated", With(Base(), "VMAP", L().Id("WGHT").U16(1).Raw({'w', 'x'})).Form(),
      "VMAP");
  add("per-polygon map before polygons",
      With(Base(), "VMAD", L().Id("TXUV").U16(2).Str("uv").Vx(0).Uv(0, 0, 0)).Form(), "VMAD");
  add("per-polygon map past the polygons",
      With(With(Base(), "POLS", Face()), "VMAD", L().Id("TXUV").U16(2).Str("uv").Vx(0).Uv(1, 0, 0))
          .Form(),
      "VMAD");
  add("per-polygon texture map of three dimensions",
      With(With(Base(), "POLS", Face()), "VMAD",
           L().Id("TXUV").U16(3).Str("uv").Vx(0).Uv(0, 0, 0).F32(0))
          .Form(),
      "VMAD");
  add("surface tag past the polygons",
      With(With(Base(), "POLS", Face()), "PTAG", L().Id("SURF").Vx(1).U16(0)).Form(), "PTAG");
  add("surface tag past the tags",
      With(With(Base(), "POLS", Face()), "PTAG", L().Id("SURF").Vx(0).U16(1)).Form(), "PTAG");
  add("tags before polygons", With(Base(), "PTAG", L().Id("SURF").Vx(0).U16(0)).Form(), "PTAG");
  add("clip name unterminated",
      With(Base(), "CLIP", L().U32(1).Sub("STIL", L().Raw({'a', 'b'}))).Form(), "STIL");
  add("clip sub-chunk past the clip",
      With(Base(), "CLIP", L().U32(1).Sub("STIL", L().Str("ab"), 10)).Form(), "CLIP");
  add("surface name unterminated", With(Base(), "SURF", L().Raw({'s', 'k'})).Form(), "SURF");
  add("surface sub-chunk past the surface",
      With(Base(), "SURF", Surface("s", L().Sub("COLR", L().Vec(1, 1, 1), 30))).Form(), "SURF");
  add("short colour", With(Base(), "SURF", Surface("s", L().Sub("COLR", L().U32(0)))).Form(),
      "COLR");
  {
    LwoBytes header = L().Raw({'o', 'r'});  // ordinal without its NUL
    add("block ordinal unterminated",
        With(Base(), "SURF", Surface("s", L().Sub("BLOK", L().Sub("IMAP", header)))).Form(),
        "IMAP");
  }
  {
    LwoBytes block = L().Sub("IMAP", L().Str("\x80")).Sub("PROJ", L().U16(5), 4);
    add("block sub-chunk past the block",
        With(Base(), "SURF", Surface("s", L().Sub("BLOK", block))).Form(), "BLOK");
  }
  return cases;
}

TEST(LightWaveRead, EveryBadObjectIsRefusedNamingTheChunk) {
  for (const BadObject& bad : BadObjects()) {
    SCOPED_TRACE(bad.what);
    LightWaveObject object;
    object.tags = {"kept"};
    std::string error;
    EXPECT_FALSE(ReadLightWaveObject(bad.bytes, object, error));
    EXPECT_NE(error.find(bad.names), std::string::npos) << error;
    EXPECT_EQ(object.tags, std::vector<std::string>{"kept"});  // untouched
  }
}

TEST(LightWaveRead, AFormCutInsideAChunkIsRefusedAndOneCutBetweenChunksReads) {
  const std::vector<uint8_t> whole = TwoTriangles().Form();
  std::vector<size_t> ends;  // where each chunk (with its padding) ends
  for (size_t p = 12; p + 8 <= whole.size();) {
    const size_t size = size_t(whole[p + 4]) << 24 | size_t(whole[p + 5]) << 16 |
                        size_t(whole[p + 6]) << 8 | whole[p + 7];
    p += 8 + size + size % 2;
    ends.push_back(p);
  }
  ASSERT_EQ(ends.back(), whole.size());
  for (size_t n = 12; n <= whole.size(); ++n) {
    // The form's size is made to fit, so only the chunk inside it is cut.
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
    const uint32_t size = uint32_t(n - 8);
    cut[4] = uint8_t(size >> 24), cut[5] = uint8_t(size >> 16), cut[6] = uint8_t(size >> 8);
    cut[7] = uint8_t(size);
    const bool between = n == 12 || std::find(ends.begin(), ends.end(), n) != ends.end();
    LightWaveObject object;
    std::string error;
    EXPECT_EQ(ReadLightWaveObject(cut, object, error), between) << "cut at " << n << ": " << error;
  }
}

}  // namespace
