#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>

#include "collections/Collection.h"
#include "collections/DataFile.h"
#include "collections/ImageImport.h"
#include "collections/Plate.h"

namespace fs = std::filesystem;

namespace {

Collection WithPalette() {
  Collection c;
  for (int i = 0; i < 256; ++i) {
    c.palette[i * 3] = static_cast<uint8_t>(i);
    c.palette[i * 3 + 1] = static_cast<uint8_t>(255 - i);
    c.palette[i * 3 + 2] = 9;
  }
  return c;
}

// A bitmap of opaque indices 2-255 from the seed, with a transparent pixel where the seed
// says; RLE exactly when it holds one, so that it survives a trip through an image.
CollectionBitmap* AddBitmap(Collection& c, uint16_t width, uint16_t height, uint32_t seed,
                            uint16_t extra_flags = 0) {
  std::mt19937 random(seed);
  std::vector<uint8_t> pixels;
  bool any_transparent = false;
  for (int i = 0; i < width * height; ++i) {
    const bool transparent = random() % 4 == 0;
    any_transparent = any_transparent || transparent;
    pixels.push_back(transparent ? 0 : 255);
    pixels.push_back(transparent ? 0 : static_cast<uint8_t>(2 + random() % 254));
  }
  const uint16_t flags = static_cast<uint16_t>((any_transparent ? 0x0004 : 0) | extra_flags);
  return c.AddOrReplaceBitmap("b" + std::to_string(seed), flags, pixels, width, height, 2, nullptr);
}

std::vector<uint8_t> CellValues(const Image& plate, const Plate::Cell& cell) {
  std::vector<uint8_t> values;
  for (uint32_t y = 0; y < cell.height; ++y)
    for (uint32_t x = 0; x < cell.width; ++x)
      values.push_back(plate.pixels()[(cell.y + y) * plate.width() + cell.x + x]);
  return values;
}

std::vector<uint8_t> Indices(const CollectionBitmap& b, bool rle_or_shadow) {
  std::vector<uint8_t> values;
  for (size_t i = 0; i < b.pixels.size(); i += 2)
    values.push_back(b.pixels[i] == 0 ? (rle_or_shadow ? 0 : 1) : b.pixels[i + 1]);
  return values;
}

Image SmallPlate() {
  Image plate;
  Collection c = WithPalette();
  AddBitmap(c, 2, 2, 1);
  const CollectionBitmap* one[] = {c.BitmapAt(0)};
  std::string message;
  EXPECT_TRUE(Plate::buildPlate(c, one, false, 0, plate, message));
  return plate;
}

}  // namespace

TEST(PlateRoundTrip, TenByTenAbsentAndSevenByThreeParseBackToThreeCells) {
  Collection c = WithPalette();
  CollectionBitmap* a = AddBitmap(c, 10, 10, 1);
  CollectionBitmap* b = AddBitmap(c, 7, 3, 2);
  const CollectionBitmap* list[] = {a, nullptr, b};
  Image plate;
  std::string message;
  ASSERT_TRUE(Plate::buildPlate(c, list, false, 0, plate, message)) << message;
  EXPECT_TRUE(plate.is(ImageFormat::kIndexed));
  EXPECT_EQ(std::vector<uint8_t>(plate.palette().begin(), plate.palette().end()),
            std::vector<uint8_t>(c.palette.begin(), c.palette.end()));
  std::vector<Plate::Cell> cells;
  ASSERT_TRUE(Plate::parsePlate(plate, cells));
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].width, 10u);
  EXPECT_EQ(cells[0].height, 10u);
  EXPECT_TRUE(cells[1].empty());
  EXPECT_EQ(cells[2].width, 7u);
  EXPECT_EQ(cells[2].height, 3u);
  EXPECT_EQ(CellValues(plate, cells[0]), Indices(*a, a->IsRle()));
  EXPECT_EQ(CellValues(plate, cells[2]), Indices(*b, b->IsRle()));

  // Importing it numbers cells from 0, the empty one included.
  const auto a_pixels = a->pixels;
  const auto b_pixels = b->pixels;
  ASSERT_TRUE(Plate::importColorPlate(c, plate, "plate", "plate.png", message)) << message;
  ASSERT_EQ(c.bitmaps.size(), 4u);
  EXPECT_EQ(c.bitmaps[2]->Name(), "plate #0000");
  EXPECT_EQ(c.bitmaps[3]->Name(), "plate #0002");
  EXPECT_EQ(c.bitmaps[2]->pixels, a_pixels);
  EXPECT_EQ(c.bitmaps[3]->pixels, b_pixels);
  // A long plate name gives way to the number.
  ASSERT_TRUE(Plate::importColorPlate(c, plate, std::string(70, 'p'), "p.png", message));
  EXPECT_EQ(c.bitmaps[5]->Name(), std::string(57, 'p') + " #0002");
}

