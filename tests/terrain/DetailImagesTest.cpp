#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "collections/DataFile.h"
#include "terrain/DetailImages.h"
#include "tests/terrain/DetailTestMaps.h"

namespace {

using detailtest::Map;
using detailtest::Tri;
using detailtest::Vert;
namespace di = detailimages;
namespace fs = std::filesystem;

di::Palette Ramp() {
  di::Palette palette{};
  for (int i = 0; i < 256; ++i) {
    palette[size_t(i) * 3] = uint8_t(i);
    palette[size_t(i) * 3 + 1] = uint8_t(255 - i);
    palette[size_t(i) * 3 + 2] = uint8_t(i * 7);
  }
  return palette;
}

uint8_t Pixel(const Image& image, uint32_t x, uint32_t y) {
  return image.pixels()[size_t(y) * image.width() + x];
}

Image Grey(uint32_t width, uint32_t height, uint8_t value) {
  Image image;
  image.setSize(width, height, ImageFormat::kGreyscale);
  for (uint8_t& p : image.mutablePixels()) p = value;
  return image;
}

TEST(DetailImageExport, VertexBlocksAreMirroredAlongRows) {
  DetailMap map = Map(2, 1);
  Vert(map, 0, 0) = 1;
  Vert(map, 1, 0) = 2;
  const Image image = di::Export(map, DetailLayer::kVertex, Ramp());
  ASSERT_EQ(image.width(), 16u);
  ASSERT_EQ(image.height(), 8u);
  EXPECT_TRUE(image.is(ImageFormat::kIndexed));
  for (uint32_t y = 0; y < 8; ++y) {
    for (uint32_t x = 0; x < 16; ++x) EXPECT_EQ(Pixel(image, x, y), x < 8 ? 2 : 1);
  }
  ASSERT_TRUE(image.hasPalette());
  EXPECT_EQ(image.palette()[3 * 2 + 1], 253);
}

TEST(DetailImageExport, TriangleBlocksAreSplitAlongTheDiagonal) {
  // Cell 0 is even, cell 1 odd; first triangles hold 1 and 3, second ones 2 and 4.
  DetailMap map = Map(2, 1);
  map.triangle = {1, 2, 3, 4};
  const Image image = di::Export(map, DetailLayer::kTriangle, Ramp());
  ASSERT_EQ(image.width(), 16u);
  for (uint32_t r = 0; r < 8; ++r) {
    for (uint32_t c = 0; c < 8; ++c) {
      // Before mirroring: even cells give the first r pixels of row r to triangle 0, odd
      // cells the first 8 - r. Cell 0 ends up in columns 15 ... 8, cell 1 in 7 ... 0.
      EXPECT_EQ(Pixel(image, 15 - c, r), c < r ? 1 : 2) << c << "," << r;
      EXPECT_EQ(Pixel(image, 7 - c, r), c < 8 - r ? 3 : 4) << c << "," << r;
    }
  }
}

TEST(DetailImageRoundTrip, VertexAndTriangleDetailComeBackUnchanged) {
  DetailMap map = Map(7, 5);
  detailtest::Randomise(map, 5, 128);
  for (const DetailLayer layer : {DetailLayer::kVertex, DetailLayer::kTriangle}) {
    const Image image = di::Export(map, layer, Ramp());
    DetailMap back = Map(7, 5);
    const di::ImportResult result = di::Import(image, back, layer, SlotProtection{}, false);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_FALSE(result.partial);
    EXPECT_EQ(back.Layer(layer), map.Layer(layer));
    EXPECT_EQ(result.palette, Ramp());
  }
}

TEST(DetailImageRoundTrip, ThroughAFileOnDisk) {
  const fs::path dir =
      fs::temp_directory_path() /
      ("zarv-detailimages-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(dir);
  DetailMap map = Map(4, 3);
  detailtest::Randomise(map, 9, 128);
  std::string error;
  ASSERT_TRUE(di::ExportFile(dir / "t.png", map, DetailLayer::kTriangle, Ramp(), error)) << error;
  DetailMap back = Map(4, 3);
  const di::ImportResult result =
      di::ImportFile(dir / "t.png", back, DetailLayer::kTriangle, SlotProtection{}, false);
  fs::remove_all(dir);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_FALSE(result.partial);
  EXPECT_EQ(back.triangle, map.triangle);
}

TEST(DetailImageImport, MostFrequentValueWinsAndReportsPartial) {
  Image image = Grey(8, 8, 5);
  for (int i = 0; i < 40; ++i) image.mutablePixels()[size_t(i * 64 / 40) % 64] = 3;
  size_t threes = 0;
  for (uint8_t p : image.pixels()) threes += p == 3;
  ASSERT_EQ(threes, 40u);
  DetailMap map = Map(1, 1);
  const di::ImportResult result = di::Import(image, map, DetailLayer::kVertex, {}, false);
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.partial);
  EXPECT_EQ(Vert(map, 0, 0), 3);
}

TEST(DetailImageImport, TiesGoToTheSmallerValue) {
  Image image = Grey(8, 8, 9);
  for (size_t i = 0; i < 32; ++i) image.mutablePixels()[i * 2] = 4;
  DetailMap map = Map(1, 1);
  ASSERT_TRUE(di::Import(image, map, DetailLayer::kVertex, {}, false).ok);
  EXPECT_EQ(Vert(map, 0, 0), 4);
}

TEST(DetailImageImport, ValuesAreCappedAt127) {
  DetailMap map = Map(1, 1);
  const di::ImportResult result = di::Import(Grey(8, 8, 200), map, DetailLayer::kVertex, {}, false);
  ASSERT_TRUE(result.ok);
  EXPECT_FALSE(result.partial);
  EXPECT_EQ(Vert(map, 0, 0), 127);
}

TEST(DetailImageImport, EachTriangleCountsOnlyItsSideOfTheBlock) {
  // One stray pixel in the second triangle's part of an even cell: the first stays uniform.
  DetailMap source = Map(1, 1);
  source.triangle = {6, 8};
  Image image = di::Export(source, DetailLayer::kTriangle, Ramp());
  image.mutablePixels()[0] = 1;  // row 0 is all second triangle in an even cell
  DetailMap map = Map(1, 1);
  const di::ImportResult result = di::Import(image, map, DetailLayer::kTriangle, {}, false);
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.partial);
  EXPECT_EQ(map.triangle, (std::vector<uint8_t>{6, 8}));
}

