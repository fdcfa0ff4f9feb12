#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tags/Archive.h"
#include "tags/CodexEntry.h"
#include "tags/FolderWatch.h"
#include "tags/NodePool.h"

class LooseTagWriter;
class TagStream;

// What listeners are told.
enum CodexEvent : int {
  kCodexTagAppeared = 1,      // a tag became visible through a new local copy
  kCodexTagChanged = 2,       // a tag's winning copy or its header changed
  kCodexResourceChanged = 3,  // the data of a loaded tag resource changed in memory
  kCodexTagVanished = 4,      // a tag lost its last active copy
  kCodexWorkingSetChanged = 5,
  kCodexArchiveLoaded = 6,
  kCodexArchiveUnloading = 7,
};

// Attachment codes.
inline constexpr uint32_t kAttachEditor = 0x65646974;    // 'edit'
inline constexpr uint32_t kAttachResource = 0x74726573;  // 'tres'
inline constexpr uint32_t kAttachInfo = 0x696E666F;      // 'info'

using CodexListener = void (*)(void* context, Archive* archive, CodexEntry* entry, int event);

// The index of every tag the program can see: the loaded archives and the loose tags of the
// local folder, one entry per (group, tag id) with every copy of it, and which copy is in force.
// Single-threaded; listeners are called synchronously from the operation that caused the event
// and must not unload archives or delete copies of the entry they are told about.
class Codex {
 public:
  Codex();
  ~Codex();
  Codex(const Codex&) = delete;
  Codex& operator=(const Codex&) = delete;

  // --- Lookups
  // The entry when it has a winning copy; tag id 0xFFFFFFFF finds nothing.
  CodexEntry* Find(uint32_t group, uint32_t tag_id) const;
  // Any entry, with or without copies.
  CodexEntry* FindAny(uint32_t group, uint32_t tag_id) const;
  CodexEntry* FindOrCreate(uint32_t group, uint32_t tag_id);
  // Local copy first; else the active copy of the highest kind, then order value, then archive
  // file name (byte-wise). None when no copy is local or active.
  const LocationRecord* WinningCopy(const CodexEntry& entry) const;
  // The same as though `ignored` were out of the working set.
  const LocationRecord* WinningCopy(const CodexEntry& entry, const Archive* ignored) const;
  // The winning copy's header, or a zero header with the entry's group and tag id and the name
  // "~codex_placeholder~".
  TagHeader EntryHeader(const CodexEntry& entry) const;
  // The winning archive's file name, "local folder", or "unknown".
  std::string LocationName(const CodexEntry& entry) const;
  size_t entry_count() const { return entries_.size(); }
  // Deletes the entry when nothing keeps it (no copy, attachment or stream): a tag that create
  // tag made and nobody took. Its pending save goes too unless something is attached.
  void ForgetIfUnused(CodexEntry* entry);
  // Makes the entry's next save write under `pending.file_name` and, once it has committed,
  // take the place of the files `pending` lists (see PendingSave). It is forgotten when that
  // save commits or the last attachment leaves.
  void SetPendingSave(CodexEntry* entry, PendingSave pending);
  void ClearPendingSave(CodexEntry* entry);

  // --- Attachments. Detach may delete the entry (no copies and no attachments left).
  size_t Attach(CodexEntry* entry, uint32_t code, void* object);
  size_t Detach(CodexEntry* entry, uint32_t code, void* object);
  void* FindAttachment(const CodexEntry& entry, uint32_t code) const;
  // Attachments summed over every entry with a winning copy.
  size_t OpenTagCount() const;
  // Attachments summed over every entry, with or without a winning copy: an unsaved new tag
  // and a tag whose archive went out of the working set are open all the same.
  size_t AttachmentCount() const;

  // --- Tag sets; each entry at most once, in (group, tag id) order except OfArchive, which
  // keeps directory order.
  std::vector<CodexEntry*> Combined() const;
  std::vector<CodexEntry*> Local() const;
  std::vector<CodexEntry*> Foundation() const;
  std::vector<CodexEntry*> OfArchive(const Archive& archive) const;

  // --- Data
  // Opens the winning copy's data (closing any read still open on the entry); the entry owns
  // the stream until CloseData. None without a winning copy or when the file cannot be read.
  TagStream* OpenData(CodexEntry* entry);
  void CloseData(CodexEntry* entry);
  // Starts a save into the local folder: the caller appends the data to the returned writer's
  // data() and then calls EndWrite. None (and a log line) when the file cannot be created, a
  // save of the entry is already in progress, or the target's name (in any case) is held by a
  // file that is neither the tag's own local copy nor one its pending save replaces.
  LooseTagWriter* BeginWrite(CodexEntry* entry, const TagHeader& header);
  // Commits (when `success`) or abandons the save. On success the entry's local copy is
  // updated, or created, and listeners hear of it; on failure the earlier loose file and the
  // index stay as they were, and an entry left with nothing is deleted unless create tag made
  // it (its pending save is still set): that one its maker hands back with ForgetIfUnused.
  bool EndWrite(CodexEntry* entry, const TagHeader& caller, bool success);

  // --- Local folder
  // Normalises the path (separators, characters Windows folders could not hold, a trailing
  // '/'), drops every local copy, watches one folder per tag group and indexes them.
  void SetLocalFolder(std::string_view path);
  const std::string& local_folder() const { return local_folder_; }
  // Rescans the watched folders when forced or when the program itself changed the folder.
  void Poll(bool force);
  // False, leaving the rest, at the first entry whose local copy is in use.
  bool DropAllLocalCopies();
  bool changed() const { return changed_; }
  const FolderWatch& watch() const { return watch_; }

