#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct SoundPermutation;

// PCM WAV files: the 44-byte RIFF header and the samples, little-endian on any host.
class WavFile {
 public:
  static constexpr size_t kHeaderSize = 44;
  // The RIFF size field holds the data size + 36 in 32 bits.
  static constexpr uint64_t kMaxDataSize = 0xFFFFFFFFull - 36;

  // The header for `data_size` bytes of samples; the size must not exceed kMaxDataSize.
  static std::vector<uint8_t> Header(uint16_t bits, uint32_t rate_hz, uint16_t channels,
                                     uint32_t data_size);

  // Writes 16-bit interleaved samples to `path` through a temporary file renamed over it, so a
  // failed write leaves any old file as it was. Refuses no samples, no channels, a rate under
  // 1 Hz and more data than the header can count. Failure: false with a reason.
  [[nodiscard]] static bool Write(const std::filesystem::path& path, uint32_t rate_hz,
                                  uint16_t channels, std::span<const int16_t> samples,
                                  std::string& error);
  // The permutation's decoded samples at its rate.
  [[nodiscard]] static bool Write(const std::filesystem::path& path, const SoundPermutation& p,
                                  std::string& error);

  // The file names (with ".wav") one export gives permutations of these names, in order: each
  // name made safe as a tag name is (no separators, never "." or ".."), an empty one called
  // "Permutation N" after its index, and repeats numbered "Dup", "Dup 2", "Dup 3", ...
  static std::vector<std::string> ExportNames(std::span<const std::string> names);
};
