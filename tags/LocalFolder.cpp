#include "tags/LocalFolder.h"

#include <dirent.h>
#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstring>

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

std::vector<std::string> LocalFolder::NamesIgnoringCase(const std::filesystem::path& folder,
                                                        std::string_view name) {
  std::vector<std::string> found;
  const std::string wanted(name);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return found;
  while (const dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.' && std::strstr(e->d_name, ".saving-")) continue;
    if (strcasecmp(e->d_name, wanted.c_str()) == 0) found.emplace_back(e->d_name);
  }
  ::closedir(dir);
  return found;
}
