#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One permutation of a sound: its descriptor's fields, its compressed blocks as read and the
// samples they decode to.
struct SoundPermutation {
  static constexpr uint32_t kCompressed = 1;  // descriptor flag bit 0

  std::string name;  // at most 25 characters
  uint32_t flags = kCompressed;
  uint16_t bits = 16;
  uint16_t channels = 1;
  uint32_t rate = 0;                // 16.16 fixed point
  uint32_t blocks = 0;              // over all channels
  std::vector<uint8_t> compressed;  // blocks x 34 bytes
  // Whole frames only, channels interleaved: (blocks / channels) x channels x 64 samples.
  std::vector<int16_t> samples;

  uint32_t RateHz() const { return rate >> 16; }
  uint64_t Frames() const { return channels == 0 ? 0 : blocks / channels; }
  // "mm:ss", or "hh:mm:ss" from an hour on; whole seconds. A rate under 1 Hz shows "00:00".
  std::string DurationText() const;
  // "1 (mono)", "2 (stereo)" or the number.
  std::string ChannelsText() const;

  static std::string FormatDuration(uint64_t frames, uint32_t rate_hz);
};

// A sound tag's data (group `soun`): a 64-byte header, then, wherever the header's offsets put
// them, one 32-byte name record and one 32-byte descriptor per permutation, and the compressed
// blocks of every permutation in order right after the last descriptor. Big-endian throughout.
class SoundTag {
 public:
  static constexpr size_t kHeaderSize = 64;
  static constexpr size_t kNameRecordSize = 32;
  static constexpr size_t kDescriptorSize = 32;
  static constexpr size_t kMaxNameLength = 25;

  std::vector<SoundPermutation> permutations;

  // Reads and decodes every permutation from the tag's data. Every offset, count and block count
  // is checked against the data before anything is allocated or read, and no byte past the data
  // is looked at. A permutation with blocks must be compressed, 16-bit, mono or stereo; every
  // permutation must be 16-bit with at least one channel. Failure: false with a one-line
  // reason, `out` untouched.
  [[nodiscard]] static bool Read(std::span<const uint8_t> data, SoundTag& out, std::string& error);

  // Tag data Read takes back: header, names and descriptors in that order, then the blocks
  // (each permutation's `compressed`, which must hold `blocks` x 34 bytes). Fields this program
  // does not use are zero. For tests, fuzz seeds and the demo game.
  std::vector<uint8_t> Write() const;

  // A permutation made from interleaved samples, encoded as IMA4.
  static SoundPermutation Encode(std::string name, uint16_t channels, uint16_t rate_hz,
                                 std::span<const int16_t> interleaved);
};
