// zarv_makeicon writes the program's icon at one size as a PNG, for the desktop's icon theme.
//
// Usage: zarv_makeicon SIDE OUTPUT.png
#include <cstdio>
#include <cstdlib>
#include <string>

#include "collections/Image.h"
#include "collections/PngFile.h"
#include "tools/makecursors/IconPicture.h"

int main(int argc, char** argv) {
  const int side = argc == 3 ? std::atoi(argv[1]) : 0;
  if (side < 16 || side > CursorPack::kMaxSide) {
    std::fprintf(stderr, "usage: zarv_makeicon SIDE OUTPUT.png (SIDE 16 to %d)\n",
                 CursorPack::kMaxSide);
    return 2;
  }
  const CursorPicture icon = DrawIcon(side);
  Image image;
  if (!image.setSize(icon.width, icon.height, ImageFormat::kRgba, icon.rgba.data())) {
    std::fprintf(stderr, "zarv_makeicon: cannot make a %d x %d image\n", side, side);
    return 1;
  }
  std::FILE* file = std::fopen(argv[2], "wb");
  std::string error;
  if (!file) {
    std::fprintf(stderr, "zarv_makeicon: %s cannot be written\n", argv[2]);
    return 1;
  }
  const bool ok = PngFile::Write(file, image, error);
  if (std::fclose(file) != 0 || !ok) {
    std::fprintf(stderr, "zarv_makeicon: %s: %s\n", argv[2],
                 error.empty() ? "write failed" : error.c_str());
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
