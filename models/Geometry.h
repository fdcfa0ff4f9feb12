#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A geometry tag's data (group `geom`): one static triangle mesh. Coordinates are signed 16-bit
// fixed point, 512 steps per world unit. Every field the editor does not interpret is kept as
// read, so that reading then writing gives the same bytes.
struct GeometryMaterial {
  std::array<char, 32> name{};  // at most 31 characters, NUL-terminated
  uint16_t sequence = 0;        // index into the referenced collection's sequences
  std::array<uint16_t, 3> kept{};
  std::array<uint8_t, 24> reserved{};
  std::string Name() const;
};

struct GeometryVertex {
  int16_t x = 0, y = 0, z = 0;
};

struct GeometryCorner {
  uint16_t v = 0, u = 0;  // texture coordinates x 65535
  uint16_t vertex = 0;
  uint16_t kept = 0;
};

struct GeometryTriangle {
  uint16_t flags = 0;
  std::array<int16_t, 3> normal{};  // unit normal x 16384
  int32_t plane = 0;                // -(normal . first corner), in the units of both factors
  std::array<uint8_t, 12> kept12{};
  uint16_t transparency = 0;  // (1 - opacity) x 65535
  uint16_t material = 0;
  std::array<GeometryCorner, 3> corners{};
  std::array<uint16_t, 3> kept52{0xFFFF, 0xFFFF, 0xFFFF};
  uint16_t kept58 = 0;
  uint16_t kept60 = 0xFFFF;
  uint16_t reserved62 = 0;
};

class Geometry {
 public:
  static constexpr size_t kHeaderSize = 128;
  static constexpr size_t kMaterialSize = 64;
  static constexpr size_t kVertexSize = 6;
  static constexpr size_t kTriangleSize = 64;
  static constexpr float kUnit = 512.0f;
  static constexpr size_t kMaxCount = 65535;

  uint32_t flags = 0;
  uint32_t collection_reference = 0;  // tag id of the `core` tag
  uint16_t kept14 = 0;
  std::array<int16_t, 3> pivot{};
  std::array<uint32_t, 3> reserved_array{};  // offset 64: offset, size, reserved, kept as read
  std::array<int16_t, 6> box{};              // min x, y, z, max x, y, z
  std::array<uint16_t, 13> kept100{};
  std::vector<GeometryMaterial> materials;
  std::vector<GeometryVertex> vertices;
  std::vector<GeometryTriangle> triangles;

  // Reads tag data (everything after the tag file header). Counts, offsets, sizes and the data
  // base are checked against the data; a corner naming a vertex past the vertices refuses the
  // tag. False with `error` saying what is wrong; `out` is untouched then.
  [[nodiscard]] static bool Read(std::span<const uint8_t> data, Geometry& out, std::string& error);
  // The tag data: header, then materials, vertices and triangles right after it (data base 128).
  std::vector<uint8_t> Write() const;

  // --- Setters used by the importer. Values in world units; problems the caller should log
  // (clamped values, degenerate triangles) are appended to `warnings`.
  // Box and pivot x 512, truncated; each min/max pair swapped when out of order. False (naming
  // the value) for a value beyond +-64 units or not finite: it would wrap.
  bool SetHeader(uint32_t geometry_flags, uint32_t core_tag, std::array<float, 3> box_min,
                 std::array<float, 3> box_max, std::array<float, 3> pivot_point,
                 std::string& error);
  void SetMaterialCount(size_t count);
  void SetMaterial(size_t index, std::string_view name, uint16_t sequence);
  void SetVertexCount(size_t count);
  bool SetVertex(size_t index, float x, float y, float z, std::string& error);
  void SetTriangleCount(size_t count);
  // u and v x 65535, truncated with 1/100 of a step allowed (0.5 gives 32767, values exported
  // then imported come back unchanged); outside 0..1 or not finite: clamped, with a warning.
  void SetTriangleCorner(size_t triangle, int corner, uint16_t vertex, float u, float v,
                         std::vector<std::string>& warnings);
  // Stores flags, material and transparency, sets the 0xFFFF fields, and computes the normal
  // normalize((C - A) x (B - A)) x 16384 and the plane offset from the corners already set. A
  // degenerate triangle gets normal (0, 0, 0), plane 0 and a warning.
  void FinishTriangle(size_t triangle, uint16_t triangle_flags, uint16_t material, float opacity,
                      std::vector<std::string>& warnings);
};
