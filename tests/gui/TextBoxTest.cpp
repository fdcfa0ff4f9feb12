#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "gui/Draw.h"
#include "gui/TextBox.h"
#include "gui/TextPopup.h"
#include "support/MonoFont.h"
#include "support/WmHarness.h"

namespace {

using Pos = TextBox::Position;

class ChangeLog : public has_slots<void> {
 public:
  void OnChanged(intptr_t) { ++changes; }
  void OnEnter(intptr_t pressed) { enters.push_back(pressed); }
  int changes = 0;
  std::vector<intptr_t> enters;
};

// Keeps the dirty rectangles of every frame rendered.
class DirtyLog : public Renderer {
 public:
  bool Render(WindowManager& wm) override {
    frames.push_back(wm.DirtyRects());
    full.push_back((wm.RedrawFlags() & WindowManager::kRedrawFull) != 0);
    wm.ClearRedraw();
    return true;
  }
  std::vector<std::vector<Rect>> frames;
  std::vector<bool> full;
};

// Boxes live in a plain window at screen (100, 100). Characters are 6 pixels wide and lines
// 12 high; a field's text starts 4 pixels in from its edges.
class TextBoxTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    SetDefaultFont(&font);
    frame = Frame({100, 100, 700, 500}, 0);
    other = new ProbeWindow(0, frame);
    other->SetFrameRect({500, 300, 550, 320});
  }
  void TearDown() override {
    WmTest::TearDown();
    SetDefaultFont(nullptr);
  }
  TextBox* Make(int mode, const Rect& r = {10, 10, 210, 30}) {
    auto* box = new TextBox(mode, frame);
    box->SetFrameRect(r);
    Connect<&ChangeLog::OnChanged>(box->text_changed, &log);
    Connect<&ChangeLog::OnEnter>(box->enter, &log);
    Window::SetFocus(box, 0);
    Pump();
    return box;
  }
  void Type(std::string_view text) {
    for (char c : text) Char(static_cast<unsigned char>(c));
    Pump();
  }
  void Press1(int key, int times = 1) {
    for (int i = 0; i < times; ++i) Tap(key);
    Pump();
  }
  void With(int modifier, int key, int times = 1) {
    Key(modifier, true);
    for (int i = 0; i < times; ++i) Tap(key);
    Key(modifier, false);
    Pump();
  }
  void Ctrl(int key) { With(Key::Control, key); }
  void Paste(const char* text) {
    platform.PutClipboardText(text);
    Ctrl('V');
  }

  Font font{MonoFontData()};
  ProbeWindow* frame = nullptr;
  ProbeWindow* other = nullptr;
  ChangeLog log;
};

TEST_F(TextBoxTest, IntegerFieldsTakeASignFirstAndDigitsUpToElevenCharacters) {
  TextBox* box = Make(TextBox::kIntegerField);
  Type("a");
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(box->GetText(), "");
  Type("-");
  EXPECT_EQ(box->GetText(), "-");
  Type("1-2");
  EXPECT_EQ(box->GetText(), "-12");
  EXPECT_EQ(platform.beeps, 2) << "a sign after digits is refused";
  box->SetText("");
  Paste("-12");
  EXPECT_EQ(box->GetText(), "-12");
  Press1(Key::Home);
  Paste("1-2");
  EXPECT_EQ(box->GetText(), "-12");
  EXPECT_EQ(platform.beeps, 3);
  box->SetText("12345678901");
  Press1(Key::End);
  Type("2");
  EXPECT_EQ(box->GetText(), "12345678901");
  EXPECT_EQ(platform.beeps, 4) << "a twelfth character";
}

TEST_F(TextBoxTest, NumberAndLineFieldsRefuseWhatTheyCannotHold) {
  TextBox* number = Make(TextBox::kNumberField);
  Type("1..2");
  EXPECT_EQ(number->GetText(), "1.2");
  EXPECT_EQ(platform.beeps, 1);
  number->SetText("");
  Paste("-.5");
  EXPECT_EQ(number->GetText(), "-.5");
  TextBox* line = Make(TextBox::kLineField);
  Press1(Key::Tab);
  Paste("a\nb");
  EXPECT_EQ(line->GetText(), "");
  EXPECT_EQ(platform.beeps, 3);
  line->SetMaxLength(3);
  Type("abcd");
  EXPECT_EQ(line->GetText(), "abc");
  EXPECT_EQ(platform.beeps, 4);
  TextBox* editor = Make(TextBox::kEditor, {10, 40, 310, 200});
  Press1(Key::Tab);
  Paste("x\r\ny");
  EXPECT_EQ(editor->GetText(), "\tx\ny");
  EXPECT_EQ(platform.beeps, 4);
}

