#include "models/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/ByteWriter.h"
#include "models/TagArray.h"

namespace {

// The 128-byte header as it lies in the file. Reserved bytes carry the zero flag: read as zero,
// written as zero.
struct HeaderRecord {
  uint32_t flags;
  uint32_t collection_reference;
  uint16_t counts[3];  // materials, vertices, triangles
  uint16_t kept14;
  int16_t pivot[3];
  uint8_t reserved22[6];
  TagArray arrays[4];  // materials, vertices, triangles, the reserved one kept as read
  uint32_t data_base;
  uint32_t total_bytes;
  uint32_t reserved84;
  int16_t box[6];
  uint16_t kept100[13];
  uint8_t reserved126[2];
  static constexpr uint16_t kWords[] = {128, 2, 2, 3, 1, 1, 1, 3, 1,  6, 4, 12, 2,
                                        1,   2, 1, 2, 1, 6, 6, 1, 13, 1, 2, 4};
};
static_assert(sizeof(HeaderRecord) == Geometry::kHeaderSize);
static_assert(offsetof(HeaderRecord, arrays) == 28 && offsetof(HeaderRecord, box) == 88);

// The in-memory records are laid out as in the file, so they convert in place.
struct MaterialRecord {
  static constexpr uint16_t kWords[] = {64, 32, 0, 1, 1, 3, 1, 24, 0};
};
struct VertexRecord {
  static constexpr uint16_t kWords[] = {6, 3, 1};
};
struct TriangleRecord {
  static constexpr uint16_t kWords[] = {64, 1,  1, 3, 1, 1, 2, 12, 0, 1, 1, 1, 1,
                                        3,  32, 8, 4, 1, 3, 1, 1,  1, 1, 1, 1, 1};
};
static_assert(sizeof(GeometryMaterial) == Geometry::kMaterialSize);
static_assert(sizeof(GeometryVertex) == Geometry::kVertexSize);
static_assert(sizeof(GeometryTriangle) == Geometry::kTriangleSize);
static_assert(offsetof(GeometryTriangle, plane) == 8 && offsetof(GeometryTriangle, corners) == 28 &&
              offsetof(GeometryTriangle, kept52) == 52 && offsetof(GeometryTriangle, kept60) == 60);

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

// World units to the stored fixed point, truncated. False when the value is not finite or
// would not fit a signed 16-bit field (about +-64 units): it would wrap.
bool ToFixed(float value, int16_t& out) {
  if (!std::isfinite(value)) return false;
  const double scaled = std::trunc(static_cast<double>(value) * Geometry::kUnit);
  if (scaled < std::numeric_limits<int16_t>::min() || scaled > std::numeric_limits<int16_t>::max())
    return false;
  out = static_cast<int16_t>(scaled);
  return true;
}

bool FixedOrError(float value, std::string_view what, int16_t& out, std::string& error) {
  if (ToFixed(value, out)) return true;
  error = std::string(what) + " is " + Number(value) +
          ", which a geometry cannot hold (at most 64 units either way)";
  return false;
}

// 0..1 to 0..65535. The product is truncated with 1/100 of a step allowed, so that a value
// written out as stored / 65535 comes back to the same stored value (0.5 still gives 32767).
uint16_t ToUnitFraction(float value, std::string_view what, std::vector<std::string>& warnings) {
  float clamped = value;
  if (std::isnan(value)) clamped = 0.0f;
  clamped = std::clamp(clamped, 0.0f, 1.0f);
  if (clamped != value) {
    warnings.push_back(std::string(what) + " " + Number(value) + " is outside 0..1; " +
                       Number(clamped) + " is used");
  }
  const double scaled = std::floor(static_cast<double>(clamped) * 65535.0 + 0.01);
  return static_cast<uint16_t>(std::min(scaled, 65535.0));
}

}  // namespace

std::string GeometryMaterial::Name() const {
  return std::string(name.data(), strnlen(name.data(), name.size() - 1));
}

