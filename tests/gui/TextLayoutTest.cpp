#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "gui/Font.h"
#include "gui/TextLayout.h"

namespace {

using namespace std::string_view_literals;

// The font the tests lay text out in. Every style gives ordinary characters its own advance,
// so a width tells which style each character was measured in.
constexpr int kAscent = 10;
constexpr int kLineHeight = 13;
constexpr int kTabSize = 4;
constexpr std::array<int, kFontStyleCount> kLetter = {5, 7, 6, 8};
constexpr std::array<int, kFontStyleCount> kSpace = {6, 4, 3, 5};
constexpr int kPlainTab = kSpace[0] * kTabSize;  // 24
// 'W' is wide in every style.
constexpr int kWide = 12;
// Plain 'K' kerns: tighter before 'V', looser before a space (and so at the end of a line).
constexpr int kKernKV = -2;
constexpr int kKernKSpace = 1;
// Glyph bitmaps differ by style so that quads can be traced back to their style.
constexpr int kGlyphHeight = 7;
int GlyphXOffset(int style) {
  return style - 1;
}
int GlyphYOffset(int style) {
  return -kGlyphHeight + style;
}

struct FontOptions {
  bool with_plain = true;
  bool with_italic = true;
  int tab_size = kTabSize;
  int plain_space = kSpace[0];
};

FontData MakeFontData(const FontOptions& options = {}) {
  FontData data;
  data.ascent = kAscent;
  data.descent = 3;
  data.line_height = kLineHeight;
  data.tab_size = options.tab_size;
  for (int s = 0; s < kFontStyleCount; ++s) {
    FontStyle& style = data.styles[s];
    style.set_present((s != kFontPlain || options.with_plain) &&
                      (s != kFontItalic || options.with_italic));
    for (int g = 0; g < kFontGlyphCount; ++g) {
      const int code = kFontFirstChar + g;
      FontGlyph& glyph = style.glyphs[g];
      int advance = kLetter[s];
      if (code == ' ') advance = s == kFontPlain ? options.plain_space : kSpace[s];
      if (code == 'W') advance = kWide;
      glyph.advances.fill(static_cast<int8_t>(advance));
      if (code == 'K' && s == kFontPlain) {
        glyph.advances['V' - kFontFirstChar] = static_cast<int8_t>(advance + kKernKV);
        glyph.advances[0] = static_cast<int8_t>(advance + kKernKSpace);
      }
      if (code != ' ') {
        glyph.width = static_cast<uint16_t>(3 + s);
        glyph.height = kGlyphHeight;
        glyph.x_offset = static_cast<int16_t>(GlyphXOffset(s));
        glyph.y_offset = static_cast<int16_t>(GlyphYOffset(s));
        glyph.coverage.assign(size_t{glyph.width} * glyph.height, 0xFF);
      }
    }
  }
  return data;
}

class TextLayoutTest : public ::testing::Test {
 protected:
  Font font_{MakeFontData()};

  // Lays text out in `rect` and returns the glyphs; the widest width goes to `widest`.
  std::vector<PlacedGlyph> Glyphs(std::string_view text, uint32_t flags, const Rect& rect,
                                  int style = kFontPlain, int32_t* widest = nullptr) const {
    std::vector<PlacedGlyph> glyphs;
    const int32_t width = LayoutText(&font_, text, style, flags, rect, glyphs);
    if (widest) *widest = width;
    return glyphs;
  }

  TextLine Line(std::string_view text, uint32_t flags, int32_t max_width, size_t start = 0,
                int style = kFontPlain, bool* more = nullptr) const {
    TextLine line;
    const bool result = LayoutLine(&font_, text, flags, max_width, start, style, line);
    if (more) *more = result;
    return line;
  }

