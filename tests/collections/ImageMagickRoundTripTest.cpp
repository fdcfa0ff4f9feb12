// Pictures made by ImageMagick must read with exactly the pixels ImageMagick reports, and
// pictures written here must read back in ImageMagick unchanged. Skipped without `convert`.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "collections/DataFile.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Capture(const std::string& command) {
  std::vector<uint8_t> out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  uint8_t buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.insert(out.end(), buffer, buffer + n);
  pclose(pipe);
  return out;
}

// Every layout as RGBA; greyscale as an opaque grey.
std::vector<uint8_t> Rgba(const Image& image) {
  Image copy = image;
  if (copy.is(ImageFormat::kGreyscale)) {
    std::vector<uint8_t> out;
    for (uint8_t g : copy.pixels()) out.insert(out.end(), {g, g, g, 255});
    return out;
  }
  EXPECT_TRUE(copy.convert(ImageFormat::kRgba));
  return {copy.pixels().begin(), copy.pixels().end()};
}

class ImageMagickRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ImageMagick";
    dir_ =
        fs::temp_directory_path() /
        ("zarv-im-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string P(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }
  // `out` may carry ImageMagick's format prefix, as in "PNG24:name.png".
  void Make(const std::string& args, const std::string& out) {
    const size_t colon = out.find(':');
    const std::string prefix = colon == std::string::npos ? "" : out.substr(0, colon + 1);
    const std::string target = "'" + prefix + (dir_ / out.substr(colon + 1)).string() + "'";
    ASSERT_EQ(std::system(("convert " + args + " " + target + " 2>/dev/null").c_str()), 0) << args;
  }
  std::vector<uint8_t> Reported(const std::string& name) {
    return Capture("convert " + P(name) + " -depth 8 rgba:- 2>/dev/null");
  }
  void ExpectReadAsReported(const std::string& name, ImageFormat format) {
    Image image;
    std::string error;
    ASSERT_TRUE(DataFile::loadImage(dir_ / name, image, error)) << name << ": " << error;
    EXPECT_EQ(FormatName(image.format()), std::string(FormatName(static_cast<uint32_t>(format))))
        << name;
    const std::vector<uint8_t> theirs = Reported(name);
    ASSERT_FALSE(theirs.empty());
    EXPECT_TRUE(Rgba(image) == theirs) << name << " reads with other pixels than ImageMagick's";
  }
  // 16-bit files: ImageMagick's own 8-bit output truncates, ours rounds, so its 16-bit values
  // are rounded here.
  void ExpectReadAsReportedRounded(const std::string& name, ImageFormat format) {
    Image image;
    std::string error;
    ASSERT_TRUE(DataFile::loadImage(dir_ / name, image, error)) << name << ": " << error;
    EXPECT_EQ(FormatName(image.format()), std::string(FormatName(static_cast<uint32_t>(format))))
        << name;
    const std::vector<uint8_t> wide =
        Capture("convert " + P(name) + " -depth 16 -endian MSB rgba:- 2>/dev/null");
    ASSERT_FALSE(wide.empty());
    std::vector<uint8_t> theirs;
    for (size_t i = 0; i + 1 < wide.size(); i += 2) {
      const uint32_t v = uint32_t{wide[i]} << 8 | wide[i + 1];
      theirs.push_back(static_cast<uint8_t>((v * 255 + 32767) / 65535));
    }
    EXPECT_TRUE(Rgba(image) == theirs) << name << " is not ImageMagick's picture rounded to 8 bits";
  }
  void ExpectWrittenAsHeld(const Image& image, const std::string& name) {
    std::string error;
    ASSERT_TRUE(DataFile::saveImage(dir_ / name, image, error)) << error;
    EXPECT_TRUE(Reported(name) == Rgba(image)) << name << " reads otherwise in ImageMagick";
  }

  fs::path dir_;
};

const char* kPhoto = "-size 37x23 plasma:red-blue -seed 4";

TEST_F(ImageMagickRoundTrip, PngOfEveryLayoutReadsAsReported) {
  Make(std::string(kPhoto) + " -colors 20 -depth 8", "i.png");
  ExpectReadAsReported("i.png", ImageFormat::kIndexed);
  Make("-size 31x9 gradient:black-white -colorspace Gray -depth 8", "g.png");
  ExpectReadAsReported("g.png", ImageFormat::kGreyscale);
  Make(std::string(kPhoto) + " -depth 8", "PNG24:rgb.png");
  ExpectReadAsReported("rgb.png", ImageFormat::kRgb);
  Make(std::string(kPhoto) + " -alpha set -channel A -fx 'i/w' -depth 8", "PNG32:rgba.png");
  ExpectReadAsReported("rgba.png", ImageFormat::kRgba);
  Make(std::string(kPhoto) + " -depth 8 -interlace PNG", "PNG24:inter.png");
  ExpectReadAsReported("inter.png", ImageFormat::kRgb);
}

