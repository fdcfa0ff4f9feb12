#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/HueChange.h"
#include "tags/RecordDescriptor.h"

// The fixed-size records of collection tag data, each held in memory field for field as it lies
// in the file, and the record descriptor that converts it between the file's big-endian order
// and memory. Reserved fields carry the zero flag, so they read as zero and are written as zero
// whatever a record holds there. The hue change record is the model's own HueChange; frame
// views, frame records and sequences keep the model's layout (bitmap pointers, load-time copies),
// so the reader and writer copy their fields to and from the records here by name.
//
// What is not a fixed-size record stays hand-coded: the pixel data of bitmap blocks (RLE rows
// with their optional pad byte, the control-byte stream of eight-byte pixels, RAW pixels, which
// are bytes) and the row slots, which are skipped. The view indices after each frame entry are a
// run of 16-bit elements and go through the descriptor's element conversion.
namespace collection_records {

using Words = std::span<const uint16_t>;
using Name = std::array<char, 64>;

struct ArrayRef {
  uint32_t count;
  uint32_t offset;
  // Not consulted when reading: the count and the fixed record size say where an array ends.
  uint32_t size;
  uint32_t reserved;
};

struct Header {
  uint32_t header_word;
  uint32_t usage;
  uint8_t reserved_8[56];
  ArrayRef arrays[8];
  uint8_t reserved_192[56];
  uint32_t data_base;
  uint32_t total_bytes;
  uint8_t reserved_256[64];
  static constexpr uint16_t kWords[] = {320, 2, 2, 56, 4, 8, 32, 16, 3,
                                        2,   1, 6, 56, 4, 2, 2,  64, 4};
};

struct ColorEntry {
  uint16_t rgb[3];
  uint16_t flags;
};

struct ColorTable {
  uint32_t count;
  uint8_t reserved_4[28];
  ColorEntry entries[256];
  static constexpr uint16_t kWords[] = {2080, 1, 2, 28, 4, 256, 32, 8, 3, 1, 1, 5};
};

struct BitmapEntry {
  Name name;
  uint32_t offset;
  uint32_t size;
  uint32_t reserved_72;
  uint16_t width;
  uint16_t height;
  uint8_t reserved_80[32];
  uint8_t reserved_112[16];
  static constexpr uint16_t kWords[] = {128, 64, 0, 2, 2, 1, 6, 2, 1, 32, 4, 16, 0x14};
};

struct SequenceEntry {
  Name name;
  uint32_t offset;
  uint32_t size;
  uint8_t reserved_72[56];
  static constexpr uint16_t kWords[] = {128, 64, 0, 2, 2, 56, 4};
};

struct FrameView {
  uint32_t flags;
  uint8_t reserved_4[8];
  uint16_t registration_x;
  uint16_t registration_y;
  uint8_t reserved_16[8];
  uint16_t key_x;
  uint16_t key_y;
  uint16_t bitmap_index;
  uint16_t alternate_index;
  uint32_t alternate_size_factor;
  uint16_t alternate_registration_x;
  uint16_t alternate_registration_y;
  uint8_t reserved_40[24];
  static constexpr uint16_t kWords[] = {64, 1, 2, 8, 4, 2, 1, 8, 4, 4, 1, 1, 2, 2, 1, 24, 4};
};

struct FrameRecord {
  uint32_t flags;
  int32_t shadow_offset_x;
  int32_t shadow_offset_y;
  uint16_t shadow_index;
  uint16_t reserved_14;
  uint8_t reserved_16[16];
  static constexpr uint16_t kWords[] = {32, 1, 2, 2, 2, 1, 1, 1, 5, 16, 4};
};

struct SequenceHeader {
  uint32_t flags;
  uint32_t fixed_4;
  uint16_t view_count;
  uint16_t frame_count;
  uint16_t ticks_per_frame;
  uint16_t key_frame;
  uint16_t loop_frame;
  uint16_t carried_18[3];
  uint32_t first_sound;
  uint32_t key_sound;
  uint32_t last_sound;
  uint16_t transfer_mode;
  uint16_t transfer_period;
  uint32_t registration_x_fixed;
  uint32_t fixed_44;
  uint32_t registration_y_fixed;
  uint16_t carried_52[3];
  uint8_t reserved_58[6];
  static constexpr uint16_t kWords[] = {64, 2, 2, 5, 1, 3, 1, 3, 2, 2, 1, 3, 2, 3, 1, 6, 4};
};

// Followed in the block by the frame's view indices.
struct FrameEntry {
  uint16_t record_index;
  uint16_t carried[3];
  uint8_t reserved_8[38];
  static constexpr uint16_t kWords[] = {46, 1, 1, 3, 1, 38, 4};
};

struct BitmapHeader {
  uint16_t width;
  uint16_t height;
  uint16_t bytes_per_row;
  uint16_t flags;
  uint16_t bits;
  uint16_t reserved_10[2];
  uint16_t log2_bytes;
  uint16_t pixel_type;
  uint8_t reserved_18[34];
  static constexpr uint16_t kWords[] = {52, 5, 1, 2, 5, 2, 1, 34, 4};
};

// The file size a flat or nested descriptor covers, or 0 when its fields do not add up to the
// size in its first word; `end` is set past it. Lets each record above be checked against its
// descriptor when it is compiled.
constexpr size_t DescribedSize(Words words, size_t index, size_t& end) {
  if (index >= words.size()) return 0;
  const size_t size = words[index] & RecordDescriptor::kSizeMask;
  size_t covered = 0;
  size_t i = index + 1;
  while (covered < size) {
    if (words.size() - i < 2) return 0;
    const size_t count = words[i];
    const uint16_t type = words[i + 1];
    i += 2;
    if (type == RecordDescriptor::kNestedRecord) {
      size_t nested_end = 0;
      const size_t nested = DescribedSize(words, i, nested_end);
      if (nested == 0) return 0;
      covered += count * nested;
      i = nested_end;
    } else {
      covered += count << (type & RecordDescriptor::kSizeBits);
    }
  }
  end = i;
  return covered == size ? size : 0;
}

template <typename Record>
constexpr bool Describes() {
  size_t end = 0;
  const Words words(Record::kWords);
  return DescribedSize(words, 0, end) == sizeof(Record) && end == words.size();
}

// Parses one of the descriptors above; they are checked when they are compiled, so a failure
// here is a fault of the program and stops it.
RecordDescriptor ParseOnce(Words words);

template <typename Record>
const RecordDescriptor& DescriptorOf() {
  static_assert(std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record>);
  static_assert(Describes<Record>(), "the descriptor does not cover the record exactly");
  static const RecordDescriptor descriptor = ParseOnce(Record::kWords);
  return descriptor;
}

// Converts records.size() records from the start of `file`; false when `file` is too short.
template <typename Record>
[[nodiscard]] bool ReadRecords(std::span<const uint8_t> file, std::span<Record> records) {
  if (records.empty()) return true;
  const std::span<uint8_t> memory(reinterpret_cast<uint8_t*>(records.data()), records.size_bytes());
  return DescriptorOf<Record>().Read(file, memory, static_cast<uint32_t>(records.size())) != 0;
}

template <typename Record>
void AppendRecords(std::span<const Record> records, ByteWriter& out) {
  if (records.empty()) return;
  const std::span<const uint8_t> memory(reinterpret_cast<const uint8_t*>(records.data()),
                                        records.size_bytes());
  std::vector<uint8_t> file(records.size_bytes());
  (void)DescriptorOf<Record>().Write(memory, file, static_cast<uint32_t>(records.size()));
  out.WriteBytes(file);
}

template <typename Record>
void AppendRecord(const Record& record, ByteWriter& out) {
  AppendRecords(std::span<const Record>(&record, 1), out);
}

// Names are NUL-terminated within their 64 bytes: whatever follows the terminator (or fills the
// last byte) is cleared, so a name reads and writes back the same.
void TerminateName(Name& name, size_t max_length = 63);

}  // namespace collection_records
