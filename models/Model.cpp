#include "models/Model.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "base/ByteWriter.h"
#include "models/TagArray.h"

namespace {

// The 64-byte header as it lies in the file; reserved fields read and write as zero.
struct HeaderRecord {
  uint32_t flags;
  uint32_t geometry;
  uint16_t reserved8;
  uint16_t counts[3];
  TagArray arrays[3];
  uint32_t data_base;
  uint32_t total_bytes;
  uint32_t reserved60;
  static constexpr uint16_t kWords[] = {64, 2, 2, 1, 5, 3, 1, 9, 2, 2, 2, 1, 6};
};
static_assert(sizeof(HeaderRecord) == Model::kHeaderSize);
static_assert(offsetof(HeaderRecord, arrays) == 16 && offsetof(HeaderRecord, data_base) == 52);

struct ValueRecord {
  static constexpr uint16_t kWords[] = {4, 1, 2};
};
struct TextRecord {
  static constexpr uint16_t kWords[] = {64, 1, 1, 32, 0, 30, 0};
};
struct CellRecord {
  static constexpr uint16_t kWords[] = {8, 4, 1};
};
static_assert(sizeof(ModelRecord) == Model::kRecordSize);
static_assert(sizeof(ModelCell) == Model::kCellSize);

}  // namespace

bool Model::Read(std::span<const uint8_t> data, Model& out, std::string& error) {
  error.clear();
  if (data.size() < kHeaderSize) {
    error = "model header is cut short: " + std::to_string(data.size()) + " of " +
            std::to_string(kHeaderSize) + " bytes present";
    return false;
  }
  std::vector<HeaderRecord> header(1);
  std::span<const uint8_t> region;
  if (!model_records::ReadAll<HeaderRecord, HeaderRecord>(data, header) ||
      !TagArray::Region(data, header[0].data_base, "model", region, error)) {
    if (error.empty()) error = "model header cannot be read";
    return false;
  }
  const HeaderRecord& h = header[0];
  Model m;
  m.vertex_values.resize(h.counts[0]);
  m.records.resize(h.counts[1]);
  m.cells.resize(h.counts[2]);
  std::span<const uint8_t> bytes;
  if (!h.arrays[0].Locate(region, "vertex values", m.vertex_values.size(), 4, bytes, error) ||
      !model_records::ReadAll<uint32_t, ValueRecord>(bytes, m.vertex_values) ||
      !h.arrays[1].Locate(region, "records", m.records.size(), kRecordSize, bytes, error) ||
      !model_records::ReadAll<ModelRecord, TextRecord>(bytes, m.records) ||
      !h.arrays[2].Locate(region, "cells", m.cells.size(), kCellSize, bytes, error) ||
      !model_records::ReadAll<ModelCell, CellRecord>(bytes, m.cells)) {
    if (error.empty()) error = "model arrays cannot be read";
    return false;
  }
  m.flags = h.flags;
  m.geometry = h.geometry;
  out = std::move(m);
  return true;
}

std::vector<uint8_t> Model::Write() const {
  static constexpr size_t kMax = std::numeric_limits<uint16_t>::max();
  const auto capped = [](const auto& list) {
    return std::span(list.data(), std::min(list.size(), kMax));
  };
  const auto values = capped(vertex_values);
  const auto texts = capped(records);
  const auto grid = capped(cells);
  std::vector<HeaderRecord> header(1);
  HeaderRecord& h = header[0];
  h = HeaderRecord{};
  h.flags = flags;
  h.geometry = geometry;
  h.counts[0] = static_cast<uint16_t>(values.size());
  h.counts[1] = static_cast<uint16_t>(texts.size());
  h.counts[2] = static_cast<uint16_t>(grid.size());
  const uint32_t sizes[3] = {static_cast<uint32_t>(values.size() * 4),
                             static_cast<uint32_t>(texts.size() * kRecordSize),
                             static_cast<uint32_t>(grid.size() * kCellSize)};
  uint32_t offset = 0;
  for (size_t i = 0; i < 3; ++i) {
    h.arrays[i] = TagArray{offset, sizes[i], 0};
    offset += sizes[i];
  }
  h.data_base = static_cast<uint32_t>(kDataBase);
  h.total_bytes = offset;
  ByteWriter w;
  model_records::AppendAll<HeaderRecord, HeaderRecord>(std::span<const HeaderRecord>(header), w);
  w.WriteZeros(kDataBase - kHeaderSize);
  model_records::AppendAll<uint32_t, ValueRecord>(values, w);
  model_records::AppendAll<ModelRecord, TextRecord>(texts, w);
  model_records::AppendAll<ModelCell, CellRecord>(grid, w);
  return w.Take();
}
