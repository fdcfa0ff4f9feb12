#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "collections/Collection.h"
#include "collections/CollectionBuilder.h"
#include "collections/CollectionLayout.h"
#include "collections/CollectionUpRes.h"
#include "collections/DataFile.h"
#include "collections/SequenceFolder.h"

namespace fs = std::filesystem;
namespace cl = collection_layout;

namespace {

// Magenta (entry 0) is the renders' background and so transparent; red, green and blue are
// the sprites' colours.
std::array<uint8_t, 768> Palette(uint8_t third_green = 0) {
  std::array<uint8_t, 768> p{};
  const uint8_t colors[][3] = {
      {255, 0, 255}, {0, 255, 255}, {255, third_green, 0}, {0, 200, 0}, {0, 0, 255}};
  for (int i = 0; i < 5; ++i) std::copy_n(colors[i], 3, &p[i * 3]);
  return p;
}

// A render of `w` × `h` with the rectangle [x0, x1) × [y0, y1) in colour `index`.
void Render(const fs::path& file, uint32_t w, uint32_t h, int x0, int y0, int x1, int y1,
            uint8_t index = 2, const std::array<uint8_t, 768>& palette = Palette()) {
  std::vector<uint8_t> pixels(size_t{w} * h, 0);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) pixels[static_cast<size_t>(y) * w + x] = index;
  Image image;
  image.setSize(w, h, ImageFormat::kIndexed, pixels.data());
  image.setPalette(5, palette.data());
  fs::create_directories(file.parent_path());
  std::string error;
  ASSERT_TRUE(DataFile::saveImage(file, image, DataFile::kPng, error)) << error;
}

class BuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zarv-build-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override { fs::remove_all(root_); }

  // `count` renders 8 × 8 named "NAME N.png", N from 1, render N with its rectangle N pixels
  // wide so that each one is a bitmap of its own.
  fs::path Folder(const std::string& name, int count, const std::string& script = "") {
    const fs::path folder = root_ / "std" / name;
    for (int i = 1; i <= count; ++i)
      Render(folder / "bitmaps" / ("f " + std::to_string(i) + ".png"), 40, 8, 1, 2, 1 + i, 5);
    fs::create_directories(folder);
    if (!script.empty()) std::ofstream(folder / "script.txt") << script;
    return folder;
  }
  Collection Build(CollectionBuilder::Options options = {}) {
    CollectionBuilder builder(root_ / "std", options);
    while (builder.Next()) {
    }
    built_ = builder.Built();
    skipped_ = builder.Skipped();
    return std::move(builder.Result());
  }

  fs::path root_;
  int built_ = 0, skipped_ = 0;
};

TEST_F(BuildTest, FilesAreTakenInNaturalOrder) {
  for (const char* name : {"walk 2.png", "walk 10.png", "Walk 1.png"})
    Render(root_ / "b" / name, 2, 2, 0, 0, 1, 1);
  std::vector<std::string> names;
  for (const fs::path& p : SequenceFolder::Files(root_ / "b")) names.push_back(p.filename());
  EXPECT_EQ(names, (std::vector<std::string>{"Walk 1.png", "walk 2.png", "walk 10.png"}));
}

TEST_F(BuildTest, FolderNamesGiveNameAndCountsFromTheLastParenthesis) {
  std::string name;
  bool has = false;
  int64_t views = 0, frames = 0;
  SequenceFolder::ParseName("run (8,4)", name, has, views, frames);
  EXPECT_TRUE(has);
  EXPECT_EQ(name, "run");
  EXPECT_EQ(views, 8);
  EXPECT_EQ(frames, 4);
  SequenceFolder::ParseName("big (left) ( 2 , 3)", name, has, views, frames);
  EXPECT_EQ(name, "big (left)");
  EXPECT_EQ(views * 10 + frames, 23);
  SequenceFolder::ParseName("idle (x)", name, has, views, frames);
  EXPECT_FALSE(has);
}

