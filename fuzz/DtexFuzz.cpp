// Fuzz target for detail texture data. Besides not crashing: a texture that reads has sides of
// 1 to 4095 and exactly their pixels, and encoding those pixels again reads back to the same
// pixels; the bare image stream decodes under the same rules.

#include <cstdint>
#include <span>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "terrain/DtexCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  std::string error;

  DtexCodec::Decoded texture;
  if (DtexData::Read(input, texture, error)) {
    Check(texture.width >= 1 && texture.width <= DtexCodec::kMaxSide && texture.height >= 1 &&
              texture.height <= DtexCodec::kMaxSide,
          "a texture read with a side outside 1 to 4095");
    Check(texture.rgb.size() == size_t{texture.width} * texture.height * 3,
          "a texture read with the wrong number of pixel bytes");
    Check(texture.mode >= 0 && texture.mode <= 2, "a texture read in a mode that does not exist");
    const std::vector<uint8_t> again = DtexData::Write(texture.width, texture.height, texture.rgb);
    DtexCodec::Decoded back;
    Check(DtexData::Read(again, back, error), "a texture written again does not read");
    Check(back.rgb == texture.rgb, "a texture written again reads other pixels");
  } else {
    Check(!error.empty(), "a texture was refused without a reason");
  }

  DtexCodec::Decoded bare;
  error.clear();
  if (DtexCodec::Decode(input, bare, error)) {
    Check(bare.rgb.size() == size_t{bare.width} * bare.height * 3,
          "an image stream decoded to the wrong number of pixel bytes");
  } else {
    Check(!error.empty(), "an image stream was refused without a reason");
  }
  return 0;
}
