#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/ui/BitmapWindow.h"
#include "collections/ui/ColorBar.h"
#include "collections/ui/X256BitmapBrowser.h"
#include "collections/ui/X256Edit.h"
#include "collections/ui/X256FlagsEdit.h"
#include "collections/ui/X256HueBrowser.h"
#include "collections/ui/X256HueEdit.h"
#include "collections/ui/X256OptimizeEdit.h"
#include "collections/ui/X256SequenceBrowser.h"
#include "gui/CheckBox.h"
#include "gui/TabWindow.h"
#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"

namespace {

constexpr uint32_t kColl = tagcode::Make(".256");
constexpr uint32_t kWalk = tagcode::Make("walk");

// The pages inside the real editor: its tabs, its undo history and the refreshes between them.
class X256EditPagesTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kColl, &X256Edit::Make);
  }
  // One bitmap, one sequence showing it and one hue change.
  X256Edit* OpenCollection() {
    Collection c;
    c.usage = 0x0004;  // projectiles
    const std::vector<uint8_t> pixels(2 * 2 * 2, 0xFF);
    CollectionBitmap* bitmap = c.AddOrReplaceBitmap("a", 0, pixels, 2, 2, 2, nullptr);
    Sequence* walk = c.AddSequence("walk");
    walk->frames[0].views[0].bitmap = bitmap;
    walk->frames[0].views[0].bitmap_index = 0;
    c.AddHueChange("Reds");
    ByteWriter out;
    TagHeader header = TagHeader::Fresh();
    std::string error;
    EXPECT_TRUE(c.Save(out, header, error)) << error;
    Loose("collections", {kColl, kWalk, "walk", out.Take(), header.version});
    auto* editor = static_cast<X256Edit*>(TagEdit::OpenEditor(Open().Find(kColl, kWalk)));
    Pump(2);
    return editor;
  }
  template <typename Page>
  static Page* PageOf(X256Edit* editor, int32_t tab) {
    return dynamic_cast<Page*>(editor->Tabs()->Page(tab));
  }
};

TEST_F(X256EditPagesTest, TheSevenPagesComeInTabOrder) {
  X256Edit* editor = OpenCollection();
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(editor->Tabs()->TabCount(), 7);
  const char* titles[] = {"Bitmaps",     "Shadows", "Sequences", "Hue Changes",
                          "Color Table", "Flags",   "Optimize"};
  const char* classes[] = {"X256BitmapBrowser", "X256BitmapBrowser",  "X256SequenceBrowser",
                           "X256HueBrowser",    "X256ColorTableEdit", "X256FlagsEdit",
                           "X256OptimizeEdit"};
  for (int32_t i = 0; i < 7; ++i) {
    EXPECT_STREQ(editor->Tabs()->Page(i)->GetTitle(), titles[i]) << i;
    EXPECT_STREQ(editor->Tabs()->Page(i)->GetClassName(), classes[i]) << i;
  }
  auto* sequences = PageOf<X256SequenceBrowser>(editor, 2);
  ASSERT_EQ(sequences->ItemCount(), 1);
  EXPECT_EQ(sequences->FirstItem()->text, "walk");
  EXPECT_EQ(PageOf<X256HueBrowser>(editor, 3)->FirstItem()->text, "Reds");
}

TEST_F(X256EditPagesTest, AnOpenBitmapWindowLocksTheOptimisationPage) {
  X256Edit* editor = OpenCollection();
  ASSERT_NE(editor, nullptr);
  auto* optimize = PageOf<X256OptimizeEdit>(editor, 6);
  ASSERT_NE(optimize, nullptr);
  EXPECT_FALSE(optimize->IsLocked());
  X256BitmapBrowser* bitmaps = editor->BitmapsPage();
  bitmaps->OpenBitmaps(bitmaps->PageBitmaps());
  Pump(2);
  EXPECT_TRUE(optimize->IsLocked());
  EXPECT_TRUE(optimize->LockLabel()->IsVisible());
  Window::Close(bitmaps->WindowOf(bitmaps->PageBitmaps()[0]));
  Pump(3);
  EXPECT_FALSE(optimize->IsLocked());
}

TEST_F(X256EditPagesTest, AFlagChangeIsUndoneWithCtrlZAndTheBoxFollows) {
  X256Edit* editor = OpenCollection();
  ASSERT_NE(editor, nullptr);
  auto* flags = PageOf<X256FlagsEdit>(editor, 5);
  const uint32_t before = editor->EditedCollection().usage;
  flags->Box(0)->SetState(Button::kOn, false);
  EXPECT_EQ(editor->EditedCollection().usage, before | 0x01);
  EXPECT_TRUE(editor->dirty());
  ASSERT_TRUE(editor->Undo());
  EXPECT_EQ(editor->EditedCollection().usage, before);
  EXPECT_EQ(flags->Box(0)->GetState(), Button::kUp);
  EXPECT_FALSE(editor->dirty());
}

TEST_F(X256EditPagesTest, AColourBarDragIsOneUndoStepAndTheEditorFollowsTheUndo) {
  X256Edit* editor = OpenCollection();
  ASSERT_NE(editor, nullptr);
  auto* hues = PageOf<X256HueBrowser>(editor, 3);
  hues->activated.Emit(reinterpret_cast<intptr_t>(hues->FirstItem()));
  ASSERT_EQ(hues->Editors().size(), 1u);
  X256HueEdit* hue_edit = hues->Editors()[0];
  WM().BringToFront(hue_edit);
  Pump(2);
  ColorBar* bar = hue_edit->Bar();
  const int32_t y = bar->ClientRect().top + 4;
  const int32_t x = bar->MarkerX(ColorBar::kEnd);
  Press(x, y);
  for (int32_t dx = 10; dx <= 200; dx += 10) Move(x + dx, y);
  Release(x + 200, y);
  Pump(30);
  const HueChange* hue = editor->EditedCollection().HueChangeAt(0);
  EXPECT_EQ(hue->end_hue, 65535);
  // The first entry and the drag.
  EXPECT_EQ(editor->History().Count(), 2u);
  ASSERT_TRUE(editor->Undo());
  EXPECT_EQ(hue->end_hue, 0xAAAB);
  EXPECT_EQ(hue_edit->HueLabel(2)->GetText(), "240\xA1");
  EXPECT_FALSE(editor->dirty());
}

TEST_F(X256EditPagesTest, ClosingTheEditorClosesItsHueEditors) {
  X256Edit* editor = OpenCollection();
  ASSERT_NE(editor, nullptr);
  auto* hues = PageOf<X256HueBrowser>(editor, 3);
  hues->activated.Emit(reinterpret_cast<intptr_t>(hues->FirstItem()));
  ASSERT_EQ(hues->Editors().size(), 1u);
  Window::Close(editor);
  Pump(3);
  for (Window* w = wm->Layer0()->FirstChild(); w; w = w->NextSibling()) {
    EXPECT_STRNE(w->GetClassName(), "X256HueEdit");
  }
}

}  // namespace
