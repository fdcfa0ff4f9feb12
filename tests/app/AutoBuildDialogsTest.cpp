#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/AutoCollectionDialog.h"
#include "app/AutoUpResDialog.h"
#include "app/Preferences.h"
#include "base/ByteWriter.h"
#include "collections/Collection.h"
#include "collections/CollectionBuilder.h"
#include "collections/CollectionLayout.h"
#include "collections/DataFile.h"
#include "gui/ComboBox.h"
#include "gui/MessageLogWindow.h"
#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "tags/TagHeader.h"
#include "tags/TagName.h"

namespace {

namespace fs = std::filesystem;
namespace cl = collection_layout;

// One red square of `size` on a transparent (entry 0) background twice its size.
void Render(const fs::path& file, uint32_t size) {
  const uint32_t side = size * 2;
  std::vector<uint8_t> pixels(size_t{side} * side, 0);
  for (uint32_t y = size / 2; y < size / 2 + size; ++y)
    for (uint32_t x = size / 2; x < size / 2 + size; ++x) pixels[y * side + x] = 2;
  const uint8_t palette[9] = {255, 0, 255, 0, 255, 255, 255, 0, 0};
  Image image;
  image.setSize(side, side, ImageFormat::kIndexed, pixels.data());
  image.setPalette(3, palette);
  fs::create_directories(file.parent_path());
  std::string error;
  ASSERT_TRUE(DataFile::saveImage(file, image, DataFile::kPng, error)) << error;
}

class AutoBuildDialogsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ClearPrefs();
    InstallLogViewerSink();
    wm->SetIdleHook(&LogViewerIdle);
  }
  void TearDown() override {
    EditorTest::TearDown();
    RemoveLogViewerSink();
    ClearPrefs();
  }
  // The text of the log named "PREFIX N (Hero)", as the viewer shows it.
  static std::string HeroLog(const std::string& prefix) {
    const std::string suffix = " (Hero)";
    MessageLogWindow* v = MessageLogWindow::Instance();
    for (int32_t i = 0; v && i < v->LogCount(); ++i) {
      const std::string& name = v->LogName(i);
      if (name.starts_with(prefix) && name.ends_with(suffix)) return v->LogText(i)->GetText();
    }
    return "<no log>";
  }
  // When `title` is the top modal dialog: `fill` sets its fields, then Enter presses OK.
  template <typename Dialog, typename Fill>
  void FillAndAccept(const char* title, Fill fill) {
    platform.Then([title](FakePlatform& p) { return TopModalIs(*p.wm, title); });
    platform.Then([this, fill](FakePlatform& p) {
      if (auto* d = dynamic_cast<Dialog*>(p.wm->TopModalWindow())) fill(*d);
      Tap(Key::Enter);
      return true;
    });
  }
};

TEST_F(AutoBuildDialogsTest, BuildDialogRefusesAnEmptyNameThenBuildsIntoTheLocalFolder) {
  Render(root_ / "renders" / "walk (1,1)" / "bitmaps" / "a.png", 8);
  Codex& codex = Open();
  FillAndAccept<AutoCollectionDialog>("Build Standard Collection", [](AutoCollectionDialog&) {});
  Answer("Error", 0);
  FillAndAccept<AutoCollectionDialog>("Build Standard Collection", [this](AutoCollectionDialog& d) {
    d.NameField()->SetText("Hero");
    d.FolderField()->SetText((root_ / "renders").string());
    d.RegXField()->SetText("8");
  });
  AutoCollectionDialog::RunCommand();
  RunSteps();
  ASSERT_EQ(messages, std::vector<std::string>{"The name field is invalid."});
  const uint32_t id = tagname::DeriveTagId("Hero", [](uint32_t) { return false; });
  const CodexEntry* entry = codex.Find(cl::kGroup, id);
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->has_local_copy());
  const std::string log = HeroLog("BuildCollection ");
  EXPECT_NE(log.find("scanning sequence folder 'walk (1,1)'"), std::string::npos) << log;
  EXPECT_NE(log.find("Writing collection data to disk...\nok."), std::string::npos) << log;
  std::string kept;
  EXPECT_TRUE(GetPrefString("AutoCollectionDialog.Name", &kept));
  EXPECT_EQ(kept, "Hero");

  // The same name again asks before replacing; "Don't Overwrite" leaves the file alone.
  const Bytes before = tagfiles::Slurp(root_ / "local" / "collections" / "Hero");
  FillAndAccept<AutoCollectionDialog>("Build Standard Collection", [](AutoCollectionDialog&) {});
  Answer("Overwrite Tag?", 1);
  AutoCollectionDialog::RunCommand();
  RunSteps();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1],
            "Another collection with the same tagid exists in the local folder. Do you want to "
            "replace it?");
  EXPECT_EQ(tagfiles::Slurp(root_ / "local" / "collections" / "Hero"), before);
}

TEST_F(AutoBuildDialogsTest, UpResDialogNeedsACollectionThenWritesAlternatesAsALocalCopy) {
  // The game's collection, built from 8-pixel renders, in an archive.
  Render(root_ / "std" / "walk (1,1)" / "bitmaps" / "a.png", 8);
  Render(root_ / "hi" / "walk (1,1)" / "bitmaps" / "a.png", 16);
  CollectionBuilder builder(root_ / "std", {"Hero", 4, 4, false, BitmapOrder::kFramesThenViews});
  while (builder.Next()) {
  }
  ByteWriter data;
  TagHeader header = TagHeader::Fresh();
  std::string error;
  ASSERT_TRUE(builder.Result().Save(data, header, error)) << error;
  tagfiles::Spit(
      root_ / "tags" / "game.arc",
      tagfiles::ArchiveBytes(3, 0, "game", {{cl::kGroup, 0x4865726F, "Hero", data.Take()}}));
  Codex& codex = Open();
  ASSERT_NE(codex.Find(cl::kGroup, 0x4865726F), nullptr);

  const std::string hi = (root_ / "hi").string();
  FillAndAccept<AutoUpResDialog>("Build High-Res Collection",
                                 [hi](AutoUpResDialog& d) { d.FolderField()->SetText(hi); });
  Answer("Error", 0);
  FillAndAccept<AutoUpResDialog>("Build High-Res Collection", [](AutoUpResDialog& d) {
    d.Collections()->SelectById(0);
    d.ScaleField()->SetText("2");
    Window::SetFocus(d.ScaleField(), 0);
  });
  AutoUpResDialog::RunCommand();
  RunSteps();
  ASSERT_EQ(messages, std::vector<std::string>{"You must choose a collection."});
  const CodexEntry* entry = codex.Find(cl::kGroup, 0x4865726F);
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->has_local_copy());
  const std::string log = HeroLog("UpRes ");
  EXPECT_NE(log.find("computed global scale: 2.00"), std::string::npos) << log;
  EXPECT_NE(log.find("1 instances, 1 unique"), std::string::npos) << log;
}

}  // namespace
