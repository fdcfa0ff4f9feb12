// Fuzz target for the tag header and loose tag reader. Besides not crashing, a header that
// reads must write back (in the current layout) to bytes that read again to the same header,
// with the name terminated at byte 35, and a loose file's data size must match its length.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "fuzz/FuzzCheck.h"
#include "tags/LooseTagFile.h"
#include "tags/TagHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  ByteReader reader(input);
  TagHeader header;
  std::string error;
  if (TagHeader::Read(reader, header, error)) {
    Check(header.name.back() == '\0', "name not terminated after reading");
    ByteWriter writer;
    header.Write(writer);
    Check(writer.size() == TagHeader::kSize, "header did not write 64 bytes");
    Check(writer.bytes()[35] == 0, "byte 35 written non-zero");
    ByteReader again(writer.bytes());
    TagHeader back;
    Check(TagHeader::Read(again, back, error), "written header does not read back");
    Check(!back.IsLegacy(), "written header is not in the current layout");
    Check(back.Name() == header.Name() && back.group == header.group &&
              back.tag_id == header.tag_id && back.data_offset == header.data_offset &&
              back.data_size == header.data_size && back.version == header.version &&
              back.user_data == header.user_data,
          "header changed in a write and read");
  } else {
    Check(!error.empty(), "header rejected without a message");
  }

  LooseTag tag;
  error.clear();
  if (LooseTagFile::Parse(input, "fuzz", std::nullopt, tag, error)) {
    Check(size >= TagHeader::kSize && tag.header.data_size == size - TagHeader::kSize &&
              tag.data.size() == tag.header.data_size,
          "data size does not follow the file length");
  } else {
    Check(!error.empty(), "loose file rejected without a message");
  }
  return 0;
}
