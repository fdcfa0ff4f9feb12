#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/Collection.h"
#include "collections/ColorTableFile.h"
#include "collections/DataFile.h"
#include "collections/Image.h"
#include "gui/ChooserDialog.h"
#include "gui/ChooserMemory.h"
#include "gui/Choosers.h"
#include "gui/ColorChooserDialog.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "support/MapMemory.h"
#include "support/RecordingPainter.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"
#include "terrain/DetailMap.h"
#include "terrain/DtexCodec.h"
#include "terrain/DtexTag.h"
#include "terrain/ui/BrushStrokeAction.h"
#include "terrain/ui/FloodFillAction.h"
#include "terrain/ui/InfoOverlay.h"
#include "terrain/ui/MeshEdit.h"
#include "terrain/ui/MeshView.h"
#include "terrain/ui/SlotPalette.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kMesh = tagcode::Make("mesh");
constexpr uint32_t kColl = tagcode::Make(".256");
constexpr uint32_t kDmap = tagcode::Make("dmap");
constexpr uint32_t kDtex = tagcode::Make("dtex");
constexpr uint32_t kHill = tagcode::Make("hill");  // the mesh
constexpr uint32_t kMap = tagcode::Make("mapc");   // its colour map
constexpr uint32_t kGras = tagcode::Make("gras");
constexpr int kF3 = Key::F1 + 2, kF5 = Key::F1 + 4, kF6 = Key::F1 + 5, kF7 = Key::F1 + 6;

// A version-11 mesh of chunks x chunks, cell (x, y) of terrain type (x + y) % 16, written byte
// by byte: the header, then the grid at base 1024 plus 0.
tagfiles::Bytes MeshBytes(int chunks_wide, int chunks_high, uint32_t color_map) {
  ByteWriter w;
  w.WriteU32Be(color_map);
  w.WriteU32Be(0);
  w.WriteU16Be(static_cast<uint16_t>(chunks_wide));
  w.WriteU16Be(static_cast<uint16_t>(chunks_high));
  w.WriteU32Be(1024);
  w.WriteU32Be(0);
  w.WriteU32Be(0);
  w.WriteU32Be(0);
  w.WriteZeros(1024 - 28);
  for (int y = 0; y < chunks_high * 32; ++y) {
    for (int x = 0; x < chunks_wide * 32; ++x) {
      w.WriteU16Be(static_cast<uint16_t>(512 + x));
      w.WriteU16Be(0);
      w.WriteU16Be(static_cast<uint16_t>(((x + y) % 16) << 4));
      w.WriteZeros(6);
    }
  }
  return w.Take();
}

// A version-1 detail map (664-byte header, then the vertex bytes).
tagfiles::Bytes DmapV1Bytes(uint32_t width, uint32_t height, uint8_t fill, uint32_t slot1_dtex,
                            uint8_t first_value) {
  ByteWriter w;
  w.WriteU32Be(width);
  w.WriteU32Be(height);
  w.WriteZeros(8);
  for (int i = 0; i < 128; ++i) w.WriteU32Be(i == 1 ? slot1_dtex : 0xFFFFFFFFu);
  for (int i = 0; i < 128; ++i) w.WriteU8(5);
  w.WriteZeros(8);
  for (uint32_t i = 0; i < width * height; ++i) w.WriteU8(i == 0 ? first_value : fill);
  return w.Take();
}

class MeshEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kMesh, &MeshEdit::Make);
    // The highlight table the editor keeps between runs lives in the test's folder.
    table_ = root_ / "dtex.act";
    tagfiles::Bytes table(768, 0);
    for (int i = 0; i < 256; ++i) {
      table[static_cast<size_t>(i) * 3] = static_cast<uint8_t>(i);
      table[static_cast<size_t>(i) * 3 + 1] = 100;
      table[static_cast<size_t>(i) * 3 + 2] = static_cast<uint8_t>(255 - i);
    }
    tagfiles::Spit(table_, table);
    MeshEdit::SetHighlightTablePath(table_);
    files_ = root_ / "files";
    fs::create_directories(files_);
    // PNG is the file type the image choosers start with.
    memory_.numbers["LastImageOpenFormat"] = 1;
    memory_.numbers["LastImageSaveFormat"] = 1;
    SetChooserServices(&memory_, {});
  }
  void TearDown() override {
    SetChooserServices(nullptr, {});
    EditorTest::TearDown();
    MeshEdit::SetHighlightTablePath("res/dtex.act");
    MeshEdit::SetShippedHighlightTablePath({});
  }

  void WriteMesh(int chunks_wide = 1, int chunks_high = 1, uint16_t version = 11) {
    Loose("meshes", {kMesh, kHill, "hill", MeshBytes(chunks_wide, chunks_high, kMap), version});
    Collection c;
    c.usage = 0x0106;
    ByteWriter out;
    TagHeader header = TagHeader::Fresh();
    std::string error;
    ASSERT_TRUE(c.Save(out, header, error)) << error;
    Loose("collections", {kColl, kMap, "hill colors", out.Take(), header.version});
  }
  void WriteDmapV1(uint32_t width, uint32_t height, uint8_t fill = 0, uint32_t slot1 = 0xFFFFFFFF,
                   uint8_t first_value = 0) {
    Loose("detail maps",
          {kDmap, kMap, "old map", DmapV1Bytes(width, height, fill, slot1, first_value), 1});
  }
  void WriteTexture(uint32_t tag_id, const std::string& name) {
    std::vector<uint8_t> rgb(4 * 4 * 3, 90);
    Loose("detail textures", {kDtex, tag_id, name, DtexData::Write(4, 4, rgb), 1});
  }

  MeshEdit* OpenEditor() {
    Codex& codex = Open();
    auto* editor = static_cast<MeshEdit*>(TagEdit::OpenEditor(codex.Find(kMesh, kHill)));
    Pump(2);
    return editor;
  }
  // The editor's detail map as saved: read back through the index.
  bool ReadSavedMap(DetailMap& map, TagHeader& header) {
    Codex& codex = ProgramCodex();
    codex.Poll(true);
    CodexEntry* entry = codex.Find(kDmap, kMap);
    if (!entry) return false;
    TagStream* stream = codex.OpenData(entry);
    if (!stream) return false;
    header = codex.EntryHeader(*entry);
    std::vector<uint8_t> data;
    const bool read = stream->ReadRest(data);
    codex.CloseData(entry);
    std::string error;
    return read && DetailMap::Read(data, header, map, error);
  }
  // A point inside the view, in screen coordinates, at fractions of its size.
  Point InView(MeshEdit* editor, double fx, double fy) {
    const Rect& r = editor->View()->ClientRect();
    return {r.left + static_cast<int>(r.Width() * fx), r.top + static_cast<int>(r.Height() * fy)};
  }
  static bool AllZero(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes)
      if (b) return false;
    return true;
  }
  static const MenuItem* Item(const MenuItem* menu, const std::string& label) {
    for (const MenuItem* item : menu->Items())
      if (item->GetTitle() && label == item->GetTitle()) return item;
    return nullptr;
  }

  // Answers the next chooser: checks its title, keeps the name it proposes, and picks `name`
  // in the test's files folder.
  void Choose(const char* title, const std::string& name, std::string* proposed = nullptr) {
    platform.Then([](FakePlatform& p) {
      return dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow()) != nullptr;
    });
    platform.Then([this, title, name, proposed](FakePlatform& p) {
      auto& d = *dynamic_cast<ChooserDialog*>(p.wm->TopModalWindow());
      EXPECT_STREQ(d.GetTitle(), title);
      if (proposed) *proposed = d.NameField()->GetText();
      d.OpenFolder(files_);
      d.NameField()->SetText(name);
      Tap(Key::Enter);
      return true;
    });
  }

  fs::path table_;
  fs::path files_;
  MapMemory memory_;
};

// ------------------------------------------------------------------------------ opening

TEST_F(MeshEditTest, AMeshOfAnotherVersionDoesNotOpen) {
  WriteMesh(1, 1, 10);
  Answer("Error", 0);
  Codex& codex = Open();
  EXPECT_EQ(TagEdit::OpenEditor(codex.Find(kMesh, kHill)), nullptr);
  RunSteps();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("The tag could not be loaded.", 0), 0u);
}

TEST_F(MeshEditTest, WithoutADetailMapOnlyNoToolAndTheViewTogglesAct) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_STREQ(editor->GetClassName(), "MeshEdit");
  EXPECT_FALSE(editor->has_detail_map());
  EXPECT_EQ(editor->tool(), MeshEdit::kNoTool);
  EXPECT_EQ(editor->color_map_name(), "hill colors");
  EXPECT_FALSE(editor->dirty());

  MeshView::Options& options = editor->View()->options();
  const float radius = editor->brush().radius;
  Tap(Key::F2);
  Tap(']');
  Tap(Key::Tab);
  Tap(Key::F4);
  Tap(kF5);
  Tap(kF3);
  Pump(2);
  EXPECT_FALSE(options.detail_textures);
  EXPECT_FALSE(options.highlighting);
  EXPECT_FLOAT_EQ(editor->brush().radius, radius);
  EXPECT_FALSE(editor->palette_shown());
  EXPECT_FALSE(editor->brush().square);
  EXPECT_EQ(editor->brush().layer, DetailLayer::kVertex);

  // The keys without a condition work all the same.
  const bool wire = options.wireframe, media = options.media_animation;
  const bool info = editor->info_shown();
  Tap(Key::F1);
  Tap(kF6);
  Tap('`');
  Tap(kF7);
  Pump(2);
  EXPECT_NE(options.wireframe, wire);
  EXPECT_NE(options.media_animation, media);
  EXPECT_NE(editor->info_shown(), info);
  EXPECT_EQ(options.highlight_mode, 1);

  // A left press paints nothing without the tool.
  const Point p = InView(editor, 0.5, 0.5);
  Click(p.x, p.y);
  Pump(2);
  EXPECT_FALSE(editor->dirty());
  EXPECT_EQ(editor->History().Count(), 1u);
}

