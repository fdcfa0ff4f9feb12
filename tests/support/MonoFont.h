#pragma once
#include <cstdint>

#include "gui/Font.h"
#include "gui/FontFile.h"

// A plain font in which every character advances the same distance and has a small bitmap,
// so that widths and caret places can be worked out by hand. Glyph pages are left unbuilt:
// layout and the recording painter need none.
inline FontData MonoFontData(int advance = 6, int line_height = 12) {
  FontData data;
  data.ascent = line_height - 3;
  data.descent = 3;
  data.line_height = line_height;
  data.tab_size = 4;
  FontStyle& plain = data.styles[kFontPlain];
  plain.set_present(true);
  for (int g = 0; g < kFontGlyphCount; ++g) {
    FontGlyph& glyph = plain.glyphs[g];
    glyph.advances.fill(static_cast<int8_t>(advance));
    if (g == 0) continue;  // the space has no bitmap
    glyph.width = static_cast<uint16_t>(advance - 1);
    glyph.height = static_cast<uint16_t>(line_height - 4);
    glyph.y_offset = static_cast<int16_t>(-(line_height - 4));
    glyph.coverage.assign(static_cast<size_t>(glyph.width) * glyph.height, 0xFF);
  }
  return data;
}