  // --- Archives
  // The archive (already loaded with the same path, or newly loaded, inactive), or none when the
  // file is not an archive; the reason goes to `error`.
  Archive* LoadArchive(const std::filesystem::path& path, std::string* error = nullptr);
  // False, changing nothing and telling nobody, when one of its tags is in use.
  bool UnloadArchive(Archive* archive);
  bool UnloadAllArchives();
  size_t archive_count() const { return archives_.size(); }
  Archive* ArchiveAt(size_t index) const;
  // The archive loaded from exactly this path, or none.
  Archive* ArchiveAtPath(const std::filesystem::path& path) const;
  // The first archive in list order with that file name.
  Archive* ArchiveByName(std::string_view file_name) const;
  // An archive by its file name or, with a folder in front ("plugins/same.dat"), by its
  // qualified name; the form the working-set preference and the command line use.
  Archive* FindArchive(std::string_view name) const;
  // How many loaded archives have this file name.
  size_t CountArchivesNamed(std::string_view file_name) const;
  // The archive's name in the working-set preference: its file name, qualified by its folder
  // when another loaded archive has the same file name.
  std::string WorkingSetName(const Archive& archive) const;
  // Loads every file directly in `folder` that is an archive, in name order; returns how many.
  size_t LoadArchiveFolder(const std::filesystem::path& folder);
  // The names LoadArchiveFolder offers to LoadArchive: regular files directly in the folder, in
  // byte-wise order, without the litter other systems leave in folders and without the hidden
  // files an archive write stages (a write cut short leaves one behind).
  static std::vector<std::string> ArchiveCandidates(const std::filesystem::path& folder);

  // --- Working set
  void SetWorkingSet(const std::vector<Archive*>& archives);
  void ApplyDefaultWorkingSet();
  // Working-set names of the active archives, in archive-list order.
  std::vector<std::string> WorkingSetNames() const;
  // Activates the named archives (found as FindArchive finds them; names without a loaded
  // archive are skipped) and returns the names that were skipped.
  std::vector<std::string> ApplyWorkingSetNames(const std::vector<std::string>& names);

  // --- Game folder: the archives of its "tags" and "plugins" folders and its "local" folder.
  void OpenGameFolder(const std::filesystem::path& game);
  // Only names the game folder, for a caller that loads its parts one by one.
  void SetGameFolder(const std::filesystem::path& game) { game_folder_ = game; }
  const std::filesystem::path& game_folder() const { return game_folder_; }
  // Where add-ons are written.
  std::filesystem::path plugins_folder() const { return game_folder_ / "plugins"; }

  // Writes the winning copies of `entries` as an archive named `file_name` in the game folder's
  // "plugins" folder and loads it (inactive). A file already there is replaced only when it is
  // an archive of the same type whose tags are not in use; the archive loaded from it takes no
  // part as a source (the copies in force are taken as though it were inactive) and is
  // unloaded just around the final rename. Nothing is changed when the build fails.
  Archive* WriteArchive(const std::vector<CodexEntry*>& entries, uint16_t type,
                        std::string_view file_name, std::string_view name, std::string_view url,
                        uint16_t priority, std::string& error);
  // Unpacks every tag of the archive into destination / group folder / tag name. A file that
  // is already there is never replaced: its tag is skipped. Tags whose file cannot be made
  // count as failed.
  struct Unpacked {
    size_t written = 0;
    size_t skipped = 0;
    size_t failed = 0;
  };
  Unpacked DisassembleArchive(const Archive& archive, const std::filesystem::path& destination);

  // --- Listeners; adding a pair twice or removing an absent one does nothing.
  void AddListener(CodexListener listener, void* context);
  void RemoveListener(CodexListener listener, void* context);
  void Notify(Archive* archive, CodexEntry* entry, int event);

 private:
  static uint64_t Key(uint32_t group, uint32_t tag_id) { return uint64_t{group} << 32 | tag_id; }
  void DeleteIfEmpty(CodexEntry* entry);
  bool InUse(const Archive& archive) const;
  bool HasOtherActiveCopy(const CodexEntry& entry) const;
  void RemoveArchiveCopies(Archive& archive);
  void DropLocalCopy(CodexEntry* entry);
  // Drops the local copy and tells listeners whether another copy now wins; may delete the entry.
  void LoseLocalCopy(CodexEntry* entry);
  void SortArchives();
  std::filesystem::path LooseFilePath(const CodexEntry& entry) const;

  void FileAdded(size_t folder, const std::string& name);
  void FileModified(size_t folder, const std::string& name);
  void FileRemoved(size_t folder, const std::string& name);
  void LogRefusedFile(uint32_t group, const std::string& name, const std::string& error);

  using EntryMap = std::map<uint64_t, CodexEntry, std::less<uint64_t>,
                            NodePoolAllocator<std::pair<const uint64_t, CodexEntry>>>;
  // Declared first: the map's nodes live in it.
  NodePool entry_pool_;
  EntryMap entries_{EntryMap::allocator_type(&entry_pool_)};
  std::vector<std::unique_ptr<Archive>> archives_;
  std::vector<std::pair<CodexListener, void*>> listeners_;
  std::string local_folder_;
  std::filesystem::path game_folder_;
  FolderWatch watch_;
  uint64_t next_load_number_ = 0;
  size_t local_copies_ = 0;
  bool changed_ = false;
};

// The program's index, used by the editor's windows and commands; made on first use.
Codex& ProgramCodex();
// Releases it (archives, local copies, the folder watch) at its step of shut-down, before the
// window system goes and the preferences are written; a later ProgramCodex() starts afresh.
void ReleaseProgramCodex();