// 16 cells of 13 x 13: 64 wide holds four per band, 54 high, the squarest of the candidates.
TEST(PlateRoundTrip, WidthSearchPicksTheSquarestCandidate) {
  Collection c = WithPalette();
  std::vector<const CollectionBitmap*> list;
  for (uint32_t i = 0; i < 16; ++i) list.push_back(AddBitmap(c, 10, 10, i));
  Image plate;
  std::string message;
  ASSERT_TRUE(Plate::buildPlate(c, list, false, 0, plate, message));
  EXPECT_EQ(plate.width(), 64u);
  EXPECT_EQ(plate.height(), 54u);
}

TEST(PlateRoundTrip, RandomSizesAndColumnsParseBackToExactlyTheirCells) {
  std::mt19937 random(77);
  for (int round = 0; round < 60; ++round) {
    Collection c = WithPalette();
    std::vector<const CollectionBitmap*> list;
    const int count = 1 + static_cast<int>(random() % 25);
    for (int i = 0; i < count; ++i) {
      if (random() % 6 == 0) {
        list.push_back(nullptr);
      } else {
        list.push_back(AddBitmap(c, static_cast<uint16_t>(1 + random() % 40),
                                 static_cast<uint16_t>(1 + random() % 30), random()));
      }
    }
    const uint32_t columns = round % 3 == 0 ? 0 : static_cast<uint32_t>(1 + random() % 6);
    Image plate;
    std::string message;
    ASSERT_TRUE(Plate::buildPlate(c, list, round % 2 == 1, columns, plate, message)) << message;
    std::vector<Plate::Cell> cells;
    ASSERT_TRUE(Plate::parsePlate(plate, cells)) << "round " << round;
    ASSERT_EQ(cells.size(), list.size()) << "round " << round << " columns " << columns;
    for (size_t i = 0; i < list.size(); ++i) {
      if (!list[i]) {
        EXPECT_TRUE(cells[i].empty());
        continue;
      }
      ASSERT_EQ(cells[i].width, list[i]->width) << "round " << round << " cell " << i;
      ASSERT_EQ(cells[i].height, list[i]->height);
      if (round % 2 == 0) {
        EXPECT_EQ(CellValues(plate, cells[i]), Indices(*list[i], true));
      }
    }
  }
}

// Widths 20, 20 and 5 in bands of two: the second band is narrower than the plate, and its
// only cell must reach the right line instead of leaving a gap that reads as a fourth cell.
TEST(PlateRoundTrip, ANarrowBandReadsBackWithoutAnExtraCell) {
  Collection c = WithPalette();
  const CollectionBitmap* list[] = {AddBitmap(c, 20, 4, 1), AddBitmap(c, 20, 4, 2),
                                    AddBitmap(c, 5, 4, 3)};
  Image plate;
  std::string message;
  ASSERT_TRUE(Plate::buildPlate(c, list, false, 2, plate, message));
  EXPECT_EQ(plate.width(), 2u + 23 + 23);
  std::vector<Plate::Cell> cells;
  ASSERT_TRUE(Plate::parsePlate(plate, cells));
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[2].width, 5u);
}

