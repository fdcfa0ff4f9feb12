#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/BmpFile.h"
#include "collections/ColorTableFile.h"
#include "collections/DataFile.h"
#include "collections/ImageImport.h"

namespace {

namespace fs = std::filesystem;

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zarv-imagefile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return dir_ / name;
  }
  fs::path dir_;
};

// A BMP built field by field: 40-byte header, `palette` entries, then `rows` as stored.
std::vector<uint8_t> Bmp(int32_t w, int32_t h, uint16_t bits, uint32_t compression,
                         uint32_t colors_used, uint32_t palette, const std::vector<uint8_t>& rows,
                         uint32_t header_size = 40) {
  ByteWriter b;
  b.WriteU8('B');
  b.WriteU8('M');
  b.WriteU32Le(0);
  b.WriteU32Le(0);
  b.WriteU32Le(14 + header_size + palette * 4);
  b.WriteU32Le(header_size);
  b.WriteI32Le(w);
  b.WriteI32Le(h);
  b.WriteU16Le(1);
  b.WriteU16Le(bits);
  b.WriteU32Le(compression);
  b.WriteZeros(12);
  b.WriteU32Le(colors_used);
  b.WriteU32Le(0);
  for (uint32_t i = 0; i < palette; ++i) b.WriteU32Le(i * 0x010101u);
  b.WriteBytes(rows);
  return b.Take();
}

std::string Refusal(const std::vector<uint8_t>& file) {
  Image image;
  std::string error;
  EXPECT_FALSE(BmpFile::Read(file, image, error));
  return error;
}

TEST(BmpReading, RefusesVariantsOutsideUncompressed8To32Bits) {
  const std::vector<uint8_t> rows(64, 0);
  EXPECT_NE(Refusal(Bmp(2, 2, 16, 0, 0, 0, rows)), "");
  EXPECT_NE(Refusal(Bmp(2, 2, 8, 1, 0, 256, rows)), "");  // RLE8
  EXPECT_NE(Refusal(Bmp(2, 2, 24, 0, 0, 0, rows, 12)), "");
  EXPECT_NE(Refusal(Bmp(2, 2, 24, 0, 1, 0, rows)), "");
}