TEST_F(ImageMagickRoundTrip, PngOfOtherDepthsAndGreyAlphaReadAsReported) {
  Make(std::string(kPhoto) + " -depth 16", "PNG48:d16.png");
  ExpectReadAsReportedRounded("d16.png", ImageFormat::kRgb);
  Make(std::string(kPhoto) + " -alpha set -channel A -fx 'i/w' -depth 16", "PNG64:d16a.png");
  ExpectReadAsReportedRounded("d16a.png", ImageFormat::kRgba);
  Make(std::string(kPhoto) + " -colors 16 -define png:bit-depth=4 -define png:color-type=3",
       "d4.png");
  ExpectReadAsReported("d4.png", ImageFormat::kIndexed);
  Make(std::string(kPhoto) + " -colors 4 -define png:bit-depth=2 -define png:color-type=3",
       "d2.png");
  ExpectReadAsReported("d2.png", ImageFormat::kIndexed);
  Make(
      "-size 13x5 pattern:checkerboard -monochrome -define png:bit-depth=1 "
      "-define png:color-type=0",
      "g1.png");
  ExpectReadAsReported("g1.png", ImageFormat::kGreyscale);
  Make(
      "-size 19x3 gradient: -colorspace Gray -depth 4 -define png:bit-depth=4 "
      "-define png:color-type=0",
      "g4.png");
  ExpectReadAsReported("g4.png", ImageFormat::kGreyscale);
  Make("-size 16x5 gradient: -colorspace Gray -depth 16 -define png:color-type=0", "g16.png");
  ExpectReadAsReportedRounded("g16.png", ImageFormat::kGreyscale);
  Make(
      "-size 8x8 gradient: -colorspace Gray -alpha set -channel A -fx 'i/w' "
      "-define png:color-type=4 -define png:bit-depth=8",
      "ga.png");
  ExpectReadAsReported("ga.png", ImageFormat::kRgba);
}

TEST_F(ImageMagickRoundTrip, SixteenBitAndGreyAlphaTiffReadAsReported) {
  Make(std::string(kPhoto) + " -depth 16 -compress zip", "d16.tiff");
  ExpectReadAsReportedRounded("d16.tiff", ImageFormat::kRgb);
  Make(std::string(kPhoto) + " -depth 16 -interlace plane", "d16planes.tiff");
  ExpectReadAsReportedRounded("d16planes.tiff", ImageFormat::kRgb);
  Make("-size 21x4 gradient: -colorspace Gray -depth 16", "g16.tiff");
  ExpectReadAsReportedRounded("g16.tiff", ImageFormat::kGreyscale);
  Make("-size 9x6 gradient: -colorspace Gray -alpha set -channel A -fx 'i/w' -depth 8", "ga.tiff");
  ExpectReadAsReported("ga.tiff", ImageFormat::kRgba);
  Make("-size 9x6 gradient: -colorspace Gray -alpha set -channel A -fx 'j/h' -depth 16",
       "ga16.tiff");
  ExpectReadAsReportedRounded("ga16.tiff", ImageFormat::kRgba);
}

TEST_F(ImageMagickRoundTrip, ImageMagicksDefaultBmpReadsAsReported) {
  // Without a BMP3 prefix ImageMagick writes a V5 header, and bit fields when there is alpha.
  Make(std::string(kPhoto), "rgb.bmp");
  ExpectReadAsReported("rgb.bmp", ImageFormat::kRgb);
  Make(std::string(kPhoto) + " -alpha set -channel A -fx 'i/w'", "rgba.bmp");
  ExpectReadAsReported("rgba.bmp", ImageFormat::kRgba);
  Make(std::string(kPhoto) + " -colors 30 -type Palette -compress none", "pal.bmp");
  ExpectReadAsReported("pal.bmp", ImageFormat::kIndexed);
}