TEST(PlateRoundTrip, GreyRampPlatesReadBackThroughAFile) {
  Collection c;
  for (int i = 0; i < 256; ++i)
    c.palette[i * 3] = c.palette[i * 3 + 1] = c.palette[i * 3 + 2] = static_cast<uint8_t>(i);
  CollectionBitmap* a = AddBitmap(c, 6, 5, 4);
  const CollectionBitmap* list[] = {a};
  Image plate;
  std::string message;
  ASSERT_TRUE(Plate::buildPlate(c, list, false, 0, plate, message));
  const fs::path file = fs::temp_directory_path() / ("zarv_grey_plate_" + std::to_string(::getpid()) + ".png");
  ASSERT_TRUE(DataFile::saveImage(file, plate, message));
  Image loaded;
  ASSERT_TRUE(ImageImport::loadColorImage(file, loaded, message)) << message;
  fs::remove(file);
  EXPECT_TRUE(loaded.is(ImageFormat::kGreyscale));
  const auto pixels = a->pixels;
  CollectionBitmap* const targets[] = {a};
  ASSERT_TRUE(Plate::replaceFromPlate(c, loaded, targets, "g.png", message)) << message;
  EXPECT_EQ(c.bitmaps[0]->pixels, pixels);
  EXPECT_EQ(c.bitmaps[0]->Name(), "b4");
}

TEST(PlateRejection, RefusesImagesThatBreakTheFrame) {
  Image plate = SmallPlate();
  std::vector<Plate::Cell> cells;
  ASSERT_TRUE(Plate::parsePlate(plate, cells));
  ASSERT_EQ(cells.size(), 1u);

  Image marked = plate;
  marked.mutablePixels()[2] = 1;  // pixel (2, 0)
  EXPECT_FALSE(Plate::parsePlate(marked, cells));

  Image low;
  low.setSize(plate.width(), 5, ImageFormat::kIndexed, plate.pixels().data());
  low.setPalette(256, plate.palette().data());
  EXPECT_FALSE(Plate::parsePlate(low, cells));

  Image broken_separator = plate;
  const uint32_t last_row = plate.height() - 1;
  broken_separator.mutablePixels()[last_row * plate.width() + 3] = 0;
  EXPECT_FALSE(Plate::parsePlate(broken_separator, cells));

  Image stray_band = plate;
  stray_band.mutablePixels()[3 * plate.width()] = 2;  // column 0 holds only 0 and 1
  EXPECT_FALSE(Plate::parsePlate(stray_band, cells));

  Image rgb;
  rgb.setSize(plate.width(), plate.height(), ImageFormat::kRgb);
  EXPECT_FALSE(Plate::parsePlate(rgb, cells));
}

TEST(PlateRejection, BuildingRefusesPlatesNoImageFileCouldHold) {
  Collection c = WithPalette();
  std::string message;
  Image plate;
  const CollectionBitmap* wide[] = {AddBitmap(c, 32764, 1, 1)};
  EXPECT_FALSE(Plate::buildPlate(c, wide, false, 0, plate, message));
  EXPECT_EQ(message, "A bitmap is too wide to be put in a plate.");
  std::vector<const CollectionBitmap*> tall;
  for (uint32_t i = 0; i < 3; ++i) tall.push_back(AddBitmap(c, 1, 12000, i));
  EXPECT_FALSE(Plate::buildPlate(c, tall, false, 1, plate, message));
  EXPECT_EQ(message, "The plate would be larger than 32767 x 32767 pixels.");
  EXPECT_FALSE(Plate::buildPlate(c, {}, false, 0, plate, message));
}

TEST(PlateCommands, FailedReplacementsLeaveTheCollectionAsItWas) {
  Collection c = WithPalette();
  CollectionBitmap* a = AddBitmap(c, 3, 3, 1);
  CollectionBitmap* b = AddBitmap(c, 4, 2, 2);
  const CollectionBitmap* with_gap[] = {a, nullptr};
  Image plate;
  std::string message;
  ASSERT_TRUE(Plate::buildPlate(c, with_gap, false, 0, plate, message));
  const auto a_pixels = a->pixels;
  const auto b_pixels = b->pixels;

  CollectionBitmap* const two[] = {b, a};
  EXPECT_FALSE(Plate::replaceFromPlate(c, plate, two, "p.png", message));
  EXPECT_EQ(message,
            "The replace could not be performed because a bitmap in the plate contains no pixels.");
  CollectionBitmap* const one[] = {b};
  EXPECT_FALSE(Plate::replaceFromPlate(c, plate, one, "p.png", message));
  EXPECT_EQ(message, "Number of images in plate (2) does not match the expected value of 1.");
  EXPECT_EQ(c.BitmapAt(0), a);
  EXPECT_EQ(c.BitmapAt(1), b);
  EXPECT_EQ(a->pixels, a_pixels);
  EXPECT_EQ(b->pixels, b_pixels);

  Image not_a_plate;
  not_a_plate.setSize(8, 8, ImageFormat::kIndexed);
  EXPECT_FALSE(Plate::importColorPlate(c, not_a_plate, "x", "x.png", message));
  EXPECT_EQ(message,
            "'x.png': The color plate is not of the correct format or is not compatible with the "
            "existing color table.");
  EXPECT_EQ(c.bitmaps.size(), 2u);
}

