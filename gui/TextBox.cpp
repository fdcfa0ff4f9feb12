#include "gui/TextBox.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/Skin.h"
#include "gui/TextBoxAction.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
constexpr Color kTextColor = MakeColor(0xe8, 0xea, 0xed);
constexpr int32_t kFieldPad = 4;
constexpr int32_t kInitialWidth = 128;
constexpr const char* kInvalidNumber = "invalid ???";

struct ModeTraits {
  TextBox::Kind kind;
  bool editable, selectable, multi_line, scrolls;
  int32_t max_length;
};
constexpr ModeTraits kModes[] = {
    {TextBox::kTextKind, false, false, true, false, 9999},
    {TextBox::kTextKind, false, true, true, true, 9999},
    {TextBox::kIntegerKind, true, true, false, false, 11},
    {TextBox::kNumberKind, true, true, false, false, 8},
    {TextBox::kLongTextKind, true, true, false, false, 9999},
    {TextBox::kLineKind, true, true, false, false, 255},
    {TextBox::kTextKind, true, true, true, true, 9999},
};

bool IsBreak(char c) {
  return c == '\n' || c == '\r';
}

// Characters a text counts for: a CR LF pair is one line break.
int64_t CountChars(std::string_view text) {
  int64_t n = static_cast<int64_t>(text.size());
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') --n;
  }
  return n;
}

// An optional sign, digits and, where points are allowed, at most one point, in that order.
bool IsNumeral(std::string_view text, bool point_allowed) {
  size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') continue;
    if (c == '.' && point_allowed && !point) {
      point = true;
      continue;
    }
    return false;
  }
  return true;
}
}  // namespace

TextBox::TextBox(int32_t mode, Window* parent) : ScrollableWindow(WindowFlag::Visible, parent) {
  mode_ = std::clamp(mode, 0, 6);
  const ModeTraits& traits = kModes[mode_];
  kind_ = traits.kind;
  editable_ = traits.editable;
  selectable_ = traits.selectable;
  multi_line_ = traits.multi_line;
  scrolls_ = traits.scrolls;
  max_length_ = traits.max_length;
  pad_ = mode_ == kLabel ? 0 : kFieldPad;
  lines_.resize(1);
  if (selectable_) SetClientCursor(Cursor::TextBeam);
  if (scrolls_) SetRanges(kVerticalBar, 0, 1, 0, 1);
  SetFrameRect({0, 0, kInitialWidth, LineHeight() + 2 * pad_});
}

// ---------------------------------------------------------------------------------------
// Layout

const Font* TextBox::LayoutFont() const {
  return GetFont() ? GetFont() : DefaultFont();
}

int32_t TextBox::LineHeight() const {
  const int32_t h = FontLineHeight(LayoutFont());
  return h > 0 ? h : 1;
}

int32_t TextBox::WrapWidth() const {
  return ClientRect().Width() - 2 * pad_;
}

bool TextBox::Wraps() const {
  return multi_line_ && wrap_width_ > 0 && LayoutFont();
}

bool TextBox::NextRow(const std::string& text, Row& row) const {
  if (!Wraps()) {
    row.end = row.next = text.size();
    row.next_style = row.style;
    row.more = false;
    return false;
  }
  TextLine line;
  row.more = LayoutLine(LayoutFont(), text, kTextWordWrap | text_flags_, wrap_width_, row.start,
                        row.style, line);
  row.end = line.end;
  row.next = line.next;
  row.next_style = line.next_style;
  // A row that consumed nothing would never end the walk.
  if (row.more && row.next <= row.start) row.more = false;
  return row.more;
}

int32_t TextBox::CountRows(const std::string& text) const {
  if (!Wraps() || text.empty()) return 1;
  int32_t rows = 1;
  Row row;
  while (NextRow(text, row)) {
    ++rows;
    row.start = row.next;
    row.style = row.next_style;
  }
  return rows;
}

void TextBox::FindRow(int32_t line, int32_t row_in_line, Row& row) const {
  const std::string& text = lines_[static_cast<size_t>(line)].text;
  row = Row{};
  for (int32_t k = 0;; ++k) {
    const bool more = NextRow(text, row);
    if (k == row_in_line || !more) return;
    row.start = row.next;
    row.style = row.next_style;
  }
}

int32_t TextBox::RowInLine(int32_t line, int32_t column, Row* out) const {
  const std::string& text = lines_[static_cast<size_t>(line)].text;
  Row row;
  for (int32_t k = 0;; ++k) {
    const bool more = NextRow(text, row);
    // A caret where a row wraps belongs to the row that starts there.
    if (!more || static_cast<size_t>(column) < row.next) {
      if (out) *out = row;
      return k;
    }
    row.start = row.next;
    row.style = row.next_style;
  }
}

void TextBox::MarkStale(int32_t from_line) {
  rows_valid_ = std::min(rows_valid_, std::max(0, from_line));
}

