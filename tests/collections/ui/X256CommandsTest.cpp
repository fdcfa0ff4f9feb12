#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/CollectionBitmap.h"
#include "collections/ColorTableFile.h"
#include "collections/DataFile.h"
#include "collections/Image.h"
#include "collections/Plate.h"
#include "collections/ui/BitmapGrid.h"
#include "collections/ui/X256BitmapBrowser.h"
#include "collections/ui/X256ColorTableEdit.h"
#include "collections/ui/X256Edit.h"
#include "gui/Button.h"
#include "gui/ChooserDialog.h"
#include "gui/ChooserMemory.h"
#include "gui/Choosers.h"
#include "gui/ComboBox.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TabWindow.h"
#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "tags/TagCode.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kColl = tagcode::Make(".256");
constexpr uint32_t kTree = tagcode::Make("tree");

class MapMemory : public ChooserMemory {
 public:
  bool GetText(std::string_view key, std::string& out) override {
    auto it = texts.find(std::string(key));
    return it != texts.end() && (out = it->second, true);
  }
  void SetText(std::string_view key, const std::string& text) override {
    texts[std::string(key)] = text;
  }
  bool GetNumber(std::string_view key, int32_t& out) override {
    auto it = numbers.find(std::string(key));
    return it != numbers.end() && (out = it->second, true);
  }
  void SetNumber(std::string_view key, int32_t value) override {
    numbers[std::string(key)] = value;
  }
  std::map<std::string, std::string> texts;
  std::map<std::string, int32_t> numbers;
};

std::vector<uint8_t> Pixels(const std::vector<uint8_t>& indices) {
  std::vector<uint8_t> out;
  for (uint8_t i : indices) {
    out.push_back(i ? 255 : 0);
    out.push_back(i);
  }
  return out;
}