TEST(AlphaPlate, CarriesAlphaValuesOnAGreyedPalette) {
  Collection c = WithPalette();
  CollectionBitmap* a = AddBitmap(c, 3, 2, 1);
  CollectionBitmap* b = AddBitmap(c, 2, 2, 2);
  a->pixels[0] = 136;  // partial alpha on an opaque pixel
  a->pixels[1] = 40;
  const CollectionBitmap* list[] = {a, b};
  Image plate;
  std::string message;
  ASSERT_TRUE(Plate::buildPlate(c, list, true, 0, plate, message));
  const std::span<const uint8_t> palette = plate.palette();
  EXPECT_EQ(palette[1 * 3], c.palette[3]);  // entry 1 is the collection's
  EXPECT_EQ(palette[100 * 3 + 1], 100);     // entry 100 is grey
  std::vector<Plate::Cell> cells;
  ASSERT_TRUE(Plate::parsePlate(plate, cells));
  EXPECT_EQ(CellValues(plate, cells[0])[0], 136);

  // The values come back onto bitmaps whose alpha was lost.
  const auto a_pixels = a->pixels;
  for (size_t i = 0; i < a->pixels.size(); i += 2) a->pixels[i] = 255;
  a->flags = 0;
  CollectionBitmap* const targets[] = {a, b};
  ASSERT_TRUE(Plate::replaceAlphaFromPlate(c, plate, targets, "a.png", message)) << message;
  EXPECT_EQ(a->pixels, a_pixels);
  EXPECT_EQ(a->flags & 0x0010, 0x0010);
  EXPECT_EQ(b->flags & 0x0010, 0);

  // Sizes must match; nothing changes when one does not.
  CollectionBitmap* const swapped[] = {b, a};
  const auto b_pixels = b->pixels;
  EXPECT_FALSE(Plate::replaceAlphaFromPlate(c, plate, swapped, "a.png", message));
  EXPECT_EQ(message,
            "'a.png': The alpha plate is not of the correct format or the image dimensions do "
            "not match.");
  EXPECT_EQ(b->pixels, b_pixels);
  EXPECT_EQ(a->pixels, a_pixels);
}

// A shadow's values are grey levels: they must not follow the colours into another table.
TEST(PlateCommands, ShadowsReplacedFromAPlateKeepTheirLevels) {
  Collection from = WithPalette();
  const std::vector<uint8_t> levels = {255, 9, 0, 0, 255, 200};
  const CollectionBitmap* list[] = {from.AddOrReplaceBitmap("s", 0x0080, levels, 3, 1, 2, nullptr)};
  Image plate;
  std::string message;
  ASSERT_TRUE(Plate::buildPlate(from, list, false, 0, plate, message));

  Collection into = WithPalette();
  // Entries 9 and 20 trade places: a colour of index 9 would become 20.
  std::swap_ranges(&into.palette[9 * 3], &into.palette[9 * 3 + 3], &into.palette[20 * 3]);
  CollectionBitmap* shadow = into.AddOrReplaceBitmap("old", 0x0080, levels, 3, 1, 2, nullptr);
  CollectionBitmap* const targets[] = {shadow};
  ASSERT_TRUE(Plate::replaceFromPlate(into, plate, targets, "s.png", message)) << message;
  EXPECT_EQ(into.bitmaps[0]->pixels, levels);
  EXPECT_EQ(into.bitmaps[0]->flags, 0x0080);
}
