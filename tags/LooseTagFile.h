#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tags/TagHeader.h"

struct LooseTag {
  TagHeader header;                // data size already taken from the file length
  uint32_t claimed_data_size = 0;  // what the header said, for diagnostics
  std::vector<uint8_t> data;
};

// Reads one loose tag file: the 64-byte header (either layout) followed by the data.
class LooseTagFile {
 public:
  // Caps what one loose tag may hold; the data size must fit the header's 32-bit field.
  static constexpr uint64_t kMaxDataSize = 0xFFFFFFFFu;

  // Fails with a one-line reason on a short or unknown header, a data offset beyond the end of
  // the file, a file too large for the header, or (when `expected_group` is given) a header of
  // another group. A placeholder name is replaced by the file's name.
  static bool Read(const std::filesystem::path& path, std::optional<uint32_t> expected_group,
                   LooseTag& out, std::string& error);
  // Reads only the header and the file's length: what indexing a folder needs.
  static bool ReadHeader(const std::filesystem::path& path, std::optional<uint32_t> expected_group,
                         TagHeader& out, std::string& error);
  // The same for `path` relative to an open folder (AT_FDCWD for the working folder), which
  // spares the kernel walking the folder's path again for every file of a listing. A caller
  // that has just listed the folder passes the regular file's length it saw.
  static bool ReadHeaderAt(int folder_fd, const char* path, std::string_view file_name,
                           std::optional<uint32_t> expected_group, TagHeader& out,
                           std::string& error, std::optional<uint64_t> known_length = {});
  // The checks common to both: `first` holds the file's first bytes (at least 64 of them for a
  // file that can pass), `length` the length of the whole file.
  static bool CheckHeader(std::span<const uint8_t> first, uint64_t length,
                          std::string_view file_name, std::optional<uint32_t> expected_group,
                          TagHeader& out, uint32_t& claimed_data_size, std::string& error);
  // Writes `header` (its data offset and size set to match) and `data` to `path`, replacing any
  // file there only once the new one is complete. Fails, writing nothing, when the data does
  // not fit the header's 32-bit size field or a file step fails.
  static bool Write(const std::filesystem::path& path, TagHeader header,
                    std::span<const uint8_t> data, std::string& error);
  // The same over bytes already in memory; `file_name` stands in for the placeholder name.
  static bool Parse(std::span<const uint8_t> bytes, std::string_view file_name,
                    std::optional<uint32_t> expected_group, LooseTag& out, std::string& error);
};
