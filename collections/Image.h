#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "collections/ImageFormat.h"

// Pixels on their way into or out of a tag: rows top to bottom without padding, in one of the
// layouts of ImageFormat, with an optional 256-entry RGB palette.
class Image {
 public:
  // Larger images are refused rather than allocated: no picture the game uses comes near, and a
  // size taken from a damaged file must not turn into a huge allocation.
  static constexpr uint64_t kMaxPixelBytes = uint64_t{1} << 30;
  static constexpr uint32_t kPaletteBytes = 768;

  // Inclusive pixel rectangle.
  struct Rect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool operator==(const Rect&) const = default;
  };

  uint32_t format() const { return format_; }
  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  uint32_t bytesPerPixel() const { return BytesPerPixel(format_); }
  bool is(ImageFormat format) const { return format_ == static_cast<uint32_t>(format); }

  uint32_t paletteCount() const { return paletteCount_; }
  bool hasPalette() const { return !palette_.empty(); }
  // 768 bytes (256 x red, green, blue) or empty when there is no palette.
  std::span<const uint8_t> palette() const { return palette_; }

  std::span<const uint8_t> pixels() const { return pixels_; }
  // Writable pixels; forgets the content hash, which the caller is about to invalidate.
  std::span<uint8_t> mutablePixels() {
    contentHash_ = 0;
    return pixels_;
  }

  // CRC-32 of the pixel bytes, 0 while not computed (a CRC of 0 is kept as 0xFFFFFFFF).
  uint32_t contentHash() const { return contentHash_; }
  uint32_t computeHash();

  // Fails (changing nothing) for a format code without a layout or a size above kMaxPixelBytes.
  // `data`, when given, holds width x height x bytes-per-pixel bytes; otherwise zero-filled.
  bool setSize(uint32_t width, uint32_t height, uint32_t format, const uint8_t* data = nullptr);
  bool setSize(uint32_t width, uint32_t height, ImageFormat format, const uint8_t* data = nullptr) {
    return setSize(width, height, static_cast<uint32_t>(format), data);
  }
  // Count 0 drops the palette; otherwise copies count (at most 256) colours and zeroes the rest.
  void setPalette(uint32_t count, const uint8_t* data);

  // Byte `channel` of every pixel; `bytes` holds one byte per pixel. False when out of range.
  bool setChannel(uint32_t channel, std::span<const uint8_t> bytes);
  bool fillChannel(uint32_t channel, uint8_t value);
  bool invertChannel(uint32_t channel);

  // Keeps the inclusive rectangle; false (unchanged) when it does not lie inside the image.
  bool crop(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
  // The smallest rectangle holding every pixel with non-zero alpha (byte 3 of RGBA, byte 0
  // otherwise); (0x7FFFFFFF, 0x7FFFFFFF, 0, 0) when there is none.
  Rect opaqueBounds() const;

  bool equals(const Image& other) const;

  // Converts the pixels in place; false, leaving the image as it was, when the conversion is
  // not one the program knows.
  bool convert(ImageFormat target);
  bool copyConverted(const Image& source, ImageFormat target);

 private:
  uint32_t format_ = static_cast<uint32_t>(ImageFormat::kRgba);
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint32_t paletteCount_ = 0;
  std::vector<uint8_t> palette_;
  std::vector<uint8_t> pixels_;
  uint32_t contentHash_ = 0;
};