bool Geometry::Read(std::span<const uint8_t> data, Geometry& out, std::string& error) {
  error.clear();
  if (data.size() < kHeaderSize) {
    error = "geometry header is cut short: " + std::to_string(data.size()) + " of " +
            std::to_string(kHeaderSize) + " bytes present";
    return false;
  }
  std::vector<HeaderRecord> header(1);
  std::span<const uint8_t> region;
  if (!model_records::ReadAll<HeaderRecord, HeaderRecord>(data, header) ||
      !TagArray::Region(data, header[0].data_base, "geometry", region, error)) {
    if (error.empty()) error = "geometry header cannot be read";
    return false;
  }
  const HeaderRecord& h = header[0];
  Geometry g;
  g.materials.resize(h.counts[0]);
  g.vertices.resize(h.counts[1]);
  g.triangles.resize(h.counts[2]);
  std::span<const uint8_t> bytes;
  if (!h.arrays[0].Locate(region, "materials", g.materials.size(), kMaterialSize, bytes, error) ||
      !model_records::ReadAll<GeometryMaterial, MaterialRecord>(bytes, g.materials) ||
      !h.arrays[1].Locate(region, "vertices", g.vertices.size(), kVertexSize, bytes, error) ||
      !model_records::ReadAll<GeometryVertex, VertexRecord>(bytes, g.vertices) ||
      !h.arrays[2].Locate(region, "triangles", g.triangles.size(), kTriangleSize, bytes, error) ||
      !model_records::ReadAll<GeometryTriangle, TriangleRecord>(bytes, g.triangles)) {
    if (error.empty()) error = "geometry arrays cannot be read";
    return false;
  }
  for (size_t t = 0; t < g.triangles.size(); ++t) {
    for (size_t c = 0; c < 3; ++c) {
      const uint16_t vertex = g.triangles[t].corners[c].vertex;
      if (vertex >= g.vertices.size()) {
        error = "triangle " + std::to_string(t) + " corner " + std::to_string(c) +
                " names vertex " + std::to_string(vertex) + " of " +
                std::to_string(g.vertices.size());
        return false;
      }
    }
  }
  g.flags = h.flags;
  g.collection_reference = h.collection_reference;
  g.kept14 = h.kept14;
  std::copy(std::begin(h.pivot), std::end(h.pivot), g.pivot.begin());
  g.reserved_array = {h.arrays[3].offset, h.arrays[3].size, h.arrays[3].reserved};
  std::copy(std::begin(h.box), std::end(h.box), g.box.begin());
  std::copy(std::begin(h.kept100), std::end(h.kept100), g.kept100.begin());
  out = std::move(g);
  return true;
}

std::vector<uint8_t> Geometry::Write() const {
  // The counts are 16-bit: a list past that is cut rather than written with a wrapped count.
  const auto capped = [](const auto& list) {
    return std::span(list.data(), std::min(list.size(), kMaxCount));
  };
  const auto m = capped(materials);
  const auto v = capped(vertices);
  const auto t = capped(triangles);
  std::vector<HeaderRecord> header(1);
  HeaderRecord& h = header[0];
  h = HeaderRecord{};
  h.flags = flags;
  h.collection_reference = collection_reference;
  h.counts[0] = static_cast<uint16_t>(m.size());
  h.counts[1] = static_cast<uint16_t>(v.size());
  h.counts[2] = static_cast<uint16_t>(t.size());
  h.kept14 = kept14;
  std::copy(pivot.begin(), pivot.end(), h.pivot);
  const uint32_t sizes[3] = {static_cast<uint32_t>(m.size() * kMaterialSize),
                             static_cast<uint32_t>(v.size() * kVertexSize),
                             static_cast<uint32_t>(t.size() * kTriangleSize)};
  uint32_t offset = 0;
  for (size_t i = 0; i < 3; ++i) {
    h.arrays[i] = TagArray{offset, sizes[i], 0};
    offset += sizes[i];
  }
  h.arrays[3] = TagArray{reserved_array[0], reserved_array[1], reserved_array[2]};
  h.data_base = static_cast<uint32_t>(kHeaderSize);
  h.total_bytes = offset;
  std::copy(box.begin(), box.end(), h.box);
  std::copy(kept100.begin(), kept100.end(), h.kept100);
  ByteWriter w;
  model_records::AppendAll<HeaderRecord, HeaderRecord>(std::span<const HeaderRecord>(header), w);
  model_records::AppendAll<GeometryMaterial, MaterialRecord>(m, w);
  model_records::AppendAll<GeometryVertex, VertexRecord>(v, w);
  model_records::AppendAll<GeometryTriangle, TriangleRecord>(t, w);
  return w.Take();
}

bool Geometry::SetHeader(uint32_t geometry_flags, uint32_t core_tag, std::array<float, 3> box_min,
                         std::array<float, 3> box_max, std::array<float, 3> pivot_point,
                         std::string& error) {
  static constexpr const char* kAxes[3] = {"x", "y", "z"};
  std::array<int16_t, 6> new_box{};
  std::array<int16_t, 3> new_pivot{};
  for (size_t a = 0; a < 3; ++a) {
    float low = box_min[a], high = box_max[a];
    if (low > high) std::swap(low, high);
    if (!FixedOrError(low, std::string("box minimum ") + kAxes[a], new_box[a], error) ||
        !FixedOrError(high, std::string("box maximum ") + kAxes[a], new_box[a + 3], error) ||
        !FixedOrError(pivot_point[a], std::string("pivot ") + kAxes[a], new_pivot[a], error)) {
      return false;
    }
  }
  flags = geometry_flags;
  collection_reference = core_tag;
  box = new_box;
  pivot = new_pivot;
  return true;
}

