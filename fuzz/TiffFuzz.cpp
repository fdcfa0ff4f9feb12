// Fuzz target for the TIFF reader that imports images. Besides not crashing: the size and
// layout read alone are those read with the pixels, and the pixels fill the image exactly.
// Writing goes through a file name only, so the round trip is left to the unit tests.

#include <cstdint>
#include <span>
#include <string>

#include "collections/Image.h"
#include "collections/TiffFile.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  Image header;
  std::string error;
  if (!TiffFile::Read(input, header, false, error)) {
    Check(!error.empty(), "TIFF refused without a reason");
    return 0;
  }
  Image image;
  if (!TiffFile::Read(input, image, true, error)) {
    Check(!error.empty(), "TIFF pixels refused without a reason");
    return 0;
  }
  Check(header.width() == image.width() && header.height() == image.height() &&
            header.format() == image.format(),
        "size or layout differ with and without the pixels");
  Check(image.pixels().size() == size_t{image.width()} * image.height() * image.bytesPerPixel(),
        "pixel count differs from the size");
  return 0;
}
