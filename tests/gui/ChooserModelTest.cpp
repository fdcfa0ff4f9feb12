#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "gui/ChooserModel.h"
#include "support/MapMemory.h"
#include "support/TagFiles.h"

namespace {

using tagfiles::TempFolderTest;
namespace fs = std::filesystem;

using ChooserModelFolder = TempFolderTest;

std::vector<std::string> Names(const std::vector<ChooserEntry>& entries) {
  std::vector<std::string> names;
  for (const ChooserEntry& e : entries) names.push_back(e.name + (e.folder ? "/" : ""));
  return names;
}

TEST_F(ChooserModelFolder, ListsFoldersThenMatchingFilesInNaturalOrder) {
  for (const char* name : {"b10.png", "b2.png", "A.PNG", "notes.txt", ".hidden.png", ".png"}) {
    std::ofstream(root_ / name) << "x";
  }
  fs::create_directories(root_ / "shots 10");
  fs::create_directories(root_ / "Shots 9");
  fs::create_directories(root_ / ".cache");
  fs::create_symlink(root_ / "shots 10", root_ / "link");

  const FileKind* image = FindFileKind(FileKindId::kImage);
  std::vector<ChooserEntry> entries;
  std::string error;
  ASSERT_TRUE(ChooserModel::ListFolder(root_, &image->filters[1], true, entries, error));
  EXPECT_EQ(Names(entries), (std::vector<std::string>{"link/", "Shots 9/", "shots 10/", "A.PNG",
                                                      "b2.png", "b10.png"}));
  ASSERT_TRUE(ChooserModel::ListFolder(root_, nullptr, false, entries, error));
  EXPECT_EQ(entries.size(), 3u);  // folders only
  EXPECT_FALSE(ChooserModel::ListFolder(root_ / "absent", nullptr, true, entries, error));
  EXPECT_FALSE(error.empty());
}

TEST(ChooserModel, TypedNamesAndSaveExtensions) {
  EXPECT_EQ(ChooserModel::Resolve("/data/pics", "a.png"), fs::path("/data/pics/a.png"));
  EXPECT_EQ(ChooserModel::Resolve("/data/pics", "../x/./b.png"), fs::path("/data/x/b.png"));
  EXPECT_EQ(ChooserModel::Resolve("/data/pics", "/tmp/c"), fs::path("/tmp/c"));
  // A backslash is part of a Linux file name, not a separator.
  EXPECT_EQ(ChooserModel::Resolve("/d", "a\\b.png"), fs::path("/d/a\\b.png"));

  const FileKind& image = *FindFileKind(FileKindId::kImage);
  EXPECT_EQ(ChooserModel::WithSaveExtension("shot", image, 1), "shot.png");
  EXPECT_EQ(ChooserModel::WithSaveExtension("shot.TIFF", image, 1), "shot.TIFF");
  EXPECT_EQ(ChooserModel::WithSaveExtension("shot.bmp", image, 1), "shot.bmp");
  EXPECT_EQ(ChooserModel::WithSaveExtension("shot.jpg", image, 0), "shot.jpg.bmp");
  EXPECT_EQ(ChooserModel::WithSaveExtension("shot", image, 7), "shot");
  // "*.*" and a kind without file types add nothing.
  EXPECT_EQ(ChooserModel::WithSaveExtension("notes", *FindFileKind(FileKindId::kAny), 0), "notes");
  EXPECT_EQ(ChooserModel::WithSaveExtension("mod", *FindFileKind(FileKindId::kArchive), 0), "mod");
  // A colour table saved without its extension still opens in the colour-table chooser.
  const FileKind& tables = *FindFileKind(FileKindId::kColorTable);
  EXPECT_EQ(ChooserModel::WithSaveExtension("Archer", tables, 0), "Archer.act");
  EXPECT_TRUE(tables.filters[0].Matches("ARCHER.ACT"));
  EXPECT_FALSE(tables.filters[0].Matches("archer.png"));
  EXPECT_EQ(FindFileKind(1), nullptr);
  EXPECT_EQ(FindFileKind(7), nullptr);
}

TEST_F(ChooserModelFolder, StartsWhereTheLastChoiceOfTheKindWasAndRemembersOnlyWhatItShould) {
  const FileKind& image = *FindFileKind(FileKindId::kImage);
  const FileKind& archive = *FindFileKind(FileKindId::kArchive);
  MapMemory memory;
  fs::create_directories(root_ / "pics");
  ChooserModel::Remember(image, ChooserOp::kSave, root_ / "pics", 1, &memory);
  EXPECT_EQ(memory.texts["LastImageSavePath"], (root_ / "pics").string());
  EXPECT_EQ(memory.numbers["LastImageSaveFormat"], 1);
  EXPECT_EQ(ChooserModel::StartFolder(image, ChooserOp::kSave, "shot.png", &memory),
            root_ / "pics");
  EXPECT_EQ(ChooserModel::StartFilter(image, ChooserOp::kSave, &memory), 1u);
  // Open has keys of its own; a proposed path with a folder wins.
  EXPECT_EQ(ChooserModel::StartFilter(image, ChooserOp::kOpen, &memory), 0u);
  EXPECT_EQ(ChooserModel::StartFolder(image, ChooserOp::kSave, (root_ / "x.png").string(), &memory),
            root_);
  // A stored type out of range, or a remembered folder that has gone, fall back.
  memory.numbers["LastImageSaveFormat"] = 3;
  EXPECT_EQ(ChooserModel::StartFilter(image, ChooserOp::kSave, &memory), 0u);
  fs::remove(root_ / "pics");
  EXPECT_EQ(ChooserModel::StartFolder(image, ChooserOp::kSave, "", &memory), fs::current_path());

  ChooserModel::Remember(archive, ChooserOp::kOpenSeveral, root_, 0, &memory);
  EXPECT_EQ(memory.texts["LastArchiveOpenPath"], root_.string());
  EXPECT_EQ(memory.numbers.size(), 1u);  // archives remember no file type
}

}  // namespace
