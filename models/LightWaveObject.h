#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A LightWave object (an IFF "FORM" of type "LWO2") as far as the model import and export use
// it. Chunks the program does not use are skipped on reading and not written.

// Four-character chunk and type codes, first character in the high byte.
constexpr uint32_t LightWaveId(const char (&text)[5]) {
  return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
         uint32_t(uint8_t(text[2])) << 8 | uint32_t(uint8_t(text[3]));
}
// The code as four characters, non-printable ones as '?', for messages.
std::string LightWaveIdText(uint32_t id);

// A vertex map: per point ("VMAP") or per polygon corner ("VMAD"). Entry i is
// (points[i], polygons[i] for a VMAD, values[i * dimension ...]).
struct LightWaveVertexMap {
  uint32_t type = 0;  // "TXUV", "WGHT", ...
  uint16_t dimension = 0;
  std::string name;
  bool per_polygon = false;  // a VMAD
  std::vector<uint32_t> points;
  std::vector<uint32_t> polygons;  // VMAD only; indices into the layer's polygons
  std::vector<float> values;

  size_t size() const { return points.size(); }
};

struct LightWavePolygon {
  uint32_t type = 0;   // "FACE", "PTCH", ...
  uint16_t flags = 0;  // the top six bits of the vertex count field
  uint32_t first = 0;  // index of the first corner in the layer's `corners`
  uint16_t count = 0;  // corners, at most 1023
};

// The tags a PTAG chunk gives polygons: entry i gives polygons[i] the tag tags[i] (an index
// into the object's TAGS).
struct LightWavePolygonTags {
  uint32_t type = 0;  // "SURF", "PART", "SMGP", ...
  std::vector<uint32_t> polygons;
  std::vector<uint16_t> tags;
};

struct LightWaveLayer {
  uint16_t number = 0;
  uint16_t flags = 0;
  std::array<float, 3> pivot{};
  std::string name;
  int32_t parent = -1;  // -1 without a parent field
  std::vector<std::array<float, 3>> points;
  bool has_box = false;
  std::array<float, 3> box_min{}, box_max{};
  std::vector<LightWaveVertexMap> maps;  // VMAP and VMAD in file order
  std::vector<LightWavePolygon> polygons;
  std::vector<uint32_t> corners;  // point indices of every polygon's corners
  std::vector<LightWavePolygonTags> polygon_tags;

  // The map of this type, name and kind, or null.
  const LightWaveVertexMap* FindMap(uint32_t type, std::string_view map_name,
                                    bool per_polygon) const;
  // The SURF tags of the layer's polygons, or null without such a PTAG.
  const LightWavePolygonTags* FindPolygonTags(uint32_t type) const;
};

// A surface texture layer (a BLOK): an image map or another kind of layer.
struct LightWaveBlock {
  uint32_t type = 0;  // header kind: "IMAP", "PROC", "GRAD", "SHDR"
  std::string ordinal;
  uint32_t channel = 0;  // "COLR", "DIFF", ...; 0 when the header gave none
  bool enabled = true;
  uint16_t opacity_type = 0;
  float opacity = 1.0f;
  uint16_t negative = 0;
  int32_t projection = -1;  // 0 planar ... 5 UV; -1 without a PROJ
  uint16_t axis = 0;
  uint32_t image = 0;  // the CLIP index, 0 for none
  std::string uv_map;  // the VMAP sub-chunk's name
};

struct LightWaveSurface {
  std::string name;
  std::string source;
  bool has_color = false;
  std::array<float, 3> color{};
  int32_t sides = -1;  // 1 front, 3 both; -1 without a SIDE
  std::vector<LightWaveBlock> blocks;
};

struct LightWaveClip {
  uint32_t index = 0;
  std::string still;  // the STIL file name; empty for another kind of clip
};

struct LightWaveObject {
  std::vector<std::string> tags;  // TAGS, in order
  std::vector<LightWaveLayer> layers;
  std::vector<LightWaveClip> clips;
  std::vector<LightWaveSurface> surfaces;

  const LightWaveSurface* FindSurface(std::string_view name) const;
  const LightWaveClip* FindClip(uint32_t index) const;
};

// Reads an LWO2 object. Every chunk and sub-chunk must fit its parent, strings must end inside
// their chunk, counts come from the bytes present and every index is checked (corners and map
// entries against the layer's points, VMAD and PTAG polygons against its polygons, PTAG tags
// against TAGS); a TXUV map must have two values per entry. False with `error` naming the chunk
// and what is wrong; `out` is untouched then.
[[nodiscard]] bool ReadLightWaveObject(std::span<const uint8_t> bytes, LightWaveObject& out,
                                       std::string& error);
[[nodiscard]] bool ReadLightWaveObject(const std::filesystem::path& path, LightWaveObject& out,
                                       std::string& error);

// The object as LWO2 bytes: TAGS, then per layer LAYR, PNTS, BBOX, the VMAPs, POLS (one chunk
// per run of one polygon type), PTAG and VMAD chunks of that run, then the CLIPs and SURFs.
// Indices are written in the short form below 0xFF00 and the long form from there.
std::vector<uint8_t> WriteLightWaveObject(const LightWaveObject& object);