  int32_t Width(std::string_view text, int style = kFontPlain) const {
    return MeasureTextWidth(&font_, text, style);
  }
};

std::string Codes(const std::vector<PlacedGlyph>& glyphs) {
  std::string codes;
  for (const PlacedGlyph& glyph : glyphs) codes.push_back(static_cast<char>(glyph.code));
  return codes;
}

// ---------------------------------------------------------------------------------------------

using TextStyleCodes = TextLayoutTest;

TEST_F(TextStyleCodes, BoldSwitchUsesBoldAdvances) {
  EXPECT_EQ(Width("|bAB"), 2 * kLetter[kFontBold]);
  EXPECT_EQ(Width("AB"), 2 * kLetter[kFontPlain]);
}

TEST_F(TextStyleCodes, LettersAreCaseInsensitive) {
  EXPECT_EQ(Width("|BAB"), Width("|bAB"));
  EXPECT_EQ(Width("|IA|OA|PA"), kLetter[kFontItalic] + kLetter[kFontBoldItalic] + kLetter[0]);
}

TEST_F(TextStyleCodes, SwitchLastsForTheRestOfTheText) {
  const auto glyphs = Glyphs("|bAB|pCD", 0, {0, 0, 200, 50});
  ASSERT_EQ(Codes(glyphs), "ABCD");
  EXPECT_EQ(glyphs[0].style, kFontBold);
  EXPECT_EQ(glyphs[1].style, kFontBold);
  EXPECT_EQ(glyphs[2].style, kFontPlain);
  EXPECT_EQ(glyphs[3].style, kFontPlain);
  EXPECT_EQ(glyphs[2].pen_x, 2 * kLetter[kFontBold]);
}

TEST_F(TextStyleCodes, SwitchesInARowAreAllApplied) {
  const auto glyphs = Glyphs("|b|iA", 0, {0, 0, 200, 50});
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_EQ(glyphs[0].style, kFontItalic);
  EXPECT_EQ(Width("|b|iA"), kLetter[kFontItalic]);
}

TEST_F(TextStyleCodes, BarBeforeOtherCharacterIsDrawn) {
  const auto glyphs = Glyphs("|xA", 0, {0, 0, 200, 50});
  EXPECT_EQ(Codes(glyphs), "|xA");
  EXPECT_EQ(Width("|xA"), 3 * kLetter[0]);
  EXPECT_EQ(Codes(Glyphs("A|", 0, {0, 0, 200, 50})), "A|");
}

TEST_F(TextStyleCodes, LiteralTextReadsNoSwitches) {
  const auto glyphs = Glyphs("|bA|i", kTextLiteral, {0, 0, 200, 50});
  EXPECT_EQ(Codes(glyphs), "|bA|i");
  for (const PlacedGlyph& g : glyphs) EXPECT_EQ(g.style, kFontPlain);
  EXPECT_EQ(Line("|bAB", kTextLiteral, 0).width, 4 * kLetter[kFontPlain]);
}

TEST_F(TextStyleCodes, DoubleBarDrawsOneBarAndReadsTheSecondAfresh) {
  EXPECT_EQ(Codes(Glyphs("||", 0, {0, 0, 200, 50})), "||");
  const auto glyphs = Glyphs("||bA", 0, {0, 0, 200, 50});
  ASSERT_EQ(Codes(glyphs), "|A");
  EXPECT_EQ(glyphs[0].style, kFontPlain);
  EXPECT_EQ(glyphs[1].style, kFontBold);
  EXPECT_EQ(Width("||bA"), kLetter[kFontPlain] + kLetter[kFontBold]);
}

TEST_F(TextStyleCodes, LiteralTextDrawsEveryBarAndKeepsItsStyle) {
  int32_t widest = 0;
  const auto glyphs = Glyphs("A|bB", kTextLiteral, {0, 0, 200, 50}, kFontPlain, &widest);
  ASSERT_EQ(Codes(glyphs), "A|bB");
  for (const PlacedGlyph& glyph : glyphs) EXPECT_EQ(glyph.style, kFontPlain);
  EXPECT_EQ(widest, 4 * kLetter[kFontPlain]);
  EXPECT_EQ(glyphs[3].pen_x, 3 * kLetter[kFontPlain]);
  TextLine line = Line("|b|b", kTextLiteral, 1000);
  EXPECT_EQ(line.end, 4u);
  EXPECT_EQ(line.width, 4 * kLetter[kFontPlain]);
}

TEST_F(TextStyleCodes, SwitchToAMissingStyleChangesNothing) {
  const Font no_italic(MakeFontData({.with_italic = false}));
  EXPECT_EQ(MeasureTextWidth(&no_italic, "|iAB", kFontPlain), 2 * kLetter[kFontPlain]);
  EXPECT_EQ(MeasureTextWidth(&no_italic, "|b|iAB", kFontPlain), 2 * kLetter[kFontBold]);
}

TEST_F(TextStyleCodes, MissingStartStyleFallsBackToTheFirstPresentStyle) {
  const Font no_italic(MakeFontData({.with_italic = false}));
  EXPECT_EQ(MeasureTextWidth(&no_italic, "AB", kFontItalic), 2 * kLetter[kFontPlain]);
  EXPECT_EQ(MeasureTextWidth(&no_italic, "AB", 7), 2 * kLetter[kFontPlain]);
  const Font no_plain(MakeFontData({.with_plain = false}));
  EXPECT_EQ(MeasureTextWidth(&no_plain, "AB", kFontPlain), 2 * kLetter[kFontBold]);
  std::vector<PlacedGlyph> glyphs;
  LayoutText(&no_plain, "A", kFontPlain, 0, {0, 0, 100, 20}, glyphs);
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_EQ(glyphs[0].style, kFontBold);
}

TEST_F(TextStyleCodes, LiteralTextMeasuresAndPlacesTheCaretOverEveryCharacter) {
  EXPECT_EQ(MeasureTextWidth(&font_, "|bAB", kFontPlain, kTextLiteral), 4 * kLetter[kFontPlain]);
  EXPECT_EQ(MeasureTextWidth(&font_, "|bAB", kFontPlain), 2 * kLetter[kFontBold]);
  // The bar and the letter are the characters they are, so the caret can stand between them.
  EXPECT_EQ(CharIndexAtX(&font_, "|bAB", kFontPlain, kLetter[0] + 1, kTextLiteral), 1u);
  EXPECT_EQ(CharIndexAtX(&font_, "|bAB", kFontPlain, 2 * kLetter[0] + 1, kTextLiteral), 2u);
}

// ---------------------------------------------------------------------------------------------

using TextKerning = TextLayoutTest;

TEST_F(TextKerning, AdvanceDependsOnTheNextCharacter) {
  EXPECT_EQ(Width("KV"), kLetter[0] + kKernKV + kLetter[0]);
  EXPECT_EQ(Width("VK"), kLetter[0] + kLetter[0] + kKernKSpace);
  EXPECT_EQ(Width("KA"), 2 * kLetter[0]);
}

TEST_F(TextKerning, LineEndUsesTheSpaceEntry) {
  EXPECT_EQ(Width("K"), kLetter[0] + kKernKSpace);
  EXPECT_EQ(Width("K\nA"), kLetter[0] + kKernKSpace);
  EXPECT_EQ(Width("K "), kLetter[0] + kKernKSpace + kSpace[0]);
}

TEST_F(TextKerning, StyleSwitchIsSkippedToFindTheNextCharacter) {
  EXPECT_EQ(Width("K|bV"), kLetter[0] + kKernKV + kLetter[kFontBold]);
  EXPECT_EQ(Width("K|b"), kLetter[0] + kKernKSpace);
}

TEST_F(TextKerning, PenPositionsFollowTheKernedAdvances) {
  const auto glyphs = Glyphs("AKV", 0, {0, 0, 200, 20});
  ASSERT_EQ(glyphs.size(), 3u);
  EXPECT_EQ(glyphs[1].pen_x, kLetter[0]);
  EXPECT_EQ(glyphs[2].pen_x, 2 * kLetter[0] + kKernKV);
}

// ---------------------------------------------------------------------------------------------

using TextTabs = TextLayoutTest;

TEST_F(TextTabs, AdvanceToTheNextMultipleOfTheTabStep) {
  // A at 0..5, the tab moves on to 24, B follows.
  EXPECT_EQ(Width("A\tB"), kPlainTab + kLetter[0]);
  // A tab exactly at a stop moves on to the next one.
  EXPECT_EQ(Width("WW\tB"), 2 * kPlainTab + kLetter[0]);
  EXPECT_EQ(Width("\t"), kPlainTab);
  EXPECT_EQ(Width("\t\t"), 2 * kPlainTab);
}

TEST_F(TextTabs, StepUsesTheCurrentStylesSpace) {
  EXPECT_EQ(Width("|bA\tB"), kSpace[kFontBold] * kTabSize + kLetter[kFontBold]);
}

TEST_F(TextTabs, StopsAreMeasuredFromTheLineStart) {
  EXPECT_EQ(Width("WWWWWWW\nA\tB"), 7 * kWide);
  EXPECT_EQ(Width("A\nA\tB"), kPlainTab + kLetter[0]);
  // Right-aligned, the line starts away from the rectangle's edge; the stop stays relative.
  const auto glyphs = Glyphs("A\tB", kTextRight, {100, 0, 300, 20});
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[1].pen_x - glyphs[0].pen_x, kPlainTab);
  EXPECT_EQ(glyphs[0].pen_x, 300 - (kPlainTab + kLetter[0]));
}

