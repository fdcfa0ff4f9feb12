#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct TagHeader;

// Where loose tags live: one group folder per tag group under the local folder, named by the
// group's plural name in lower case. Lower case is used everywhere, since the file system here
// tells case apart.
class LocalFolder {
 public:
  // "meshes", "quicktime/mp3" (a nested folder). A code without a row uses its own four
  // characters, lower-cased; one that is not printable or holds a separator uses "0x%08x", so no
  // value from a file can name a path outside the local folder.
  static std::string GroupFolderName(uint32_t group);
  static std::filesystem::path GroupFolderPath(const std::filesystem::path& base, uint32_t group);
  // The group folder joined with `file_name`, or with the sanitised header name when empty.
  static std::filesystem::path LooseFilePath(const std::filesystem::path& base,
                                             const TagHeader& header,
                                             std::string_view file_name = {});
  // True for a name that is a single path component: not empty, not "." or "..", no '/', no
  // NUL.
  static bool IsPlainFileName(std::string_view name);
  // The entries of `folder` whose names equal `name` when case is ignored (ASCII), `name`
  // itself among them when present. Folders get copied to systems that do not tell case apart,
  // where two such names would be one file. Saves in progress are not counted.
  static std::vector<std::string> NamesIgnoringCase(const std::filesystem::path& folder,
                                                    std::string_view name);
};
