#include "tags/ArchiveWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "tags/ArchiveFile.h"
#include "tags/TagCode.h"
#include "tags/TagFileSystem.h"

namespace {

constexpr uint32_t kMeshGroup = tagcode::Make("mesh");
constexpr std::string_view kStagingMark = ".saving-";
constexpr uint64_t kWritebackStep = 8 << 20;

std::string Describe(const ArchiveSource& s) {
  return "tag '" + s.header.Name() + "' (" + tagcode::Display(s.header.group) + " " +
         tagcode::Display(s.header.tag_id) + ")";
}

// What a process killed during an earlier write of this destination left: only names staged
// for this very file go, so writing an archive anywhere never touches other programs' files.
void RemoveStaleStaging(const std::filesystem::path& folder, const std::string& file_name) {
  const std::string prefix = ArchiveWriter::StagingName(file_name);
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(dir)) {
    if (std::string_view(e->d_name).starts_with(prefix)) stale.emplace_back(e->d_name);
  }
  ::closedir(dir);
  for (const std::string& name : stale) ::unlink((folder / name).c_str());
}

}  // namespace

std::string ArchiveWriter::StagingName(std::string_view file_name) {
  return "." + std::string(file_name) + std::string(kStagingMark);
}

bool ArchiveWriter::IsStagingName(std::string_view name) {
  return name.size() > 1 && name.front() == '.' && name.find(kStagingMark) != std::string::npos;
}

ArchiveWriter::~ArchiveWriter() {
  Discard();
}

void ArchiveWriter::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (named_) {
    std::string ignored;
    TagFileSystem::Current().Unlink(staging_, ignored);
    named_ = false;
  }
  staging_.clear();
}

