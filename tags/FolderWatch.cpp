#include "tags/FolderWatch.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kHeadSize = 64;

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR;

// Files other programs drop into folders, and our own saves in progress.
bool IsIgnored(const char* name) {
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return true;
  if (strcasecmp(name, "desktop.ini") == 0 || strcasecmp(name, "thumbs.db") == 0 ||
      strcasecmp(name, ".ds_store") == 0) {
    return true;
  }
  return name[0] == '.' && std::strstr(name, ".saving-") != nullptr;
}

}  // namespace

FolderWatch::FolderWatch() {
  inotify_fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

FolderWatch::~FolderWatch() {
  if (inotify_fd_ >= 0) ::close(inotify_fd_);
}

void FolderWatch::Clear() {
  for (Folder& f : folders_) {
    if (f.wd >= 0 && inotify_fd_ >= 0) ::inotify_rm_watch(inotify_fd_, f.wd);
  }
  folders_.clear();
  // Events of removed watches may still be queued; they name descriptors no folder holds now.
  DrainNotifications();
}

size_t FolderWatch::AddFolder(const std::filesystem::path& path, uint32_t group) {
  Folder folder;
  folder.path = path;
  folder.group = group;
  folders_.push_back(std::move(folder));
  return folders_.size() - 1;
}

void FolderWatch::DrainNotifications() {
  if (inotify_fd_ < 0) {
    // Without inotify every folder is listed on every rescan.
    for (Folder& f : folders_) f.signalled = true;
    return;
  }
  alignas(struct inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(inotify_fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        for (Folder& f : folders_) f.signalled = true;
        continue;
      }
      for (Folder& f : folders_) {
        if (f.wd != event->wd) continue;
        f.signalled = true;
        // The folder itself went away: its watch is gone, and the next rescan looks for it.
        if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
          if (!(event->mask & IN_IGNORED)) ::inotify_rm_watch(inotify_fd_, f.wd);
          f.wd = -1;
        }
      }
    }
  }
}

bool FolderWatch::List(Folder& folder, std::vector<FileState>& out) {
  ++listings_;
  out.clear();
  folder.fd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder.fd < 0) return false;
  // The listing gets its own descriptor; the folder's stays open for the handler.
  const int listing_fd = ::dup(folder.fd);
  DIR* dir = listing_fd >= 0 ? ::fdopendir(listing_fd) : nullptr;
  if (!dir) {
    if (listing_fd >= 0) ::close(listing_fd);
    ::close(folder.fd);
    folder.fd = -1;
    return false;
  }
  const int dfd = ::dirfd(dir);
  const bool first = !folder.listed;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsIgnored(entry->d_name)) continue;
    struct stat st {};
    std::unique_ptr<std::vector<uint8_t>> head;
    // A folder's first listing is followed by reading every file's header: one open serves
    // both, where a stat and an open would look the name up twice. Non-blocking, so a FIFO
    // cannot hang the listing.
    const bool maybe_file = entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN;
    const int fd = first && maybe_file
                       ? ::openat(dfd, entry->d_name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)
                       : -1;
    if (fd >= 0) {
      const bool ok = ::fstat(fd, &st) == 0;
      if (ok && S_ISREG(st.st_mode)) {
        head = std::make_unique<std::vector<uint8_t>>(kHeadSize);
        ssize_t got;
        do {
          got = ::pread(fd, head->data(), kHeadSize, 0);
        } while (got < 0 && errno == EINTR);
        head->resize(got > 0 ? static_cast<size_t>(got) : 0);
      }
      ::close(fd);
      if (!ok) continue;
    } else if (::fstatat(dfd, entry->d_name, &st, 0) != 0) {
      continue;  // gone since readdir
    }
    FileState file;
    file.head = std::move(head);
    file.name = entry->d_name;
    file.is_folder = S_ISDIR(st.st_mode);
    file.size = static_cast<uint64_t>(st.st_size);
    file.mtime_ns = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    file.mode = st.st_mode;
    file.inode = static_cast<uint64_t>(st.st_ino);
    out.push_back(std::move(file));
  }
  ::closedir(dir);
  std::sort(out.begin(), out.end(),
            [](const FileState& a, const FileState& b) { return a.name < b.name; });
  return true;
}

