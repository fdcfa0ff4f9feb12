#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tags/RecordDescriptor.h"

namespace {

using Words = std::vector<uint16_t>;
using Bytes = std::vector<uint8_t>;

RecordDescriptor MustParse(const Words& words) {
  std::string error;
  std::optional<RecordDescriptor> descriptor = RecordDescriptor::Parse(words, &error);
  EXPECT_TRUE(descriptor.has_value()) << error;
  if (!descriptor) return *RecordDescriptor::Parse(Words{1, 1, 0});
  return *descriptor;
}

std::string ParseError(const Words& words) {
  std::string error;
  EXPECT_FALSE(RecordDescriptor::Parse(words, &error).has_value());
  EXPECT_FALSE(error.empty());
  return error;
}

template <typename T>
T Load(const Bytes& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

template <typename T>
void Store(Bytes& bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

Bytes ReadAll(const RecordDescriptor& descriptor, const Bytes& file, uint32_t count) {
  Bytes memory(descriptor.MemorySize(count), 0xEE);
  EXPECT_EQ(descriptor.Read(file, memory, count), descriptor.FileSize(count));
  return memory;
}

Bytes WriteAll(const RecordDescriptor& descriptor, const Bytes& memory, uint32_t count) {
  Bytes file(descriptor.FileSize(count), 0xEE);
  EXPECT_EQ(descriptor.Write(memory, file, count), descriptor.FileSize(count));
  return file;
}

// An 8-byte record holding two 16-bit values and one 32-bit value.
const Words kMixed = {8, 2, 1, 1, 2};
const Words kPointerAfterValue = {0x8008, 1, 2, 1, 14};

// --- Checking descriptors ---

TEST(RecordDescriptorParse, AcceptsWellFormedDescriptorAndReportsSizes) {
  const RecordDescriptor mixed = MustParse(kMixed);
  EXPECT_EQ(mixed.file_size(), 8u);
  EXPECT_EQ(mixed.memory_size(), 8u);
  EXPECT_FALSE(mixed.has_pointer_slots());
  EXPECT_EQ(Words(mixed.words().begin(), mixed.words().end()), kMixed);

  const RecordDescriptor pointer = MustParse(kPointerAfterValue);
  EXPECT_EQ(pointer.file_size(), 8u);
  EXPECT_EQ(pointer.memory_size(), 16u);
  EXPECT_TRUE(pointer.has_pointer_slots());
}

TEST(RecordDescriptorParse, RefusesFieldsThatDoNotAddUpToTheSize) {
  ParseError({8, 1, 2, 1, 2, 1, 0});  // overshoots: 9 bytes of fields for 8
  ParseError({12, 3, 32, 4, 1, 1});   // nested record of 4 bytes declared with a 2-byte field
  const std::string error = ParseError({6, 1, 2, 1, 2});
  EXPECT_NE(error.find("8"), std::string::npos) << error;
}

TEST(RecordDescriptorParse, RefusesUnknownTypes) {
  for (uint16_t type : {8, 15, 64, 33, 0x8000, 0x0101}) {
    SCOPED_TRACE(type);
    ParseError({4, 1, type});
  }
  // The flag combinations and all sizes are element types; 14 and 32 are special words.
  for (uint16_t type : {0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 23}) {
    EXPECT_TRUE(RecordDescriptor::IsElementType(type)) << type;
  }
  EXPECT_FALSE(RecordDescriptor::IsElementType(14));
  EXPECT_FALSE(RecordDescriptor::IsElementType(32));
}

TEST(RecordDescriptorParse, RefusesTruncatedWordLists) {
  ParseError({});
  ParseError({8});
  ParseError({8, 2, 1});     // the 32-bit field's pair is missing
  ParseError({8, 2, 1, 1});  // half a pair
  ParseError({8, 2, 32});    // nested record without its descriptor
  ParseError({8, 2, 32, 4, 1});
}

TEST(RecordDescriptorParse, RefusesEmptyRecordsAndTrailingWords) {
  ParseError({0});
  ParseError({4, 0, 32, 0, 1, 2});  // nested record of size 0, even in a run of none
  ParseError({8, 2, 1, 1, 2, 1, 0});
}

TEST(RecordDescriptorParse, RefusesPointerSlotsWithoutTheMemoryLayoutBit) {
  ParseError({8, 1, 2, 1, 14});
  ParseError({8, 1, 2, 1, 32, 0x8004, 1, 14});
  // The bit alone, without pointer slots, changes nothing.
  const RecordDescriptor plain = MustParse({0x8004, 1, 2});
  EXPECT_EQ(plain.memory_size(), 4u);
}

Words NestedChain(int levels) {
  // Each level is a 4-byte record holding one run of the level below; the innermost is a 32-bit
  // field.
  Words words;
  for (int level = 0; level < levels; ++level) {
    words.insert(words.end(), {4, 1, 32});
  }
  words.insert(words.end(), {4, 1, 2});
  return words;
}

TEST(RecordDescriptorParse, LimitsNestingDepth) {
  const RecordDescriptor deepest = MustParse(NestedChain(RecordDescriptor::kMaxDepth));
  Bytes file = {1, 2, 3, 4};
  EXPECT_EQ(Load<uint32_t>(ReadAll(deepest, file, 1), 0), 0x01020304u);

  ParseError(NestedChain(RecordDescriptor::kMaxDepth + 1));
  ParseError(NestedChain(5000));
}

// --- Converting elements ---

TEST(RecordDescriptorConvert, SwapsTwoAndFourByteFields) {
  const RecordDescriptor descriptor = MustParse(kMixed);
  const Bytes file = {0, 1, 0, 2, 0, 0, 0, 3};
  const Bytes memory = ReadAll(descriptor, file, 1);
  EXPECT_EQ(Load<uint16_t>(memory, 0), 1);
  EXPECT_EQ(Load<uint16_t>(memory, 2), 2);
  EXPECT_EQ(Load<uint32_t>(memory, 4), 3u);
}

TEST(RecordDescriptorConvert, CopiesByteFieldsAsTheyAre) {
  const RecordDescriptor bytes = MustParse({3, 3, 0});
  const Bytes file = {0xAB, 0xCD, 0xEF};
  EXPECT_EQ(ReadAll(bytes, file, 1), file);
}

TEST(RecordDescriptorConvert, SwapsEightByteFields) {
  const RecordDescriptor descriptor = MustParse({8, 1, 3});
  const Bytes file = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(Load<uint64_t>(ReadAll(descriptor, file, 1), 0), 0x0102030405060708u);
}

TEST(RecordDescriptorConvert, ZeroAndRawFlags) {
  // Four raw bytes, four zeroed bytes, one zeroed 32-bit field.
  const RecordDescriptor descriptor = MustParse({12, 4, 16, 4, 4, 1, 6});
  const Bytes file = {'a', 'b', 'c', 'd', 9, 9, 9, 9, 7, 7, 7, 7};
  const Bytes memory = ReadAll(descriptor, file, 1);
  EXPECT_EQ(memory, (Bytes{'a', 'b', 'c', 'd', 0, 0, 0, 0, 0, 0, 0, 0}));

  Bytes filled = {'w', 'x', 'y', 'z', 5, 5, 5, 5, 6, 6, 6, 6};
  EXPECT_EQ(WriteAll(descriptor, filled, 1), (Bytes{'w', 'x', 'y', 'z', 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(RecordDescriptorConvert, RawWideFieldsKeepTheirByteOrder) {
  const RecordDescriptor descriptor = MustParse({6, 1, 17, 1, 18});
  const Bytes file = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(ReadAll(descriptor, file, 1), file);
  EXPECT_EQ(WriteAll(descriptor, file, 1), file);
}

TEST(RecordDescriptorConvert, ConvertsSeveralRecordsOneAfterAnother) {
  const RecordDescriptor descriptor = MustParse(kMixed);
  const Bytes file = {0, 1, 0, 2, 0, 0, 0, 3, 0x10, 0, 0x20, 0, 0x30, 0, 0, 0};
  const Bytes memory = ReadAll(descriptor, file, 2);
  EXPECT_EQ(Load<uint16_t>(memory, 8), 0x1000);
  EXPECT_EQ(Load<uint16_t>(memory, 10), 0x2000);
  EXPECT_EQ(Load<uint32_t>(memory, 12), 0x30000000u);
}

// --- Pointer slots ---

TEST(RecordDescriptorPointers, SlotIsAlignedToEightBytesInMemory) {
  const RecordDescriptor descriptor = MustParse(kPointerAfterValue);
  const Bytes file = {0, 0, 0, 42, 0x11, 0x22, 0x33, 0x44};
  const Bytes memory = ReadAll(descriptor, file, 1);
  ASSERT_EQ(memory.size(), 16u);
  EXPECT_EQ(Load<uint32_t>(memory, 0), 42u);
  EXPECT_EQ(Bytes(memory.begin() + 4, memory.end()), Bytes(12, 0));

  Bytes filled = memory;
  Store<uint64_t>(filled, 8, 0x0123456789ABCDEFu);
  Store<uint32_t>(filled, 4, 0xFFFFFFFFu);
  EXPECT_EQ(WriteAll(descriptor, filled, 1), (Bytes{0, 0, 0, 42, 0, 0, 0, 0}));
}

TEST(RecordDescriptorPointers, AlreadyAlignedSlotTakesNoPadding) {
  const RecordDescriptor descriptor = MustParse({0x8008, 1, 14, 1, 2});
  EXPECT_EQ(descriptor.memory_size(), 12u);
  const Bytes memory = ReadAll(descriptor, {1, 1, 1, 1, 0, 0, 1, 0}, 1);
  EXPECT_EQ(Load<uint64_t>(memory, 0), 0u);
  EXPECT_EQ(Load<uint32_t>(memory, 8), 256u);
}

TEST(RecordDescriptorPointers, PadsToTheNextMultipleOfEight) {
  // One byte, then a slot: seven alignment bytes.
  const RecordDescriptor descriptor = MustParse({0x8005, 1, 0, 1, 14});
  EXPECT_EQ(descriptor.memory_size(), 16u);
  const Bytes memory = ReadAll(descriptor, {7, 9, 9, 9, 9}, 1);
  EXPECT_EQ(memory[0], 7);
  EXPECT_EQ(Bytes(memory.begin() + 1, memory.end()), Bytes(15, 0));
}

TEST(RecordDescriptorPointers, EachRecordOfARunHasItsOwnMemorySize) {
  const RecordDescriptor descriptor = MustParse(kPointerAfterValue);
  EXPECT_EQ(descriptor.FileSize(3), 24u);
  EXPECT_EQ(descriptor.MemorySize(3), 48u);
  const Bytes file = {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0};
  const Bytes memory = ReadAll(descriptor, file, 2);
  EXPECT_EQ(Load<uint32_t>(memory, 16), 2u);
  EXPECT_EQ(WriteAll(descriptor, memory, 2), file);
}

TEST(RecordDescriptorPointers, ConvertInPlaceIsRefused) {
  const RecordDescriptor descriptor = MustParse(kPointerAfterValue);
  Bytes buffer(16, 1);
  EXPECT_FALSE(descriptor.ConvertInPlace(buffer, 1));
  EXPECT_EQ(buffer, Bytes(16, 1));
}

// --- Nested records ---

TEST(RecordDescriptorNested, RunOfNestedRecordsSwapsEachOne) {
  const RecordDescriptor descriptor = MustParse({12, 3, 32, 4, 1, 2});
  const Bytes file = {0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 0};
  const Bytes memory = ReadAll(descriptor, file, 1);
  EXPECT_EQ(Load<uint32_t>(memory, 0), 1u);
  EXPECT_EQ(Load<uint32_t>(memory, 4), 256u);
  EXPECT_EQ(Load<uint32_t>(memory, 8), 0x01000000u);
}

TEST(RecordDescriptorNested, FieldsAfterANestedRunFollowIt) {
  // A 16-bit value, two nested (byte, 16-bit, byte) records, then a 32-bit value.
  const RecordDescriptor descriptor = MustParse({14, 1, 1, 2, 32, 4, 1, 0, 1, 1, 1, 0, 1, 2});
  const Bytes file = {0, 5, 1, 0, 2, 3, 4, 0, 5, 6, 0, 0, 0, 9};
  const Bytes memory = ReadAll(descriptor, file, 1);
  EXPECT_EQ(Load<uint16_t>(memory, 0), 5);
  EXPECT_EQ(memory[2], 1);
  EXPECT_EQ(Load<uint16_t>(memory, 3), 2);
  EXPECT_EQ(memory[5], 3);
  EXPECT_EQ(memory[6], 4);
  EXPECT_EQ(Load<uint16_t>(memory, 7), 5);
  EXPECT_EQ(memory[9], 6);
  EXPECT_EQ(Load<uint32_t>(memory, 10), 9u);
}

TEST(RecordDescriptorNested, RunOfZeroRecordsIsSkipped) {
  const RecordDescriptor descriptor = MustParse({4, 0, 32, 2, 1, 1, 1, 2});
  EXPECT_EQ(descriptor.memory_size(), 4u);
  EXPECT_EQ(Load<uint32_t>(ReadAll(descriptor, {0, 0, 0, 7}, 1), 0), 7u);
  // The skipped nested descriptor is still checked.
  ParseError({4, 0, 32, 2, 1, 9, 1, 2});
}

TEST(RecordDescriptorNested, PointerAlignmentCountsFromTheOutermostRecord) {
  // Two 16-bit values, then a nested record holding one pointer slot: the nested record starts
  // at memory offset 4, so its slot needs four alignment bytes.
  const RecordDescriptor descriptor = MustParse({0x8008, 2, 1, 1, 32, 0x8004, 1, 14});
  EXPECT_EQ(descriptor.memory_size(), 16u);
  const Bytes file = {0, 1, 0, 2, 0, 0, 0, 0};
  const Bytes memory = ReadAll(descriptor, file, 1);
  EXPECT_EQ(Load<uint16_t>(memory, 2), 2);
  EXPECT_EQ(Bytes(memory.begin() + 4, memory.end()), Bytes(12, 0));
  EXPECT_EQ(WriteAll(descriptor, memory, 1), file);
}

// --- Sizes, round trips and in-place conversion ---

TEST(RecordDescriptorSizes, SizeOnlyCallsMatchWhatAWriteProduces) {
  const RecordDescriptor descriptor = MustParse(kPointerAfterValue);
  const Bytes memory(descriptor.MemorySize(4), 0);
  Bytes out = {0xAA};
  ASSERT_TRUE(descriptor.AppendTo(out, memory, 4));
  EXPECT_EQ(out.size(), 1 + descriptor.FileSize(4));
  EXPECT_EQ(out[0], 0xAA);
  EXPECT_EQ(descriptor.FileSize(0), 0u);
  EXPECT_EQ(descriptor.MemorySize(0xFFFFFFFFu), uint64_t{0xFFFFFFFFu} * 16);
}

TEST(RecordDescriptorSizes, ReadThenWriteGivesTheSameBytes) {
  const RecordDescriptor descriptor =
      MustParse({0x8014, 1, 1, 2, 16, 1, 14, 2, 32, 0x8006, 1, 1, 1, 2});
  EXPECT_EQ(descriptor.memory_size(), 28u);
  Bytes file(descriptor.FileSize(3));
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 37 + 1);
  for (size_t record = 0; record < 3; ++record) {
    std::memset(file.data() + record * 20 + 4, 0, 4);  // the pointer slot is zero in files
  }
  const Bytes memory = ReadAll(descriptor, file, 3);
  const Bytes written = WriteAll(descriptor, memory, 3);
  EXPECT_EQ(written, file);
}

TEST(RecordDescriptorSizes, ConvertInPlaceMatchesReadAndUndoesItself) {
  const RecordDescriptor descriptor = MustParse({10, 1, 1, 2, 0, 1, 2, 2, 16});
  const Bytes file = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  Bytes buffer = file;
  ASSERT_TRUE(descriptor.ConvertInPlace(buffer, 1));
  EXPECT_EQ(buffer, ReadAll(descriptor, file, 1));
  ASSERT_TRUE(descriptor.ConvertInPlace(buffer, 1));
  EXPECT_EQ(buffer, file);
}

TEST(RecordDescriptorSizes, OverlappingBuffersConvertAsIfSeparate) {
  const RecordDescriptor descriptor = MustParse(kPointerAfterValue);
  const Bytes file = {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0};
  const Bytes expected = ReadAll(descriptor, file, 2);
  // Memory starts inside the file bytes it is expanded from.
  Bytes shared(40, 0xEE);
  std::memcpy(shared.data() + 8, file.data(), file.size());
  const std::span<const uint8_t> input(shared.data() + 8, file.size());
  const std::span<uint8_t> output(shared.data(), 32);
  ASSERT_EQ(descriptor.Read(input, output, 2), file.size());
  EXPECT_EQ(Bytes(shared.begin(), shared.begin() + 32), expected);
}

// --- Buffers that are too short ---

TEST(RecordDescriptorBounds, ReadRefusesShortFileOrMemory) {
  const RecordDescriptor descriptor = MustParse(kPointerAfterValue);
  const Bytes file(16, 0);
  Bytes memory(32, 0x5A);
  EXPECT_EQ(descriptor.Read(std::span(file).first(15), memory, 2), 0u);
  EXPECT_EQ(descriptor.Read(file, std::span(memory).first(31), 2), 0u);
  EXPECT_EQ(memory, Bytes(32, 0x5A));
  EXPECT_EQ(descriptor.Read(file, memory, 0xFFFFFFFFu), 0u);
  EXPECT_EQ(descriptor.Read(file, memory, 2), 16u);
}

TEST(RecordDescriptorBounds, WriteRefusesShortMemoryOrFile) {
  const RecordDescriptor descriptor = MustParse(kPointerAfterValue);
  const Bytes memory(32, 1);
  Bytes file(16, 0x5A);
  EXPECT_EQ(descriptor.Write(std::span(memory).first(31), file, 2), 0u);
  EXPECT_EQ(descriptor.Write(memory, std::span(file).first(15), 2), 0u);
  EXPECT_EQ(file, Bytes(16, 0x5A));
  Bytes out = {3};
  EXPECT_FALSE(descriptor.AppendTo(out, std::span(memory).first(31), 2));
  EXPECT_EQ(out, Bytes{3});
  Bytes buffer(9, 0);
  EXPECT_FALSE(MustParse(kMixed).ConvertInPlace(buffer, 2));
}

// --- Single runs of elements ---

TEST(RecordDescriptorElements, ConvertOneRunOfEqualElements) {
  const Bytes file = {0, 1, 0, 2, 0xFF};
  Bytes memory(4, 0);
  EXPECT_EQ(RecordDescriptor::ReadElements(file, memory, 2, 1), 4u);
  EXPECT_EQ(Load<uint16_t>(memory, 0), 1);
  EXPECT_EQ(Load<uint16_t>(memory, 2), 2);

  Bytes back(4, 0xEE);
  EXPECT_EQ(RecordDescriptor::WriteElements(memory, back, 2, 1), 4u);
  EXPECT_EQ(back, Bytes(file.begin(), file.begin() + 4));

  Bytes in_place = {0, 0, 0, 5};
  ASSERT_TRUE(RecordDescriptor::ConvertElementsInPlace(in_place, 1, 2));
  EXPECT_EQ(Load<uint32_t>(in_place, 0), 5u);
  ASSERT_TRUE(RecordDescriptor::ConvertElementsInPlace(in_place, 1, 6));
  EXPECT_EQ(in_place, Bytes(4, 0));
}

TEST(RecordDescriptorElements, RefusesSpecialTypesAndShortBuffers) {
  const Bytes file(8, 1);
  Bytes memory(8, 0);
  EXPECT_EQ(RecordDescriptor::ReadElements(file, memory, 1, 14), 0u);
  EXPECT_EQ(RecordDescriptor::ReadElements(file, memory, 1, 32), 0u);
  EXPECT_EQ(RecordDescriptor::ReadElements(file, memory, 3, 2), 0u);
  EXPECT_EQ(RecordDescriptor::WriteElements(file, std::span(memory).first(3), 1, 2), 0u);
  EXPECT_EQ(RecordDescriptor::ReadElements(file, memory, 0xFFFFFFFFu, 3), 0u);
  EXPECT_EQ(memory, Bytes(8, 0));
  EXPECT_FALSE(RecordDescriptor::ConvertElementsInPlace(memory, 2, 8));
}

}  // namespace