TEST_F(TextTabs, TabSizeZeroAdvancesLikeASpace) {
  const Font font(MakeFontData({.tab_size = 0}));
  EXPECT_EQ(MeasureTextWidth(&font, "A\tB", 0), 2 * kLetter[0] + kSpace[0]);
  EXPECT_EQ(MeasureTextWidth(&font, "\t\t\t", 0), 3 * kSpace[0]);
}

TEST_F(TextTabs, SpaceAdvanceZeroDoesNotDivideByZero) {
  const Font font(MakeFontData({.plain_space = 0}));
  EXPECT_EQ(MeasureTextWidth(&font, "A\tB", 0), 2 * kLetter[0]);
  EXPECT_EQ(CharIndexAtX(&font, "A\tB", 0, kLetter[0] + 3), 3u);
}

TEST_F(TextTabs, NegativeTabSizeAdvancesLikeASpace) {
  const Font font(MakeFontData({.tab_size = -3}));
  EXPECT_EQ(MeasureTextWidth(&font, "A\tB", 0), 2 * kLetter[0] + kSpace[0]);
}

TEST_F(TextTabs, TabIsNotDrawn) {
  EXPECT_EQ(Codes(Glyphs("A\tB", 0, {0, 0, 200, 20})), "AB");
}

// ---------------------------------------------------------------------------------------------

using TextLineBreaks = TextLayoutTest;

TEST_F(TextLineBreaks, LineFeedEndsTheLine) {
  bool more = false;
  TextLine line = Line("AB\nC", 0, 0, 0, kFontPlain, &more);
  EXPECT_TRUE(more);
  EXPECT_EQ(line.width, 2 * kLetter[0]);
  EXPECT_EQ(line.end, 2u);
  EXPECT_EQ(line.next, 3u);
  line = Line("AB\nC", 0, 0, 3, kFontPlain, &more);
  EXPECT_FALSE(more);
  EXPECT_EQ(line.width, kLetter[0]);
  EXPECT_EQ(line.end, 4u);
  EXPECT_EQ(line.next, 4u);
}