TEST_F(MeshEditTest, TheContextMenuEnablesByDetailMapAndTool) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  Menu* menu = editor->MakeContextMenu();
  std::vector<std::string> labels;
  for (const MenuItem* item : menu->Items()) labels.push_back(item->GetTitle());
  const std::string sep = MenuItem::kSeparatorText;
  EXPECT_EQ(labels, (std::vector<std::string>{
                        "Switch Tool", sep, "New Detail Map (From Terrain)",
                        "New Detail Map (Blank)", "Import Vertex Detail", "Export Vertex Detail",
                        "Import Triangle Detail", "Export Triangle Detail", "Import Highlight CLUT",
                        sep, "Toggle Info (~)", "Toggle Palette (tab)", "Toggle Wireframe (f1)",
                        "Toggle Detail Textures (f2)", "Toggle Texture Highlighting (f3)",
                        "Toggle Brush Shape (f4)", "Toggle Triangle Mode (f5)",
                        "Toggle Media Animation (f6)", "Toggle Highlight mode (f7)"}));
  const MenuItem* tools = Item(menu, "Switch Tool");
  ASSERT_EQ(tools->ItemCount(), 2);
  EXPECT_TRUE(Item(tools, "No Tool")->IsEnabled());
  EXPECT_FALSE(Item(tools, "Detail Map Tool")->IsEnabled());
  EXPECT_TRUE(Item(menu, "New Detail Map (From Terrain)")->IsEnabled());
  EXPECT_TRUE(Item(menu, "New Detail Map (Blank)")->IsEnabled());
  for (const char* label :
       {"Import Vertex Detail", "Export Vertex Detail", "Import Triangle Detail",
        "Export Triangle Detail", "Import Highlight CLUT", "Toggle Palette (tab)",
        "Toggle Detail Textures (f2)", "Toggle Texture Highlighting (f3)",
        "Toggle Brush Shape (f4)", "Toggle Triangle Mode (f5)", "Toggle Highlight mode (f7)"}) {
    EXPECT_FALSE(Item(menu, label)->IsEnabled()) << label;
  }
  for (const char* label :
       {"Toggle Info (~)", "Toggle Wireframe (f1)", "Toggle Media Animation (f6)"}) {
    EXPECT_TRUE(Item(menu, label)->IsEnabled()) << label;
  }
  Window::Close(menu);

  // A new detail map selects the tool; with the tool off again only the detail map's items stay.
  editor->RunCommand(MeshEdit::kCmdBlank);
  EXPECT_EQ(editor->tool(), MeshEdit::kDetailMapTool);
  editor->RunCommand(MeshEdit::kCmdNoTool);
  menu = editor->MakeContextMenu();
  EXPECT_TRUE(Item(Item(menu, "Switch Tool"), "Detail Map Tool")->IsEnabled());
  EXPECT_TRUE(Item(menu, "Import Highlight CLUT")->IsEnabled());
  EXPECT_TRUE(Item(menu, "Toggle Detail Textures (f2)")->IsEnabled());
  EXPECT_TRUE(Item(menu, "Toggle Texture Highlighting (f3)")->IsEnabled());
  EXPECT_FALSE(Item(menu, "Toggle Palette (tab)")->IsEnabled());
  EXPECT_FALSE(Item(menu, "Toggle Brush Shape (f4)")->IsEnabled());
  EXPECT_FALSE(Item(menu, "Toggle Highlight mode (f7)")->IsEnabled());
  Window::Close(menu);
}

