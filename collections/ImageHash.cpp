// Image's content hash, apart from the rest of Image so that programs which only read and
// write pixels (the fuzz targets among them) need not link zlib.
#include <zlib.h>

#include <algorithm>

#include "collections/Image.h"

uint32_t Image::computeHash() {
  if (contentHash_ != 0) return contentHash_;
  // zlib takes 32-bit lengths; feed large buffers in pieces.
  uLong crc = crc32(0L, Z_NULL, 0);
  const uint8_t* p = pixels_.data();
  for (size_t left = pixels_.size(); left > 0;) {
    const uInt n = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    crc = crc32(crc, p, n);
    p += n;
    left -= n;
  }
  contentHash_ = crc == 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(crc);
  return contentHash_;
}