TEST_F(TextLineBreaks, CarriageReturnEndsTheLineAndPairsWithLineFeed) {
  EXPECT_EQ(Line("AB\rC", 0, 0).next, 3u);
  EXPECT_EQ(Line("AB\r\nC", 0, 0).next, 4u);
  EXPECT_EQ(Line("AB\n\rC", 0, 0).next, 3u);
  const int32_t line = kLineHeight + 2;
  EXPECT_EQ(MeasureTextHeight(&font_, "AB\r\nC", 0, kTextMultiLine, 100), 2 * line);
  EXPECT_EQ(MeasureTextHeight(&font_, "AB\n\rC", 0, kTextMultiLine, 100), 3 * line);
  EXPECT_EQ(MeasureTextHeight(&font_, "AB\r\rC", 0, kTextMultiLine, 100), 3 * line);
}

TEST_F(TextLineBreaks, TrailingLineBreakStartsAnEmptyLine) {
  bool more = false;
  const TextLine line = Line("A\n", 0, 0, 0, kFontPlain, &more);
  EXPECT_TRUE(more);
  EXPECT_EQ(line.next, 2u);
  const TextLine last = Line("A\n", 0, 0, 2, kFontPlain, &more);
  EXPECT_FALSE(more);
  EXPECT_EQ(last.width, 0);
}

TEST_F(TextLineBreaks, StyleCarriesIntoTheNextLine) {
  const TextLine line = Line("|bA\nB", 0, 0);
  EXPECT_EQ(line.next_style, kFontBold);
  const auto glyphs = Glyphs("|bA\nB", kTextMultiLine, {0, 0, 100, 100});
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[1].style, kFontBold);
}

TEST_F(TextLineBreaks, NulEndsTheText) {
  EXPECT_EQ(Width("AB\0CDEF"sv), 2 * kLetter[0]);
  EXPECT_EQ(Codes(Glyphs("AB\0CD"sv, kTextMultiLine, {0, 0, 200, 100})), "AB");
  EXPECT_EQ(CharIndexAtX(&font_, "AB\0CD"sv, 0, 1000), 2u);
}

TEST_F(TextLineBreaks, OtherControlCodesAreSpaces) {
  const auto glyphs = Glyphs(
      "A\x01"
      "B",
      0, {0, 0, 200, 20});
  ASSERT_EQ(Codes(glyphs), "AB");
  EXPECT_EQ(glyphs[1].pen_x, kLetter[0] + kSpace[0]);
}

TEST_F(TextLineBreaks, LinesAreStackedOneLineHeightApart) {
  const auto glyphs = Glyphs("A\nB\nC", kTextMultiLine, {10, 20, 200, 200});
  ASSERT_EQ(Codes(glyphs), "ABC");
  for (size_t i = 0; i < glyphs.size(); ++i) {
    EXPECT_EQ(glyphs[i].pen_x, 10);
    EXPECT_EQ(glyphs[i].baseline_y, 20 + kAscent + static_cast<int>(i) * kLineHeight);
  }
}

TEST_F(TextLineBreaks, SingleLineModeStopsAtTheFirstBreak) {
  int32_t widest = 0;
  const auto glyphs = Glyphs("AB\nCDEF", 0, {0, 0, 200, 200}, kFontPlain, &widest);
  EXPECT_EQ(Codes(glyphs), "AB");
  EXPECT_EQ(widest, 2 * kLetter[0]);
}

TEST_F(TextLineBreaks, MultiLineReturnsTheWidestLine) {
  int32_t widest = 0;
  Glyphs("AB\nCDEF\nG", kTextMultiLine, {0, 0, 200, 200}, kFontPlain, &widest);
  EXPECT_EQ(widest, 4 * kLetter[0]);
}

// ---------------------------------------------------------------------------------------------

using TextWordWrap = TextLayoutTest;

TEST_F(TextWordWrap, BreaksAfterTheSpaceAndExcludesItFromTheWidth) {
  // Room for the first word, the space and one more letter.
  const int32_t width = 4 * kLetter[0] + kSpace[0] + kLetter[0];
  bool more = false;
  TextLine line = Line("ABCD EFGH", kTextWordWrap, width, 0, kFontPlain, &more);
  EXPECT_TRUE(more);
  EXPECT_EQ(line.width, 4 * kLetter[0]);
  EXPECT_EQ(line.end, 4u);
  EXPECT_EQ(line.next, 5u);
  line = Line("ABCD EFGH", kTextWordWrap, width, 5, kFontPlain, &more);
  EXPECT_FALSE(more);
  EXPECT_EQ(line.width, 4 * kLetter[0]);
}

TEST_F(TextWordWrap, SpaceThatOverflowsIsTheBreak) {
  const TextLine line = Line("ABCD EFGH", kTextWordWrap, 4 * kLetter[0]);
  EXPECT_EQ(line.width, 4 * kLetter[0]);
  EXPECT_EQ(line.next, 5u);  // the next line does not start with the space
}

