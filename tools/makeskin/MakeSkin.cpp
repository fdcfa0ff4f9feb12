// Paints the skin supplied with the program, res/texturepack: one image for every skin id.
//
//   zarv_makeskin OUTPUT
//
// The images are drawn from code, so the pack is the same on every machine and changes only
// when this tool does.

#include <cstdio>
#include <string>
#include <vector>

#include "gui/PagePacker.h"
#include "gui/TexturePackFile.h"
#include "tools/makeskin/SkinPainter.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argc > 0 ? argv[0] : "zarv_makeskin");
    return 2;
  }
  const std::vector<TexturePackImage> images = SkinPainter::PaintAll();
  if (const std::string error = SkinPainter::Check(images); !error.empty()) {
    std::fprintf(stderr, "zarv_makeskin: %s\n", error.c_str());
    return 1;
  }
  // The program packs the skin into pages of at most 1024 pixels; a piece too large for that
  // would only show up when the program starts.
  std::vector<PackerInput> inputs;
  for (const TexturePackImage& image : images) inputs.push_back({image.width, image.height, false});
  const PackerLayout layout = PagePacker(PagePacker::kTexturePackMaxSide).Pack(inputs);
  if (!layout.ok()) {
    std::fprintf(stderr, "zarv_makeskin: the skin does not pack: %s\n", layout.error.c_str());
    return 1;
  }
  if (const std::string error = TexturePackFile::Save(images, argv[1]); !error.empty()) {
    std::fprintf(stderr, "zarv_makeskin: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
