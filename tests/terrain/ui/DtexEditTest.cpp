#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/RootMenu.h"
#include "collections/DataFile.h"
#include "collections/Image.h"
#include "gui/ChooserDialog.h"
#include "gui/ChooserMemory.h"
#include "gui/Choosers.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "gui/TextBox.h"
#include "support/EditorFixture.h"
#include "support/MapMemory.h"
#include "support/RecordingPainter.h"
#include "tags/TagCode.h"
#include "terrain/DtexCodec.h"
#include "terrain/DtexImage.h"
#include "terrain/DtexTag.h"
#include "terrain/ui/DtexEdit.h"

namespace {

namespace fs = std::filesystem;
using Bytes = tagfiles::Bytes;

constexpr uint32_t kDtex = tagcode::Make("dtex");
constexpr uint32_t kSand = tagcode::Make("sand");
constexpr const char* kPowerOfTwo = "The texture must have dimensions that are powers of two.";

// Pixel i of the image holds bytes (i * 3 + c) * 5 + seed.
Bytes Pattern(uint32_t width, uint32_t height, uint8_t seed = 0) {
  Bytes rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 5 + seed);
  return rgb;
}

class DtexEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    TagGroupTable::SetEditor(kDtex, &DtexEdit::Make);
    files_ = root_ / "files";
    fs::create_directories(files_);
    // PNG is the file type the image choosers start with.
    memory_.numbers["LastImageOpenFormat"] = 1;
    memory_.numbers["LastImageSaveFormat"] = 1;
    SetChooserServices(&memory_, {});
  }
  void TearDown() override {
    SetChooserServices(nullptr, {});
    SetCurrentPainter(nullptr);
    EditorTest::TearDown();
  }

  fs::path TextureFile(const std::string& name) const {
    return root_ / "local" / "detail textures" / name;
  }
  void WriteTexture(const std::string& name, uint32_t width, uint32_t height, const Bytes& rgb) {
    Loose("detail textures", {kDtex, kSand, name, DtexData::Write(width, height, rgb)});
  }
  DtexEdit* OpenTexture(uint32_t width, uint32_t height, const Bytes& rgb,
                        const std::string& name = "Sand") {
    WriteTexture(name, width, height, rgb);
    auto* editor = dynamic_cast<DtexEdit*>(TagEdit::OpenEditor(Open().Find(kDtex, kSand)));
    Pump(2);
    return editor;
  }
  // The texture a file of the local folder holds.
  static DtexCodec::Decoded Saved(const fs::path& file) {
    const Bytes bytes = tagfiles::Slurp(file);
    DtexCodec::Decoded d;
    std::string error;
    EXPECT_GE(bytes.size(), 64u);
    if (bytes.size() >= 64) {
      EXPECT_TRUE(DtexData::Read(std::span(bytes).subspan(64), d, error)) << error;
    }
    return d;
  }
  void WriteImage(const std::string& name, uint32_t width, uint32_t height, ImageFormat format,
                  const Bytes& pixels) {
    Image image;
    ASSERT_TRUE(image.setSize(width, height, format, pixels.data()));
    if (format == ImageFormat::kIndexed) {
      Bytes palette(768);
      for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i * 3);
      image.setPalette(256, palette.data());
    }
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
  void ChooseTyped(const std::string& name, const char* title) {
    OnChooser([this, name, title](ChooserDialog& d) {
      EXPECT_STREQ(d.GetTitle(), title);
      d.OpenFolder(files_);
      d.NameField()->SetText(name);
      Tap(Key::Enter);
    });
  }
  // Runs `act` on the context menu once a right click has it running.
  void WithContextMenu(DtexEdit* editor, std::function<void(Menu*)> act) {
    const Rect& c = editor->ClientRect();
    Click(c.left + 5, c.top + 5, 1);
    platform.Then([act = std::move(act)](FakePlatform& p) {
      auto* menu = dynamic_cast<Menu*>(p.wm->TopModalWindow());
      if (!menu || !menu->IsRunning()) return false;
      act(menu);
      return true;
    });
    RunSteps();
  }
  void ClickItem(const MenuItem* item) {
    const Rect& r = item->FrameRect();
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void PutOnClipboard(uint32_t width, uint32_t height, const Bytes& rgb) {
    platform.clipboard_image = rgb;
    platform.clipboard_width = static_cast<int32_t>(width);
    platform.clipboard_height = static_cast<int32_t>(height);
  }

  fs::path files_;
  MapMemory memory_;
};

