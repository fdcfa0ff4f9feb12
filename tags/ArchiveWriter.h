#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tags/TagHeader.h"

// Where one tag's data comes from when an archive is written: `header.data_size` bytes of
// `file` starting at `offset` (a loose file, or another archive).
struct ArchiveSource {
  TagHeader header;
  std::filesystem::path file;
  uint64_t offset = 0;
};

// Writes an archive in the current layout: header, one mesh record per `mesh` tag, the
// directory sorted by group, name and tag id, then the data of every tag back to back.
//
// Write checks every source and every count before it creates anything, then writes into a
// temporary file beside the destination, copying each tag's data in blocks. Commit renames the
// temporary file over the destination; until then the destination is untouched, and a writer
// destroyed without Commit removes its temporary file.
class ArchiveWriter {
 public:
  static constexpr size_t kMaxTags = 0xFFFF;

  ArchiveWriter() = default;
  ArchiveWriter(const ArchiveWriter&) = delete;
  ArchiveWriter& operator=(const ArchiveWriter&) = delete;
  ~ArchiveWriter();

  // Type must be one that is loaded (1, 2, 3, 5 or 6). The name is cut to 31 characters and the
  // url to 63. The order field is 0xFFFF for type 1 and `priority` otherwise.
  [[nodiscard]] bool Write(const std::filesystem::path& destination,
                           std::vector<ArchiveSource> sources, uint16_t type, std::string_view name,
                           std::string_view url, uint16_t priority, std::string& error);
  [[nodiscard]] bool Commit(std::string& error);
  void Discard();

  // The directory as written, in file order, with absolute data offsets.
  const std::vector<TagHeader>& directory() const { return directory_; }

 private:
  std::filesystem::path destination_;
  std::filesystem::path temp_;
  std::vector<TagHeader> directory_;
};
