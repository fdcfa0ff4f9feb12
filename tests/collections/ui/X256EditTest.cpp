#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"
#include "collections/ui/BitmapGrid.h"
#include "collections/ui/BitmapWindow.h"
#include "collections/ui/X256BitmapBrowser.h"
#include "collections/ui/X256Edit.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "gui/TabWindow.h"
#include "gui/TextBox.h"
#include "gui/TextPopup.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"
#include "tags/ui/ArchiveBrowserList.h"

namespace {

constexpr uint32_t kColl = tagcode::Make(".256");
constexpr uint32_t kTree = tagcode::Make("tree");

// Alpha/index pairs: every index opaque except 0.
std::vector<uint8_t> Pixels(const std::vector<uint8_t>& indices) {
  std::vector<uint8_t> out;
  for (uint8_t i : indices) {
    out.push_back(i ? 255 : 0);
    out.push_back(i);
  }
  return out;
}

class X256EditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kColl, &X256Edit::Make);
  }

  // Two bitmaps ("a" 2 x 2 RAW, "b" 2 x 1 RLE) and a shadow "s", written as a loose tag.
  void WriteCollection(uint32_t usage = 0x0006) {
    Collection c;
    c.usage = usage;
    for (int i = 0; i < 256; ++i) {
      c.palette[static_cast<size_t>(i) * 3] = static_cast<uint8_t>(i);
      c.palette[static_cast<size_t>(i) * 3 + 1] = static_cast<uint8_t>(255 - i);
      c.palette[static_cast<size_t>(i) * 3 + 2] = 7;
    }
    c.AddOrReplaceBitmap("a", 0, Pixels({2, 3, 4, 5}), 2, 2, 2, nullptr);
    c.AddOrReplaceBitmap("b", 0x0004, Pixels({0, 9}), 2, 1, 2, nullptr);
    c.AddOrReplaceBitmap("s", 0x0080, Pixels({40, 0}), 2, 1, 2, nullptr);
    ByteWriter out;
    TagHeader header = TagHeader::Fresh();
    std::string error;
    ASSERT_TRUE(c.Save(out, header, error)) << error;
    const std::vector<uint8_t> data = out.Take();
    original_ = data;
    const tagfiles::TagRecipe recipe{kColl, kTree, "tree", data, header.version};
    // The header's user data word carries the usage flags as well.
    tagfiles::Bytes file = tagfiles::LooseBytes(recipe);
    for (int i = 0; i < 4; ++i)
      file[52 + static_cast<size_t>(i)] = static_cast<uint8_t>(usage >> (24 - 8 * i));
    tagfiles::Spit(root_ / "local" / "collections" / "tree", file);
  }

  X256Edit* OpenEditor() {
    Codex& codex = Open();
    auto* editor = static_cast<X256Edit*>(TagEdit::OpenEditor(codex.Find(kColl, kTree)));
    Pump(2);
    return editor;
  }

  static std::vector<std::string> Names(const std::vector<CollectionBitmap*>& bitmaps) {
    std::vector<std::string> out;
    for (const CollectionBitmap* b : bitmaps) out.push_back(b->Name());
    return out;
  }
  static const MenuItem* Item(const MenuItem* menu, const std::string& label) {
    for (const MenuItem* item : menu->Items())
      if (item->GetTitle() && label == item->GetTitle()) return item;
    return nullptr;
  }
  static std::vector<std::string> Labels(const MenuItem* menu) {
    std::vector<std::string> out;
    for (const MenuItem* item : menu->Items())
      if (!item->IsSeparator()) out.push_back(item->GetTitle() ? item->GetTitle() : "");
    return out;
  }

  std::vector<uint8_t> original_;
};

