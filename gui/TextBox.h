#pragma once
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gui/ScrollableWindow.h"
#include "gui/Signal.h"
#include "gui/UndoHistory.h"

class Font;

// The toolkit's one text control: a static label, read-only text, an entry field for a line,
// an integer or a number, or a multi-line editor, chosen by the construction mode. The text is
// a list of lines; every edit goes through the box's own undo history.
//
// Multi-line kinds wrap their lines at the box's width; each line knows its first visual row
// and its row count, so that an edit re-flows only the lines it touched and rows are found by
// a binary search. First rows are brought up to date lazily, from the first stale line up to
// the rows that are asked for.
class TextBox : public ScrollableWindow {
 public:
  enum Mode : int32_t {
    kLabel = 0,         // static text: captions
    kReadOnly = 1,      // selectable, scrolling text
    kIntegerField = 2,  // one line, an optional sign and digits
    kNumberField = 3,   // one line, a decimal number
    kLongTextField = 4,
    kLineField = 5,
    kEditor = 6,  // multi-line, editable, scrolling
  };
  enum Kind : int32_t { kTextKind, kIntegerKind, kNumberKind, kLongTextKind, kLineKind };

  struct Position {
    int32_t line = 0;
    int32_t column = 0;
    friend auto operator<=>(const Position&, const Position&) = default;
  };
  struct Line {
    std::string text;
    int32_t first_row = 0;  // valid for the lines before the first stale one
    int32_t rows = 1;
  };

  static constexpr double kCaretHold = 0.5;  // seconds the caret stays lit after moving
  static constexpr double kDragRepeat = 1.0 / 30.0;
  static constexpr size_t kFormatLimit = 1024;

  TextBox(int32_t mode, Window* parent);