TEST_F(TextWordWrap, BreaksAtTheLastSpaceOfTheLine) {
  const int32_t width = 5 * kLetter[0] + 2 * kSpace[0];
  const TextLine line = Line("AB CD EF", kTextWordWrap, width);
  EXPECT_EQ(line.width, 4 * kLetter[0] + kSpace[0]);
  EXPECT_EQ(line.end, 5u);
  EXPECT_EQ(line.next, 6u);
}

TEST_F(TextWordWrap, BreaksAtATab) {
  // "AB" then the tab to 24; C (24..29) does not fit in 26.
  const TextLine line = Line("AB\tCD", kTextWordWrap, kPlainTab + 2);
  EXPECT_EQ(line.width, 2 * kLetter[0]);
  EXPECT_EQ(line.next, 3u);
}

TEST_F(TextWordWrap, WordLongerThanTheWidthIsBrokenBetweenCharacters) {
  const int32_t width = 3 * kLetter[0] + 2;
  std::vector<std::string> lines;
  size_t pos = 0;
  int style = kFontPlain;
  bool more = true;
  while (more) {
    TextLine line;
    more = LayoutLine(&font_, "ABCDEFGH", kTextWordWrap, width, pos, style, line);
    EXPECT_LE(line.width, width);
    lines.emplace_back(std::string("ABCDEFGH").substr(pos, line.end - pos));
    pos = line.next;
    style = line.next_style;
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"ABC", "DEF", "GH"}));
}

TEST_F(TextWordWrap, FirstCharacterWiderThanTheWidthStaysAlone) {
  bool more = false;
  TextLine line = Line("WA", kTextWordWrap, kWide - 1, 0, kFontPlain, &more);
  EXPECT_TRUE(more);
  EXPECT_EQ(line.width, kWide);
  EXPECT_EQ(line.next, 1u);
  line = Line("WA", kTextWordWrap, kWide - 1, 1, kFontPlain, &more);
  EXPECT_FALSE(more);
  EXPECT_EQ(line.width, kLetter[0]);
}

TEST_F(TextWordWrap, ZeroOrNegativeWidthPutsEachCharacterOnItsOwnLine) {
  const int32_t line = kLineHeight + 2;
  EXPECT_EQ(MeasureTextHeight(&font_, "ABC", 0, kTextWordWrap, 0), 3 * line);
  EXPECT_EQ(MeasureTextHeight(&font_, "ABC", 0, kTextWordWrap, -50), 3 * line);
}

TEST_F(TextWordWrap, BreakBeforeACharacterLeavesItsStyleSwitchToTheNextLine) {
  const int32_t width = 3 * kLetter[kFontBold];
  const TextLine line = Line("ABC|bDEF", kTextWordWrap, width);
  EXPECT_EQ(line.end, 3u);
  EXPECT_EQ(line.next, 3u);
  EXPECT_EQ(line.next_style, kFontPlain);
  const TextLine second = Line("ABC|bDEF", kTextWordWrap, width, line.next, line.next_style);
  EXPECT_EQ(second.width, 3 * kLetter[kFontBold]);
}

TEST_F(TextWordWrap, StyleAtTheSpaceCarriesOver) {
  const TextLine line = Line("|bAB CD", kTextWordWrap, 3 * kLetter[kFontBold]);
  EXPECT_EQ(line.next, 5u);
  EXPECT_EQ(line.next_style, kFontBold);
}

TEST_F(TextWordWrap, TrailingSpaceDoesNotStartAnEmptyLine) {
  bool more = true;
  const TextLine line = Line("ABCD ", kTextWordWrap, 4 * kLetter[0], 0, kFontPlain, &more);
  EXPECT_FALSE(more);
  EXPECT_EQ(line.width, 4 * kLetter[0]);
  EXPECT_EQ(MeasureTextHeight(&font_, "ABCD ", 0, kTextWordWrap, 4 * kLetter[0]), kLineHeight + 2);
}

TEST_F(TextWordWrap, WithoutTheFlagTheWidthIsIgnored) {
  bool more = true;
  const TextLine line = Line("ABCD EFGH", kTextMultiLine, 1, 0, kFontPlain, &more);
  EXPECT_FALSE(more);
  EXPECT_EQ(line.width, 8 * kLetter[0] + kSpace[0]);
}

TEST_F(TextWordWrap, DrawnLinesFollowTheWrap) {
  const int32_t width = 4 * kLetter[0] + kSpace[0] + kLetter[0];
  int32_t widest = 0;
  const auto glyphs = Glyphs("ABCD EFGH", kTextWordWrap, {0, 0, width, 100}, 0, &widest);
  ASSERT_EQ(Codes(glyphs), "ABCDEFGH");
  EXPECT_EQ(glyphs[4].pen_x, 0);
  EXPECT_EQ(glyphs[4].baseline_y, kAscent + kLineHeight);
  EXPECT_EQ(widest, 4 * kLetter[0]);
}

