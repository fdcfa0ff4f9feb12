#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "collections/SequenceEdits.h"
#include "collections/ui/BitmapDDData.h"
#include "collections/ui/BitmapGrid.h"
#include "collections/ui/X256Edit.h"
#include "collections/ui/X256SequenceBrowser.h"
#include "collections/ui/X256SequenceEdit.h"
#include "collections/ui/X256SequenceFrameEdit.h"
#include "collections/ui/X256SequenceFrameView.h"
#include "gui/CheckBox.h"
#include "gui/TabWindow.h"
#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"

namespace cl = collection_layout;

namespace {

constexpr uint32_t kColl = tagcode::Make(".256");
constexpr uint32_t kTree = tagcode::Make("tree");

std::vector<uint8_t> Pixels(const std::vector<uint8_t>& indices) {
  std::vector<uint8_t> out;
  for (uint8_t i : indices) {
    out.push_back(i ? 255 : 0);
    out.push_back(i);
  }
  return out;
}

// The collection editor on a loose collection with sprites "a" and "b", a shadow "s", and the
// sequence "walk" of 2 frames × 2 views, with an odd transfer mode and sound id that the
// controls cannot show.
class X256SequenceEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kColl, &X256Edit::Make);
    Collection c;
    for (int i = 0; i < 256; ++i) c.palette[static_cast<size_t>(i) * 3] = static_cast<uint8_t>(i);
    CollectionBitmap* a = c.AddOrReplaceBitmap("a", 0, Pixels({2, 3, 4, 5}), 2, 2, 2, nullptr);
    c.AddOrReplaceBitmap("b", 0, Pixels({6, 7}), 2, 1, 2, nullptr);
    CollectionBitmap* s =
        c.AddOrReplaceBitmap("s", cl::kBitmapShadow, Pixels({40}), 1, 1, 2, nullptr);
    Sequence* walk = c.AddSequence("walk");
    walk->view_count = 2;
    walk->transfer_mode = 3;
    walk->key_sound = 0x01020304;
    walk->frames.assign(2, walk->NewFrame());
    walk->frames[0].views[0].bitmap = a;
    walk->frames[0].record.shadow = s;
    c.RenumberBitmapReferences();
    ByteWriter out;
    TagHeader header = TagHeader::Fresh();
    std::string error;
    ASSERT_TRUE(c.Save(out, header, error)) << error;
    original_ = out.Take();
    tagfiles::Bytes file = tagfiles::LooseBytes({kColl, kTree, "tree", original_, header.version});
    // The header's user data word carries the usage flags as well.
    for (size_t i = 0; i < 4; ++i) file[52 + i] = static_cast<uint8_t>(c.usage >> (24 - 8 * i));
    tagfiles::Spit(root_ / "local" / "collections" / "tree", file);
    Codex& codex = Open();
    editor_ = static_cast<X256Edit*>(TagEdit::OpenEditor(codex.Find(kColl, kTree)));
    ASSERT_NE(editor_, nullptr);
    Pump(2);
  }

  // Enter on the Sequences page, its first row current.
  X256SequenceEdit* OpenByKeys() {
    editor_->Tabs()->Select(2);
    X256SequenceBrowser* page = editor_->SequencesPage();
    page->SelectRecord(editor_->EditedCollection().SequenceAt(0));
    Window::SetFocus(page, 0);
    Tap(Key::Enter);
    Pump(2);
    return dynamic_cast<X256SequenceEdit*>(page->EditorOf(Walk()));
  }
  Sequence* Walk() { return editor_->EditedCollection().SequenceAt(0); }
  std::vector<uint8_t> Saved() {
    const tagfiles::Bytes file = tagfiles::Slurp(root_ / "local" / "collections" / "tree");
    return file.size() < 64 ? std::vector<uint8_t>{}
                            : std::vector<uint8_t>(file.begin() + 64, file.end());
  }
  uint32_t Steps() const { return editor_->History().Count(); }

  X256Edit* editor_ = nullptr;
  std::vector<uint8_t> original_;
};

TEST_F(X256SequenceEditTest, EnterOpensTheEditorAndThenTheFrameEditorOnTheCell) {
  X256SequenceEdit* sequence = OpenByKeys();
  ASSERT_NE(sequence, nullptr);
  EXPECT_STREQ(sequence->GetClassName(), "X256SequenceEdit");
  EXPECT_EQ(sequence->ClientRect().Width(), 800);
  EXPECT_EQ(sequence->ClientRect().Height(), 600);
  EXPECT_STREQ(sequence->Grid()->GetTitle(), "Views");
  EXPECT_EQ(wm->Focus(), sequence->Grid());
  EXPECT_EQ(sequence->Grid()->CurrentCell(), sequence->CellIndex(0, 1));
  EXPECT_EQ(sequence->CellLabel(sequence->CellIndex(1, 1)), X256SequenceEdit::kNoBitmap);
  // Opening changed nothing, the mode and sound the boxes cannot show included.
  EXPECT_FALSE(editor_->dirty());

  Tap(Key::Enter);
  Pump(2);
  ASSERT_EQ(sequence->FrameEditors().size(), 1u);
  X256SequenceFrameEdit* frame = sequence->FrameEditors().front();
  EXPECT_EQ(frame->Frame(), 0);
  EXPECT_EQ(frame->View(), 0);
  EXPECT_EQ(frame->Zoom(), 100);
  EXPECT_EQ(frame->Mode(), SequenceEdits::kMoveBitmap);
  EXPECT_TRUE(frame->Showing(X256SequenceFrameEdit::kShowBitmap));
  EXPECT_EQ(wm->Focus(), frame->ViewWindow());
  // The optimisation page's lock counts both windows.
  EXPECT_EQ(editor_->SequencesPage()->EditorCount(), 2);

  // Closing the sequence editor takes its frame editor along; nothing was changed.
  Window::Close(sequence);
  Pump(3);
  EXPECT_FALSE(editor_->AnyEditorWindowOpen());
  EXPECT_FALSE(editor_->dirty());
}

