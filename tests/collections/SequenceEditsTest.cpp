#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CollectionFixtures.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "collections/SequenceDrop.h"
#include "collections/SequenceEdits.h"
#include "collections/SequenceTransfer.h"

namespace cl = collection_layout;

namespace {

// A collection with sprites "a", "b", "c" (4 × 2) and a shadow "s", and a sequence of
// `frames` × `views`.
class SequenceEditsTest : public ::testing::Test {
 protected:
  Sequence& Make(int frames, int views, bool mirrored = false) {
    for (const char* name : {"a", "b", "c"}) {
      bitmaps.push_back(c.AddOrReplaceBitmap(
          name, 0, collection_test::Opaque({2, 3, 4, 5, 6, 7, 8, 9}), 4, 2, 2, nullptr));
    }
    shadow = c.AddOrReplaceBitmap("s", cl::kBitmapShadow, collection_test::Opaque({9, 9}), 2, 1, 2,
                                  nullptr);
    Sequence* s = c.AddSequence("walk");
    s->view_count = static_cast<uint16_t>(views);
    if (mirrored) s->flags |= cl::kSequenceMirroring;
    s->frames.assign(static_cast<size_t>(frames), s->NewFrame());
    return *s;
  }
  SequenceDrop::Payload Bitmaps(std::vector<CollectionBitmap*> list) {
    SequenceDrop::Payload p;
    for (CollectionBitmap* b : list) {
      SequenceDrop::Item item;
      item.bitmap = b;
      p.items.push_back(item);
    }
    return p;
  }

  static SequenceDrop::Item Cell(CollectionBitmap* bitmap, int frame, int column) {
    SequenceDrop::Item item;
    item.bitmap = bitmap;
    item.frame = frame;
    item.column = column;
    item.from_cell = true;
    return item;
  }

