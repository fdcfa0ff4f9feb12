#include "models/LightWaveObject.h"

#include <bit>
#include <functional>
#include <optional>
#include <utility>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/SafeFile.h"

std::string LightWaveIdText(uint32_t id) {
  std::string text(4, '?');
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((id >> (24 - 8 * i)) & 0xFF);
    if (c >= 0x20 && c < 0x7F) text[size_t(i)] = c;
  }
  return text;
}

const LightWaveVertexMap* LightWaveLayer::FindMap(uint32_t type, std::string_view map_name,
                                                  bool per_polygon) const {
  for (const LightWaveVertexMap& map : maps) {
    if (map.type == type && map.per_polygon == per_polygon && map.name == map_name) return &map;
  }
  return nullptr;
}

const LightWavePolygonTags* LightWaveLayer::FindPolygonTags(uint32_t type) const {
  for (const LightWavePolygonTags& t : polygon_tags) {
    if (t.type == type) return &t;
  }
  return nullptr;
}

const LightWaveSurface* LightWaveObject::FindSurface(std::string_view name) const {
  for (const LightWaveSurface& s : surfaces) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

const LightWaveClip* LightWaveObject::FindClip(uint32_t index) const {
  for (const LightWaveClip& c : clips) {
    if (c.index == index) return &c;
  }
  return nullptr;
}

namespace {

constexpr uint64_t kMaxObjectFileSize = uint64_t{1} << 30;
constexpr uint32_t kTxuv = LightWaveId("TXUV");
constexpr uint32_t kSurf = LightWaveId("SURF");
constexpr uint32_t kPart = LightWaveId("PART");

bool ReadFloat(ByteReader& r, float& out) {
  uint32_t bits = 0;
  if (!r.ReadU32Be(bits)) return false;
  out = std::bit_cast<float>(bits);
  return true;
}

bool ReadVector(ByteReader& r, std::array<float, 3>& out) {
  return ReadFloat(r, out[0]) && ReadFloat(r, out[1]) && ReadFloat(r, out[2]);
}

// A variable-length index: two bytes, or 0xFF and three more bytes for the index.
bool ReadIndex(ByteReader& r, uint32_t& out) {
  uint8_t first = 0, second = 0;
  if (!r.ReadU8(first)) return false;
  if (first == 0xFF) {
    uint8_t b[3];
    if (!r.ReadBytes(b)) return false;
    out = uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2];
    return true;
  }
  if (!r.ReadU8(second)) return false;
  out = uint32_t(first) << 8 | second;
  return true;
}

// A NUL-terminated string padded to an even length. The NUL must lie inside the reader's
// bytes; a pad byte the chunk's end cuts off is forgiven.
bool ReadString(ByteReader& r, std::string& out) {
  std::span<const uint8_t> rest;
  const size_t start = r.position();
  if (!r.ReadView(r.remaining(), rest)) return false;
  size_t length = 0;
  while (length < rest.size() && rest[length] != 0) ++length;
  if (length == rest.size()) {
    (void)r.Seek(start);
    return false;
  }
  out.assign(reinterpret_cast<const char*>(rest.data()), length);
  size_t used = length + 1;
  if (used % 2 != 0 && used < rest.size()) ++used;
  return r.Seek(start + used);
}

// Reads one object; holds the chunk being read so that every error can name it.
class Reader {
 public:
  explicit Reader(LightWaveObject& object) : object_(object) {}

  bool Read(std::span<const uint8_t> bytes);
  const std::string& error() const { return error_; }

 private:
  bool Fail(const std::string& text) {
    error_ = where_ + ": " + text;
    return false;
  }
  LightWaveLayer& Layer() {
    if (object_.layers.empty()) object_.layers.emplace_back();
    return object_.layers.back();
  }
  // Calls `visit` for each sub-chunk (ID4, U2 size, data padded to even) of `r`'s bytes.
  bool SubChunks(ByteReader& r, const std::function<bool(uint32_t, ByteReader&)>& visit);

  bool ReadChunk(uint32_t id, std::span<const uint8_t> data);
  bool ReadTags(ByteReader& r);
  bool ReadLayer(ByteReader& r);
  bool ReadPoints(ByteReader& r);
  bool ReadBox(ByteReader& r);
  bool ReadMap(ByteReader& r, bool per_polygon);
  bool ReadPolygons(ByteReader& r);
  bool ReadPolygonTags(ByteReader& r);
  bool ReadClip(ByteReader& r);
  bool ReadSurface(ByteReader& r);
  bool ReadBlock(ByteReader& r, LightWaveBlock& block);
  bool ReadBlockHeader(ByteReader& r, LightWaveBlock& block);

  LightWaveObject& object_;
  std::string where_ = "FORM";
  std::string error_;
  // The polygons of the latest POLS chunk of the current layer, which PTAG and VMAD indices
  // count from.
  uint32_t run_first_ = 0;
  uint32_t run_count_ = 0;
  bool have_run_ = false;
};

bool Reader::SubChunks(ByteReader& r, const std::function<bool(uint32_t, ByteReader&)>& visit) {
  const std::string outer = where_;
  while (!r.AtEnd()) {
    uint32_t id = 0;
    uint16_t size = 0;
    if (!r.ReadU32Be(id) || !r.ReadU16Be(size)) return Fail("a sub-chunk header is cut short");
    where_ = outer + " " + LightWaveIdText(id);
    std::span<const uint8_t> data;
    if (!r.ReadView(size, data)) {
      return Fail("size " + std::to_string(size) + " runs past its parent's end (" +
                  std::to_string(r.remaining()) + " bytes left)");
    }
    if (size % 2 != 0 && !r.AtEnd() && !r.Skip(1)) return Fail("padding missing");
    ByteReader sub(data);
    if (!visit(id, sub)) return false;
    where_ = outer;
  }
  return true;
}

bool Reader::Read(std::span<const uint8_t> bytes) {
  ByteReader r(bytes);
  uint32_t form = 0, size = 0, type = 0;
  if (!r.ReadU32Be(form) || !r.ReadU32Be(size)) return Fail("the file is too short");
  if (form != LightWaveId("FORM")) return Fail("not an IFF file (no FORM)");
  if (size < 4 || size > r.remaining()) {
    return Fail("size " + std::to_string(size) + " does not fit the file's " +
                std::to_string(bytes.size()) + " bytes");
  }
  std::span<const uint8_t> body;
  if (!r.ReadView(size, body)) return Fail("cut short");
  ByteReader form_reader(body);
  if (!form_reader.ReadU32Be(type) || type != LightWaveId("LWO2")) {
    return Fail("the form type is " + LightWaveIdText(type) + ", not LWO2");
  }
  while (!form_reader.AtEnd()) {
    const size_t offset = 8 + form_reader.position();
    uint32_t id = 0, length = 0;
    if (!form_reader.ReadU32Be(id) || !form_reader.ReadU32Be(length)) {
      where_ = "chunk at byte " + std::to_string(offset);
      return Fail("the chunk header is cut short");
    }
    where_ = LightWaveIdText(id) + " chunk at byte " + std::to_string(offset);
    std::span<const uint8_t> data;
    if (!form_reader.ReadView(length, data)) {
      return Fail("size " + std::to_string(length) + " runs past the form's end (" +
                  std::to_string(form_reader.remaining()) + " bytes left)");
    }
    if (length % 2 != 0 && !form_reader.AtEnd() && !form_reader.Skip(1)) {
      return Fail("padding missing");
    }
    if (!ReadChunk(id, data)) return false;
  }
  return true;
}

bool Reader::ReadChunk(uint32_t id, std::span<const uint8_t> data) {
  ByteReader r(data);
  switch (id) {
    case LightWaveId("TAGS"):
      return ReadTags(r);
    case LightWaveId("LAYR"):
      return ReadLayer(r);
    case LightWaveId("PNTS"):
      return ReadPoints(r);
    case LightWaveId("BBOX"):
      return ReadBox(r);
    case LightWaveId("VMAP"):
      return ReadMap(r, false);
    case LightWaveId("VMAD"):
      return ReadMap(r, true);
    case LightWaveId("POLS"):
      return ReadPolygons(r);
    case LightWaveId("PTAG"):
      return ReadPolygonTags(r);
    case LightWaveId("CLIP"):
      return ReadClip(r);
    case LightWaveId("SURF"):
      return ReadSurface(r);
    default:
      return true;  // a chunk the program has no use for
  }
}

bool Reader::ReadTags(ByteReader& r) {
  while (!r.AtEnd()) {
    std::string tag;
    if (!ReadString(r, tag)) {
      return Fail("tag " + std::to_string(object_.tags.size()) + " does not end in the chunk");
    }
    object_.tags.push_back(std::move(tag));
  }
  return true;
}

bool Reader::ReadLayer(ByteReader& r) {
  LightWaveLayer layer;
  if (!r.ReadU16Be(layer.number) || !r.ReadU16Be(layer.flags) || !ReadVector(r, layer.pivot)) {
    return Fail("cut short");
  }
  if (!ReadString(r, layer.name)) return Fail("the layer name does not end in the chunk");
  uint16_t parent = 0;
  if (r.remaining() >= 2 && r.ReadU16Be(parent)) layer.parent = parent;
  object_.layers.push_back(std::move(layer));
  have_run_ = false;
  return true;
}

bool Reader::ReadPoints(ByteReader& r) {
  if (r.remaining() % 12 != 0) {
    return Fail("size " + std::to_string(r.remaining()) + " is not a whole number of points");
  }
  LightWaveLayer& layer = Layer();
  layer.points.reserve(layer.points.size() + r.remaining() / 12);
  while (!r.AtEnd()) {
    std::array<float, 3> p{};
    if (!ReadVector(r, p)) return Fail("cut short");
    layer.points.push_back(p);
  }
  return true;
}

bool Reader::ReadBox(ByteReader& r) {
  LightWaveLayer& layer = Layer();
  if (r.remaining() < 24 || !ReadVector(r, layer.box_min) || !ReadVector(r, layer.box_max)) {
    return Fail("a box needs 24 bytes, the chunk has " + std::to_string(r.size()));
  }
  layer.has_box = true;
  return true;
}

bool Reader::ReadMap(ByteReader& r, bool per_polygon) {
  LightWaveVertexMap map;
  map.per_polygon = per_polygon;
  if (!r.ReadU32Be(map.type) || !r.ReadU16Be(map.dimension)) return Fail("cut short");
  if (!ReadString(r, map.name)) return Fail("the map name does not end in the chunk");
  if (map.type == kTxuv && map.dimension != 2) {
    return Fail("texture map '" + map.name + "' has " + std::to_string(map.dimension) +
                " values per entry, not 2");
  }
  LightWaveLayer& layer = Layer();
  if (per_polygon && !have_run_) return Fail("map '" + map.name + "' comes before any polygons");
  // The smallest entry is a two-byte index or two, then the values.
  const size_t smallest = (per_polygon ? 4 : 2) + 4 * size_t{map.dimension};
  map.points.reserve(r.remaining() / smallest);
  if (per_polygon) map.polygons.reserve(r.remaining() / smallest);
  map.values.reserve(r.remaining() / smallest * map.dimension);
  while (!r.AtEnd()) {
    const size_t entry = map.points.size();
    uint32_t point = 0, polygon = 0;
    if (!ReadIndex(r, point) || (per_polygon && !ReadIndex(r, polygon))) {
      return Fail("entry " + std::to_string(entry) + " is cut short");
    }
    if (point >= layer.points.size()) {
      return Fail("entry " + std::to_string(entry) + " names point " + std::to_string(point) +
                  " of " + std::to_string(layer.points.size()));
    }
    if (per_polygon) {
      if (polygon >= run_count_) {
        return Fail("entry " + std::to_string(entry) + " names polygon " + std::to_string(polygon) +
                    " of " + std::to_string(run_count_));
      }
      map.polygons.push_back(run_first_ + polygon);
    }
    map.points.push_back(point);
    for (uint16_t d = 0; d < map.dimension; ++d) {
      float value = 0;
      if (!ReadFloat(r, value)) return Fail("entry " + std::to_string(entry) + " is cut short");
      map.values.push_back(value);
    }
  }
  // A map without entries says nothing; keeping it would make empty chunks to write back.
  if (map.size() == 0) return true;
  // Maps of one name and kind in several chunks (one per POLS chunk) are one map.
  for (LightWaveVertexMap& known : layer.maps) {
    if (known.type != map.type || known.per_polygon != per_polygon || known.name != map.name) {
      continue;
    }
    if (known.dimension != map.dimension) {
      return Fail("map '" + map.name + "' was met before with another dimension");
    }
    known.points.insert(known.points.end(), map.points.begin(), map.points.end());
    known.polygons.insert(known.polygons.end(), map.polygons.begin(), map.polygons.end());
    known.values.insert(known.values.end(), map.values.begin(), map.values.end());
    return true;
  }
  layer.maps.push_back(std::move(map));
  return true;
}

bool Reader::ReadPolygons(ByteReader& r) {
  uint32_t type = 0;
  if (!r.ReadU32Be(type)) return Fail("cut short");
  LightWaveLayer& layer = Layer();
  run_first_ = static_cast<uint32_t>(layer.polygons.size());
  // Every polygon takes at least its two-byte count field.
  layer.polygons.reserve(layer.polygons.size() + r.remaining() / 2);
  while (!r.AtEnd()) {
    const size_t index = layer.polygons.size() - run_first_;
    uint16_t field = 0;
    if (!r.ReadU16Be(field)) return Fail("polygon " + std::to_string(index) + " is cut short");
    LightWavePolygon polygon;
    polygon.type = type;
    polygon.count = field & 0x3FF;
    polygon.flags = static_cast<uint16_t>(field >> 10);
    polygon.first = static_cast<uint32_t>(layer.corners.size());
    if (size_t{polygon.count} * 2 > r.remaining()) {
      return Fail("polygon " + std::to_string(index) + " has more corners than bytes left");
    }
    for (uint16_t c = 0; c < polygon.count; ++c) {
      uint32_t point = 0;
      if (!ReadIndex(r, point)) return Fail("polygon " + std::to_string(index) + " is cut short");
      if (point >= layer.points.size()) {
        return Fail("corner " + std::to_string(c) + " of polygon " + std::to_string(index) +
                    " names point " + std::to_string(point) + " of " +
                    std::to_string(layer.points.size()));
      }
      layer.corners.push_back(point);
    }
    layer.polygons.push_back(polygon);
  }
  run_count_ = static_cast<uint32_t>(layer.polygons.size()) - run_first_;
  have_run_ = true;
  return true;
}

bool Reader::ReadPolygonTags(ByteReader& r) {
  uint32_t type = 0;
  if (!r.ReadU32Be(type)) return Fail("cut short");
  if (!have_run_) return Fail("tags come before any polygons");
  LightWaveLayer& layer = Layer();
  LightWavePolygonTags* tags = nullptr;
  for (LightWavePolygonTags& t : layer.polygon_tags) {
    if (t.type == type) tags = &t;
  }
  if (tags == nullptr) {
    layer.polygon_tags.emplace_back();
    tags = &layer.polygon_tags.back();
    tags->type = type;
  }
  // Surface and part tags name strings of TAGS; smoothing groups and others are plain numbers.
  const bool names_tag = type == kSurf || type == kPart;
  size_t entry = 0;
  while (!r.AtEnd()) {
    uint32_t polygon = 0;
    uint16_t tag = 0;
    if (!ReadIndex(r, polygon) || !r.ReadU16Be(tag)) {
      return Fail("entry " + std::to_string(entry) + " is cut short");
    }
    if (polygon >= run_count_) {
      return Fail("entry " + std::to_string(entry) + " names polygon " + std::to_string(polygon) +
                  " of " + std::to_string(run_count_));
    }
    if (names_tag && tag >= object_.tags.size()) {
      return Fail("entry " + std::to_string(entry) + " names tag " + std::to_string(tag) + " of " +
                  std::to_string(object_.tags.size()));
    }
    tags->polygons.push_back(run_first_ + polygon);
    tags->tags.push_back(tag);
    ++entry;
  }
  return true;
}

bool Reader::ReadClip(ByteReader& r) {
  LightWaveClip clip;
  if (!r.ReadU32Be(clip.index)) return Fail("cut short");
  if (!SubChunks(r, [&](uint32_t id, ByteReader& sub) {
        if (id == LightWaveId("STIL") && !ReadString(sub, clip.still)) {
          return Fail("the file name does not end in the sub-chunk");
        }
        return true;
      })) {
    return false;
  }
  object_.clips.push_back(std::move(clip));
  return true;
}

bool Reader::ReadSurface(ByteReader& r) {
  LightWaveSurface surface;
  if (!ReadString(r, surface.name)) return Fail("the surface name does not end in the chunk");
  if (!ReadString(r, surface.source)) return Fail("the source name does not end in the chunk");
  where_ += " '" + surface.name + "'";
  if (!SubChunks(r, [&](uint32_t id, ByteReader& sub) {
        switch (id) {
          case LightWaveId("COLR"):
            if (!ReadVector(sub, surface.color)) return Fail("cut short");
            surface.has_color = true;
            return true;
          case LightWaveId("SIDE"): {
            uint16_t sides = 0;
            if (!sub.ReadU16Be(sides)) return Fail("cut short");
            surface.sides = sides;
            return true;
          }
          case LightWaveId("BLOK"): {
            LightWaveBlock block;
            if (!ReadBlock(sub, block)) return false;
            surface.blocks.push_back(std::move(block));
            return true;
          }
          default:
            return true;
        }
      })) {
    return false;
  }
  object_.surfaces.push_back(std::move(surface));
  return true;
}

bool Reader::ReadBlockHeader(ByteReader& r, LightWaveBlock& block) {
  if (!ReadString(r, block.ordinal)) return Fail("the ordinal does not end in the sub-chunk");
  return SubChunks(r, [&](uint32_t id, ByteReader& sub) {
    switch (id) {
      case LightWaveId("CHAN"):
        if (!sub.ReadU32Be(block.channel)) return Fail("cut short");
        return true;
      case LightWaveId("ENAB"): {
        uint16_t enabled = 0;
        if (!sub.ReadU16Be(enabled)) return Fail("cut short");
        block.enabled = enabled != 0;
        return true;
      }
      case LightWaveId("OPAC"):
        if (!sub.ReadU16Be(block.opacity_type) || !ReadFloat(sub, block.opacity)) {
          return Fail("cut short");
        }
        return true;
      case LightWaveId("NEGA"):
        if (!sub.ReadU16Be(block.negative)) return Fail("cut short");
        return true;
      default:
        return true;
    }
  });
}

bool Reader::ReadBlock(ByteReader& r, LightWaveBlock& block) {
  bool first = true;
  return SubChunks(r, [&](uint32_t id, ByteReader& sub) {
    if (first) {
      // The first sub-chunk is the header and says what kind of layer this is.
      first = false;
      block.type = id;
      return ReadBlockHeader(sub, block);
    }
    switch (id) {
      case LightWaveId("PROJ"): {
        uint16_t projection = 0;
        if (!sub.ReadU16Be(projection)) return Fail("cut short");
        block.projection = projection;
        return true;
      }
      case LightWaveId("AXIS"):
        if (!sub.ReadU16Be(block.axis)) return Fail("cut short");
        return true;
      case LightWaveId("IMAG"):
        if (!ReadIndex(sub, block.image)) return Fail("cut short");
        return true;
      case LightWaveId("VMAP"):
        if (!ReadString(sub, block.uv_map)) return Fail("the map name does not end in it");
        return true;
      default:
        return true;
    }
  });
}

// --- Writing

void WriteFloat(ByteWriter& w, float value) {
  w.WriteU32Be(std::bit_cast<uint32_t>(value));
}

void WriteVector(ByteWriter& w, const std::array<float, 3>& v) {
  for (float f : v) WriteFloat(w, f);
}

void WriteIndex(ByteWriter& w, uint32_t index) {
  if (index < 0xFF00) {
    w.WriteU16Be(static_cast<uint16_t>(index));
  } else {
    w.WriteU32Be(0xFF000000u | (index & 0xFFFFFF));
  }
}

void WriteString(ByteWriter& w, std::string_view text) {
  w.WriteBytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  w.WriteU8(0);
  if ((text.size() + 1) % 2 != 0) w.WriteU8(0);
}

// Writes `id`, a size field of `size_bytes` bytes, what `body` writes, and a pad byte after an
// odd size.
void WriteChunk(ByteWriter& w, uint32_t id, int size_bytes, const std::function<void()>& body) {
  w.WriteU32Be(id);
  const size_t size_at = w.size();
  if (size_bytes == 4) {
    w.WriteU32Be(0);
  } else {
    w.WriteU16Be(0);
  }
  const size_t start = w.size();
  body();
  const size_t size = w.size() - start;
  if (size_bytes == 4) {
    (void)w.PatchU32Be(size_at, static_cast<uint32_t>(size));
  } else {
    (void)w.PatchU16Be(size_at, static_cast<uint16_t>(size));
  }
  if (size % 2 != 0) w.WriteU8(0);
}

void WriteMap(ByteWriter& w, const LightWaveVertexMap& map, uint32_t first, uint32_t end) {
  bool any = false;
  for (size_t i = 0; i < map.size() && !any; ++i) {
    any = !map.per_polygon || (map.polygons[i] >= first && map.polygons[i] < end);
  }
  if (!any) return;
  WriteChunk(w, LightWaveId(map.per_polygon ? "VMAD" : "VMAP"), 4, [&] {
    w.WriteU32Be(map.type);
    w.WriteU16Be(map.dimension);
    WriteString(w, map.name);
    for (size_t i = 0; i < map.size(); ++i) {
      if (map.per_polygon && (map.polygons[i] < first || map.polygons[i] >= end)) continue;
      WriteIndex(w, map.points[i]);
      if (map.per_polygon) WriteIndex(w, map.polygons[i] - first);
      for (size_t d = 0; d < map.dimension; ++d) {
        const size_t at = i * map.dimension + d;
        WriteFloat(w, at < map.values.size() ? map.values[at] : 0.0f);
      }
    }
  });
}

void WriteLayer(ByteWriter& w, const LightWaveLayer& layer) {
  WriteChunk(w, LightWaveId("LAYR"), 4, [&] {
    w.WriteU16Be(layer.number);
    w.WriteU16Be(layer.flags);
    WriteVector(w, layer.pivot);
    WriteString(w, layer.name);
    if (layer.parent >= 0) w.WriteU16Be(static_cast<uint16_t>(layer.parent));
  });
  WriteChunk(w, LightWaveId("PNTS"), 4, [&] {
    for (const auto& p : layer.points) WriteVector(w, p);
  });
  if (layer.has_box) {
    WriteChunk(w, LightWaveId("BBOX"), 4, [&] {
      WriteVector(w, layer.box_min);
      WriteVector(w, layer.box_max);
    });
  }
  for (const LightWaveVertexMap& map : layer.maps) {
    if (!map.per_polygon) WriteMap(w, map, 0, 0);
  }
  // PTAG and VMAD count polygons from the latest POLS, so each run of one type is a chunk
  // followed by its tags and per-polygon maps.
  size_t first = 0;
  while (first < layer.polygons.size()) {
    size_t end = first;
    const uint32_t type = layer.polygons[first].type;
    while (end < layer.polygons.size() && layer.polygons[end].type == type) ++end;
    WriteChunk(w, LightWaveId("POLS"), 4, [&] {
      w.WriteU32Be(type);
      for (size_t i = first; i < end; ++i) {
        const LightWavePolygon& p = layer.polygons[i];
        w.WriteU16Be(static_cast<uint16_t>((p.flags << 10) | (p.count & 0x3FF)));
        for (uint16_t c = 0; c < p.count; ++c) WriteIndex(w, layer.corners[p.first + c]);
      }
    });
    for (const LightWavePolygonTags& tags : layer.polygon_tags) {
      bool any = false;
      for (uint32_t p : tags.polygons) any = any || (p >= first && p < end);
      if (!any) continue;
      WriteChunk(w, LightWaveId("PTAG"), 4, [&] {
        w.WriteU32Be(tags.type);
        for (size_t i = 0; i < tags.polygons.size(); ++i) {
          if (tags.polygons[i] < first || tags.polygons[i] >= end) continue;
          WriteIndex(w, static_cast<uint32_t>(tags.polygons[i] - first));
          w.WriteU16Be(tags.tags[i]);
        }
      });
    }
    for (const LightWaveVertexMap& map : layer.maps) {
      if (map.per_polygon) {
        WriteMap(w, map, static_cast<uint32_t>(first), static_cast<uint32_t>(end));
      }
    }
    first = end;
  }
}

void WriteSurface(ByteWriter& w, const LightWaveSurface& surface) {
  WriteChunk(w, LightWaveId("SURF"), 4, [&] {
    WriteString(w, surface.name);
    WriteString(w, surface.source);
    if (surface.has_color) {
      WriteChunk(w, LightWaveId("COLR"), 2, [&] {
        WriteVector(w, surface.color);
        WriteIndex(w, 0);
      });
    }
    if (surface.sides >= 0) {
      WriteChunk(w, LightWaveId("SIDE"), 2,
                 [&] { w.WriteU16Be(static_cast<uint16_t>(surface.sides)); });
    }
    for (const LightWaveBlock& block : surface.blocks) {
      WriteChunk(w, LightWaveId("BLOK"), 2, [&] {
        WriteChunk(w, block.type, 2, [&] {
          WriteString(w, block.ordinal);
          if (block.channel != 0) {
            WriteChunk(w, LightWaveId("CHAN"), 2, [&] { w.WriteU32Be(block.channel); });
          }
          WriteChunk(w, LightWaveId("ENAB"), 2, [&] { w.WriteU16Be(block.enabled ? 1 : 0); });
          WriteChunk(w, LightWaveId("OPAC"), 2, [&] {
            w.WriteU16Be(block.opacity_type);
            WriteFloat(w, block.opacity);
            WriteIndex(w, 0);
          });
          if (block.negative != 0) {
            WriteChunk(w, LightWaveId("NEGA"), 2, [&] { w.WriteU16Be(block.negative); });
          }
        });
        if (block.projection >= 0) {
          WriteChunk(w, LightWaveId("PROJ"), 2,
                     [&] { w.WriteU16Be(static_cast<uint16_t>(block.projection)); });
        }
        WriteChunk(w, LightWaveId("AXIS"), 2, [&] { w.WriteU16Be(block.axis); });
        if (block.image != 0) {
          WriteChunk(w, LightWaveId("IMAG"), 2, [&] { WriteIndex(w, block.image); });
        }
        if (!block.uv_map.empty()) {
          WriteChunk(w, LightWaveId("VMAP"), 2, [&] { WriteString(w, block.uv_map); });
        }
      });
    }
  });
}

}  // namespace

