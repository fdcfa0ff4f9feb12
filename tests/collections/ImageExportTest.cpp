#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "collections/BitmapExport.h"
#include "collections/DataFile.h"
#include "collections/ExportNames.h"
#include "collections/FolderConversion.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Indices(const Image& image) {
  return {image.pixels().begin(), image.pixels().end()};
}

TEST(BitmapExportImage, TransparentPixelsKeepTheBitmapsEncodingOnReimport) {
  // (alpha, index): transparent, index 5, index 1 opaque.
  const std::vector<uint8_t> pixels = {0, 0, 255, 5, 255, 1};
  std::array<uint8_t, 768> table{};
  table[15] = 200;
  Image image;
  std::string error;
  ASSERT_TRUE(BitmapExport::MakeImage({3, 1, pixels, 2, 0}, table, false, image, error));
  EXPECT_EQ(Indices(image), (std::vector<uint8_t>{1, 5, 1}));  // RAW: transparent as 1
  EXPECT_EQ(image.palette()[15], 200);
  ASSERT_TRUE(BitmapExport::MakeImage({3, 1, pixels, 2, BitmapExport::kRleFlag}, table, false,
                                      image, error));
  EXPECT_EQ(Indices(image), (std::vector<uint8_t>{0, 5, 1}));
  ASSERT_TRUE(BitmapExport::MakeImage({3, 1, pixels, 2, 0}, table, true, image, error));
  EXPECT_TRUE(image.is(ImageFormat::kGreyscale));
  EXPECT_EQ(Indices(image), (std::vector<uint8_t>{0, 255, 255}));
  EXPECT_FALSE(BitmapExport::MakeImage({4, 1, pixels, 2, 0}, table, false, image, error));
}

TEST(BitmapExportImage, ShadowGetsTheGreyRampAndKeepsZeroForTransparent) {
  const std::vector<uint8_t> pixels = {0, 0, 255, 90};
  Image image;
  std::string error;
  ASSERT_TRUE(BitmapExport::MakeImage({2, 1, pixels, 2, BitmapExport::kShadowFlag}, {}, false,
                                      image, error));
  EXPECT_EQ(Indices(image), (std::vector<uint8_t>{0, 90}));
  EXPECT_EQ(image.palette()[90 * 3 + 1], 90);
}

TEST(ExportNaming, NamesStayInsideTheFolder) {
  EXPECT_EQ(ExportNames::Sanitise("../../etc/passwd"), "_.._.._etc_passwd");
  EXPECT_EQ(ExportNames::Sanitise(".."), "_..");
  EXPECT_EQ(ExportNames::Sanitise(""), "_");
  EXPECT_EQ(ExportNames::Sanitise(std::string("a\0b\nc", 5)), "a_b_c");
  EXPECT_EQ(ExportNames::InFolder("/out", "../x").parent_path(), fs::path("/out"));
  EXPECT_EQ(ExportNames::ByNumbering("shadow", 12, ".png"), "shadow #0012.png");
}

TEST(ExportNaming, TwoBitmapsGivingOneFileNameAreRefused) {
  std::vector<std::string> out;
  std::string message;
  ASSERT_TRUE(ExportNames::ByBitmapName({"Tank", "Tank 2"}, true, ".bmp", out, message));
  EXPECT_EQ(out, (std::vector<std::string>{"Tank alpha.bmp", "Tank 2 alpha.bmp"}));
  for (const std::vector<std::string>& clash :
       {std::vector<std::string>{"Tank", "Tank"}, {"a/b", "a\\b"}, {"Tank", "TANK"}}) {
    EXPECT_FALSE(ExportNames::ByBitmapName(clash, false, ".png", out, message));
  }
  EXPECT_EQ(message,
            "Export by name is not possible because two or more of the selected bitmaps share the "
            "same name. Running the auto-rename function may be useful.");
}

class FolderConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zarv-convert-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "sub");
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Save(const fs::path& path, ImageFormat format) {
    Image image;
    image.setSize(3, 2, format);
    image.fillChannel(0, 100);
    std::string error;
    ASSERT_TRUE(DataFile::saveImage(path, image, error)) << error;
  }
  FolderConversion::Result Run(DataFile::FileFormat target, FolderConversion::Mode mode) {
    failures_.clear();
    return FolderConversion::Run(
        dir_, target, mode, nullptr,
        [&](const fs::path& p, const std::string&) { failures_.push_back(p); });
  }
  fs::path dir_;
  std::vector<fs::path> failures_;
};

TEST_F(FolderConversionTest, ConvertsImagesInSubFoldersAndSkipsTheRest) {
  Save(dir_ / "a.png", ImageFormat::kRgb);
  Save(dir_ / "sub" / "b.bmp", ImageFormat::kRgba);
  Save(dir_ / "c.tiff", ImageFormat::kRgb);
  std::ofstream(dir_ / "notes.txt") << "not an image";
  std::ofstream(dir_ / "Thumbs.db") << "BM";
  const auto result = Run(DataFile::kTiff, FolderConversion::Mode::kFull);
  EXPECT_EQ(result.processed, 2);
  EXPECT_EQ(result.failed, 0);
  Image image;
  std::string error;
  ASSERT_TRUE(DataFile::loadImage(dir_ / "sub" / "b.tiff", image, error)) << error;
  EXPECT_TRUE(image.is(ImageFormat::kRgba));
  EXPECT_TRUE(fs::exists(dir_ / "a.png"));
}

TEST_F(FolderConversionTest, AlphaOnlyWritesTheAlphaBesideTheSource) {
  Save(dir_ / "rgba.png", ImageFormat::kRgba);
  Save(dir_ / "rgb.png", ImageFormat::kRgb);
  EXPECT_EQ(Run(DataFile::kBmp, FolderConversion::Mode::kAlphaOnly).processed, 2);
  Image image;
  std::string error;
  ASSERT_TRUE(DataFile::loadImage(dir_ / "rgba.alpha.bmp", image, error)) << error;
  EXPECT_TRUE(image.is(ImageFormat::kGreyscale));
  EXPECT_TRUE(fs::exists(dir_ / "rgb.bmp"));  // no alpha: the whole image
}

TEST_F(FolderConversionTest, OutputsNeverReplaceSourcesOrEachOther) {
  Save(dir_ / "x.png", ImageFormat::kRgb);
  Save(dir_ / "x.bmp", ImageFormat::kRgb);
  Save(dir_ / "y.bmp", ImageFormat::kRgb);
  fs::rename(dir_ / "y.bmp", dir_ / "y.tif");  // a BMP by content whose output would be y.png
  Save(dir_ / "y.png", ImageFormat::kGreyscale);
  const auto result = Run(DataFile::kPng, FolderConversion::Mode::kFull);
  EXPECT_EQ(result.failed, 2);  // x.bmp -> x.png and y.tif -> y.png
  EXPECT_EQ(result.processed, 0);
  Image image;
  std::string error;
  ASSERT_TRUE(DataFile::loadImage(dir_ / "y.png", image, error));
  EXPECT_TRUE(image.is(ImageFormat::kGreyscale));
}

}  // namespace
