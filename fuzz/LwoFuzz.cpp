// Fuzz target for the LightWave object reader. An object that reads has every index inside what
// it names, and writes and reads back to the same layers, polygons, maps and surfaces.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "models/LightWaveObject.h"

namespace {

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

std::vector<const LightWaveVertexMap*> MapsOfKind(const LightWaveLayer& layer, bool per_polygon) {
  std::vector<const LightWaveVertexMap*> maps;
  for (const LightWaveVertexMap& map : layer.maps) {
    if (map.per_polygon == per_polygon) maps.push_back(&map);
  }
  return maps;
}

void CheckIndices(const LightWaveObject& object) {
  for (const LightWaveLayer& layer : object.layers) {
    for (uint32_t point : layer.corners) Check(point < layer.points.size(), "corner past points");
    for (const LightWavePolygon& p : layer.polygons) {
      Check(size_t{p.first} + p.count <= layer.corners.size(), "polygon past corners");
    }
    for (const LightWaveVertexMap& map : layer.maps) {
      Check(map.values.size() == map.size() * map.dimension, "map values do not fit");
      Check(!map.per_polygon || map.polygons.size() == map.size(), "map polygons do not fit");
      if (map.type == LightWaveId("TXUV")) Check(map.dimension == 2, "a TXUV map not 2-D");
      for (uint32_t point : map.points) Check(point < layer.points.size(), "map past points");
      for (uint32_t polygon : map.polygons) {
        Check(polygon < layer.polygons.size(), "map past polygons");
      }
    }
    for (const LightWavePolygonTags& tags : layer.polygon_tags) {
      Check(tags.polygons.size() == tags.tags.size(), "tags do not pair up");
      for (uint32_t polygon : tags.polygons) {
        Check(polygon < layer.polygons.size(), "tag past polygons");
      }
      if (tags.type == LightWaveId("SURF")) {
        for (uint16_t tag : tags.tags) Check(tag < object.tags.size(), "surface past TAGS");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LightWaveObject object;
  object.tags = {"untouched"};
  std::string error;
  if (!ReadLightWaveObject(std::span<const uint8_t>(data, size), object, error)) {
    Check(!error.empty(), "an object refused without a message");
    Check(object.tags.size() == 1 && object.tags[0] == "untouched",
          "a refused object changed the output");
    return 0;
  }
  CheckIndices(object);

  LightWaveObject back;
  Check(ReadLightWaveObject(WriteLightWaveObject(object), back, error),
        "a written object does not read");
  Check(back.tags == object.tags, "tags changed");
  Check(back.layers.size() == object.layers.size(), "layer count changed");
  for (size_t i = 0; i < object.layers.size(); ++i) {
    const LightWaveLayer &a = object.layers[i], &b = back.layers[i];
    Check(a.points.size() == b.points.size(), "point count changed");
    Check(a.corners == b.corners, "corners changed");
    Check(a.polygons.size() == b.polygons.size(), "polygon count changed");
    for (size_t p = 0; p < a.polygons.size(); ++p) {
      Check(a.polygons[p].type == b.polygons[p].type &&
                a.polygons[p].count == b.polygons[p].count &&
                a.polygons[p].flags == b.polygons[p].flags,
            "a polygon changed");
    }
    Check(a.maps.size() == b.maps.size(), "map count changed");
    // Point maps are written with the points and polygon maps after the polygons, so a file
    // that mixes them comes back with each kind in its own order; readers look maps up by
    // type, name and kind.
    for (bool per_polygon : {false, true}) {
      const std::vector<const LightWaveVertexMap*> was = MapsOfKind(a, per_polygon);
      const std::vector<const LightWaveVertexMap*> is = MapsOfKind(b, per_polygon);
      Check(was.size() == is.size(), "map count of a kind changed");
      for (size_t m = 0; m < was.size(); ++m) {
        Check(was[m]->type == is[m]->type && was[m]->name == is[m]->name &&
                  was[m]->dimension == is[m]->dimension && was[m]->points == is[m]->points &&
                  was[m]->polygons == is[m]->polygons && SameBits(was[m]->values, is[m]->values),
              "a map changed");
      }
    }
    for (const LightWavePolygonTags& tags : a.polygon_tags) {
      const LightWavePolygonTags* other = b.FindPolygonTags(tags.type);
      Check(tags.polygons.empty() ||
                (other != nullptr && other->polygons == tags.polygons && other->tags == tags.tags),
            "polygon tags changed");
    }
  }
  Check(back.surfaces.size() == object.surfaces.size(), "surface count changed");
  for (size_t s = 0; s < object.surfaces.size(); ++s) {
    const LightWaveSurface &a = object.surfaces[s], &b = back.surfaces[s];
    Check(a.name == b.name && a.blocks.size() == b.blocks.size(), "a surface changed");
    for (size_t k = 0; k < a.blocks.size(); ++k) {
      Check(a.blocks[k].channel == b.blocks[k].channel &&
                a.blocks[k].projection == b.blocks[k].projection &&
                a.blocks[k].image == b.blocks[k].image && a.blocks[k].uv_map == b.blocks[k].uv_map,
            "a texture layer changed");
    }
  }
  Check(back.clips.size() == object.clips.size(), "clip count changed");
  return 0;
}