void TextBox::ValidateRowsThrough(int32_t line) {
  const int32_t n = LineCount();
  line = std::min(line, n - 1);
  for (; rows_valid_ <= line; ++rows_valid_) {
    Line& l = lines_[static_cast<size_t>(rows_valid_)];
    if (rows_valid_ == 0) {
      l.first_row = 0;
    } else {
      const Line& before = lines_[static_cast<size_t>(rows_valid_ - 1)];
      l.first_row = before.first_row + before.rows;
    }
  }
}

int32_t TextBox::LineFirstRow(int32_t line) {
  line = std::clamp(line, 0, LineCount() - 1);
  ValidateRowsThrough(line);
  return lines_[static_cast<size_t>(line)].first_row;
}

int32_t TextBox::LineOfRow(int32_t row) {
  const int32_t n = LineCount();
  row = std::clamp(row, 0, std::max(0, total_rows_ - 1));
  // Bring first rows up to date only as far as this row needs.
  while (rows_valid_ < n) {
    if (rows_valid_ > 0) {
      const Line& last = lines_[static_cast<size_t>(rows_valid_ - 1)];
      if (last.first_row + last.rows > row) break;
    }
    ValidateRowsThrough(rows_valid_);
  }
  const auto begin = lines_.begin();
  const auto end = begin + rows_valid_;
  const auto it =
      std::upper_bound(begin, end, row, [](int32_t r, const Line& l) { return r < l.first_row; });
  return std::max(0, static_cast<int32_t>(it - begin) - 1);
}

int32_t TextBox::CaretRow() {
  return LineFirstRow(caret_.line) + RowInLine(caret_.line, caret_.column);
}

int32_t TextBox::PageRows() const {
  if (!multi_line_) return 1;
  return std::max(1, (ClientRect().Height() - 2 * pad_) / LineHeight());
}

int32_t TextBox::RowY(int32_t row) const {
  if (!multi_line_) return std::max(0, (ClientRect().Height() - LineHeight()) / 2);
  return pad_ + (row - VerticalPosition()) * LineHeight();
}

int32_t TextBox::TextLeft() const {
  return pad_ - (multi_line_ ? 0 : HorizontalPosition());
}

int32_t TextBox::XOfColumn(int32_t line, const Row& row, int32_t column) const {
  const std::string& text = lines_[static_cast<size_t>(line)].text;
  const size_t to = std::clamp(static_cast<size_t>(std::max(0, column)), row.start, row.end);
  return MeasureTextWidth(LayoutFont(), std::string_view(text).substr(row.start, to - row.start),
                          row.style, text_flags_);
}

int32_t TextBox::ColumnAtX(int32_t line, const Row& row, int32_t x) const {
  const std::string& text = lines_[static_cast<size_t>(line)].text;
  const std::string_view span = std::string_view(text).substr(row.start, row.end - row.start);
  return static_cast<int32_t>(row.start +
                              CharIndexAtX(LayoutFont(), span, row.style, x, text_flags_));
}

void TextBox::Reflow(int32_t line) {
  Line& l = lines_[static_cast<size_t>(line)];
  const int32_t rows = CountRows(l.text);
  if (rows == l.rows) return;
  total_rows_ += rows - l.rows;
  l.rows = rows;
  MarkStale(line + 1);
}

void TextBox::SetLiteral(bool literal) {
  const uint32_t flags = literal ? kTextLiteral : 0;
  if (flags == text_flags_) return;
  text_flags_ = flags;
  ReflowAll();
  UpdateRanges();
  Invalidate();
}

void TextBox::ReflowAll() {
  wrap_width_ = WrapWidth();
  total_rows_ = 0;
  for (Line& l : lines_) {
    l.first_row = total_rows_;
    l.rows = CountRows(l.text);
    total_rows_ += l.rows;
  }
  rows_valid_ = LineCount();
}

// ---------------------------------------------------------------------------------------
// Positions and raw edits

TextBox::Position TextBox::End() const {
  const int32_t last = LineCount() - 1;
  return {last, static_cast<int32_t>(lines_[static_cast<size_t>(last)].text.size())};
}

TextBox::Position TextBox::Clamped(Position p) const {
  p.line = std::clamp(p.line, 0, LineCount() - 1);
  p.column = std::clamp(p.column, 0, static_cast<int32_t>(LineText(p.line).size()));
  return p;
}

TextBox::Position TextBox::Before(Position p) const {
  if (p.column > 0) return {p.line, p.column - 1};
  if (p.line > 0) return {p.line - 1, static_cast<int32_t>(LineText(p.line - 1).size())};
  return p;
}

TextBox::Position TextBox::After(Position p) const {
  if (p.column < static_cast<int32_t>(LineText(p.line).size())) return {p.line, p.column + 1};
  if (p.line + 1 < LineCount()) return {p.line + 1, 0};
  return p;
}