TEST_F(X256EditTest, OpensOnTheBitmapsGridFocusedWithBothPagesFilled) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_STREQ(editor->GetClassName(), "X256Edit");
  EXPECT_EQ(editor->ClientRect().Width(), 575);
  EXPECT_EQ(editor->ClientRect().Height(), 360);
  EXPECT_STREQ(editor->Tabs()->GetTitle(), "Tabs");
  EXPECT_EQ(editor->Tabs()->CurrentTab(), 0);
  EXPECT_STREQ(editor->Tabs()->CurrentPage()->GetTitle(), "Bitmaps");

  X256BitmapBrowser* bitmaps = editor->BitmapsPage();
  EXPECT_TRUE(bitmaps->IsGridShown());
  EXPECT_TRUE(bitmaps->Grid()->IsMultiSelect());
  EXPECT_EQ(wm->Focus(), bitmaps->Grid());
  EXPECT_EQ(Names(bitmaps->PageBitmaps()), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(bitmaps->HeaderText(), "  2 Bitmaps:");
  EXPECT_STREQ(editor->ShadowsPage()->GetTitle(), "Shadows");
  EXPECT_EQ(Names(editor->ShadowsPage()->PageBitmaps()), (std::vector<std::string>{"s"}));
  EXPECT_EQ(editor->ShadowsPage()->HeaderText(), "  1 Shadow:");
  EXPECT_FALSE(editor->dirty());

  // The table view describes each bitmap.
  bitmaps->Toggle();
  ArchiveBrowserList* table = bitmaps->Table();
  ASSERT_EQ(table->ItemCount(), 2);
  EXPECT_EQ(table->CellText(*table->ItemAtRow(0), 1), "8 bit");
  EXPECT_EQ(table->CellText(*table->ItemAtRow(0), 2), "RAW");
  EXPECT_EQ(table->CellText(*table->ItemAtRow(0), 3), "   2 x 2");
  EXPECT_EQ(table->CellText(*table->ItemAtRow(1), 2), "RLE");
}

TEST_F(X256EditTest, AColourMapIsRefusedWithOneBoxAndNoEditor) {
  WriteCollection(0x0106);
  Answer("Unsupported", 0);
  Codex& codex = Open();
  EXPECT_EQ(TagEdit::OpenEditor(codex.Find(kColl, kTree)), nullptr);
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{X256Edit::kColorMapMessage});
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
}

TEST_F(X256EditTest, TheContextMenuEnablesWhatTheSelectionAllows) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();

  Menu* none = page->MakeContextMenu();
  EXPECT_FALSE(Item(none, "Rename")->IsEnabled());
  EXPECT_FALSE(Item(none, "Selected Bitmaps")->IsEnabled());
  EXPECT_TRUE(Item(none, "All Bitmaps")->IsEnabled());
  EXPECT_TRUE(Item(none, "Add Bitmap(s) from File(s)")->IsEnabled());
  EXPECT_TRUE(Item(none, "Add Bitmap(s) from Plate")->IsEnabled());
  EXPECT_EQ(Labels(Item(none, "All Bitmaps")),
            (std::vector<std::string>{
                "Export", "Export Alpha", "Export Plate", "Export Alpha Plate", "Replace",
                "Replace Alpha", "Replace from Plate", "Replace Alpha from Plate", "Remove Alpha",
                "Format", "Crop Transparency", "Uncrop Transparency", "Delete"}));
  wm->DeleteLater(none);

  page->Grid()->Select(0, false);
  Menu* one = page->MakeContextMenu();
  EXPECT_TRUE(Item(one, "Rename")->IsEnabled());
  ASSERT_NE(Item(one, "Selected Bitmap"), nullptr);
  EXPECT_TRUE(Item(Item(one, "Selected Bitmap"), "Delete")->IsEnabled());
  wm->DeleteLater(one);

  page->Grid()->SelectAll();
  Menu* two = page->MakeContextMenu();
  EXPECT_FALSE(Item(two, "Rename")->IsEnabled());
  EXPECT_TRUE(Item(two, "Selected Bitmaps")->IsEnabled());
  wm->DeleteLater(two);

  // The shadows page has no alpha, plate, format or crop commands.
  Menu* shadows = editor->ShadowsPage()->MakeContextMenu();
  EXPECT_EQ(Labels(Item(shadows, "All Shadows")),
            (std::vector<std::string>{"Export", "Replace", "Delete"}));
  EXPECT_NE(Item(shadows, "Add Shadow(s) from File(s)"), nullptr);
  EXPECT_EQ(Item(shadows, "Add Bitmap(s) from Plate"), nullptr);
  EXPECT_NE(Item(shadows, "Selected Shadows"), nullptr);
  wm->DeleteLater(shadows);
}

TEST_F(X256EditTest, AnOpenBitmapWindowRefusesItsDeletionUntilClosed) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  page->Grid()->Select(0, false);
  Tap(Key::Enter);
  Pump(2);
  ASSERT_EQ(page->OpenWindowCount(), 1);
  EXPECT_TRUE(editor->AnyEditorWindowOpen());
  BitmapWindow* window = page->WindowOf(page->PageBitmaps()[0]);
  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(window->GetTitle(), "a");
  // Enter again raises the same window instead of opening a second.
  page->OpenBitmaps({page->PageBitmaps()[0]});
  EXPECT_EQ(page->OpenWindowCount(), 1);

  Window::SetFocus(page->Grid(), 0);
  Answer("Confirm Delete", 0);
  Answer("Error", 0);
  Tap(Key::Delete);
  RunSteps();
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "Are you sure you want to remove the selected bitmap?",
                          "The bitmap \"a\" is currently open. Please close it before deleting."}));
  EXPECT_EQ(page->PageBitmaps().size(), 2u);
  EXPECT_FALSE(editor->dirty());

  Window::Close(window);
  Pump(2);
  EXPECT_EQ(page->OpenWindowCount(), 0);
  EXPECT_FALSE(editor->AnyEditorWindowOpen());
}

