#include "gui/TextLayout.h"

#include <algorithm>

namespace {

constexpr char kStyleMark = '|';

// The text as far as layout reads it: up to the first NUL.
std::string_view Readable(std::string_view text) {
  const size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

// The style a "|" switch selects, or -1 when the character after the bar is no style letter.
int StyleOfCode(char letter) {
  switch (letter) {
    case 'p':
    case 'P':
      return kFontPlain;
    case 'b':
    case 'B':
      return kFontBold;
    case 'i':
    case 'I':
      return kFontItalic;
    case 'o':
    case 'O':
      return kFontBoldItalic;
    default:
      return -1;
  }
}

bool IsStyleCode(std::string_view text, size_t pos) {
  return pos + 1 < text.size() && text[pos] == kStyleMark && StyleOfCode(text[pos + 1]) >= 0;
}

bool IsLineBreak(char c) {
  return c == '\n' || c == '\r';
}

// Floor division: tab stops and centring must not jump towards zero for negative positions.
int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Reads characters one at a time, applying style switches as it passes them. `text` must
// already be cut at its first NUL.
class CharReader {
 public:
  CharReader(const Font& font, std::string_view text, size_t start, int style, uint32_t flags)
      : font_(font),
        text_(text),
        pos_(std::min(start, text.size())),
        style_(style),
        literal_((flags & kTextLiteral) != 0) {}

  // Applies the style switches at the current position; false at the end of the text.
  bool SkipStyleCodes() {
    while (!literal_ && IsStyleCode(text_, pos_)) {
      const int style = StyleOfCode(text_[pos_ + 1]);
      if (font_.HasStyle(style)) style_ = style;
      pos_ += 2;
    }
    return pos_ < text_.size();
  }

  char Current() const { return text_[pos_]; }

  // Pen advance of the current character (not a line break) with the pen at `pen`, measured
  // from the line's start.
  int64_t Advance(int64_t pen) const {
    const uint8_t c = static_cast<uint8_t>(Current());
    if (c == '\t') {
      const int step = font_.TabStep(style_);
      if (step > 0) return (FloorDiv(pen, step) + 1) * step - pen;
    }
    // Control codes, and tabs without tab stops, are spaces.
    const uint8_t drawn = c < kFontFirstChar ? uint8_t{' '} : c;
    return font_.Advance(style_, drawn, NextCharacter());
  }

  // The character the current one is kerned against: the next one, style switches skipped.
  uint8_t NextCharacter() const {
    size_t next = pos_ + 1;
    while (!literal_ && IsStyleCode(text_, next)) next += 2;
    return next < text_.size() ? static_cast<uint8_t>(text_[next]) : uint8_t{0};
  }

  // Index after the line break at the current position; a CR LF pair counts as one.
  size_t AfterLineBreak() const {
    const size_t next = pos_ + 1;
    if (Current() == '\r' && next < text_.size() && text_[next] == '\n') return next + 1;
    return next;
  }

  void Step() { ++pos_; }
  size_t pos() const { return pos_; }
  int style() const { return style_; }
  size_t size() const { return text_.size(); }

 private:
  const Font& font_;
  std::string_view text_;
  size_t pos_;
  int style_;
  bool literal_;
};

bool LayoutReadableLine(const Font& font, std::string_view text, uint32_t flags, int32_t max_width,
                        size_t start, int style, TextLine& line) {
  const bool wrap = (flags & kTextWordWrap) != 0;
  CharReader reader(font, text, start, font.UsableStyle(style), flags);
  int64_t pen = 0;
  bool placed_any = false;
  bool have_break = false;
  TextLine at_break;
  while (true) {
    const size_t before_codes = reader.pos();
    const int style_before = reader.style();
    if (!reader.SkipStyleCodes()) {
      line = {ClampToInt32(pen), reader.pos(), reader.pos(), reader.style()};
      return false;
    }
    const char c = reader.Current();
    if (IsLineBreak(c)) {
      line = {ClampToInt32(pen), reader.pos(), reader.AfterLineBreak(), reader.style()};
      return true;
    }
    const int64_t advance = reader.Advance(pen);
    if (wrap && (c == ' ' || c == '\t')) {
      // Remembered before the fit test, so that a space which itself overflows is where the
      // line breaks, rather than the first character of the next line.
      at_break = {ClampToInt32(pen), reader.pos(), reader.pos() + 1, reader.style()};
      have_break = true;
    }
    if (wrap && placed_any && pen + advance > max_width) {
      if (have_break) {
        line = at_break;
        return line.next < reader.size();
      }
      line = {ClampToInt32(pen), before_codes, before_codes, style_before};
      return true;
    }
    pen += advance;
    placed_any = true;
    reader.Step();
  }
}

}  // namespace

bool LayoutLine(const Font* font, std::string_view text, uint32_t flags, int32_t max_width,
                size_t start, int start_style, TextLine& line) {
  if (font == nullptr) {
    line = {0, start, start, start_style};
    return false;
  }
  return LayoutReadableLine(*font, Readable(text), flags, max_width, start, start_style, line);
}

int32_t MeasureTextWidth(const Font* font, std::string_view text, int style, uint32_t flags) {
  if (font == nullptr) return 0;
  text = Readable(text);
  int32_t widest = 0;
  size_t pos = 0;
  TextLine line;
  bool more = true;
  while (more) {
    more = LayoutReadableLine(*font, text, flags & kTextLiteral, 0, pos, style, line);
    widest = std::max(widest, line.width);
    pos = line.next;
    style = line.next_style;
  }
  return widest;
}

int32_t MeasureTextHeight(const Font* font, std::string_view text, int style, uint32_t flags,
                          int32_t width) {
  if (font == nullptr) return 0;
  text = Readable(text);
  int64_t lines = 1;
  if ((flags & (kTextMultiLine | kTextWordWrap)) != 0) {
    size_t pos = 0;
    TextLine line;
    while (LayoutReadableLine(*font, text, flags, width, pos, style, line)) {
      ++lines;
      pos = line.next;
      style = line.next_style;
    }
  }
  return ClampToInt32(lines * (int64_t{font->line_height()} + 2));
}

size_t CharIndexAtX(const Font* font, std::string_view text, int style, int32_t x, uint32_t flags) {
  if (font == nullptr) return 0;
  text = Readable(text);
  CharReader reader(*font, text, 0, font->UsableStyle(style), flags);
  int64_t pen = 0;
  while (true) {
    const size_t before_codes = reader.pos();
    if (!reader.SkipStyleCodes() || IsLineBreak(reader.Current())) return reader.pos();
    const int64_t advance = reader.Advance(pen);
    if (pen + advance >= x) {
      // Twice the distance against the whole advance: no halving, so odd widths split exactly.
      return 2 * (x - pen) < advance ? before_codes : reader.pos() + 1;
    }
    pen += advance;
    reader.Step();
  }
}

int32_t FontLineHeight(const Font* font) {
  return font == nullptr ? 0 : font->line_height();
}

int32_t LayoutText(const Font* font, std::string_view text, int style, uint32_t flags,
                   const Rect& rect, const GlyphVisitor& visit) {
  if (font == nullptr || rect.IsEmpty()) return 0;
  text = Readable(text);
  if (text.empty()) return 0;
  style = font->UsableStyle(style);
  const bool multi_line = (flags & (kTextMultiLine | kTextWordWrap)) != 0;
  const bool draw = (flags & kTextMeasureOnly) == 0 && visit;
  const int64_t width = rect.Width();
  int64_t baseline = int64_t{rect.top} + font->ascent();
  if ((flags & kTextVCentre) != 0) {
    baseline += std::max<int64_t>(0, FloorDiv(int64_t{rect.Height()} - font->line_height(), 2));
  }
  int32_t widest = 0;
  size_t pos = 0;
  while (baseline - font->ascent() < rect.bottom) {
    TextLine line;
    const bool more = LayoutReadableLine(*font, text, flags, rect.Width(), pos, style, line);
    widest = std::max(widest, line.width);
    if (draw) {
      int64_t pen = rect.left;
      if ((flags & kTextCentre) != 0) {
        pen += FloorDiv(width - line.width, 2);
      } else if ((flags & kTextRight) != 0) {
        pen = int64_t{rect.right} - line.width;
      }
      const int32_t baseline_y = ClampToInt32(baseline);
      const int64_t line_start = pen;
      CharReader reader(*font, text, pos, style, flags);
      while (reader.SkipStyleCodes() && reader.pos() < line.end && pen < rect.right) {
        const int64_t advance = reader.Advance(pen - line_start);
        const uint8_t c = static_cast<uint8_t>(reader.Current());
        if (c != '\t') {
          const uint8_t drawn = c < kFontFirstChar ? uint8_t{' '} : c;
          const Font::Glyph& glyph = font->GetGlyph(reader.style(), drawn);
          if (glyph.HasBitmap()) {
            PlacedGlyph placed;
            placed.glyph = &glyph;
            placed.code = drawn;
            placed.index = reader.pos();
            placed.style = reader.style();
            placed.pen_x = ClampToInt32(pen);
            placed.baseline_y = baseline_y;
            placed.x = ClampToInt32(pen + glyph.x_offset);
            placed.y = ClampToInt32(baseline + glyph.y_offset);
            if ((flags & kTextShadow) != 0) {
              PlacedGlyph shadow = placed;
              shadow.shadow = true;
              shadow.x = ClampToInt32(int64_t{placed.x} + 1);
              shadow.y = ClampToInt32(int64_t{placed.y} + 1);
              visit(shadow);
            }
            visit(placed);
          }
        }
        pen += advance;
        reader.Step();
      }
    }
    if (!more || !multi_line) break;
    pos = line.next;
    style = line.next_style;
    baseline += font->line_height();
  }
  return widest;
}

int32_t LayoutText(const Font* font, std::string_view text, int style, uint32_t flags,
                   const Rect& rect, std::vector<PlacedGlyph>& out) {
  return LayoutText(font, text, style, flags, rect,
                    [&out](const PlacedGlyph& glyph) { out.push_back(glyph); });
}
