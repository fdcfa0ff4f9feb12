#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "collections/BitmapEdits.h"
#include "collections/ColorTableFile.h"
#include "collections/ui/X256ColorTableEdit.h"
#include "collections/ui/X256FlagsEdit.h"
#include "collections/ui/X256OptimizeEdit.h"
#include "gui/CheckBox.h"
#include "gui/ColorChooserDialog.h"
#include "gui/TextBox.h"
#include "tags/ui/TagEdit.h"

namespace {

// ---------------------------------------------------------------------------------------
// Flags

class FlagsPageTest : public PageTest {};

TEST_F(FlagsPageTest, BoxesShowAndRewriteOnlyTheLowSixBits) {
  host.collection.usage = 0x0100 | 0x0040 | 0x04 | 0x01;
  auto* page = new X256FlagsEdit(host, frame);
  EXPECT_EQ(page->Box(0)->GetState(), Button::kOn);
  EXPECT_EQ(page->Box(1)->GetState(), Button::kUp);
  EXPECT_EQ(page->Box(2)->GetState(), Button::kOn);
  EXPECT_STREQ(page->Box(4)->GetTitle(), "Atmospheric Effects");

  page->Box(1)->SetState(Button::kOn, false);
  EXPECT_EQ(host.collection.usage, 0x0100u | 0x0040 | 0x04 | 0x02 | 0x01);
  page->Box(0)->SetState(Button::kUp, false);
  EXPECT_EQ(host.collection.usage, 0x0100u | 0x0040 | 0x04 | 0x02);
  page->Box(5)->SetState(Button::kOn, false);
  EXPECT_EQ(host.collection.usage, 0x0100u | 0x0040 | 0x20 | 0x04 | 0x02);
  EXPECT_EQ(host.Commits(), 3);
  EXPECT_EQ(host.affected[0], X256EditHost::kFlags);
}

// ---------------------------------------------------------------------------------------
// Optimisation

class OptimizePageTest : public PageTest {
 protected:
  // Two bitmaps, the first shown by a sequence, the second by nothing.
  void SetUp() override {
    PageTest::SetUp();
    std::vector<uint8_t> pixels(4 * 4 * 2, 0xFF);
    CollectionBitmap* used =
        host.collection.AddOrReplaceBitmap("used", 0, pixels, 4, 4, 2, nullptr);
    host.collection.AddOrReplaceBitmap("unused", 0, pixels, 4, 4, 2, nullptr);
    Sequence* walk = host.collection.AddSequence("walk");
    walk->frames[0].views[0].bitmap = used;
    walk->frames[0].views[0].bitmap_index = 0;
  }
};

TEST_F(OptimizePageTest, AnOpenEditorWindowLocksEveryOperation) {
  host.editor_open = true;
  auto* page = new X256OptimizeEdit(host, frame);
  EXPECT_TRUE(page->IsLocked());
  EXPECT_TRUE(page->LockLabel()->IsVisible());
  EXPECT_EQ(page->LockLabel()->GetText(),
            "Please close all bitmap, sequence and sequence edit windows before performing "
            "optimizations.");
  for (int32_t i = 0; i < X256OptimizeEdit::kOperationCount; ++i) {
    EXPECT_FALSE(page->OperationButton(i)->IsVisible()) << i;
  }
  // A report box here would run until the pump budget fails the test.
  page->Run(X256OptimizeEdit::kDeleteUnused);
  EXPECT_EQ(host.begun, 0);
  EXPECT_EQ(host.collection.bitmaps.size(), 2u);

  host.editor_open = false;
  page->UpdateLock();
  EXPECT_FALSE(page->IsLocked());
  EXPECT_FALSE(page->LockLabel()->IsVisible());
  EXPECT_TRUE(page->OperationButton(X256OptimizeEdit::kCropAll)->IsVisible());
}

TEST_F(OptimizePageTest, DeleteUnusedReportsInAnUntitledBoxAsOneChange) {
  auto* page = new X256OptimizeEdit(host, frame);
  EXPECT_STREQ(page->OperationButton(0)->GetTitle(), "Delete Unused Bitmaps");
  Answer(0);
  page->OperationButton(X256OptimizeEdit::kDeleteUnused)->SetState(Button::kOn, false);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "");
  EXPECT_EQ(seen[0].message, BitmapEdits::DeleteUnusedReport(1));
  EXPECT_EQ(seen[0].buttons, std::vector<std::string>{"OK"});
  ASSERT_EQ(host.collection.bitmaps.size(), 1u);
  EXPECT_EQ(host.collection.bitmaps[0]->Name(), "used");
  ASSERT_EQ(host.Commits(), 1);
  EXPECT_TRUE(host.affected[0] & X256EditHost::kBitmapList);
}