// ------------------------------------------------------------------------ showing

TEST_F(DtexEditTest, OpensAtTheTexturesSizeUpTo512) {
  DtexEdit* small = OpenTexture(64, 32, Pattern(64, 32));
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->ClientRect().Width(), 64);
  EXPECT_EQ(small->ClientRect().Height(), 32);
  EXPECT_FALSE(small->dirty());
  EXPECT_STREQ(small->GetTitle(), "Sand");
  Window::Close(small);
  Pump(2);
  ReleaseProgramCodex();

  DtexEdit* large = OpenTexture(1024, 256, Pattern(1024, 256));
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large->ClientRect().Width(), 512);
  EXPECT_EQ(large->ClientRect().Height(), 256);
}

TEST_F(DtexEditTest, DrawsOneTexturePixelPerScreenPixelInPiecesOf512) {
  const Bytes rgb = Pattern(1024, 512, 3);
  DtexEdit* editor = OpenTexture(1024, 512, rgb);
  ASSERT_NE(editor, nullptr);
  editor->SetClientSize({700, 600});
  RecordingPainter painter;
  SetCurrentPainter(&painter);
  editor->Draw();
  using Op = RecordingPainter::Op;
  const auto uploads = painter.Calls(Op::kUploadScratch);
  const auto draws = painter.Calls(Op::kDrawScratchQuads);
  ASSERT_EQ(uploads.size(), 2u) << "700 of 1024 columns, all 512 rows: two pieces";
  ASSERT_EQ(draws.size(), 2u);
  const TexturedQuad& second = draws[1]->quads[0];
  EXPECT_EQ(second.x0, 512);
  EXPECT_EQ(second.x1, 700);
  EXPECT_EQ(second.y0, 0);
  EXPECT_EQ(second.y1, 512);
  EXPECT_FLOAT_EQ(second.u[1], 188.0f / 512);
  // The scratch texture holds the second piece last: its texel (5, 7) is pixel (517, 7).
  const size_t at = (7 * 1024 + 517) * 3;
  EXPECT_EQ(painter.ScratchTexel(5, 7), MakeColor(rgb[at], rgb[at + 1], rgb[at + 2]));
}

TEST_F(DtexEditTest, AnUnreadableTextureDoesNotOpenAndSaysWhy) {
  Loose("detail textures", {kDtex, kSand, "Sand", Bytes{0, 0, 0, 2, 0, 0, 0, 2}});
  Answer("Error", 0);
  EXPECT_EQ(TagEdit::OpenEditor(Open().Find(kDtex, kSand)), nullptr);
  RunSteps();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("The tag could not be loaded.\n\nThe texture data is 8 bytes", 0), 0u)
      << messages[0];
  EXPECT_EQ(ProgramDtexTags().size(), 0u);
}

TEST_F(DtexEditTest, ShiftHeldWhileOpeningShiftsByHalfAndMarksTheChange) {
  const Bytes rgb = Pattern(4, 2);
  Key(Key::Shift, true);
  Pump();
  DtexEdit* editor = OpenTexture(4, 2, rgb);
  Key(Key::Shift, false);
  Pump();
  ASSERT_NE(editor, nullptr);
  Bytes shifted = rgb;
  dteximage::ShiftHalf(4, 2, shifted);
  EXPECT_EQ(editor->Texture()->pixels(), shifted);
  EXPECT_TRUE(editor->dirty()) << "the shared pixels changed";
  EXPECT_STREQ(editor->GetTitle(), "Sand*");
}

// -------------------------------------------------------------------- menu and keys

