#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "collections/PngFile.h"
#include "gl/ClipboardPng.h"

namespace {

// PNG data as another program might offer it, written by the file writer.
std::vector<uint8_t> PngOf(const Image& image) {
  std::FILE* f = std::tmpfile();
  std::string error;
  EXPECT_TRUE(PngFile::Write(f, image, error)) << error;
  std::vector<uint8_t> bytes(static_cast<size_t>(std::ftell(f)));
  std::rewind(f);
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
  return bytes;
}

struct Decoded {
  bool ok = false;
  std::vector<uint8_t> rgb;
  int32_t width = 0, height = 0;
  std::string error;
};

Decoded Decode(const std::vector<uint8_t>& png) {
  Decoded d;
  d.ok = ClipboardPng::Decode(png, d.rgb, d.width, d.height, d.error);
  return d;
}

TEST(ClipboardPng, RgbRowsRoundTrip) {
  const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  std::vector<uint8_t> png;
  ASSERT_TRUE(ClipboardPng::Encode(rgb.data(), 3, 2, png));
  const Decoded d = Decode(png);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.width, 3);
  EXPECT_EQ(d.height, 2);
  EXPECT_EQ(d.rgb, rgb);
}

TEST(ClipboardPng, OpaqueAlphaAndGreyBecomeRgb) {
  Image rgba;
  const uint8_t pixels[8] = {10, 20, 30, 255, 40, 50, 60, 255};
  ASSERT_TRUE(rgba.setSize(2, 1, ImageFormat::kRgba, pixels));
  Decoded d = Decode(PngOf(rgba));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.rgb, (std::vector<uint8_t>{10, 20, 30, 40, 50, 60}));

  Image grey;
  const uint8_t levels[2] = {7, 200};
  ASSERT_TRUE(grey.setSize(2, 1, ImageFormat::kGreyscale, levels));
  d = Decode(PngOf(grey));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.rgb, (std::vector<uint8_t>{7, 7, 7, 200, 200, 200}));
}

TEST(ClipboardPng, ATranslucentPixelIsRefused) {
  Image rgba;
  const uint8_t pixels[8] = {10, 20, 30, 255, 40, 50, 60, 254};
  ASSERT_TRUE(rgba.setSize(2, 1, ImageFormat::kRgba, pixels));
  const Decoded d = Decode(PngOf(rgba));
  EXPECT_FALSE(d.ok);
  EXPECT_NE(d.error.find("transparent"), std::string::npos) << d.error;
}

TEST(ClipboardPng, ASizeTheDataCannotHoldIsRefused) {
  const uint8_t rgb[3] = {1, 2, 3};
  std::vector<uint8_t> png;
  ASSERT_TRUE(ClipboardPng::Encode(rgb, 1, 1, png));
  // IHDR starts at byte 8: length, "IHDR", width, height, ..., then its CRC at byte 29.
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  };
  put32(16, 60000);
  put32(20, 60000);
  put32(29, static_cast<uint32_t>(crc32(0, png.data() + 12, 17)));
  const Decoded d = Decode(png);
  EXPECT_FALSE(d.ok);
  EXPECT_NE(d.error.find("does not fit"), std::string::npos) << d.error;
  png.resize(png.size() - 20);
  EXPECT_FALSE(Decode(png).ok);
}

}  // namespace