// The bitmap page's commands driven the way a user drives them: through the program's own
// file choosers and the message boxes the commands raise, inside the real editor with its
// undo history.
class X256CommandsTest : public EditorTest {
 protected:
  struct SeenBox {
    std::string title;
    std::string message;
    std::vector<std::string> buttons;
  };

  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kColl, &X256Edit::Make);
    files_ = root_ / "files";
    fs::create_directories(files_);
    // PNG is the file type the image choosers start with, so the folder lists the PNG files.
    memory_.numbers["LastImageOpenFormat"] = 1;
    memory_.numbers["LastImageFolderFormat"] = 1;
    SetChooserServices(&memory_, {});
  }
  void TearDown() override {
    SetChooserServices(nullptr, {});
    EditorTest::TearDown();
  }

  // Two bitmaps ("a" 2 x 2 RAW, "b" 2 x 1 RLE) over a palette of 256 different colours, so
  // that any colour the collection lacks has no free slot to go to.
  X256Edit* OpenEditor() {
    Collection c;
    for (int i = 0; i < 256; ++i) {
      c.palette[static_cast<size_t>(i) * 3] = static_cast<uint8_t>(i);
      c.palette[static_cast<size_t>(i) * 3 + 1] = static_cast<uint8_t>(255 - i);
      c.palette[static_cast<size_t>(i) * 3 + 2] = 7;
    }
    c.AddOrReplaceBitmap("a", 0, Pixels({2, 3, 4, 5}), 2, 2, 2, nullptr);
    c.AddOrReplaceBitmap("b", 0x0004, Pixels({0, 9}), 2, 1, 2, nullptr);
    ByteWriter out;
    TagHeader header = TagHeader::Fresh();
    std::string error;
    EXPECT_TRUE(c.Save(out, header, error)) << error;
    Loose("collections", {kColl, kTree, "tree", out.Take(), header.version});
    auto* editor = static_cast<X256Edit*>(TagEdit::OpenEditor(Open().Find(kColl, kTree)));
    Pump(2);
    return editor;
  }

  // An indexed PNG in the files folder.
  void WritePng(const std::string& name, uint32_t width, uint32_t height,
                const std::vector<uint8_t>& indices, const std::vector<uint8_t>& palette) {
    Image image;
    ASSERT_TRUE(image.setSize(width, height, ImageFormat::kIndexed, indices.data()));
    image.setPalette(static_cast<uint32_t>(palette.size() / 3), palette.data());
    std::string error;
    ASSERT_TRUE(DataFile::saveImage(files_ / name, image, error)) << error;
  }

  void OnChooser(std::function<void(ChooserDialog&)> act) {
    platform.Then([](FakePlatform& p) {
      return dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow()) != nullptr;
    });
    platform.Then([act](FakePlatform& p) {
      act(*dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow()));
      return true;
    });
  }
  // Opens `folder` in the chooser, types `name` and confirms.
  void ChooseTyped(const fs::path& folder, const std::string& name, const char* title = nullptr) {
    OnChooser([this, folder, name, title](ChooserDialog& d) {
      if (title) {
        EXPECT_STREQ(d.GetTitle(), title);
      }
      d.OpenFolder(folder);
      d.NameField()->SetText(name);
      Tap(Key::Enter);
    });
  }
  // Selects the first `count` files of `folder` in the list and confirms them.
  void ChooseFirstFiles(const fs::path& folder, int count, const char* title) {
    OnChooser([this, folder, count, title](ChooserDialog& d) {
      EXPECT_STREQ(d.GetTitle(), title);
      d.OpenFolder(folder);
      const auto row = [&d](int r) {
        const Rect rect = d.List()->CellRect(d.List()->ItemAtRow(r), -1);
        return Point{rect.left + 10, (rect.top + rect.bottom) / 2};
      };
      Click(row(0).x, row(0).y);
      Key(Key::Shift, true);
      Click(row(count - 1).x, row(count - 1).y);
      Key(Key::Shift, false);
    });
    OnChooser([this, count](ChooserDialog& d) {
      EXPECT_EQ(d.List()->SelectedItems().size(), static_cast<size_t>(count));
      Tap(Key::Enter);
    });
  }
  // The next message box titled `title`: noted, then answered with button `index`.
  void AnswerBox(const char* title, int32_t index) {
    platform.Then([title](FakePlatform& p) { return TopModalIs(*p.wm, title); });
    platform.Then([this, index](FakePlatform& p) {
      auto* box = dynamic_cast<MessageBoxWindow*>(p.wm->TopModalWindow());
      if (!box) return false;
      SeenBox s{box->GetTitle() ? box->GetTitle() : "", box->Message(), {}};
      for (int32_t i = 0; i < box->ButtonCount(); ++i)
        s.buttons.push_back(box->GetButton(i)->GetTitle());
      seen_.push_back(s);
      box->GetButton(index)->SetState(Button::kOn, false);
      return true;
    });
  }

  // The collection as the editor would save it.
  static std::vector<uint8_t> Saved(X256Edit* editor) {
    ByteWriter out;
    TagHeader header = TagHeader::Fresh();
    std::string error;
    EXPECT_TRUE(editor->EditedCollection().Save(out, header, error)) << error;
    return out.Take();
  }
  static std::vector<std::string> Names(const std::vector<CollectionBitmap*>& bitmaps) {
    std::vector<std::string> out;
    for (const CollectionBitmap* b : bitmaps) out.push_back(b->Name());
    return out;
  }
  static X256ColorTableEdit* ColorTablePage(X256Edit* editor) {
    for (int32_t i = 0; editor->Tabs()->Page(i); ++i)
      if (auto* page = dynamic_cast<X256ColorTableEdit*>(editor->Tabs()->Page(i))) return page;
    return nullptr;
  }

  fs::path files_;
  MapMemory memory_;
  std::vector<SeenBox> seen_;
};

// ------------------------------------------------------------------- adding from files