TEST_F(BuildTest, RunOfEightByFourNeedsThirtyTwoImages) {
  for (int count : {31, 32, 33}) {
    fs::remove_all(root_ / "std");
    Folder("run (8,4)", count);
    MessageCapture log;
    const Collection c = Build();
    if (count == 31) {
      EXPECT_EQ(skipped_, 1);
      EXPECT_TRUE(c.sequences.empty());
      EXPECT_NE(
          log.text().find("ERROR: sequence folder 'run (8,4)' contains 31 bitmaps, expected 32"),
          std::string::npos);
    } else {
      ASSERT_EQ(c.sequences.size(), 1u);
      // The 33rd image is not used.
      EXPECT_EQ(c.bitmaps.size(), 32u);
      EXPECT_EQ(log.text().find("WARNING") != std::string::npos, count == 33) << log.text();
    }
  }
}

TEST_F(BuildTest, CountsThatNoCollectionCanHoldSkipTheFolder) {
  for (const char* name : {"a (0,4)", "b (-1,2)", "c (70000,1)", "d (300,300)"}) Folder(name, 1);
  Folder("e (1,1)", 1);
  MessageCapture log;
  const Collection c = Build();
  EXPECT_EQ(skipped_, 4);
  ASSERT_EQ(c.sequences.size(), 1u);
  EXPECT_EQ(c.sequences[0]->Name(), "e");
}

TEST_F(BuildTest, FrameListShowsItsImageSetsAndEmptyFrames) {
  // (1 2 3 2 1 ~) over 6 frames of 2 views: 3 image sets × 2 views.
  Folder("walk (2,6)", 6, "  (1 2 3 2 1 ~)\nBitmapOrder FramesThenViews\n");
  const Collection c = Build();
  ASSERT_EQ(c.sequences.size(), 1u);
  const Sequence& s = *c.sequences[0];
  ASSERT_EQ(s.frames.size(), 6u);
  const auto image_of = [&](size_t f, size_t v) {
    const CollectionBitmap* b = s.frames[f].views[v].bitmap;
    return b ? b->Name() : std::string("none");
  };
  // Frame 3 shows set 2: images 2 × 1 + v.
  EXPECT_EQ(image_of(3, 0), "f 3");
  EXPECT_EQ(image_of(3, 1), "f 4");
  EXPECT_EQ(image_of(4, 1), "f 2");
  EXPECT_EQ(image_of(5, 0), "none");
}

TEST_F(BuildTest, FrameListNamingNoImageSetSkipsTheFolder) {
  Folder("walk (1,3)", 3, "(1 0 2)\n");
  Folder("jump (1,2)", 2, "(1 3)\n");
  MessageCapture log;
  Build();
  EXPECT_EQ(skipped_, 2);
  EXPECT_EQ(built_, 0);
}

TEST_F(BuildTest, ViewsThenFramesTakesAllFramesOfViewZeroFirst) {
  Folder("walk (2,3)", 6, "bitmaporder viewsthenframes\n");
  const Collection c = Build();
  ASSERT_EQ(c.sequences.size(), 1u);
  // Image frames × v + f.
  EXPECT_EQ(c.sequences[0]->frames[1].views[1].bitmap->Name(), "f 5");
  EXPECT_EQ(c.sequences[0]->frames[2].views[0].bitmap->Name(), "f 3");
}

TEST_F(BuildTest, CropsToOpaqueBoundsAndMovesTheRegistrationPoint) {
  const fs::path folder = root_ / "std" / "idle (2,1)";
  Render(folder / "bitmaps" / "a.png", 10, 8, 2, 1, 5, 4);
  Render(folder / "bitmaps" / "b.png", 10, 8, 0, 0, 0, 0);  // nothing opaque
  MessageCapture log;
  const Collection c = Build({"Hero", 5, 6, false, BitmapOrder::kFramesThenViews});
  ASSERT_EQ(c.bitmaps.size(), 1u);
  EXPECT_EQ(c.bitmaps[0]->width, 3);
  EXPECT_EQ(c.bitmaps[0]->height, 3);
  const FrameView& view = c.sequences[0]->frames[0].views[0];
  EXPECT_EQ(view.registration_x, 3);
  EXPECT_EQ(view.registration_y, 5);
  EXPECT_EQ(c.sequences[0]->frames[0].views[1].bitmap, nullptr);
  EXPECT_NE(log.text().find("WARNING: the bitmap 'b.png' is fully transparent"), std::string::npos);
}

