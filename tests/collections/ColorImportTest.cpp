#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <stdlib.h>

#include "collections/BitmapExport.h"
#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/ColorImport.h"
#include "collections/DataFile.h"
#include "collections/ImageImport.h"
#include "tests/collections/CollectionFixtures.h"

namespace fs = std::filesystem;
using collection_test::Opaque;

namespace {

void SetColor(std::array<uint8_t, 768>& palette, int i, uint8_t r, uint8_t g, uint8_t b) {
  palette[i * 3] = r;
  palette[i * 3 + 1] = g;
  palette[i * 3 + 2] = b;
}

// A table of 256 distinct colours.
std::array<uint8_t, 768> DistinctPalette() {
  std::array<uint8_t, 768> palette{};
  for (int i = 0; i < 256; ++i) SetColor(palette, i, static_cast<uint8_t>(i), 7, 200);
  return palette;
}

Image Indexed(uint32_t width, uint32_t height, std::vector<uint8_t> indices,
              const std::array<uint8_t, 768>& palette, uint32_t count = 256) {
  Image image;
  image.setSize(width, height, ImageFormat::kIndexed, indices.data());
  image.setPalette(count, palette.data());
  return image;
}

CollectionBitmap* AddColor(Collection& c, std::vector<uint8_t> indices) {
  const auto pixels = Opaque(indices);
  return c.AddOrReplaceBitmap("b", 0, pixels, static_cast<uint16_t>(indices.size()), 1, 2, nullptr);
}

ColorImport::AskReplace Never() {
  return [](const std::string& question) {
    ADD_FAILURE() << "asked: " << question;
    return false;
  };
}

}  // namespace

TEST(ColorReconciliation, ColoursAlreadyPresentKeepThePaletteAndTakeTheFirstMatch) {
  Collection c;
  c.palette = DistinctPalette();
  SetColor(c.palette, 9, 5, 7, 200);  // entry 9 repeats entry 5
  AddColor(c, {2, 3});
  const auto before = c.palette;
  std::array<uint8_t, 768> image = c.palette;
  SetColor(image, 1, 5, 7, 200);   // only at 5 and 9 of the target; 1 is not one of them
  SetColor(image, 4, 40, 7, 200);  // entry 9 already repeats 5 and keeps its index
  ColorImport::Reconciled out;
  ASSERT_TRUE(ColorImport::reconcile(c, image, 10, false, nullptr, out));
  EXPECT_EQ(out.palette, before);
  EXPECT_EQ(out.map[0], 0);
  EXPECT_EQ(out.map[1], 5);
  EXPECT_EQ(out.map[9], 9);
  EXPECT_EQ(out.map[4], 40);
  // Entries past the count repeat entry 0.
  EXPECT_EQ(out.map[200], 0);
}

TEST(ColorReconciliation, AnEmptyNewCollectionAdoptsTheImagesColoursWithoutAsking) {
  Collection c;  // all black, no bitmaps
  auto palette = DistinctPalette();
  Image image = Indexed(3, 1, {0, 1, 77}, palette);
  std::string message;
  CollectionBitmap* b = ColorImport::importColor(c, image, "x", nullptr, Never(), "x.png", message);
  ASSERT_NE(b, nullptr) << message;
  EXPECT_EQ(c.palette, palette);
  EXPECT_EQ(b->pixels, (std::vector<uint8_t>{0, 0, 0, 0, 255, 77}));
  EXPECT_EQ(b->flags, 0x0004);
}

