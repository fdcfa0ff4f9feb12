#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// IMA ADPCM in 34-byte blocks of 64 samples: a big-endian u16 header (the top 9 bits the
// starting predictor, the low 7 the starting step index), then 32 bytes of 4-bit codes, the low
// nibble first. Multi-channel sound goes frame by frame, one block per channel in each frame.
class Ima4 {
 public:
  static constexpr size_t kBlockBytes = 34;
  static constexpr size_t kBlockSamples = 64;
  static constexpr int kMaxStepIndex = 88;

  // Decodes one block into out[0], out[stride], ..., out[63 * stride].
  static void DecodeBlock(std::span<const uint8_t, kBlockBytes> block, int16_t* out, size_t stride);

  // Decodes the whole frames of `data` (frames = blocks / channels, each frame `channels`
  // blocks) into interleaved samples; a block left over from an unfinished frame is ignored.
  // `data` must hold at least frames x channels blocks and channels must be at least 1.
  static std::vector<int16_t> Decode(std::span<const uint8_t> data, uint64_t blocks,
                                     uint16_t channels);

  // Encodes interleaved samples frame by frame, each channel carrying its own predictor and step
  // index from block to block. A last, short frame is padded with silence. Returns
  // ceil(frames / 64) x channels blocks.
  static std::vector<uint8_t> Encode(std::span<const int16_t> interleaved, uint16_t channels);
};