TEST_F(DtexEditTest, TheContextMenuListsTheSevenCommandsAndRunsThem) {
  Bytes rgb(16 * 16 * 3, 100);
  DtexEdit* editor = OpenTexture(16, 16, rgb);
  ASSERT_NE(editor, nullptr);
  std::vector<std::string> titles;
  WithContextMenu(editor, [&](Menu* menu) {
    for (const MenuItem* item : menu->Items()) titles.push_back(item->GetTitle());
    ClickItem(menu->Items()[5]);
  });
  EXPECT_EQ(titles, (std::vector<std::string>{"Export (Cmd-E)", "Import (Cmd-I)", "Copy (Cmd-C)",
                                              "Paste (Cmd-V)", "Save Tag (Cmd-S)",
                                              "Mean Center rgb", "Mean Center luma"}));
  EXPECT_EQ(editor->Texture()->pixels(), Bytes(16 * 16 * 3, 128)) << "Mean Center rgb ran";
  EXPECT_TRUE(editor->dirty());
  WithContextMenu(editor, [&](Menu* menu) { ClickItem(menu->Items()[4]); });
  EXPECT_FALSE(editor->dirty()) << "Save Tag saved";
  EXPECT_EQ(Saved(TextureFile("Sand")).rgb, Bytes(16 * 16 * 3, 128));
}

TEST_F(DtexEditTest, CopyPutsTheTextureOnTheClipboardWithCtrlCAndCtrlX) {
  const Bytes rgb = Pattern(8, 4, 9);
  DtexEdit* editor = OpenTexture(8, 4, rgb);
  ASSERT_NE(editor, nullptr);
  CtrlKey('C');
  Pump(2);
  EXPECT_EQ(platform.clipboard_image, rgb);
  EXPECT_EQ(platform.clipboard_width, 8);
  EXPECT_EQ(platform.clipboard_height, 4);
  platform.clipboard_image.clear();
  CtrlKey('X');
  Pump(2);
  EXPECT_EQ(platform.clipboard_image, rgb) << "Ctrl+X copies too, and cuts nothing";
  EXPECT_EQ(editor->Texture()->pixels(), rgb);
  EXPECT_FALSE(editor->dirty());
}

TEST_F(DtexEditTest, PasteReplacesTheTextureAndResizesOrRefuses) {
  DtexEdit* editor = OpenTexture(8, 8, Pattern(8, 8));
  ASSERT_NE(editor, nullptr);
  CtrlKey('V');
  Pump(2);
  EXPECT_EQ(platform.beeps, 1) << "an empty clipboard beeps";
  EXPECT_FALSE(editor->dirty());

  PutOnClipboard(6, 8, Pattern(6, 8));
  Answer("Error", 0);
  CtrlKey('V');
  RunSteps();
  PutOnClipboard(4096, 1, Pattern(4096, 1));
  Answer("Error", 0);
  CtrlKey('V');
  RunSteps();
  EXPECT_EQ(messages, (std::vector<std::string>{kPowerOfTwo, dteximage::kTooLargeMessage}));
  EXPECT_EQ(editor->Texture()->width(), 8u);
  EXPECT_FALSE(editor->dirty());

  const Bytes pasted = Pattern(32, 16, 1);
  PutOnClipboard(32, 16, pasted);
  CtrlKey('V');
  Pump(2);
  EXPECT_EQ(editor->Texture()->pixels(), pasted);
  EXPECT_TRUE(editor->dirty());
  EXPECT_EQ(editor->ClientRect().Width(), 32);
  EXPECT_EQ(editor->ClientRect().Height(), 16);
  CtrlKey('S');
  Pump(2);
  EXPECT_FALSE(editor->dirty());
  const DtexCodec::Decoded saved = Saved(TextureFile("Sand"));
  EXPECT_EQ(saved.width, 32u);
  EXPECT_EQ(saved.rgb, pasted);
}

TEST_F(DtexEditTest, ImportTakesOnlyRgbImagesWithPowerOfTwoSides) {
  DtexEdit* editor = OpenTexture(8, 8, Pattern(8, 8));
  ASSERT_NE(editor, nullptr);
  WriteImage("paletted.png", 16, 16, ImageFormat::kIndexed, Bytes(256, 7));
  WriteImage("odd.png", 200, 200, ImageFormat::kRgb, Pattern(200, 200));
  const Bytes wide = Pattern(256, 128, 4);
  WriteImage("wide.png", 256, 128, ImageFormat::kRgb, wide);

  ChooseTyped("paletted.png", "Import Detail Texture");
  Answer("Error", 0);
  CtrlKey('I');
  RunSteps();
  ChooseTyped("odd.png", "Import Detail Texture");
  Answer("Error", 0);
  CtrlKey('I');
  RunSteps();
  EXPECT_EQ(messages, (std::vector<std::string>{"Image must be 24 bit RGB.", kPowerOfTwo}));
  EXPECT_EQ(editor->Texture()->width(), 8u);
  EXPECT_FALSE(editor->dirty());

  ChooseTyped("wide.png", "Import Detail Texture");
  CtrlKey('I');
  RunSteps();
  EXPECT_EQ(editor->Texture()->pixels(), wide);
  EXPECT_TRUE(editor->dirty());
  EXPECT_EQ(editor->ClientRect().Width(), 256);
  EXPECT_EQ(editor->ClientRect().Height(), 128);
}

