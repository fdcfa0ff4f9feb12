#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Reading and writing .zarvfont files, the pre-rendered bitmap fonts the GUI draws its text
// with. This is the file format only, as plain data: packing the coverage into textures and
// drawing belong to the font renderer.
//
// Layout (little-endian, no magic number, no version):
//   header   four int32: ascent, descent, line height, tab size
//   4 styles each: 224 glyph records (character codes 32..255 in order), then four uint32
//            style values; bit 0 of the last one marks the style as present
//   glyph    uint16 width, uint16 height, int16 x offset, int16 y offset,
//            224 int8 advances, width * height coverage bytes (rows top to bottom)
//
// An absent style still has its 224 records in the file, normally all 0 by 0.

inline constexpr int kFontFirstChar = 32;
inline constexpr int kFontGlyphCount = 224;
inline constexpr int kFontStyleCount = 4;
inline constexpr size_t kFontHeaderSize = 16;
inline constexpr size_t kFontGlyphRecordSize = 8 + kFontGlyphCount;  // before the coverage
inline constexpr size_t kFontStyleTrailerSize = 16;

// The style blocks in file order, selected in texts by "|p", "|b", "|i" and "|o". The last one
// is free for any typeface; the supplied UI font puts bold italic there.
enum FontStyleIndex : int { kFontPlain = 0, kFontBold = 1, kFontItalic = 2, kFontBoldItalic = 3 };

struct FontGlyph {
  uint16_t width = 0;
  uint16_t height = 0;
  // Top-left of the bitmap relative to the pen on the baseline; y grows downwards, so glyphs
  // that rise above the baseline have a negative y offset.
  int16_t x_offset = 0;
  int16_t y_offset = 0;
  // Entry j: pen advance after this glyph when the next character is 32 + j, kerning included.
  std::array<int8_t, kFontGlyphCount> advances{};
  // width * height alpha values, rows top to bottom.
  std::vector<uint8_t> coverage;
};

struct FontStyle {
  // Always kFontGlyphCount glyphs, for character codes 32..255.
  std::vector<FontGlyph> glyphs = std::vector<FontGlyph>(kFontGlyphCount);
  // Kept as read so that a file round-trips; only bit 0 of the last value has a meaning.
  std::array<uint32_t, 4> trailer{};

  bool present() const { return (trailer[3] & 1u) != 0; }
  void set_present(bool on) { trailer[3] = on ? (trailer[3] | 1u) : (trailer[3] & ~1u); }
};

struct FontData {
  // Distance from the top of a line to the baseline.
  int32_t ascent = 0;
  // Distance from the baseline to the bottom of the lowest glyph. The renderer does not use it;
  // it is kept so that tools can tell how far descenders reach.
  int32_t descent = 0;
  int32_t line_height = 0;
  // Tab stops are this many space advances apart.
  int32_t tab_size = 0;
  std::array<FontStyle, kFontStyleCount> styles;
};

struct FontReadResult {
  std::optional<FontData> font;
  // Why reading failed; empty when font holds a value.
  std::string error;

  explicit operator bool() const { return font.has_value(); }
};

struct FontWriteResult {
  std::vector<uint8_t> bytes;
  // Why the data could not be written; empty on success.
  std::string error;

  bool ok() const { return error.empty(); }
};

// Parses a whole file image. Fails, with a message naming the style and glyph, when the data
// ends early or a glyph's size runs past the end of the data. Bytes after the last style are
// ignored, as the format has no length field that would make them an error.
FontReadResult ReadFontFile(std::span<const uint8_t> bytes);

// Reads the file at `path` and parses it; a missing or unreadable file is an error result.
FontReadResult LoadFontFile(const std::filesystem::path& path);

// Empty when `font` can be written: every style has kFontGlyphCount glyphs and every glyph's
// coverage holds exactly width * height bytes.
std::string CheckFontData(const FontData& font);

// Serialises `font`; fails (with CheckFontData's message) on inconsistent data.
FontWriteResult WriteFontFile(const FontData& font);

// Writes `font` to `path`; returns an error message, empty on success.
std::string SaveFontFile(const FontData& font, const std::filesystem::path& path);