TEST(ColorReconciliation, MissingColoursFillTheLowestFreeDuplicatesAndAskWhenTooFew) {
  Collection c;
  c.palette = DistinctPalette();
  // Duplicates at 20, 30 and 40 (of 10); 0 and 1 repeat each other too but never give way.
  for (int i : {20, 30, 40}) SetColor(c.palette, i, 10, 7, 200);
  SetColor(c.palette, 1, 0, 7, 200);
  AddColor(c, {2, 10});
  std::array<uint8_t, 768> image{};
  SetColor(image, 0, 1, 1, 1);
  SetColor(image, 1, 2, 2, 2);
  SetColor(image, 2, 3, 3, 3);
  ColorImport::Reconciled out;
  ASSERT_TRUE(ColorImport::reconcile(c, image, 3, false, nullptr, out));
  EXPECT_EQ(out.map[0], 20);
  EXPECT_EQ(out.map[1], 30);
  EXPECT_EQ(out.map[2], 40);
  EXPECT_EQ(out.palette[30 * 3], 2);

  // With only two duplicates left the colours do not fit.
  SetColor(c.palette, 40, 41, 8, 200);
  EXPECT_FALSE(ColorImport::reconcile(c, image, 3, false, nullptr, out));
  std::string asked;
  std::string message;
  const auto before = c.palette;
  Image picture = Indexed(3, 1, {0, 1, 2}, image, 3);
  EXPECT_EQ(ColorImport::importColor(
                c, picture, "p", nullptr,
                [&](const std::string& q) {
                  asked = q;
                  return false;
                },
                "p.png", message),
            nullptr);
  EXPECT_EQ(asked,
            "'p.png': The image is not compatible with the existing color table.\nWould you like "
            "to replace the color table in the tag with the one in the file?");
  EXPECT_EQ(message, "");
  EXPECT_EQ(c.palette, before);
  EXPECT_EQ(c.bitmaps.size(), 1u);
}

TEST(ColorReconciliation, UsedEntriesStayUnlessTheirBitmapIsTheOneReplaced) {
  Collection c;
  c.palette = DistinctPalette();
  SetColor(c.palette, 50, 10, 7, 200);
  SetColor(c.palette, 60, 10, 7, 200);
  CollectionBitmap* user = AddColor(c, {50, 0});  // entry 50 in use, index 0 transparent
  // A shadow's levels are not colours and pin nothing.
  const auto shadow = Opaque({60});
  c.AddOrReplaceBitmap("s", 0x0080, shadow, 1, 1, 2, nullptr);
  std::array<uint8_t, 768> image{};
  SetColor(image, 0, 1, 1, 1);
  SetColor(image, 1, 2, 2, 2);
  ColorImport::Reconciled out;
  EXPECT_FALSE(ColorImport::reconcile(c, image, 2, false, nullptr, out));
  ASSERT_TRUE(ColorImport::reconcile(c, image, 2, false, user, out));
  EXPECT_EQ(out.map[0], 50);
  EXPECT_EQ(out.map[1], 60);
}

TEST(ColorReconciliation, TransparencyComesFromEntriesZeroAndOneAndSetsRleOnlyForZero) {
  Collection c;
  c.palette = DistinctPalette();
  AddColor(c, {2});
  std::string message;
  CollectionBitmap* raw = ColorImport::importColor(c, Indexed(3, 1, {1, 5, 1}, c.palette), "r",
                                                   nullptr, Never(), "r.png", message);
  ASSERT_NE(raw, nullptr) << message;
  EXPECT_EQ(raw->pixels, (std::vector<uint8_t>{0, 0, 255, 5, 0, 0}));
  EXPECT_EQ(raw->flags, 0);
  CollectionBitmap* rle = ColorImport::importColor(c, Indexed(2, 1, {0, 5}, c.palette), "l",
                                                   nullptr, Never(), "l.png", message);
  ASSERT_NE(rle, nullptr);
  EXPECT_EQ(rle->flags, 0x0004);
}

// Entry 9 repeats entry 0 and entry 12 repeats entry 1: taking the first match would make the
// opaque 9s transparent and the 12s transparent too.
TEST(ColorReconciliation,
     ExportThenImportGivesBackBitmapsThatUseDuplicatesOfTheTransparentEntries) {
  Collection c;
  c.palette = DistinctPalette();
  SetColor(c.palette, 9, 0, 7, 200);
  SetColor(c.palette, 12, 1, 7, 200);
  CollectionBitmap* b = AddColor(c, {9, 12, 0, 9});
  BitmapExport::Bitmap plain{b->width, b->height, b->pixels, 2, b->flags};
  Image exported;
  std::string error;
  ASSERT_TRUE(BitmapExport::MakeImage(plain, c.palette, false, exported, error));
  const auto pixels = b->pixels;
  std::string message;
  CollectionBitmap* back = ColorImport::importColor(c, exported, "b", b, Never(), "b.png", message);
  ASSERT_NE(back, nullptr) << message;
  EXPECT_EQ(back->pixels, pixels);
  EXPECT_EQ(back->flags, 0);  // RAW: its transparency came back as index 1, not 0
}

class ColorRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder of its own per test: ctest runs the cases of this fixture side by side.
    std::string pattern = (fs::temp_directory_path() / "zarv-colorimport-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

// Random palettes drawn from a few colours (so full of duplicates), random bitmaps of both
// encodings, through a real file and back.
TEST_F(ColorRoundTrip, RandomBitmapsComeBackExactlyThroughAFile) {
  std::mt19937 random(1234);
  for (int round = 0; round < 24; ++round) {
    Collection c;
    if (round % 4 == 3) {
      // The grey ramp: the file reads back as greyscale, its levels are the indices.
      for (int i = 0; i < 256; ++i) SetColor(c.palette, i, i, i, i);
    } else {
      for (int i = 0; i < 256; ++i)
        SetColor(c.palette, i, static_cast<uint8_t>(random() % 6 * 40), 0, 0);
    }
    const uint16_t width = static_cast<uint16_t>(1 + random() % 17);
    const uint16_t height = static_cast<uint16_t>(1 + random() % 9);
    const bool rle = round % 2 == 0;
    std::vector<uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) {
      // Opaque pixels use entries 2-255 (0 and 1 are what transparency is written as); an
      // RLE bitmap needs a transparent pixel to be RLE after an import.
      const bool transparent = random() % 3 == 0 || (rle && i == 0);
      pixels.push_back(transparent ? 0 : 255);
      pixels.push_back(transparent ? 0 : static_cast<uint8_t>(2 + random() % 254));
    }
    c.AddOrReplaceBitmap("other", 0, Opaque({3, 4}), 2, 1, 2, nullptr);
    CollectionBitmap* b =
        c.AddOrReplaceBitmap("b", rle ? 0x0004 : 0, pixels, width, height, 2, nullptr);
    const auto palette = c.palette;
    Image exported;
    std::string message;
    ASSERT_TRUE(BitmapExport::MakeImage({width, height, b->pixels, 2, b->flags}, c.palette, false,
                                        exported, message));
    const fs::path file = dir_ / (std::to_string(round) + (round % 3 ? ".png" : ".bmp"));
    ASSERT_TRUE(DataFile::saveImage(file, exported, message)) << message;
    CollectionBitmap* back = ColorImport::importColorImage(c, file, nullptr, Never(), message);
    ASSERT_NE(back, nullptr) << message;
    EXPECT_EQ(back->pixels, pixels) << "round " << round;
    EXPECT_EQ(back->flags, rle ? 0x0004 : 0) << "round " << round;
    EXPECT_EQ(c.palette, palette) << "round " << round;
    EXPECT_EQ(back->Name(), std::to_string(round));
  }
}

TEST(ColorImportReplace, ReplaceAdoptsTheFilesTableAndKeepsTheBitmapsPlace) {
  Collection c;
  c.palette = DistinctPalette();
  AddColor(c, {2});
  CollectionBitmap* old = AddColor(c, {3});
  AddColor(c, {4});
  std::array<uint8_t, 768> other{};
  for (int i = 0; i < 256; ++i) SetColor(other, i, 1, static_cast<uint8_t>(i), 3);
  int asked = 0;
  std::string message;
  CollectionBitmap* made = ColorImport::importColor(
      c, Indexed(2, 1, {1, 200}, other), "new", old,
      [&](const std::string&) {
        ++asked;
        return true;
      },
      "n.png", message);
  ASSERT_NE(made, nullptr) << message;
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(c.palette, other);
  EXPECT_EQ(c.IndexOfBitmap(made), 1);
  EXPECT_EQ(c.bitmaps.size(), 3u);
  EXPECT_EQ(made->pixels, (std::vector<uint8_t>{0, 0, 255, 200}));

  // Without anyone to ask, the import fails and says why.
  const auto before = c.palette;
  EXPECT_EQ(ColorImport::importColor(c, Indexed(1, 1, {9}, DistinctPalette()), "z", nullptr, {},
                                     "z.png", message),
            nullptr);
  EXPECT_EQ(message, "'z.png': The image is not compatible with the existing color table.");
  EXPECT_EQ(c.palette, before);
}

