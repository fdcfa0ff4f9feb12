#include "collections/ImageFormat.h"

uint32_t BytesPerPixel(uint32_t format) {
  switch (static_cast<ImageFormat>(format)) {
    case ImageFormat::kIndexed:
    case ImageFormat::kGreyscale:
      return 1;
    case ImageFormat::kRgb:
      return 3;
    case ImageFormat::kRgba:
      return 4;
    case ImageFormat::kIndexedAlpha:
      return 2;
  }
  return format >= 1 && format <= 255 ? format : 0;
}

const char* FormatName(uint32_t format) {
  switch (static_cast<ImageFormat>(format)) {
    case ImageFormat::kIndexed:
      return "indexed";
    case ImageFormat::kGreyscale:
      return "greyscale";
    case ImageFormat::kRgb:
      return "RGB";
    case ImageFormat::kRgba:
      return "RGBA";
    case ImageFormat::kIndexedAlpha:
      return "indexed with alpha";
  }
  return format >= 1 && format <= 255 ? "raw" : "unknown";
}
