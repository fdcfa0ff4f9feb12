// Fuzz target for the BMP reader. Besides not crashing: a file that reads must hold the rows
// it claims (at least a bit per pixel), and the image must write and read back to the same pixels.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "collections/BmpFile.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  Image image;
  std::string error;
  if (!BmpFile::Read(input, image, error)) {
    Check(!error.empty(), "BMP refused without a message");
    return 0;
  }
  // The smallest depth, one bit a pixel, packs eight pixels into each byte of the file.
  Check(uint64_t{image.width()} * image.height() <= uint64_t{size} * 8,
        "more pixels than the file has bits");
  std::vector<uint8_t> written;
  Check(BmpFile::Encode(image, written, error), "a BMP that reads does not write");
  Image back;
  Check(BmpFile::Read(written, back, error), "a written BMP does not read");
  // The 8-bit palette may come back as a grey ramp only through DataFile; here it is kept.
  Check(back.width() == image.width() && back.height() == image.height() &&
            back.format() == image.format(),
        "size or layout changed in a write and read");
  Check(std::equal(back.pixels().begin(), back.pixels().end(), image.pixels().begin()),
        "pixels changed in a write and read");
  return 0;
}
