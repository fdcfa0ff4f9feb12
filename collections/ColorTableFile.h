#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// Adobe Color Table (.act) files: 256 RGB triples, then, when not all 256 colours are used, a
// big-endian colour count and a transparent index (written as 0xFFFF, ignored on reading).
class ColorTableFile {
 public:
  using Palette = std::array<uint8_t, 768>;

  // Fails unless the 768 colour bytes are present; a count above 256 is taken as 256 and
  // entries from the count on are zeroed.
  static bool Parse(std::span<const uint8_t> file, Palette& palette, uint32_t& count,
                    std::string& error);
  static std::vector<uint8_t> Encode(const Palette& palette, uint32_t count);

  static bool readColorTable(const std::filesystem::path& path, Palette& palette, uint32_t& count,
                             std::string& error);
  static bool writeColorTable(const std::filesystem::path& path, const Palette& palette,
                              uint32_t count, std::string& error);
};
