// Fuzz target for the archive reader. Besides not crashing, an accepted archive must only hold
// directory entries whose data lies within the input, account for every directory entry, and
// have a header that writes back (current layout) to bytes that read again to the same header.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "fuzz/FuzzCheck.h"
#include "tags/ArchiveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Refused directory entries are logged; thousands of lines a second would drown the fuzzer.
  static const bool quiet = (SetMessageSink([](int, std::string_view, std::string_view) {}), true);
  (void)quiet;

  const std::span<const uint8_t> input(data, size);
  ArchiveContents contents;
  std::string error;
  if (!ArchiveFile::Parse(input, "fuzz", contents, error)) {
    Check(!error.empty(), "input rejected without a message");
    return 0;
  }
  const ArchiveHeader& h = contents.header;
  Check(ArchiveFile::KindOfType(h.type) >= 0, "archive of a type that is not loaded");
  Check(h.name.back() == '\0' && h.url.back() == '\0', "name or url not terminated");
  Check(contents.tags.size() + contents.refused == h.tag_count, "directory entries lost");
  Check(contents.directory_offset + uint64_t{TagHeader::kSize} * h.tag_count <= size,
        "directory past the end of the input");
  for (const TagHeader& tag : contents.tags) {
    Check(uint64_t{tag.data_offset} + tag.data_size <= size, "tag data past the end of the input");
    Check(tag.name.back() == '\0', "tag name not terminated");
  }
  if (h.IsLegacy()) {
    Check(h.type == 1 && h.order == 0 && contents.meshes.empty(), "legacy header not converted");
    return 0;
  }
  Check(h.file_size == size, "file size field does not match the input");
  Check(contents.directory_offset ==
            ArchiveHeader::kSize + uint64_t{MeshRecord::kSize} * h.mesh_count,
        "directory not behind the mesh records");
  Check(contents.meshes.size() == h.mesh_count, "mesh records lost");

  ByteWriter writer;
  h.Write(writer);
  Check(writer.size() == ArchiveHeader::kSize, "header did not write 128 bytes");
  ArchiveContents again;
  Check(ArchiveFile::ParseHeader(writer.bytes(), size, again, error),
        "written header does not read back");
  const ArchiveHeader& b = again.header;
  Check(b.type == h.type && b.order == h.order && b.Name() == h.Name() && b.Url() == h.Url() &&
            b.mesh_count == h.mesh_count && b.tag_count == h.tag_count,
        "header changed in a write and read");
  return 0;
}
