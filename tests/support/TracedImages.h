#pragma once
#include <cstdint>
#include <ostream>

#include "gui/TexturePackFile.h"

// Skin images whose pixels tell where they come from, so a test can follow a texel from the
// screen back to its source: red is the column, green the row and blue the image id.
inline TexturePackImage MakeImage(uint32_t id, uint16_t width, uint16_t height) {
  TexturePackImage image{id, width, height, {}};
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      image.rgba.insert(image.rgba.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(r),
                                           static_cast<uint8_t>(id), 255});
    }
  }
  return image;
}

// A pixel of a source image.
struct Source {
  int id = -1;
  int c = -1;
  int r = -1;
  friend bool operator==(const Source&, const Source&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const Source& s) {
  return out << "image " << s.id << " (" << s.c << ", " << s.r << ")";
}
