#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/CollectionRecords.h"

// One array a geometry or model header points at: offset and size relative to the data base.
struct TagArray {
  uint32_t offset = 0;
  uint32_t size = 0;
  uint32_t reserved = 0;

  // Finds the array's bytes in `region` (the data from the data base on). The size must be
  // exactly count x record size and the bytes must lie inside the region; otherwise false with
  // `error` naming the array (`what`, plural: "materials").
  [[nodiscard]] bool Locate(std::span<const uint8_t> region, std::string_view what, size_t count,
                            size_t record_size, std::span<const uint8_t>& out,
                            std::string& error) const;

  // The data from the data base on, or false when the base lies past the data.
  [[nodiscard]] static bool Region(std::span<const uint8_t> data, uint32_t base,
                                   std::string_view tag, std::span<const uint8_t>& out,
                                   std::string& error);
};

// Conversion of whole record lists through a descriptor. `Words` supplies the descriptor's
// kWords; `Record` is the in-memory record, laid out as in the file.
namespace model_records {

template <typename Record, typename Words>
const RecordDescriptor& Descriptor() {
  static_assert(std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record>);
  static const RecordDescriptor descriptor = collection_records::ParseOnce(Words::kWords);
  return descriptor;
}

template <typename Record, typename Words>
[[nodiscard]] bool ReadAll(std::span<const uint8_t> file, std::vector<Record>& out) {
  if (out.empty()) return true;
  const std::span<uint8_t> memory(reinterpret_cast<uint8_t*>(out.data()),
                                  out.size() * sizeof(Record));
  return Descriptor<Record, Words>().Read(file, memory, static_cast<uint32_t>(out.size())) != 0;
}

template <typename Record, typename Words>
void AppendAll(std::span<const Record> items, ByteWriter& out) {
  if (items.empty()) return;
  const std::span<const uint8_t> memory(reinterpret_cast<const uint8_t*>(items.data()),
                                        items.size_bytes());
  std::vector<uint8_t> file(items.size_bytes());
  (void)Descriptor<Record, Words>().Write(memory, file, static_cast<uint32_t>(items.size()));
  out.WriteBytes(file);
}

}  // namespace model_records