std::string TextBox::TextBetween(Position from, Position to) const {
  if (to < from) std::swap(from, to);
  const std::string& first = LineText(from.line);
  if (from.line == to.line) return first.substr(from.column, to.column - from.column);
  std::string out = first.substr(from.column);
  for (int32_t i = from.line + 1; i < to.line; ++i) {
    out += '\n';
    out += LineText(i);
  }
  out += '\n';
  out.append(LineText(to.line), 0, to.column);
  return out;
}

TextBox::Position TextBox::InsertRaw(Position at, std::string_view text) {
  at = Clamped(at);
  changed_ = true;
  length_ += CountChars(text);
  const size_t line = static_cast<size_t>(at.line);
  size_t breaks = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++breaks;
    }
  }
  if (breaks == 0) {
    lines_[line].text.insert(static_cast<size_t>(at.column), text);
    Reflow(at.line);
    InvalidateFromLine(at.line, false);
    return {at.line, at.column + static_cast<int32_t>(text.size())};
  }
  // The text after the insertion point moves to the end of the last new line.
  std::string tail = lines_[line].text.substr(static_cast<size_t>(at.column));
  lines_[line].text.resize(static_cast<size_t>(at.column));
  std::vector<Line> added(breaks);
  size_t target = 0;  // 0: the insertion line, k: added[k - 1]
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsBreak(c)) {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++target;
      continue;
    }
    std::string& into = target == 0 ? lines_[line].text : added[target - 1].text;
    // Copy the run up to the next break in one go.
    size_t j = i;
    while (j < text.size() && !IsBreak(text[j])) ++j;
    into.append(text.substr(i, j - i));
    i = j - 1;
  }
  const Position end{at.line + static_cast<int32_t>(breaks),
                     static_cast<int32_t>(added.back().text.size())};
  added.back().text += tail;
  for (Line& l : added) {
    l.rows = CountRows(l.text);
    total_rows_ += l.rows;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(line + 1),
                std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
  Reflow(at.line);
  MarkStale(at.line + 1);
  InvalidateFromLine(at.line, true);
  return end;
}

std::string TextBox::RemoveRaw(Position from, Position to) {
  from = Clamped(from);
  to = Clamped(to);
  if (to < from) std::swap(from, to);
  if (from == to) return {};
  changed_ = true;
  std::string removed = TextBetween(from, to);
  length_ -= static_cast<int64_t>(removed.size());
  Line& first = lines_[static_cast<size_t>(from.line)];
  if (from.line == to.line) {
    first.text.erase(static_cast<size_t>(from.column),
                     static_cast<size_t>(to.column - from.column));
    Reflow(from.line);
    InvalidateFromLine(from.line, false);
    return removed;
  }
  first.text.resize(static_cast<size_t>(from.column));
  first.text.append(LineText(to.line), static_cast<size_t>(to.column));
  for (int32_t i = from.line + 1; i <= to.line; ++i)
    total_rows_ -= lines_[static_cast<size_t>(i)].rows;
  lines_.erase(lines_.begin() + from.line + 1, lines_.begin() + to.line + 1);
  Reflow(from.line);
  MarkStale(from.line + 1);
  InvalidateFromLine(from.line, true);
  return removed;
}

// ---------------------------------------------------------------------------------------
// Dirty areas and scrolling

void TextBox::InvalidateRows(int32_t first_row, int32_t last_row) {
  WindowManager* wm = WMOrNull();
  if (!wm || !Parent()) return;
  const Rect& c = ClientRect();
  if (!multi_line_) {
    wm->InvalidateRect(this, c, false);
    return;
  }
  const int32_t top = c.top + RowY(first_row);
  const int32_t bottom = last_row == INT32_MAX ? c.bottom : c.top + RowY(last_row) + LineHeight();
  const Rect area = Rect{c.left, top, c.right, bottom}.Intersection(c);
  if (!area.IsEmpty()) wm->InvalidateRect(this, area, false);
}

void TextBox::InvalidateFromLine(int32_t line, bool to_bottom) {
  if (!multi_line_) {
    InvalidateRows(0, 0);
    return;
  }
  const int32_t first = LineFirstRow(line);
  InvalidateRows(first, to_bottom ? INT32_MAX : first + lines_[static_cast<size_t>(line)].rows - 1);
}

Rect TextBox::ClientCaretRect() {
  Row row;
  const int32_t k = RowInLine(caret_.line, caret_.column, &row);
  const int32_t r = multi_line_ ? LineFirstRow(caret_.line) + k : 0;
  const int32_t x = TextLeft() + XOfColumn(caret_.line, row, caret_.column);
  const int32_t y = RowY(r);
  return {x, y, x + 1, y + LineHeight()};
}

Rect TextBox::CaretRect() {
  const Rect& c = ClientRect();
  return ClientCaretRect().Offset(c.left, c.top);
}

