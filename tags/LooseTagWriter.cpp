#include "tags/LooseTagWriter.h"

#include <unistd.h>

#include <system_error>
#include <vector>

#include "base/ByteReader.h"
#include "tags/LocalFolder.h"
#include "tags/LooseTagFile.h"
#include "tags/TagFileSystem.h"
#include "tags/TagName.h"

LooseTagWriter::~LooseTagWriter() {
  Discard();
}

void LooseTagWriter::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    std::string ignored;
    TagFileSystem::Current().Unlink(temp_, ignored);
    temp_.clear();
  }
}

bool LooseTagWriter::Begin(const std::filesystem::path& local_folder, const TagHeader& caller,
                           uint32_t group, uint32_t tag_id, std::string_view file_name,
                           std::string& error, Replace replace, uint32_t replaced_tag_id) {
  Discard();
  buffer_ = ByteWriter();
  flushed_ = 0;
  replace_ = replace;
  replaced_tag_id_ = replaced_tag_id == 0xFFFFFFFFu ? tag_id : replaced_tag_id;
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
  std::string why;
  fd_ = TagFileSystem::Current().CreateTemp(folder, name, temp_, why);
  if (fd_ < 0) {
    error = "couldn't open tag file '" + name + "' for writing: " + why;
    return false;
  }
  header_.Write(buffer_);
  return true;
}

bool LooseTagWriter::Flush(std::string& error) {
  if (buffer_.size() == 0) return true;
  if (!TagFileSystem::Current().Write(fd_, buffer_.bytes().data(), buffer_.size(), error)) {
    return false;
  }
  flushed_ += buffer_.size();
  buffer_ = ByteWriter();
  return true;
}

bool LooseTagWriter::AppendFrom(int fd, uint64_t offset, uint64_t size, std::string& error) {
  if (fd_ < 0) {
    error = "no save in progress";
    return false;
  }
  if (!Flush(error) || !TagFileSystem::Current().CopyRange(fd, offset, size, fd_, error)) {
    Discard();
    return false;
  }
  flushed_ += size;
  return true;
}

bool LooseTagWriter::MayReplaceTarget(bool& exists, std::string& error) const {
  std::error_code ec;
  exists = std::filesystem::exists(std::filesystem::symlink_status(target_, ec));
  if (replace_ == Replace::kAny || !exists) return true;
  const std::string name = target_.filename().string();
  if (replace_ == Replace::kNone) {
    error = "'" + name + "' is another file";
    return false;
  }
  TagHeader there;
  std::string why;
  if (!LooseTagFile::ReadHeader(target_, header_.group, there, why) ||
      there.tag_id != replaced_tag_id_) {
    error = "'" + name + "' no longer holds this tag";
    return false;
  }
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
  const uint64_t data_size = flushed_ + buffer_.size() - TagHeader::kSize;
  if (data_size > 0xFFFFFFFFu) {
    Discard();
    error = "the data of '" + name + "' is too large for a tag";
    return false;
  }
  // The header as written so far: in the buffer still, or as Begin made it once flushed.
  TagHeader h = header_;
  if (flushed_ == 0) {
    ByteReader reader(buffer_.bytes());
    if (!TagHeader::Read(reader, h, error)) {
      Discard();
      return false;
    }
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
  TagFileSystem& fs = TagFileSystem::Current();
  bool written;
  if (flushed_ == 0) {
    written = buffer_.PatchBytes(0, fixed.bytes()) && Flush(error);
  } else {
    written = Flush(error) && fs.WriteAt(fd_, 0, fixed.bytes().data(), fixed.size(), error);
  }
  written = written && fs.Sync(fd_, error);
  const int close_result = ::close(fd_);
  fd_ = -1;
  if (!written || close_result != 0) {
    error = "couldn't write tag file '" + name + "': " + (written ? "close failed" : error);
    Discard();
    return false;
  }
  std::string why;
  bool exists = false;
  if (!MayReplaceTarget(exists, why)) {
    error = "couldn't save tag file '" + name + "': " + why;
    Discard();
    return false;
  }
  // Where nothing is to be replaced, a file that turned up since the check still is not.
  const bool renamed = replace_ == Replace::kAny || (exists && replace_ == Replace::kSameTag)
                           ? fs.RenameOver(temp_, target_, why)
                           : fs.RenameNoReplace(temp_, target_, why);
  if (!renamed) {
    error = "couldn't replace tag file '" + name + "': " + why;
    Discard();
    return false;
  }
  temp_.clear();
  header_ = h;
  return true;
}