TEST_F(TextBoxTest, KeysMoveSelectCopyCutAndPaste) {
  TextBox* box = Make(TextBox::kLineField);
  Type("hello");
  Press1(Key::Home);
  With(Key::Shift, Key::Right, 2);
  EXPECT_EQ(box->SelectedText(), "he");
  Ctrl('C');
  EXPECT_EQ(platform.clipboard_text, "he");
  Press1(Key::End);
  Ctrl('V');
  EXPECT_EQ(box->GetText(), "hellohe");
  Ctrl('A');
  Ctrl('X');
  EXPECT_EQ(platform.clipboard_text, "hellohe");
  EXPECT_EQ(box->GetText(), "");
  Type("abc");
  Press1(Key::Left);
  Press1(Key::Backspace);
  EXPECT_EQ(box->GetText(), "ac");
  Press1(Key::Delete);
  EXPECT_EQ(box->GetText(), "a");
  Press1(Key::Up);
  EXPECT_EQ(box->Caret(), (Pos{0, 0}));
  Press1(Key::Down);
  EXPECT_EQ(box->Caret(), (Pos{0, 1}));
  const int changes = log.changes;
  Key(Key::Enter, true);
  Pump();
  EXPECT_EQ(log.enters, (std::vector<intptr_t>{1}));
  Key(Key::Enter, false);
  Pump();
  EXPECT_EQ(log.enters, (std::vector<intptr_t>{1, 0}));
  EXPECT_EQ(box->GetText(), "a") << "Enter inserts nothing in a field";
  EXPECT_EQ(log.changes, changes);
}

TEST_F(TextBoxTest, LinesSplitAtEveryKindOfBreakAndWrapAtTheWidth) {
  // A 60-pixel text column: ten characters a row.
  TextBox* box = Make(TextBox::kEditor, {10, 10, 92, 200});
  box->SetText("a\rb\nc\r\nd");
  EXPECT_EQ(box->LineCount(), 4);
  EXPECT_EQ(box->GetText(), "a\nb\nc\nd");
  box->SetText("aaaa bbbb cccc\nx");
  EXPECT_EQ(box->RowCount(), 3);
  EXPECT_EQ(box->LineFirstRow(1), 2);
  box->SetSelection({0, 14}, {0, 14});
  Type(" dddddd");
  EXPECT_EQ(box->RowCount(), 4);
  EXPECT_EQ(box->LineFirstRow(1), 3);
  Press1(Key::Enter);
  EXPECT_EQ(box->LineCount(), 3);
  Press1(Key::Backspace);
  EXPECT_EQ(box->GetText(), "aaaa bbbb cccc dddddd\nx");
  Press1(Key::Down);
  EXPECT_EQ(box->Caret(), (Pos{1, 1}));
  Press1(Key::Up, 2);
  EXPECT_EQ(box->Caret(), (Pos{0, 14})) << "two rows up, as near the same x as the row allows";
}

TEST_F(TextBoxTest, PageKeysMoveAPageAndScrollTheEditor) {
  TextBox* box = Make(TextBox::kEditor, {10, 10, 210, 10 + 8 + 5 * 12});  // five rows a page
  std::string text;
  for (int i = 0; i < 30; ++i) text += "line\n";
  box->SetText(text);
  ASSERT_EQ(box->PageRows(), 5);
  Press1(Key::PageDown);
  EXPECT_EQ(box->Caret(), (Pos{5, 0}));
  EXPECT_EQ(box->VerticalPosition(), 5);
  Press1(Key::PageDown, 10);
  EXPECT_EQ(box->Caret(), (Pos{30, 0}));
  EXPECT_EQ(box->VerticalPosition(), 26);
  With(Key::Shift, Key::PageUp);
  EXPECT_EQ(box->Anchor(), (Pos{30, 0}));
  EXPECT_EQ(box->Caret(), (Pos{25, 0}));
}

