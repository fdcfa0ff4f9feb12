#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "collections/Image.h"

// The checks every importer runs on an image file before it touches a collection. Each
// failure gives the text the importer shows, naming the file.
class ImageImport {
 public:
  static bool loadIndexedImage(const std::filesystem::path& path, Image& image,
                               std::string& message);
  // What colour imports and plates accept: indexed images, and greyscale ones, whose levels
  // are taken as indices into the grey ramp. An indexed file whose palette is the grey ramp
  // loads as greyscale, and a collection whose colour table is that ramp writes such files, so
  // refusing greyscale would refuse the program's own exports.
  static bool loadColorImage(const std::filesystem::path& path, Image& image, std::string& message);
  static bool loadGreyscaleImage(const std::filesystem::path& path, Image& image,
                                 std::string& message);

  // Sets the alpha byte of every (alpha, index) pixel of a width x height bitmap to the grey
  // level of `mask`, and flag 0x0010 (partial alpha) exactly when some level lies strictly
  // between 0 and 255. `name` is the mask file's name for the message.
  static bool applyAlphaMask(uint32_t width, uint32_t height, std::span<uint8_t> pixels,
                             uint16_t& flags, const Image& mask, const std::string& name,
                             std::string& message);
};