bool ArchiveWriter::Write(const std::filesystem::path& destination,
                          std::vector<ArchiveSource> sources, uint16_t type, std::string_view name,
                          std::string_view url, uint16_t priority, std::string& error) {
  Discard();
  directory_.clear();
  file_size_ = 0;
  destination_ = destination;
  if (ArchiveFile::KindOfType(type) < 0) {
    error = "archive type " + std::to_string(type) + " cannot be written";
    return false;
  }
  if (sources.size() > kMaxTags) {
    error =
        "an archive holds at most 65535 tags; " + std::to_string(sources.size()) + " were given";
    return false;
  }
  std::stable_sort(sources.begin(), sources.end(),
                   [](const ArchiveSource& a, const ArchiveSource& b) {
                     if (a.header.group != b.header.group) return a.header.group < b.header.group;
                     const int c = std::strcmp(a.header.name.data(), b.header.name.data());
                     if (c != 0) return c < 0;
                     return a.header.tag_id < b.header.tag_id;
                   });
  // Every source is checked before anything is created, so a missing or shortened file fails
  // the build without touching the destination.
  uint64_t mesh_count = 0;
  uint64_t data_bytes = 0;
  for (const ArchiveSource& s : sources) {
    struct stat st {};
    if (::stat(s.file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      error = Describe(s) + ": cannot read '" + s.file.string() + "'";
      return false;
    }
    if (s.offset + s.header.data_size > static_cast<uint64_t>(st.st_size)) {
      error = Describe(s) + ": its data runs past the end of '" + s.file.string() + "'";
      return false;
    }
    if (s.header.group == kMeshGroup) ++mesh_count;
    data_bytes += s.header.data_size;
  }
  const uint64_t directory_start = ArchiveHeader::kSize + MeshRecord::kSize * mesh_count;
  const uint64_t data_start = directory_start + TagHeader::kSize * uint64_t{sources.size()};
  const uint64_t total = data_start + data_bytes;
  if (total > 0xFFFFFFFFu) {
    error = "the archive would be " + std::to_string(total) +
            " bytes; the format holds less than 4 GiB";
    return false;
  }

  // Header, mesh records and directory are all known before any data is copied.
  ByteWriter head;
  ArchiveHeader header;
  header.type = type;
  header.order = type == 1 ? 0xFFFF : priority;
  // strncpy stops at a NUL inside the text, like every reader of a fixed character field.
  std::strncpy(header.name.data(), std::string(name).c_str(), header.name.size() - 1);
  std::strncpy(header.url.data(), std::string(url).c_str(), header.url.size() - 1);
  header.mesh_count = static_cast<uint16_t>(mesh_count);
  header.tag_count = static_cast<uint16_t>(sources.size());
  header.file_size = static_cast<uint32_t>(total);
  header.directory_end = static_cast<uint32_t>(data_start);
  header.Write(head);
  for (const ArchiveSource& s : sources) {
    if (s.header.group != kMeshGroup) continue;
    MeshRecord record;
    record.tag_id = s.header.tag_id;
    record.name = s.header.name;
    record.name.back() = '\0';
    record.Write(head);
  }
  uint64_t position = data_start;
  for (const ArchiveSource& s : sources) {
    TagHeader h = s.header;
    h.data_offset = static_cast<uint32_t>(position);
    h.Write(head);
    directory_.push_back(h);
    position += h.data_size;
  }

  TagFileSystem& fs = TagFileSystem::Current();
  std::filesystem::path folder = destination.parent_path();
  if (folder.empty()) folder = ".";
  const std::string file_name = destination.filename().string();
  RemoveStaleStaging(folder, file_name);
  staging_ = folder / StagingName(file_name);
  bool unsupported = false;
  fd_ = fs.CreateUnnamed(folder, unsupported, error);
  if (fd_ < 0 && unsupported) {
    fd_ = ::open(staging_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) error = "cannot create '" + staging_.string() + "': " + std::strerror(errno);
    named_ = fd_ >= 0;
  }
  if (fd_ < 0) {
    directory_.clear();
    staging_.clear();
    return false;
  }
  bool ok = fs.Write(fd_, head.bytes().data(), head.size(), error);
  if (!ok) error = "cannot write the archive: " + error;
  uint64_t copied = head.size();
  uint64_t flushed = 0;
  for (size_t i = 0; ok && i < sources.size(); ++i) {
    const ArchiveSource& s = sources[i];
    const int in = ::open(s.file.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
      error = Describe(s) + ": cannot open '" + s.file.string() + "'";
      ok = false;
      break;
    }
    std::string why;
    if (!fs.CopyRange(in, s.offset, s.header.data_size, fd_, why)) {
      error = Describe(s) + " from '" + s.file.string() + "': " + why;
      ok = false;
    }
    ::close(in);
    // Writing back what is copied while the copy goes on leaves the final flush little to do.
    copied += s.header.data_size;
    if (copied - flushed >= kWritebackStep) {
      ::sync_file_range(fd_, static_cast<off_t>(flushed), static_cast<off_t>(copied - flushed),
                        SYNC_FILE_RANGE_WRITE);
      flushed = copied;
    }
  }
  // The umask is not asked: an add-on is for the game to read, whoever runs it.
  if (ok && ::fchmod(fd_, 0644) != 0) {
    error = std::string("cannot set the archive's permissions: ") + std::strerror(errno);
    ok = false;
  }
  if (ok && !fs.Sync(fd_, error)) {
    error = "cannot write the archive: " + error;
    ok = false;
  }
  if (!ok) {
    Discard();
    directory_.clear();
    return false;
  }
  file_size_ = total;
  return true;
}

bool ArchiveWriter::Commit(std::string& error) {
  if (fd_ < 0) {
    error = "nothing was written";
    return false;
  }
  TagFileSystem& fs = TagFileSystem::Current();
  if (!named_) {
    if (!fs.LinkUnnamed(fd_, staging_, error)) {
      Discard();
      return false;
    }
    named_ = true;
  }
  ::close(fd_);
  fd_ = -1;
  if (!fs.RenameOver(staging_, destination_, error)) {
    Discard();
    return false;
  }
  named_ = false;
  staging_.clear();
  // The rename is what makes the new archive the one a restart finds; a failure to flush the
  // folder leaves it in place all the same, so it only goes to the log.
  std::string why;
  if (!fs.SyncFolder(destination_.parent_path().empty() ? "." : destination_.parent_path(), why)) {
    LogMessage(1, "Codex", "%s\n", why.c_str());
  }
  return true;
}
