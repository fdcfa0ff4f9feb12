#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "collections/Image.h"
#include "fuzz/FuzzCheck.h"

// What the image readers' targets hold each reader to: a refusal says why, and the size and
// layout read alone are those read with the pixels, which fill the image exactly. `read` is a
// reader's Read(file, image, pixels, error). True, with `image` filled, when the input reads.
template <typename Read>
bool ReadImageChecked(std::span<const uint8_t> input, Read read, const char* format, Image& image) {
  Image header;
  std::string error;
  if (!read(input, header, false, error)) {
    Check(!error.empty(), (std::string(format) + " refused without a reason").c_str());
    return false;
  }
  // The compressed rows may be damaged where the header is not.
  if (!read(input, image, true, error)) {
    Check(!error.empty(), (std::string(format) + " pixels refused without a reason").c_str());
    return false;
  }
  Check(header.width() == image.width() && header.height() == image.height() &&
            header.format() == image.format(),
        "size or layout differ with and without the pixels");
  Check(image.pixels().size() == size_t{image.width()} * image.height() * image.bytesPerPixel(),
        "pixel count differs from the size");
  return true;
}