void TextBox::InvalidateCaret() {
  WindowManager* wm = WMOrNull();
  if (!wm || !Parent() || lit_caret_.IsEmpty()) return;
  const Rect& c = ClientRect();
  wm->InvalidateRect(this, lit_caret_.Offset(c.left, c.top).Intersection(c), false);
}

void TextBox::OnScrolled() {
  // The whole box is drawn again; only the caret's place needs following.
  if (caret_lit_) lit_caret_ = ClientCaretRect();
}

bool TextBox::ShowsCaret() const {
  return editable_ && selectable_ && HasFocus();
}

void TextBox::PlaceCaret(Position caret, Position anchor) {
  caret = Clamped(caret);
  anchor = Clamped(anchor);
  const bool had_selection = HasSelection();
  const Position old_caret = caret_;
  const Position old_anchor = anchor_;
  caret_ = caret;
  anchor_ = anchor;
  if (had_selection || HasSelection()) {
    // Repaint the rows between every end of the old and the new selection.
    const int32_t lo = std::min({old_caret.line, old_anchor.line, caret.line, anchor.line});
    const int32_t hi = std::max({old_caret.line, old_anchor.line, caret.line, anchor.line});
    const int32_t hi_line = std::min(hi, LineCount() - 1);
    InvalidateRows(LineFirstRow(lo),
                   LineFirstRow(hi_line) + lines_[static_cast<size_t>(hi_line)].rows - 1);
  }
  InvalidateCaret();
  lit_caret_ = {};
  caret_moved_ = WMOrNull() ? WM().GetPlatform().Now() : 0;
  caret_lit_ = ShowsCaret();
  if (caret_lit_) {
    lit_caret_ = ClientCaretRect();
    InvalidateCaret();
  }
}

void TextBox::UpdateRanges() {
  if (scrolls_) {
    SetRanges(kVerticalBar, 0, total_rows_, 0, PageRows());
  } else if (!multi_line_) {
    const int32_t width = MeasureTextWidth(LayoutFont(), LineText(0), 0, text_flags_) + 1;
    SetRanges(0, width, 0, std::max(1, WrapWidth()), 0);
  }
}

void TextBox::EnsureCaretVisible() {
  UpdateRanges();
  if (scrolls_) {
    const int32_t row = CaretRow();
    const int32_t page = PageRows();
    if (row < VerticalPosition()) {
      SetVerticalPosition(row);
    } else if (row >= VerticalPosition() + page) {
      SetVerticalPosition(row - page + 1);
    }
  } else if (!multi_line_) {
    Row row;
    RowInLine(0, caret_.column, &row);
    const int32_t x = XOfColumn(0, row, caret_.column);
    const int32_t page = std::max(1, WrapWidth());
    if (x < HorizontalPosition()) {
      SetHorizontalPosition(x);
    } else if (x >= HorizontalPosition() + page) {
      SetHorizontalPosition(x - page + 1);
    }
  }
}

void TextBox::ScrollToRow(int32_t row) {
  if (scrolls_) SetVerticalPosition(row);
}

void TextBox::EmitIfChanged() {
  if (!changed_) return;
  changed_ = false;
  text_changed.Emit(0);
}

// ---------------------------------------------------------------------------------------
// Text in and out

void TextBox::SetText(std::string_view text) {
  if (!multi_line_) text = text.substr(0, std::min(text.size(), text.find_first_of("\r\n")));
  size_t breaks = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++breaks;
    }
  }
  lines_.clear();
  lines_.resize(breaks + 1);
  size_t line = 0;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsBreak(text[i])) continue;
    lines_[line++].text.assign(text.substr(start, i - start));
    if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  length_ = CountChars(text);
  ReflowAll();
  history_.Clear();
  caret_ = anchor_ = {};
  goal_x_ = -1;
  UpdateRanges();
  SetVerticalPosition(0);
  SetHorizontalPosition(0);
  PlaceCaret({}, {});
  Invalidate();
  changed_ = false;
  text_changed.Emit(0);
}

void TextBox::AppendText(std::string_view text) {
  if (!multi_line_) text = text.substr(0, std::min(text.size(), text.find_first_of("\r\n")));
  if (text.empty()) return;
  const bool followed = scrolls_ && VerticalPosition() >= MaxVerticalPosition();
  InsertRaw(End(), text);
  UpdateRanges();
  if (followed) SetVerticalPosition(MaxVerticalPosition());
  EmitIfChanged();
}

