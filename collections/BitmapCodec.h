#pragma once
#include <cstdint>
#include <span>
#include <string>

struct CollectionBitmap;
class ByteWriter;

// Bitmap blocks: a 52-byte header, row slots, then RAW or RLE pixel data (pixel type 0) or the
// control-byte stream of eight-byte pixels (pixel type 1).
class BitmapCodec {
 public:
  // Decoding refuses bitmaps beyond this many pixels: a header of a few bytes could otherwise
  // ask for gigabytes, and no sprite of the game comes near it.
  static constexpr uint64_t kMaxPixels = uint64_t{1} << 24;

  // Decodes a block into `out` (name and in-use mark untouched). `palette` gives the alpha of
  // colour-keyed 8-bit bitmaps. Fails with a one-line reason in `error` on any inconsistency;
  // `out` is then unspecified.
  [[nodiscard]] static bool Decode(std::span<const uint8_t> block,
                                   std::span<const uint8_t, 768> palette, CollectionBitmap& out,
                                   std::string& error);

  // Appends the block of a decoded bitmap whose alpha is normalised (CollectionBitmap::
  // NormaliseAlpha). A placeholder's kept block is written as it was read.
  static void Encode(const CollectionBitmap& bitmap, ByteWriter& out);

  // Fills `out` with the 256 × 256 checkerboard of 16-pixel squares that stands in for a bitmap
  // that could not be decoded.
  static void MakePlaceholder(uint8_t light_index, uint8_t dark_index, CollectionBitmap& out);
};
