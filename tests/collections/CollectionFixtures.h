#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/Collection.h"
#include "tags/TagHeader.h"

// Collections built in memory and passed through the writer and the reader.
namespace collection_test {

inline std::vector<uint8_t> Save(Collection& collection) {
  ByteWriter out;
  TagHeader header = TagHeader::Fresh();
  std::string error;
  EXPECT_TRUE(collection.Save(out, header, error)) << error;
  return out.Take();
}

inline TagHeader HeaderFor(const Collection& collection) {
  TagHeader header = TagHeader::Fresh();
  header.user_data = collection.usage;
  return header;
}

// Alpha/index pairs from a row-major list of indices, 0 meaning transparent.
inline std::vector<uint8_t> Opaque(const std::vector<uint8_t>& indices) {
  std::vector<uint8_t> pixels;
  for (uint8_t index : indices) {
    pixels.push_back(index ? 255 : 0);
    pixels.push_back(index);
  }
  return pixels;
}

inline uint16_t Be16(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}
inline uint32_t Be32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{Be16(bytes, at)} << 16 | Be16(bytes, at + 2);
}
inline void PutBe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Where a saved collection keeps an array (header offset 64 + 16 × index) and bitmap i's block.
inline size_t ArrayOffset(const std::vector<uint8_t>& data, size_t array) {
  return 320 + Be32(data, 64 + 16 * array + 4);
}
inline size_t BitmapBlock(const std::vector<uint8_t>& data, size_t index) {
  return 320 + Be32(data, ArrayOffset(data, 2) + 128 * index + 64);
}

}  // namespace collection_test
