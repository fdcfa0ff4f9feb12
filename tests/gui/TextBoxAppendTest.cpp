#include <gtest/gtest.h>

#include <string>

#include "gui/Draw.h"
#include "gui/TextBox.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

using Pos = TextBox::Position;

// A read-only box five rows high, 18 characters wide (6-pixel characters, 12-pixel rows, 4
// pixels of padding), as a log shows its text.
class TextBoxAppend : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    frame = Frame({100, 100, 700, 500}, 0);
    box = new TextBox(TextBox::kReadOnly, frame);
    box->SetFrameRect({10, 10, 10 + 18 * 6 + 8, 10 + 5 * 12 + 8});
    Pump();
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  // The box's rows counted from scratch, to check what appending kept up to date.
  int32_t RowsFromScratch() {
    TextBox fresh(TextBox::kReadOnly, frame);
    fresh.SetFrameRect(box->FrameRectInParent());
    fresh.SetText(box->GetText());
    return fresh.RowCount();
  }

  Font font{MonoFontData()};
  ProbeWindow* frame = nullptr;
  TextBox* box = nullptr;
};

TEST_F(TextBoxAppend, AppendingSplitsLinesAndGoesPastTheMaximumLength) {
  box->AppendText("one\ntwo");
  box->AppendText(" more\r\nthree\r");
  EXPECT_EQ(box->GetText(), "one\ntwo more\nthree\n");
  EXPECT_EQ(box->LineCount(), 4);
  EXPECT_EQ(box->Length(), 19);
  const std::string long_line(20000, 'x');
  box->AppendText(long_line);
  EXPECT_EQ(box->Length(), 19 + 20000);
  EXPECT_EQ(box->LineText(3), long_line);
  EXPECT_EQ(box->MaxLength(), 9999);  // what the user may type, not what a log may hold
}

TEST_F(TextBoxAppend, AppendedLinesAreLaidOutAsIfSetAtOnce) {
  box->AppendText("short");
  box->AppendText("\naaaa bbbb cccc dddd eeee");  // 24 characters: two rows
  box->AppendText(" ffff\nlast");
  EXPECT_EQ(box->RowCount(), RowsFromScratch());
  EXPECT_EQ(box->RowCount(), 4);
  EXPECT_EQ(box->LineFirstRow(2), 3);
}

TEST_F(TextBoxAppend, TheViewFollowsTheEndOnlyWhenItShowedTheEnd) {
  for (int i = 0; i < 20; ++i) box->AppendText(i ? "\nline" : "line");
  EXPECT_EQ(box->RowCount(), 20);
  EXPECT_EQ(box->VerticalPosition(), 20 - box->PageRows());
  box->ScrollToRow(3);
  box->AppendText("\nmore");
  EXPECT_EQ(box->VerticalPosition(), 3);
  EXPECT_EQ(box->VerticalRange(), 21);
}

TEST_F(TextBoxAppend, ReplacingTheFirstLinesKeepsCaretAndSelectionOnTheirText) {
  box->SetText("a\nb\nc\nd\ne");
  box->SetSelection({3, 0}, {4, 1});
  box->ReplaceFirstLines(3, "(3 dropped)");
  EXPECT_EQ(box->GetText(), "(3 dropped)\nd\ne");
  EXPECT_EQ(box->Anchor(), (Pos{1, 0}));
  EXPECT_EQ(box->Caret(), (Pos{2, 1}));
  EXPECT_EQ(box->SelectedText(), "d\ne");
  EXPECT_EQ(box->Length(), static_cast<int64_t>(box->GetText().size()));
  EXPECT_EQ(box->RowCount(), 3);
  // A count of 0 puts the line before the rest.
  box->ReplaceFirstLines(0, "note");
  EXPECT_EQ(box->GetText(), "note\n(3 dropped)\nd\ne");
  EXPECT_EQ(box->Length(), static_cast<int64_t>(box->GetText().size()));
  EXPECT_EQ(box->Caret(), (Pos{3, 1}));
  // A selection inside the removed lines falls back to the start.
  box->SetSelection({0, 1}, {1, 2});
  box->ReplaceFirstLines(2, "n");
  EXPECT_EQ(box->Anchor(), (Pos{0, 0}));
  EXPECT_EQ(box->Caret(), (Pos{0, 0}));
}

TEST_F(TextBoxAppend, ReplacingTheFirstLinesKeepsTheRowsShownAndTheRowCount) {
  std::string text = "aaaa bbbb cccc dddd eeee";  // two rows
  for (int i = 1; i < 30; ++i) text += "\nline " + std::to_string(i);
  box->SetText(text);
  box->ScrollToRow(10);
  box->ReplaceFirstLines(5, "(5 dropped)");  // six rows become one
  EXPECT_EQ(box->VerticalPosition(), 5);
  const Rect& c = box->ClientRect();
  EXPECT_EQ(box->LineText(box->PositionAt({c.left + 5, c.top + 6}).line), "line 9");
  EXPECT_EQ(box->RowCount(), RowsFromScratch());
  EXPECT_EQ(box->RowCount(), 26);
  EXPECT_EQ(box->LineFirstRow(25), 25);
}

}  // namespace