TEST_F(MeshEditTest, TheToolKeysActWithTheDetailMapTool) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  Pump(2);
  MeshView::Options& options = editor->View()->options();
  EXPECT_TRUE(options.detail_textures);
  EXPECT_TRUE(options.highlighting);

  Tap(Key::Tab);
  Tap(Key::F4);
  Tap(kF5);
  Tap(Key::F2);
  Pump(2);
  EXPECT_TRUE(editor->palette_shown());
  EXPECT_TRUE(editor->brush().square);
  EXPECT_EQ(editor->brush().layer, DetailLayer::kTriangle);
  EXPECT_FALSE(options.detail_textures);

  // Shift+F3 sets every slot's highlight flag to the new state; F3 alone leaves them.
  Key(Key::Shift, true);
  Tap(kF3);
  Key(Key::Shift, false);
  Pump(2);
  EXPECT_FALSE(options.highlighting);
  for (bool flag : editor->slot_highlights()) EXPECT_FALSE(flag);
  Tap(kF3);
  Pump(2);
  EXPECT_TRUE(options.highlighting);
  EXPECT_FALSE(editor->slot_highlights()[5]);

  // - and = step the brush material's slot scale within 1 ... 256.
  const int scale = editor->Detail().slots[1].Scale();
  Tap('=');
  Tap('=');
  Tap('-');
  Pump(2);
  EXPECT_EQ(editor->Detail().slots[1].Scale(), scale + 1);
  for (int i = 0; i < 300; ++i) {
    Tap('-');
    Pump();
  }
  EXPECT_EQ(editor->Detail().slots[1].Scale(), 1);
}

TEST_F(MeshEditTest, TheRadiusStaysWithinItsBoundsWhateverThePresses) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  EXPECT_FLOAT_EQ(editor->brush().radius, 2.0f);
  EXPECT_EQ(editor->brush().material, 1);
  // One at a time: the event queue holds only so many.
  for (int i = 0; i < 100; ++i) {
    Tap(']');
    Pump();
  }
  EXPECT_FLOAT_EQ(editor->brush().radius, 10.0f);
  for (int i = 0; i < 100; ++i) {
    Tap('[');
    Pump();
  }
  EXPECT_FLOAT_EQ(editor->brush().radius, 0.2f);
  Tap(']');
  Pump(2);
  EXPECT_FLOAT_EQ(editor->brush().radius, 0.4f);
}

// ------------------------------------------------------------------------------ overlay

TEST_F(MeshEditTest, TheOverlayShowsTheShortFormWithoutADetailMapAndTheLongOneWithIt) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  const MeshView::Stats& s = editor->View()->stats();
  char expected[1024];
  std::snprintf(expected, sizeof expected,
                "Mesh Dimensions: 32 x 32\nMesh Chunks: %d invisible, %d partial, %d full\n"
                "Mesh Cells: %d rendered (%.1f%%)\nWireframe: Off\nMedia Animation: On\n",
                s.invisible, s.partial, s.full, s.cells_rendered, 100.0 * s.cells_rendered / 1024);
  EXPECT_EQ(editor->InfoText(), expected);
  EXPECT_TRUE(editor->Overlay()->IsVisible());
  // Every line is drawn, one below the other.
  {
    // One page for every glyph, so that each glyph drawn makes one quad.
    Font font(MonoFontData());
    for (int g = 0; g < kFontGlyphCount; ++g) {
      auto& glyph = font.GetGlyph(0, static_cast<uint8_t>(kFontFirstChar + g));
      if (glyph.HasBitmap()) glyph.page = 0;
    }
    font.pages().push_back({256, 256, 1});
    editor->Overlay()->SetFont(&font);
    RecordingPainter painter;
    SetCurrentPainter(&painter);
    editor->Overlay()->Draw();
    SetCurrentPainter(nullptr);
    editor->Overlay()->SetFont(nullptr);
    std::set<float> rows;
    for (const TexturedQuad& q : painter.AllQuads(PageSet::kFont)) rows.insert(q.y0);
    EXPECT_GE(rows.size(), 5u);
  }
  Tap('`');
  Pump(2);
  EXPECT_FALSE(editor->Overlay()->IsVisible());
  Tap('`');
  Pump(2);

  editor->RunCommand(MeshEdit::kCmdBlank);
  editor->mutable_brush().x = 3.25f;
  editor->mutable_brush().y = 7.5f;
  const std::string text = editor->InfoText();
  const std::string tail =
      "Detail Textures: On\nHighlighting: On\nHighlight Mode: Tinted\nBrush Shape: Circular\n"
      "Brush Mode: Vertex\nBrush Radius: 2.0\nBrush Material: <none>\n"
      "Brush Scale: 16 px/cell (0.0:1)\nBrush Position: {3.25, 7.50}\n";
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.rfind("Mesh Dimensions: 32 x 32\n", 0), 0u);
}

// ------------------------------------------------------------------------------ saving

TEST_F(MeshEditTest, SavingWithoutADetailMapFailsAndWritesNothing) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  Answer("Error", 0);
  CtrlKey('S');
  RunSteps();
  EXPECT_EQ(messages, std::vector<std::string>{"The save operation could not be completed."});
  EXPECT_FALSE(fs::exists(root_ / "local" / "detail maps"));
  EXPECT_EQ(ProgramCodex().Find(kDmap, kMap), nullptr);
}