// ---------------------------------------------------------------------------------------------

using TextAlignment = TextLayoutTest;

TEST_F(TextAlignment, LeftAlignedStartsAtTheLeftEdge) {
  const auto glyphs = Glyphs("AB", 0, {30, 40, 130, 80});
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[0].pen_x, 30);
  EXPECT_EQ(glyphs[0].baseline_y, 40 + kAscent);
  EXPECT_EQ(glyphs[0].x, 30 + GlyphXOffset(0));
  EXPECT_EQ(glyphs[0].y, 40 + kAscent + GlyphYOffset(0));
  EXPECT_EQ(glyphs[1].pen_x, 30 + kLetter[0]);
}

TEST_F(TextAlignment, CentredLinesSplitTheSpareWidth) {
  const Rect rect{30, 0, 130, 80};
  const int32_t width = Width("ABC");
  const auto glyphs = Glyphs("ABC", kTextCentre, rect);
  ASSERT_FALSE(glyphs.empty());
  const int32_t left_gap = glyphs[0].pen_x - rect.left;
  const int32_t right_gap = rect.right - (glyphs[0].pen_x + width);
  // An odd spare width puts the extra pixel on the right.
  EXPECT_EQ(right_gap - left_gap, (rect.Width() - width) % 2);
  EXPECT_GE(left_gap, 0);
}

TEST_F(TextAlignment, RightAlignedEndsAtTheRightEdge) {
  const Rect rect{30, 0, 130, 80};
  const auto glyphs = Glyphs("ABC", kTextRight, rect);
  ASSERT_FALSE(glyphs.empty());
  EXPECT_EQ(glyphs[0].pen_x + Width("ABC"), rect.right);
}

TEST_F(TextAlignment, CentreWinsOverRight) {
  const Rect rect{0, 0, 100, 80};
  EXPECT_EQ(Glyphs("AB", kTextCentre | kTextRight, rect)[0].pen_x,
            Glyphs("AB", kTextCentre, rect)[0].pen_x);
}

TEST_F(TextAlignment, EachLineIsAlignedOnItsOwn) {
  const Rect rect{0, 0, 100, 80};
  const auto glyphs = Glyphs("ABCD\nA", kTextMultiLine | kTextRight, rect);
  ASSERT_EQ(Codes(glyphs), "ABCDA");
  EXPECT_EQ(glyphs[0].pen_x, rect.right - 4 * kLetter[0]);
  EXPECT_EQ(glyphs[4].pen_x, rect.right - kLetter[0]);
}

TEST_F(TextAlignment, LineWiderThanTheRectangleIsCutAtTheRightEdge) {
  int32_t widest = 0;
  const Rect rect{0, 0, 2 * kLetter[0] + 1, 80};
  const auto glyphs = Glyphs("AAAAAAAA", kTextMultiLine, rect, kFontPlain, &widest);
  // Pens at 0, 5 and 10; the fourth would start at 15, past the edge at 11.
  EXPECT_EQ(glyphs.size(), 3u);
  EXPECT_EQ(widest, 8 * kLetter[0]);
  for (const PlacedGlyph& glyph : glyphs) EXPECT_EQ(glyph.baseline_y, kAscent);
}

TEST_F(TextAlignment, GlyphWhosePenIsOnTheRightEdgeIsNotDrawn) {
  EXPECT_EQ(Glyphs("AAA", 0, {0, 0, 2 * kLetter[0], 80}).size(), 2u);
  EXPECT_EQ(Glyphs("AAA", 0, {0, 0, 2 * kLetter[0] + 1, 80}).size(), 3u);
}

// ---------------------------------------------------------------------------------------------

using TextVerticalCentring = TextLayoutTest;

TEST_F(TextVerticalCentring, SingleLineIsCentredInTheRectangle) {
  const Rect rect{0, 20, 100, 60};
  const auto glyphs = Glyphs("A", kTextVCentre, rect);
  ASSERT_EQ(glyphs.size(), 1u);
  const int32_t top = glyphs[0].baseline_y - kAscent;
  const int32_t bottom = top + kLineHeight;
  EXPECT_EQ(top - rect.top, (rect.Height() - kLineHeight) / 2);
  EXPECT_LE(top - rect.top, rect.bottom - bottom);
  EXPECT_LE(rect.bottom - bottom - (top - rect.top), 1);
}

TEST_F(TextVerticalCentring, RectangleLowerThanALineStartsAtTheTop) {
  const auto glyphs = Glyphs("A", kTextVCentre, {0, 20, 100, 20 + kLineHeight - 5});
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_EQ(glyphs[0].baseline_y, 20 + kAscent);
}

TEST_F(TextVerticalCentring, WithoutTheFlagTextStartsAtTheTop) {
  const auto glyphs = Glyphs("A", 0, {0, 20, 100, 80});
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_EQ(glyphs[0].baseline_y, 20 + kAscent);
}

// ---------------------------------------------------------------------------------------------

using TextDrawingWalk = TextLayoutTest;

