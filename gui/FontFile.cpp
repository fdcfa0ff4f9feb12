#include "gui/FontFile.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/ByteReader.h"

namespace {

// Names a glyph in messages by character code, and by the character itself when it is ASCII,
// so that a broken record can be found in a hex dump and in a font editor alike.
std::string GlyphName(int style, int index) {
  const int code = kFontFirstChar + index;
  char buffer[64];
  if (code < 127) {
    std::snprintf(buffer, sizeof buffer, "style %d, glyph %d ('%c')", style, code,
                  static_cast<char>(code));
  } else {
    std::snprintf(buffer, sizeof buffer, "style %d, glyph %d", style, code);
  }
  return buffer;
}

std::string ShortAt(const ByteReader& reader, const std::string& what) {
  return "font file ends early in " + what + " (" + std::to_string(reader.remaining()) + " of " +
         std::to_string(reader.size()) + " bytes left at offset " +
         std::to_string(reader.position()) + ")";
}

// The glyph's name is only put together on failure: building it for every glyph would cost
// more than parsing the record.
bool ReadGlyph(ByteReader& reader, FontGlyph& glyph, int style, int index, std::string& error) {
  std::span<const uint8_t> advances;
  const bool ok = reader.ReadU16Le(glyph.width) && reader.ReadU16Le(glyph.height) &&
                  reader.ReadI16Le(glyph.x_offset) && reader.ReadI16Le(glyph.y_offset) &&
                  reader.ReadView(kFontGlyphCount, advances);
  if (!ok) {
    error = ShortAt(reader, GlyphName(style, index));
    return false;
  }
  for (int j = 0; j < kFontGlyphCount; ++j) glyph.advances[j] = static_cast<int8_t>(advances[j]);
  // Up to 65535 x 65535, which does not fit 32 bits on every platform; the product is checked
  // against the bytes that are really there before anything is allocated.
  const uint64_t area = uint64_t{glyph.width} * glyph.height;
  if (area > reader.remaining()) {
    error = GlyphName(style, index) + ": a " + std::to_string(glyph.width) + " x " +
            std::to_string(glyph.height) + " bitmap needs " + std::to_string(area) +
            " bytes but only " + std::to_string(reader.remaining()) + " are left in the font file";
    return false;
  }
  std::span<const uint8_t> coverage;
  if (!reader.ReadView(static_cast<size_t>(area), coverage)) {
    error = ShortAt(reader, GlyphName(style, index));
    return false;
  }
  glyph.coverage.assign(coverage.begin(), coverage.end());
  return true;
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

FontReadResult ReadFontFile(std::span<const uint8_t> bytes) {
  FontReadResult result;
  ByteReader reader(bytes);
  FontData font;
  if (!(reader.ReadI32Le(font.ascent) && reader.ReadI32Le(font.descent) &&
        reader.ReadI32Le(font.line_height) && reader.ReadI32Le(font.tab_size))) {
    result.error = ShortAt(reader, "the header");
    return result;
  }
  for (int s = 0; s < kFontStyleCount; ++s) {
    FontStyle& style = font.styles[s];
    for (int g = 0; g < kFontGlyphCount; ++g) {
      if (!ReadGlyph(reader, style.glyphs[g], s, g, result.error)) return result;
    }
    for (uint32_t& value : style.trailer) {
      if (!reader.ReadU32Le(value)) {
        result.error = ShortAt(reader, "the trailer of style " + std::to_string(s));
        return result;
      }
    }
  }
  result.font = std::move(font);
  return result;
}

FontReadResult LoadFontFile(const std::filesystem::path& path) {
  FontReadResult result;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.error = "cannot open font file " + path.string();
    return result;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (in.bad()) {
    result.error = "cannot read font file " + path.string();
    return result;
  }
  result = ReadFontFile(bytes);
  if (!result) result.error = path.string() + ": " + result.error;
  return result;
}

std::string CheckFontData(const FontData& font) {
  for (int s = 0; s < kFontStyleCount; ++s) {
    const FontStyle& style = font.styles[s];
    if (style.glyphs.size() != kFontGlyphCount) {
      return "style " + std::to_string(s) + " has " + std::to_string(style.glyphs.size()) +
             " glyphs instead of " + std::to_string(kFontGlyphCount);
    }
    for (int g = 0; g < kFontGlyphCount; ++g) {
      const FontGlyph& glyph = style.glyphs[g];
      const uint64_t area = uint64_t{glyph.width} * glyph.height;
      if (glyph.coverage.size() != area) {
        return GlyphName(s, g) + ": " + std::to_string(glyph.coverage.size()) +
               " coverage bytes for a " + std::to_string(glyph.width) + " x " +
               std::to_string(glyph.height) + " bitmap";
      }
    }
  }
  return {};
}

FontWriteResult WriteFontFile(const FontData& font) {
  FontWriteResult result;
  result.error = CheckFontData(font);
  if (!result.ok()) return result;

  size_t total = kFontHeaderSize;
  for (const FontStyle& style : font.styles) {
    total += kFontStyleTrailerSize;
    for (const FontGlyph& glyph : style.glyphs)
      total += kFontGlyphRecordSize + glyph.coverage.size();
  }
  std::vector<uint8_t>& out = result.bytes;
  out.reserve(total);
  PutU32(out, static_cast<uint32_t>(font.ascent));
  PutU32(out, static_cast<uint32_t>(font.descent));
  PutU32(out, static_cast<uint32_t>(font.line_height));
  PutU32(out, static_cast<uint32_t>(font.tab_size));
  for (const FontStyle& style : font.styles) {
    for (const FontGlyph& glyph : style.glyphs) {
      PutU16(out, glyph.width);
      PutU16(out, glyph.height);
      PutU16(out, static_cast<uint16_t>(glyph.x_offset));
      PutU16(out, static_cast<uint16_t>(glyph.y_offset));
      for (int8_t advance : glyph.advances) out.push_back(static_cast<uint8_t>(advance));
      out.insert(out.end(), glyph.coverage.begin(), glyph.coverage.end());
    }
    for (uint32_t value : style.trailer) PutU32(out, value);
  }
  return result;
}

std::string SaveFontFile(const FontData& font, const std::filesystem::path& path) {
  FontWriteResult written = WriteFontFile(font);
  if (!written.ok()) return written.error;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return "cannot create font file " + path.string();
  out.write(reinterpret_cast<const char*>(written.bytes.data()),
            static_cast<std::streamsize>(written.bytes.size()));
  out.close();
  if (!out) return "cannot write font file " + path.string();
  return {};
}