void Geometry::SetMaterialCount(size_t count) {
  materials.resize(count);
}

void Geometry::SetMaterial(size_t index, std::string_view name, uint16_t sequence) {
  if (index >= materials.size()) return;
  GeometryMaterial& m = materials[index];
  m.name.fill(0);
  const size_t length = std::min(name.find('\0'), std::min(name.size(), m.name.size() - 1));
  std::memcpy(m.name.data(), name.data(), length);
  m.sequence = sequence;
}

void Geometry::SetVertexCount(size_t count) {
  vertices.resize(count);
}

bool Geometry::SetVertex(size_t index, float x, float y, float z, std::string& error) {
  if (index >= vertices.size()) {
    error = "vertex " + std::to_string(index) + " is past the " + std::to_string(vertices.size()) +
            " vertices";
    return false;
  }
  const std::string name = "vertex " + std::to_string(index);
  GeometryVertex v;
  if (!FixedOrError(x, name + " x", v.x, error) || !FixedOrError(y, name + " y", v.y, error) ||
      !FixedOrError(z, name + " z", v.z, error)) {
    return false;
  }
  vertices[index] = v;
  return true;
}

void Geometry::SetTriangleCount(size_t count) {
  triangles.resize(count);
}

void Geometry::SetTriangleCorner(size_t triangle, int corner, uint16_t vertex, float u, float v,
                                 std::vector<std::string>& warnings) {
  if (triangle >= triangles.size() || corner < 0 || corner > 2) return;
  const std::string where =
      "triangle " + std::to_string(triangle) + " corner " + std::to_string(corner) + ": texture ";
  GeometryCorner& c = triangles[triangle].corners[static_cast<size_t>(corner)];
  c.vertex = vertex;
  c.u = ToUnitFraction(u, where + "u", warnings);
  c.v = ToUnitFraction(v, where + "v", warnings);
}

void Geometry::FinishTriangle(size_t triangle, uint16_t triangle_flags, uint16_t material,
                              float opacity, std::vector<std::string>& warnings) {
  if (triangle >= triangles.size()) return;
  GeometryTriangle& t = triangles[triangle];
  t.flags = triangle_flags;
  t.material = material;
  std::vector<std::string> opacity_warnings;
  const uint16_t opaque = ToUnitFraction(opacity, "opacity", opacity_warnings);
  for (std::string& w : opacity_warnings) {
    warnings.push_back("triangle " + std::to_string(triangle) + ": " + w);
  }
  t.transparency = static_cast<uint16_t>(65535 - opaque);
  t.kept52 = {0xFFFF, 0xFFFF, 0xFFFF};
  t.kept60 = 0xFFFF;
  t.normal = {0, 0, 0};
  t.plane = 0;

  std::array<std::array<double, 3>, 3> p{};
  for (size_t c = 0; c < 3; ++c) {
    const uint16_t index = t.corners[c].vertex;
    if (index >= vertices.size()) {
      warnings.push_back("triangle " + std::to_string(triangle) + " names vertex " +
                         std::to_string(index) + " of " + std::to_string(vertices.size()) +
                         "; its normal is (0, 0, 0)");
      return;
    }
    p[c] = {double(vertices[index].x), double(vertices[index].y), double(vertices[index].z)};
  }
  // (C - A) x (B - A). The positions are whole fixed-point steps, so the cross product is exact
  // and zero only for a truly degenerate triangle; the scale cancels in the normalisation.
  const std::array<double, 3> ca = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
  const std::array<double, 3> ba = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
  const std::array<double, 3> n = {ca[1] * ba[2] - ca[2] * ba[1], ca[2] * ba[0] - ca[0] * ba[2],
                                   ca[0] * ba[1] - ca[1] * ba[0]};
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (length == 0.0) {
    warnings.push_back("triangle " + std::to_string(triangle) +
                       " has no area; its normal is (0, 0, 0)");
    return;
  }
  int64_t plane = 0;
  for (size_t a = 0; a < 3; ++a) {
    t.normal[a] = static_cast<int16_t>(std::trunc(n[a] / length * 16384.0));
    plane += int64_t{t.normal[a]} * static_cast<int64_t>(p[0][a]);
  }
  t.plane = static_cast<int32_t>(-plane);
}