void FolderWatch::Rescan(const Handler& handler) {
  DrainNotifications();
  std::vector<FileState> fresh;
  for (size_t index = 0; index < folders_.size(); ++index) {
    Folder& f = folders_[index];
    struct stat st {};
    if (::stat(f.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      std::vector<FileState> gone;
      gone.swap(f.files);
      f.listed = false;
      f.signalled = false;
      if (f.wd >= 0 && inotify_fd_ >= 0) ::inotify_rm_watch(inotify_fd_, f.wd);
      f.wd = -1;
      for (const FileState& file : gone) {
        if (!file.is_folder) handler(index, Change::kRemoved, file.name);
      }
      continue;
    }
    if (f.wd < 0 && inotify_fd_ >= 0) {
      // Watching starts before listing, so nothing that happens in between is missed.
      f.wd = ::inotify_add_watch(inotify_fd_, f.path.c_str(), kWatchMask);
      if (f.wd < 0) f.signalled = true;
    }
    if (!f.signalled && f.listed) continue;
    f.signalled = f.wd < 0;  // unwatchable folders are listed every time
    if (!List(f, fresh)) continue;
    f.listed = true;
    // Merge the two sorted listings. The handler may look up tag ids of this folder, so the
    // old listing stays in place, updated file by file.
    std::vector<FileState> old;
    old.swap(f.files);
    f.files.reserve(fresh.size());
    size_t i = 0, j = 0;
    std::vector<std::pair<Change, std::string>> changes;
    while (i < old.size() || j < fresh.size()) {
      if (j == fresh.size() || (i < old.size() && old[i].name < fresh[j].name)) {
        if (!old[i].is_folder) changes.emplace_back(Change::kRemoved, old[i].name);
        // Kept until the handler has run, so it can still find the remembered tag id.
        f.files.push_back(std::move(old[i]));
        f.files.back().mode = UINT32_MAX;
        ++i;
      } else if (i == old.size() || fresh[j].name < old[i].name) {
        if (!fresh[j].is_folder) changes.emplace_back(Change::kAdded, fresh[j].name);
        f.files.push_back(std::move(fresh[j]));
        ++j;
      } else {
        FileState& now = fresh[j];
        const FileState& was = old[i];
        const bool modified = now.mode != was.mode || now.size != was.size ||
                              now.mtime_ns != was.mtime_ns || now.inode != was.inode;
        if (modified && !now.is_folder) changes.emplace_back(Change::kModified, now.name);
        now.has_tag_id = was.has_tag_id;
        now.tag_id = was.tag_id;
        f.files.push_back(std::move(now));
        ++i;
        ++j;
      }
    }
    std::sort(f.files.begin(), f.files.end(),
              [](const FileState& a, const FileState& b) { return a.name < b.name; });
    // Removals first: a file renamed to another name that sorts before it is one tag moving,
    // and the new name must not meet the old one still in the index.
    std::stable_sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) {
      return a.first == Change::kRemoved && b.first != Change::kRemoved;
    });
    for (const auto& [change, name] : changes) handler(index, change, name);
    for (FileState& file : f.files) file.head.reset();
    ::close(f.fd);
    f.fd = -1;
    // Removed files are forgotten once reported.
    std::erase_if(f.files, [](const FileState& s) { return s.mode == UINT32_MAX; });
  }
}

FolderWatch::FileState* FolderWatch::Find(size_t folder, const std::string& name) {
  if (folder >= folders_.size()) return nullptr;
  auto& files = folders_[folder].files;
  auto it = std::lower_bound(files.begin(), files.end(), name,
                             [](const FileState& s, const std::string& n) { return s.name < n; });
  return it != files.end() && it->name == name ? &*it : nullptr;
}

void FolderWatch::SetTagId(size_t folder, const std::string& name, uint32_t tag_id) {
  if (FileState* s = Find(folder, name)) {
    s->has_tag_id = true;
    s->tag_id = tag_id;
  }
}

bool FolderWatch::TagId(size_t folder, const std::string& name, uint32_t& tag_id) const {
  FileState* s = const_cast<FolderWatch*>(this)->Find(folder, name);
  if (!s || !s->has_tag_id) return false;
  tag_id = s->tag_id;
  return true;
}

std::optional<uint64_t> FolderWatch::ListedSize(size_t folder, const std::string& name) const {
  const FileState* s = const_cast<FolderWatch*>(this)->Find(folder, name);
  if (!s || !S_ISREG(s->mode)) return std::nullopt;
  return s->size;
}

std::span<const uint8_t> FolderWatch::ListedHead(size_t folder, const std::string& name) const {
  const FileState* s = const_cast<FolderWatch*>(this)->Find(folder, name);
  if (!s || !s->head) return {};
  return *s->head;
}