void TextBox::ReplaceFirstLines(int32_t count, std::string_view line) {
  line = line.substr(0, std::min(line.size(), line.find_first_of("\r\n")));
  count = std::clamp(count, 0, LineCount());
  int32_t removed_rows = 0;
  for (int32_t i = 0; i < count; ++i) {
    const Line& l = lines_[static_cast<size_t>(i)];
    removed_rows += l.rows;
    length_ -= CountChars(l.text);
  }
  // The breaks after the removed lines go, but for the one that now ends `line`; a count of
  // 0 adds that break.
  length_ -= count - 1;
  length_ += static_cast<int64_t>(line.size());
  const int32_t shift = count - 1;  // how many lines the rest moves up
  if (count == 0) {
    lines_.insert(lines_.begin(), Line{});
  } else if (count > 1) {
    lines_.erase(lines_.begin() + 1, lines_.begin() + count);
  }
  Line& first = lines_.front();
  first.text.assign(line);
  first.rows = CountRows(first.text);
  total_rows_ += first.rows - removed_rows;
  MarkStale(0);
  history_.Clear();
  auto moved = [&](Position p) {
    if (p.line < count) return Position{};
    return Position{p.line - shift, p.column};
  };
  caret_ = moved(caret_);
  anchor_ = moved(anchor_);
  goal_x_ = -1;
  const int32_t top = std::max(0, VerticalPosition() - removed_rows + first.rows);
  UpdateRanges();
  if (scrolls_) SetVerticalPosition(top);
  if (caret_lit_) lit_caret_ = ClientCaretRect();
  changed_ = true;
  Invalidate();
  EmitIfChanged();
}

void TextBox::SetFormattedText(const char* format, ...) {
  char buffer[kFormatLimit];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  SetText(n < 0 ? std::string_view()
                : std::string_view(buffer, std::min<size_t>(n, sizeof buffer - 1)));
}

void TextBox::SetInteger(int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  SetText(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

void TextBox::SetNumber(double value) {
  // The width of the whole part, then as many decimals as the maximum length leaves; never
  // more than the buffer holds, whatever the maximum length.
  char buffer[kFormatLimit];
  char* const limit = buffer + sizeof buffer;
  if (!std::isfinite(value)) {
    SetText(kInvalidNumber);
    return;
  }
  auto result = std::to_chars(buffer, limit, value, std::chars_format::fixed, 0);
  if (result.ec != std::errc()) {
    SetText(kInvalidNumber);
    return;
  }
  const int64_t whole = result.ptr - buffer;
  int64_t decimals = int64_t{max_length_} - whole - 2;
  if (decimals < 0) {
    SetText(kInvalidNumber);
    return;
  }
  decimals = std::min<int64_t>(decimals, static_cast<int64_t>(sizeof buffer) - whole - 2);
  result =
      std::to_chars(buffer, limit, value, std::chars_format::fixed, static_cast<int>(decimals));
  if (result.ec != std::errc()) {
    SetText(kInvalidNumber);
    return;
  }
  std::string_view shown(buffer, static_cast<size_t>(result.ptr - buffer));
  const size_t point = shown.find('.');
  if (point != std::string_view::npos) {
    // Trailing zeros go, but one digit stays after the point; zeros before it are the value's.
    size_t end = shown.size();
    while (end > point + 2 && shown[end - 1] == '0') --end;
    shown = shown.substr(0, end);
  }
  SetText(shown);
}

std::string TextBox::GetText() const {
  std::string out;
  out.reserve(static_cast<size_t>(std::max<int64_t>(0, length_)));
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) out += '\n';
    out += lines_[i].text;
  }
  return out;
}

bool TextBox::GetInteger(int32_t& value) const {
  if (kind_ != kIntegerKind) return false;
  const std::string& text = LineText(0);
  if (lines_.size() == 1 && (text.empty() || text == "-")) {
    value = 0;
    return true;
  }
  if (lines_.size() != 1) return false;
  int32_t v = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), v);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  value = v;
  return true;
}

bool TextBox::GetNumber(double& value) const {
  if (kind_ != kNumberKind) return false;
  const std::string& text = LineText(0);
  if (lines_.size() != 1) return false;
  if (text.empty() || text == "-" || text == ".") {
    value = 0;
    return true;
  }
  double v = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), v);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  value = v;
  return true;
}

std::string TextBox::SelectedText() const {
  return TextBetween(anchor_, caret_);
}

void TextBox::SelectAll() {
  if (!selectable_) return;
  PlaceCaret(End(), {});
  EnsureCaretVisible();
}

void TextBox::SetSelection(Position anchor, Position caret) {
  goal_x_ = -1;
  PlaceCaret(caret, anchor);
  EnsureCaretVisible();
}

void TextBox::Clear() {
  SetText({});
}

void TextBox::SetMaxLength(int32_t length) {
  max_length_ = std::max(0, length);
}

void TextBox::Copy() {
  if (!selectable_ || !HasSelection() || !WMOrNull()) return;
  WM().GetPlatform().PutClipboardText(SelectedText());
}

void TextBox::Cut() {
  if (!editable_ || !HasSelection()) return;
  Copy();
  Delete(TextBoxAction::kDeleteSelection);
  EmitIfChanged();
}

