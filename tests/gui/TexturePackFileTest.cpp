#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "gui/SkinIds.h"
#include "gui/TexturePackFile.h"

namespace {

TexturePackImage MakeImage(uint32_t id, uint16_t width, uint16_t height) {
  TexturePackImage image;
  image.id = id;
  image.width = width;
  image.height = height;
  image.rgba.resize(size_t{width} * height * 4);
  for (size_t k = 0; k < image.rgba.size(); ++k) {
    image.rgba[k] = static_cast<uint8_t>(k * 29 + id * 3 + 1);
  }
  return image;
}

// Images of assorted shapes, an empty one and ids outside the skin table among them, each
// field different from its neighbours so that a swap or shift shows.
std::vector<TexturePackImage> MakeSampleImages() {
  return {MakeImage(kSkinThickBorderEdge, 16, 4), MakeImage(0x01020304, 3, 2),
          MakeImage(kSkinBackground, 0, 0), MakeImage(kSkinTitleButtonClose, 16, 14),
          MakeImage(kSkinImageCount, 1, 5)};
}

void ExpectSameImages(const std::vector<TexturePackImage>& actual,
                      const std::vector<TexturePackImage>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("image " + std::to_string(i));
    EXPECT_EQ(actual[i].id, expected[i].id);
    EXPECT_EQ(actual[i].width, expected[i].width);
    EXPECT_EQ(actual[i].height, expected[i].height);
    EXPECT_EQ(actual[i].rgba, expected[i].rgba);
  }
}

// Offsets of the field boundaries of a file written from `images`: the count, then each
// record's header fields and its pixels.
std::vector<size_t> FieldBoundaries(const std::vector<TexturePackImage>& images) {
  std::vector<size_t> boundaries = {0, 4};
  size_t record = 4;
  for (const TexturePackImage& image : images) {
    for (size_t offset : {4, 8, 10, 12, 14, 16, 18, 20, 24, 28}) {
      boundaries.push_back(record + offset);
    }
    record += kTexturePackRecordHeaderSize + image.rgba.size();
    boundaries.push_back(record);
  }
  return boundaries;
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (size_t k = 0; k < 4; ++k) bytes[offset + k] = static_cast<uint8_t>(value >> (8 * k));
}

TEST(TexturePackRoundTrip, WrittenImagesReadBackUnchanged) {
  const std::vector<TexturePackImage> images = MakeSampleImages();
  const TexturePackWriteResult written = TexturePackFile::Write(images);
  ASSERT_TRUE(written.ok()) << written.error;
  const TexturePackReadResult read = TexturePackFile::Read(written.bytes);
  ASSERT_TRUE(read) << read.error;
  ExpectSameImages(*read.images, images);
}

TEST(TexturePackRoundTrip, EmptyPackHasOnlyItsCount) {
  const TexturePackWriteResult written = TexturePackFile::Write({});
  ASSERT_TRUE(written.ok()) << written.error;
  EXPECT_EQ(written.bytes, (std::vector<uint8_t>{0, 0, 0, 0}));
  const TexturePackReadResult read = TexturePackFile::Read(written.bytes);
  ASSERT_TRUE(read) << read.error;
  EXPECT_TRUE(read.images->empty());
}

TEST(TexturePackRoundTrip, ThroughAFileOnDisk) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("zarv_texturepack_test_" + std::to_string(::getpid()) + "_" +
       std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  const std::vector<TexturePackImage> images = MakeSampleImages();
  ASSERT_EQ(TexturePackFile::Save(images, path), "");
  const TexturePackReadResult read = TexturePackFile::Load(path);
  std::filesystem::remove(path);
  ASSERT_TRUE(read) << read.error;
  ExpectSameImages(*read.images, images);
}

TEST(TexturePackLayout, FieldsSitAtTheirOffsetsLittleEndian) {
  const std::vector<TexturePackImage> images = {MakeImage(0xA1B2C3D4, 0x0102, 1),
                                                MakeImage(7, 1, 0x0304)};
  const TexturePackWriteResult written = TexturePackFile::Write(images);
  ASSERT_TRUE(written.ok()) << written.error;
  const std::vector<uint8_t>& bytes = written.bytes;
  const size_t second = 4 + 28 + 0x0102 * 4;
  ASSERT_EQ(bytes.size(), second + 28 + 0x0304 * 4);
  EXPECT_EQ((std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4)),
            (std::vector<uint8_t>{2, 0, 0, 0}));
  EXPECT_EQ(bytes[4 + 12], 0x02);
  EXPECT_EQ(bytes[4 + 13], 0x01);
  EXPECT_EQ(bytes[4 + 14], 1);
  EXPECT_EQ(bytes[4 + 15], 0);
  EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + 4 + 24, bytes.begin() + 4 + 28)),
            (std::vector<uint8_t>{0xD4, 0xC3, 0xB2, 0xA1}));
  EXPECT_EQ(bytes[4 + 28], images[0].rgba[0]);
  EXPECT_EQ(bytes[second + 14], 0x04);
  EXPECT_EQ(bytes[second + 15], 0x03);
  EXPECT_EQ(bytes[second + 24], 7);
  EXPECT_EQ(bytes.back(), images[1].rgba.back());
  // The placeholder fields are written as zero.
  for (size_t record : {size_t{4}, second}) {
    for (size_t offset = 0; offset < 12; ++offset) EXPECT_EQ(bytes[record + offset], 0);
    for (size_t offset = 16; offset < 24; ++offset) EXPECT_EQ(bytes[record + offset], 0);
  }
}

