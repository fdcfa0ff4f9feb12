#include "tags/LooseTagFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/SafeFile.h"
#include "tags/TagGroupTable.h"
#include "tags/TagName.h"

bool LooseTagFile::CheckHeader(std::span<const uint8_t> first, uint64_t length,
                               std::string_view file_name, std::optional<uint32_t> expected_group,
                               TagHeader& out, uint32_t& claimed_data_size, std::string& error) {
  if (length < TagHeader::kSize || first.size() < TagHeader::kSize) {
    error = "file is " + std::to_string(length) + " bytes, shorter than the 64-byte tag header";
    return false;
  }
  if (length - TagHeader::kSize > kMaxDataSize) {
    error = "file of " + std::to_string(length) + " bytes is too large for a tag";
    return false;
  }
  ByteReader reader(first.first(TagHeader::kSize));
  TagHeader h;
  if (!TagHeader::Read(reader, h, error)) return false;
  // The data offset is not consulted: a loose file's data always starts behind the header, and
  // headers copied out of archives keep their archive offset.
  if (h.Name() == tagname::kPlaceholder) h.SetName(file_name);
  claimed_data_size = h.data_size;
  // The file length is the authority in a loose file, whatever the header claims.
  h.data_size = static_cast<uint32_t>(length - TagHeader::kSize);
  if (expected_group && h.group != *expected_group) {
    if (!TagGroupTable::Find(h.group)) {
      error = "group " + TagGroupTable::PluralName(h.group) + " is not a known tag group";
    } else {
      error = "'" + std::string(file_name) + "', a '" + TagGroupTable::PluralName(h.group) +
              "' file, was found in the '" + TagGroupTable::PluralName(*expected_group) +
              "' folder.";
    }
    return false;
  }
  out = h;
  return true;
}

bool LooseTagFile::Parse(std::span<const uint8_t> bytes, std::string_view file_name,
                         std::optional<uint32_t> expected_group, LooseTag& out,
                         std::string& error) {
  LooseTag tag;
  if (!CheckHeader(bytes, bytes.size(), file_name, expected_group, tag.header,
                   tag.claimed_data_size, error)) {
    return false;
  }
  tag.data.assign(bytes.begin() + TagHeader::kSize, bytes.end());
  out = std::move(tag);
  return true;
}

bool LooseTagFile::ReadHeader(const std::filesystem::path& path,
                              std::optional<uint32_t> expected_group, TagHeader& out,
                              std::string& error) {
  return ReadHeaderAt(AT_FDCWD, path.c_str(), path.filename().string(), expected_group, out, error);
}

bool LooseTagFile::ReadHeaderAt(int folder_fd, const char* path, std::string_view file_name,
                                std::optional<uint32_t> expected_group, TagHeader& out,
                                std::string& error, std::optional<uint64_t> known_length) {
  // Non-blocking, so a FIFO dropped into a folder cannot hang the open.
  const int fd = ::openat(folder_fd, path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat st {};
  uint8_t first[TagHeader::kSize];
  ssize_t got = -1;
  bool regular = true;
  if (known_length) {
    st.st_size = static_cast<off_t>(*known_length);
  } else {
    regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  }
  if (regular) {
    do {
      got = ::pread(fd, first, sizeof first, 0);
    } while (got < 0 && errno == EINTR);
  }
  ::close(fd);
  if (!regular) {
    error = "not a regular file";
    return false;
  }
  uint32_t claimed = 0;
  const size_t have = got > 0 ? static_cast<size_t>(got) : 0;
  return CheckHeader(std::span<const uint8_t>(first, have), static_cast<uint64_t>(st.st_size),
                     file_name, expected_group, out, claimed, error);
}

bool LooseTagFile::Read(const std::filesystem::path& path, std::optional<uint32_t> expected_group,
                        LooseTag& out, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = ec ? ec.message() : "not a regular file";
    return false;
  }
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  // Checked before allocating anything for the contents.
  if (size > kMaxDataSize + TagHeader::kSize) {
    error = "file of " + std::to_string(size) + " bytes is too large for a tag";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open the file for reading";
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<uintmax_t>(in.gcount()) != size) {
    error = "read only " + std::to_string(in.gcount()) + " of " + std::to_string(size) + " bytes";
    return false;
  }
  return Parse(bytes, path.filename().string(), expected_group, out, error);
}

bool LooseTagFile::Write(const std::filesystem::path& path, TagHeader header,
                         std::span<const uint8_t> data, std::string& error) {
  if (data.size() > kMaxDataSize) {
    error = "the data of " + std::to_string(data.size()) + " bytes is too large for a tag";
    return false;
  }
  header.data_offset = TagHeader::kSize;
  header.data_size = static_cast<uint32_t>(data.size());
  ByteWriter file;
  header.Write(file);
  file.WriteBytes(data);
  return SafeFile::ReplaceWithBytes(path, file.Take(), error);
}