TEST_F(DtexEditTest, ExportProposesASafeFileNameAndWritesTheRgbImage) {
  const Bytes rgb = Pattern(16, 8, 2);
  // A tag's name may hold what no file name can; its file is named otherwise.
  tagfiles::Spit(TextureFile("Dune"),
                 tagfiles::LooseBytes({kDtex, kSand, "Dune/Crest", DtexData::Write(16, 8, rgb)}));
  auto* editor = dynamic_cast<DtexEdit*>(TagEdit::OpenEditor(Open().Find(kDtex, kSand)));
  ASSERT_NE(editor, nullptr);
  Pump(2);
  std::string proposed;
  OnChooser([&](ChooserDialog& d) {
    EXPECT_STREQ(d.GetTitle(), "Export Detail Texture");
    proposed = d.NameField()->GetText();
    d.OpenFolder(files_);
    Tap(Key::Enter);
  });
  CtrlKey('E');
  RunSteps();
  EXPECT_EQ(proposed, "Dune_Crest");
  Image image;
  std::string error;
  ASSERT_TRUE(DataFile::loadImage(files_ / "Dune_Crest.png", image, error)) << error;
  EXPECT_TRUE(image.is(ImageFormat::kRgb));
  EXPECT_EQ(Bytes(image.pixels().begin(), image.pixels().end()), rgb);
}

TEST_F(DtexEditTest, MeanCenterLumaChangesNothingUnder256Pixels) {
  const Bytes rgb = Pattern(8, 8);
  DtexEdit* editor = OpenTexture(8, 8, rgb);
  ASSERT_NE(editor, nullptr);
  const uint64_t revision = editor->Texture()->revision();
  editor->RunCommand(DtexEdit::kMeanCenterLuma);
  EXPECT_EQ(editor->Texture()->pixels(), rgb);
  EXPECT_EQ(editor->Texture()->revision(), revision);
  EXPECT_FALSE(editor->dirty());
  Window::Close(editor);
  Pump(2);
  ReleaseProgramCodex();

  DtexEdit* big = OpenTexture(16, 16, Bytes(16 * 16 * 3, 100));
  ASSERT_NE(big, nullptr);
  big->RunCommand(DtexEdit::kMeanCenterLuma);
  EXPECT_EQ(big->Texture()->pixels(), Bytes(16 * 16 * 3, 128));
  EXPECT_TRUE(big->dirty());
}

// ----------------------------------------------------------------- sharing the texture

TEST_F(DtexEditTest, DiscardReloadsTheSharedTextureForItsOtherUser) {
  const Bytes rgb = Pattern(16, 16, 5);
  DtexEdit* editor = OpenTexture(16, 16, rgb);
  ASSERT_NE(editor, nullptr);
  // The mesh editor draws with the same texture.
  DtexTag* other = ProgramDtexTags().Acquire(editor->entry());
  ASSERT_EQ(other, editor->Texture());
  editor->RunCommand(DtexEdit::kMeanCenterRgb);
  ASSERT_NE(other->pixels(), rgb) << "both users see the change";
  const uint64_t changed = other->revision();
  Answer("Save?", 1);  // Discard
  Window::TryClose(editor, false);
  RunSteps();
  EXPECT_EQ(messages, (std::vector<std::string>{"Do you wish to save your changes to 'Sand'?"}));
  EXPECT_EQ(other->pixels(), rgb) << "the saved image is back for the other user";
  EXPECT_GT(other->revision(), changed) << "so that it draws it again";
  EXPECT_EQ(other->reference_count(), 1u) << "the editor let go of it";
  ProgramDtexTags().Release(other);
}