TEST(DetailImageImport, ProtectedSlotsKeepTheirValueUnlessOverridden) {
  DetailMap map = Map(2, 1);
  Vert(map, 0, 0) = 12;
  Vert(map, 1, 0) = 13;
  SlotProtection protection{};
  protection[12] = true;
  const Image image = Grey(16, 8, 40);
  ASSERT_TRUE(di::Import(image, map, DetailLayer::kVertex, protection, false).ok);
  EXPECT_EQ(map.vertex, (std::vector<uint8_t>{12, 40}));
  ASSERT_TRUE(di::Import(image, map, DetailLayer::kVertex, protection, true).ok);
  EXPECT_EQ(map.vertex, (std::vector<uint8_t>{40, 40}));
}

TEST(DetailImageImport, WrongSizeGivesTheMessageAndChangesNothing) {
  DetailMap map = Map(3, 2, 7, 7);
  const DetailMap before = map;
  di::ImportResult result = di::Import(Grey(24, 15, 1), map, DetailLayer::kVertex, {}, false);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Image dimensions (24,15) do not match mesh dimensions (24,16)");
  result = di::Import(Grey(23, 16, 1), map, DetailLayer::kTriangle, {}, false);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Image dimensions (23,16) do not match expected dimensions (24,16)");
  EXPECT_EQ(map.vertex, before.vertex);
  EXPECT_EQ(map.triangle, before.triangle);
}

TEST(DetailImageImport, ColourImagesAreRefused) {
  DetailMap map = Map(1, 1, 7);
  Image image;
  image.setSize(8, 8, ImageFormat::kRgb);
  const di::ImportResult result = di::Import(image, map, DetailLayer::kVertex, {}, false);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Image must be 8-bit paletted or greyscale.");
  EXPECT_EQ(Vert(map, 0, 0), 7);
}

TEST(DetailImageImport, UnreadableFile) {
  DetailMap map = Map(1, 1, 7);
  const di::ImportResult result =
      di::ImportFile("/nonexistent/zarv/detail.png", map, DetailLayer::kVertex, {}, false);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Unable to read the file");
  EXPECT_EQ(Vert(map, 0, 0), 7);
}

TEST(DetailImageImport, GreyImagesGiveTheGreyRamp) {
  DetailMap map = Map(1, 1);
  const di::ImportResult result = di::Import(Grey(8, 8, 2), map, DetailLayer::kVertex, {}, false);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.palette[3 * 77], 77);
  EXPECT_EQ(result.palette[3 * 77 + 2], 77);
}

TEST(DetailImageExport, UnwritablePathReportsTheMessage) {
  DetailMap map = Map(1, 1);
  std::string error;
  EXPECT_FALSE(
      di::ExportFile("/nonexistent/zarv/out.png", map, DetailLayer::kVertex, Ramp(), error));
  EXPECT_EQ(error, "Unable to write the image");
}

}  // namespace
