#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CodexWorkingSetPref.h"
#include "app/GameLoad.h"
#include "app/Preferences.h"
#include "app/RootMenu.h"
#include "app/ShellCommands.h"
#include "base/ByteWriter.h"
#include "collections/DataFile.h"
#include "collections/Image.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"
#include "tags/ui/TagEdit.h"

namespace {

namespace fs = std::filesystem;
using tagfiles::ArchiveBytes;
using tagfiles::Spit;

constexpr uint32_t kSoun = tagcode::Make("soun");

class ShellCommandsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ClearPrefs();
    TagGroupTable::SetEditor(kSoun, &NoteEdit::Make);
  }
  void TearDown() override {
    EditorTest::TearDown();
    ClearPrefs();
  }
  void Archive(const fs::path& path, uint32_t id) {
    Spit(path, ArchiveBytes(6, 100, path.filename().string(),
                            {{kSoun, id, "Tag " + std::to_string(id), {'a'}}}));
  }
};

TEST_F(ShellCommandsTest, CloseAllWindowsStopsAtAnEditorWhoseUserCancelsTheSave) {
  Loose("sounds", {kSoun, 1, "Rock", {'r'}});
  Codex& codex = Open();
  auto* root = new RootMenu();
  ProbeWindow* behind =
      Frame({300, 300, 400, 400}, WindowFlag::TitleBar | WindowFlag::CloseButton, "Behind");
  TagEdit* editor = TagEdit::OpenEditor(codex.Find(kSoun, 1));
  ASSERT_NE(editor, nullptr);
  editor->MarkDirty(true);
  ProbeWindow* front =
      Frame({100, 100, 200, 200}, WindowFlag::TitleBar | WindowFlag::CloseButton, "Front");
  root->RebuildWindowMenu();
  ASSERT_EQ(root->WindowList(), (std::vector<Window*>{front, editor, behind}));

  Answer("Save?", 2);  // Cancel
  root->RunCommand(RootMenu::kCloseAllWindows);
  RunSteps();
  EXPECT_EQ(FindByTitle(wm->Layer0(), "Front"), nullptr);
  EXPECT_FALSE(editor->IsBeingDestroyed());
  EXPECT_TRUE(editor->dirty());
  EXPECT_EQ(behind->close_requests, 0) << "the windows after the refusing editor were asked";
}

TEST_F(ShellCommandsTest, TheGameFolderStaysWhileAnyTagIsOpenOrThePathCannotBeStored) {
  Open();
  auto* root = new RootMenu();
  SetPrefString("VornPath", root_.string());
  // A new tag not yet saved has no copy in force, yet its editor is open.
  TagEdit* fresh = TagEdit::CreateEditor(kSoun, "Fresh");
  ASSERT_NE(fresh, nullptr);
  Answer("Error", 0);
  root->RunCommand(RootMenu::kChooseVornFolder);
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"Please close all open tags first."});
  Answer("Error", 0);
  EXPECT_FALSE(ChangeGameFolder((root_ / "other").string()));
  RunSteps();
  EXPECT_EQ(ProgramCodex().game_folder(), root_);

  Answer("Save?", 1);  // Discard
  EXPECT_TRUE(Window::TryClose(fresh, false));
  RunSteps();
  ASSERT_EQ(ProgramCodex().AttachmentCount(), 0u);
  for (const std::string odd : {"/tmp/say \"hi\"", "/tmp/tab\there"}) {
    messages.clear();
    Answer("Error", 0);
    EXPECT_FALSE(ChangeGameFolder(odd)) << odd;
    RunSteps();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("preferences"), std::string::npos) << messages[0];
  }
  std::string kept;
  GetPrefString("VornPath", &kept);
  EXPECT_EQ(kept, root_.string());

  const fs::path other = root_ / "other";
  Archive(other / "plugins" / "extra.dat", 7);
  EXPECT_TRUE(ChangeGameFolder(other.string()));
  GetPrefString("VornPath", &kept);
  EXPECT_EQ(kept, other.string());
  EXPECT_EQ(ProgramCodex().game_folder(), other);
  EXPECT_NE(ProgramCodex().ArchiveByName("extra.dat"), nullptr);
}

TEST_F(ShellCommandsTest, AddArchivesRefusesASecondArchiveOfALoadedFileName) {
  Archive(root_ / "plugins" / "same.dat", 1);
  Codex& codex = Open();
  ASSERT_EQ(codex.archive_count(), 1u);
  Archive(root_ / "elsewhere" / "same.dat", 2);
  Archive(root_ / "elsewhere" / "new.dat", 3);

  Answer("Error", 0);
  EXPECT_FALSE(
      AddArchives(codex, {root_ / "elsewhere" / "same.dat", root_ / "elsewhere" / "new.dat"}));
  RunSteps();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("same.dat"), std::string::npos);
  EXPECT_EQ(codex.archive_count(), 2u);
  EXPECT_EQ(codex.Find(kSoun, 2), nullptr);
  // The other one was added to the working set, beside the archive already in it.
  EXPECT_NE(codex.Find(kSoun, 3), nullptr);
  EXPECT_NE(codex.Find(kSoun, 1), nullptr);
  std::vector<std::string> saved;
  EXPECT_TRUE(GetPrefList("CodexWorkingSet", &saved));
  EXPECT_EQ(saved, (std::vector<std::string>{"new.dat", "same.dat"}));
  // The loaded one itself may be chosen again: nothing new, no refusal.
  EXPECT_TRUE(AddArchives(codex, {root_ / "plugins" / "same.dat"}));
  EXPECT_EQ(codex.archive_count(), 2u);
}