TEST_F(BuildTest, AlphaImagesGiveAlphaAndInvertAlphasFlipsThem) {
  const fs::path folder = root_ / "std" / "fade (1,1)";
  Render(folder / "bitmaps" / "a.png", 4, 1, 0, 0, 4, 1);
  Image alpha;
  const uint8_t levels[4] = {0, 255, 136, 255};
  alpha.setSize(4, 1, ImageFormat::kGreyscale, levels);
  std::string error;
  fs::create_directories(folder / "alphas");
  ASSERT_TRUE(DataFile::saveImage(folder / "alphas" / "a.png", alpha, DataFile::kPng, error));
  Collection c = Build();
  ASSERT_EQ(c.bitmaps.size(), 1u);
  EXPECT_EQ(c.bitmaps[0]->width, 3);  // the first pixel is transparent
  EXPECT_EQ(c.bitmaps[0]->pixels[2], 136);
  EXPECT_TRUE(c.bitmaps[0]->flags & cl::kBitmapPartialAlpha);
  c = Build({"x", 0, 0, true, BitmapOrder::kFramesThenViews});
  ASSERT_EQ(c.bitmaps.size(), 1u);
  EXPECT_EQ(c.bitmaps[0]->width, 3);
  EXPECT_EQ(c.bitmaps[0]->pixels[0], 255);
  EXPECT_EQ(c.bitmaps[0]->pixels[2], 0);
}

TEST_F(BuildTest, SharesImagesOnlyWhenTheyAreEqualInTheCollectionsColours) {
  const fs::path folder = root_ / "std" / "walk (3,1)";
  Render(folder / "bitmaps" / "a.png", 4, 4, 0, 0, 2, 2);
  Render(folder / "bitmaps" / "b.png", 4, 4, 1, 1, 3, 3);  // the same sprite, elsewhere
  // The same indices under another palette: entry 2 is another colour.
  Render(folder / "bitmaps" / "c.png", 4, 4, 0, 0, 2, 2, 2, Palette(128));
  const Collection c = Build();
  ASSERT_EQ(c.bitmaps.size(), 2u);
  const auto& views = c.sequences[0]->frames[0].views;
  EXPECT_EQ(views[0].bitmap, views[1].bitmap);
  EXPECT_NE(views[0].bitmap, views[2].bitmap);
  EXPECT_EQ(views[1].registration_x, static_cast<uint16_t>(-1));
}

TEST_F(BuildTest, AFolderWithABadImageLeavesNothingBehind) {
  Folder("a (1,1)", 1);
  const fs::path bad = root_ / "std" / "b (2,1)";
  Render(bad / "bitmaps" / "1.png", 4, 4, 0, 0, 2, 2, 3);
  std::ofstream(bad / "bitmaps" / "2.png") << "not an image";
  MessageCapture log;
  const Collection c = Build();
  EXPECT_EQ(built_, 1);
  EXPECT_EQ(c.bitmaps.size(), 1u);
  EXPECT_NE(log.text().find("ERROR: the color bitmap file '2.png' could not be loaded."),
            std::string::npos);
}

// The collection has one sequence of `views` views showing one 32 × 32 bitmap each (registration
// at its centre); the high-res folder holds renders of `hi` × `hi`.
class UpResTest : public BuildTest {
 protected:
  Collection Standard(int views, bool mirrored) {
    const fs::path folder = root_ / "std" / ("walk (" + std::to_string(views) + ",1)");
    for (int v = 0; v < views; ++v)
      Render(folder / "bitmaps" / (std::to_string(v) + ".png"), 40, 40, 4, 4, 36 - v, 36);
    Collection c = Build({"Hero", 20, 20, false, BitmapOrder::kFramesThenViews});
    if (mirrored) {
      c.sequences[0]->flags |= cl::kSequenceMirroring;
      c.sequences[0]->ApplyMirroring();
    }
    return c;
  }
  void HighRes(int views, int hi, int width_less = 0) {
    const fs::path folder = root_ / "hi" / ("walk (" + std::to_string(views) + ",1)");
    for (int v = 0; v < views; ++v) {
      const int scale = hi / 32;
      Render(folder / "bitmaps" / (std::to_string(v) + ".png"), hi + 16, hi + 16, 8, 8,
             8 + hi - v * scale - width_less, 8 + hi);
    }
  }
  bool UpRes(Collection& c, double target, double tolerance = 0.05) {
    CollectionUpRes upres(c, root_ / "hi", {"Hero", target, tolerance});
    while (upres.Next()) {
    }
    saves_ = 0;
    const bool ok = upres.Finish([this](Collection&) { return ++saves_ == 1; });
    scale_ = upres.ComputedScale();
    return ok;
  }
  int saves_ = 0;
  double scale_ = 0;
};