TEST_F(TextDrawingWalk, LinesStartingAtOrBelowTheBottomAreSkipped) {
  int32_t widest = 0;
  const auto glyphs =
      Glyphs("A\nB\nCCCC", kTextMultiLine, {0, 0, 100, 2 * kLineHeight}, kFontPlain, &widest);
  EXPECT_EQ(Codes(glyphs), "AB");
  // The widest line is taken over the lines laid out, not over the whole text.
  EXPECT_EQ(widest, kLetter[0]);
  EXPECT_EQ(Codes(Glyphs("A\nB\nC", kTextMultiLine, {0, 0, 100, 2 * kLineHeight + 1})), "ABC");
}

TEST_F(TextDrawingWalk, ShadowComesFirstOnePixelRightAndDown) {
  const auto glyphs = Glyphs("AB", kTextShadow, {0, 0, 100, 40});
  ASSERT_EQ(glyphs.size(), 4u);
  for (size_t i = 0; i < glyphs.size(); i += 2) {
    EXPECT_TRUE(glyphs[i].shadow);
    EXPECT_FALSE(glyphs[i + 1].shadow);
    EXPECT_EQ(glyphs[i].code, glyphs[i + 1].code);
    EXPECT_EQ(glyphs[i].x, glyphs[i + 1].x + 1);
    EXPECT_EQ(glyphs[i].y, glyphs[i + 1].y + 1);
  }
}

TEST_F(TextDrawingWalk, MeasureOnlyVisitsNothingButReturnsTheSameWidth) {
  int32_t drawn = 0;
  int32_t measured = 0;
  const Rect rect{0, 0, 60, 100};
  EXPECT_FALSE(Glyphs("AB CD EF GH", kTextWordWrap, rect, 0, &drawn).empty());
  EXPECT_TRUE(Glyphs("AB CD EF GH", kTextWordWrap | kTextMeasureOnly, rect, 0, &measured).empty());
  EXPECT_EQ(measured, drawn);
  EXPECT_GT(measured, 0);
}

TEST_F(TextDrawingWalk, SpacesAdvanceButAreNotVisited) {
  const auto glyphs = Glyphs("A B", 0, {0, 0, 100, 40});
  ASSERT_EQ(Codes(glyphs), "AB");
  EXPECT_EQ(glyphs[1].pen_x, kLetter[0] + kSpace[0]);
  EXPECT_EQ(glyphs[1].index, 2u);
}

TEST_F(TextDrawingWalk, GlyphCarriesItsBitmapAndPlacement) {
  Font font(MakeFontData());
  font.GetGlyph(kFontBold, 'A').page = 3;
  std::vector<PlacedGlyph> glyphs;
  LayoutText(&font, "|bA", kFontPlain, 0, {0, 0, 100, 40}, glyphs);
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_EQ(glyphs[0].glyph, &font.GetGlyph(kFontBold, 'A'));
  EXPECT_EQ(glyphs[0].glyph->page, 3);
  EXPECT_EQ(glyphs[0].x, GlyphXOffset(kFontBold));
  EXPECT_EQ(glyphs[0].y, kAscent + GlyphYOffset(kFontBold));
  EXPECT_EQ(glyphs[0].index, 2u);
}

TEST_F(TextDrawingWalk, NothingWithoutFontTextOrArea) {
  std::vector<PlacedGlyph> glyphs;
  EXPECT_EQ(LayoutText(nullptr, "AB", 0, 0, {0, 0, 100, 40}, glyphs), 0);
  EXPECT_EQ(LayoutText(&font_, "", 0, 0, {0, 0, 100, 40}, glyphs), 0);
  EXPECT_EQ(LayoutText(&font_, "AB", 0, 0, {0, 0, 0, 40}, glyphs), 0);
  EXPECT_EQ(LayoutText(&font_, "AB", 0, 0, {0, 0, 100, 0}, glyphs), 0);
  EXPECT_EQ(LayoutText(&font_, "AB", 0, 0, {50, 0, 10, 40}, glyphs), 0);
  EXPECT_TRUE(glyphs.empty());
}

TEST_F(TextDrawingWalk, VisitorVersionSeesTheSameGlyphs) {
  std::vector<PlacedGlyph> visited;
  const int32_t width = LayoutText(&font_, "AB\nCD", kFontPlain, kTextMultiLine, {0, 0, 100, 100},
                                   [&](const PlacedGlyph& glyph) { visited.push_back(glyph); });
  const auto collected = Glyphs("AB\nCD", kTextMultiLine, {0, 0, 100, 100});
  ASSERT_EQ(visited.size(), collected.size());
  for (size_t i = 0; i < visited.size(); ++i) {
    EXPECT_EQ(visited[i].pen_x, collected[i].pen_x);
    EXPECT_EQ(visited[i].baseline_y, collected[i].baseline_y);
  }
  EXPECT_EQ(width, 2 * kLetter[0]);
}

// ---------------------------------------------------------------------------------------------

using TextMeasuring = TextLayoutTest;