void TextBox::Paste() {
  if (!editable_ || !WMOrNull()) return;
  std::string text;
  if (!WM().GetPlatform().GetClipboardText(text) || text.empty()) return;
  Insert(text, TextBoxAction::kInsertString);
  EmitIfChanged();
}

void TextBox::Undo() {
  if (!editable_) return;
  if (history_.Undo()) {
    goal_x_ = -1;
    EnsureCaretVisible();
  }
  EmitIfChanged();
}

void TextBox::Redo() {
  if (!editable_) return;
  if (history_.Redo()) {
    goal_x_ = -1;
    EnsureCaretVisible();
  }
  EmitIfChanged();
}

// ---------------------------------------------------------------------------------------
// Input

bool TextBox::Accepts(std::string_view text) const {
  const Position start = std::min(caret_, anchor_);
  const Position end = std::max(caret_, anchor_);
  int64_t selected = 0;
  if (start != end) {
    selected = start.line == end.line ? end.column - start.column
                                      : static_cast<int64_t>(TextBetween(start, end).size());
  }
  if (length_ - selected + CountChars(text) > max_length_) return false;
  if (kind_ == kTextKind) return true;
  if (text.find_first_of("\n\r\t") != std::string_view::npos) return false;
  if (kind_ != kIntegerKind && kind_ != kNumberKind) return true;
  // Judge the text the field would hold, not the insertion alone.
  const std::string& line = LineText(0);
  std::string result = line.substr(0, static_cast<size_t>(start.column));
  result += text;
  result.append(line, static_cast<size_t>(end.column));
  return IsNumeral(result, kind_ == kNumberKind);
}

bool TextBox::Insert(std::string_view text, int32_t type) {
  if (!editable_) return false;
  if (!Accepts(text)) {
    if (WMOrNull()) WM().Beep();
    return false;
  }
  auto* action = type == TextBoxAction::kTypeChar && text.size() == 1
                     ? new TextBoxAction(this, TextBoxAction::kTypeChar, text[0])
                     : new TextBoxAction(this, TextBoxAction::kInsertString, 0, std::string(text));
  const bool done = history_.Add(action);
  goal_x_ = -1;
  if (done) EnsureCaretVisible();
  return done;
}

void TextBox::Delete(int32_t type) {
  if (!editable_) return;
  if (history_.Add(new TextBoxAction(this, type))) {
    goal_x_ = -1;
    EnsureCaretVisible();
  }
}

void TextBox::MoveCaret(Position to, bool extend) {
  PlaceCaret(to, extend ? anchor_ : to);
  EnsureCaretVisible();
}

void TextBox::MoveRows(int32_t rows, bool extend) {
  Row row;
  const int32_t k = RowInLine(caret_.line, caret_.column, &row);
  if (goal_x_ < 0) goal_x_ = XOfColumn(caret_.line, row, caret_.column);
  const int32_t current = LineFirstRow(caret_.line) + k;
  const int32_t target = std::clamp(current + rows, 0, std::max(0, total_rows_ - 1));
  const int32_t line = LineOfRow(target);
  FindRow(line, target - LineFirstRow(line), row);
  const int32_t goal = goal_x_;
  MoveCaret({line, ColumnAtX(line, row, goal)}, extend);
  goal_x_ = goal;
}

bool TextBox::OnKey(InputEvent& event) {
  const bool ctrl = (event.flags & kModControl) != 0;
  const bool shift = (event.flags & kModShift) != 0;
  const bool repeat = (event.flags & kKeyRepeatFlag) != 0;
  if (event.b == 0) {
    if (event.a == Key::Enter && editable_ && !multi_line_) {
      enter.Emit(0);
      return true;
    }
    return false;
  }
  if (!selectable_) return false;
  bool handled = true;
  if (ctrl && event.a >= 'A' && event.a <= 'Z') {
    switch (event.a) {
      case 'A':
        SelectAll();
        break;
      case 'C':
        Copy();
        break;
      case 'V':
        Paste();
        break;
      case 'X':
        Cut();
        break;
      case 'Y':
        Redo();
        break;
      case 'Z':
        Undo();
        break;
      default:
        handled = false;
        break;
    }
    EmitIfChanged();
    return handled;
  }
  const Position start = std::min(caret_, anchor_);
  const Position end = std::max(caret_, anchor_);
  switch (event.a) {
    case Key::Tab:
      if (!editable_) return false;
      Insert("\t", TextBoxAction::kTypeChar);
      break;
    case Key::Backspace:
      Delete(HasSelection() ? TextBoxAction::kDeleteSelection : TextBoxAction::kDeleteBackward);
      break;
    case Key::Delete:
      Delete(HasSelection() ? TextBoxAction::kDeleteSelection : TextBoxAction::kDeleteForward);
      break;
    case Key::Enter:
      if (!editable_) return false;
      if (multi_line_) {
        Insert("\n", TextBoxAction::kTypeChar);
      } else if (!repeat) {
        enter.Emit(1);
      }
      break;
    case Key::Home:
      goal_x_ = -1;
      MoveCaret({caret_.line, 0}, shift);
      break;
    case Key::End:
      goal_x_ = -1;
      MoveCaret({caret_.line, static_cast<int32_t>(LineText(caret_.line).size())}, shift);
      break;
    case Key::PageUp:
    case Key::PageDown: {
      const int32_t page = PageRows();
      const int32_t step = event.a == Key::PageUp ? -page : page;
      if (scrolls_) SetVerticalPosition(VerticalPosition() + step);
      MoveRows(step, shift);
      break;
    }
    case Key::Up:
    case Key::Down:
      if (multi_line_) {
        MoveRows(event.a == Key::Up ? -1 : 1, shift);
      } else {
        goal_x_ = -1;
        MoveCaret(event.a == Key::Up ? Position{} : End(), shift);
      }
      break;
    case Key::Left:
      goal_x_ = -1;
      MoveCaret(HasSelection() && !shift ? start : Before(caret_), shift);
      break;
    case Key::Right:
      goal_x_ = -1;
      MoveCaret(HasSelection() && !shift ? end : After(caret_), shift);
      break;
    default:
      handled = false;
      break;
  }
  EmitIfChanged();
  return handled;
}

