#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "gui/FontFile.h"

// A bitmap font as the GUI uses it: metrics, the four styles of 224 glyphs with their
// kerned advance tables, and where each glyph's bitmap ended up in the font's texture pages.
// This class holds data only; packing the coverage into pages and uploading them is the GL
// side's job, which fills in the placement fields and the page list and then drops the
// coverage. Text layout over a font lives in TextLayout.h.
class Font {
 public:
  struct Glyph {
    uint16_t width = 0;
    uint16_t height = 0;
    // Top-left of the bitmap relative to the pen on the baseline (y grows downwards).
    int16_t x_offset = 0;
    int16_t y_offset = 0;
    // Entry j: pen advance after this glyph when the next character is 32 + j.
    std::array<int8_t, kFontGlyphCount> advances{};
    // width * height alpha values, rows top to bottom; emptied once the pages are built.
    std::vector<uint8_t> coverage;

    // Placement in the texture pages. A glyph without a bitmap has no page (-1). A transposed
    // glyph was turned by the packer to fit: its rows lie along the page's columns.
    int32_t page = -1;
    int32_t page_x = 0;
    int32_t page_y = 0;
    bool transposed = false;

    bool HasBitmap() const { return width != 0 && height != 0; }
  };

  struct Page {
    int32_t width = 0;
    int32_t height = 0;
    // The OpenGL texture name; 0 while the page has not been uploaded.
    uint32_t gl_name = 0;
  };

  explicit Font(const FontData& data);
  explicit Font(FontData&& data);

  int32_t ascent() const { return ascent_; }
  // The distance descenders reach below the baseline; layout does not use it.
  int32_t descent() const { return descent_; }
  int32_t line_height() const { return line_height_; }
  int32_t tab_size() const { return tab_size_; }

  // False for indices outside 0..3 as well as for styles the file marks absent.
  bool HasStyle(int style) const;

  // The style text in `style` is drawn with: the style itself when the font has it, otherwise
  // the first style the font has (plain, whenever plain is present). A font with no style at
  // all answers plain, whose glyphs are then all empty.
  int UsableStyle(int style) const;

  // `style` must be 0..3. Codes below 32 have no glyph of their own and read as the space.
  const Glyph& GetGlyph(int style, uint8_t code) const;
  Glyph& GetGlyph(int style, uint8_t code);

  // Pen advance after `code` when `next` follows; `next` below 32 (end of text, line break,
  // tab) uses the entry for a following space.
  int Advance(int style, uint8_t code, uint8_t next) const;

  // Distance between tab stops in `style`: the space's advance times the tab size. 0 or less
  // when either factor is, which layout treats as "no tab stops".
  int TabStep(int style) const;

  const std::vector<Page>& pages() const { return pages_; }
  std::vector<Page>& pages() { return pages_; }

  // Drops every glyph's coverage once it has been copied into pages.
  void ReleaseCoverage();

 private:
  struct Style {
    std::array<Glyph, kFontGlyphCount> glyphs;
    bool present = false;
  };

  int32_t ascent_ = 0;
  int32_t descent_ = 0;
  int32_t line_height_ = 0;
  int32_t tab_size_ = 0;
  // On the heap: the glyphs take a quarter of a megabyte, too much for a stack-allocated Font.
  std::vector<Style> styles_ = std::vector<Style>(kFontStyleCount);
  std::vector<Page> pages_;
};
