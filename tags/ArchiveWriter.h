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
// Write checks every source and every count before it creates anything, then writes a file
// in the destination's folder that has no name yet (or, where the file system cannot make
// those, one under a hidden staging name), copies each tag's data in the kernel where it can
// and flushes it to disk. Commit names the file with a staging name and renames it over the
// destination, then flushes the folder: a process killed at any moment leaves the old file or
// the new one, whole. Until Commit the destination is untouched; a writer destroyed without
// Commit leaves nothing behind.
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
  // The length of the file written.
  uint64_t file_size() const { return file_size_; }

  // The hidden name a file is staged under before it becomes `file_name`: a dot, the name and
  // ".saving-", like the loose files a save stages. Folder scans skip every such name.
  static std::string StagingName(std::string_view file_name);
  static bool IsStagingName(std::string_view name);

 private:
  std::filesystem::path destination_;
  std::filesystem::path staging_;
  std::vector<TagHeader> directory_;
  uint64_t file_size_ = 0;
  int fd_ = -1;
  bool named_ = false;  // the staging name exists and must go if the write does not complete
};
