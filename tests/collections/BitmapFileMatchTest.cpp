#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include <stdlib.h>

#include "collections/BitmapExport.h"
#include "collections/BitmapFileMatch.h"
#include "collections/Collection.h"
#include "collections/DataFile.h"
#include "collections/ImageImport.h"

namespace fs = std::filesystem;

namespace {

struct Bitmaps {
  std::vector<std::unique_ptr<CollectionBitmap>> owned;
  std::vector<CollectionBitmap*> list;
  explicit Bitmaps(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      owned.push_back(std::make_unique<CollectionBitmap>());
      owned.back()->SetName(name);
      list.push_back(owned.back().get());
    }
  }
};

}  // namespace

TEST(BitmapFileMatching, ByOrderPairsInOrderAndNeedsEqualCounts) {
  Bitmaps b({"a", "b"});
  const std::vector<fs::path> files = {"/x/z.png", "/x/y.png"};
  std::vector<BitmapFileMatch::Pair> pairs;
  std::string message;
  ASSERT_TRUE(BitmapFileMatch::Match(BitmapFileMatch::kByOrder, b.list, files, pairs, message));
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].bitmap, b.list[0]);
  EXPECT_EQ(pairs[0].file, files[0]);
  EXPECT_EQ(pairs[1].file, files[1]);
  const std::vector<fs::path> three = {"1.png", "2.png", "3.png"};
  EXPECT_FALSE(BitmapFileMatch::Match(BitmapFileMatch::kByOrder, b.list, three, pairs, message));
  EXPECT_EQ(message, "2 bitmaps were selected, expected at least 3");
}

TEST(BitmapFileMatching, ByNameComparesConvertedNamesExactlyAndListsTheUnmatched) {
  Bitmaps b({"T\x8Ank", "gun", "Gun2"});
  const std::vector<fs::path> files = {"/a/gun.bmp", "/b/T\xC3\xA4nk.png", "/c/gun.png",
                                       "/d/gun2.png"};
  std::vector<BitmapFileMatch::Pair> pairs;
  std::string message;
  ASSERT_TRUE(BitmapFileMatch::Match(BitmapFileMatch::kByName, b.list, files, pairs, message));
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].file, files[1]);
  EXPECT_EQ(pairs[1].file, files[0]);  // the first file of that name
  EXPECT_EQ(message, "The following bitmaps were not matched by name: Gun2");
}

TEST(BitmapFileMatching, ByNameListsTenUnmatchedNamesAndCountsTheRest) {
  Bitmaps b({"n0", "n1", "n2", "n3", "n4", "n5", "n6", "n7", "n8", "n9", "n10", "n11"});
  std::vector<BitmapFileMatch::Pair> pairs;
  std::string message;
  ASSERT_TRUE(BitmapFileMatch::Match(BitmapFileMatch::kByName, b.list, {}, pairs, message));
  EXPECT_TRUE(pairs.empty());
  EXPECT_EQ(message,
            "The following bitmaps were not matched by name: n0, n1, n2, n3, n4, n5, n6, n7, n8, "
            "n9 (2 more)");
}

class FolderExport : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each test gets its own folder: ctest runs these cases side by side.
    std::string pattern = (fs::temp_directory_path() / "zarv-folder-export-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = fs::path(pattern) / "out";
    for (int i = 0; i < 256; ++i) c_.palette[i * 3] = static_cast<uint8_t>(i);
    const std::vector<uint8_t> pixels = {255, 7, 0, 0};
    a_ = c_.AddOrReplaceBitmap("same", 0x0004, pixels, 2, 1, 2, nullptr);
    shadow_ = c_.AddOrReplaceBitmap("shade", 0x0080, pixels, 2, 1, 2, nullptr);
    b_ = c_.AddOrReplaceBitmap("same", 0, pixels, 2, 1, 2, nullptr);
    broken_ = c_.AddOrReplaceBitmap("broken", 0, pixels, 2, 1, 2, nullptr);
    broken_->placeholder = true;
  }
  void TearDown() override { fs::remove_all(dir_.parent_path()); }
  fs::path dir_;
  Collection c_;
  CollectionBitmap* a_ = nullptr;
  CollectionBitmap* shadow_ = nullptr;
  CollectionBitmap* b_ = nullptr;
  CollectionBitmap* broken_ = nullptr;
};

TEST_F(FolderExport, ByNumberingNamesByKindAndSkipsPlaceholdersWithAMessage) {
  const CollectionBitmap* selection[] = {a_, shadow_, broken_};
  BitmapExport::FolderResult result;
  std::string message;
  ASSERT_TRUE(BitmapExport::ExportToFolder(c_, selection, ExportNames::kByNumbering, false,
                                           DataFile::kPng, dir_, result, message));
  ASSERT_EQ(result.written.size(), 2u);
  EXPECT_EQ(result.written[0].filename(), "bitmap #0000.png");
  EXPECT_EQ(result.written[1].filename(), "shadow #0001.png");
  EXPECT_FALSE(fs::exists(dir_ / "bitmap #0002.png"));
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_EQ(result.problems[0], "'broken' was not exported: it could not be decoded.");
  // What was written reads back as the bitmap's image.
  Image back;
  ASSERT_TRUE(ImageImport::loadColorImage(result.written[0], back, message)) << message;
  EXPECT_EQ(std::vector<uint8_t>(back.pixels().begin(), back.pixels().end()),
            (std::vector<uint8_t>{7, 0}));

  ASSERT_TRUE(BitmapExport::ExportToFolder(c_, selection, ExportNames::kByNumbering, true,
                                           DataFile::kBmp, dir_, result, message));
  EXPECT_EQ(result.written[1].filename(), "alpha #0001.bmp");
}

TEST_F(FolderExport, ByBitmapNameWritesNothingWhenNamesClash) {
  const CollectionBitmap* clash[] = {shadow_, a_, b_};
  BitmapExport::FolderResult result;
  std::string message;
  EXPECT_FALSE(BitmapExport::ExportToFolder(c_, clash, ExportNames::kByBitmapName, false,
                                            DataFile::kPng, dir_, result, message));
  EXPECT_EQ(message,
            "Export by name is not possible because two or more of the selected bitmaps share the "
            "same name. Running the auto-rename function may be useful.");
  EXPECT_FALSE(fs::exists(dir_ / "shade.png"));
  const CollectionBitmap* fine[] = {shadow_, a_};
  ASSERT_TRUE(BitmapExport::ExportToFolder(c_, fine, ExportNames::kByBitmapName, true,
                                           DataFile::kTiff, dir_, result, message));
  ASSERT_EQ(result.written.size(), 2u);
  EXPECT_TRUE(fs::exists(dir_ / "shade alpha.tiff"));
  EXPECT_TRUE(fs::exists(dir_ / "same alpha.tiff"));
  // Names are 8-bit text; the file gets the same characters in UTF-8.
  a_->SetName("T\x8Ank");
  ASSERT_TRUE(BitmapExport::ExportToFolder(c_, fine, ExportNames::kByBitmapName, false,
                                           DataFile::kPng, dir_, result, message));
  EXPECT_TRUE(fs::exists(dir_ / "T\xC3\xA4nk.png"));
}