TEST_F(UpResTest, DoubleSizeRendersAtScaleTwoKeepTheirSize) {
  Collection c = Standard(1, false);
  HighRes(1, 64);
  MessageCapture log;
  ASSERT_TRUE(UpRes(c, 2.0)) << log.text();
  EXPECT_NE(log.text().find("computed global scale: 2.00\n"), std::string::npos);
  EXPECT_NE(log.text().find("1 instances, 1 unique\n"), std::string::npos);
  const FrameView& view = c.sequences[0]->frames[0].views[0];
  ASSERT_TRUE(view.flags & cl::kViewHasAlternate);
  EXPECT_EQ(view.alternate_size_factor, 0x00050000u);
  EXPECT_EQ(view.alternate_index, 1);
  ASSERT_EQ(view.alternate, c.bitmaps[1].get());
  EXPECT_EQ(view.alternate->width, 64);
  EXPECT_EQ(view.alternate_registration_x, 32);  // 16 in the standard bitmap
  EXPECT_EQ(saves_, 1);
}

TEST_F(UpResTest, RendersAreResampledToTheTargetScale) {
  Collection c = Standard(1, false);
  HighRes(1, 128);
  ASSERT_TRUE(UpRes(c, 2.0));
  const FrameView& view = c.sequences[0]->frames[0].views[0];
  EXPECT_EQ(view.alternate->width, 64);
  EXPECT_EQ(view.alternate->pixels[1], 2);  // red stays red, in the collection's entries
}

TEST_F(UpResTest, ScaleBelowTheTargetIsFatalAndChangesNothing) {
  Collection c = Standard(1, false);
  HighRes(1, 64);
  MessageCapture log;
  EXPECT_FALSE(UpRes(c, 3.0));
  EXPECT_NE(log.text().find("FATAL: computed scale (2.00) must not be less than the target scale "
                            "(3.00).\n"),
            std::string::npos);
  EXPECT_EQ(saves_, 0);
  EXPECT_EQ(c.bitmaps.size(), 1u);
  EXPECT_FALSE(c.sequences[0]->frames[0].views[0].flags & cl::kViewHasAlternate);
}

TEST_F(UpResTest, PairsThatNeverPassStopAfterBoundedRaises) {
  Collection c = Standard(1, false);
  HighRes(1, 64, 60);  // 4 × 64 against 32 × 32: no tolerance near the start lets it pass
  MessageCapture log;
  EXPECT_FALSE(UpRes(c, 1.0, 0.01));
  EXPECT_NE(log.text().find("raising warn_fraction to 0.11\n"), std::string::npos);
  EXPECT_NE(log.text().find("FATAL: no bitmaps passed"), std::string::npos);
  EXPECT_EQ(saves_, 0);
}

TEST_F(UpResTest, MirroredViewsTakeTheAlternateOfTheViewTheyMirror) {
  Collection c = Standard(4, true);  // views 0-2 real, view 3 mirrors view 1
  HighRes(4, 64);
  ASSERT_TRUE(UpRes(c, 2.0));
  const auto& views = c.sequences[0]->frames[0].views;
  ASSERT_TRUE(views[3].flags & cl::kViewHasAlternate);
  EXPECT_EQ(views[3].alternate, views[1].alternate);
  EXPECT_EQ(views[3].alternate_registration_x,
            views[1].alternate->width - views[1].alternate_registration_x);
  // The render of view 3 is not read: only the real views have their own.
  EXPECT_EQ(c.bitmaps.size(), 4u + 3u);
}

}  // namespace
