#include "tags/TagFileSystem.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

TagFileSystem*& Installed() {
  static TagFileSystem* installed = nullptr;
  return installed;
}

std::string Why(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

TagFileSystem& TagFileSystem::Current() {
  static TagFileSystem real;
  return Installed() ? *Installed() : real;
}

void TagFileSystem::Install(TagFileSystem* fs) {
  Installed() = fs;
}

int TagFileSystem::CreateTemp(const std::filesystem::path& folder, const std::string& stem,
                              std::filesystem::path& temp, std::string& error) {
  std::string pattern = (folder / ("." + stem + ".saving-XXXXXX")).string();
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    error = Why("cannot create a temporary file");
    return -1;
  }
  // mkstemp makes the file private; a tag file gets the permissions of any new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd, 0666 & ~mask) != 0) {
    error = Why("cannot set the temporary file's permissions");
    ::close(fd);
    ::unlink(pattern.c_str());
    return -1;
  }
  temp = pattern;
  return fd;
}

bool TagFileSystem::Write(int fd, const void* data, size_t size, std::string& error) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? Why("write failed") : "write failed: no room";
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool TagFileSystem::CopyRange(int from, uint64_t offset, uint64_t size, int to,
                              std::string& error) {
  loff_t in = static_cast<loff_t>(offset);
  uint64_t left = size;
  while (left > 0) {
    const ssize_t n = ::copy_file_range(from, &in, to, nullptr, left, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
      break;  // not between these files: copy through memory below
    }
    if (n < 0) {
      error = Why("copy failed");
      return false;
    }
    if (n == 0) {
      error = "copy failed: the source is shorter than the tag's data";
      return false;
    }
    left -= static_cast<uint64_t>(n);
  }
  std::vector<uint8_t> buffer(left > 0 ? std::min<uint64_t>(left, 1 << 20) : 0);
  while (left > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
    const ssize_t n = ::pread(from, buffer.data(), want, in);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? Why("read failed") : "read failed: the source is shorter than the tag's data";
      return false;
    }
    if (!Write(to, buffer.data(), static_cast<size_t>(n), error)) return false;
    in += n;
    left -= static_cast<uint64_t>(n);
  }
  return true;
}

bool TagFileSystem::WriteAt(int fd, uint64_t offset, const void* data, size_t size,
                            std::string& error) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? Why("write failed") : "write failed: no room";
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool TagFileSystem::Sync(int fd, std::string& error) {
  if (::fsync(fd) == 0) return true;
  error = Why("flushing to disk failed");
  return false;
}

bool TagFileSystem::RenameNoReplace(const std::filesystem::path& from,
                                    const std::filesystem::path& to, std::string& error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    error = Why(("cannot rename to '" + to.filename().string() + "'").c_str());
    return false;
  }
  // A file system without the flag: a hard link also refuses to replace anything.
  if (::link(from.c_str(), to.c_str()) != 0) {
    error = Why(("cannot rename to '" + to.filename().string() + "'").c_str());
    return false;
  }
  ::unlink(from.c_str());
  return true;
}

bool TagFileSystem::RenameOver(const std::filesystem::path& from, const std::filesystem::path& to,
                               std::string& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = Why(("cannot replace '" + to.filename().string() + "'").c_str());
  return false;
}

bool TagFileSystem::Unlink(const std::filesystem::path& path, std::string& error) {
  if (::unlink(path.c_str()) == 0) return true;
  error = Why(("cannot remove '" + path.filename().string() + "'").c_str());
  return false;
}

int TagFileSystem::CreateUnnamed(const std::filesystem::path& folder, bool& unsupported,
                                 std::string& error) {
  unsupported = false;
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
  if (fd >= 0) return fd;
  // Kernels and file systems without unnamed files answer with one of these.
  unsupported = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOSYS;
  error = Why(("cannot create a file in '" + folder.string() + "'").c_str());
  return -1;
}

bool TagFileSystem::LinkUnnamed(int fd, const std::filesystem::path& path, std::string& error) {
  // linkat with AT_EMPTY_PATH needs a capability; the descriptor's /proc entry does not.
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return true;
  }
  error = Why(("cannot name '" + path.filename().string() + "'").c_str());
  return false;
}

bool TagFileSystem::SyncFolder(const std::filesystem::path& folder, std::string& error) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error = Why(("cannot open '" + folder.string() + "'").c_str());
    return false;
  }
  const bool ok = ::fsync(fd) == 0;
  if (!ok) error = Why(("flushing '" + folder.string() + "' to disk failed").c_str());
  ::close(fd);
  return ok;
}
