#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/ByteWriter.h"
#include "tags/TagHeader.h"

// Saves one loose tag in three phases: Begin prepares the header and the target, the group's
// writer appends the data to data() (or AppendFrom for data already in a file), End fixes up
// the header and commits.
//
// The bytes go to a temporary file beside the target, which takes the target's name by a rename
// only once everything has been written and flushed. A save that fails at any point, or that
// is abandoned (End(false) or destruction before End), leaves any earlier copy of the tag as it
// was and no temporary file behind. Every file step goes through TagFileSystem::Current().
class LooseTagWriter {
 public:
  // What End may do to a file that already has the target's name.
  enum class Replace {
    kAny,      // replace it, whatever it is (unpacking into a folder of our own)
    kNone,     // fail: the name belongs to another file
    kSameTag,  // replace it only when it is a tag of this group and `replaced_tag_id` (this
               // tag's id when none is given): the file the save is meant to replace
  };

  LooseTagWriter() = default;
  LooseTagWriter(const LooseTagWriter&) = delete;
  LooseTagWriter& operator=(const LooseTagWriter&) = delete;
  ~LooseTagWriter();

  // `caller` supplies the name and flags (and, until End, the user data and version); the group
  // folder is created when missing. `file_name` is the tag's existing loose file name, or empty to
  // name the file after the (sanitised) header name.
  [[nodiscard]] bool Begin(const std::filesystem::path& local_folder, const TagHeader& caller,
                           uint32_t group, uint32_t tag_id, std::string_view file_name,
                           std::string& error, Replace replace = Replace::kAny,
                           uint32_t replaced_tag_id = 0xFFFFFFFFu);
  ByteWriter& data() { return buffer_; }
  // Appends `size` bytes of the open file `fd` from `offset`, without holding them in memory.
  [[nodiscard]] bool AppendFrom(int fd, uint64_t offset, uint64_t size, std::string& error);
  // Commits when `data_ok`; otherwise, or when committing fails, discards the save. The user
  // data, version and both index bytes come from `caller` as it is now: a group's writer
  // often sets them while it writes the data (a collection stores its usage there).
  [[nodiscard]] bool End(const TagHeader& caller, bool data_ok, std::string& error);

  const std::filesystem::path& path() const { return target_; }
  // The header as committed by End.
  const TagHeader& header() const { return header_; }

 private:
  void Discard();
  bool Flush(std::string& error);
  bool MayReplaceTarget(bool& exists, std::string& error) const;

  ByteWriter buffer_;
  TagHeader header_;
  std::filesystem::path target_;
  std::filesystem::path temp_;
  uint64_t flushed_ = 0;  // bytes already in the temporary file, the header among them
  int fd_ = -1;
  Replace replace_ = Replace::kAny;
  uint32_t replaced_tag_id_ = 0;
};
