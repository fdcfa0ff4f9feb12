#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// The file steps every change to the local folder is made of. Saves and tag operations go
// through the installed instance, so the failure of any one step can be brought about on
// purpose and what it leaves behind checked. The default is the real POSIX one.
class TagFileSystem {
 public:
  enum class Step { kCreateTemp, kWrite, kSync, kRename, kUnlink };

  virtual ~TagFileSystem() = default;

  // A new private file in `folder` named after `stem`, open for writing; the name is one that
  // folder listings skip (a dot and ".saving-" in front of six random characters). -1 on failure.
  virtual int CreateTemp(const std::filesystem::path& folder, const std::string& stem,
                         std::filesystem::path& temp, std::string& error);
  // All of `size` bytes at the file's current position.
  virtual bool Write(int fd, const void* data, size_t size, std::string& error);
  // `size` bytes of `from` starting at `offset`, appended at `to`'s current position; in the
  // kernel where it can be.
  virtual bool CopyRange(int from, uint64_t offset, uint64_t size, int to, std::string& error);
  // `size` bytes at `offset`, without moving the file position.
  virtual bool WriteAt(int fd, uint64_t offset, const void* data, size_t size, std::string& error);
  virtual bool Sync(int fd, std::string& error);
  // Fails when `to` exists: never replaces a file.
  virtual bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                               std::string& error);
  // Replaces `to` in one step.
  virtual bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to,
                          std::string& error);
  virtual bool Unlink(const std::filesystem::path& path, std::string& error);
  // A file in `folder` that has no name until LinkUnnamed gives it one, so that a process killed
  // while writing it leaves nothing behind. -1 on failure; `unsupported` tells a file system
  // that cannot make such files (the caller then writes under a hidden name instead).
  virtual int CreateUnnamed(const std::filesystem::path& folder, bool& unsupported,
                            std::string& error);
  // Names the file CreateUnnamed made; fails when `path` exists.
  virtual bool LinkUnnamed(int fd, const std::filesystem::path& path, std::string& error);
  // Makes the folder's entries (a rename into it, say) survive a crash.
  virtual bool SyncFolder(const std::filesystem::path& folder, std::string& error);

  // The instance in use; Install(nullptr) puts the real one back.
  static TagFileSystem& Current();
  static void Install(TagFileSystem* fs);
};
