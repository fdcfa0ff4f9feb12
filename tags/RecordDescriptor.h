#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Converts fixed-layout tag data records between file order (big-endian) and memory order,
// driven by a record descriptor: a list of 16-bit words describing one record type.
//
// Word list layout:
//   word 0        the record's size in the file in bits 0-14; bit 15 set when the memory layout
//                 differs from the file layout (the record holds pointer slots)
//   then pairs    (count, type) in field order; a pair whose type is kNestedRecord is followed by
//                 the nested record's own complete descriptor, which repeats `count` times
// There is no terminator: a record ends when its fields cover the size in its first word.
//
// Element type words: bits 0-1 are log2 of the element size (1, 2, 4 or 8 bytes), kZeroFlag
// zero-fills the elements in the destination, kRawFlag copies them without swapping. A pointer
// slot (kPointerSlot) is 4 zero bytes in the file and 8 zero bytes in memory, placed at the next
// multiple of 8 counted from the start of the outermost memory record (the skipped alignment
// bytes are zero). Nested records share their parent's positions, so the alignment is always
// measured from the outermost record's start; every one of N records starts its own count.
//
// Descriptors are checked once, by Parse(): the fields of every (nested) record must add up to
// exactly its size, every type must be known, nesting may be at most kMaxDepth levels deep,
// the word list must hold exactly one descriptor, and a record holding pointer slots must have
// bit 15 set. All conversions take bounded spans for both sides and refuse, without touching
// the destination, when either is too short.
class RecordDescriptor {
 public:
  static constexpr uint16_t kSizeMask = 0x7FFF;
  static constexpr uint16_t kMemoryLayoutBit = 0x8000;
  static constexpr uint16_t kSizeBits = 0x0003;
  static constexpr uint16_t kZeroFlag = 0x0004;
  static constexpr uint16_t kRawFlag = 0x0010;
  static constexpr uint16_t kPointerSlot = 14;
  static constexpr uint16_t kNestedRecord = 32;
  // Nested records below the outermost one.
  static constexpr int kMaxDepth = 32;

  // Checks the word list and keeps a copy of it. On failure returns nothing and, when `error`
  // is given, stores a message saying what is wrong.
  static std::optional<RecordDescriptor> Parse(std::span<const uint16_t> words,
                                               std::string* error = nullptr);

  std::span<const uint16_t> words() const { return words_; }
  // One record.
  uint32_t file_size() const { return file_size_; }
  uint32_t memory_size() const { return memory_size_; }
  bool has_pointer_slots() const { return has_pointer_slots_; }

  // Sizes of `count` records; these are also the sizes Read and Write need, so they serve as
  // the size-only form of a write. Cannot overflow: both are below 2^18 per record.
  uint64_t FileSize(uint32_t count) const { return uint64_t{count} * file_size_; }
  uint64_t MemorySize(uint32_t count) const { return uint64_t{count} * memory_size_; }

  // Converts `count` records from `file` (file order) into `memory` (memory order). Returns the
  // number of file bytes consumed, or 0 when either span is too short (nothing is written then).
  // The spans may be the same buffer when the layouts match; other overlaps are handled through
  // a copy of the input.
  size_t Read(std::span<const uint8_t> file, std::span<uint8_t> memory, uint32_t count) const;
  // Converts `count` records from `memory` into `file` (file order); `memory` is not changed.
  // Returns the number of file bytes written, or 0 when either span is too short.
  size_t Write(std::span<const uint8_t> memory, std::span<uint8_t> file, uint32_t count) const;
  // Appends the file form of `count` records to `out`; `out` is untouched on failure.
  bool AppendTo(std::vector<uint8_t>& out, std::span<const uint8_t> memory, uint32_t count) const;
  // Converts `count` records held in `buffer` in either direction (swapping is its own inverse).
  // Refused when the record holds pointer slots or the buffer is too short.
  bool ConvertInPlace(std::span<uint8_t> buffer, uint32_t count) const;

  // True for a type word that describes plain elements (not a pointer slot or nested record).
  static bool IsElementType(uint16_t type);
  static size_t ElementSize(uint16_t type) { return size_t{1} << (type & kSizeBits); }
  // The same conversions for one run of `count` equal elements (count × element size bytes).
  // Return 0 / false for an unknown type or a span that is too short.
  static size_t ReadElements(std::span<const uint8_t> file, std::span<uint8_t> memory,
                             uint32_t count, uint16_t type);
  static size_t WriteElements(std::span<const uint8_t> memory, std::span<uint8_t> file,
                              uint32_t count, uint16_t type);
  static bool ConvertElementsInPlace(std::span<uint8_t> buffer, uint32_t count, uint16_t type);

 private:
  enum class Direction { kRead, kWrite, kMeasure };
  struct Walk;

  RecordDescriptor() = default;

  // Checks the descriptor starting at words[index]; on success sets `end` to the index after
  // it, `size` to its file size and records where its nested descriptors end.
  bool Check(std::span<const uint16_t> words, size_t index, int depth, size_t& end, uint32_t& size,
             std::string& error);
  // Walks the (checked) descriptor at words_[index] once. False only if a position would leave
  // a buffer, which a checked descriptor with sized buffers never does.
  bool WalkRecord(size_t index, Walk& walk) const;
  bool Run(Direction direction, const uint8_t* source, size_t source_size, uint8_t* destination,
           size_t destination_size, uint32_t count) const;

  // The walk of one record flattened once: runs of equal elements with adjacent runs of the
  // same type joined, and pointer slots (type kPointerSlot). Records go through these rather
  // than the nested words, which costs a call per field.
  struct Step {
    uint32_t file_at;
    uint32_t memory_at;
    uint32_t file_bytes;
    uint32_t memory_bytes;
    uint16_t type;
  };
  std::vector<Step> steps_;
  std::vector<uint16_t> words_;
  // For each index where a nested descriptor starts, the index just after it.
  std::vector<uint32_t> nested_end_;
  uint32_t file_size_ = 0;
  uint32_t memory_size_ = 0;
  bool has_pointer_slots_ = false;
};