TEST_F(TextMeasuring, WidthIsTheWidestLine) {
  EXPECT_EQ(Width("AB\nABCD\nA"), 4 * kLetter[0]);
  EXPECT_EQ(Width(""), 0);
  EXPECT_EQ(Width("\n\n"), 0);
  EXPECT_EQ(MeasureTextWidth(nullptr, "AB", 0), 0);
}

TEST_F(TextMeasuring, HeightCountsWrappedLinesWithTwoPixelsEach) {
  const int32_t width = 2 * kLetter[0] + kSpace[0];
  EXPECT_EQ(MeasureTextHeight(&font_, "AB CD EF", 0, kTextWordWrap, width), 3 * (kLineHeight + 2));
  EXPECT_EQ(MeasureTextHeight(&font_, "AB CD EF", 0, kTextWordWrap, 1000), kLineHeight + 2);
}

TEST_F(TextMeasuring, HeightCountsLineBreaksOnlyInMultiLineMode) {
  EXPECT_EQ(MeasureTextHeight(&font_, "A\nB", 0, kTextMultiLine, 100), 2 * (kLineHeight + 2));
  EXPECT_EQ(MeasureTextHeight(&font_, "A\nB", 0, 0, 100), kLineHeight + 2);
}

TEST_F(TextMeasuring, EmptyTextIsOneLineHigh) {
  EXPECT_EQ(MeasureTextHeight(&font_, "", 0, kTextWordWrap, 100), kLineHeight + 2);
  EXPECT_EQ(MeasureTextHeight(nullptr, "AB", 0, kTextWordWrap, 100), 0);
}

TEST_F(TextMeasuring, LineHeightOfAFont) {
  EXPECT_EQ(FontLineHeight(&font_), kLineHeight);
  EXPECT_EQ(FontLineHeight(nullptr), 0);
}

TEST_F(TextMeasuring, LayoutLineWithoutAFontIsAnEmptyLastLine) {
  TextLine line;
  EXPECT_FALSE(LayoutLine(nullptr, "AB", kTextWordWrap, 100, 1, kFontBold, line));
  EXPECT_EQ(line.width, 0);
  EXPECT_EQ(line.next, 1u);
}

TEST_F(TextMeasuring, StartBeyondTheTextIsAnEmptyLastLine) {
  bool more = true;
  const TextLine line = Line("AB", 0, 0, 10, kFontPlain, &more);
  EXPECT_FALSE(more);
  EXPECT_EQ(line.width, 0);
  EXPECT_EQ(line.next, 2u);
}

// ---------------------------------------------------------------------------------------------

using TextCaretHitTest = TextLayoutTest;

TEST_F(TextCaretHitTest, NearestCaretPositionInsideGlyphs) {
  // Letters are 5 wide: x below 2.5 is the left half of A.
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, 0), 0u);
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, 2), 0u);
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, 3), 1u);
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, kLetter[0]), 1u);
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, kLetter[0] + 2), 1u);
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, kLetter[0] + 3), 2u);
}

TEST_F(TextCaretHitTest, ExactMiddleGoesAfterTheCharacter) {
  const int italic = kLetter[kFontItalic];
  ASSERT_EQ(italic % 2, 0);
  EXPECT_EQ(CharIndexAtX(&font_, "AB", kFontItalic, italic / 2 - 1), 0u);
  EXPECT_EQ(CharIndexAtX(&font_, "AB", kFontItalic, italic / 2), 1u);
}

TEST_F(TextCaretHitTest, BothEnds) {
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, -40), 0u);
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, 3 * kLetter[0]), 3u);
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", 0, 1000), 3u);
}

TEST_F(TextCaretHitTest, UsesTheStyleAndItsSwitches) {
  const int bold = kLetter[kFontBold];
  EXPECT_EQ(CharIndexAtX(&font_, "ABC", kFontBold, bold + bold / 2 + 1), 2u);
  // Left half of B lands before the switch, right half after B.
  EXPECT_EQ(CharIndexAtX(&font_, "A|bBC", 0, kLetter[0] + 1), 1u);
  EXPECT_EQ(CharIndexAtX(&font_, "A|bBC", 0, kLetter[0] + bold - 1), 4u);
}

TEST_F(TextCaretHitTest, TabIsOneWideCharacter) {
  EXPECT_EQ(CharIndexAtX(&font_, "A\tB", 0, kLetter[0] + 3), 1u);
  EXPECT_EQ(CharIndexAtX(&font_, "A\tB", 0, kPlainTab - 3), 2u);
}

TEST_F(TextCaretHitTest, StopsAtTheEndOfTheFirstLine) {
  EXPECT_EQ(CharIndexAtX(&font_, "AB\nCDEF", 0, 1000), 2u);
  EXPECT_EQ(CharIndexAtX(&font_, "AB\r\nCDEF", 0, 1000), 2u);
}

TEST_F(TextCaretHitTest, EmptyTextOrNoFont) {
  EXPECT_EQ(CharIndexAtX(&font_, "", 0, 10), 0u);
  EXPECT_EQ(CharIndexAtX(nullptr, "ABC", 0, 10), 0u);
}

}  // namespace
