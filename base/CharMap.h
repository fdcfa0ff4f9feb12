#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

// The program's 8-bit text encoding and its mapping to 16-bit characters. Tag data, the font
// and every text inside the program use 8-bit codes; only the outside world (clipboard, X11
// keyboard input) speaks Unicode, and this map is the one place where the two meet.
//
// The built-in map is Mac OS Roman with 0xDB as the currency sign (see MacRoman.h). A
// `charmap` file beside the executable replaces it: 224 little-endian uint16 values, the
// 16-bit character for each code 32..255 in order. The map is not required to be one-to-one,
// which is why the reverse direction searches rather than inverting.

inline constexpr int kCharMapFirstCode = 32;
inline constexpr int kCharMapEntryCount = 224;
inline constexpr size_t kCharMapFileSize = kCharMapEntryCount * 2;

enum class CharMapLoadStatus {
  kLoaded,
  // No file at the path: the caller carries on with the map it had, without a word.
  kMissing,
  // The file exists but does not hold exactly kCharMapFileSize bytes; the map is unchanged.
  kWrongSize,
  // The file exists but could not be read; the map is unchanged.
  kUnreadable,
};

class CharMap {
 public:
  // The built-in map.
  CharMap();

  // Replaces the map with the contents of a charmap file. Anything other than kLoaded leaves
  // the map as it was.
  CharMapLoadStatus Load(const std::filesystem::path& path);

  // Replaces the map with a charmap file image; false (map unchanged) when `bytes` does not
  // hold exactly kCharMapFileSize bytes.
  bool LoadFromBytes(std::span<const uint8_t> bytes);

  // Back to the built-in map.
  void Reset();

  // Codes below 32 are control codes and pass through; an entry of 0 reads as a space, so a
  // file that leaves codes unassigned never puts NULs into converted text.
  char16_t ToWide(uint8_t code) const;

  // Characters below 33 pass through (space and the control codes). Others become the first
  // code whose entry equals them; a character the map does not hold is capped at 255, which
  // keeps Latin-1 characters on their own codes when the map is Latin-1 based.
  uint8_t ToNarrow(char16_t wide) const;

  // The first code whose entry is exactly `wide`, or 0 when the map holds no such code; for
  // input, where a character the program cannot show must not turn into another one.
  uint8_t FindNarrow(char32_t wide) const;

  // Whole-text conversions for the clipboard and keyboard input. NarrowToUtf8 stops at nothing:
  // a NUL byte is carried over like any other control code. A map entry that is a lone UTF-16
  // surrogate cannot be written as UTF-8 and becomes U+FFFD.
  std::string NarrowToUtf8(std::string_view narrow) const;

  // Each code point becomes one 8-bit code through ToNarrow. Code points beyond U+FFFF are not
  // 16-bit characters, so no entry can equal them: they take the capped value 255 like any other
  // unmapped character. Malformed UTF-8 (stray continuation bytes, truncated or overlong
  // sequences, encoded surrogates) decodes byte by byte to U+FFFD and is converted the same way.
  std::string Utf8ToNarrow(std::string_view utf8) const;

  // Utf8ToNarrow for text that must come back unchanged: false at the first character the map
  // cannot hold (malformed UTF-8 counts as U+FFFD), which is put into `refused`.
  bool Utf8ToNarrowExact(std::string_view utf8, std::string& narrow, char32_t& refused) const;

  // Entry i is the 16-bit character for code 32 + i, as loaded (0 entries kept as 0).
  const std::array<uint16_t, kCharMapEntryCount>& entries() const { return entries_; }

 private:
  std::array<uint16_t, kCharMapEntryCount> entries_;
};

// The map the whole program converts with; start-up loads the charmap file into it.
CharMap& ProgramCharMap();
