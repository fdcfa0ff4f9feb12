#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "tags/TagHeader.h"

class ByteWriter;

// The 128-byte archive header, held in native order. A legacy archive's 48-byte header is
// converted into this form on reading (type 1, order 0, signature "vorn").
struct ArchiveHeader {
  static constexpr size_t kSize = 128;
  static constexpr size_t kLegacySize = 48;
  static constexpr uint32_t kSignature = 0x646E6732;        // "dng2"
  static constexpr uint32_t kLegacySignature = 0x766F726E;  // "vorn"

  uint16_t type = 0;
  uint16_t order = 0;
  std::array<char, 32> name{};  // last byte always 0
  std::array<char, 64> url{};   // last byte always 0
  uint16_t mesh_count = 0;
  uint16_t tag_count = 0;
  uint32_t file_size = 0;
  uint32_t directory_end = 0;
  uint32_t signature = kSignature;

  std::string Name() const;
  std::string Url() const;
  bool IsLegacy() const { return signature == kLegacySignature; }
  // Always the current layout; reserved fields are written as 0.
  void Write(ByteWriter& writer) const;
};

// One per `mesh` tag of an archive, between the header and the directory.
struct MeshRecord {
  static constexpr size_t kSize = 112;
  uint32_t tag_id = 0;
  std::array<char, 32> name{};

  void Write(ByteWriter& writer) const;
};

// An archive's header, mesh records and directory, as read from its first bytes.
struct ArchiveContents {
  ArchiveHeader header;
  uint64_t directory_offset = 0;
  std::vector<MeshRecord> meshes;
  // One header per directory entry that passed its checks, in directory order; data offsets are
  // absolute positions in the archive file.
  std::vector<TagHeader> tags;
  // Directory entries refused because their data lies outside the file or their header is bad.
  size_t refused = 0;
};

// Reads archives in the current and the legacy layout. Nothing read from the file is used
// before it has been checked against the file's length.
class ArchiveFile {
 public:
  // The copy kind an archive of this type gives its tags, or -1 for a type that is not loaded.
  static int KindOfType(uint16_t type);

  // Recognises the header from the file's first bytes (at most 128 are looked at) and the
  // length of the whole file; fills header and directory_offset, and checks that the mesh
  // records and the directory lie within the file. False with a reason when it is no archive.
  static bool ParseHeader(std::span<const uint8_t> first, uint64_t file_length,
                          ArchiveContents& out, std::string& error);
  // Reads the mesh records (current layout) and the directory of an archive whose header
  // ParseHeader accepted: `meshes` holds 112 bytes per mesh record, `directory` 64 per tag.
  // Entries whose data would lie outside the file are refused and logged under `label`.
  static bool ParseTables(std::span<const uint8_t> meshes, std::span<const uint8_t> directory,
                          uint64_t file_length, const std::string& label, ArchiveContents& out,
                          std::string& error);
  // Both steps over a whole file held in memory.
  static bool Parse(std::span<const uint8_t> file, const std::string& label, ArchiveContents& out,
                    std::string& error);

  // Reads only the header, the mesh records and the directory, never the tag data.
  static bool Load(const std::filesystem::path& path, ArchiveContents& out, std::string& error);
};
