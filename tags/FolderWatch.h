#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Watches a list of folders for files being added, changed and removed. Each rescan compares a
// fresh listing of a folder with the one remembered from the last rescan; inotify only narrows
// which folders need listing again, so a rescan costs one inotify read plus the folders that
// actually changed. A folder that is missing is listed (that is, looked for) on every rescan
// until it appears.
class FolderWatch {
 public:
  enum class Change { kAdded, kModified, kRemoved };
  using Handler = std::function<void(size_t folder, Change change, const std::string& name)>;

  FolderWatch();
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // Forgets every folder and its listing.
  void Clear();
  // Returns the folder's index. `group` is kept for the caller.
  size_t AddFolder(const std::filesystem::path& path, uint32_t group);
  size_t folder_count() const { return folders_.size(); }
  const std::filesystem::path& path(size_t folder) const { return folders_[folder].path; }
  uint32_t group(size_t folder) const { return folders_[folder].group; }

  // Lists again each folder that changed (or has never been listed) and reports the files that
  // appeared, changed (type, size, modification time or inode) or went away, per folder the
  // removals first, each kind in name order.
  // Sub-folders are listed but never reported.
  void Rescan(const Handler& handler);

  // The open folder while a rescan reports its changes (-1 otherwise), for reading the files
  // relative to it.
  int folder_fd(size_t folder) const { return folders_[folder].fd; }

  // The size a regular file had in the latest listing.
  std::optional<uint64_t> ListedSize(size_t folder, const std::string& name) const;

  // During a rescan's handler call for a file of a folder's first listing: the file's first
  // bytes (up to 64), read with the same open as its size, so indexing a folder costs each file
  // one lookup. Empty otherwise.
  std::span<const uint8_t> ListedHead(size_t folder, const std::string& name) const;

  // The tag id remembered for a file, set when it was indexed.
  void SetTagId(size_t folder, const std::string& name, uint32_t tag_id);
  bool TagId(size_t folder, const std::string& name, uint32_t& tag_id) const;

  // How many folder listings rescans have made so far.
  uint64_t listings() const { return listings_; }

 private:
  struct FileState {
    std::string name;
    bool is_folder = false;
    uint64_t size = 0;
    int64_t mtime_ns = 0;
    uint32_t mode = 0;
    uint64_t inode = 0;  // a file replaced by a rename is another file, however alike
    bool has_tag_id = false;
    uint32_t tag_id = 0;
    // The file's first bytes, read while a folder is listed for the first time and kept only
    // until the handler has seen the file.
    std::unique_ptr<std::vector<uint8_t>> head;
  };
  struct Folder {
    std::filesystem::path path;
    uint32_t group = 0;
    int wd = -1;
    int fd = -1;
    bool listed = false;
    bool signalled = false;
    std::vector<FileState> files;  // sorted by name
  };

  void DrainNotifications();
  bool List(Folder& folder, std::vector<FileState>& out);
  FileState* Find(size_t folder, const std::string& name);

  std::vector<Folder> folders_;
  int inotify_fd_ = -1;
  uint64_t listings_ = 0;
};
