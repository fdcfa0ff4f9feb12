#include "tags/RecordDescriptor.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

template <typename Word>
void SwapEach(const uint8_t* source, uint8_t* destination, size_t bytes) {
  for (size_t at = 0; at + sizeof(Word) <= bytes; at += sizeof(Word)) {
    Word word;
    std::memcpy(&word, source + at, sizeof(Word));
    if constexpr (sizeof(Word) == 2) {
      word = __builtin_bswap16(word);
    } else if constexpr (sizeof(Word) == 4) {
      word = __builtin_bswap32(word);
    } else {
      word = __builtin_bswap64(word);
    }
    std::memcpy(destination + at, &word, sizeof(Word));
  }
}

// Converts `bytes` bytes of elements of one type from `source` to `destination`, which may be
// the same buffer (but must not otherwise overlap).
void ConvertRun(const uint8_t* source, uint8_t* destination, size_t bytes, uint16_t type) {
  if (bytes == 0) return;
  if ((type & RecordDescriptor::kZeroFlag) != 0) {
    std::memset(destination, 0, bytes);
    return;
  }
  const size_t size = RecordDescriptor::ElementSize(type);
  const bool swap = (type & RecordDescriptor::kRawFlag) == 0 && size > 1 &&
                    std::endian::native == std::endian::little;
  // One loop per element size, each a whole-word swap: records are converted by the million
  // when a collection loads, and a byte loop per element costs several times as much.
  switch (swap ? size : 1) {
    case 2:
      SwapEach<uint16_t>(source, destination, bytes);
      return;
    case 4:
      SwapEach<uint32_t>(source, destination, bytes);
      return;
    case 8:
      SwapEach<uint64_t>(source, destination, bytes);
      return;
    default:
      break;
  }
  if (source != destination) std::memmove(destination, source, bytes);
}

bool Overlap(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size) {
  if (a_size == 0 || b_size == 0) return false;
  const auto a_start = reinterpret_cast<uintptr_t>(a);
  const auto b_start = reinterpret_cast<uintptr_t>(b);
  return a_start < b_start + b_size && b_start < a_start + a_size;
}

// One run of elements for the element calls: converts from `source` to `destination` through
// a copy when the two overlap without being the same buffer.
size_t ConvertElements(const uint8_t* source, size_t source_size, uint8_t* destination,
                       size_t destination_size, uint32_t count, uint16_t type) {
  if (!RecordDescriptor::IsElementType(type)) return 0;
  const uint64_t bytes = uint64_t{count} << (type & RecordDescriptor::kSizeBits);
  if (bytes > source_size || bytes > destination_size) return 0;
  std::vector<uint8_t> copy;
  if (source != destination && Overlap(source, bytes, destination, bytes)) {
    copy.assign(source, source + bytes);
    source = copy.data();
  }
  ConvertRun(source, destination, static_cast<size_t>(bytes), type);
  return static_cast<size_t>(bytes);
}

}  // namespace

// Positions of one walk. The file and memory positions are relative to the start of the
// outermost record being walked, which sits at file_base / memory_base in the spans.
struct RecordDescriptor::Walk {
  Direction direction;
  const uint8_t* source = nullptr;
  size_t source_size = 0;
  uint8_t* destination = nullptr;
  size_t destination_size = 0;
  size_t file_base = 0;
  size_t memory_base = 0;
  size_t file_pos = 0;
  size_t memory_pos = 0;
  // Measuring fills this with the record's steps when it is set.
  std::vector<RecordDescriptor::Step>* steps = nullptr;

  void AddStep(size_t file_bytes, size_t memory_bytes, uint16_t type) {
    if (steps == nullptr || (file_bytes == 0 && memory_bytes == 0)) return;
    if (!steps->empty()) {
      RecordDescriptor::Step& last = steps->back();
      if (type != kPointerSlot && last.type == type && last.file_at + last.file_bytes == file_pos &&
          last.memory_at + last.memory_bytes == memory_pos) {
        last.file_bytes += static_cast<uint32_t>(file_bytes);
        last.memory_bytes += static_cast<uint32_t>(memory_bytes);
        return;
      }
    }
    steps->push_back({static_cast<uint32_t>(file_pos), static_cast<uint32_t>(memory_pos),
                      static_cast<uint32_t>(file_bytes), static_cast<uint32_t>(memory_bytes),
                      type});
  }

  size_t FileSpanSize() const {
    return direction == Direction::kRead ? source_size : destination_size;
  }
  size_t MemorySpanSize() const {
    return direction == Direction::kRead ? destination_size : source_size;
  }
  bool FileFits(size_t bytes) const {
    const size_t span = FileSpanSize();
    const size_t at = file_base + file_pos;
    return at <= span && bytes <= span - at;
  }
  bool MemoryFits(size_t bytes) const {
    const size_t span = MemorySpanSize();
    const size_t at = memory_base + memory_pos;
    return at <= span && bytes <= span - at;
  }

