#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A model tag's data (group `mode`): the geometry it shows and three arrays the importer fills
// (one u32 per geometry vertex, 64-byte records, 8-byte grid cells). Kept as read otherwise.
struct ModelRecord {
  uint16_t reserved = 0;
  std::array<char, 32> text{};
  std::array<uint8_t, 30> kept{};
};

struct ModelCell {
  uint16_t x = 0, y = 0, value = 0;
  uint16_t reserved = 0;
};

class Model {
 public:
  static constexpr size_t kHeaderSize = 64;
  static constexpr size_t kDataBase = 72;  // header and 8 zero bytes
  static constexpr size_t kRecordSize = 64;
  static constexpr size_t kCellSize = 8;

  uint32_t flags = 0;
  uint32_t geometry = 0;  // tag id of the `geom` tag
  std::vector<uint32_t> vertex_values;
  std::vector<ModelRecord> records;
  std::vector<ModelCell> cells;

  [[nodiscard]] static bool Read(std::span<const uint8_t> data, Model& out, std::string& error);
  std::vector<uint8_t> Write() const;
};