TEST(TexturePackLayout, PlaceholderFieldsAreIgnoredOnReading) {
  const std::vector<TexturePackImage> images = MakeSampleImages();
  TexturePackWriteResult written = TexturePackFile::Write(images);
  ASSERT_TRUE(written.ok()) << written.error;
  // Fill the placeholders of the first record with what another program's pointers and page
  // positions might have left there.
  for (size_t offset = 0; offset < 12; ++offset) written.bytes[4 + offset] = 0xEE;
  for (size_t offset = 16; offset < 24; ++offset) written.bytes[4 + offset] = 0x77;
  const TexturePackReadResult read = TexturePackFile::Read(written.bytes);
  ASSERT_TRUE(read) << read.error;
  ExpectSameImages(*read.images, images);
}

TEST(TexturePackTruncation, EveryShorterFileFails) {
  const TexturePackWriteResult written = TexturePackFile::Write(MakeSampleImages());
  ASSERT_TRUE(written.ok()) << written.error;
  for (size_t length = 0; length < written.bytes.size(); ++length) {
    const std::span<const uint8_t> cut(written.bytes.data(), length);
    const TexturePackReadResult read = TexturePackFile::Read(cut);
    EXPECT_FALSE(read) << "cut at " << length;
    EXPECT_NE(read.error, "") << "cut at " << length;
  }
}

TEST(TexturePackTruncation, CutsAtFieldBoundariesSayWhereTheDataEnds) {
  // Until the data could hold every record's header the count is what is wrong; after that
  // the cut falls in a record, which the message names.
  const std::vector<TexturePackImage> images = {MakeImage(3, 2, 2), MakeImage(9, 4, 1),
                                                MakeImage(11, 1, 3)};
  const TexturePackWriteResult written = TexturePackFile::Write(images);
  ASSERT_TRUE(written.ok()) << written.error;
  const size_t all_headers = 4 + images.size() * kTexturePackRecordHeaderSize;
  for (size_t boundary : FieldBoundaries(images)) {
    if (boundary >= written.bytes.size()) continue;
    const TexturePackReadResult read =
        TexturePackFile::Read(std::span<const uint8_t>(written.bytes.data(), boundary));
    EXPECT_FALSE(read) << "cut at " << boundary;
    const char* expected = boundary < 4             ? "image count"
                           : boundary < all_headers ? "claims 3 images"
                                                    : "image record";
    EXPECT_NE(read.error.find(expected), std::string::npos)
        << "cut at " << boundary << ": " << read.error;
  }
}

TEST(TexturePackTruncation, BytesAfterTheLastRecordFail) {
  TexturePackWriteResult written = TexturePackFile::Write(MakeSampleImages());
  ASSERT_TRUE(written.ok()) << written.error;
  written.bytes.push_back(0);
  const TexturePackReadResult read = TexturePackFile::Read(written.bytes);
  EXPECT_FALSE(read);
  EXPECT_NE(read.error.find("after its last image"), std::string::npos) << read.error;
}

TEST(TexturePackBadCounts, CountFarBeyondTheDataFailsWithoutAllocating) {
  // Reserving four billion records would need over a hundred gigabytes: the reader must turn
  // this down from the size of the data before reserving anything.
  std::vector<uint8_t> bytes(4 + 28, 0);
  PutU32(bytes, 0, 0xFFFFFFFF);
  const TexturePackReadResult read = TexturePackFile::Read(bytes);
  EXPECT_FALSE(read);
  EXPECT_NE(read.error.find("4294967295"), std::string::npos) << read.error;
}

TEST(TexturePackBadCounts, CountNeedingOneMoreHeaderByteThanThereIsFails) {
  // 1000 empty records need exactly 28000 bytes after the count.
  std::vector<uint8_t> bytes(4 + 1000 * 28 - 1, 0);
  PutU32(bytes, 0, 1000);
  EXPECT_FALSE(TexturePackFile::Read(bytes));
  bytes.push_back(0);
  const TexturePackReadResult read = TexturePackFile::Read(bytes);
  ASSERT_TRUE(read) << read.error;
  EXPECT_EQ(read.images->size(), 1000u);
}

TEST(TexturePackBadCounts, LargestImageSizeDoesNotOverflowOrAllocate) {
  std::vector<uint8_t> bytes(4 + 28 + 16, 0);
  PutU32(bytes, 0, 1);
  bytes[4 + 12] = bytes[4 + 13] = bytes[4 + 14] = bytes[4 + 15] = 0xFF;
  const TexturePackReadResult read = TexturePackFile::Read(bytes);
  EXPECT_FALSE(read);
  EXPECT_NE(read.error.find("65535 x 65535"), std::string::npos) << read.error;
}