TEST_F(TextBoxTest, ALineFieldScrollsToKeepTheCaretInView) {
  TextBox* box = Make(TextBox::kLineField);  // 192 pixels of text: 32 characters
  Type(std::string(40, 'w'));
  EXPECT_GT(box->HorizontalPosition(), 0);
  EXPECT_TRUE(box->ClientRect().Contains(box->CaretRect()));
  Press1(Key::Home);
  EXPECT_EQ(box->HorizontalPosition(), 0);
}

TEST_F(TextBoxTest, NumbersShowWithTheDecimalsTheLengthLeaves) {
  TextBox* box = Make(TextBox::kNumberField);
  const std::vector<std::pair<double, std::string>> cases = {
      {1.5, "1.5"},
      {0.0, "0.0"},
      {2.0, "2.0"},
      {12345.678, "12345.7"},
      {-0.25, "-0.25"},
      {123450, "123450"},
      {1234567, "invalid ???"},
      {std::nan(""), "invalid ???"},
      {std::numeric_limits<double>::infinity(), "invalid ???"}};
  for (const auto& [value, shown] : cases) {
    box->SetNumber(value);
    EXPECT_EQ(box->GetText(), shown) << value;
  }
  box->SetMaxLength(10);
  box->SetNumber(123450);
  EXPECT_EQ(box->GetText(), "123450.0") << "the whole part keeps its zeros";
  TextBox* wide = Make(TextBox::kEditor, {10, 40, 310, 200});
  wide->SetNumber(1e300);
  EXPECT_LE(wide->GetText().size(), 1023u);
  EXPECT_EQ(wide->GetText().substr(0, 4), "1000");
  wide->SetNumber(1.0 / 3);
  EXPECT_EQ(wide->GetText().substr(0, 6), "0.3333");
}

TEST_F(TextBoxTest, ReadingNumbersNeedsTheWholeText) {
  TextBox* integer = Make(TextBox::kIntegerField);
  int32_t i = 7;
  double d = 7;
  for (const char* zero : {"", "-"}) {
    integer->SetText(zero);
    EXPECT_TRUE(integer->GetInteger(i) && i == 0) << zero;
  }
  integer->SetText("2147483647");
  EXPECT_TRUE(integer->GetInteger(i) && i == 2147483647);
  integer->SetText("2147483648");
  EXPECT_FALSE(integer->GetInteger(i)) << "beyond 32 bits";
  integer->SetInteger(-42);
  EXPECT_EQ(integer->GetText(), "-42");
  EXPECT_FALSE(integer->GetNumber(d)) << "not a number field";
  TextBox* number = Make(TextBox::kNumberField);
  number->SetText(".");
  EXPECT_TRUE(number->GetNumber(d) && d == 0);
  number->SetText("-1.25");
  EXPECT_TRUE(number->GetNumber(d) && d == -1.25);
  number->SetText("1.5.2");
  EXPECT_FALSE(number->GetNumber(d));
}

TEST_F(TextBoxTest, LeavingAnUnreadableFieldSetsZero) {
  TextBox* integer = Make(TextBox::kIntegerField);
  Window::SetFocus(other, 0);
  EXPECT_EQ(integer->GetText(), "0");
  TextBox* number = Make(TextBox::kNumberField);
  Type("-.");
  Window::SetFocus(other, 0);
  EXPECT_EQ(number->GetText(), "0.0");
  EXPECT_EQ(number->Caret(), (Pos{0, 0}));
  Window::SetFocus(number, 0);
  number->SetText("2.5");
  Window::SetFocus(other, 0);
  EXPECT_EQ(number->GetText(), "2.5") << "a readable field keeps its text";
}

