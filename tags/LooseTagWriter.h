#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/ByteWriter.h"
#include "tags/TagHeader.h"

// Saves one loose tag in three phases: Begin prepares the header and the target, the group's
// writer appends the data to data(), End fixes up the header and commits.
//
// The bytes go to a temporary file beside the target, which replaces the target by a rename
// only once everything has been written and flushed. A save that fails at any point, or that
// is abandoned (End(false) or destruction before End), leaves any earlier copy of the tag as it
// was and no temporary file behind.
class LooseTagWriter {
 public:
  LooseTagWriter() = default;
  LooseTagWriter(const LooseTagWriter&) = delete;
  LooseTagWriter& operator=(const LooseTagWriter&) = delete;
  ~LooseTagWriter();

  // `caller` supplies the name and flags (and, until End, the user data and version); the group
  // folder is created when missing. `file_name` is the tag's existing loose file name, or empty to
  // name the file after the (sanitised) header name.
  [[nodiscard]] bool Begin(const std::filesystem::path& local_folder, const TagHeader& caller,
                           uint32_t group, uint32_t tag_id, std::string_view file_name,
                           std::string& error);
  ByteWriter& data() { return buffer_; }
  // Commits when `data_ok`; otherwise, or when committing fails, discards the save. The user
  // data, version and both index bytes come from `caller` as it is now: a group's writer
  // often sets them while it writes the data (a collection stores its usage there).
  [[nodiscard]] bool End(const TagHeader& caller, bool data_ok, std::string& error);

  const std::filesystem::path& path() const { return target_; }
  // The header as committed by End.
  const TagHeader& header() const { return header_; }

 private:
  void Discard();

  ByteWriter buffer_;
  TagHeader header_;
  std::filesystem::path target_;
  std::filesystem::path temp_;
  int fd_ = -1;
};
