#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tags/ArchiveFile.h"
#include "tags/CodexEntry.h"

// An archive loaded into the Codex: its header, its copies of tags in directory order and its
// mesh records. Only the active flag and the order value change while it is loaded.
class Archive {
 public:
  Archive(std::filesystem::path path, ArchiveContents contents);
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  const ArchiveHeader& header() const { return header_; }
  uint16_t type() const { return header_.type; }
  uint16_t order() const { return header_.order; }
  uint32_t kind() const { return kind_; }
  bool active() const { return active_; }
  bool legacy() const { return header_.IsLegacy(); }
  const std::filesystem::path& path() const { return path_; }
  // The part of the path after the last separator: the archive's display name and its name in
  // the working-set preference.
  const std::string& file_name() const { return file_name_; }
  // The file name behind the name of its folder ("plugins/same.dat"): tells apart archives of
  // one file name in the "tags" and "plugins" folders.
  const std::string& qualified_name() const { return qualified_name_; }
  const std::vector<LocationRecord>& copies() const { return copies_; }
  const std::vector<MeshRecord>& meshes() const { return meshes_; }
  uint64_t directory_offset() const { return directory_offset_; }
  // Where this archive sorts in the archive lists (inactive archives all sort as -1).
  int SortKey() const;

 private:
  friend class Codex;

  ArchiveHeader header_;
  std::filesystem::path path_;
  std::string file_name_;
  std::string qualified_name_;
  std::vector<LocationRecord> copies_;
  std::vector<MeshRecord> meshes_;
  uint64_t directory_offset_ = 0;
  uint64_t load_number_ = 0;  // load order, which hands out plugin order values
  uint32_t kind_ = 0;
  bool active_ = false;
};