TEST_F(MeshEditTest, ADetailMapOfOtherDimensionsIsWarnedOfAndLeftOut) {
  WriteMesh();
  WriteDmapV1(16, 16);
  Answer("dmap tagid conflict detected", 0);
  MeshEdit* editor = OpenEditor();
  RunSteps();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(messages, std::vector<std::string>{
                          "WARNING: A the dmap tag old map (mapc) matches this color map, but its "
                          "dimensions do not match. If you edit and save the dmap on this mesh, "
                          "it will overwrite the existing file, and the meshes which used that "
                          "dmap will no longer have working detail textures."});
  EXPECT_FALSE(editor->has_detail_map());
  EXPECT_EQ(editor->tool(), MeshEdit::kNoTool);
}

TEST_F(MeshEditTest, ReplacingADetailMapTheEditorDidNotLoadIsAskedAndCancelWritesNothing) {
  WriteMesh();
  WriteDmapV1(16, 16);
  const tagfiles::Bytes before = tagfiles::Slurp(root_ / "local" / "detail maps" / "old map");
  Answer("dmap tagid conflict detected", 0);
  MeshEdit* editor = OpenEditor();
  RunSteps();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  messages.clear();

  Answer(MeshEdit::kReplaceTitle, 1);  // Cancel
  Answer("Error", 0);
  CtrlKey('S');
  RunSteps();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find("old map"), std::string::npos);
  EXPECT_EQ(messages[1], "The save operation could not be completed.");
  EXPECT_EQ(tagfiles::Slurp(root_ / "local" / "detail maps" / "old map"), before);
  EXPECT_TRUE(editor->dirty());

  messages.clear();
  Answer(MeshEdit::kReplaceTitle, 0);  // Replace
  CtrlKey('S');
  RunSteps();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(editor->dirty());
  DetailMap saved;
  TagHeader header;
  ASSERT_TRUE(ReadSavedMap(saved, header));
  EXPECT_EQ(saved.width, 32u);
  EXPECT_EQ(saved.height, 32u);
  EXPECT_EQ(header.version, 2);

  // Once written here it is the editor's own: the next save asks nothing.
  editor->MarkDirty(true);
  messages.clear();
  CtrlKey('S');
  Pump(5);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(editor->dirty());
}

TEST_F(MeshEditTest, SaveCreatesTheDetailMapUnderTheColourMapsIdAndItReadsBack) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  editor->BeginStroke(5, 5, false);
  editor->MoveBrush(6, 5);
  editor->EndStroke();
  editor->RunCommand(MeshEdit::kCmdToggleTriangleMode);
  editor->mutable_brush().material = 7;
  editor->BeginStroke(20, 20, false);
  editor->EndStroke();
  ASSERT_FALSE(AllZero(editor->Detail().vertex));
  ASSERT_FALSE(AllZero(editor->Detail().triangle));
  CtrlKey('S');
  Pump(5);
  EXPECT_FALSE(editor->dirty());

  DetailMap saved;
  TagHeader header;
  ASSERT_TRUE(ReadSavedMap(saved, header));
  EXPECT_EQ(header.tag_id, kMap);
  EXPECT_EQ(header.Name(), "hill colors");
  EXPECT_EQ(saved.vertex, editor->Detail().vertex);
  EXPECT_EQ(saved.triangle, editor->Detail().triangle);
  // Each slot carries its highlight colour from the table.
  EXPECT_EQ(saved.slots[7].red, editor->highlight_table()[21]);
  EXPECT_EQ(saved.slots[7].blue, editor->highlight_table()[23]);
}

TEST_F(MeshEditTest, SlotNumbersPastTheSlotsAreWrittenBackUnchanged) {
  WriteMesh();
  WriteDmapV1(32, 32, 3, 0xFFFFFFFF, 200);
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->has_detail_map());
  EXPECT_EQ(editor->tool(), MeshEdit::kDetailMapTool);
  EXPECT_EQ(editor->Detail().slots[4].Scale(), 5);
  EXPECT_EQ(editor->Detail().vertex[0], 200);
  editor->BeginStroke(20, 20, false);
  editor->EndStroke();
  CtrlKey('S');
  Pump(5);
  DetailMap saved;
  TagHeader header;
  ASSERT_TRUE(ReadSavedMap(saved, header));
  EXPECT_EQ(saved.vertex[0], 200);
  EXPECT_EQ(saved.vertex[20 * 32 + 20], 1);
  EXPECT_EQ(saved.vertex[1], 3);
}

// ------------------------------------------------------------------------------ painting

