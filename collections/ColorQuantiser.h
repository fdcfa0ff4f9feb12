#pragma once
#include <array>
#include <cstdint>
#include <span>

// Reduces true-colour pixels to a palette of at most 256 colours and maps them to it.
//
// The palette starts from Wu's variance-minimising box split over a 5-bit-per-channel
// histogram and is then refined by moving each colour to the weighted mean of the image
// colours nearest to it. An image with no more distinct colours than the palette may hold
// keeps exactly those colours. Mapping diffuses three quarters of each pixel's error to its
// unvisited neighbours, so flat areas stay flat while gradients do not band.
class ColorQuantiser {
 public:
  using Palette = std::array<uint8_t, 768>;

  // `rgb` holds pixelCount x (red, green, blue). Fills `palette` (entries past the returned
  // count are zero) and returns the count: min(maxColors, distinct colours), at least 1 for a
  // non-empty image and 0 for an empty one.
  static uint32_t BuildPalette(std::span<const uint8_t> rgb, uint32_t maxColors, Palette& palette);

  // Maps rows top to bottom, pixels left to right, each to the nearest palette colour by
  // squared RGB distance (the lowest index among equals) after adding the error diffused to
  // it: 21/64 right, 9/64 below left, 15/64 below, 3/64 below right. The index of pixel i
  // goes to out[i * outStride]. `count` must be at least 1.
  static void MapWithDiffusion(std::span<const uint8_t> rgb, uint32_t width, uint32_t height,
                               const Palette& palette, uint32_t count, uint8_t* out,
                               size_t outStride);
};
