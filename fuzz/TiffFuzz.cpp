// Fuzz target for the TIFF reader that imports images. Besides not crashing: the size and
// layout read alone are those read with the pixels, and the pixels fill the image exactly.
// Writing goes through a file name only, so the round trip is left to the unit tests.

#include <cstdint>
#include <span>
#include <string>

#include "collections/Image.h"
#include "collections/TiffFile.h"
#include "fuzz/ImageReadCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Image image;
  (void)ReadImageChecked(std::span<const uint8_t>(data, size), TiffFile::Read, "TIFF", image);
  return 0;
}
