#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One bitmap of a collection, decoded. Pixel type 0 holds two bytes per pixel, alpha (0-255)
// then colour index; pixel type 1 holds the eight raw bytes of each pixel.
//
// A bitmap whose block could not be decoded is a placeholder: its pixels are the checkerboard
// shown in its place, and `kept_block` holds the block exactly as it was read so that saving the
// collection writes it back untouched.
struct CollectionBitmap {
  std::array<char, 64> name{};  // NUL-terminated
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t flags = 0;  // bitmap flags, without "no row slots" and "alpha from colour"
  uint16_t bytes_per_pixel = 2;
  std::vector<uint8_t> pixels;  // width × height × bytes_per_pixel
  uint32_t in_use = 0;          // set by Collection::MarkUsedBitmaps, never saved
  // Bits per stored pixel of the block it was read from (0 when made in memory), for reports;
  // saving picks the depth from the pixels.
  uint16_t read_bits = 0;

  // Only for placeholders: the undecodable block and the size its directory entry gave.
  std::vector<uint8_t> kept_block;
  uint16_t kept_width = 0;
  uint16_t kept_height = 0;
  bool placeholder = false;

  std::string Name() const;
  // Keeps at most `max_length` bytes of the text (up to any NUL).
  void SetName(std::string_view text, size_t max_length = 63);

  bool IsRle() const;
  // Pixel type 1 (eight-byte pixels) has no alpha/index form.
  bool IsIndexed() const { return bytes_per_pixel == 2; }

  // Rounds every alpha to a multiple of 17, gives fully transparent pixels colour index 0, and
  // sets the partial-alpha flag exactly when some alpha lies strictly between 0 and 255. The
  // encoder relies on this: it stores alpha in four bits and picks 8 or 16 bits from the flag.
  void NormaliseAlpha();
};
