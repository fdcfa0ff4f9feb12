// Fuzz target for the res/texturepack reader. Besides not crashing, a file that reads must
// write back to the same bytes apart from the placeholder fields, which the reader ignores and
// the writer zeroes, and what was written must read back to the same images. Every readable
// pack is also packed into pages, which must succeed: no file image can be larger than the
// largest page once the 1024 cap is lifted to the 65535 limit of its sizes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "gui/PagePacker.h"
#include "gui/TexturePackFile.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// Zeroes the placeholder fields of every record of a file that has been read successfully.
std::vector<uint8_t> WithoutPlaceholders(std::span<const uint8_t> input,
                                         const std::vector<TexturePackImage>& images) {
  std::vector<uint8_t> bytes(input.begin(), input.end());
  size_t record = 4;
  for (const TexturePackImage& image : images) {
    for (size_t k = 0; k < 12; ++k) bytes[record + k] = 0;
    for (size_t k = 16; k < 24; ++k) bytes[record + k] = 0;
    record += kTexturePackRecordHeaderSize + image.rgba.size();
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  const TexturePackReadResult read = TexturePackFile::Read(input);
  if (!read) {
    if (read.error.empty()) Fail("rejected without a message");
    return 0;
  }
  const TexturePackWriteResult written = TexturePackFile::Write(*read.images);
  if (!written.ok()) Fail("read images do not write back");
  if (written.bytes != WithoutPlaceholders(input, *read.images)) {
    Fail("writing back changed more than the placeholders");
  }
  const TexturePackReadResult again = TexturePackFile::Read(written.bytes);
  if (!again || again.images->size() != read.images->size()) Fail("written pack does not read");
  for (size_t i = 0; i < read.images->size(); ++i) {
    const TexturePackImage& a = (*read.images)[i];
    const TexturePackImage& b = (*again.images)[i];
    if (a.id != b.id || a.width != b.width || a.height != b.height || a.rgba != b.rgba) {
      Fail("written pack reads back different images");
    }
  }

  std::vector<PackerInput> inputs;
  for (const TexturePackImage& image : *read.images) {
    inputs.push_back({image.width, image.height, false});
  }
  const PackerLayout layout = PagePacker(65535).Pack(inputs);
  if (!layout.ok()) Fail("a readable pack does not pack");
  return 0;
}