TEST_F(TextBoxTest, UndoRestoresTextCaretAndAnchorAndRedoFollows) {
  TextBox* box = Make(TextBox::kLineField);
  Type("abc");
  Ctrl('Z');
  EXPECT_EQ(box->GetText(), "ab");
  Ctrl('Y');
  EXPECT_EQ(box->GetText(), "abc");
  Ctrl('Z');
  Type("x");
  Ctrl('Y');
  EXPECT_EQ(box->GetText(), "abx") << "typing after an undo drops the redo steps";
  box->SetText("hello");
  box->SetSelection({0, 1}, {0, 4});
  Type("J");
  EXPECT_EQ(box->GetText(), "hJo");
  Ctrl('Z');
  EXPECT_EQ(box->GetText(), "hello");
  EXPECT_EQ(box->Anchor(), (Pos{0, 1}));
  EXPECT_EQ(box->Caret(), (Pos{0, 4}));
  Ctrl('Y');
  EXPECT_EQ(box->GetText(), "hJo");
  EXPECT_EQ(box->Caret(), (Pos{0, 2}));
}

TEST_F(TextBoxTest, ARefusedBackspaceKeepsTheRedoSteps) {
  TextBox* box = Make(TextBox::kEditor, {10, 40, 310, 200});
  Type("a");
  Press1(Key::Enter);
  Type("b");
  Press1(Key::Home);
  Press1(Key::Backspace);  // joins the lines
  Ctrl('Z');
  EXPECT_EQ(box->GetText(), "a\nb");
  EXPECT_EQ(box->Caret(), (Pos{1, 0}));
  Ctrl('Z');
  Ctrl('Z');
  EXPECT_EQ(box->GetText(), "a");
  Press1(Key::Home);
  const int changes = log.changes;
  Press1(Key::Backspace);  // nothing before the caret
  EXPECT_EQ(log.changes, changes);
  Ctrl('Y');
  Ctrl('Y');
  EXPECT_EQ(box->GetText(), "a\nb");
}

TEST_F(TextBoxTest, TheBlinkingCaretRedrawsOnlyItsOwnRectangle) {
  DirtyLog dirty;
  wm->SetRenderer(&dirty);
  TextBox* box = Make(TextBox::kLineField);  // screen (110, 110)-(310, 130)
  Type("ab");
  const Rect caret{110 + 4 + 12, 114, 110 + 4 + 13, 126};
  EXPECT_EQ(box->CaretRect(), caret);
  // Half-second steps after the hold: lit on odd ones.
  for (const double t : {std::ceil(platform.now) + 2.25, std::ceil(platform.now) + 2.75}) {
    platform.now = t;
    dirty.frames.clear();
    Pump();
    ASSERT_FALSE(dirty.frames.empty());
    EXPECT_EQ(dirty.frames.back(), (std::vector<Rect>{caret})) << t;
    EXPECT_EQ(box->CaretLit(), std::fmod(t, 1.0) > 0.5) << t;
  }
  // Scrolled by the wheel, the caret blinks where it now is.
  TextBox* editor = Make(TextBox::kEditor, {10, 40, 210, 40 + 8 + 36});  // screen y 140..188
  editor->SetText("a\nb\nc\nd\ne");
  editor->SetSelection({2, 1}, {2, 1});
  Move(150, 160);
  Wheel(0, -1);
  Pump();
  ASSERT_EQ(editor->VerticalPosition(), 1);
  const Rect moved{110 + 4 + 6, 140 + 4 + 12, 110 + 4 + 7, 140 + 4 + 24};
  EXPECT_EQ(editor->CaretRect(), moved);
  platform.now = std::ceil(platform.now) + 2.25;
  dirty.frames.clear();
  Pump();
  ASSERT_FALSE(dirty.frames.empty());
  EXPECT_EQ(dirty.frames.back(), (std::vector<Rect>{moved}));
  wm->SetRenderer(&renderer);
}

