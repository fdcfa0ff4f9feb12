#include "tags/TagStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

TagStream::~TagStream() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<TagStream> TagStream::Open(const std::filesystem::path& path, uint64_t offset,
                                           uint64_t size, bool loose, std::string& error) {
  std::unique_ptr<TagStream> stream(new TagStream());
  stream->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (stream->fd_ < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(stream->fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "not a regular file";
    return nullptr;
  }
  if (offset > static_cast<uint64_t>(st.st_size) ||
      size > static_cast<uint64_t>(st.st_size) - offset) {
    error = "the file is shorter than the tag's data";
    return nullptr;
  }
  stream->offset_ = offset;
  stream->size_ = size;
  stream->loose_ = loose;
  return stream;
}

size_t TagStream::Read(void* out, size_t count) {
  count = static_cast<size_t>(std::min<uint64_t>(count, remaining()));
  size_t got = 0;
  auto* bytes = static_cast<uint8_t*>(out);
  while (got < count) {
    const ssize_t n =
        ::pread(fd_, bytes + got, count - got, static_cast<off_t>(offset_ + done_ + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  done_ += got;
  return got;
}

bool TagStream::ReadRest(std::vector<uint8_t>& out) {
  out.resize(static_cast<size_t>(remaining()));
  return Read(out.data(), out.size()) == out.size();
}