TEST_F(DtexEditTest, DiscardOfANeverSavedTextureKeepsItsPixels) {
  Open();
  auto* editor = dynamic_cast<DtexEdit*>(TagEdit::CreateEditor(kDtex, "Fresh"));
  ASSERT_NE(editor, nullptr);
  DtexTag* other = ProgramDtexTags().Acquire(editor->entry());
  ASSERT_NE(other, nullptr);
  uint32_t w = 0, h = 0;
  EXPECT_EQ(other->pixels(), dteximage::Checkerboard(w, h));
  EXPECT_TRUE(editor->Discard());
  EXPECT_EQ(other->width(), 256u) << "no file to reload from: the pixels stay";
  EXPECT_FALSE(other->empty());
  ProgramDtexTags().Release(other);
}

TEST_F(DtexEditTest, ANewTextureIsTheCheckerboardShownDirty) {
  Open();
  auto* editor = dynamic_cast<DtexEdit*>(TagEdit::CreateEditor(kDtex, "Fresh"));
  ASSERT_NE(editor, nullptr);
  uint32_t w = 0, h = 0;
  EXPECT_EQ(editor->Texture()->pixels(), dteximage::Checkerboard(w, h));
  EXPECT_STREQ(editor->GetTitle(), "Fresh*");
  EXPECT_EQ(editor->ClientRect().Width(), 256);
  EXPECT_FALSE(fs::exists(TextureFile("Fresh")));
  CtrlKey('S');
  Pump(2);
  EXPECT_EQ(Saved(TextureFile("Fresh")).rgb, dteximage::Checkerboard(w, h));
}

// ----------------------------------------------------------------- root menu commands

TEST_F(DtexEditTest, NewFromTheClipboardRefusesWhatItCannotUseThenSavesAtOnce) {
  Open();
  auto* menu = new RootMenu();
  Answer("Error", 0);
  menu->RunCommand(RootMenu::kDetailTextureFromClipboard);
  RunSteps();
  PutOnClipboard(12, 16, Pattern(12, 16));
  Answer("Error", 0);
  menu->RunCommand(RootMenu::kDetailTextureFromClipboard);
  RunSteps();
  EXPECT_EQ(messages, (std::vector<std::string>{"Could not retrieve an image from the clipboard.",
                                                kPowerOfTwo}));
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1) << "only the root menu";

  const Bytes rgb = Pattern(16, 32, 6);
  PutOnClipboard(16, 32, rgb);
  std::string proposed = "<none>";
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Enter Name for Detail Texture"); });
  platform.Then([&](FakePlatform& p) {
    proposed = dynamic_cast<MessageBoxWindow*>(p.wm->TopModalWindow())->Field()->GetText();
    return true;
  });
  AnswerPrompt("Enter Name for Detail Texture", "Clip");
  menu->RunCommand(RootMenu::kDetailTextureFromClipboard);
  RunSteps();
  EXPECT_EQ(proposed, "");
  auto* editor = dynamic_cast<DtexEdit*>(wm->Layer0()->FirstChild());
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->dirty()) << "saved at once";
  EXPECT_STREQ(editor->GetTitle(), "Clip");
  EXPECT_EQ(editor->ClientRect().Height(), 32);
  EXPECT_EQ(Saved(TextureFile("Clip")).rgb, rgb);
}

TEST_F(DtexEditTest, NewFromAnImageFileProposesTheFilesName) {
  Open();
  auto* menu = new RootMenu();
  const Bytes rgb = Pattern(32, 32, 8);
  WriteImage("Rock Face.png", 32, 32, ImageFormat::kRgb, rgb);
  ChooseTyped("Rock Face.png", "Import Detail Texture");
  Answer("Enter Name for Detail Texture", 0);
  menu->RunCommand(RootMenu::kDetailTextureFromFile);
  RunSteps();
  auto* editor = dynamic_cast<DtexEdit*>(wm->Layer0()->FirstChild());
  ASSERT_NE(editor, nullptr);
  EXPECT_STREQ(editor->GetTitle(), "Rock Face");
  EXPECT_EQ(Saved(TextureFile("Rock Face")).rgb, rgb);

  WriteImage("indexed.png", 16, 16, ImageFormat::kIndexed, Bytes(256, 3));
  ChooseTyped("indexed.png", "Import Detail Texture");
  Answer("Error", 0);
  menu->RunCommand(RootMenu::kDetailTextureFromFile);
  RunSteps();
  EXPECT_EQ(messages.back(), "Image must be 24 bit RGB.");
}

}  // namespace
