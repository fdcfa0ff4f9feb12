#include <gtest/gtest.h>

#include "base/ByteWriter.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"
#include "tags/ui/TagEdit.h"

namespace {

constexpr uint32_t kSoun = tagcode::Make("soun");
constexpr uint32_t kRock = tagcode::Make("Rock");

class TagEditFlowTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kSoun, &NoteEdit::Make);
  }
  int Editors() const {
    int n = 0;
    for (Window* w = wm->Layer0()->FirstChild(); w; w = w->NextSibling()) {
      n += dynamic_cast<TagEdit*>(w) != nullptr && !w->IsBeingDestroyed();
    }
    return n;
  }
  std::string Title(const Window* w) const { return w->GetTitle() ? w->GetTitle() : ""; }
};

TEST_F(TagEditFlowTest, OpeningTwiceGivesOneEditorAndClosingItLetsTheTagGo) {
  Loose("sounds", {kSoun, kRock, "Rock", {'o', 'l', 'd'}});
  Codex& codex = Open();
  CodexEntry* entry = codex.Find(kSoun, kRock);
  auto* editor = static_cast<NoteEdit*>(TagEdit::OpenEditor(entry));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(TagEdit::OpenEditor(entry), editor);
  EXPECT_EQ(Editors(), 1);
  EXPECT_EQ(editor->text, "old");
  EXPECT_EQ(Title(editor), "Rock");
  EXPECT_TRUE(editor->IsVisible());
  EXPECT_EQ(wm->Focus(), editor);
  EXPECT_EQ(codex.FindAttachment(*entry, kAttachEditor), editor);

  editor->MarkDirty(true);
  EXPECT_EQ(Title(editor), "Rock*");
  editor->text = "new";
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(FileData("sounds", "Rock"), "new");
  EXPECT_FALSE(editor->dirty());
  EXPECT_EQ(Title(editor), "Rock");

  // A clean editor closes without a question.
  EXPECT_TRUE(Window::TryClose(editor, false));
  Pump(2);
  EXPECT_EQ(Editors(), 0);
  EXPECT_EQ(entry->attachment_count(), 0u);
}

TEST_F(TagEditFlowTest, ATagThatCannotBeLoadedGetsNoWindow) {
  Loose("sounds", {kSoun, kRock, "Rock", {'x'}});
  Codex& codex = Open();
  CodexEntry* entry = codex.Find(kSoun, kRock);
  NoteEdit::fail_read = true;
  Answer("Error", 0);
  EXPECT_EQ(TagEdit::OpenEditor(entry), nullptr);
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"The tag could not be loaded."});
  EXPECT_EQ(Editors(), 0);
  EXPECT_EQ(entry->attachment_count(), 0u);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
}

TEST_F(TagEditFlowTest, ANewTagIsDirtyUntilSavedAndDiscardingItLeavesNoEntry) {
  Loose("sounds", {kSoun, kRock, "Rock", {'x'}});
  Codex& codex = Open();
  const size_t entries = codex.entry_count();

  // The file name is taken: refused, and no editor is left.
  Answer("Error", 0);
  EXPECT_EQ(TagEdit::CreateEditor(kSoun, "Rock"), nullptr);
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{
                          "The tag file 'Rock' could not be created; It may already exist."});
  EXPECT_EQ(Editors(), 0);
  EXPECT_EQ(codex.entry_count(), entries);

  TagEdit* pebble = TagEdit::CreateEditor(kSoun, "Pebble");
  ASSERT_NE(pebble, nullptr);
  EXPECT_TRUE(pebble->dirty());
  EXPECT_EQ(Title(pebble), "Pebble*");
  EXPECT_EQ(codex.entry_count(), entries + 1);
  const uint32_t pebble_id = pebble->entry()->tag_id();
  NoteEdit::fail_write = true;  // a failed first save, then the user gives up on the tag
  Answer("Error", 0);
  CtrlKey('S');
  RunSteps();
  EXPECT_TRUE(pebble->dirty());
  Answer("Save?", 1);  // Discard
  EXPECT_TRUE(Window::TryClose(pebble, false));
  RunSteps();
  EXPECT_EQ(messages.back(), "Do you wish to save your changes to 'Pebble'?");
  EXPECT_EQ(Editors(), 0);
  EXPECT_EQ(codex.entry_count(), entries) << "the unsaved tag's entry and id are given back";
  EXPECT_FALSE(std::filesystem::exists(root_ / "local/sounds/Pebble"));
  TagEdit* again = TagEdit::CreateEditor(kSoun, "Pebble");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->entry()->tag_id(), pebble_id);
}

TEST_F(TagEditFlowTest, AFailedSaveKeepsTheEditorOpenAndDirtyAndTheOldFile) {
  Loose("sounds", {kSoun, kRock, "Rock", {'o', 'l', 'd'}});
  Codex& codex = Open();
  auto* editor = static_cast<NoteEdit*>(TagEdit::OpenEditor(codex.Find(kSoun, kRock)));
  ASSERT_NE(editor, nullptr);
  editor->text = "new";
  editor->MarkDirty(true);
  NoteEdit::fail_write = true;

  Answer("Save?", 0);  // Save, which fails
  Answer("Error", 0);
  EXPECT_FALSE(Window::TryClose(editor, false));
  RunSteps();
  Answer("Save?", 2);  // Cancel
  EXPECT_FALSE(Window::TryClose(editor, false));
  RunSteps();
  EXPECT_EQ(messages, (std::vector<std::string>{"Do you wish to save your changes to 'Rock'?",
                                                "The save operation could not be completed.",
                                                "Do you wish to save your changes to 'Rock'?"}));
  EXPECT_EQ(Editors(), 1);
  EXPECT_TRUE(editor->dirty());
  EXPECT_EQ(Title(editor), "Rock*");
  EXPECT_EQ(FileData("sounds", "Rock"), "old");
  EXPECT_EQ(editor->discards, 0);

  NoteEdit::fail_write = false;
  Answer("Save?", 0);
  EXPECT_TRUE(Window::TryClose(editor, false));
  RunSteps();
  EXPECT_EQ(FileData("sounds", "Rock"), "new");
  EXPECT_EQ(Editors(), 0);
}

}  // namespace
