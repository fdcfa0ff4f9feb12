#include <gtest/gtest.h>

#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"
#include "tags/ui/TagEdit.h"
#include "tags/ui/TagInfoWindow.h"

namespace {

constexpr uint32_t kSoun = tagcode::Make("soun");
constexpr uint32_t kRock = tagcode::Make("Rock");
constexpr uint32_t kBold = tagcode::Make("Bold");

TagEdit* MakePlainEdit(const TagHeader& header) {
  // The base reads nothing; a loaded editor is all these tests need.
  struct Plain : TagEdit {
    using TagEdit::TagEdit;
    bool ReadData(TagStream&, const TagHeader&) override { return true; }
  };
  return new Plain(header);
}

class TagInfoWindowTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    Loose("sounds", {kSoun, kRock, "Rock", {'a', 'b', 'c'}});
    Loose("sounds", {kSoun, kBold, "Boulder", {'x'}});
    codex = &Open();
    info = TagInfoWindow::OpenTagInfo(codex->Find(kSoun, kRock));
    ASSERT_NE(info, nullptr);
  }
  std::string Title() const { return info->GetTitle() ? info->GetTitle() : ""; }
  void Edit(const std::string& name, const std::string& subgroup) {
    info->Box(TagInfoWindow::kNameRow)->SetText(name);
    info->Box(TagInfoWindow::kSubgroupRow)->SetText(subgroup);
  }
  // Applies with Enter in the name box; a refusal's alert is answered.
  void ApplyRefused() {
    Answer("Error", 0);
    Tap(Key::Enter);
    RunSteps();
  }

  Codex* codex = nullptr;
  TagInfoWindow* info = nullptr;
};

TEST_F(TagInfoWindowTest, ShowsTheTagAndMarksUnappliedEditsInTheTitle) {
  EXPECT_EQ(TagInfoWindow::OpenTagInfo(codex->Find(kSoun, kRock)), info);
  EXPECT_EQ(info->FrameRect().Width(), TagInfoWindow::kWidth);
  EXPECT_EQ(info->Box(TagInfoWindow::kSubgroupRow)->GetText(), "Rock");
  EXPECT_EQ(info->Box(TagInfoWindow::kGroupRow)->GetText(), "soun");
  EXPECT_EQ(info->Box(TagInfoWindow::kSizeRow)->GetText(), "3");
  EXPECT_EQ(info->Box(TagInfoWindow::kLocationRow)->GetText(), "local folder");
  EXPECT_EQ(wm->Focus(), info->Box(TagInfoWindow::kNameRow));
  EXPECT_EQ(Title(), "Tag Info: Rock");

  Tap(Key::End);
  Char('s');
  Pump();
  EXPECT_EQ(Title(), "Tag Info: Rocks*");
  Tap(Key::Backspace);
  Pump();
  EXPECT_EQ(Title(), "Tag Info: Rock");
  // The name box holds what a header holds: 31 characters.
  info->Box(TagInfoWindow::kNameRow)->SetText("");
  for (int i = 0; i < 40; ++i) Char('n');
  Pump();
  EXPECT_EQ(info->Box(TagInfoWindow::kNameRow)->GetText(), std::string(31, 'n'));
}

TEST_F(TagInfoWindowTest, ApplyChecksInOrderAndFollowsTheTagToItsNewEntry) {
  // In use by an editor: refused before anything else is looked at.
  TagGroupTable::SetEditor(kSoun, &MakePlainEdit);
  TagEdit* editor = TagEdit::OpenEditor(codex->Find(kSoun, kRock));
  ASSERT_NE(editor, nullptr);
  Window::SetFocus(info, 0);
  Edit("", "abc");
  ApplyRefused();
  Window::TryClose(editor, false);
  Pump(2);
  ApplyRefused();
  Edit("", "abcd");
  ApplyRefused();
  Edit("Rock", "Bold");
  ApplyRefused();
  Edit("Boulder", "Rock");
  ApplyRefused();
  EXPECT_EQ(
      messages,
      (std::vector<std::string>{
          "Tag information for 'Rock' could not be updated because the tag is still in use.",
          "The subgroup id must be exactly 4 characters long.", "The name field must not be empty.",
          "A tag with the specified group and subgroup combination already exists in the "
          "local folder.",
          "The tag information could not be changed because of an error."}));
  EXPECT_NE(codex->Find(kSoun, kRock), nullptr) << "every refusal left the tag as it was";

  CodexEntry* old_entry = codex->Find(kSoun, kRock);
  Edit("Pebble", "Pebl");
  CtrlKey('S');
  Pump(2);
  CodexEntry* moved = codex->Find(kSoun, tagcode::Make("Pebl"));
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(info->entry(), moved);
  EXPECT_EQ(codex->FindAttachment(*moved, kAttachInfo), info);
  EXPECT_EQ(codex->Find(kSoun, kRock), nullptr);
  EXPECT_NE(old_entry, moved);
  EXPECT_EQ(Title(), "Tag Info: Pebble");
  EXPECT_TRUE(std::filesystem::exists(root_ / "local/sounds/Pebble"));
}

TEST_F(TagInfoWindowTest, TheCloseQuestionSavesDiscardsOrCancels) {
  Edit("Stone", "Rock");
  Answer("Save?", 2);  // Cancel
  EXPECT_FALSE(Window::TryClose(info, false));
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"Do you wish to save your changes to the tag?"});
  EXPECT_EQ(Title(), "Tag Info: Stone*");

  Answer("Save?", 0);  // Save
  EXPECT_TRUE(Window::TryClose(info, false));
  RunSteps();
  CodexEntry* stone = codex->Find(kSoun, kRock);
  ASSERT_NE(stone, nullptr);
  EXPECT_EQ(codex->EntryHeader(*stone).Name(), "Stone");
  EXPECT_EQ(stone->attachment_count(), 0u);

  info = TagInfoWindow::OpenTagInfo(stone);
  Edit("Gravel", "Grav");
  Answer("Save?", 1);  // Discard
  EXPECT_TRUE(Window::TryClose(info, false));
  RunSteps();
  EXPECT_EQ(codex->EntryHeader(*codex->Find(kSoun, kRock)).Name(), "Stone");
  EXPECT_EQ(codex->Find(kSoun, tagcode::Make("Grav")), nullptr);
}

}  // namespace
