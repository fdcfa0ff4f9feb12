#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "gui/ChooserMemory.h"
#include "gui/FileKind.h"

// What the file and folder choosers decide apart from what they show: the listing of a
// folder, typed names, the save extension, and the folder and file type they start with and
// remember. Paths are the file system's bytes (UTF-8 on this system); showing them is the
// dialog's business.
struct ChooserEntry {
  std::string name;
  bool folder = false;
};

// What confirming a chooser comes to: nothing (the dialog beeps), a folder to go into, or the
// chosen path.
struct ChooserChoice {
  enum Action { kNone, kEnterFolder, kAccept };
  Action action = kNone;
  std::filesystem::path path;
};

class ChooserModel {
 public:
  // Sub-folders first, then (with `with_files`) the files `filter` matches (all files without
  // a filter), each in natural order; names starting with "." are left out. False, with the
  // reason, when the folder cannot be read.
  static bool ListFolder(const std::filesystem::path& folder, const FileFilter* filter,
                         bool with_files, std::vector<ChooserEntry>& out, std::string& error);

  // A typed name: an absolute path as it is ("~/" for the home folder), anything else inside
  // `folder`; "." and ".." steps are resolved.
  static std::filesystem::path Resolve(const std::filesystem::path& folder, std::string_view typed);

  // The name to save under: unchanged when it already ends in one of the kind's extensions or
  // the chosen file type has no real extension ("*.*", or a kind without file types);
  // otherwise the chosen type's extension appended.
  static std::string WithSaveExtension(const std::string& name, const FileKind& kind,
                                       size_t filter_index);

  // Confirming with `typed` in the name field (file system bytes) and `selected` the entry
  // selected in the list, if any. A typed folder is entered; an empty field enters a selected
  // folder, or in the folder chooser chooses it or else the folder shown. A save needs an
  // existing folder to write into and gets the save extension; an open needs an existing
  // file; the folder chooser never accepts a file.
  static ChooserChoice Confirm(ChooserOp op, const FileKind& kind, size_t filter_index,
                               const std::filesystem::path& folder, std::string_view typed,
                               const ChooserEntry* selected);
  // One folder up; the root stays where it is.
  static std::filesystem::path Up(const std::filesystem::path& folder);

  // The memory may be null: then nothing is remembered.
  // The folder a chooser opens in: the folder part of `proposed` when it names an existing
  // folder, else the kind's last folder for the operation when it still exists, else the
  // working folder.
  static std::filesystem::path StartFolder(const FileKind& kind, ChooserOp op,
                                           std::string_view proposed, ChooserMemory* memory);
  // The file type a chooser starts with: the remembered one, or the first when none is
  // remembered or the remembered one is out of range.
  static size_t StartFilter(const FileKind& kind, ChooserOp op, ChooserMemory* memory);
  // After a confirmed choice only: the folder and, for kinds with file types, the type.
  static void Remember(const FileKind& kind, ChooserOp op, const std::filesystem::path& folder,
                       size_t filter_index, ChooserMemory* memory);
};