  // `bytes` bytes of elements, the same number on both sides.
  bool Elements(size_t bytes, uint16_t type) {
    if (direction == Direction::kMeasure) {
      AddStep(bytes, bytes, type);
    } else {
      if (!FileFits(bytes) || !MemoryFits(bytes)) return false;
      const size_t file_at = file_base + file_pos;
      const size_t memory_at = memory_base + memory_pos;
      if (direction == Direction::kRead) {
        ConvertRun(source + file_at, destination + memory_at, bytes, type);
      } else {
        ConvertRun(source + memory_at, destination + file_at, bytes, type);
      }
    }
    file_pos += bytes;
    memory_pos += bytes;
    return true;
  }

  // `count` pointer slots: alignment and 8 zero bytes each in memory, 4 zero bytes each in the
  // file. Reading zeroes the memory side, writing the file side.
  bool PointerSlots(uint16_t count) {
    const size_t memory_bytes = (8 - memory_pos % 8) % 8 + size_t{count} * 8;
    const size_t file_bytes = size_t{count} * 4;
    if (direction == Direction::kMeasure) {
      AddStep(file_bytes, memory_bytes, kPointerSlot);
    } else {
      if (!FileFits(file_bytes) || !MemoryFits(memory_bytes)) return false;
      if (direction == Direction::kRead) {
        if (memory_bytes != 0) {
          std::memset(destination + memory_base + memory_pos, 0, memory_bytes);
        }
      } else if (file_bytes != 0) {
        std::memset(destination + file_base + file_pos, 0, file_bytes);
      }
    }
    file_pos += file_bytes;
    memory_pos += memory_bytes;
    return true;
  }
};

bool RecordDescriptor::IsElementType(uint16_t type) {
  return (type & ~(kSizeBits | kZeroFlag | kRawFlag)) == 0;
}

std::optional<RecordDescriptor> RecordDescriptor::Parse(std::span<const uint16_t> words,
                                                        std::string* error) {
  RecordDescriptor descriptor;
  descriptor.nested_end_.assign(words.size(), 0);
  std::string message;
  size_t end = 0;
  uint32_t size = 0;
  if (descriptor.Check(words, 0, 0, end, size, message)) {
    if (end != words.size()) {
      message = std::to_string(words.size() - end) + " words follow the end of the descriptor";
    } else if (descriptor.has_pointer_slots_ && (words[0] & kMemoryLayoutBit) == 0) {
      message = "the record holds pointer slots but its memory-layout bit is clear";
    }
  }
  if (!message.empty()) {
    if (error != nullptr) *error = message;
    return std::nullopt;
  }
  descriptor.words_.assign(words.begin(), words.end());
  descriptor.file_size_ = size;
  Walk measure{Direction::kMeasure};
  measure.steps = &descriptor.steps_;
  if (!descriptor.WalkRecord(0, measure)) {
    if (error != nullptr) *error = "the descriptor cannot be walked";
    return std::nullopt;
  }
  descriptor.memory_size_ = static_cast<uint32_t>(measure.memory_pos);
  return descriptor;
}

bool RecordDescriptor::Check(std::span<const uint16_t> words, size_t index, int depth, size_t& end,
                             uint32_t& size, std::string& error) {
  if (depth > kMaxDepth) {
    error = "records are nested more than " + std::to_string(kMaxDepth) + " levels deep";
    return false;
  }
  if (index >= words.size()) {
    error = "the word list ends where a record's size word should be (word " +
            std::to_string(index) + ")";
    return false;
  }
  size = words[index] & kSizeMask;
  if (size == 0) {
    error = "the record at word " + std::to_string(index) + " has size 0";
    return false;
  }
  uint64_t covered = 0;
  size_t i = index + 1;
  while (covered < size) {
    if (words.size() - i < 2) {
      error = "the word list ends inside the record at word " + std::to_string(index) + " after " +
              std::to_string(covered) + " of its " + std::to_string(size) + " bytes";
      return false;
    }
    const uint16_t count = words[i];
    const uint16_t type = words[i + 1];
    i += 2;
    if (type == kNestedRecord) {
      size_t nested_end = 0;
      uint32_t nested_size = 0;
      if (!Check(words, i, depth + 1, nested_end, nested_size, error)) return false;
      nested_end_[i] = static_cast<uint32_t>(nested_end);
      covered += uint64_t{count} * nested_size;
      i = nested_end;
    } else if (type == kPointerSlot) {
      covered += uint64_t{count} * 4;
      has_pointer_slots_ = true;
    } else if (IsElementType(type)) {
      covered += uint64_t{count} << (type & kSizeBits);
    } else {
      error = "unknown element type " + std::to_string(type) + " at word " + std::to_string(i - 1);
      return false;
    }
  }
  if (covered != size) {
    error = "the fields of the record at word " + std::to_string(index) + " cover " +
            std::to_string(covered) + " bytes but its size is " + std::to_string(size);
    return false;
  }
  end = i;
  return true;
}