TEST(ColorImportReplace, RefusesImagesThatAreNotPalettedOrOfNoBitmapSize) {
  Collection c;
  Image rgb;
  rgb.setSize(1, 1, ImageFormat::kRgb);
  std::string message;
  EXPECT_EQ(ColorImport::importColor(c, rgb, "a", nullptr, Never(), "a.png", message), nullptr);
  EXPECT_EQ(message, "'a.png': The image is not 8-bit paletted.");
  Image wide = Indexed(70000, 1, std::vector<uint8_t>(70000, 2), DistinctPalette());
  EXPECT_EQ(ColorImport::importColor(c, wide, "w", nullptr, Never(), "w.png", message), nullptr);
  EXPECT_FALSE(message.empty());
  EXPECT_TRUE(c.bitmaps.empty());
}

TEST(ShadowImport, KeepsLevelsAsIndicesWithOpaqueNonZeroLevels) {
  Collection c;
  Image grey;
  grey.setSize(3, 1, ImageFormat::kGreyscale, std::vector<uint8_t>{0, 1, 200}.data());
  std::string message;
  CollectionBitmap* s = ColorImport::importShadow(c, grey, "sh", nullptr, message);
  ASSERT_NE(s, nullptr) << message;
  EXPECT_EQ(s->pixels, (std::vector<uint8_t>{0, 0, 255, 1, 255, 200}));
  EXPECT_EQ(s->flags, 0x0080);
  Image indexed = Indexed(1, 1, {3}, DistinctPalette());
  EXPECT_EQ(ColorImport::importShadow(c, indexed, "sh", nullptr, message, "i.png"), nullptr);
  EXPECT_EQ(message, "'i.png': The image is not 8-bit greyscale.");
}

TEST(BitmapNames, FileNamesBecomeEightBitNamesWithUnknownCharactersAsUnderscores) {
  EXPECT_EQ(ColorImport::BitmapNameFromFile("/x/T\xC3\xA4nk.v2.png"), "T\x8Ank.v2");
  // The euro sign has no code here; CJK neither; a control code is no name character.
  EXPECT_EQ(ColorImport::BitmapNameFromFile("a\xE2\x82\xAC\xE4\xB8\xAD\x01z.bmp"), "a___z");
  // A stray continuation byte is one unknown character.
  EXPECT_EQ(ColorImport::BitmapNameFromFile("a\x80"
                                            "b.png"),
            "a_b");
  EXPECT_EQ(ColorImport::BitmapNameFromFile(std::string(80, 'q') + ".png"), std::string(63, 'q'));
}

class MultiFileImport : public ColorRoundTrip {
 protected:
  fs::path Write(const std::string& name, const Image& image) {
    std::string error;
    EXPECT_TRUE(DataFile::saveImage(dir_ / name, image, error)) << error;
    return dir_ / name;
  }
};

TEST_F(MultiFileImport, ABadOrCancelledLaterFileLeavesTheCollectionAsItWas) {
  Collection c;
  c.palette = DistinctPalette();
  AddColor(c, {2});
  const auto before = c.palette;
  std::array<uint8_t, 768> foreign{};
  for (int i = 0; i < 256; ++i) SetColor(foreign, i, 3, static_cast<uint8_t>(i), 3);
  const fs::path fits = Write("fits.png", Indexed(1, 1, {7}, c.palette));
  const fs::path needs_replace = Write("foreign.png", Indexed(1, 1, {7}, foreign));
  std::ofstream(dir_ / "junk.png") << "not an image";

  std::vector<CollectionBitmap*> made;
  std::string message;
  const std::vector<fs::path> with_junk = {fits, dir_ / "junk.png"};
  EXPECT_FALSE(ColorImport::importColorImages(c, with_junk, {}, Never(), made, message));
  EXPECT_EQ(message, "'junk.png': The file is not of the right format.");
  EXPECT_EQ(c.bitmaps.size(), 1u);

  const std::vector<fs::path> cancelled = {fits, needs_replace};
  int asked = 0;
  EXPECT_FALSE(ColorImport::importColorImages(
      c, cancelled, {},
      [&](const std::string&) {
        ++asked;
        return false;
      },
      made, message));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(message, "");
  EXPECT_EQ(c.bitmaps.size(), 1u);
  EXPECT_EQ(c.palette, before);

  ASSERT_TRUE(ColorImport::importColorImages(
      c, cancelled, {}, [](const std::string&) { return true; }, made, message))
      << message;
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(c.bitmaps.size(), 3u);
  EXPECT_EQ(made[1]->Name(), "foreign");
  EXPECT_EQ(c.palette, foreign);
}

