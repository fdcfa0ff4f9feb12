#include "gui/FileKind.h"

#include <array>

namespace {

constexpr FileFilter kAnyFilters[] = {{"All files", "*.*"}};
constexpr FileFilter kImageFilters[] = {
    {"Bitmap Image", "*.bmp"}, {"PNG Image", "*.png"}, {"TIFF Image", "*.tiff"}};
constexpr FileFilter kModelFilters[] = {{"LightWave Object", "*.lwo"}};
constexpr FileFilter kSoundFilters[] = {{"WAV Sound", "*.wav"}};
constexpr FileFilter kColorTableFilters[] = {{"Adobe Color Table", "*.act"}};

constexpr std::array<FileKind, 6> kKinds = {{
    {FileKindId::kAny,
     {"Save File As", "Open File", "Open Multiple Files", "Choose Folder"},
     {"LastSavePath", "LastOpenPath", "LastFolderPath"},
     {},
     kAnyFilters},
    {FileKindId::kImage,
     {"Save Image As", "Open Image", "Open Multiple Images", "Choose Image Folder"},
     {"LastImageSavePath", "LastImageOpenPath", "LastImageFolderPath"},
     {"LastImageSaveFormat", "LastImageOpenFormat", "LastImageFolderFormat"},
     kImageFilters},
    {FileKindId::kModel,
     {"Save Model As", "Open Model", "Open Multiple Models", "Choose Model Folder"},
     {"LastModelSavePath", "LastModelOpenPath", "LastModelFolderPath"},
     {"LastModelSaveFormat", "LastModelOpenFormat", "LastModelFolderFormat"},
     kModelFilters},
    {FileKindId::kSound,
     {"Save Sound As", "Open Sound", "Open Multiple Sounds", "Choose Sound Folder"},
     {"LastSoundSavePath", "LastSoundOpenPath", "LastSoundFolderPath"},
     {"LastSoundSaveFormat", "LastSoundOpenFormat", "LastSoundFolderFormat"},
     kSoundFilters},
    {FileKindId::kColorTable,
     {"Save Color Table As", "Open Color Table", "Open Multiple Color Tables",
      "Choose Color Table Folder"},
     {"LastColorTableSavePath", "LastColorTableOpenPath", "LastColorTableFolderPath"},
     {},
     kColorTableFilters},
    {FileKindId::kArchive,
     {"Save Archive As", "Open Archive", "Open Multiple Archives", "Choose Archive Folder"},
     {"LastArchiveSavePath", "LastArchiveOpenPath", "LastArchiveFolderPath"},
     {},
     {}},
}};

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  if (end.size() > text.size()) return false;
  const std::string_view tail = text.substr(text.size() - end.size());
  for (size_t i = 0; i < end.size(); ++i) {
    if (Lower(tail[i]) != Lower(end[i])) return false;
  }
  return true;
}

// Open, open several and folder: the open keys serve both open operations.
int KeyIndex(ChooserOp op) {
  switch (op) {
    case ChooserOp::kSave:
      return 0;
    case ChooserOp::kOpen:
    case ChooserOp::kOpenSeveral:
      return 1;
    case ChooserOp::kFolder:
      return 2;
  }
  return 1;
}

}  // namespace

std::string_view FileFilter::Extension() const {
  // "*.png" gives ".png"; "*.*" and anything else with a wildcard in it give none.
  if (pattern.size() < 3 || pattern.substr(0, 2) != "*.") return {};
  const std::string_view ext = pattern.substr(1);
  if (ext.find_first_of("*?") != std::string_view::npos) return {};
  return ext;
}

bool FileFilter::Matches(std::string_view file_name) const {
  const std::string_view ext = Extension();
  if (ext.empty()) return pattern == "*.*" || pattern == "*";
  return EndsWithNoCase(file_name, ext) && file_name.size() > ext.size();
}

std::string_view FileKind::FolderKey(ChooserOp op) const {
  return folder_keys[KeyIndex(op)];
}

std::string_view FileKind::FormatKey(ChooserOp op) const {
  return format_keys[KeyIndex(op)];
}

const FileKind* FindFileKind(int32_t id) {
  for (const FileKind& kind : kKinds) {
    if (kind.id == id) return &kind;
  }
  return nullptr;
}