TEST_F(ShellCommandsTest, LoadingInPiecesGivesTheIndexOpeningTheFolderGives) {
  for (uint32_t id = 1; id <= 4; ++id) Archive(root_ / "tags" / ("a" + std::to_string(id)), id);
  Spit(root_ / "plugins" / "not-an-archive", {'x'});
  Loose("sounds", {kSoun, 2, "Local two", {'l'}});
  Codex whole;
  whole.OpenGameFolder(root_);

  Codex pieces;
  GameLoad load(pieces, GameLoad::Kind::kGameFolder, root_);
  int steps = 0;
  while (load.Step()) ++steps;
  EXPECT_GE(steps, 5) << "one piece per archive at least";
  EXPECT_EQ(load.archives_loaded(), 4u);
  EXPECT_EQ(load.Fraction(), 1.0);
  EXPECT_EQ(pieces.game_folder(), root_);
  EXPECT_EQ(pieces.WorkingSetNames(), whole.WorkingSetNames());
  ASSERT_EQ(pieces.Combined().size(), whole.Combined().size());
  EXPECT_EQ(pieces.LocationName(*pieces.Find(kSoun, 2)), "local folder");

  // Reloading the plugins keeps an archive whose tag is open and the local copies.
  CodexEntry* open = pieces.Find(kSoun, 1);
  pieces.Attach(open, kAttachEditor, this);
  fs::remove(root_ / "tags" / "a4");
  GameLoad reload(pieces, GameLoad::Kind::kPlugins, root_);
  while (reload.Step()) {
  }
  EXPECT_EQ(pieces.archive_count(), 3u);
  EXPECT_EQ(pieces.Find(kSoun, 4), nullptr);
  EXPECT_EQ(pieces.LocationName(*pieces.Find(kSoun, 2)), "local folder");
  pieces.Detach(open, kAttachEditor, this);
}

Image Picture(uint32_t w, uint32_t h, uint8_t seed) {
  Image image;
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < rgba.size(); ++i)
    rgba[i] = static_cast<uint8_t>(i * seed + (i % 4 == 3) * 200);
  image.setSize(w, h, ImageFormat::kRgba, rgba.data());
  return image;
}

TEST_F(ShellCommandsTest, TheConversionShowsEachFileInTheTitleAndReplacesNothing) {
  const fs::path folder = root_ / "images";
  fs::create_directories(folder);
  std::string error;
  ASSERT_TRUE(DataFile::saveImage(folder / "a.png", Picture(4, 3, 7), DataFile::kPng, error))
      << error;
  fs::create_directories(folder / "sub");
  ASSERT_TRUE(
      DataFile::saveImage(folder / "sub" / "b.png", Picture(2, 5, 3), DataFile::kPng, error));
  ASSERT_TRUE(DataFile::saveImage(folder / "c.png", Picture(3, 3, 5), DataFile::kPng, error));
  Spit(folder / "c.tiff", {'k', 'e', 'e', 'p'});  // not an image, and in the way of c.png's output
  Spit(folder / "notes.txt", {'n'});
  // A link to a folder outside is not followed; a link where an output would go stays.
  fs::create_directories(root_ / "outside");
  ASSERT_TRUE(
      DataFile::saveImage(root_ / "outside" / "x.png", Picture(2, 2, 1), DataFile::kPng, error));
  fs::create_directory_symlink(root_ / "outside", folder / "link");
  ASSERT_TRUE(DataFile::saveImage(folder / "d.png", Picture(2, 2, 9), DataFile::kPng, error));
  fs::create_symlink(root_ / "nowhere", folder / "d.tiff");

  Answer("Operation complete", 0);
  EXPECT_EQ(RunImageConversion(folder, 2, 0), 2);  // TIFF, full
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"2 files processed"});
  EXPECT_EQ(tagfiles::Slurp(folder / "c.tiff"), (tagfiles::Bytes{'k', 'e', 'e', 'p'}));
  EXPECT_TRUE(fs::is_symlink(folder / "d.tiff"));
  EXPECT_FALSE(fs::exists(root_ / "outside" / "x.tiff"));
  Image back;
  ASSERT_TRUE(DataFile::loadImage(folder / "sub" / "b.tiff", back, error)) << error;
  EXPECT_EQ(back.width(), 2u);
  EXPECT_EQ(back.height(), 5u);
  ASSERT_FALSE(platform.titles.empty());
  EXPECT_EQ(platform.titles.back(), "Zarv");
  EXPECT_NE(std::find(platform.titles.begin(), platform.titles.end(),
                      "Processing... " + (folder / "sub" / "b.png").string()),
            platform.titles.end());
}

}  // namespace
