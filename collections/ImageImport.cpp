#include "collections/ImageImport.h"

#include <cstdio>

#include "collections/DataFile.h"

namespace {

std::string Format(const char* format, const std::string& name) {
  char text[1024];
  std::snprintf(text, sizeof text, format, name.c_str());
  return text;
}

bool LoadAs(const std::filesystem::path& path, ImageFormat format, ImageFormat also,
            const char* wrong_format, Image& image, std::string& message) {
  const std::string name = path.filename().string();
  DataFile file(path);
  // A recognised image whose header is refused (a 16-bit or compressed BMP, a PNG of another
  // depth) is of the wrong format; one whose headers are fine but whose pixels are cut short
  // fails while probing too, yet that is a reading error.
  const bool probed = file.probe();
  if (file.kind() != DataFile::kImage || (!probed && !file.pixelsCutShort())) {
    message = Format("'%s': The file is not of the right format.", name);
    return false;
  }
  if (!probed || !file.loadPixels()) {
    message = Format("'%s': An error occurred while reading the image data.", name);
    return false;
  }
  if (!file.image().is(format) && !file.image().is(also)) {
    message = Format(wrong_format, name);
    return false;
  }
  image = std::move(file.image());
  return true;
}

}  // namespace

bool ImageImport::loadIndexedImage(const std::filesystem::path& path, Image& image,
                                   std::string& message) {
  return LoadAs(path, ImageFormat::kIndexed, ImageFormat::kIndexed,
                "'%s': The image is not 8-bit paletted.", image, message);
}

bool ImageImport::loadColorImage(const std::filesystem::path& path, Image& image,
                                 std::string& message) {
  return LoadAs(path, ImageFormat::kIndexed, ImageFormat::kGreyscale,
                "'%s': The image is not 8-bit paletted.", image, message);
}

bool ImageImport::loadGreyscaleImage(const std::filesystem::path& path, Image& image,
                                     std::string& message) {
  return LoadAs(path, ImageFormat::kGreyscale, ImageFormat::kGreyscale,
                "'%s': The image is not 8-bit greyscale.", image, message);
}

bool ImageImport::applyAlphaMask(uint32_t width, uint32_t height, std::span<uint8_t> pixels,
                                 uint16_t& flags, const Image& mask, const std::string& name,
                                 std::string& message) {
  constexpr uint16_t kPartialAlpha = 0x0010;
  if (mask.width() != width || mask.height() != height || !mask.is(ImageFormat::kGreyscale) ||
      pixels.size() != size_t{width} * height * 2) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "'%s': The alpha mask must have the same dimensions as the image. Found: %d x "
                  "%d. Expected: %d x %d.",
                  name.c_str(), static_cast<int>(mask.width()), static_cast<int>(mask.height()),
                  static_cast<int>(width), static_cast<int>(height));
    message = text;
    return false;
  }
  bool partial = false;
  const std::span<const uint8_t> grey = mask.pixels();
  for (size_t i = 0; i < grey.size(); ++i) {
    pixels[i * 2] = grey[i];
    partial = partial || (grey[i] != 0 && grey[i] != 255);
  }
  flags = partial ? (flags | kPartialAlpha) : (flags & ~kPartialAlpha);
  return true;
}
