#pragma once
#include <cstdint>
#include <span>
#include <string_view>

// The kinds of file the choosers know: their titles, the preference keys that remember the
// last folder and file type per operation, and their file types.
namespace FileKindId {
constexpr int32_t kAny = 0;
constexpr int32_t kArchive = 2;
constexpr int32_t kSound = 3;
constexpr int32_t kModel = 4;
constexpr int32_t kImage = 5;
constexpr int32_t kColorTable = 6;  // Adobe Color Tables (.act)
}  // namespace FileKindId

// What a chooser is for; indexes the titles, and (but for kOpenSeveral, which shares the open
// keys) the keys.
enum class ChooserOp { kSave = 0, kOpen = 1, kOpenSeveral = 2, kFolder = 3 };

struct FileFilter {
  std::string_view name;     // "PNG Image"
  std::string_view pattern;  // "*.png"; "*.*" matches everything
  // ".png", or empty for a pattern without a real extension.
  std::string_view Extension() const;
  bool Matches(std::string_view file_name) const;
};

struct FileKind {
  int32_t id;
  std::string_view titles[4];       // by ChooserOp
  std::string_view folder_keys[3];  // save, open, folder
  std::string_view format_keys[3];  // empty for kinds without file types to remember
  std::span<const FileFilter> filters;

  std::string_view Title(ChooserOp op) const { return titles[static_cast<int>(op)]; }
  std::string_view FolderKey(ChooserOp op) const;
  std::string_view FormatKey(ChooserOp op) const;
};

// None for a kind number the program does not have: callers must refuse it.
const FileKind* FindFileKind(int32_t id);
