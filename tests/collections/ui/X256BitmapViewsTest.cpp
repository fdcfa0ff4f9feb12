#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"
#include "collections/ui/BitmapDDData.h"
#include "collections/ui/BitmapGrid.h"
#include "collections/ui/BitmapGridDDData.h"
#include "collections/ui/BitmapWindow.h"
#include "collections/ui/X256BitmapBrowser.h"
#include "collections/ui/X256Edit.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"
#include "tags/ui/ArchiveBrowserList.h"

namespace {

constexpr uint32_t kColl = tagcode::Make(".256");
constexpr uint32_t kTree = tagcode::Make("tree");

// A bitmap of `width` x `height`, transparent except for the rectangle x0..x1, y0..y1
// (exclusive ends) in colour 2.
std::vector<uint8_t> Framed(int width, int height, int x0, int y0, int x1, int y1) {
  std::vector<uint8_t> out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
      out.push_back(in ? 255 : 0);
      out.push_back(in ? 2 : 0);
    }
  }
  return out;
}

// The two views of a bitmap page and the bitmap windows opened from it, in the real editor.
class X256BitmapViewsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kColl, &X256Edit::Make);
  }
  // "a" 2 x 2, "b" 2 x 1, and "c" 120 x 100 RLE whose opaque part is 100 x 80.
  X256Edit* OpenEditor() {
    Collection c;
    for (size_t i = 0; i < 768; ++i) c.palette[i] = static_cast<uint8_t>(i / 3);
    c.palette[0] = 1;  // not the grey ramp
    c.AddOrReplaceBitmap("a", 0, Framed(2, 2, 0, 0, 2, 2), 2, 2, 2, nullptr);
    c.AddOrReplaceBitmap("b", 0, Framed(2, 1, 0, 0, 2, 1), 2, 1, 2, nullptr);
    c.AddOrReplaceBitmap("c", 0x0004, Framed(120, 100, 10, 10, 110, 90), 120, 100, 2, nullptr);
    ByteWriter out;
    TagHeader header = TagHeader::Fresh();
    std::string error;
    EXPECT_TRUE(c.Save(out, header, error)) << error;
    Loose("collections", {kColl, kTree, "tree", out.Take(), header.version});
    auto* editor = static_cast<X256Edit*>(TagEdit::OpenEditor(Open().Find(kColl, kTree)));
    Pump(2);
    return editor;
  }
  static Point RowPoint(ArchiveBrowserList* table, int row, int dy = 0) {
    const Rect r = table->CellRect(table->ItemAtRow(row), -1);
    return {r.left + 20, r.top + 1 + dy};
  }
  static std::vector<std::string> Names(const std::vector<CollectionBitmap*>& bitmaps) {
    std::vector<std::string> out;
    for (const CollectionBitmap* b : bitmaps) out.push_back(b->Name());
    return out;
  }
};

TEST_F(X256BitmapViewsTest, DraggingFromTheTableCarriesTheBitmapsLikeTheGrid) {
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  page->Toggle();
  ArchiveBrowserList* table = page->Table();
  ASSERT_EQ(table->ItemCount(), 3);

  // One row: the bitmap itself, named; dropped in front of the first row it moves there.
  const Point from = RowPoint(table, 1, 3);
  Move(from.x, from.y);
  Press(from.x, from.y);
  Move(from.x + 8, from.y);
  Pump(2);
  Window::DragDropData* data = wm->DragData();
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data->type_id, BitmapDDData::kTypeId);
  const auto* one = static_cast<BitmapDDData*>(data);
  EXPECT_EQ(one->bitmap, page->PageBitmaps()[1]);
  EXPECT_EQ(one->source, page);
  EXPECT_EQ(one->label, "b");
  const Point to = RowPoint(table, 0);
  Move(to.x, to.y);
  Release(to.x, to.y);
  Pump(4);
  EXPECT_EQ(wm->DragData(), nullptr);
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_TRUE(editor->dirty());

  // The selection: all of it, in page order, under one label; dropped past the last row the
  // two go to the end.
  table->Select(table->ItemAtRow(0), false);
  table->Select(table->ItemAtRow(2), true);
  const Point last = RowPoint(table, 2, 3);
  Move(last.x, last.y);
  Press(last.x, last.y);
  Move(last.x + 8, last.y);
  Pump(2);
  data = wm->DragData();
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data->type_id, BitmapGridDDData::kTypeId);
  const auto* several = static_cast<BitmapGridDDData*>(data);
  EXPECT_EQ(Names(several->bitmaps), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(several->label, "<2 Bitmaps>");
  EXPECT_EQ(several->source, page);
  const Point end = RowPoint(table, 2, table->CellRect(table->ItemAtRow(2), -1).Height() - 2);
  Move(end.x, end.y);
  Release(end.x, end.y);
  Pump(4);
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(X256BitmapViewsTest, ABitmapWindowFollowsItsBitmapsSizeThroughUndoAndRedo) {
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  CollectionBitmap* c = page->PageBitmaps()[2];
  page->Grid()->Select(2, false);
  Answer("Crop", 0);
  Answer("", 0);
  page->RunCommand(X256BitmapBrowser::kCrop);
  RunSteps();
  ASSERT_EQ(c->width, 100);
  ASSERT_EQ(c->height, 80);

  page->OpenBitmaps({c});
  BitmapWindow* window = page->WindowOf(c);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->ClientRect().Width(), 100);
  EXPECT_EQ(window->ClientRect().Height(), 80);

  CtrlKey('Z');
  Pump(2);
  ASSERT_EQ(page->WindowOf(c), window);
  EXPECT_EQ(c->width, 120);
  EXPECT_EQ(window->ClientRect().Width(), 120);
  EXPECT_EQ(window->ClientRect().Height(), 100);
  CtrlKey('Y');
  Pump(2);
  EXPECT_EQ(window->ClientRect().Width(), 100);
  EXPECT_EQ(window->ClientRect().Height(), 80);

  // A refresh that leaves the size alone keeps the size the user gave the window.
  window->SetClientSize({300, 250});
  page->Refresh();
  EXPECT_EQ(window->ClientRect().Width(), 300);
  EXPECT_EQ(window->ClientRect().Height(), 250);

  // A small bitmap's window keeps the minimum side.
  page->OpenBitmaps({page->PageBitmaps()[0]});
  const BitmapWindow* small = page->WindowOf(page->PageBitmaps()[0]);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->ClientRect().Width(), BitmapWindow::kMinimumSide);
}

}  // namespace
