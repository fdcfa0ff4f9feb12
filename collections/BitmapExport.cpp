#include "collections/BitmapExport.h"

bool BitmapExport::MakeImage(const Bitmap& bitmap, const std::array<uint8_t, 768>& colorTable,
                             bool alpha, Image& out, std::string& error) {
  const uint64_t count = uint64_t{bitmap.width} * bitmap.height;
  if ((bitmap.bytesPerPixel != 1 && bitmap.bytesPerPixel != 2) ||
      bitmap.pixels.size() != count * bitmap.bytesPerPixel) {
    error = "the bitmap's pixels do not match its size";
    return false;
  }
  if (!out.setSize(bitmap.width, bitmap.height,
                   alpha ? ImageFormat::kGreyscale : ImageFormat::kIndexed)) {
    error = "the bitmap is too large";
    return false;
  }
  const bool shadow = (bitmap.flags & kShadowFlag) != 0;
  const uint8_t transparent_index = shadow ? 0 : (bitmap.flags & kRleFlag) ? 0 : 1;
  std::span<uint8_t> dest = out.mutablePixels();
  for (size_t i = 0; i < count; ++i) {
    const uint8_t index = bitmap.pixels[i * bitmap.bytesPerPixel + bitmap.bytesPerPixel - 1];
    const uint8_t a = bitmap.bytesPerPixel == 2 ? bitmap.pixels[i * 2] : (index != 0 ? 255 : 0);
    dest[i] = alpha ? a : (a == 0 ? transparent_index : index);
  }
  if (alpha) {
    out.setPalette(0, nullptr);
  } else if (shadow) {
    uint8_t grey[768];
    for (int i = 0; i < 256; ++i)
      grey[i * 3] = grey[i * 3 + 1] = grey[i * 3 + 2] = static_cast<uint8_t>(i);
    out.setPalette(256, grey);
  } else {
    out.setPalette(256, colorTable.data());
  }
  return true;
}
