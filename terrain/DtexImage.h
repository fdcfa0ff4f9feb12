#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Pixel operations of the detail texture editor on RGB rows.
namespace dteximage {
inline constexpr const char* kNotRgbMessage = "Image must be 24 bit RGB.";
inline constexpr const char* kNotPowerOfTwoMessage =
    "The texture must have dimensions that are powers of two.";
inline constexpr const char* kTooLargeMessage =
    "The texture must be no larger than 2048 pixels on a side.";
// The largest side a texture may have: the codec keeps sides in 12 bits.
inline constexpr uint32_t kMaxSide = 2048;

// Import checks: the image must be 24-bit RGB ("Image must be 24 bit RGB.") and both sides
// powers of two no larger than the codec's 12 bits can hold ("The texture must have dimensions
// that are powers of two."; over 2048 a message of its own). Empty string: acceptable.
std::string CheckDimensions(uint32_t width, uint32_t height);
// Both checks; `rgb24` tells whether the image is 24-bit RGB.
std::string CheckImage(bool rgb24, uint32_t width, uint32_t height);
// The 256 x 256 checkerboard of 16-pixel squares a new texture starts as.
std::vector<uint8_t> Checkerboard(uint32_t& width, uint32_t& height);
// Pixel (x, y) trades places with ((x + w/2) mod w, (y + h/2) mod h).
void ShiftHalf(uint32_t width, uint32_t height, std::span<uint8_t> rgb);
// Each channel shifted so that its integer mean becomes 128, clamped.
void MeanCenterRgb(std::span<uint8_t> rgb);
// All channels shifted by 128 - (sum of lumas) / 255 / (pixels / 256); under 256 pixels the
// image is left as it is. Returns whether anything could change.
bool MeanCenterLuma(std::span<uint8_t> rgb);
}  // namespace dteximage
