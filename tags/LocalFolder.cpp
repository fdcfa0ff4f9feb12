#include "tags/LocalFolder.h"

#include <cctype>
#include <cstdio>

#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "tags/TagHeader.h"
#include "tags/TagName.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string LocalFolder::GroupFolderName(uint32_t group) {
  if (const TagGroupRow* row = TagGroupTable::Find(group)) return Lower(row->plural);
  const std::string chars = tagcode::Chars(group);
  if (tagcode::IsPrintable(group) && chars.find_first_of("/\\") == std::string::npos &&
      chars.find_first_not_of('.') != std::string::npos) {
    return Lower(chars);
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<unsigned>(group));
  return buffer;
}

std::filesystem::path LocalFolder::GroupFolderPath(const std::filesystem::path& base,
                                                   uint32_t group) {
  return base / GroupFolderName(group);
}

std::filesystem::path LocalFolder::LooseFilePath(const std::filesystem::path& base,
                                                 const TagHeader& header,
                                                 std::string_view file_name) {
  const std::string name =
      file_name.empty() ? tagname::Sanitise(header.Name()) : std::string(file_name);
  return GroupFolderPath(base, header.group) / name;
}

bool LocalFolder::IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}