// The targets' colours are given up for the incoming files, which take their places and names.
TEST_F(MultiFileImport, ReplacingSeveralFreesTheTargetsColoursAndKeepsTheirPlaces) {
  Collection c;
  c.palette = DistinctPalette();
  SetColor(c.palette, 30, 10, 7, 200);
  SetColor(c.palette, 31, 10, 7, 200);
  CollectionBitmap* first = AddColor(c, {30});
  AddColor(c, {10});
  CollectionBitmap* third = AddColor(c, {31});
  std::array<uint8_t, 768> two{};
  SetColor(two, 0, 1, 2, 3);
  SetColor(two, 1, 4, 5, 6);
  const fs::path a = Write("a.png", Indexed(1, 1, {0}, two, 2));
  const fs::path b = Write("b.png", Indexed(1, 1, {1}, two, 2));
  const std::vector<fs::path> files = {a, b};
  CollectionBitmap* const targets[] = {third, first};
  std::vector<CollectionBitmap*> made;
  std::string message;
  ASSERT_TRUE(ColorImport::importColorImages(c, files, targets, Never(), made, message)) << message;
  ASSERT_EQ(c.bitmaps.size(), 3u);
  EXPECT_EQ(c.BitmapAt(2), made[0]);
  EXPECT_EQ(c.BitmapAt(0), made[1]);
  EXPECT_EQ(made[0]->Name(), "a");
  EXPECT_EQ(made[0]->pixels, (std::vector<uint8_t>{255, 30}));
  EXPECT_EQ(made[1]->pixels, (std::vector<uint8_t>{255, 31}));
}

// The first file brings a colour and uses a duplicate entry as it is; the second file's colour
// must not go into that entry, though it still repeats an earlier one.
TEST_F(MultiFileImport, EntriesAnEarlierFileUsesAreNotGivenToALaterOne) {
  Collection c;
  c.palette = DistinctPalette();
  for (int i : {30, 31, 40}) SetColor(c.palette, i, 10, 7, 200);
  AddColor(c, {10});
  auto first = c.palette;
  SetColor(first, 200, 1, 1, 1);
  std::array<uint8_t, 768> second = c.palette;
  SetColor(second, 5, 2, 2, 2);
  const std::vector<fs::path> files = {Write("a.png", Indexed(2, 1, {31, 200}, first)),
                                       Write("b.png", Indexed(1, 1, {5}, second))};
  std::vector<CollectionBitmap*> made;
  std::string message;
  ASSERT_TRUE(ColorImport::importColorImages(c, files, {}, Never(), made, message)) << message;
  EXPECT_EQ(made[0]->pixels, (std::vector<uint8_t>{255, 31, 255, 30}));
  EXPECT_EQ(made[1]->pixels, (std::vector<uint8_t>{255, 40}));
  EXPECT_EQ(c.palette[31 * 3], 10);
}

TEST_F(MultiFileImport, AlphaMasksAreAllCheckedBeforeAnyApplies) {
  Collection c;
  CollectionBitmap* a = AddColor(c, {5, 6});
  CollectionBitmap* b = AddColor(c, {7});
  Image mask;
  mask.setSize(2, 1, ImageFormat::kGreyscale, std::vector<uint8_t>{0, 119}.data());
  const fs::path two = Write("two.png", mask);
  CollectionBitmap* const targets[] = {a, b};
  std::string message;
  const std::vector<fs::path> wrong = {two, two};
  EXPECT_FALSE(ColorImport::replaceAlphaImages(c, wrong, targets, message));
  EXPECT_EQ(message,
            "'two.png': The alpha mask must have the same dimensions as the image. Found: 2 x 1. "
            "Expected: 1 x 1.");
  EXPECT_EQ(a->pixels, Opaque({5, 6}));

  mask.setSize(1, 1, ImageFormat::kGreyscale, std::vector<uint8_t>{255}.data());
  const std::vector<fs::path> right = {two, Write("one.png", mask)};
  // Recorded as a change, the masks come off again with an undo.
  CollectionChange change(c);
  ASSERT_TRUE(ColorImport::replaceAlphaImages(c, right, targets, message)) << message;
  EXPECT_EQ(a->pixels, (std::vector<uint8_t>{0, 5, 119, 6}));
  EXPECT_EQ(a->flags & 0x0010, 0x0010);
  ASSERT_TRUE(change.Finish());
  change.Revert();
  EXPECT_EQ(a->pixels, Opaque({5, 6}));
}