TEST_F(MeshEditTest, AStrokeIsOneStepThatUndoAndRedoTakeBackAndPutAgain) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  CtrlKey('S');
  Pump(5);
  ASSERT_FALSE(editor->dirty());

  const Point a = InView(editor, 0.3, 0.3), b = InView(editor, 0.6, 0.4);
  Press(a.x, a.y);
  Pump(2);
  EXPECT_TRUE(editor->stroking());
  EXPECT_TRUE(editor->dirty());  // from the first application on
  Move((a.x + b.x) / 2, (a.y + b.y) / 2);
  Move(b.x, b.y);
  Pump(2);
  Release(b.x, b.y);
  Pump(2);
  EXPECT_FALSE(editor->stroking());
  ASSERT_EQ(editor->History().Count(), 2u);
  ASSERT_NE(dynamic_cast<BrushStrokeAction*>(editor->History().Current()), nullptr);
  const std::vector<uint8_t> painted = editor->Detail().vertex;
  EXPECT_FALSE(AllZero(painted));

  CtrlKey('S');
  Pump(5);
  CtrlKey('Z');
  Pump(2);
  EXPECT_TRUE(AllZero(editor->Detail().vertex));
  EXPECT_TRUE(editor->dirty());
  CtrlKey('S');
  Pump(5);
  CtrlKey('Y');
  Pump(2);
  EXPECT_EQ(editor->Detail().vertex, painted);
  EXPECT_TRUE(editor->dirty());
}

TEST_F(MeshEditTest, AStrokeWhoseReleaseNeverComesStillEndsAndCanBeUndone) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  const Point a = InView(editor, 0.5, 0.5);
  Press(a.x, a.y);
  Pump(2);
  ASSERT_TRUE(editor->stroking());
  // Another command while the button is held (the pointer holds the keys back, but a
  // window's command can still come) ends the stroke.
  const bool wire = editor->View()->options().wireframe;
  editor->RunCommand(MeshEdit::kCmdToggleWireframe);
  EXPECT_NE(editor->View()->options().wireframe, wire);
  EXPECT_FALSE(editor->stroking());
  EXPECT_EQ(editor->History().Count(), 2u);
  Release(a.x, a.y);
  Pump(2);
  EXPECT_EQ(editor->History().Count(), 2u);
  EXPECT_TRUE(editor->dirty());
  CtrlKey('Z');
  Pump(2);
  EXPECT_TRUE(AllZero(editor->Detail().vertex));

  // A dialog opening over a stroke ends it too.
  editor->BeginStroke(10, 10, false);
  ASSERT_TRUE(editor->stroking());
  Answer("Message", 0);
  platform.Then([](FakePlatform& p) {
    return dynamic_cast<ColorChooserDialog*>(p.wm->TopModalWindow()) != nullptr;
  });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Escape);
    return true;
  });
  editor->ChoosePaletteEntry(0);
  RunSteps();
  EXPECT_FALSE(editor->stroking());
  EXPECT_EQ(editor->brush().material, 0);
  ASSERT_NE(dynamic_cast<BrushStrokeAction*>(editor->History().Current()), nullptr);
  EXPECT_EQ(messages.back(), "Index 0 is reserved, but you can edit the highlight color.");
}

TEST_F(MeshEditTest, ProtectedSlotsKeepTheirCellsUnlessShiftWasHeld) {
  WriteMesh();
  WriteDmapV1(32, 32, 3);
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->ToggleProtected(3);
  editor->BeginStroke(10, 10, false);
  editor->EndStroke();
  EXPECT_EQ(editor->Detail().vertex[10 * 32 + 10], 3);
  EXPECT_EQ(editor->History().Count(), 1u);  // nothing changed, nothing to undo
  editor->BeginStroke(10, 10, true);
  editor->EndStroke();
  EXPECT_TRUE(editor->override_protection());
  EXPECT_EQ(editor->Detail().vertex[10 * 32 + 10], 1);
}

TEST_F(MeshEditTest, AltClickFillsTheRegionAndUndoEmptiesIt) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  CtrlKey('S');
  Pump(5);
  const Point a = InView(editor, 0.5, 0.5);
  Key(Key::Alt, true);
  Click(a.x, a.y);
  Key(Key::Alt, false);
  Pump(2);
  EXPECT_FALSE(editor->stroking());
  ASSERT_NE(dynamic_cast<FloodFillAction*>(editor->History().Current()), nullptr);
  EXPECT_TRUE(editor->dirty());
  for (uint8_t v : editor->Detail().vertex) ASSERT_EQ(v, 1);
  CtrlKey('Z');
  Pump(2);
  EXPECT_TRUE(AllZero(editor->Detail().vertex));
  CtrlKey('Y');
  Pump(2);
  for (uint8_t v : editor->Detail().vertex) ASSERT_EQ(v, 1);
  // Filling a region that already has the material records nothing.
  EXPECT_FALSE(editor->FloodFill(4, 4, false));
  EXPECT_EQ(editor->History().Count(), 2u);
}

