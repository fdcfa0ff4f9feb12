#include "tags/ArchiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/MessageLog.h"

namespace {

std::string FixedText(const char* chars, size_t size) {
  return std::string(chars, strnlen(chars, size));
}

struct LegacyHeader {
  uint16_t first = 0;
  uint16_t second = 0;
  std::array<char, 32> name{};
  uint32_t directory_offset = 0;
  uint16_t tag_count = 0;
};

bool ReadLegacy(std::span<const uint8_t> bytes, LegacyHeader& out) {
  ByteReader r(bytes);
  uint32_t unused32 = 0;
  uint16_t unused16 = 0;
  (void)r.ReadU16Be(out.first);
  (void)r.ReadU16Be(out.second);
  (void)r.ReadFixedChars(out.name);
  (void)r.ReadU32Be(unused32);
  (void)r.ReadU32Be(out.directory_offset);
  (void)r.ReadU16Be(out.tag_count);
  (void)r.ReadU16Be(unused16);
  return !r.failed();
}

bool IsLegacyArchive(const LegacyHeader& h, uint64_t file_length) {
  return h.first == 1 && h.second == 1 && h.directory_offset <= file_length &&
         file_length - h.directory_offset == 64ull * h.tag_count;
}

bool ReadCurrent(std::span<const uint8_t> bytes, ArchiveHeader& out) {
  ByteReader r(bytes);
  uint32_t reserved = 0;
  (void)r.ReadU16Be(out.type);
  (void)r.ReadU16Be(out.order);
  (void)r.ReadFixedChars(out.name);
  (void)r.ReadFixedChars(out.url);
  (void)r.ReadU16Be(out.mesh_count);
  (void)r.ReadU16Be(out.tag_count);
  (void)r.ReadU32Be(reserved);
  (void)r.ReadU32Be(reserved);
  (void)r.ReadU32Be(out.file_size);
  (void)r.ReadU32Be(reserved);
  (void)r.ReadU32Be(out.directory_end);
  (void)r.ReadU32Be(out.signature);
  return !r.failed();
}

bool IsCurrentArchive(const ArchiveHeader& h, uint64_t file_length) {
  return h.signature == ArchiveHeader::kSignature && h.file_size == file_length;
}

}  // namespace

std::string ArchiveHeader::Name() const {
  return FixedText(name.data(), name.size());
}
std::string ArchiveHeader::Url() const {
  return FixedText(url.data(), url.size());
}

void ArchiveHeader::Write(ByteWriter& w) const {
  w.WriteU16Be(type);
  w.WriteU16Be(order);
  w.WriteFixedChars(Name(), name.size());
  w.WriteFixedChars(Url(), url.size());
  w.WriteU16Be(mesh_count);
  w.WriteU16Be(tag_count);
  w.WriteU32Be(0);
  w.WriteU32Be(0);
  w.WriteU32Be(file_size);
  w.WriteU32Be(0);
  w.WriteU32Be(directory_end);
  w.WriteU32Be(kSignature);
}

void MeshRecord::Write(ByteWriter& w) const {
  const std::string text = FixedText(name.data(), name.size());
  w.WriteU32Be(tag_id);
  w.WriteZeros(12);
  w.WriteFixedChars(text, 32);
  w.WriteFixedChars(text, 64);
}

int ArchiveFile::KindOfType(uint16_t type) {
  switch (type) {
    case 3:
      return 0;
    case 2:
      return 1;
    case 1:
    case 5:
    case 6:
      return 2;
    default:
      return -1;
  }
}

bool ArchiveFile::ParseHeader(std::span<const uint8_t> first, uint64_t file_length,
                              ArchiveContents& out, std::string& error) {
  ArchiveContents contents;
  ArchiveHeader& h = contents.header;
  LegacyHeader legacy;
  if (first.size() >= ArchiveHeader::kSize && ReadCurrent(first, h) &&
      IsCurrentArchive(h, file_length)) {
    contents.directory_offset = ArchiveHeader::kSize + uint64_t{MeshRecord::kSize} * h.mesh_count;
  } else if (ReadLegacy(first, legacy) && IsLegacyArchive(legacy, file_length)) {
    h = ArchiveHeader();
    h.type = 1;
    h.order = 0;
    h.name = legacy.name;
    h.tag_count = legacy.tag_count;
    h.file_size = static_cast<uint32_t>(std::min<uint64_t>(file_length, 0xFFFFFFFFu));
    h.signature = ArchiveHeader::kLegacySignature;
    contents.directory_offset = legacy.directory_offset;
  } else {
    error = "not an archive (neither header layout matches the file)";
    return false;
  }
  if (KindOfType(h.type) < 0) {
    error = "archive type " + std::to_string(h.type) + " is not one that is loaded";
    return false;
  }
  const uint64_t directory_end =
      contents.directory_offset + uint64_t{TagHeader::kSize} * h.tag_count;
  if (directory_end > file_length) {
    error = "the directory runs past the end of the file";
    return false;
  }
  out = std::move(contents);
  return true;
}