bool RecordDescriptor::WalkRecord(size_t index, Walk& walk) const {
  const uint32_t size = words_[index] & kSizeMask;
  const size_t start = walk.file_pos;
  size_t i = index + 1;
  while (walk.file_pos - start < size) {
    if (words_.size() - i < 2) return false;
    const uint16_t count = words_[i];
    const uint16_t type = words_[i + 1];
    i += 2;
    if (type == kNestedRecord) {
      for (uint32_t repeat = 0; repeat < count; ++repeat) {
        if (!WalkRecord(i, walk)) return false;
      }
      i = nested_end_[i];
    } else if (type == kPointerSlot) {
      if (!walk.PointerSlots(count)) return false;
    } else if (!walk.Elements(size_t{count} << (type & kSizeBits), type)) {
      return false;
    }
  }
  return walk.file_pos - start == size;
}

bool RecordDescriptor::Run(Direction direction, const uint8_t* source, size_t source_size,
                           uint8_t* destination, size_t destination_size, uint32_t count) const {
  const uint64_t file_total = FileSize(count);
  const uint64_t memory_total = MemorySize(count);
  const bool reading = direction == Direction::kRead;
  if (source_size < (reading ? file_total : memory_total) ||
      destination_size < (reading ? memory_total : file_total)) {
    return false;
  }
  // Converting a buffer onto itself works when both layouts agree; any other overlap would
  // let the output overwrite input that is still to be read.
  std::vector<uint8_t> copy;
  const size_t source_used = static_cast<size_t>(reading ? file_total : memory_total);
  const size_t destination_used = static_cast<size_t>(reading ? memory_total : file_total);
  const bool same_buffer = source == destination && !has_pointer_slots_;
  if (!same_buffer && Overlap(source, source_used, destination, destination_used)) {
    copy.assign(source, source + source_used);
    source = copy.data();
  }
  // The sizes were checked above for all `count` records, and every step lies inside one.
  for (uint32_t record = 0; record < count; ++record) {
    const size_t file_base = size_t{record} * file_size_;
    const size_t memory_base = size_t{record} * memory_size_;
    for (const Step& step : steps_) {
      const size_t file_at = file_base + step.file_at;
      const size_t memory_at = memory_base + step.memory_at;
      if (step.type == kPointerSlot) {
        if (reading) {
          std::memset(destination + memory_at, 0, step.memory_bytes);
        } else {
          std::memset(destination + file_at, 0, step.file_bytes);
        }
      } else if (reading) {
        ConvertRun(source + file_at, destination + memory_at, step.file_bytes, step.type);
      } else {
        ConvertRun(source + memory_at, destination + file_at, step.file_bytes, step.type);
      }
    }
  }
  return true;
}

size_t RecordDescriptor::Read(std::span<const uint8_t> file, std::span<uint8_t> memory,
                              uint32_t count) const {
  if (!Run(Direction::kRead, file.data(), file.size(), memory.data(), memory.size(), count)) {
    return 0;
  }
  return static_cast<size_t>(FileSize(count));
}

size_t RecordDescriptor::Write(std::span<const uint8_t> memory, std::span<uint8_t> file,
                               uint32_t count) const {
  if (!Run(Direction::kWrite, memory.data(), memory.size(), file.data(), file.size(), count)) {
    return 0;
  }
  return static_cast<size_t>(FileSize(count));
}

bool RecordDescriptor::AppendTo(std::vector<uint8_t>& out, std::span<const uint8_t> memory,
                                uint32_t count) const {
  if (memory.size() < MemorySize(count)) return false;
  std::vector<uint8_t> file(static_cast<size_t>(FileSize(count)));
  if (count != 0 && Write(memory, file, count) == 0) return false;
  out.insert(out.end(), file.begin(), file.end());
  return true;
}

bool RecordDescriptor::ConvertInPlace(std::span<uint8_t> buffer, uint32_t count) const {
  if (has_pointer_slots_) return false;
  return Run(Direction::kRead, buffer.data(), buffer.size(), buffer.data(), buffer.size(), count);
}

size_t RecordDescriptor::ReadElements(std::span<const uint8_t> file, std::span<uint8_t> memory,
                                      uint32_t count, uint16_t type) {
  return ConvertElements(file.data(), file.size(), memory.data(), memory.size(), count, type);
}

size_t RecordDescriptor::WriteElements(std::span<const uint8_t> memory, std::span<uint8_t> file,
                                       uint32_t count, uint16_t type) {
  return ConvertElements(memory.data(), memory.size(), file.data(), file.size(), count, type);
}

bool RecordDescriptor::ConvertElementsInPlace(std::span<uint8_t> buffer, uint32_t count,
                                              uint16_t type) {
  if (!IsElementType(type)) return false;
  if (count == 0) return true;
  return ConvertElements(buffer.data(), buffer.size(), buffer.data(), buffer.size(), count, type) !=
         0;
}
