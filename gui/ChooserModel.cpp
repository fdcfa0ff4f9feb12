#include "gui/ChooserModel.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "base/NaturalOrder.h"

namespace fs = std::filesystem;

namespace {

bool IsFolder(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool ChooserModel::ListFolder(const fs::path& folder, const FileFilter* filter, bool with_files,
                              std::vector<ChooserEntry>& out, std::string& error) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    error = std::strerror(errno);
    return false;
  }
  std::vector<ChooserEntry> folders, files;
  const int dir_fd = ::dirfd(dir);
  while (const dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    bool is_folder = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      // Links count as what they point at; some file systems do not say what an entry is.
      struct stat st {};
      is_folder = ::fstatat(dir_fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (is_folder) {
      folders.push_back({e->d_name, true});
    } else if (with_files && (!filter || filter->Matches(e->d_name))) {
      files.push_back({e->d_name, false});
    }
  }
  ::closedir(dir);
  const auto order = [](const ChooserEntry& a, const ChooserEntry& b) {
    const int c = NaturalCompare(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  };
  std::sort(folders.begin(), folders.end(), order);
  std::sort(files.begin(), files.end(), order);
  out = std::move(folders);
  out.insert(out.end(), std::make_move_iterator(files.begin()),
             std::make_move_iterator(files.end()));
  return true;
}

fs::path ChooserModel::Resolve(const fs::path& folder, std::string_view typed) {
  fs::path path;
  if (typed == "~" || typed.substr(0, 2) == "~/") {
    const char* home = std::getenv("HOME");
    path = fs::path(home ? home : "/") / std::string(typed.substr(typed.size() > 1 ? 2 : 1));
  } else if (!typed.empty() && typed[0] == '/') {
    path = std::string(typed);
  } else {
    path = folder / std::string(typed);
  }
  return path.lexically_normal();
}

std::string ChooserModel::WithSaveExtension(const std::string& name, const FileKind& kind,
                                            size_t filter_index) {
  for (const FileFilter& f : kind.filters) {
    if (!f.Extension().empty() && f.Matches(name)) return name;
  }
  if (filter_index >= kind.filters.size()) return name;
  const std::string_view ext = kind.filters[filter_index].Extension();
  return ext.empty() ? name : name + std::string(ext);
}

ChooserChoice ChooserModel::Confirm(ChooserOp op, const FileKind& kind, size_t filter_index,
                                    const fs::path& folder, std::string_view typed,
                                    const ChooserEntry* selected) {
  if (typed.empty()) {
    if (selected && selected->folder) {
      const fs::path inside = (folder / selected->name).lexically_normal();
      if (op == ChooserOp::kFolder) return {ChooserChoice::kAccept, inside};
      return {ChooserChoice::kEnterFolder, inside};
    }
    if (op == ChooserOp::kFolder) return {ChooserChoice::kAccept, folder};
    return {};
  }
  fs::path path = Resolve(folder, typed);
  if (IsFolder(path)) return {ChooserChoice::kEnterFolder, path};
  // A name ending in "/" meant a folder, and there is none.
  if (typed.back() == '/' || !path.has_filename()) return {};
  switch (op) {
    case ChooserOp::kSave: {
      if (!IsFolder(path.parent_path())) return {};
      path.replace_filename(WithSaveExtension(path.filename().string(), kind, filter_index));
      if (IsFolder(path)) return {};
      return {ChooserChoice::kAccept, path};
    }
    case ChooserOp::kOpen:
    case ChooserOp::kOpenSeveral: {
      struct stat st {};
      if (::stat(path.c_str(), &st) != 0) return {};
      return {ChooserChoice::kAccept, path};
    }
    case ChooserOp::kFolder:
      return {};
  }
  return {};
}

fs::path ChooserModel::Up(const fs::path& folder) {
  const fs::path normal = folder.lexically_normal();
  if (normal == normal.root_path() || !normal.has_parent_path()) return normal;
  fs::path up = normal.parent_path();
  // "/a/b/" has the parent "/a/b": step over the empty last part.
  if (!normal.has_filename()) up = up.parent_path();
  return up.empty() ? normal : up;
}

fs::path ChooserModel::StartFolder(const FileKind& kind, ChooserOp op, std::string_view proposed,
                                   ChooserMemory* memory) {
  if (!proposed.empty()) {
    const fs::path p(std::string{proposed});
    if (IsFolder(p)) return p.lexically_normal();
    if (p.has_parent_path() && IsFolder(p.parent_path())) return p.parent_path().lexically_normal();
  }
  std::string last;
  if (memory && memory->GetText(kind.FolderKey(op), last) && !last.empty() && IsFolder(last))
    return last;
  std::error_code ec;
  fs::path here = fs::current_path(ec);
  return ec ? fs::path("/") : here;
}

size_t ChooserModel::StartFilter(const FileKind& kind, ChooserOp op, ChooserMemory* memory) {
  int32_t index = 0;
  if (!memory || kind.FormatKey(op).empty() || !memory->GetNumber(kind.FormatKey(op), index))
    return 0;
  return index >= 0 && static_cast<size_t>(index) < kind.filters.size() ? static_cast<size_t>(index)
                                                                        : 0;
}

void ChooserModel::Remember(const FileKind& kind, ChooserOp op, const fs::path& folder,
                            size_t filter_index, ChooserMemory* memory) {
  if (!memory) return;
  memory->SetText(kind.FolderKey(op), folder.string());
  if (!kind.FormatKey(op).empty()) {
    memory->SetNumber(kind.FormatKey(op), static_cast<int32_t>(filter_index));
  }
}
