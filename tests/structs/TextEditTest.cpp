#include <gtest/gtest.h>

#include "app/EditorRegistration.h"
#include "app/RootMenu.h"
#include "base/MessageLog.h"
#include "gui/TextBox.h"
#include "structs/ui/TextEdit.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"

namespace {

constexpr uint32_t kStli = tagcode::Make("stli");
constexpr uint32_t kText = tagcode::Make("text");
constexpr uint32_t kScri = tagcode::Make("scri");
constexpr uint32_t kNote = tagcode::Make("Note");

class TextEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    RegisterTagEditors();
  }
  TextEdit* OpenTag(uint32_t group, const std::string& folder, const std::string& data) {
    Loose(folder, {group, kNote, "Note", Bytes(data.begin(), data.end())});
    Codex& codex = Open();
    return dynamic_cast<TextEdit*>(TagEdit::OpenEditor(codex.Find(group, kNote)));
  }
  static std::vector<std::string> Lines(const TextBox* box) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < box->LineCount(); ++i) out.push_back(box->LineText(i));
    return out;
  }
};

TEST_F(TextEditTest, AStringListShowsOneStringPerLineAndSavesThemCarriageReturnEnded) {
  MessageCapture log;
  TextEdit* editor = OpenTag(kStli, "string lists", std::string("one\0two\0\0three\0", 16));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(Lines(editor->Box()), (std::vector<std::string>{"one", "two", "three", ""}));
  EXPECT_NE(log.text().find("1 empty string was dropped"), std::string::npos) << log.text();
  EXPECT_FALSE(editor->dirty());
  EXPECT_EQ(editor->ClientRect().Width(), 640);
  EXPECT_EQ(editor->ClientRect().Height(), 480);
  EXPECT_EQ(editor->Box()->FrameRect(), editor->ClientRect());
  EXPECT_EQ(wm->Focus(), editor->Box());
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(FileData("string lists", "Note"), "one\rtwo\rthree\r");
}

TEST_F(TextEditTest, ATextsLineEndsAreSavedAsCarriageReturnsAndAnEmptiedTextAsNothing) {
  TextEdit* editor = OpenTag(kText, "text", "first\r\nsecond\r\n");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(Lines(editor->Box()), (std::vector<std::string>{"first", "second", ""}));
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(FileData("text", "Note"), "first\rsecond\r") << "CR LF saved as CR alone";
  CtrlKey('A');
  Tap(Key::Backspace);
  Pump();
  EXPECT_TRUE(editor->dirty()) << "an edit marks the tag";
  EXPECT_EQ(editor->GetTitle(), std::string("Note*"));
  Char('x');
  Tap(Key::Enter);
  Char('y');
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(FileData("text", "Note"), "x\ry");
  CtrlKey('A');
  Tap(Key::Backspace);
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(FileData("text", "Note"), "");
  EXPECT_FALSE(editor->dirty());
}

TEST_F(TextEditTest, ALongTextOpensAndSavesWholeAndStaysEditable) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "line " + std::to_string(i % 1000) + "\r";
  text.resize(100000, 'z');
  TextEdit* editor = OpenTag(kScri, "scripts", text);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Box()->Length(), 100000);
  EXPECT_EQ(editor->Box()->VerticalPosition(), 0);
  Char('!');  // the caret starts at the top
  CtrlKey('S');
  Pump(2);
  const std::string saved = FileData("scripts", "Note");
  EXPECT_EQ(saved.size(), 100001u);
  EXPECT_TRUE(saved == "!" + text);
}

TEST_F(TextEditTest, ATextWithAZeroByteBeforeMoreTextDoesNotOpen) {
  MessageCapture log;
  Answer("Error", 0);
  EXPECT_EQ(OpenTag(kText, "text", std::string("kept\0hidden", 11)), nullptr);
  RunSteps();
  // The box and the log both say why.
  EXPECT_EQ(messages, std::vector<std::string>{"The tag could not be loaded.\n\nA zero byte at "
                                               "offset 4 comes before more of its text."});
  EXPECT_NE(log.text().find("offset 4"), std::string::npos) << log.text();
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
  // Zero bytes that only end the text are no reason to refuse it.
  ReleaseProgramCodex();
  TextEdit* editor = OpenTag(kText, "text", std::string("kept\0\0", 6));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Box()->GetText(), "kept");
}

TEST_F(TextEditTest, NewScriptAsksForANameAndOpensADirtyEditor) {
  Open();
  auto* menu = new RootMenu();
  Answer("Enter Name for Script", 0);  // confirmed empty
  Answer("Not Created", 0);
  menu->RunCommand(RootMenu::kNewScript);
  RunSteps();
  EXPECT_EQ(messages.back(), "You must specify a name.");
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1) << "only the root menu";

  AnswerPrompt("Enter Name for Script", "Intro");
  menu->RunCommand(RootMenu::kNewScript);
  RunSteps();
  auto* editor = dynamic_cast<TextEdit*>(wm->Layer0()->FirstChild());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->GetTitle(), std::string("Intro*"));
  Char('g');
  Char('o');
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(FileData("scripts", "Intro"), "go");
}

}  // namespace
