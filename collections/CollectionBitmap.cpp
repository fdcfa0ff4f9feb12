#include "collections/CollectionBitmap.h"

#include <algorithm>
#include <cstring>

#include "collections/CollectionLayout.h"

std::string CollectionBitmap::Name() const {
  return std::string(name.data(), strnlen(name.data(), name.size()));
}

void CollectionBitmap::SetName(std::string_view text, size_t max_length) {
  name.fill('\0');
  const size_t length = std::min({text.find('\0'), text.size(), max_length, name.size() - 1});
  std::memcpy(name.data(), text.data(), length);
}

bool CollectionBitmap::IsRle() const {
  return (flags & collection_layout::kBitmapRle) != 0;
}

void CollectionBitmap::NormaliseAlpha() {
  if (!IsIndexed() || placeholder) return;
  bool partial = false;
  for (size_t i = 0; i + 1 < pixels.size(); i += 2) {
    const uint8_t alpha = static_cast<uint8_t>((pixels[i] >> 4) * 17);
    pixels[i] = alpha;
    if (alpha == 0) pixels[i + 1] = 0;
    if (alpha != 0 && alpha != 255) partial = true;
  }
  if (partial) {
    flags |= collection_layout::kBitmapPartialAlpha;
  } else {
    flags &= static_cast<uint16_t>(~collection_layout::kBitmapPartialAlpha);
  }
}
