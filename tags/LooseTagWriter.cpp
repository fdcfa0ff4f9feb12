#include "tags/LooseTagWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "base/ByteReader.h"
#include "tags/LocalFolder.h"
#include "tags/TagName.h"

namespace {

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

LooseTagWriter::~LooseTagWriter() {
  Discard();
}

void LooseTagWriter::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
    temp_.clear();
  }
}

bool LooseTagWriter::Begin(const std::filesystem::path& local_folder, const TagHeader& caller,
                           uint32_t group, uint32_t tag_id, std::string_view file_name,
                           std::string& error) {
  Discard();
  buffer_ = ByteWriter();
  header_ = TagHeader();
  header_.identifier = 0xFFFF;
  header_.type = 0;
  header_.flags = caller.flags;
  header_.name = caller.name;
  header_.name.back() = '\0';
  header_.group = group;
  header_.tag_id = tag_id;
  header_.data_offset = TagHeader::kSize;
  header_.data_size = 0;
  header_.user_data = caller.user_data;
  header_.version = caller.version;
  header_.foundation_index = 0xFF;
  header_.owner_index = 0xFF;
  header_.signature = TagHeader::kCurrentSignature;

  const std::string name =
      file_name.empty() ? tagname::Sanitise(header_.Name()) : std::string(file_name);
  if (!LocalFolder::IsPlainFileName(name)) {
    error = "couldn't open tag file '" + name + "' for writing: not a plain file name";
    return false;
  }
  const std::filesystem::path folder = LocalFolder::GroupFolderPath(local_folder, group);
  target_ = folder / name;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = "couldn't open tag file '" + name + "' for writing: " + ec.message();
    return false;
  }
  std::string pattern = (folder / ("." + name + ".saving-XXXXXX")).string();
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) {
    error = "couldn't open tag file '" + name + "' for writing: " + std::strerror(errno);
    return false;
  }
  temp_ = pattern;
  // mkstemp makes the file private; a tag file should get the permissions of any new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd_, 0666 & ~mask) != 0) {
    error = "couldn't open tag file '" + name + "' for writing: " + std::strerror(errno);
    Discard();
    return false;
  }
  header_.Write(buffer_);
  return true;
}

bool LooseTagWriter::End(const TagHeader& caller, bool data_ok, std::string& error) {
  if (fd_ < 0) {
    error = "no save in progress";
    return false;
  }
  const std::string name = target_.filename().string();
  if (!data_ok) {
    Discard();
    error = "the data of '" + name + "' could not be written";
    return false;
  }
  const uint64_t data_size = buffer_.size() - TagHeader::kSize;
  if (data_size > 0xFFFFFFFFu) {
    Discard();
    error = "the data of '" + name + "' is too large for a tag";
    return false;
  }
  TagHeader h;
  ByteReader reader(buffer_.bytes());
  if (!TagHeader::Read(reader, h, error)) {
    Discard();
    return false;
  }
  if (h.Name() == tagname::kPlaceholder) h.SetName(name);
  h.data_size = static_cast<uint32_t>(data_size);
  h.user_data = caller.user_data;
  h.version = caller.version;
  // A duplicate keeps its source's index bytes; a caller that wants none passes 0xFF.
  h.foundation_index = caller.foundation_index;
  h.owner_index = caller.owner_index;
  ByteWriter fixed;
  h.Write(fixed);
  if (!buffer_.PatchBytes(0, fixed.bytes())) {
    Discard();
    error = "couldn't fix up the header of '" + name + "'";
    return false;
  }
  const bool written = WriteAll(fd_, buffer_.bytes()) && ::fsync(fd_) == 0;
  const int close_result = ::close(fd_);
  fd_ = -1;
  if (!written || close_result != 0) {
    error = "couldn't write tag file '" + name + "': " + std::strerror(errno);
    Discard();
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp_, target_, ec);
  if (ec) {
    error = "couldn't replace tag file '" + name + "': " + ec.message();
    Discard();
    return false;
  }
  temp_.clear();
  header_ = h;
  return true;
}