TEST_F(OptimizePageTest, RenameAndRuntimeSizeHaveTheirOwnTitles) {
  auto* page = new X256OptimizeEdit(host, frame);
  Answer(0);
  page->Run(X256OptimizeEdit::kAutoRename);
  Answer(0);
  page->Run(X256OptimizeEdit::kRuntimeSize);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].title, "Rename operation");
  EXPECT_EQ(seen[1].title, "Information");
  EXPECT_EQ(seen[1].message,
            BitmapEdits::RuntimeSizeReport(BitmapEdits::GetRuntimeSize(host.collection)));
  // Measuring changes nothing.
  EXPECT_EQ(host.begun, 1);
}

// ---------------------------------------------------------------------------------------
// Colour table

class ColorTablePageTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    page = new X256ColorTableEdit(host, frame);
    page->SetFrameRect({0, 0, 575, 330});
  }
  std::filesystem::path TempFile(const char* name) {
    return std::filesystem::temp_directory_path() /
           (std::string("zarv-colortable-") + std::to_string(::getpid()) + name);
  }
  X256ColorTableEdit* page = nullptr;
};

TEST_F(ColorTablePageTest, CellsRunInRowsOf22Pixels) {
  EXPECT_EQ(page->Columns(), 575 / 22);
  const Rect& c = page->ClientRect();
  EXPECT_EQ(page->CellAt({c.left + 3 * 22 + 5, c.top + 22 + 5}), 26 + 3);
  EXPECT_EQ(page->CellAt({c.left + 26 * 22 + 1, c.top + 5}), -1);
  EXPECT_EQ(page->CellAt({c.left + 5, c.top + 10 * 22 + 5}), -1);  // past entry 255
  EXPECT_EQ(page->CellRect(255).top, 9 * 22);
}

TEST_F(ColorTablePageTest, AChosenColourIsStoredAsOneChange) {
  platform.Then([](FakePlatform& p) {
    auto* dialog = dynamic_cast<ColorChooserDialog*>(p.wm->TopModalWindow());
    if (!dialog) return false;
    dialog->Field(0)->SetText("10");
    dialog->Field(1)->SetText("20");
    dialog->Field(2)->SetText("30");
    return true;
  });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Enter);
    return true;
  });
  const Rect r = page->CellRect(5);
  InputEvent dbl{page->ClientRect().left + r.left + 4,
                 page->ClientRect().top + r.top + 4,
                 0,
                 0,
                 0,
                 1,
                 kEventDoubleClick};
  page->OnDoubleClick(dbl);
  EXPECT_EQ(page->CurrentCell(), 5);
  EXPECT_EQ(host.collection.palette[15], 10);
  EXPECT_EQ(host.collection.palette[16], 20);
  EXPECT_EQ(host.collection.palette[17], 30);
  ASSERT_EQ(host.Commits(), 1);
  EXPECT_EQ(host.affected[0], X256EditHost::kPalette);
}

TEST_F(ColorTablePageTest, TheSameColourIsNoChange) {
  const uint8_t same[3] = {0, 0, 0};
  page->SetEntry(7, same);
  EXPECT_EQ(host.begun, 0);
}

TEST_F(ColorTablePageTest, SavedTablesLoadBackAndBadOnesChangeNothing) {
  for (size_t i = 0; i < 768; ++i) host.collection.palette[i] = static_cast<uint8_t>(i * 7);
  const ColorTableFile::Palette saved = host.collection.palette;
  const auto path = TempFile("a.act");
  std::string error;
  ASSERT_TRUE(page->SaveTableTo(path.string(), error)) << error;
  host.collection.palette.fill(0);
  ASSERT_TRUE(page->LoadTableFrom(path.string(), error)) << error;
  EXPECT_EQ(host.collection.palette, saved);
  EXPECT_EQ(host.Commits(), 1);

  // Too short to hold 256 colours.
  const auto bad = TempFile("b.act");
  std::string ignored;
  ASSERT_TRUE(ColorTableFile::writeColorTable(bad, saved, 256, ignored));
  std::filesystem::resize_file(bad, 100);
  EXPECT_FALSE(page->LoadTableFrom(bad.string(), error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(host.collection.palette, saved);
  EXPECT_EQ(host.Commits(), 1);
  std::filesystem::remove(path);
  std::filesystem::remove(bad);
}

TEST_F(ColorTablePageTest, TheProposedNameIsTheTagsWithTheTablesExtension) {
  TagHeader header;
  header.SetName("monsters");
  auto* editor = new TagEdit(header);
  auto* inside = new X256ColorTableEdit(host, editor);
  EXPECT_EQ(inside->DefaultTableName(), "monsters.act");
}

}  // namespace