void TextBox::OnChar(InputEvent& event) {
  if (!editable_ || (event.flags & kModControl)) return;
  const int32_t code = event.a & 0xFF;
  if (code < 32) return;
  const char c = static_cast<char>(code);
  Insert(std::string_view(&c, 1), TextBoxAction::kTypeChar);
  EmitIfChanged();
}

TextBox::Position TextBox::PositionAt(Point p) {
  const Rect& c = ClientRect();
  const int32_t x = p.x - c.left - TextLeft();
  int32_t row = 0;
  if (multi_line_) {
    const int32_t y = p.y - c.top - pad_;
    const int32_t on_screen = y >= 0 ? y / LineHeight() : -1 - (-y - 1) / LineHeight();
    row = std::clamp(VerticalPosition() + on_screen, 0, std::max(0, total_rows_ - 1));
  }
  const int32_t line = LineOfRow(row);
  Row r;
  FindRow(line, row - LineFirstRow(line), r);
  return {line, ColumnAtX(line, r, x)};
}

void TextBox::UpdateDrag(Point pointer) {
  const Rect& c = ClientRect();
  if (multi_line_) {
    // Outside the box the selection creeps one row at a time.
    const int32_t lh = LineHeight();
    pointer.y = std::clamp(pointer.y, c.top + pad_ - lh, c.top + pad_ + PageRows() * lh);
  }
  const Position at = PositionAt(pointer);
  if (at == caret_) return;
  goal_x_ = -1;
  PlaceCaret(at, anchor_);
  EnsureCaretVisible();
}

void TextBox::OnMouseButton(InputEvent& event) {
  if (!selectable_ || event.c != 0 || event.d != 1) return;
  const Position at = PositionAt({event.a, event.b});
  const bool extend = (event.mods & kModShift) != 0;
  goal_x_ = -1;
  PlaceCaret(at, extend ? anchor_ : at);
  EnsureCaretVisible();
  WindowManager& wm = WM();
  last_drag_ = wm.GetPlatform().Now();
  dragging_ = wm.TrackMouse(this, nullptr);
}

void TextBox::OnTrackMouse(Point /*start*/, Point current, int32_t phase) {
  if (!dragging_ || phase != kTrackEnd) return;
  UpdateDrag(current);
  dragging_ = false;
}

void TextBox::OnIdle() {
  ScrollableWindow::OnIdle();
  WindowManager* wm = WMOrNull();
  if (!wm) return;
  const double now = wm->GetPlatform().Now();
  if (dragging_) {
    const Point pointer = wm->MousePosition();
    if (ClientRect().Contains(pointer) || now - last_drag_ >= kDragRepeat) {
      last_drag_ = now;
      UpdateDrag(pointer);
    }
  }
  bool lit = false;
  if (ShowsCaret()) {
    lit = now - caret_moved_ < kCaretHold ||
          static_cast<int64_t>(std::floor(now / kCaretHold)) % 2 != 0;
  }
  if (lit == caret_lit_) return;
  // Only the caret's own rectangle needs drawing again, not the whole box.
  caret_lit_ = lit;
  if (lit) lit_caret_ = ClientCaretRect();
  InvalidateCaret();
  if (!lit) lit_caret_ = {};
}

void TextBox::OnResized() {
  if (multi_line_ && WrapWidth() != wrap_width_) {
    ReflowAll();
  } else {
    wrap_width_ = WrapWidth();
  }
  UpdateRanges();
  if (caret_lit_) lit_caret_ = ClientCaretRect();
}

