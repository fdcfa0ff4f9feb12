#include "gui/Font.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace {

// Shared by the copying and the moving constructor: `Source` is a const FontStyle when
// copying and a plain one when moving, and the coverage is copied or moved to match.
template <typename Source, typename Glyphs>
void TakeGlyphs(Source& source, Glyphs& glyphs) {
  const size_t count = std::min<size_t>(source.glyphs.size(), glyphs.size());
  for (size_t g = 0; g < count; ++g) {
    auto& from = source.glyphs[g];
    auto& to = glyphs[g];
    to.width = from.width;
    to.height = from.height;
    to.x_offset = from.x_offset;
    to.y_offset = from.y_offset;
    to.advances = from.advances;
    if constexpr (std::is_const_v<Source>) {
      to.coverage = from.coverage;
    } else {
      to.coverage = std::move(from.coverage);
    }
  }
}

int ClampStyle(int style) {
  return (style >= 0 && style < kFontStyleCount) ? style : kFontPlain;
}

}  // namespace

Font::Font(const FontData& data)
    : ascent_(data.ascent),
      descent_(data.descent),
      line_height_(data.line_height),
      tab_size_(data.tab_size) {
  for (int s = 0; s < kFontStyleCount; ++s) {
    styles_[s].present = data.styles[s].present();
    TakeGlyphs(data.styles[s], styles_[s].glyphs);
  }
}

Font::Font(FontData&& data)
    : ascent_(data.ascent),
      descent_(data.descent),
      line_height_(data.line_height),
      tab_size_(data.tab_size) {
  for (int s = 0; s < kFontStyleCount; ++s) {
    styles_[s].present = data.styles[s].present();
    TakeGlyphs(data.styles[s], styles_[s].glyphs);
  }
}

bool Font::HasStyle(int style) const {
  return style >= 0 && style < kFontStyleCount && styles_[style].present;
}

int Font::UsableStyle(int style) const {
  if (HasStyle(style)) return style;
  for (int s = 0; s < kFontStyleCount; ++s) {
    if (styles_[s].present) return s;
  }
  return kFontPlain;
}

const Font::Glyph& Font::GetGlyph(int style, uint8_t code) const {
  const int index = code < kFontFirstChar ? 0 : code - kFontFirstChar;
  return styles_[ClampStyle(style)].glyphs[index];
}

Font::Glyph& Font::GetGlyph(int style, uint8_t code) {
  const int index = code < kFontFirstChar ? 0 : code - kFontFirstChar;
  return styles_[ClampStyle(style)].glyphs[index];
}

int Font::Advance(int style, uint8_t code, uint8_t next) const {
  const int entry = next < kFontFirstChar ? 0 : next - kFontFirstChar;
  return GetGlyph(style, code).advances[entry];
}

int Font::TabStep(int style) const {
  // Widened before multiplying: a corrupt tab size must not overflow into a small positive step.
  const int64_t step = int64_t{GetGlyph(style, ' ').advances[0]} * tab_size_;
  return static_cast<int>(std::clamp<int64_t>(step, -1, INT32_MAX));
}

void Font::ReleaseCoverage() {
  for (Style& style : styles_) {
    for (Glyph& glyph : style.glyphs) {
      glyph.coverage.clear();
      glyph.coverage.shrink_to_fit();
    }
  }
}
