// Writes the seed corpora of the image readers with our own writers: PNG and TIFF files of each
// layout they write, and the clipboard's PNG form. Run with the fuzz/corpus folder.

#include <cstdio>
#include <string>
#include <vector>

#include "collections/Image.h"
#include "collections/PngFile.h"
#include "collections/TiffFile.h"
#include "gl/ClipboardPng.h"

namespace {

Image Make(uint32_t width, uint32_t height, ImageFormat format) {
  Image image;
  std::vector<uint8_t> pixels(size_t{width} * height * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37 + i / 5);
  image.setSize(width, height, format, pixels.data());
  if (format == ImageFormat::kIndexed) {
    std::vector<uint8_t> palette(256 * 3);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(255 - i);
    image.setPalette(256, palette.data());
  }
  return image;
}

bool SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const struct {
    const char* name;
    ImageFormat format;
  } layouts[] = {{"indexed", ImageFormat::kIndexed},
                 {"grey", ImageFormat::kGreyscale},
                 {"rgb", ImageFormat::kRgb},
                 {"rgba", ImageFormat::kRgba}};
  bool ok = true;
  std::string error;
  for (const auto& layout : layouts) {
    const Image image = Make(7, 5, layout.format);
    const std::string png = folder + "/png_fuzz/" + layout.name + ".png";
    if (std::FILE* f = std::fopen(png.c_str(), "wb")) {
      ok &= PngFile::Write(f, image, error);
      ok &= std::fclose(f) == 0;
    } else {
      ok = false;
    }
    ok &= TiffFile::Write(folder + "/tiff_fuzz/" + layout.name + ".tif", image, error);
  }
  std::vector<uint8_t> rgb(6 * 4 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 11);
  std::vector<uint8_t> png;
  ok &= ClipboardPng::Encode(rgb.data(), 6, 4, png) &&
        SaveBytes(folder + "/clipboard_png_fuzz/six-by-four.png", png);
  ok &= ClipboardPng::Encode(rgb.data(), 1, 1, png) &&
        SaveBytes(folder + "/clipboard_png_fuzz/one-pixel.png", png);
  if (!ok) std::fprintf(stderr, "image seeds not written: %s\n", error.c_str());
  return ok ? 0 : 1;
}