TEST_F(X256EditTest, UndoAndRedoFollowTheHistoryAndTheSavedMark) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();

  CtrlKey('A');
  Answer("Confirm Delete", 0);
  Tap(Key::Delete);
  RunSteps();
  EXPECT_EQ(messages.back(), "Are you sure you want to remove the selected bitmaps?");
  EXPECT_TRUE(page->PageBitmaps().empty());
  EXPECT_EQ(page->HeaderText(), "  0 Bitmaps:");
  EXPECT_TRUE(editor->dirty());
  EXPECT_STREQ(editor->GetTitle(), "tree*");
  EXPECT_EQ(editor->EditedCollection().bitmaps.size(), 1u);

  CtrlKey('Z');
  Pump(2);
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(editor->dirty());
  EXPECT_STREQ(editor->GetTitle(), "tree");

  CtrlKey('Y');
  Pump(2);
  EXPECT_TRUE(page->PageBitmaps().empty());
  EXPECT_TRUE(editor->dirty());

  // Saved without the bitmaps: that is now the clean state, and undoing leaves it.
  CtrlKey('S');
  Pump(2);
  EXPECT_FALSE(editor->dirty());
  CtrlKey('Z');
  Pump(2);
  EXPECT_TRUE(editor->dirty());
  EXPECT_EQ(page->PageBitmaps().size(), 2u);
  // Saving after the undo writes what the file held before the deletion.
  CtrlKey('S');
  Pump(2);
  const tagfiles::Bytes file = tagfiles::Slurp(root_ / "local" / "collections" / "tree");
  ASSERT_GE(file.size(), 64u);
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 64, file.end()), original_);
}

TEST_F(X256EditTest, CtrlTShowsAlternatesWithoutAnEdit) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  const uint32_t steps = editor->History().Count();
  CtrlKey('T');
  Pump(2);
  EXPECT_TRUE(editor->ShowingAlternates());
  EXPECT_FALSE(editor->dirty());
  EXPECT_EQ(editor->History().Count(), steps);
  CtrlKey('T');
  Pump(2);
  EXPECT_FALSE(editor->ShowingAlternates());
  // Nothing to undo either.
  CtrlKey('Z');
  Pump(2);
  EXPECT_EQ(editor->BitmapsPage()->PageBitmaps().size(), 2u);
  EXPECT_FALSE(editor->dirty());
}

TEST_F(X256EditTest, ConvertingMarksModifiedOnlyWhenSomeBitmapChanged) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  page->Grid()->Select(1, false);  // "b" is RLE already
  page->RunCommand(X256BitmapBrowser::kConvertToRle);
  Pump(2);
  EXPECT_FALSE(editor->dirty());
  EXPECT_EQ(editor->History().Count(), 1u);

  page->RunCommand(X256BitmapBrowser::kConvertToRle + X256BitmapBrowser::kAllOffset);
  Pump(2);
  EXPECT_TRUE(editor->dirty());
  EXPECT_TRUE(page->PageBitmaps()[0]->IsRle());
  editor->Undo();
  EXPECT_FALSE(page->PageBitmaps()[0]->IsRle());
  EXPECT_TRUE(page->PageBitmaps()[1]->IsRle());
  EXPECT_FALSE(editor->dirty());
}

TEST_F(X256EditTest, RenamingInTheTableAsksForTheNameAndUndoes) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  page->Toggle();
  page->Table()->Select(page->Table()->ItemAtRow(1), false);
  AnswerPrompt("Enter Bitmap Name", "bark");
  page->RunCommand(X256BitmapBrowser::kRename);
  RunSteps();
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "bark"}));
  EXPECT_EQ(page->Table()->ItemAtRow(1)->text, "bark");
  CtrlKey('Z');
  Pump(2);
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b"}));
}

TEST_F(X256EditTest, MovingBitmapsKeepsThemTogetherInFrontOfTheTarget) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  CollectionBitmap* b = page->PageBitmaps()[1];
  page->MoveBitmaps({b}, 0);
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(editor->dirty());
  page->MoveBitmaps({b}, 2);  // past the end
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b"}));
  // The shadow, on the other page, stays where it was in the collection.
  EXPECT_EQ(editor->EditedCollection().bitmaps.back()->Name(), "s");
}

