#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The lossless image codec of detail textures: a 26-bit header (12-bit width and height, 2-bit
// prediction mode), three 3-bit Rice parameters per 8 x 8 block, then per pixel three
// Rice-coded residual bytes; bits packed most significant first into 32-bit words stored
// little-endian.
class DtexCodec {
 public:
  static constexpr uint32_t kMaxSide = 4095;  // 12 bits

  struct Decoded {
    uint32_t width = 0;
    uint32_t height = 0;
    int mode = 0;
    std::vector<uint8_t> rgb;  // width x height x 3
  };

  // Reads only inside `payload`. A zero width or height, mode 3, a run of ones longer than a
  // byte value allows or a stream that ends early is an error.
  [[nodiscard]] static bool Decode(std::span<const uint8_t> payload, Decoded& out,
                                   std::string& error);
  // Tries the three modes and keeps the one with the fewest payload bytes (the lower mode on a
  // tie); each block's k per channel is the one with the fewest bits (the smaller k on a tie, 7
  // only when every value is 0). Equal pixels give equal bytes. Sides must be 1 ... kMaxSide.
  static std::vector<uint8_t> Encode(uint32_t width, uint32_t height, std::span<const uint8_t> rgb,
                                     int* mode_used = nullptr);
  // Encodes in one given mode (0, 1 or 2).
  static std::vector<uint8_t> EncodeMode(uint32_t width, uint32_t height,
                                         std::span<const uint8_t> rgb, int mode);
  // Encodes in `mode` with the caller's Rice parameters, three per 8 x 8 block, blocks row by
  // row: any k of 0 ... 6 codes every value, 7 only a channel whose values are all 0. Empty
  // when a parameter cannot code its block.
  static std::vector<uint8_t> EncodeWith(uint32_t width, uint32_t height,
                                         std::span<const uint8_t> rgb, int mode,
                                         std::span<const uint8_t> ks);
  // Blocks of an image of that size.
  static size_t BlockCount(uint32_t width, uint32_t height) {
    return size_t{(width + 7) / 8} * ((height + 7) / 8);
  }
};

// The data of a `dtex` tag: big-endian width, height and 0, a little-endian payload length,
// then the payload.
class DtexData {
 public:
  static constexpr size_t kHeaderSize = 16;
  // The payload's own size sizes the image; the header's width and height must agree with it.
  [[nodiscard]] static bool Read(std::span<const uint8_t> data, DtexCodec::Decoded& out,
                                 std::string& error);
  static std::vector<uint8_t> Write(uint32_t width, uint32_t height, std::span<const uint8_t> rgb);
};
