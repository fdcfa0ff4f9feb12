#include <gtest/gtest.h>

#include <functional>

#include "gui/Button.h"
#include "gui/ListItem.h"
#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "tags/ui/ArchiveBrowser.h"
#include "tags/ui/ArchiveBrowserList.h"
#include "terrain/ui/AddonPopup.h"

namespace {

using namespace tagfiles;

constexpr uint32_t kSoun = tagcode::Make("soun");

class AddonPopupTest : public EditorTest {
 protected:
  // When the dialog is up: `act` on it, then the key that ends it.
  void OnDialog(std::function<void(AddonPopup&)> act, int key) {
    platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, AddonPopup::kTitle); });
    platform.Then([this, act, key](FakePlatform& p) {
      act(*dynamic_cast<AddonPopup*>(p.wm->TopModalWindow()));
      Tap(key);
      return true;
    });
  }
  void Type(const std::string& text) {
    for (char c : text) Char(c);
  }
  void Run(AddonKind kind) {
    AddonPopup::BuildCommand(kind);
    RunSteps();
  }
};

TEST_F(AddonPopupTest, RowsAndFieldsAreLaidOutAsAsked) {
  auto* popup = new AddonPopup();
  const int32_t line = font_.line_height();
  EXPECT_EQ(popup->GetTitle(), std::string(AddonPopup::kTitle));
  EXPECT_EQ(popup->ClientRect().Width(), 448);
  EXPECT_EQ(AddonPopup::RowsHeight(), 11 * line + 20);
  for (TextBox* field : {popup->NameField(), popup->UrlField(), popup->PriorityField()}) {
    EXPECT_EQ(field->FrameRect().left - popup->ClientRect().left, 72);
    EXPECT_EQ(field->FrameRect().Width(), 448 - 76);
  }
  EXPECT_EQ(popup->HelpText()->FrameRect().Height(), 8 * line);
  // The rows end above the buttons.
  EXPECT_LE(popup->HelpText()->FrameRect().bottom, popup->OkButton()->FrameRect().top);
  EXPECT_EQ(popup->NameField()->GetText(), "<addon name>");
  EXPECT_EQ(popup->NameField()->MaxLength(), 31);
  EXPECT_EQ(popup->UrlField()->GetText(), "<addon url>");
  EXPECT_EQ(popup->UrlField()->MaxLength(), 63);
  EXPECT_EQ(popup->PriorityField()->GetText(), "100");
  EXPECT_FALSE(popup->HelpText()->IsEditable());
  EXPECT_EQ(popup->HelpText()->GetText(), AddonPopup::kHelp);
  Window::Close(popup);
}

TEST_F(AddonPopupTest, OkBuildsWhatWasTypedAndSaysWhere) {
  Loose("sounds", {kSoun, tagcode::Make("boom"), "Boom", Bytes{1, 2, 3}});
  Codex& codex = Open();
  ArchiveBrowser* browser = ArchiveBrowser::OpenOrRaise();
  Pump(2);
  OnDialog(
      [this](AddonPopup&) {
        Type("Drums");  // replaces the selected placeholder
        Tap(Key::Tab);
        Tap(Key::Tab);
        Type("250");  // Tab selected the 100
      },
      Key::Enter);
  Answer("Success", 0);
  Run(AddonKind::kRegular);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "The addon has been written to the plugins folder as 'Drums'");
  const Archive* a = codex.ArchiveByName("Drums");
  ASSERT_NE(a, nullptr);
  EXPECT_FALSE(a->active());
  EXPECT_EQ(a->order(), 250);
  EXPECT_EQ(a->header().Url(), "<addon url>");
  std::vector<std::string> inactive;
  for (ListItem* i = browser->InactiveList()->FirstItem(); i; i = i->next)
    inactive.push_back(i->text);
  EXPECT_EQ(inactive, std::vector<std::string>{"Drums"});
}

TEST_F(AddonPopupTest, CancelBuildsNothingAndInvalidFieldsAreNamed) {
  Loose("sounds", {kSoun, tagcode::Make("boom"), "Boom", Bytes{1}});
  Codex& codex = Open();
  OnDialog([](AddonPopup&) {}, Key::Escape);
  Run(AddonKind::kRegular);
  EXPECT_TRUE(messages.empty());

  OnDialog([this](AddonPopup&) { Tap(Key::Backspace); }, Key::Enter);
  Answer("Error", 0);
  Run(AddonKind::kRegular);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "The following fields are invalid:  name");
  EXPECT_EQ(codex.archive_count(), 0u);
  EXPECT_FALSE(std::filesystem::exists(root_ / "plugins"));
}

TEST_F(AddonPopupTest, NothingToPackIsSaidBeforeTheDialog) {
  Open();
  Answer("Message", 0);
  Run(AddonKind::kDetailTexture);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "No dmaps detected in the local folder - nothing to do!");
}

}  // namespace
