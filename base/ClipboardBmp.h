#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The bitmap that image/bmp carries on the clipboard: a BMP file with the 40-byte information
// header, 24 bits a pixel, blue-green-red, rows bottom-up and padded to 4 bytes. Pixels on
// our side are RGB rows, top row first, without padding.
class ClipboardBmp {
 public:
  // The whole file, 14-byte file header included. Width and height must be positive.
  static std::vector<uint8_t> Encode(const uint8_t* rgb, int32_t width, int32_t height);

  // Takes a BMP file or a bare bitmap that starts with its information header (some programs
  // leave the file header out). Only uncompressed 24-bit pixels are taken, bottom-up or
  // top-down; anything else, or a size that the bytes do not back, fails with a reason.
  static bool Decode(std::span<const uint8_t> data, std::vector<uint8_t>& rgb, int32_t& width,
                     int32_t& height, std::string& error);
};
