#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

class ByteReader;
class ByteWriter;

// Rows of RLE pixel data, and the expansion of stored pixels into the memory form.
//
// An RLE row is a run count, the number of pixels in the runs, the (start, end) pairs with
// exclusive ends, then the pixels of the runs. Stored pixels are one byte (colour index) or two
// (transparency nibble, colour index); in memory every pixel is two bytes, alpha then colour
// index, with alpha a multiple of 17 and colour index 0 wherever alpha is 0.
class RleCodec {
 public:
  // How one-byte pixels get their alpha: by default opaque unless index 0; with
  // `SetAlphaFromColors` the brightest component of the palette entry.
  class PixelForm {
   public:
    explicit PixelForm(int stored_bytes);
    void SetAlphaFromColors(std::span<const uint8_t, 768> palette);
    int stored_bytes() const { return stored_bytes_; }

    // Expands `count` stored pixels into `out` (count × 2 bytes); returns true when some
    // alpha lies strictly between 0 and 255.
    bool Expand(const uint8_t* stored, size_t count, uint8_t* out) const;

   private:
    int stored_bytes_;
    bool index_rule_ = true;
    bool any_partial_ = false;
    // Memory form of each one-byte pixel as a 16-bit value in memory order.
    std::array<uint16_t, 256> pixel_of_index_{};
    std::array<bool, 256> partial_of_index_{};
  };

  // Decodes one row into `row` (width × 2 bytes); every pixel outside the runs is written as
  // transparent. Fails, leaving the reader's position unspecified and the row partly written,
  // when a run is empty, out of order or past the width, when the pixel count disagrees with
  // the runs, or when the row needs more bytes than remain. `padded`: an odd number of pixel
  // bytes is followed by one pad byte. `partial` is set when some alpha lies strictly between
  // 0 and 255 and otherwise left alone.
  [[nodiscard]] static bool DecodeRow(ByteReader& in, const PixelForm& form, bool padded,
                                      std::span<uint8_t> row, bool& partial);

  // Encodes one row of memory-form pixels: the runs are the maximal spans of pixels with
  // non-zero alpha; the row is padded to an even byte count. `scratch` is reused between rows.
  static void EncodeRow(std::span<const uint8_t> row, int stored_bytes, ByteWriter& out,
                        std::vector<uint8_t>& scratch);

  static uint8_t AlphaOfNibble(uint8_t transparency) { return (15 - (transparency & 15)) * 17; }
  static uint8_t NibbleOfAlpha(uint8_t alpha) { return static_cast<uint8_t>(15 - (alpha >> 4)); }
};