void TextBox::OnFocusLost(Window* /*new_focus*/, int32_t /*reason*/) {
  dragging_ = false;
  if (kind_ == kIntegerKind || kind_ == kNumberKind) {
    int32_t i = 0;
    double d = 0;
    const bool reads = kind_ == kIntegerKind ? GetInteger(i) : GetNumber(d);
    if (Length() == 0 || !reads) {
      if (kind_ == kIntegerKind)
        SetInteger(0);
      else
        SetNumber(0);
    }
  }
  if (caret_lit_) {
    InvalidateCaret();
    caret_lit_ = false;
    lit_caret_ = {};
  }
}

FocusGain TextBox::OnFocusGained(Window* /*old_focus*/, int32_t reason) {
  // Reason 2: the focus came with the Tab key.
  if (reason == 2 && selectable_) SelectAll();
  if (WMOrNull()) caret_moved_ = WM().GetPlatform().Now();
  return {};
}

void TextBox::OnFlagsChanged(uint32_t changed) {
  ScrollableWindow::OnFlagsChanged(changed);
  if ((changed & WindowFlag::Visible) && !IsVisible()) dragging_ = false;
}

uint32_t TextBox::HitTest(Point screen_point) const {
  // A label lets the pointer through to what lies under it, and never takes the focus.
  if (mode_ == kLabel) return Part::None;
  return ScrollableWindow::HitTest(screen_point);
}

// ---------------------------------------------------------------------------------------
// Drawing

void TextBox::Draw() {
  const Rect& c = ClientRect();
  const int32_t w = c.Width();
  const int32_t h = c.Height();
  if (editable_) {
    QueueSprite(kSkinTextBoxFill, {0, 0, w, h});
    DrawSkinBorder({0, 0, w, h}, kSkinTextBoxEdge, kSkinTextBoxCorner, FrameSide::All);
  }
  const Font* font = LayoutFont();
  if (!font) return;
  const int32_t lh = LineHeight();
  // Only the rows inside the area being drawn.
  const Rect clip = FrameClip().Intersection(c).Offset(-c.left, -c.top);
  if (clip.IsEmpty()) return;
  int32_t first_row = 0;
  int32_t last_row = 0;
  if (multi_line_) {
    const int32_t v = VerticalPosition();
    first_row = std::max(v + (clip.top - pad_) / lh - (clip.top < pad_ ? 1 : 0), v);
    last_row = std::min(total_rows_ - 1, v + (clip.bottom - pad_ - 1) / lh);
    if (!scrolls_) first_row = std::max(0, first_row);
  }
  if (first_row > last_row) return;
  const Position sel_start = std::min(caret_, anchor_);
  const Position sel_end = std::max(caret_, anchor_);
  const bool selection = sel_start != sel_end;
  const int32_t left = TextLeft();
  const int32_t right = w - (multi_line_ ? pad_ : 0);
  const int32_t selection_id = HasFocus() ? kSkinSelection : kSkinSelectionInactive;
  SetDrawColor(kTextColor);
  int32_t line = LineOfRow(first_row);
  int32_t row_index = first_row;
  while (row_index <= last_row && line < LineCount()) {
    const std::string& text = LineText(line);
    const int32_t line_first = LineFirstRow(line);
    Row row;
    for (int32_t k = 0;; ++k) {
      const bool more = NextRow(text, row);
      const int32_t r = line_first + k;
      if (r >= first_row && r <= last_row) {
        const int32_t y = RowY(r);
        if (selection && Position{line, static_cast<int32_t>(row.start)} <= sel_end &&
            sel_start <= Position{line, static_cast<int32_t>(row.end)}) {
          const int32_t from = sel_start.line == line ? sel_start.column : 0;
          const bool through_end = sel_end.line > line;
          const int32_t to = sel_end.line == line ? sel_end.column : static_cast<int32_t>(row.end);
          const int32_t x0 = left + XOfColumn(line, row, from);
          // A selected line break shows as a little room after the row's last character.
          const int32_t x1 = left + XOfColumn(line, row, to) + (through_end && !more ? 4 : 0);
          if (x1 > x0) {
            SetDrawColor(kWhite);
            QueueSprite(selection_id, {x0, y, x1, y + lh}, SpriteFlag::Stretch);
            SetDrawColor(kTextColor);
          }
        }
        if (row.end > row.start) {
          DrawText(font, std::string_view(text).substr(row.start, row.end - row.start), row.style,
                   text_flags_, {left, y, std::max(left + 1, right), y + lh});
        }
        row_index = r + 1;
      }
      if (!more || r >= last_row) break;
      row.start = row.next;
      row.style = row.next_style;
    }
    ++line;
  }
  SetDrawColor(kWhite);
  if (caret_lit_) QueueSprite(kSkinTextCaret, lit_caret_, SpriteFlag::Stretch);
}
