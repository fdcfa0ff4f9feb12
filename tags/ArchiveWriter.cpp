#include "tags/ArchiveWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "base/ByteWriter.h"
#include "tags/ArchiveFile.h"
#include "tags/TagCode.h"

namespace {

constexpr uint32_t kMeshGroup = tagcode::Make("mesh");
constexpr size_t kCopyBlock = 256 * 1024;

bool WriteAll(int fd, const uint8_t* bytes, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) ::close(fd);
  }
};

std::string Describe(const ArchiveSource& s) {
  return "tag '" + s.header.Name() + "' (" + tagcode::Display(s.header.group) + " " +
         tagcode::Display(s.header.tag_id) + ")";
}

}  // namespace

ArchiveWriter::~ArchiveWriter() {
  Discard();
}

void ArchiveWriter::Discard() {
  if (!temp_.empty()) {
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
    temp_.clear();
  }
}

bool ArchiveWriter::Write(const std::filesystem::path& destination,
                          std::vector<ArchiveSource> sources, uint16_t type, std::string_view name,
                          std::string_view url, uint16_t priority, std::string& error) {
  Discard();
  directory_.clear();
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

  std::filesystem::path temp = destination;
  temp += ".XXXXXX";
  std::string pattern = temp.string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    error = "cannot create a file in '" + destination.parent_path().string() +
            "': " + std::strerror(errno);
    directory_.clear();
    return false;
  }
  FileCloser out{fd};
  temp_ = pattern;
  bool ok = WriteAll(fd, head.bytes().data(), head.size());
  std::unique_ptr<uint8_t[]> block(new uint8_t[kCopyBlock]);
  for (size_t i = 0; ok && i < sources.size(); ++i) {
    const ArchiveSource& s = sources[i];
    FileCloser in{::open(s.file.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0) {
      error = Describe(s) + ": cannot open '" + s.file.string() + "'";
      ok = false;
      break;
    }
    uint64_t left = s.header.data_size;
    uint64_t from = s.offset;
    while (ok && left > 0) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(left, kCopyBlock));
      const ssize_t n = ::pread(in.fd, block.get(), want, static_cast<off_t>(from));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = Describe(s) + ": short read from '" + s.file.string() + "'";
        ok = false;
        break;
      }
      if (!WriteAll(fd, block.get(), static_cast<size_t>(n))) {
        error = std::string("cannot write the archive: ") + std::strerror(errno);
        ok = false;
        break;
      }
      left -= static_cast<uint64_t>(n);
      from += static_cast<uint64_t>(n);
    }
  }
  if (ok && (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0)) {
    error = std::string("cannot write the archive: ") + std::strerror(errno);
    ok = false;
  }
  if (!ok) {
    Discard();
    directory_.clear();
  }
  return ok;
}

bool ArchiveWriter::Commit(std::string& error) {
  if (temp_.empty()) {
    error = "nothing was written";
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp_, destination_, ec);
  if (ec) {
    error = "cannot replace '" + destination_.string() + "': " + ec.message();
    Discard();
    return false;
  }
  temp_.clear();
  return true;
}