bool ArchiveFile::ParseTables(std::span<const uint8_t> meshes, std::span<const uint8_t> directory,
                              uint64_t file_length, const std::string& label, ArchiveContents& out,
                              std::string& error) {
  const ArchiveHeader& h = out.header;
  const size_t mesh_count = h.IsLegacy() ? 0 : h.mesh_count;
  if (meshes.size() != mesh_count * MeshRecord::kSize ||
      directory.size() != size_t{h.tag_count} * TagHeader::kSize) {
    error = "short read of the mesh records or the directory";
    return false;
  }
  ByteReader m(meshes);
  out.meshes.assign(mesh_count, MeshRecord());
  for (MeshRecord& record : out.meshes) {
    (void)m.ReadU32Be(record.tag_id);
    (void)m.Skip(12);
    (void)m.ReadFixedChars(record.name);
    (void)m.Skip(64);
  }
  ByteReader r(directory);
  out.tags.clear();
  out.tags.reserve(h.tag_count);
  out.refused = 0;
  for (uint32_t i = 0; i < h.tag_count; ++i) {
    TagHeader tag;
    std::string why;
    const size_t at = r.position();
    if (!TagHeader::Read(r, tag, why)) {
      (void)r.Seek(at + TagHeader::kSize);
      LogMessage(0, "Codex", "archive '%s': directory entry %u refused: %s\n", label.c_str(), i,
                 why.c_str());
      ++out.refused;
      continue;
    }
    if (uint64_t{tag.data_offset} + tag.data_size > file_length) {
      LogMessage(0, "Codex",
                 "archive '%s': directory entry %u refused: its %u data bytes at offset %u lie "
                 "past the end of the file (%llu bytes)\n",
                 label.c_str(), i, tag.data_size, tag.data_offset,
                 static_cast<unsigned long long>(file_length));
      ++out.refused;
      continue;
    }
    out.tags.push_back(tag);
  }
  return true;
}

bool ArchiveFile::Parse(std::span<const uint8_t> file, const std::string& label,
                        ArchiveContents& out, std::string& error) {
  ArchiveContents contents;
  if (!ParseHeader(file.first(std::min<size_t>(file.size(), ArchiveHeader::kSize)), file.size(),
                   contents, error)) {
    return false;
  }
  const size_t mesh_bytes =
      contents.header.IsLegacy() ? 0 : size_t{contents.header.mesh_count} * MeshRecord::kSize;
  const size_t directory_bytes = size_t{contents.header.tag_count} * TagHeader::kSize;
  // ParseHeader has checked that the directory lies within the file, and in the current layout
  // the mesh records lie between the 128-byte header and the directory.
  const std::span<const uint8_t> meshes =
      mesh_bytes ? file.subspan(ArchiveHeader::kSize, mesh_bytes) : std::span<const uint8_t>();
  if (!ParseTables(meshes,
                   file.subspan(static_cast<size_t>(contents.directory_offset), directory_bytes),
                   file.size(), label, contents, error)) {
    return false;
  }
  out = std::move(contents);
  return true;
}

bool ArchiveFile::Load(const std::filesystem::path& path, ArchiveContents& out,
                       std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  auto read_at = [fd](uint64_t offset, std::vector<uint8_t>& bytes, size_t count) {
    bytes.resize(count);
    size_t done = 0;
    while (done < count) {
      const ssize_t n =
          ::pread(fd, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  };
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) error = "not a regular file";
  const uint64_t length = ok ? static_cast<uint64_t>(st.st_size) : 0;
  std::vector<uint8_t> head, meshes, directory;
  ArchiveContents contents;
  if (ok &&
      !read_at(0, head, static_cast<size_t>(std::min<uint64_t>(length, ArchiveHeader::kSize)))) {
    error = "cannot read the header";
    ok = false;
  }
  ok = ok && ParseHeader(head, length, contents, error);
  if (ok) {
    const size_t mesh_bytes =
        contents.header.IsLegacy() ? 0 : size_t{contents.header.mesh_count} * MeshRecord::kSize;
    if (!read_at(ArchiveHeader::kSize, meshes, mesh_bytes) ||
        !read_at(contents.directory_offset, directory,
                 size_t{contents.header.tag_count} * TagHeader::kSize)) {
      error = "cannot read the directory";
      ok = false;
    }
  }
  ::close(fd);
  ok = ok && ParseTables(meshes, directory, length, path.filename().string(), contents, error);
  if (ok) out = std::move(contents);
  return ok;
}