TEST_F(TextBoxTest, PressingPlacesTheCaretAndDraggingSelects) {
  TextBox* box = Make(TextBox::kLineField);
  Type("abcdefgh");
  Press(127, 120);  // the left half of "c"
  Pump();
  EXPECT_EQ(box->Caret(), (Pos{0, 2}));
  Move(142, 120);  // the right half of "e"
  Pump();
  Release(142, 120);
  Pump();
  EXPECT_EQ(box->SelectedText(), "cde");
  TextBox* editor = Make(TextBox::kEditor, {10, 40, 210, 40 + 8 + 36});  // three rows a page
  std::string text;
  for (int i = 0; i < 10; ++i) text += "row\n";
  editor->SetText(text);
  Press(112, 150);
  Move(112, 400);  // far below: one row at a time
  Pump();
  const int32_t first = editor->VerticalPosition();
  platform.now += 1.0 / 30;
  Pump();
  EXPECT_EQ(editor->VerticalPosition(), first + 1);
  Release(112, 400);
  Pump();
  EXPECT_EQ(editor->Anchor(), (Pos{0, 0}));
}

TEST_F(TextBoxTest, APopupEndsOnEnterOrOnAPressOutsideThatGoesOnToItsWindow) {
  TextBox* box = new TextBox(TextBox::kLineField, frame);
  box->SetFrameRect({300, 10, 400, 30});
  box->SetText("old");
  auto in_popup = [this] {
    Window* top = wm->TopModalWindow();
    return top && std::string_view(top->GetClassName()) == "TextPopup";
  };
  platform.Then([&](FakePlatform&) {
    if (!in_popup()) return false;
    for (char c : std::string_view("new")) Char(c);
    Tap(Key::Enter);
    return true;
  });
  bool accepted = false;
  EXPECT_EQ(TextPopup::Run(frame, {20, 20, 120, 40}, box, &accepted), box);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(box->GetText(), "new");
  EXPECT_EQ(box->Parent(), frame);
  EXPECT_EQ(box->FrameRect(), (Rect{400, 110, 500, 130}));
  platform.Then([&](FakePlatform&) {
    if (!in_popup()) return false;
    Click(625, 410);  // on `other`
    return true;
  });
  TextPopup::Run(frame, {20, 20, 120, 40}, box);
  ASSERT_EQ(other->buttons.size(), 1u);
  Pump(2);  // the loop's end skips one round of events
  ASSERT_EQ(other->buttons.size(), 2u);
  EXPECT_EQ(other->buttons[0].d, 1);
  EXPECT_EQ(other->buttons[1].d, 0);
  EXPECT_EQ(wm->ModalDepth(), 0);
}

// Edits its own box in a pop-up over itself when pressed.
class PopupHost : public ProbeWindow {
 public:
  explicit PopupHost(Window* parent) : ProbeWindow(0, parent) {
    box = new TextBox(TextBox::kLineField, this);
    box->Hide();
  }
  void OnMouseButton(InputEvent& e) override {
    if (e.c != 0 || e.d != 1) return;
    TextPopup::Run(this, {0, 0, 100, 20}, box, &accepted);
    ++runs;
  }
  TextBox* box = nullptr;
  bool accepted = false;
  int runs = 0;
};

TEST_F(TextBoxTest, AnOuterModalLoopStillFiltersThePressThatEndedAPopup) {
  auto* host = new PopupHost(frame);
  host->SetFrameRect({10, 10, 210, 30});
  auto* behind = Frame({710, 100, 790, 200}, 0, "behind");
  const int beeps = platform.beeps;
  platform.Then([this](FakePlatform& p) {
    if (p.wm->TopModalWindow() != frame) return false;
    Press(150, 120);  // on the host, inside the dialog
    return true;
  });
  platform.Then([this](FakePlatform& p) {
    Window* top = p.wm->TopModalWindow();
    if (!top || std::string_view(top->GetClassName()) != "TextPopup") return false;
    Press(750, 150);  // outside both the pop-up and the dialog
    return true;
  });
  platform.Then([this, host](FakePlatform& p) {
    if (p.wm->TopModalWindow() != frame || host->runs == 0) return false;
    p.wm->EndModal(frame, 0);
    return true;
  });
  wm->RunModal(frame, 0);
  EXPECT_TRUE(platform.steps.empty());
  EXPECT_EQ(host->runs, 1);
  EXPECT_TRUE(host->accepted) << "a press outside ends the pop-up as Enter would";
  EXPECT_TRUE(behind->buttons.empty()) << "the dialog's loop keeps presses from other windows";
  EXPECT_EQ(platform.beeps, beeps + 1) << "and beeps at them";
}

}  // namespace