  // Replaces everything (line breaks are CR, LF or CR LF; a one-line kind keeps the first
  // line); caret and anchor go to the start, the history is cleared, text changed is emitted.
  // The maximum length limits what the user adds, not what the program sets.
  void SetText(std::string_view text);
  void SetFormattedText(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void SetInteger(int32_t value);
  // Shows `value` with as many decimals as the maximum length leaves, trailing zeros dropped.
  void SetNumber(double value);
  std::string GetText() const;
  // False when the box is of another kind or the text does not read.
  bool GetInteger(int32_t& value) const;
  bool GetNumber(double& value) const;
  void SelectAll();
  void Clear();
  void Copy();
  void Cut();
  void Paste();
  void Undo();
  void Redo();

  // Adds text after the last character, past the maximum length and outside the history:
  // the way a log grows. Only the lines it touches are laid out, so appending costs the same
  // however much text there is; a view that showed the last row goes on showing it.
  void AppendText(std::string_view text);
  // The first `count` lines (0 inserts one) become the single line `line`, which holds no
  // line break: how a bounded log drops its oldest lines and says so. Caret, selection and
  // the scroll position stay on the text they were on; the history is cleared.
  void ReplaceFirstLines(int32_t count, std::string_view line);

  void SetMaxLength(int32_t length);
  // Shows the text as it stands, "|b" as two characters: for texts that come from data.
  void SetLiteral(bool literal);
  bool IsLiteral() const { return text_flags_ != 0; }
  int32_t MaxLength() const { return max_length_; }
  // Characters, each line break counting as one.
  int64_t Length() const { return length_; }
  int32_t GetMode() const { return mode_; }
  Kind GetKind() const { return kind_; }
  bool IsEditable() const { return editable_; }
  bool IsSelectable() const { return selectable_; }
  bool IsMultiLine() const { return multi_line_; }

  Position Caret() const { return caret_; }
  Position Anchor() const { return anchor_; }
  // Clamps both to the text; the caret is scrolled into view.
  void SetSelection(Position anchor, Position caret);
  bool HasSelection() const { return caret_ != anchor_; }
  std::string SelectedText() const;
  int32_t LineCount() const { return static_cast<int32_t>(lines_.size()); }
  const std::string& LineText(int32_t line) const { return lines_[static_cast<size_t>(line)].text; }
  int32_t RowCount() const { return total_rows_; }
  int32_t LineFirstRow(int32_t line);
  int32_t CaretRow();
  int32_t PageRows() const;
  UndoHistory& History() { return history_; }
  // The caret's rectangle on screen, and whether it is lit now.
  Rect CaretRect();
  bool CaretLit() const { return caret_lit_; }
  // Where a screen point falls in the text.
  Position PositionAt(Point screen_point);

  Signal text_changed;  // argument unused
  Signal enter;         // 1 when Enter is pressed, 0 when it is released

  const char* GetClassName() const override { return "TextBox"; }
  void OnIdle() override;
  void OnResized() override;
  void Draw() override;
  bool OnKey(InputEvent& event) override;
  void OnChar(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void OnFocusLost(Window* new_focus, int32_t reason) override;
  FocusGain OnFocusGained(Window* old_focus, int32_t reason) override;
  void OnFlagsChanged(uint32_t changed) override;
  void OnTrackMouse(Point start, Point current, int32_t phase) override;
  uint32_t HitTest(Point screen_point) const override;
  // Scrolls so that `row` is the first one shown.
  virtual void ScrollToRow(int32_t row);

 protected:
  void OnScrolled() override;

 private:
  friend class TextBoxAction;

  // One visual row of a line: its characters [start, end), where the next row starts and the
  // style in force there.
  struct Row {
    size_t start = 0;
    size_t end = 0;
    size_t next = 0;
    int style = 0;
    int next_style = 0;
    bool more = false;
  };

  const Font* LayoutFont() const;
  int32_t LineHeight() const;
  int32_t WrapWidth() const;
  bool Wraps() const;
  int32_t CountRows(const std::string& text) const;
  bool NextRow(const std::string& text, Row& row) const;
  void FindRow(int32_t line, int32_t row_in_line, Row& row) const;
  int32_t RowInLine(int32_t line, int32_t column, Row* row = nullptr) const;
  void ValidateRowsThrough(int32_t line);
  int32_t LineOfRow(int32_t row);
  int32_t RowY(int32_t row) const;
  int32_t TextLeft() const;
  int32_t ColumnAtX(int32_t line, const Row& row, int32_t x) const;
  int32_t XOfColumn(int32_t line, const Row& row, int32_t column) const;
  Position Clamped(Position p) const;
  Position Before(Position p) const;
  Position After(Position p) const;
  Position End() const;
  std::string TextBetween(Position from, Position to) const;

  // Edits without filter or history, used by the actions; they keep rows, length and the
  // dirty area up to date.
  Position InsertRaw(Position at, std::string_view text);
  std::string RemoveRaw(Position from, Position to);
  void PlaceCaret(Position caret, Position anchor);
  void Reflow(int32_t line);
  void ReflowAll();
  void MarkStale(int32_t from_line);
  void InvalidateRows(int32_t first_row, int32_t last_row);
  void InvalidateFromLine(int32_t line, bool to_bottom);
  Rect ClientCaretRect();
  void InvalidateCaret();
  void UpdateRanges();
  void EnsureCaretVisible();
  void EmitIfChanged();

  // Input: every insertion is checked first.
  bool Accepts(std::string_view text) const;
  bool Insert(std::string_view text, int32_t type);
  void Delete(int32_t type);
  void MoveCaret(Position to, bool extend);
  void MoveRows(int32_t rows, bool extend);
  bool ShowsCaret() const;
  void UpdateDrag(Point pointer);

  UndoHistory history_;
  int32_t max_length_ = 9999;
  Kind kind_ = kTextKind;
  bool editable_ = false;
  bool selectable_ = false;
  bool multi_line_ = false;
  bool scrolls_ = false;
  int32_t mode_ = kLabel;
  std::vector<Line> lines_;
  Position caret_;
  Position anchor_;
  bool changed_ = false;
  uint32_t text_flags_ = 0;  // kTextLiteral or 0, for every layout call

  int64_t length_ = 0;
  int32_t total_rows_ = 1;
  int32_t rows_valid_ = 1;  // lines [0, rows_valid_) have a correct first row
  int32_t wrap_width_ = 0;  // the width the rows were counted for
  int32_t pad_ = 0;
  int32_t goal_x_ = -1;  // kept while moving up and down, -1 when the caret set it last
  double caret_moved_ = 0;
  bool caret_lit_ = false;
  bool dragging_ = false;
  double last_drag_ = 0;
  Rect lit_caret_;  // where the lit caret is drawn (client coordinates), to clear it later
};