  Collection c;
  std::vector<CollectionBitmap*> bitmaps;
  CollectionBitmap* shadow = nullptr;
};

TEST_F(SequenceEditsTest, HeaderBoxesStoreWhatTheControlsPromise) {
  Sequence& s = Make(3, 2);
  std::string message;
  // Typing 0 into "Frames:" keeps one frame; views resize keeping cells.
  EXPECT_TRUE(SequenceEdits::SetFrames(c, s, 0, message));
  EXPECT_EQ(s.frames.size(), 1u);
  s.frames[0].views[1].bitmap = bitmaps[0];
  EXPECT_TRUE(SequenceEdits::SetViews(c, s, 4, message));
  EXPECT_EQ(s.frames[0].views.size(), 4u);
  EXPECT_EQ(s.frames[0].views[1].bitmap, bitmaps[0]);
  EXPECT_TRUE(message.empty());
  EXPECT_EQ(SequenceEdits::ClampNumber(70000), 65535);
  EXPECT_EQ(SequenceEdits::ClampNumber(-3), 0);

  EXPECT_EQ(SequenceEdits::SoundIdFromText("ab"), 0x61622020u);
  EXPECT_EQ(SequenceEdits::SoundIdFromText(""), 0xFFFFFFFFu);
  EXPECT_EQ(SequenceEdits::SoundText(0x61622020u), "ab");
  // An id the box cannot show reads as empty; the editor keeps it unless the box is edited.
  EXPECT_EQ(SequenceEdits::SoundText(0x01020304u), "");
}

TEST_F(SequenceEditsTest, FramesAndViewsStopAtWhatASaveCanIndex) {
  Sequence& s = Make(1, 8);
  Sequence* other = c.AddSequence("other");
  other->frames.assign(535, other->NewFrame());
  std::string message;
  EXPECT_TRUE(SequenceEdits::SetFrames(c, s, 100000, message));
  // 65,535 frame views less the other sequence's 535, in frames of 8 views.
  EXPECT_EQ(s.frames.size(), 65000u / 8);
  EXPECT_NE(message.find("65,535"), std::string::npos);
  std::vector<uint8_t> saved = collection_test::Save(c);
  EXPECT_FALSE(saved.empty());
  SequenceEdits::SetViews(c, s, 9, message);
  EXPECT_EQ(s.view_count, 8) << "more views would pass the cap";
  EXPECT_FALSE(message.empty());
}

TEST_F(SequenceEditsTest, MirroredViewsFollowEditsOfTheRealOnes) {
  Sequence& s = Make(1, 8, true);
  EXPECT_EQ(SequenceEdits::RealViews(s), 5);
  std::vector<SequenceDrop::Placement> plan;
  const SequenceDrop::Payload one = Bitmaps({bitmaps[1]});
  ASSERT_TRUE(SequenceDrop::Plan(c, s, one, 0, 2, plan));  // view 1
  SequenceDrop::Apply(c, s, one, plan);
  // View 7 mirrors view 1: the same bitmap, flipped, its registration x taken across.
  const FrameView& mirror = s.frames[0].views[7];
  EXPECT_EQ(mirror.bitmap, bitmaps[1]);
  EXPECT_TRUE(mirror.flags & cl::kViewMirrorX);
  EXPECT_EQ(mirror.registration_x, static_cast<uint16_t>(4 - s.frames[0].views[1].registration_x));
  // Moving the real view's bitmap right moves the mirror's left.
  const uint16_t before = mirror.registration_x;
  ASSERT_TRUE(SequenceEdits::Move(s, SequenceEdits::kMoveBitmap, 0, 1, 3, 0));
  EXPECT_EQ(s.frames[0].views[7].registration_x, static_cast<uint16_t>(before + 3));
  // Derived views are not cells of their own.
  EXPECT_FALSE(SequenceEdits::Move(s, SequenceEdits::kMoveBitmap, 0, 6, 1, 0));
}

TEST_F(SequenceEditsTest, DropsLandWholeOrNotAtAll) {
  Sequence& s = Make(2, 2);
  std::vector<SequenceDrop::Placement> plan;
  // Shadows only on shadow cells, others only on view cells.
  EXPECT_FALSE(SequenceDrop::Plan(c, s, Bitmaps({shadow}), 0, 1, plan));
  EXPECT_FALSE(SequenceDrop::Plan(c, s, Bitmaps({bitmaps[0]}), 0, 0, plan));
  // Three bitmaps from (0, view 1) wrap into frame 1; a fourth would pass the last frame.
  ASSERT_TRUE(SequenceDrop::Plan(c, s, Bitmaps({bitmaps[0], bitmaps[1], bitmaps[2]}), 0, 2, plan));
  ASSERT_EQ(plan.size(), 3u);
  EXPECT_EQ(plan[1].frame, 1);
  EXPECT_EQ(plan[1].column, 1);
  EXPECT_FALSE(SequenceDrop::Plan(c, s, Bitmaps({bitmaps[0], bitmaps[1], bitmaps[2], bitmaps[0]}),
                                  0, 2, plan));
  EXPECT_TRUE(plan.empty());
  // Several shadows fill the following frames' shadows only when that many follow.
  EXPECT_TRUE(SequenceDrop::Plan(c, s, Bitmaps({shadow, shadow}), 0, 0, plan));
  EXPECT_FALSE(SequenceDrop::Plan(c, s, Bitmaps({shadow, shadow}), 1, 0, plan));
  // A bitmap of another collection is refused.
  Collection elsewhere;
  CollectionBitmap* foreign =
      elsewhere.AddOrReplaceBitmap("x", 0, collection_test::Opaque({2}), 1, 1, 2, nullptr);
  EXPECT_FALSE(SequenceDrop::Plan(c, s, Bitmaps({foreign}), 0, 1, plan));
}

TEST_F(SequenceEditsTest, CellsDraggedKeepTheirShapeAndRecords) {
  Sequence& s = Make(3, 2);
  SequenceDrop::Payload cells;
  cells.shaped = true;
  SequenceDrop::Item first = Cell(bitmaps[0], 0, 1);
  first.view.flags = cl::kViewMirrorY;
  first.view.registration_x = 7;
  first.view.key_y = 5;
  SequenceDrop::Item below = Cell(bitmaps[1], 1, 2);
  cells.items = {first, below};
  std::vector<SequenceDrop::Placement> plan;
  ASSERT_TRUE(SequenceDrop::Plan(c, s, cells, 1, 1, plan));
  SequenceDrop::Apply(c, s, cells, plan);
  EXPECT_EQ(s.frames[1].views[0].bitmap, bitmaps[0]);
  EXPECT_EQ(s.frames[1].views[0].bitmap_index, 0);
  EXPECT_EQ(s.frames[1].views[0].flags, cl::kViewMirrorY);
  EXPECT_EQ(s.frames[1].views[0].registration_x, 7);
  EXPECT_EQ(s.frames[1].views[0].key_y, 5);
  EXPECT_EQ(s.frames[2].views[1].bitmap, bitmaps[1]);
  // One column further right the second cell would fall off the grid.
  EXPECT_FALSE(SequenceDrop::Plan(c, s, cells, 1, 2, plan));
}

class SequenceTransferTest : public SequenceEditsTest {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarv-seq-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

TEST_F(SequenceTransferTest, ExportWritesEveryFilledViewCellByFrameAndView) {
  Sequence& s = Make(2, 1);
  s.frames[0].views[0].bitmap = bitmaps[0];
  BitmapExport::FolderResult result;
  std::string message;
  ASSERT_TRUE(SequenceTransfer::ExportFiles(c, s, false, DataFile::kPng, dir, result, message))
      << message;
  ASSERT_EQ(result.written.size(), 1u);
  EXPECT_EQ(result.written[0].filename(), "Frame #00, view #00.png");
  EXPECT_EQ(SequenceTransfer::PlateName(s, true), "walk alpha plate");
}

TEST_F(SequenceTransferTest, ImportsAssignInTheirOrderOrChangeNothing) {
  Sequence& s = Make(2, 2);
  BitmapExport::FolderResult result;
  std::string message;
  // Four distinct files: the sequence with a different bitmap in each cell.
  s.frames[0].views = {s.NewView(), s.NewView()};
  s.frames[0].views[0].bitmap = bitmaps[0];
  s.frames[0].views[1].bitmap = bitmaps[1];
  s.frames[1].views[0].bitmap = bitmaps[2];
  s.frames[1].views[1].bitmap = bitmaps[0];
  ASSERT_TRUE(SequenceTransfer::ExportFiles(c, s, false, DataFile::kPng, dir, result, message));
  ASSERT_EQ(result.written.size(), 4u);
  const std::vector<std::filesystem::path> files = result.written;

  // One file short: refused, nothing added.
  const std::vector<uint8_t> before = collection_test::Save(c);
  EXPECT_FALSE(SequenceTransfer::ImportFiles(c, s, {files.data(), 3},
                                             SequenceTransfer::kFramesThenViews, nullptr, message));
  EXPECT_EQ(message, "3 bitmaps were seleced, expected 4");
  // A file that is no image spoils the lot.
  std::vector<std::filesystem::path> spoiled = files;
  spoiled[3] = dir / "not an image.png";
  {
    std::FILE* f = std::fopen(spoiled[3].c_str(), "w");
    std::fputs("x", f);
    std::fclose(f);
  }
  EXPECT_FALSE(SequenceTransfer::ImportFiles(c, s, spoiled, SequenceTransfer::kViewsThenFrames,
                                             nullptr, message));
  EXPECT_EQ(collection_test::Save(c), before);

  // Frames then views: file 1 is frame 0's second view; views then frames: frame 1's first.
  ASSERT_TRUE(SequenceTransfer::ImportFiles(c, s, files, SequenceTransfer::kViewsThenFrames,
                                            nullptr, message))
      << message;
  EXPECT_EQ(s.frames[1].views[0].bitmap->Name(), "Frame #00, view #01");
  EXPECT_EQ(s.frames[0].views[1].bitmap->Name(), "Frame #01, view #00");

  // Alpha imports need every view cell filled.
  s.frames[1].views[1].bitmap = nullptr;
  EXPECT_FALSE(
      SequenceTransfer::ImportAlphaFiles(c, s, files, SequenceTransfer::kFramesThenViews, message));
  EXPECT_EQ(message, SequenceTransfer::kAllAssigned);
}

}  // namespace
