// Fuzz target for the PNG reader that imports images. Besides not crashing: the size and layout
// read alone are those read with the pixels, and an image that reads writes and reads back the
// same pixels.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "collections/Image.h"
#include "collections/PngFile.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/ImageReadCheck.h"

namespace {

bool SameImage(const Image& a, const Image& b) {
  return a.width() == b.width() && a.height() == b.height() && a.format() == b.format() &&
         std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin(), b.pixels().end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  Image image;
  if (!ReadImageChecked(input, PngFile::Read, "PNG", image)) return 0;
  std::string error;

  char* buffer = nullptr;
  size_t length = 0;
  std::FILE* out = open_memstream(&buffer, &length);
  Check(out != nullptr, "no memory stream");
  const bool written = PngFile::Write(out, image, error);
  std::fclose(out);
  std::vector<uint8_t> bytes(buffer, buffer + length);
  std::free(buffer);
  Check(written, "a PNG that reads does not write");
  Image back;
  Check(PngFile::Read(bytes, back, true, error), "a written PNG does not read");
  Check(SameImage(image, back), "pixels changed in a write and read");
  return 0;
}