TEST_F(X256CommandsTest, AddingFilesWhoseColoursDoNotFitAsksAndCancelLeavesEverything) {
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  const Collection& collection = editor->EditedCollection();
  const std::array<uint8_t, 768> palette = collection.palette;
  const std::vector<uint8_t> before = Saved(editor);
  // "one" uses colours the table holds (entries 3 and 4); "two" brings (1, 2, 3), which is
  // nowhere in the table, and the table has no duplicate entry to give up for it.
  WritePng("one.png", 2, 1, {0, 1}, {3, 252, 7, 4, 251, 7});
  WritePng("two.png", 3, 1, {0, 1, 2}, {9, 246, 7, 1, 2, 3, 40, 215, 7});

  ChooseFirstFiles(files_, 2, "Import Bitmaps");
  AnswerBox("Import", 1);  // Cancel
  page->RunCommand(X256BitmapBrowser::kAddFromFiles);
  RunSteps();
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].message,
            "'two.png': The image is not compatible with the existing color table.\n"
            "Would you like to replace the color table in the tag with the one in the file?");
  EXPECT_EQ(seen_[0].buttons, (std::vector<std::string>{"Replace", "Cancel"}));
  // "one" had gone in before the question: it is taken out again.
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(collection.bitmaps.size(), 2u);
  EXPECT_EQ(collection.palette, palette);
  EXPECT_EQ(Saved(editor), before);
  EXPECT_FALSE(editor->dirty());
  EXPECT_EQ(editor->History().Count(), 1u);

  // Again, adopting the file's table this time: both bitmaps in one step.
  ChooseFirstFiles(files_, 2, "Import Bitmaps");
  AnswerBox("Import", 0);  // Replace
  page->RunCommand(X256BitmapBrowser::kAddFromFiles);
  RunSteps();
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[1].message, seen_[0].message);
  ASSERT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b", "one", "two"}));
  EXPECT_EQ(page->HeaderText(), "  4 Bitmaps:");
  EXPECT_EQ(page->SelectedBitmaps().size(), 2u);
  // The file's three colours, then copies of its first one.
  EXPECT_EQ(collection.palette[3], 1);
  EXPECT_EQ(collection.palette[4], 2);
  EXPECT_EQ(collection.palette[5], 3);
  EXPECT_EQ(collection.palette[255 * 3], 9);
  EXPECT_EQ(collection.palette[255 * 3 + 1], 246);
  // In the adopted table "two"'s pixels keep their indices; 0 and 1 are transparent.
  const CollectionBitmap* two = page->PageBitmaps()[3];
  EXPECT_EQ(two->pixels, (std::vector<uint8_t>{0, 0, 0, 0, 255, 2}));
  EXPECT_TRUE(two->IsRle());
  EXPECT_TRUE(editor->dirty());
  EXPECT_EQ(editor->History().Count(), 2u);

  CtrlKey('Z');
  Pump(2);
  EXPECT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(collection.palette, palette);
  EXPECT_EQ(Saved(editor), before);
  EXPECT_FALSE(editor->dirty());
}

TEST_F(X256CommandsTest, AddingFilesThatFitAsksNothingAndMapsToTheTable) {
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  const std::array<uint8_t, 768> palette = editor->EditedCollection().palette;
  WritePng("leaf.png", 2, 1, {1, 0}, {0, 255, 7, 200, 55, 7});
  ChooseFirstFiles(files_, 1, "Import Bitmaps");
  page->RunCommand(X256BitmapBrowser::kAddFromFiles);
  RunSteps();
  EXPECT_TRUE(seen_.empty());
  ASSERT_EQ(Names(page->PageBitmaps()), (std::vector<std::string>{"a", "b", "leaf"}));
  // Colour (200, 55, 7) is entry 200; the file's entry 0 is the table's entry 0: transparent.
  EXPECT_EQ(page->PageBitmaps()[2]->pixels, Pixels({200, 0}));
  EXPECT_EQ(editor->EditedCollection().palette, palette);
}

// ------------------------------------------------------------- export and replace

