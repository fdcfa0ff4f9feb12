#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "gui/Font.h"
#include "gui/Geometry.h"

// Laying out 8-bit text in a bitmap font: measuring, line breaking, caret hit-testing and the
// glyph walk that drawing is built on. Nothing here touches OpenGL, so measuring is free to run
// anywhere and the rules can be tested without a display.
//
// How text is read, everywhere in this file:
//  - A NUL byte ends the text, as does the end of the view.
//  - "|" followed by b, i, o or p (either case) switches to bold, italic, the fourth style or
//    plain for the rest of the text and is not drawn; a switch to a style the font lacks is
//    ignored. A "|" followed by anything else, the end of the text included, is an ordinary
//    character, and the character after it is read afresh: "|x" draws two characters, "||"
//    draws two bars, and "||b" draws one bar and then switches to bold. There is no escape
//    for a literal "|b"; text that comes from data is laid out with kTextLiteral instead,
//    which reads every "|" as an ordinary character.
//  - LF and CR end a line; a CR directly followed by an LF is one line break, not two.
//  - A tab moves the pen to the next multiple of the tab step (space advance times tab size),
//    measured from the line's start. When that step is 0 or negative the font has no tab stops
//    and a tab advances like a space.
//  - Other codes below 32 are read as spaces.
//  - A character advances the pen by its advance-table entry for the next character, with
//    style switches in between skipped, so "A|bV" kerns like "AV". Before a line break, a tab
//    or the end of the text the entry for a following space is used.
//  - Text in a style the font lacks is laid out in the first style the font has (see
//    Font::UsableStyle).

// Flags of LayoutText (and of the GL side's DrawText).
inline constexpr uint32_t kTextMultiLine = 0x4;  // continue below after each line break
inline constexpr uint32_t kTextWordWrap = 0x8;   // wrap at the rectangle's width; implies 0x4
inline constexpr uint32_t kTextCentre = 0x10;    // centre each line; wins over kTextRight
inline constexpr uint32_t kTextRight = 0x20;     // align each line to the right
inline constexpr uint32_t kTextVCentre = 0x40;   // centre a single line vertically
inline constexpr uint32_t kTextShadow = 0x100;   // black copy one pixel right and down
inline constexpr uint32_t kTextMeasureOnly = 0x200;
inline constexpr uint32_t kTextLiteral = 0x400;  // no style switches: "|b" is two characters

struct TextLine {
  // Pen advance over the line's characters.
  int32_t width = 0;
  // The line's characters are [start, end); `end` is the line break, the space or tab the line
  // was wrapped at, the character that did not fit, or the end of the text.
  size_t end = 0;
  // Where the next line starts and the style in effect there.
  size_t next = 0;
  int next_style = 0;
};

// Lays out one line starting at `start` in `style`. Returns true when another line follows:
// after a line break (even when nothing follows it, so "a\n" has two lines) and after a wrap
// that leaves text behind (a wrap at a trailing space does not start an empty line).
//
// With kTextWordWrap, a character that would take the line past `max_width` ends it: at the
// last space or tab of the line when there is one (the line's width stops before that space,
// and the next line starts after it), otherwise right before that character, so a word longer
// than the width is broken between characters. The first character of a line always stays,
// however wide. A line broken before a character ends before any style switches that precede
// it; the next line applies them.
//
// Without a font the result is an empty line and false.
bool LayoutLine(const Font* font, std::string_view text, uint32_t flags, int32_t max_width,
                size_t start, int start_style, TextLine& line);

// Width of the widest line, lines broken only at line breaks. 0 without a font.
// Only kTextLiteral counts among the flags here and in CharIndexAtX.
int32_t MeasureTextWidth(const Font* font, std::string_view text, int style, uint32_t flags = 0);

// Number of lines times (line height + 2), the lines being those LayoutText would produce for
// `flags` at `width`: without kTextMultiLine or kTextWordWrap only the first line counts. An
// empty text is one empty line. 0 without a font.
int32_t MeasureTextHeight(const Font* font, std::string_view text, int style, uint32_t flags,
                          int32_t width);

// The caret position nearest to `x` (measured from the line's start) on the first line of
// `text`: the index before the character under x when x is in its left half (before any style
// switches preceding it), the index after it otherwise. Left of the text gives the line's first
// position, right of it the index where the line ends: the text's length for a single line,
// the line break's index otherwise. 0 without a font.
size_t CharIndexAtX(const Font* font, std::string_view text, int style, int32_t x,
                    uint32_t flags = 0);

// The font's line height, 0 without a font.
int32_t FontLineHeight(const Font* font);

// One glyph bitmap to draw.
struct PlacedGlyph {
  const Font::Glyph* glyph = nullptr;
  // The character and where it is in the text; control codes drawn as spaces report ' '.
  uint8_t code = 0;
  size_t index = 0;
  int style = 0;
  // The pen on the baseline.
  int32_t pen_x = 0;
  int32_t baseline_y = 0;
  // Top-left corner of the quad: the pen plus the glyph's offset, plus one pixel right and down
  // for a shadow.
  int32_t x = 0;
  int32_t y = 0;
  // The black copy drawn under the glyph for kTextShadow; it comes right before the glyph.
  bool shadow = false;
};

using GlyphVisitor = std::function<void(const PlacedGlyph&)>;

// Lays `text` out in `rect` the way DrawText draws it and returns the width of the widest line
// laid out (0 when there is no font, the text is empty or the rectangle is empty).
//
// The first line's baseline lies the ascent below the rectangle's top, moved down by
// max(0, (height - line height) / 2) with kTextVCentre; each further line is one line height
// lower. Only the first line is laid out unless kTextMultiLine or kTextWordWrap is set, and
// no line starts at or below the rectangle's bottom. Lines are wrapped at the rectangle's
// width with kTextWordWrap, centred (kTextCentre, rounding towards the left) or right-aligned
// (kTextRight) using their width; a line wider than the rectangle is not clamped, so centred
// it overhangs on both sides. A line stops at the first glyph whose pen is at or past the
// rectangle's right edge; a line too long for the rectangle is cut there, not wrapped.
//
// `visit` is called for every glyph that has a bitmap, in text order, and with kTextShadow
// first for its shadow; never with kTextMeasureOnly.
int32_t LayoutText(const Font* font, std::string_view text, int style, uint32_t flags,
                   const Rect& rect, const GlyphVisitor& visit);

// LayoutText collecting the glyphs: appends them to `out`.
int32_t LayoutText(const Font* font, std::string_view text, int style, uint32_t flags,
                   const Rect& rect, std::vector<PlacedGlyph>& out);