TEST_F(MeshEditTest, ANewDetailMapTakesTheStoredHighlightTableAndClearsTheHistory) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  editor->BeginStroke(3, 3, false);
  editor->EndStroke();
  ASSERT_EQ(editor->History().Count(), 2u);
  editor->RunCommand(MeshEdit::kCmdBlank);
  EXPECT_EQ(editor->History().Count(), 1u);
  EXPECT_TRUE(AllZero(editor->Detail().vertex));
  EXPECT_EQ(editor->highlight_table()[9 * 3], 9);
  EXPECT_EQ(editor->highlight_table()[9 * 3 + 2], 246);
}

// An install reads the shipped table until the user's own copy exists; reading makes no copy.
TEST_F(MeshEditTest, TheShippedHighlightTableStandsInUntilTheUsersOwnExists) {
  const fs::path shipped = root_ / "shipped.act";
  const fs::path own = root_ / "config" / "dtex.act";
  fs::rename(table_, shipped);
  MeshEdit::SetHighlightTablePath(own);
  MeshEdit::SetShippedHighlightTablePath(shipped);
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  EXPECT_EQ(editor->highlight_table()[9 * 3 + 2], 246);
  EXPECT_FALSE(fs::exists(own));
}

TEST_F(MeshEditTest, FromTerrainGivesEachVertexItsTerrainTypePlusOne) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  std::array<TerrainRow, terrain::kTerrainTypeCount> rows;
  for (int t = 0; t < terrain::kTerrainTypeCount; ++t) {
    rows[t].name = "<no tag>";
    rows[t].red = static_cast<uint8_t>(10 + t);
  }
  editor->MakeDetailMapFromTerrain(rows);
  EXPECT_TRUE(editor->has_detail_map());
  EXPECT_EQ(editor->tool(), MeshEdit::kDetailMapTool);
  EXPECT_TRUE(editor->dirty());
  EXPECT_EQ(editor->Detail().vertex[5 * 32 + 4], (4 + 5) % 16 + 1);
  EXPECT_EQ(editor->highlight_table()[3 * 3], 12);  // row 2 into entry 3
}

// ------------------------------------------------------------------------------ textures

TEST_F(MeshEditTest, SlotTexturesAreSharedWhileOpenAndReleasedOnClosing) {
  WriteMesh();
  WriteTexture(kGras, "grass");
  WriteDmapV1(32, 32, 0, kGras);
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  DtexTag* texture = editor->SlotTexture(1);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(editor->SlotTexture(2), nullptr);
  CodexEntry* entry = ProgramCodex().Find(kDtex, kGras);
  ASSERT_NE(entry, nullptr);
  EXPECT_NE(ProgramCodex().FindAttachment(*entry, kAttachResource), nullptr);

  // A changed texture is shown at once: the view is redrawn.
  renderer.Forget();
  std::vector<uint8_t> rgb(4 * 4 * 3, 200);
  texture->SetImage(4, 4, rgb);
  Pump(2);
  EXPECT_TRUE(renderer.Redrew(editor->View()->ClientRect()));

  Window::Close(editor);
  Pump(2);
  EXPECT_EQ(ProgramCodex().FindAttachment(*entry, kAttachResource), nullptr);
}

TEST_F(MeshEditTest, PaletteEntriesChosenBecomeTheBrushMaterial) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  Tap(Key::Tab);
  Pump(2);
  ASSERT_TRUE(editor->palette_shown());
  SlotPalette* palette = editor->Palette();
  const Rect swatch = palette->SwatchRect(17);
  EXPECT_EQ(palette->SlotAt({swatch.left + 2, swatch.top + 2}), 17);
  // A right click protects; a left click opens the attributes dialog, whose Cancel changes no
  // slot but still makes the entry the material.
  Click(swatch.left + 2, swatch.top + 2, 1);
  Pump(2);
  EXPECT_TRUE(editor->protection()[17]);
  platform.Then(
      [](FakePlatform& p) { return TopModalIs(*p.wm, "Edit Detail Texture Attributes"); });
  platform.Then([this](FakePlatform&) {
    Tap(Key::Escape);
    return true;
  });
  Click(swatch.left + 2, swatch.top + 2);
  RunSteps();
  EXPECT_EQ(editor->brush().material, 17);
  EXPECT_FALSE(editor->Detail().slots[17].HasTexture());
}

}  // namespace

// ------------------------------------------------------------------------------ detail images