TEST_F(ImageMagickRoundTrip, LowDepthTiffReadsAsReportedAndThirtyTwoBitsAreRefused) {
  // Two colours: ImageMagick writes one bit per pixel, whatever -depth says.
  Make("-size 11x3 xc:magenta -fill yellow -draw 'rectangle 0,0 4,2' -type Palette -depth 8",
       "pal1.tiff");
  ExpectReadAsReported("pal1.tiff", ImageFormat::kIndexed);
  Make(std::string(kPhoto) + " -colors 16 -type Palette -depth 4", "pal4.tiff");
  ExpectReadAsReported("pal4.tiff", ImageFormat::kIndexed);
  Make("-size 13x5 pattern:checkerboard -monochrome", "bw.tiff");
  ExpectReadAsReported("bw.tiff", ImageFormat::kGreyscale);
  Make(std::string(kPhoto) + " -depth 32", "d32.tiff");
  Image image;
  std::string error;
  EXPECT_FALSE(DataFile::loadImage(dir_ / "d32.tiff", image, error));
  EXPECT_EQ(error, "the TIFF has 32 bits per sample");
}

TEST_F(ImageMagickRoundTrip, TwoColourBmpReadsAsReported) {
  Make("-size 10x3 xc:magenta -fill green -draw 'rectangle 1,1 5,1' -type Palette", "two.bmp");
  ExpectReadAsReported("two.bmp", ImageFormat::kIndexed);
  Make(std::string(kPhoto) + " -colors 12 -type Palette -compress none", "BMP3:twelve.bmp");
  ExpectReadAsReported("twelve.bmp", ImageFormat::kIndexed);
}

TEST_F(ImageMagickRoundTrip, BmpReadsAsReportedAlsoAfterAGapBeforeThePixels) {
  Make(std::string(kPhoto), "BMP3:rgb.bmp");
  ExpectReadAsReported("rgb.bmp", ImageFormat::kRgb);
  Make(std::string(kPhoto) + " -colors 30 -type Palette -compress none", "BMP3:pal.bmp");
  ExpectReadAsReported("pal.bmp", ImageFormat::kIndexed);
  // Move the rows 16 bytes on and say so in the header, as some writers do.
  std::ifstream in(dir_ / "rgb.bmp", std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  const uint32_t offset = static_cast<uint8_t>(bytes[10]) | static_cast<uint8_t>(bytes[11]) << 8;
  bytes.insert(bytes.begin() + offset, 16, '\x5A');
  bytes[10] = static_cast<char>(offset + 16);
  std::ofstream(dir_ / "gap.bmp", std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ExpectReadAsReported("gap.bmp", ImageFormat::kRgb);
}

TEST_F(ImageMagickRoundTrip, TiffReadsAsReportedWhateverTheCompressionAndPlanes) {
  Make(std::string(kPhoto) + " -depth 8 -compress zip", "rgb.tiff");
  ExpectReadAsReported("rgb.tiff", ImageFormat::kRgb);
  Make(std::string(kPhoto) + " -depth 8 -compress lzw -interlace plane", "planes.tiff");
  ExpectReadAsReported("planes.tiff", ImageFormat::kRgb);
  Make(std::string(kPhoto) + " -alpha set -channel A -fx 'j/h' -depth 8 -compress zip",
       "rgba.tiff");
  ExpectReadAsReported("rgba.tiff", ImageFormat::kRgba);
  Make(std::string(kPhoto) + " -colors 40 -type Palette -depth 8", "pal.tiff");
  ExpectReadAsReported("pal.tiff", ImageFormat::kIndexed);
  Make("-size 17x5 gradient: -colorspace Gray -depth 8", "g.tiff");
  ExpectReadAsReported("g.tiff", ImageFormat::kGreyscale);
}

Image Pattern(ImageFormat format) {
  Image image;
  image.setSize(13, 7, format);
  std::span<uint8_t> p = image.mutablePixels();
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(i * 37 + i / 5);
  if (format == ImageFormat::kIndexed) {
    uint8_t palette[768];
    for (int i = 0; i < 768; ++i) palette[i] = static_cast<uint8_t>(i * 11);
    image.setPalette(256, palette);
  }
  return image;
}

TEST_F(ImageMagickRoundTrip, WrittenFilesReadBackInImageMagickUnchanged) {
  for (const char* ext : {".png", ".bmp", ".tiff"}) {
    ExpectWrittenAsHeld(Pattern(ImageFormat::kIndexed), std::string("i") + ext);
    ExpectWrittenAsHeld(Pattern(ImageFormat::kGreyscale), std::string("g") + ext);
    ExpectWrittenAsHeld(Pattern(ImageFormat::kRgb), std::string("rgb") + ext);
  }
  // BMP's fourth byte is no alpha to most readers; PNG and TIFF must keep it.
  ExpectWrittenAsHeld(Pattern(ImageFormat::kRgba), "rgba.png");
  ExpectWrittenAsHeld(Pattern(ImageFormat::kRgba), "rgba.tiff");
}

}  // namespace