TEST(TexturePackBadCounts, ImageOneRowLongerThanTheDataFails) {
  const std::vector<TexturePackImage> images = {MakeImage(5, 3, 2)};
  TexturePackWriteResult written = TexturePackFile::Write(images);
  ASSERT_TRUE(written.ok()) << written.error;
  written.bytes[4 + 14] = 3;  // claims three rows; the file holds two
  const TexturePackReadResult read = TexturePackFile::Read(written.bytes);
  EXPECT_FALSE(read);
  EXPECT_NE(read.error.find("id 5"), std::string::npos) << read.error;
}

TEST(TexturePackWriter, RejectsPixelsOfTheWrongSize) {
  std::vector<TexturePackImage> images = MakeSampleImages();
  images[3].rgba.pop_back();
  const TexturePackWriteResult written = TexturePackFile::Write(images);
  EXPECT_FALSE(written.ok());
  EXPECT_TRUE(written.bytes.empty());
  EXPECT_NE(written.error.find("image 3"), std::string::npos) << written.error;
  EXPECT_NE(TexturePackFile::Check(images), "");
  EXPECT_EQ(TexturePackFile::Check(MakeSampleImages()), "");
}

TEST(TexturePackLoad, MissingFileIsAnErrorNamingThePath) {
  const std::filesystem::path path = "/nonexistent/zarv/texturepack";
  const TexturePackReadResult read = TexturePackFile::Load(path);
  EXPECT_FALSE(read);
  EXPECT_NE(read.error.find(path.string()), std::string::npos) << read.error;
}

TEST(TexturePackSkinTable, IdsInRangeFillTheirSlots) {
  const std::vector<TexturePackImage> images = MakeSampleImages();
  const auto table = TexturePackFile::SkinTable(images);
  EXPECT_EQ(table[kSkinThickBorderEdge], 0);
  EXPECT_EQ(table[kSkinBackground], 2);
  EXPECT_EQ(table[kSkinTitleButtonClose], 3);
  EXPECT_EQ(table[kSkinThinBorderEdge], -1);
}

TEST(TexturePackSkinTable, IdsAboveTheLastSlotAreKeptButNotInTheTable) {
  const std::vector<TexturePackImage> images = {MakeImage(kSkinImageCount - 1, 1, 1),
                                                MakeImage(kSkinImageCount, 2, 2),
                                                MakeImage(0xFFFFFFFF, 1, 1)};
  const TexturePackWriteResult written = TexturePackFile::Write(images);
  ASSERT_TRUE(written.ok()) << written.error;
  const TexturePackReadResult read = TexturePackFile::Read(written.bytes);
  ASSERT_TRUE(read) << read.error;
  ASSERT_EQ(read.images->size(), 3u);
  EXPECT_EQ((*read.images)[1].id, uint32_t{kSkinImageCount});
  EXPECT_EQ((*read.images)[2].id, 0xFFFFFFFFu);
  const auto table = TexturePackFile::SkinTable(*read.images);
  EXPECT_EQ(table[kSkinImageCount - 1], 0);
  int32_t filled = 0;
  for (int32_t slot : table) filled += slot >= 0 ? 1 : 0;
  EXPECT_EQ(filled, 1);
}

TEST(TexturePackSkinTable, LaterImageWithTheSameIdWins) {
  const std::vector<TexturePackImage> images = {MakeImage(kSkinMenuBackground, 1, 1),
                                                MakeImage(kSkinMenuBackground, 2, 2)};
  EXPECT_EQ(TexturePackFile::SkinTable(images)[kSkinMenuBackground], 1);
}

TEST(TexturePackMetrics, BordersAndTitleButtonsComeFromTheirImages) {
  const std::vector<TexturePackImage> images = {MakeImage(kSkinThickBorderEdge, 16, 6),
                                                MakeImage(kSkinThinBorderEdge, 16, 2),
                                                MakeImage(kSkinTitleButtonClose, 18, 15)};
  const SkinMetrics metrics = TexturePackFile::Metrics(images);
  EXPECT_EQ(metrics.thick_border, 6);
  EXPECT_EQ(metrics.thin_border, 2);
  EXPECT_EQ(metrics.title_button, (Size{18, 15}));
  EXPECT_EQ(metrics.title_bar_height, 22);
}

TEST(TexturePackMetrics, MissingPiecesKeepTheDefaults) {
  const SkinMetrics defaults;
  const std::vector<TexturePackImage> images = {MakeImage(kSkinThinBorderEdge, 16, 3)};
  const SkinMetrics metrics = TexturePackFile::Metrics(images);
  EXPECT_EQ(metrics.thin_border, 3);
  EXPECT_EQ(metrics.thick_border, defaults.thick_border);
  EXPECT_EQ(metrics.title_button, defaults.title_button);
}

}  // namespace