TEST_F(MeshEditTest, VertexDetailGoesOutAndComesBackThroughTheImageChoosers) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  std::vector<uint8_t>& vertex = editor->Detail().vertex;
  for (size_t i = 0; i < vertex.size(); ++i) vertex[i] = static_cast<uint8_t>(i % 7);
  const std::vector<uint8_t> exported = vertex;

  std::string proposed;
  Choose("Export Per-Vertex Details", "vertex.png", &proposed);
  editor->RunCommand(MeshEdit::kCmdExportVertex);
  RunSteps();
  EXPECT_EQ(proposed, "hill colors vertex detail");
  Image image;
  std::string error;
  ASSERT_TRUE(DataFile::loadImage(files_ / "vertex.png", image, error)) << error;
  EXPECT_EQ(image.width(), 32u * 8);
  EXPECT_EQ(image.height(), 32u * 8);

  // A stroke made since goes with the history: the import replaces the whole layer.
  editor->BeginStroke(3, 3, false);
  editor->EndStroke();
  ASSERT_EQ(editor->History().Count(), 2u);
  editor->MarkDirty(false);
  Choose("Import Per-Vertex Details", "vertex.png");
  editor->RunCommand(MeshEdit::kCmdImportVertex);
  RunSteps();
  EXPECT_TRUE(messages.empty()) << messages[0];
  EXPECT_EQ(editor->Detail().vertex, exported);
  EXPECT_EQ(editor->History().Count(), 1u);
  EXPECT_TRUE(editor->dirty());
  // The image's palette is the highlight table, kept for the next run.
  ColorTableFile::Palette kept{};
  uint32_t count = 0;
  ASSERT_TRUE(ColorTableFile::readColorTable(table_, kept, count, error)) << error;
  EXPECT_EQ(std::vector<uint8_t>(kept.begin(), kept.begin() + 128 * 3),
            std::vector<uint8_t>(editor->highlight_table().begin(),
                                 editor->highlight_table().begin() + 128 * 3));
}

TEST_F(MeshEditTest, AnImageOfTheWrongSizeOrKindIsRefusedAndChangesNothing) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  editor->Detail().vertex[5] = 9;
  const std::vector<uint8_t> before = editor->Detail().vertex;
  std::string error;
  Image small, rgb;
  ASSERT_TRUE(small.setSize(10, 12, ImageFormat::kGreyscale));
  ASSERT_TRUE(rgb.setSize(256, 256, ImageFormat::kRgb));
  ASSERT_TRUE(DataFile::saveImage(files_ / "small.png", small, error)) << error;
  ASSERT_TRUE(DataFile::saveImage(files_ / "rgb.png", rgb, error)) << error;
  tagfiles::Spit(files_ / "junk.png", {1, 2, 3});

  Choose("Import Per-Vertex Details", "small.png");
  Answer("Error", 0);
  editor->RunCommand(MeshEdit::kCmdImportVertex);
  RunSteps();
  Choose("Import Per-Triangle Details", "small.png");
  Answer("Error", 0);
  editor->RunCommand(MeshEdit::kCmdImportTriangle);
  RunSteps();
  Choose("Import Per-Vertex Details", "rgb.png");
  Answer("Error", 0);
  editor->RunCommand(MeshEdit::kCmdImportVertex);
  RunSteps();
  Choose("Import Per-Vertex Details", "junk.png");
  Answer("Error", 0);
  editor->RunCommand(MeshEdit::kCmdImportVertex);
  RunSteps();
  EXPECT_EQ(messages,
            (std::vector<std::string>{
                "Image dimensions (10,12) do not match mesh dimensions (256,256)",
                "Image dimensions (10,12) do not match expected dimensions (256,256)",
                "Image must be 8-bit paletted or greyscale.", "Unable to read the file"}));
  EXPECT_EQ(editor->Detail().vertex, before);
}

TEST_F(MeshEditTest, ImportHighlightClutTakesTheTableAndKeepsItForTheNextRun) {
  WriteMesh();
  MeshEdit* editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  editor->RunCommand(MeshEdit::kCmdBlank);
  editor->MarkDirty(false);
  tagfiles::Bytes act(768);
  for (size_t i = 0; i < act.size(); ++i) act[i] = static_cast<uint8_t>(255 - i % 256);
  tagfiles::Spit(files_ / "mine.act", act);

  Choose("Open Color Table", "mine.act");
  editor->RunCommand(MeshEdit::kCmdImportClut);
  RunSteps();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(tagfiles::Bytes(editor->highlight_table().begin(), editor->highlight_table().end()),
            act);
  EXPECT_TRUE(editor->dirty());
  ColorTableFile::Palette kept{};
  uint32_t count = 0;
  std::string error;
  ASSERT_TRUE(ColorTableFile::readColorTable(table_, kept, count, error)) << error;
  EXPECT_EQ(count, 128u);
  EXPECT_EQ(tagfiles::Bytes(kept.begin(), kept.begin() + 128 * 3),
            tagfiles::Bytes(act.begin(), act.begin() + 128 * 3));
  // Saving writes the slots' colours from the table.
  CtrlKey('S');
  Pump(5);
  DetailMap saved;
  TagHeader header;
  ASSERT_TRUE(ReadSavedMap(saved, header));
  EXPECT_EQ(saved.slots[2].red, act[6]);
  EXPECT_EQ(saved.slots[2].blue, act[8]);
}