TEST_F(X256EditTest, UncropRefusesSizesOutsideTheRange) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  AnswerPrompt("Enter Uncropped Size (pixels)", "4097");
  Answer("Error", 0);
  page->RunCommand(X256BitmapBrowser::kUncrop + X256BitmapBrowser::kAllOffset);
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"Invalid size for uncropping."});
  EXPECT_FALSE(editor->dirty());
}

TEST_F(X256EditTest, RenamingInTheGridEditsTheLabelInPlace) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  page->Grid()->Select(0, false);
  platform.Then([](FakePlatform& p) { return dynamic_cast<TextPopup*>(p.wm->TopModalWindow()); });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Backspace);  // the old name is selected
    for (char c : std::string("leaf")) Char(c);
    Tap(Key::Enter);
    return true;
  });
  page->RunCommand(X256BitmapBrowser::kRename);
  RunSteps();
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"leaf", "b"}));
  EXPECT_EQ(page->Grid()->Cell(0)->label, "leaf");
  EXPECT_TRUE(editor->dirty());
}

TEST_F(X256EditTest, DraggingAThumbnailOntoAnotherMovesItThere) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  const Rect from = page->Grid()->CellRect(1);
  const Rect to = page->Grid()->CellRect(0);
  const int32_t y = from.top + 20;
  Move(from.left + 20, y);
  Press(from.left + 20, y);
  Move(from.left + 30, y);
  Move(to.left + 40, y);
  Move(to.left + 5, y);  // the left half of the first cell: in front of it
  Release(to.left + 5, y);
  Pump(4);
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(editor->dirty());
  CtrlKey('Z');
  Pump(2);
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b"}));
}

TEST_F(X256EditTest, NewCollectionAsksANameAndOpensAnEmptyUnsavedEditor) {
  Open();
  AnswerPrompt("Enter Name for Collection", "fresh");
  TagEdit::NewTagDialog(kColl, "");
  RunSteps();
  X256Edit* editor = nullptr;
  for (Window* w = wm->Layer0()->FirstChild(); w; w = w->NextSibling())
    if (auto* e = dynamic_cast<X256Edit*>(w)) editor = e;
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->dirty());
  EXPECT_TRUE(editor->EditedCollection().bitmaps.empty());
  EXPECT_EQ(editor->BitmapsPage()->HeaderText(), "  0 Bitmaps:");
  // Nothing is on disk yet, so no step of the history is the saved one.
  CtrlKey('T');
  Pump(2);
  EXPECT_TRUE(editor->dirty());
  CtrlKey('S');
  Pump(2);
  EXPECT_FALSE(editor->dirty());
  EXPECT_TRUE(std::filesystem::exists(root_ / "local" / "collections" / "fresh"));
}

TEST_F(X256EditTest, DeletingFromTheAllMenuSaysAllOrTheOnly) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  Answer("Confirm Delete", 1);  // Cancel
  Answer("Confirm Delete", 0);
  editor->BitmapsPage()->RunCommand(X256BitmapBrowser::kDelete + X256BitmapBrowser::kAllOffset);
  editor->ShadowsPage()->RunCommand(X256BitmapBrowser::kDelete + X256BitmapBrowser::kAllOffset);
  RunSteps();
  EXPECT_EQ(messages,
            (std::vector<std::string>{"Are you sure you want to remove all bitmaps?",
                                      "Are you sure you want to remove the only shadow?"}));
  // The cancelled one left the bitmaps; the confirmed one took the shadow, in one step.
  EXPECT_EQ(editor->BitmapsPage()->PageBitmaps().size(), 2u);
  EXPECT_TRUE(editor->ShadowsPage()->PageBitmaps().empty());
  EXPECT_EQ(editor->History().Count(), 2u);
}

TEST_F(X256EditTest, CroppingRefusesABitmapThatIsOpen) {
  WriteCollection();
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  page->OpenBitmaps({page->PageBitmaps()[1]});
  Answer("Crop", 0);
  Answer("Error", 0);
  page->RunCommand(X256BitmapBrowser::kCrop + X256BitmapBrowser::kAllOffset);
  RunSteps();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "Are you sure you want to crop all bitmaps?");
  EXPECT_EQ(messages[1], "The bitmap \"b\" is currently open. Please close it before cropping.");
  EXPECT_EQ(page->PageBitmaps()[1]->width, 2);
  EXPECT_FALSE(editor->dirty());
}

}  // namespace
