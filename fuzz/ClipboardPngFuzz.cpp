// Fuzz target for the clipboard's PNG reader, which takes whatever another program offers as
// image/png. Besides not crashing: what reads fills its size exactly, and writes and reads back
// to the same pixels.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "gl/ClipboardPng.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> rgb;
  int32_t width = 0, height = 0;
  std::string error;
  if (!ClipboardPng::Decode(std::span<const uint8_t>(data, size), rgb, width, height, error)) {
    Check(!error.empty(), "PNG refused without a reason");
    return 0;
  }
  Check(width > 0 && height > 0, "an empty image was taken");
  Check(uint64_t(width) * uint64_t(height) * 3 == rgb.size(), "pixel count differs from the size");
  std::vector<uint8_t> png;
  Check(ClipboardPng::Encode(rgb.data(), width, height, png), "a PNG that reads does not write");
  std::vector<uint8_t> back;
  int32_t back_width = 0, back_height = 0;
  Check(ClipboardPng::Decode(png, back, back_width, back_height, error),
        "a written PNG does not read");
  Check(back_width == width && back_height == height && back == rgb,
        "pixels changed in a write and read");
  return 0;
}
