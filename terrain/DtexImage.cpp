#include "terrain/DtexImage.h"

#include <algorithm>
#include <bit>

namespace dteximage {

std::string CheckDimensions(uint32_t width, uint32_t height) {
  if (!std::has_single_bit(width) || !std::has_single_bit(height)) return kNotPowerOfTwoMessage;
  // 4096 passes as a power of two but does not fit the codec's 12-bit sides: a texture saved
  // at that size could never be read again.
  if (width > kMaxSide || height > kMaxSide) return kTooLargeMessage;
  return {};
}

std::string CheckImage(bool rgb24, uint32_t width, uint32_t height) {
  if (!rgb24) return kNotRgbMessage;
  return CheckDimensions(width, height);
}

std::vector<uint8_t> Checkerboard(uint32_t& width, uint32_t& height) {
  width = 256;
  height = 256;
  std::vector<uint8_t> rgb(size_t{256} * 256 * 3);
  uint8_t* p = rgb.data();
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x, p += 3) {
      const uint8_t v = ((x >> 4) & 1) == ((y >> 4) & 1) ? 0 : 255;
      p[0] = p[1] = p[2] = v;
    }
  }
  return rgb;
}

void ShiftHalf(uint32_t width, uint32_t height, std::span<uint8_t> rgb) {
  if (width == 0 || height == 0 || rgb.size() != size_t{width} * height * 3) return;
  const std::vector<uint8_t> source(rgb.begin(), rgb.end());
  const uint32_t dx = width / 2, dy = height / 2;
  const size_t stride = size_t{width} * 3;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* from = source.data() + y * stride;
    uint8_t* to = rgb.data() + ((y + dy) % height) * stride;
    // Each row moves whole, split where it wraps.
    const size_t right = size_t{width - dx} * 3;
    std::copy(from, from + right, to + size_t{dx} * 3);
    std::copy(from + right, from + stride, to);
  }
}

namespace {
uint8_t Clamp(int v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}
}  // namespace

void MeanCenterRgb(std::span<uint8_t> rgb) {
  const size_t count = rgb.size() / 3;
  if (count == 0) return;
  uint64_t sums[3] = {};
  for (size_t i = 0; i < count * 3; i += 3) {
    sums[0] += rgb[i];
    sums[1] += rgb[i + 1];
    sums[2] += rgb[i + 2];
  }
  int offsets[3];
  for (int c = 0; c < 3; ++c) offsets[c] = 128 - static_cast<int>(sums[c] / count);
  for (size_t i = 0; i < count * 3; i += 3) {
    for (int c = 0; c < 3; ++c) rgb[i + c] = Clamp(rgb[i + c] + offsets[c]);
  }
}

bool MeanCenterLuma(std::span<uint8_t> rgb) {
  const size_t count = rgb.size() / 3;
  // The mean divides by the count in 256ths: below that it would divide by zero.
  if (count < 256) return false;
  uint64_t sum = 0;
  for (size_t i = 0; i < count * 3; i += 3) {
    sum += (77u * rgb[i] + 151u * rgb[i + 1] + 28u * rgb[i + 2]) >> 8;
  }
  const int offset = 128 - static_cast<int>(sum / 255 / (count / 256));
  for (size_t i = 0; i < count * 3; ++i) rgb[i] = Clamp(rgb[i] + offset);
  return true;
}

}  // namespace dteximage