bool ReadLightWaveObject(std::span<const uint8_t> bytes, LightWaveObject& out, std::string& error) {
  LightWaveObject object;
  Reader reader(object);
  if (!reader.Read(bytes)) {
    error = reader.error();
    return false;
  }
  out = std::move(object);
  return true;
}

bool ReadLightWaveObject(const std::filesystem::path& path, LightWaveObject& out,
                         std::string& error) {
  std::vector<uint8_t> bytes;
  if (!SafeFile::ReadAll(path, kMaxObjectFileSize, bytes, error)) return false;
  return ReadLightWaveObject(std::span<const uint8_t>(bytes), out, error);
}

std::vector<uint8_t> WriteLightWaveObject(const LightWaveObject& object) {
  ByteWriter w;
  WriteChunk(w, LightWaveId("FORM"), 4, [&] {
    w.WriteU32Be(LightWaveId("LWO2"));
    WriteChunk(w, LightWaveId("TAGS"), 4, [&] {
      for (const std::string& tag : object.tags) WriteString(w, tag);
    });
    for (const LightWaveLayer& layer : object.layers) WriteLayer(w, layer);
    for (const LightWaveClip& clip : object.clips) {
      WriteChunk(w, LightWaveId("CLIP"), 4, [&] {
        w.WriteU32Be(clip.index);
        if (!clip.still.empty()) {
          WriteChunk(w, LightWaveId("STIL"), 2, [&] { WriteString(w, clip.still); });
        }
      });
    }
    for (const LightWaveSurface& surface : object.surfaces) WriteSurface(w, surface);
  });
  return w.Take();
}