TEST(BmpReading, OneAndFourBitRowsUnpackLeftmostPixelFromTheHighBits) {
  Image image;
  std::string error;
  // 10 pixels of 1 bit: two bytes, two of padding; bottom-up, so the second row stored is y 0.
  ASSERT_TRUE(
      BmpFile::Read(Bmp(10, 2, 1, 0, 0, 2, {0xA5, 0xC0, 0, 0, 0x01, 0x40, 0, 0}), image, error))
      << error;
  ASSERT_TRUE(image.is(ImageFormat::kIndexed));
  EXPECT_EQ(image.paletteCount(), 2u);
  EXPECT_EQ(std::vector<uint8_t>(image.pixels().begin(), image.pixels().end()),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 1, 0, 1,  //
                                  1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
  // 3 pixels of 4 bits, a table of 16 by default.
  ASSERT_TRUE(BmpFile::Read(Bmp(3, -1, 4, 0, 0, 16, {0x3F, 0x70, 0, 0}), image, error)) << error;
  EXPECT_EQ(image.paletteCount(), 16u);
  EXPECT_EQ(std::vector<uint8_t>(image.pixels().begin(), image.pixels().end()),
            (std::vector<uint8_t>{3, 15, 7}));
  EXPECT_NE(Refusal(Bmp(3, 1, 4, 2, 0, 16, {0, 0, 0, 0})), "");   // RLE4
  EXPECT_NE(Refusal(Bmp(3, 1, 4, 0, 17, 17, {0, 0, 0, 0})), "");  // more colours than 4 bits
}

TEST(BmpReading, SizeThatDoesNotFitTheFileIsRefused) {
  EXPECT_EQ(Refusal(Bmp(30000, 30000, 24, 0, 0, 0, std::vector<uint8_t>(100, 0))),
            "the BMP pixel data is cut short");
  EXPECT_NE(Refusal(Bmp(1, -2147483647 - 1, 24, 0, 0, 0, {})), "");
}

TEST(BmpReading, TopDownRowsGiveTheSamePictureAsBottomUp) {
  // Two rows of 3 RGB pixels, each row padded by 3 bytes.
  const std::vector<uint8_t> first = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
  const std::vector<uint8_t> second = {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
  std::vector<uint8_t> up = second, down = first;
  up.insert(up.end(), first.begin(), first.end());
  down.insert(down.end(), second.begin(), second.end());
  Image a, b;
  std::string error;
  ASSERT_TRUE(BmpFile::Read(Bmp(3, 2, 24, 0, 0, 0, up), a, error)) << error;
  ASSERT_TRUE(BmpFile::Read(Bmp(3, -2, 24, 0, 0, 0, down), b, error)) << error;
  EXPECT_TRUE(a.equals(b));
  EXPECT_EQ(a.pixels()[0], 3);  // stored BGR, read RGB
}

TEST(BmpReading, PixelOffsetPastTheTableIsHonoured) {
  std::vector<uint8_t> file = Bmp(1, 1, 8, 0, 2, 2, {9, 9, 9, 9, 1, 0, 0, 0});
  file[10] += 4;  // the row starts after four bytes of gap
  Image image;
  std::string error;
  ASSERT_TRUE(BmpFile::Read(file, image, error)) << error;
  EXPECT_EQ(image.pixels()[0], 1);
}

// A 32-bit BMP with a V4 or V5 header and bit-field masks (red, green, blue, alpha).
std::vector<uint8_t> MaskedBmp(uint32_t header_size, const uint32_t (&masks)[4],
                               const std::vector<uint8_t>& rows, int32_t w = 1, int32_t h = 1) {
  ByteWriter b;
  b.WriteU8('B');
  b.WriteU8('M');
  b.WriteU32Le(0);
  b.WriteU32Le(0);
  b.WriteU32Le(14 + header_size);
  b.WriteU32Le(header_size);
  b.WriteI32Le(w);
  b.WriteI32Le(h);
  b.WriteU16Le(1);
  b.WriteU16Le(32);
  b.WriteU32Le(3);
  b.WriteZeros(20);
  for (uint32_t m : masks) b.WriteU32Le(m);
  b.WriteZeros(header_size - 56);  // colour space, end points, gamma (and V5's profile fields)
  b.WriteBytes(rows);
  return b.Take();
}

TEST(BmpReading, LargerHeadersWithByteMasksReadInTheirChannelOrder) {
  Image image;
  std::string error;
  // Stored R, G, B, A rather than B, G, R, A.
  ASSERT_TRUE(BmpFile::Read(MaskedBmp(124, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, {10, 20, 30, 40}),
                            image, error))
      << error;
  ASSERT_TRUE(image.is(ImageFormat::kRgba));
  EXPECT_EQ(std::vector<uint8_t>(image.pixels().begin(), image.pixels().end()),
            (std::vector<uint8_t>{10, 20, 30, 40}));
  // No alpha mask: opaque, whatever the fourth byte holds.
  ASSERT_TRUE(BmpFile::Read(
      MaskedBmp(108, {0xFF0000, 0xFF00, 0xFF, 0}, {1, 2, 3, 77, 4, 5, 6, 0}, 2, 1), image, error))
      << error;
  EXPECT_EQ(std::vector<uint8_t>(image.pixels().begin(), image.pixels().end()),
            (std::vector<uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
  // A V5 file without masks reads like the 40-byte kind, its palette after the longer header.
  std::vector<uint8_t> v5 = Bmp(1, 1, 8, 0, 2, 0, {}, 124);
  v5.resize(14 + 124);
  v5.insert(v5.end(), {0, 0, 0, 0, 9, 8, 7, 0, 1, 0, 0, 0});
  ASSERT_TRUE(BmpFile::Read(v5, image, error)) << error;
  ASSERT_TRUE(image.is(ImageFormat::kIndexed));
  EXPECT_EQ(image.paletteCount(), 2u);
  EXPECT_EQ(image.palette()[3], 7);
  EXPECT_EQ(image.pixels()[0], 1);
}

TEST(BmpReading, MasksThatAreNotWholeBytesOrRepeatAChannelAreRefused) {
  const std::vector<uint8_t> rows(4, 0);
  EXPECT_EQ(Refusal(MaskedBmp(108, {0xF800, 0x7E0, 0x1F, 0}, rows)),
            "unsupported BMP colour masks");
  EXPECT_EQ(Refusal(MaskedBmp(108, {0xFF, 0xFF, 0xFF0000, 0}, rows)),
            "unsupported BMP colour masks");
  EXPECT_EQ(Refusal(MaskedBmp(124, {0, 0xFF00, 0xFF0000, 0}, rows)),
            "unsupported BMP colour masks");
  // Cut inside the longer header.
  std::vector<uint8_t> cut = MaskedBmp(124, {0xFF, 0xFF00, 0xFF0000, 0}, rows);
  cut.resize(14 + 100);
  EXPECT_NE(Refusal(cut), "");
}

TEST(BmpWriting, EightBitRowsArePaddedToFourBytes) {
  Image image;
  std::vector<uint8_t> out;
  std::string error;
  image.setSize(3, 2, ImageFormat::kGreyscale);
  ASSERT_TRUE(BmpFile::Encode(image, out, error));
  EXPECT_EQ(out.size(), 54u + 1024 + 2 * 4);
  image.setSize(4, 2, ImageFormat::kGreyscale);
  ASSERT_TRUE(BmpFile::Encode(image, out, error));
  EXPECT_EQ(out.size(), 54u + 1024 + 2 * 4);
  image.setSize(1, 1, ImageFormat::kIndexedAlpha);
  EXPECT_FALSE(BmpFile::Encode(image, out, error));
}

TEST_F(ImageFiles, GreyRampPaletteLoadsAsGreyscaleUnlessOneEntryDiffers) {
  Image image;
  image.setSize(2, 1, ImageFormat::kIndexed, std::vector<uint8_t>{5, 200}.data());
  uint8_t ramp[768];
  for (int i = 0; i < 768; ++i) ramp[i] = static_cast<uint8_t>(i / 3);
  image.setPalette(256, ramp);
  std::string error;
  ASSERT_TRUE(DataFile::saveImage(dir_ / "ramp.bmp", image, error)) << error;
  ramp[3 * 7] = 99;
  image.setPalette(256, ramp);
  ASSERT_TRUE(DataFile::saveImage(dir_ / "bent.png", image, error)) << error;

  Image loaded;
  ASSERT_TRUE(DataFile::loadImage(dir_ / "ramp.bmp", loaded, error)) << error;
  EXPECT_TRUE(loaded.is(ImageFormat::kGreyscale));
  EXPECT_EQ(loaded.pixels()[1], 200);
  ASSERT_TRUE(DataFile::loadImage(dir_ / "bent.png", loaded, error)) << error;
  EXPECT_TRUE(loaded.is(ImageFormat::kIndexed));
  EXPECT_EQ(loaded.palette()[3 * 7], 99);
}

TEST_F(ImageFiles, RecognitionIsByContentButSavingNeedsAKnownExtension) {
  Image image;
  image.setSize(2, 2, ImageFormat::kRgb);
  std::string error;
  ASSERT_TRUE(DataFile::saveImage(dir_ / "x.png", image, error)) << error;
  fs::rename(dir_ / "x.png", dir_ / "x.tif");
  DataFile file(dir_ / "x.tif");
  ASSERT_TRUE(file.loadPixels()) << file.error();
  EXPECT_EQ(file.fileFormat(), DataFile::kPng);
  EXPECT_FALSE(DataFile::saveImage(dir_ / "y.tif", image, error));
  EXPECT_FALSE(fs::exists(dir_ / "y.tif"));
  EXPECT_EQ(DataFile::formatFromExtension("a/b.TIFF"), DataFile::kTiff);
  EXPECT_EQ(DataFile::formatFromExtension("PNG"), DataFile::kPng);
  EXPECT_EQ(DataFile::formatFromExtension(".lwo"), DataFile::kLwo);
}

TEST_F(ImageFiles, OtherKindsAreRecognisedAndAnExpectedKindIsEnforced) {
  std::vector<uint8_t> wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  DataFile sound(Write("s.bin", wav));
  ASSERT_TRUE(sound.probe());
  EXPECT_EQ(sound.kind(), DataFile::kSound);
  EXPECT_FALSE(DataFile(dir_ / "s.bin", DataFile::kImage).probe());
  EXPECT_FALSE(DataFile(Write("junk", {'x', 'y'})).probe());
  EXPECT_FALSE(DataFile(Write("empty", {})).probe());
}

TEST_F(ImageFiles, ImportChecksNameTheFileAndTheProblem) {
  Image image, rgb;
  rgb.setSize(1, 1, ImageFormat::kRgb);
  std::string message;
  ASSERT_TRUE(DataFile::saveImage(dir_ / "c.png", rgb, message));
  EXPECT_FALSE(ImageImport::loadIndexedImage(dir_ / "c.png", image, message));
  EXPECT_EQ(message, "'c.png': The image is not 8-bit paletted.");
  EXPECT_FALSE(ImageImport::loadGreyscaleImage(Write("n.txt", {'h', 'i'}), image, message));
  EXPECT_EQ(message, "'n.txt': The file is not of the right format.");
  auto cut = Bmp(4, 4, 24, 0, 0, 0, std::vector<uint8_t>(48, 0));
  cut.resize(cut.size() - 10);
  EXPECT_FALSE(ImageImport::loadIndexedImage(Write("cut.bmp", cut), image, message));
  EXPECT_EQ(message, "'cut.bmp': An error occurred while reading the image data.");
  // A BMP whose header is refused is of the wrong format, not a reading error.
  EXPECT_FALSE(ImageImport::loadIndexedImage(
      Write("deep.bmp", Bmp(2, 2, 16, 0, 0, 0, std::vector<uint8_t>(8, 0))), image, message));
  EXPECT_EQ(message, "'deep.bmp': The file is not of the right format.");
}

TEST(AlphaMask, SetsAlphaAndThePartialFlagOnlyForIntermediateLevels) {
  std::vector<uint8_t> pixels = {255, 4, 255, 5};
  uint16_t flags = 0x0010;
  Image mask;
  mask.setSize(2, 1, ImageFormat::kGreyscale, std::vector<uint8_t>{0, 255}.data());
  std::string message;
  ASSERT_TRUE(ImageImport::applyAlphaMask(2, 1, pixels, flags, mask, "m.png", message));
  EXPECT_EQ(pixels, (std::vector<uint8_t>{0, 4, 255, 5}));
  EXPECT_EQ(flags, 0);
  mask.mutablePixels()[0] = 128;
  ASSERT_TRUE(ImageImport::applyAlphaMask(2, 1, pixels, flags, mask, "m.png", message));
  EXPECT_EQ(flags, 0x0010);
  EXPECT_FALSE(ImageImport::applyAlphaMask(3, 1, pixels, flags, mask, "m.png", message));
  EXPECT_EQ(message,
            "'m.png': The alpha mask must have the same dimensions as the image. Found: 2 x 1. "
            "Expected: 3 x 1.");
}

TEST(ColorTable, CountWordIsOptionalAndLimitedTo256) {
  ColorTableFile::Palette palette;
  uint32_t count = 0;
  std::string error;
  std::vector<uint8_t> file(768, 7);
  ASSERT_TRUE(ColorTableFile::Parse(file, palette, count, error));
  EXPECT_EQ(count, 256u);
  file.insert(file.end(), {0x00, 0x10, 0xFF, 0xFF});
  ASSERT_TRUE(ColorTableFile::Parse(file, palette, count, error));
  EXPECT_EQ(count, 16u);
  EXPECT_EQ(palette[47], 7);
  EXPECT_EQ(palette[48], 0);
  EXPECT_EQ(palette[767], 0);
  file[768] = 0x7F;
  ASSERT_TRUE(ColorTableFile::Parse(file, palette, count, error));
  EXPECT_EQ(count, 256u);
  file.resize(767);
  EXPECT_FALSE(ColorTableFile::Parse(file, palette, count, error));
}

TEST_F(ImageFiles, ColorTableOfSixteenColoursIsWrittenWithItsCount) {
  ColorTableFile::Palette palette{};
  palette[0] = 1;
  std::string error;
  ASSERT_TRUE(ColorTableFile::writeColorTable(dir_ / "p.act", palette, 16, error)) << error;
  ASSERT_EQ(fs::file_size(dir_ / "p.act"), 772u);
  ColorTableFile::Palette back;
  uint32_t count = 0;
  ASSERT_TRUE(ColorTableFile::readColorTable(dir_ / "p.act", back, count, error));
  EXPECT_EQ(count, 16u);
  EXPECT_EQ(back, palette);
  EXPECT_EQ(ColorTableFile::Encode(palette, 16).back(), 0xFF);
  EXPECT_EQ(ColorTableFile::Encode(palette, 16)[769], 0x10);
  EXPECT_EQ(ColorTableFile::Encode(palette, 256).size(), 768u);
}

}  // namespace
