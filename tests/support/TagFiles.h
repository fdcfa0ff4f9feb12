#pragma once
// Tag files, archives and game folders built byte by byte for the tag-store tests, so what the
// readers are tested against does not come from our own writers.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "tags/TagCode.h"

namespace tagfiles {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct TagRecipe {
  uint32_t group;
  uint32_t tag_id;
  std::string name;
  Bytes data;
  uint16_t version = 1;
};

inline void HeaderBytes(ByteWriter& w, const TagRecipe& t, uint32_t data_offset) {
  w.WriteU16Be(0xFFFF);
  w.WriteU8(0);
  w.WriteU8(0);
  w.WriteFixedChars(t.name, 32);
  w.WriteU32Be(t.group);
  w.WriteU32Be(t.tag_id);
  w.WriteU32Be(data_offset);
  w.WriteU32Be(static_cast<uint32_t>(t.data.size()));
  w.WriteU32Be(0);  // user data
  w.WriteU16Be(t.version);
  w.WriteU8(0xFF);
  w.WriteU8(0xFF);
  w.WriteU32Be(0x76726E32);  // "vrn2"
}

inline Bytes LooseBytes(const TagRecipe& t, uint32_t data_offset = 64) {
  ByteWriter w;
  HeaderBytes(w, t, data_offset);
  w.WriteBytes(t.data);
  return w.Take();
}

// Current layout; mesh records are written for `mesh` tags in the given order.
inline Bytes ArchiveBytes(uint16_t type, uint16_t order, const std::string& name,
                          const std::vector<TagRecipe>& tags) {
  size_t meshes = 0;
  for (const TagRecipe& t : tags) meshes += t.group == tagcode::Make("mesh");
  const uint32_t directory = static_cast<uint32_t>(128 + 112 * meshes);
  uint32_t data = directory + static_cast<uint32_t>(64 * tags.size());
  ByteWriter w;
  w.WriteU16Be(type);
  w.WriteU16Be(order);
  w.WriteFixedChars(name, 32);
  w.WriteFixedChars("", 64);
  w.WriteU16Be(static_cast<uint16_t>(meshes));
  w.WriteU16Be(static_cast<uint16_t>(tags.size()));
  w.WriteZeros(8);
  w.WriteU32Be(0);  // file size, patched below
  w.WriteU32Be(0);
  w.WriteU32Be(data);
  w.WriteU32Be(0x646E6732);  // "dng2"
  for (const TagRecipe& t : tags) {
    if (t.group != tagcode::Make("mesh")) continue;
    w.WriteU32Be(t.tag_id);
    w.WriteZeros(12);
    w.WriteFixedChars(t.name, 32);
    w.WriteFixedChars(t.name, 64);
  }
  for (const TagRecipe& t : tags) {
    HeaderBytes(w, t, data);
    data += static_cast<uint32_t>(t.data.size());
  }
  for (const TagRecipe& t : tags) w.WriteBytes(t.data);
  EXPECT_TRUE(w.PatchU32Be(112, static_cast<uint32_t>(w.size())));
  return w.Take();
}

// Legacy layout: 48-byte header, data, then legacy 64-byte headers up to the end of the file.
inline Bytes LegacyArchiveBytes(const std::string& name, const std::vector<TagRecipe>& tags) {
  ByteWriter w;
  w.WriteU16Be(1);
  w.WriteU16Be(1);
  w.WriteFixedChars(name, 32);
  w.WriteU32Be(0);
  w.WriteU32Be(0);  // directory offset, patched below
  w.WriteU16Be(static_cast<uint16_t>(tags.size()));
  w.WriteU16Be(0);
  std::vector<uint32_t> offsets;
  for (const TagRecipe& t : tags) {
    offsets.push_back(static_cast<uint32_t>(w.size()));
    w.WriteBytes(t.data);
  }
  EXPECT_TRUE(w.PatchU32Be(40, static_cast<uint32_t>(w.size())));
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagRecipe& t = tags[i];
    // Legacy header: name, group, tag id, version word, unused, offset, size, unused, "vorn".
    w.WriteFixedChars(t.name, 32);
    w.WriteU32Be(t.group);
    w.WriteU32Be(t.tag_id);
    w.WriteU32Be(t.version);
    w.WriteU32Be(0);
    w.WriteU32Be(offsets[i]);
    w.WriteU32Be(static_cast<uint32_t>(t.data.size()));
    w.WriteU32Be(0);
    w.WriteU32Be(0x766F726E);  // "vorn"
  }
  return w.Take();
}

inline void Spit(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline Bytes Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zarv-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

}  // namespace tagfiles