TEST_F(X256SequenceEditTest, ArrowPressesAreOneStepThatCtrlZInTheFrameEditorUndoes) {
  X256SequenceEdit* sequence = OpenByKeys();
  ASSERT_NE(sequence, nullptr);
  Tap(Key::Enter);
  Pump(2);
  const uint16_t x = Walk()->frames[0].views[0].registration_x;
  const uint32_t steps = Steps();
  Tap(Key::Right);
  Tap(Key::Right);
  Tap(Key::Right);
  CtrlKey('S');
  Pump(3);
  EXPECT_EQ(Walk()->frames[0].views[0].registration_x, static_cast<uint16_t>(x - 3));
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_NE(Saved(), original_);
  CtrlKey('Z');
  CtrlKey('S');
  Pump(3);
  EXPECT_EQ(Saved(), original_);
}

TEST_F(X256SequenceEditTest, EveryEditIsOneStepAndUndoingThemAllRestoresTheBytes) {
  X256SequenceEdit* sequence = OpenByKeys();
  ASSERT_NE(sequence, nullptr);
  Collection& c = editor_->EditedCollection();
  uint32_t steps = Steps();
  const auto one_step = [&](const char* what) {
    EXPECT_EQ(Steps(), steps + 1) << what;
    steps = Steps();
  };
  sequence->EnterNumber(X256SequenceEdit::kFrames, 0);
  EXPECT_EQ(Walk()->frames.size(), 1u);
  EXPECT_EQ(sequence->NumberBox(X256SequenceEdit::kFrames)->GetText(), "1");
  one_step("frames");
  sequence->EnterNumber(X256SequenceEdit::kViews, 8);
  one_step("views");
  sequence->EnterNumber(X256SequenceEdit::kTicks, 99999);
  EXPECT_EQ(Walk()->ticks_per_frame, 65535);
  one_step("ticks");
  sequence->EnterSound(X256SequenceEdit::kKeySound, "ab");
  EXPECT_EQ(Walk()->key_sound, 0x61622020u);
  one_step("key sound");
  sequence->EnterSound(X256SequenceEdit::kFirstSound, "");
  EXPECT_EQ(Steps(), steps) << "an empty box over no sound changes nothing";
  sequence->SetTransferMode(6);
  one_step("mode");
  sequence->SetFlag(X256SequenceEdit::kMirroringId, true);
  EXPECT_EQ(sequence->Columns(), 1 + 5);
  one_step("mirroring");
  sequence->FocusCell(0, 2);
  sequence->SetFlag(X256SequenceEdit::kHorzMirrorId, true);
  one_step("mirror flag");
  BitmapDDData drag;
  drag.bitmap = c.BitmapAt(1);
  EXPECT_FALSE(sequence->Drop(sequence->CellIndex(0, 0), &drag, true)) << "no sprite on a shadow";
  EXPECT_TRUE(sequence->Drop(sequence->CellIndex(0, 3), &drag, false));
  EXPECT_EQ(Walk()->frames[0].views[2].bitmap, c.BitmapAt(1));
  one_step("drop");
  X256SequenceFrameEdit* frame = sequence->OpenFrameEditor(0, 1);
  ASSERT_NE(frame, nullptr);
  frame->SetMode(SequenceEdits::kMoveKeyPoint);
  frame->ViewWindow()->MoveBy(2, 1, true);
  frame->ViewWindow()->MoveBy(1, 1, true);
  frame->ViewWindow()->EndRun();
  EXPECT_EQ(Walk()->frames[0].views[0].key_x, 3);
  one_step("key point");

  // A sequence being edited cannot be deleted.
  Answer("Confirm Delete", 0);
  Answer("Error", 0);
  editor_->SequencesPage()->DeleteSelection();
  RunSteps();
  EXPECT_EQ(c.sequences.size(), 1u);

  for (int i = 0; i < 9; ++i) ASSERT_TRUE(editor_->Undo());
  EXPECT_EQ(sequence->Columns(), 3);
  CtrlKey('S');
  Pump(3);
  EXPECT_EQ(Saved(), original_);
}

}  // namespace
