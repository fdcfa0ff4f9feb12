#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/Font.h"
#include "gui/Painter.h"

// Packs the font's glyph bitmaps into 8-bit alpha pages (glyphs may be turned to fit),
// records each glyph's place, and frees the coverage. Returns an error message when the
// glyphs cannot be packed; the font is then left without pages.
std::string BuildFontPages(Font& font, int32_t max_texture_size, std::vector<PageImage>& pages);

// The textured quad of a glyph whose bitmap's top left is drawn at (x, y).
TexturedQuad MakeGlyphQuad(const Font& font, const Font::Glyph& glyph, int32_t x, int32_t y);