TEST_F(X256CommandsTest, ExportingSeveralByNumberingWritesNumberedFilesThatImportBack) {
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  const fs::path out = root_ / "out";
  fs::create_directories(out);
  page->Grid()->SelectAll();
  OnChooser([this, out](ChooserDialog& d) {
    EXPECT_STREQ(d.GetTitle(), "Choose a destination folder");
    d.OpenFolder(out);
    Tap(Key::Enter);
  });
  page->RunCommand(X256BitmapBrowser::kExport);
  RunSteps();
  EXPECT_TRUE(fs::exists(out / "bitmap #0000.png"));
  EXPECT_TRUE(fs::exists(out / "bitmap #0001.png"));
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
  EXPECT_EQ(memory_.numbers["BitmapImportMappingMode"], 0);
  EXPECT_FALSE(editor->dirty());

  // "b" (RLE, with a transparent pixel) brought back over "a" gives "a" its pixels exactly.
  const std::vector<uint8_t> b_pixels = page->PageBitmaps()[1]->pixels;
  page->Grid()->Select(0, false);
  ChooseTyped(out, "bitmap #0001.png", "Import replacement bitmap");
  page->RunCommand(X256BitmapBrowser::kReplace);
  RunSteps();
  EXPECT_TRUE(seen_.empty());
  const CollectionBitmap* a = page->PageBitmaps()[0];
  EXPECT_EQ(a->width, 2);
  EXPECT_EQ(a->height, 1);
  EXPECT_EQ(a->pixels, b_pixels);
  EXPECT_TRUE(a->IsRle());
  EXPECT_EQ(page->PageBitmaps().size(), 2u);
  EXPECT_TRUE(editor->dirty());
  CtrlKey('Z');
  Pump(2);
  EXPECT_EQ(page->PageBitmaps()[0]->pixels, Pixels({2, 3, 4, 5}));
  EXPECT_FALSE(editor->dirty());
}

TEST_F(X256CommandsTest, ReplacingFromAPlateOfTheWrongCellCountChangesNothing) {
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256BitmapBrowser* page = editor->BitmapsPage();
  {
    const Collection& collection = editor->EditedCollection();
    const CollectionBitmap* one[] = {collection.bitmaps[0].get()};
    Image plate;
    std::string message;
    ASSERT_TRUE(Plate::buildPlate(collection, one, false, 0, plate, message)) << message;
    ASSERT_TRUE(DataFile::saveImage(files_ / "plate.png", plate, message)) << message;
  }
  const std::vector<uint8_t> a_pixels = page->PageBitmaps()[0]->pixels;
  page->Grid()->SelectAll();
  ChooseTyped(files_, "plate.png", "Import Plate");
  AnswerBox("Error", 0);
  page->RunCommand(X256BitmapBrowser::kReplaceFromPlate);
  RunSteps();
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].message,
            "Number of images in plate (1) does not match the expected value of 2.");
  EXPECT_EQ(page->PageBitmaps()[0]->pixels, a_pixels);
  EXPECT_EQ(page->PageBitmaps()[1]->width, 2);
  EXPECT_FALSE(editor->dirty());
  EXPECT_EQ(editor->History().Count(), 1u);
}

// ------------------------------------------------------------------- colour table

TEST_F(X256CommandsTest, TheColourTableSavesAndLoadsThroughItsOwnChooser) {
  X256Edit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  X256ColorTableEdit* table = ColorTablePage(editor);
  ASSERT_NE(table, nullptr);
  const std::array<uint8_t, 768> palette = editor->EditedCollection().palette;

  OnChooser([this](ChooserDialog& d) {
    EXPECT_STREQ(d.GetTitle(), "Export Color Table");
    EXPECT_EQ(d.TypeCombo()->ItemCount(), 1);  // only colour tables
    EXPECT_EQ(d.NameField()->GetText(), "tree.act");
    d.OpenFolder(files_);
    d.NameField()->SetText("tree.act");
    Tap(Key::Enter);
  });
  table->SaveTable();
  RunSteps();
  ColorTableFile::Palette saved{};
  uint32_t count = 0;
  std::string error;
  ASSERT_TRUE(ColorTableFile::readColorTable(files_ / "tree.act", saved, count, error)) << error;
  EXPECT_EQ(saved, palette);
  EXPECT_EQ(count, 256u);
  EXPECT_FALSE(editor->dirty());

  ColorTableFile::Palette greens{};
  for (size_t i = 0; i < 256; ++i) greens[i * 3 + 1] = static_cast<uint8_t>(i);
  ASSERT_TRUE(ColorTableFile::writeColorTable(files_ / "greens.act", greens, 256, error));
  ChooseTyped(files_, "greens.act", "Import Color Table");
  table->LoadTable();
  RunSteps();
  EXPECT_TRUE(seen_.empty());
  EXPECT_EQ(editor->EditedCollection().palette, greens);
  EXPECT_TRUE(editor->dirty());
  EXPECT_EQ(editor->History().Count(), 2u);
  CtrlKey('Z');
  Pump(2);
  EXPECT_EQ(editor->EditedCollection().palette, palette);
}

}  // namespace
